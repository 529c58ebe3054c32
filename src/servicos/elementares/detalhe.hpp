// Inside the elementary functions: double-double arithmetic for the fast
// path, fixed-point numbers of several 64-bit limbs for the accurate path, the
// constant tables, and the pieces that the tests reach directly.
//
// Every operation here is an IEEE double operation written out in full (the
// build forbids contraction into fused multiply-adds) or an integer
// operation, so the same bits come out on every x86-64 platform.
#pragma once

#include <bit>
#include <cassert>
#include <cstdint>

#include "servicos/base/intrinsecos.hpp"

namespace servicos::elementares::detalhe {

// ---------------------------------------------------------------------------
// Double-double: a value alto + baixo carried in two doubles.

struct Duplo {
    double alto;
    double baixo;
};

// a + b = alto + baixo exactly; requires |a| >= |b| or a = 0.
inline Duplo soma_rapida(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// a + b = alto + baixo exactly, for any a and b whose sum does not overflow.
inline Duplo soma_exata(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

// a = alto + baixo exactly, each with at most 26 significant bits; |a| < 2^995.
inline Duplo partir(double a) {
    assert(!(a > 0x1p995 || a < -0x1p995));
    const double c = 0x1.0000002p27 * a;  // 2^27 + 1
    const double alto = c - (c - a);
    return {alto, a - alto};
}

// a*b = alto + baixo exactly, provided the product neither overflows nor
// comes within 2^106 of the subnormal range (its error term must be exact).
inline Duplo produto_exato(double a, double b) {
    const double p = a * b;
    const Duplo x = partir(a);
    const Duplo y = partir(b);
    return {p, ((x.alto * y.alto - p) + x.alto * y.baixo + x.baixo * y.alto) + x.baixo * y.baixo};
}

// The double whose bits are `bits`.
inline double de_bits(std::uint64_t bits) { return std::bit_cast<double>(bits); }

// Whether x is +inf or -inf, from its bits (no flag raised).
inline bool eh_infinito(double x) { return (std::bit_cast<std::uint64_t>(x) << 1) == 0xffe0000000000000; }

// 2^e for -1022 <= e <= 1023, built from its bits.
inline double potencia_de_dois(int e) {
    assert(e >= -1022 && e <= 1023);
    return de_bits(static_cast<std::uint64_t>(e + 1023) << 52);
}

// v*2^e, rounded once: the scaling is split so that no intermediate step
// rounds, overflows or underflows (|v| < 2^54, -1100 <= e <= 1100).
inline double escalar(double v, int e) {
    if (e > 1023) return v * potencia_de_dois(1023) * potencia_de_dois(e - 1023);
    if (e < -1022) return v * potencia_de_dois(e + 600) * potencia_de_dois(-600);
    return v * potencia_de_dois(e);
}

// +infinity, raising the overflow flag as an overflowing operation does.
inline double infinito_com_overflow() {
    volatile double maior = 0x1p1023;  // kept from constant folding, which would drop the flag
    return maior * 2.0;
}

// +0, raising underflow and inexact as an operation rounding to zero does.
inline double zero_com_underflow() {
    volatile double menor = 0x1p-1022;
    return menor * 0x1p-100;
}

// Raises inexact, as a result that had to be rounded does.
inline void levantar_inexato() {
    volatile double um = 1.0;
    volatile double arredondado = um + 0x1p-100;
    (void)arredondado;
}

// Raises underflow and inexact, as a subnormal result that had to be rounded does.
inline void levantar_underflow() {
    volatile double zero = zero_com_underflow();
    (void)zero;
}

// ---------------------------------------------------------------------------
// Fixed point: N limbs of 64 bits in two's complement, limbo[0] the integer
// part (signed) and limbo[i] the bits of weight 2^(-64 i) to 2^(-64 i + 63).
// The last limb's unit, 2^(-64 (N - 1)), is "the ulp" of the error bounds.

// 128-bit products and sums of limbs.
using base::intrinsecos::u128;

template <int N>
struct Fixo {
    static_assert(N >= 2);
    std::uint64_t limbo[N] = {};
};

// Whether a < 0.
template <int N>
bool eh_negativo(const Fixo<N>& a) {
    return static_cast<std::int64_t>(a.limbo[0]) < 0;
}

// Whether a = 0.
template <int N>
bool eh_zero(const Fixo<N>& a) {
    for (const std::uint64_t l : a.limbo)
        if (l != 0) return false;
    return true;
}

// a + b (mod 2^64 in the integer limb).
template <int N>
Fixo<N> somar(const Fixo<N>& a, const Fixo<N>& b) {
    Fixo<N> s;
    unsigned vai = 0;
    for (int i = N - 1; i >= 0; --i) {
        const u128 t = static_cast<u128>(a.limbo[i]) + b.limbo[i] + vai;
        s.limbo[i] = static_cast<std::uint64_t>(t);
        vai = static_cast<unsigned>(t >> 64);
    }
    return s;
}

// -a (mod 2^64 in the integer limb).
template <int N>
Fixo<N> negar(const Fixo<N>& a) {
    Fixo<N> s;
    unsigned vai = 1;
    for (int i = N - 1; i >= 0; --i) {
        const u128 t = static_cast<u128>(~a.limbo[i]) + vai;
        s.limbo[i] = static_cast<std::uint64_t>(t);
        vai = static_cast<unsigned>(t >> 64);
    }
    return s;
}

// a - b (mod 2^64 in the integer limb).
template <int N>
Fixo<N> subtrair(const Fixo<N>& a, const Fixo<N>& b) {
    return somar(a, negar(b));
}

// |a|, for a > -2^63.
template <int N>
Fixo<N> modulo(const Fixo<N>& a) {
    return eh_negativo(a) ? negar(a) : a;
}

// a*b truncated to N limbs, for 0 <= a, b and a*b < 2^63: below the exact
// product by less than one ulp.
template <int N>
Fixo<N> multiplicar(const Fixo<N>& a, const Fixo<N>& b) {
    assert(!eh_negativo(a) && !eh_negativo(b));
    // Full product in 2N limbs, produto[k] of weight 2^(-64 k) (k = 0 the integer limb).
    std::uint64_t produto[2 * N] = {};
    for (int i = N - 1; i >= 0; --i) {
        std::uint64_t vai = 0;
        for (int j = N - 1; j >= 0; --j) {
            const u128 t =
                static_cast<u128>(a.limbo[i]) * b.limbo[j] + produto[i + j + 1] + vai;
            produto[i + j + 1] = static_cast<std::uint64_t>(t);
            vai = static_cast<std::uint64_t>(t >> 64);
        }
        produto[i] = vai;
    }
    // produto[m] has weight 2^(64 - 64 m): limb i of the result is produto[i + 1].
    assert(produto[0] == 0 && static_cast<std::int64_t>(produto[1]) >= 0);
    Fixo<N> r;
    for (int i = 0; i < N; ++i) r.limbo[i] = produto[i + 1];
    return r;
}

// a*m exactly, for 0 <= a and a*m < 2^63.
template <int N>
Fixo<N> multiplicar(const Fixo<N>& a, std::uint64_t m) {
    assert(!eh_negativo(a));
    Fixo<N> r;
    std::uint64_t vai = 0;
    for (int i = N - 1; i >= 0; --i) {
        const u128 t = static_cast<u128>(a.limbo[i]) * m + vai;
        r.limbo[i] = static_cast<std::uint64_t>(t);
        vai = static_cast<std::uint64_t>(t >> 64);
    }
    assert(vai == 0 && !eh_negativo(r));
    return r;
}

// a/d truncated, for 0 <= a and d > 0: below the exact quotient by less than one ulp.
template <int N>
Fixo<N> dividir(const Fixo<N>& a, std::uint64_t d) {
    assert(!eh_negativo(a) && d > 0);
    Fixo<N> q;
    u128 resto = 0;
    for (int i = 0; i < N; ++i) {
        const u128 t = (resto << 64) | a.limbo[i];
        q.limbo[i] = static_cast<std::uint64_t>(t / d);
        resto = t % d;
    }
    return q;
}

// The fixed-point value of a double, exactly: requires |x| < 2^63 and no
// bit of x below the last limb's unit.
template <int N>
Fixo<N> de_double(double x) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
    const int expoente = static_cast<int>((bits >> 52) & 0x7ff);
    Fixo<N> r;
    if (expoente == 0 && (bits << 1) == 0) return r;
    assert(expoente != 0 && expoente != 0x7ff);
    const std::uint64_t mantissa = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    // x = mantissa * 2^e; bit 0 of the mantissa has weight 2^e.
    const int e = expoente - 1075;
    assert(e + 52 < 63 && e >= -64 * (N - 1));
    // Weight 2^e sits in limb i at bit b, with e = -64 i + b.
    const int i = (-e + 63) / 64;
    const int b = e + 64 * i;
    r.limbo[i] = mantissa << b;
    if (b > 11 && i > 0) r.limbo[i - 1] = mantissa >> (64 - b);
    return (bits >> 63) ? negar(r) : r;
}

// The fixed-point value of a finite double truncated toward zero (its bits
// below the last limb's unit dropped): within one ulp; requires |x| < 2^63.
template <int N>
Fixo<N> de_double_truncado(double x) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
    const int expoente = static_cast<int>((bits >> 52) & 0x7ff);
    assert(expoente != 0x7ff);
    const std::uint64_t fracao = bits & ((std::uint64_t{1} << 52) - 1);
    const std::uint64_t mantissa = expoente == 0 ? fracao : fracao | (std::uint64_t{1} << 52);
    const int e = (expoente == 0 ? 1 : expoente) - 1075;  // x = mantissa * 2^e
    assert(e + 52 < 63);
    Fixo<N> r;
    const int piso = -64 * (N - 1);
    if (mantissa == 0 || e + 52 < piso) return r;
    const int corte = piso - e;  // low bits of the mantissa below the last limb
    if (corte > 0) {
        r.limbo[N - 1] = mantissa >> corte;  // below 2^53: the kept bits all fall in the last limb
    } else {
        r = de_double<N>(std::bit_cast<double>(bits & ~(std::uint64_t{1} << 63)));  // exact
    }
    return (bits >> 63) ? negar(r) : r;
}

// The value 2^e (one bit), for -64 (N - 1) <= e < 63.
template <int N>
Fixo<N> potencia(int e) {
    assert(e >= -64 * (N - 1) && e < 63);
    Fixo<N> r;
    const int i = (-e + 63) / 64;
    r.limbo[i] = std::uint64_t{1} << (e + 64 * i);
    return r;
}

// The 64 bits of a from bit k upwards (bits below 0 read as 0), for a >= 0.
template <int N>
std::uint64_t janela(const Fixo<N>& a, int k) {
    if (k >= 64 * N || k <= -64) return 0;
    if (k < 0) return janela(a, 0) << -k;
    const int l = N - 1 - k / 64;  // limb holding bit k
    const int b = k % 64;
    std::uint64_t w = a.limbo[l] >> b;
    if (b > 0 && l > 0) w |= a.limbo[l - 1] << (64 - b);
    return w;
}

// Bit index of the leading one of a > 0 (-1 for a = 0: the search never
// leaves the limbs).
template <int N>
int bit_mais_alto(const Fixo<N>& a) {
    assert(!eh_negativo(a) && !eh_zero(a));
    int l = 0;
    while (l < N - 1 && a.limbo[l] == 0) ++l;
    return 64 * (N - 1 - l) + 63 - std::countl_zero(a.limbo[l]);
}

// a with every bit from k upwards cleared (0 <= k <= 64 N).
template <int N>
Fixo<N> bits_abaixo(Fixo<N> a, int k) {
    for (int l = 0; l < N; ++l) {
        const int base = 64 * (N - 1 - l);  // bit index of limb l's lowest bit
        if (k <= base) {
            a.limbo[l] = 0;
        } else if (k < base + 64) {
            a.limbo[l] &= (std::uint64_t{1} << (k - base)) - 1;
        }
    }
    return a;
}

// Rounding a fixed-point value to the nearest double (ties cannot occur for
// the values rounded here). `valor` (> 0) is known to within `erro` ulps; the
// double sought is the rounding of valor * 2^escala, subnormal and infinite
// results included. `decidido` is false when the rounding cannot be told
// from the bits at hand (the exact value may lie on either side of a
// midpoint); `valor` is then the rounding of the bits at hand.
struct Arredondado {
    bool decidido;
    double valor;
};

template <int N>
Arredondado arredondar(const Fixo<N>& valor, int escala, std::uint64_t erro) {
    assert(!eh_negativo(valor) && !eh_zero(valor));
    const int topo = bit_mais_alto(valor);
    const int ulp_fixo = -64 * (N - 1);        // weight of bit 0
    const int expoente = topo + ulp_fixo + escala;  // valor * 2^escala is in [2^expoente, 2^(expoente + 1))
    if (expoente > 1023) return {true, infinito_com_overflow()};
    const int ulp_resultado = expoente - 52 > -1074 ? expoente - 52 : -1074;
    const int k = ulp_resultado - escala - ulp_fixo;  // bit index of the result's unit in valor
    assert(k - 1 >= 0 && k < 64 * N);  // the result's half unit lies within the limbs
    // valor = mantissa * 2^k + resto; resto compared with half a unit.
    const std::uint64_t mantissa = janela(valor, k) & ((std::uint64_t{1} << 54) - 1);
    Fixo<N> resto = bits_abaixo(valor, k);
    resto = subtrair(resto, potencia<N>(ulp_fixo + k - 1));
    const Fixo<N> distancia = modulo(resto);
    bool perto = true;
    for (int l = 0; l < N - 1; ++l) perto = perto && distancia.limbo[l] == 0;
    perto = perto && distancia.limbo[N - 1] <= erro;
    const std::uint64_t arredondada = mantissa + (eh_negativo(resto) ? 0 : 1);
    // arredondada <= 2^53, exact as a double; the scaling is exact but for
    // an overflow to infinity, which is then the right result.
    return {!perto, escalar(static_cast<double>(arredondada), ulp_resultado)};
}

// ---------------------------------------------------------------------------
// Constant tables (tabelas.inc, compiled as part of
// elementares.cpp), each the nearest to the exact value unless said otherwise.

inline constexpr int palavras_dois_sobre_pi = 28;  // 1792 bits
inline constexpr int limbos_constantes = 10;       // integer limb and 576 bits of fraction

extern const double ln2_256_1, ln2_256_2, ln2_256_3;  // ln2/256 = sum (34, 34, 53 significant bits) to 2^-128
extern const double inv_ln2_256;                      // 256/ln2
extern const double inv_ln2;                          // 1/ln2
extern const double exp_maior_finito;                 // the largest x whose exponential rounds below 2^1024
extern const double exp_menor_nao_nulo;               // the smallest x whose exponential rounds above 0
// A tabulated value alto + baixo; alto = alto_26 + resto_27 exactly, with 26
// and at most 27 significant bits, for exact products with 26-bit factors.
struct ValorTabelado {
    double alto, baixo, alto_26, resto_27;
};
extern const ValorTabelado dois_j_256[256];  // 2^(j/256)
extern const double pi_2_1, pi_2_2, pi_2_3;           // pi/2 = sum (33, 33, 53 significant bits) to 2^-118
extern const double dois_sobre_pi;                    // 2/pi
extern const Duplo pi_2;                              // pi/2
extern const Duplo pi;                                // pi
// sin(j/256) and cos(j/256) for every j of 8 bits: the sine's fast path
// needs j up to 202 (j/256 just past pi/4), and the rest keeps any index the
// 8-bit mask leaves within the tables, in whatever rounding mode.
extern const ValorTabelado seno_j_256[256];
extern const ValorTabelado cosseno_j_256[256];
extern const std::uint64_t bits_dois_sobre_pi[palavras_dois_sobre_pi];  // fraction of 2/pi, truncated
extern const std::uint64_t fixo_pi_2[limbos_constantes];                // pi/2, truncated
extern const std::uint64_t fixo_ln2[limbos_constantes];                 // ln2, truncated

// ---------------------------------------------------------------------------
// The two paths of each function, reachable by the tests.

// Result of a fast path: the value (alto + baixo)*2^escala with |error| <=
// erro*2^escala, and whether the rounding test has decided the double (then
// `resultado`, scaled).
struct Rapido {
    double alto, baixo, erro;
    int escala;
    bool decidido;
    double resultado;
};

// Fast paths for finite arguments in their ranges: the exponential for
// 2^-54 <= |x|, exp_menor_nao_nulo <= x <= exp_maior_finito; the sine (with
// quadrante 0) or the cosine (quadrante 1) for 2^-26 <= |x|.
Rapido exponencial_rapida(double x);
Rapido seno_rapido(double x, int quadrante);

// The three functions without the check that the rounding is to nearest, for
// the tests that run them in the other modes.
double exponencial_em_qualquer_modo(double x);
double seno_em_qualquer_modo(double x);
double arco_cosseno_em_qualquer_modo(double x);

// Accurate paths for the same arguments, and the arc cosine's check.
double exponencial_precisa(double x);
double seno_preciso(double x, int quadrante);
double arco_cosseno_preciso(double x, double candidato);

// Payne-Hanek reduction: x*2/pi = inteiro + fracao with |fracao| <= 1/2,
// the fraction in fixed point and quadrante = inteiro mod 4; for |x| >= 2^20,
// W words of 2/pi (W <= N - 1), error below 2^(55 - 64 W).
template <int N>
Fixo<N> reduzir_payne_hanek(double x, int W, int& quadrante) {
    assert(W >= 2 && W <= N - 1 && W <= 10);
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
    const int E = static_cast<int>((bits >> 52) & 0x7ff) - 1075;  // |x| = M*2^E
    assert(E >= -32 && E <= 971);
    const std::uint64_t M = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    // Bits b_i of 2/pi (i = 1 the first after the point) with i < E - 1 only
    // add multiples of 4 to x*2/pi: the window starts at p0 = max(1, E - 1).
    const int p0 = E - 1 > 1 ? E - 1 : 1;
    std::uint64_t C[11];
    for (int w = 0; w < W; ++w) {
        const int primeiro = p0 - 1 + 64 * w;  // 0-based index of the word's first bit
        const int palavra = primeiro / 64;
        const int desvio = primeiro % 64;
        assert(palavra + 1 < palavras_dois_sobre_pi);
        C[w] = desvio == 0 ? bits_dois_sobre_pi[palavra]
                           : (bits_dois_sobre_pi[palavra] << desvio) | (bits_dois_sobre_pi[palavra + 1] >> (64 - desvio));
    }
    // P = M*C in W + 1 words, P[0] the most significant; x*2/pi = P*2^-sh (mod 4).
    std::uint64_t P[12] = {};
    std::uint64_t vai = 0;
    for (int w = W - 1; w >= 0; --w) {
        const u128 t = static_cast<u128>(C[w]) * M + vai;
        P[w + 1] = static_cast<std::uint64_t>(t);
        vai = static_cast<std::uint64_t>(t >> 64);
    }
    P[0] = vai;
    const int sh = 64 * W + p0 - 1 - E;
    // Shift left by 64 W - sh (2 when the window starts at E - 1, else E,
    // which may be negative): P[0] then holds the integer part.
    const int desloca = 64 * W - sh;
    Fixo<N> f;
    if (desloca >= 0) {
        for (int w = 0; w <= W; ++w)
            f.limbo[w] = desloca == 0 ? P[w] : (P[w] << desloca) | (w < W ? P[w + 1] >> (64 - desloca) : 0);
    } else {
        const int d = -desloca;
        for (int w = 0; w <= W; ++w) f.limbo[w] = (P[w] >> d) | (w > 0 ? P[w - 1] << (64 - d) : 0);
    }
    quadrante = static_cast<int>(f.limbo[0] & 3);
    f.limbo[0] = 0;
    if (f.limbo[1] >> 63) {  // fraction >= 1/2: take the next integer
        f.limbo[0] = ~std::uint64_t{0};
        quadrante = (quadrante + 1) & 3;
    }
    return f;
}

}  // namespace servicos::elementares::detalhe
