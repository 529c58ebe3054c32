// Correctly rounded sine, exponential and arc cosine.
//
// Each function first evaluates a fast approximation in double-double
// arithmetic with a proven bound on its error, and returns its rounding when
// every value within that bound rounds to the same double (the rounding
// test). About one argument in 10^4 fails the test; it then goes to the
// accurate path (preciso.cpp), which works in fixed point with
// hundreds of bits. The sine and the exponential of a nonzero double are
// transcendental, so no exact value sits on a midpoint between two doubles;
// the only arguments whose result is decided by their first terms alone (the
// tiny ones) are handled before anything else.
#include "servicos/elementares/elementares.hpp"

#include <cassert>
#include <cfenv>
#include <cstdint>

#include "servicos/base/intrinsecos.hpp"
#include "servicos/elementares/detalhe.hpp"
#include "servicos/elementares/tabelas.inc"

namespace servicos::elementares {

namespace detalhe {

namespace {

constexpr double deslocador = 0x1.8p52;  // adding and removing it rounds to an integer

// The double nearest to every value within erro of alto + baixo, if they all
// round to the same one. The additions round monotonically, so both ends
// rounding alike decides every value between them.
bool decidir(double alto, double baixo, double erro, double& resultado) {
    const double menor = alto + (baixo - erro);
    const double maior = alto + (baixo + erro);
    resultado = menor;
    return menor == maior;
}

}  // namespace

// ---------------------------------------------------------------------------
// Exponential, fast path.
//
// x = (256 m + j) ln2/256 + r with |r| <= ln2/512 (plus a hair), so
//   e^x = 2^m * T * e^r,  T = 2^(j/256).
// r is carried as rh + rl to about 2^-110, and rh as ra + rb with ra on the
// grid of 2^-35 (26 significant bits). e^r - 1 - r comes from its Taylor
// polynomial to degree 6 in rh (truncation below 2^-79) plus the cross term
// rh*rl. T.alto*ra is exact as two products of the table's 26- and 27-bit
// parts. Against e^r*T, with T.alto in [1, 2), the error of alto + baixo is
// below 2^-68.9: 2^-70.1 from the polynomial (r^2/2 < 2^-20 with relative
// error 3*2^-53), 2^-70 from four roundings of sums and products below 2^-19
// and 2^-72 from the rounding of s and the term T.baixo*s left out. The
// result is at least 0.998*T.alto, and the test uses 2^-67.5 of alto.

namespace {

// alto + baixo within erro of e^x*2^-m, and m.
struct Aproximacao {
    double alto, baixo, erro;
    int m;
};

[[gnu::always_inline]] inline Aproximacao aproximar_exponencial(double x) {
    assert(x >= exp_menor_nao_nulo && x <= exp_maior_finito);
    assert(x <= -0x1p-54 || x >= 0x1p-54);
    const double deslocado = x * inv_ln2_256 + deslocador;  // k = round(x*256/ln2) in its low bits
    const double kd = deslocado - deslocador;                 // |kd| < 2^19
    const auto k = static_cast<std::int32_t>(std::bit_cast<std::uint64_t>(deslocado));
    // kd*ln2_256_1 and kd*ln2_256_2 are exact (34-bit constants), and so is
    // x - kd*ln2_256_1: it is a multiple of 2^-62 below 2^-9 in magnitude.
    const double t = x - kd * ln2_256_1;
    const Duplo r = soma_exata(t, -(kd * ln2_256_2));
    const double rh = r.alto;
    const double rl = r.baixo - kd * ln2_256_3;  // |rl| < 2^-59
    const double ra = (rh + 0x1.8p17) - 0x1.8p17;  // rh on the grid of 2^-35
    const double rb = rh - ra;                      // exact
    // e^r - 1 = ra + (rb + rl + q)
    // q = r^2 (1/2 + r/6 + r^2/24 + r^3/120 + r^4/720) + rh rl, in Estrin's
    // order (shorter dependency chains than Horner's, the same error bound).
    const double r2 = rh * rh;
    const double a = 0.5 + rh * (1.0 / 6.0);
    const double b = 1.0 / 24.0 + rh * (1.0 / 120.0);
    const double q = r2 * (a + r2 * (b + r2 * (1.0 / 720.0))) + rh * rl;
    const double s = (rb + rl) + q;
    const ValorTabelado& T = dois_j_256[k & 255];
    const double p = T.alto_26 * ra;  // exact, and so is T.resto_27*ra
    const Duplo soma = soma_rapida(T.alto, p);
    const double baixo = soma.baixo + (T.resto_27 * ra + (T.alto * s + (T.baixo + T.baixo * rh)));
    const double erro = soma.alto * 0x1.6a09e667f3bcdp-68;  // 2^-67.5
    return {soma.alto, baixo, erro, k >> 8};                // m = floor(k/256)
}

// The fast path where the result is normal (m > -1022): the rounding test,
// then the exact scaling by 2^m.
[[gnu::always_inline]] inline Rapido exponencial_normal(const Aproximacao& v) {
    Rapido resultado{v.alto, v.baixo, v.erro, v.m, false, 0.0};
    double arredondado;
    resultado.decidido = decidir(v.alto, v.baixo, v.erro, arredondado);
    resultado.resultado = escalar(arredondado, v.m);
    return resultado;
}

// The fast path below 2^-1021 (m <= -1022), where the result's unit is
// 2^-1074, g = 2^(-1074 - m) in the units of v = alto + baixo (from 2^-52 to
// 2). R = v.alto*2^m rounded once onto that grid is the candidate; with v
// renormalised the exact value lies within g of it, and which of R and its
// two neighbours is nearest follows from where the rest d + v.baixo =
// v - R*2^-m falls against the midpoints at -g/2 and g/2.
Rapido exponencial_subnormal(const Aproximacao& a) {
    assert(a.m <= -1022);
    Rapido resultado{a.alto, a.baixo, a.erro, a.m, false, 0.0};
    const Duplo v = soma_rapida(a.alto, a.baixo);
    const double R = escalar(v.alto, a.m);
    const double d = v.alto - escalar(R, -a.m);  // exact: both on alto's grid, |d| <= g/2
    const double g = potencia_de_dois(-1074 - a.m);
    const double resto = d + v.baixo;  // |resto| <= g; its rounding is far inside the margin
    const double de = resto - a.erro;
    const double ate = resto + a.erro;
    const double meio = 0.5 * g;
    if (de > -meio && ate < meio) {
        resultado.decidido = true;
        resultado.resultado = R;
    } else if (de > meio) {
        resultado.decidido = true;
        resultado.resultado = R + 0x1p-1074;
    } else if (ate < -meio) {
        resultado.decidido = true;
        resultado.resultado = R - 0x1p-1074;
    }
    return resultado;
}

Rapido exponencial_rapida_qualquer(double x) {
    const Aproximacao v = aproximar_exponencial(x);
    return v.m > -1022 ? exponencial_normal(v) : exponencial_subnormal(v);
}

// Every argument but those of the common case: NaNs, infinities, the tiny,
// the overflowing, and those of subnormal and zero results.
[[gnu::noinline]] double exponencial_nas_pontas(double x) {
    if (x != x) return x + x;  // NaN: quieted, payload kept
    if (x > exp_maior_finito) return eh_infinito(x) ? x : infinito_com_overflow();
    if (x < exp_menor_nao_nulo) return eh_infinito(x) ? 0.0 : zero_com_underflow();
    // Below 2^-54 in magnitude, e^x = 1 + x + x^2/2 + ... lies strictly
    // between the midpoints 1 - 2^-54 and 1 + 2^-53 around 1.
    if (x > -0x1p-54 && x < 0x1p-54) return 1.0 + x;
    const Rapido r = exponencial_rapida_qualquer(x);
    const double resultado = r.decidido ? r.resultado : exponencial_precisa(x);
    // A subnormal result always had to be rounded, but its last operation
    // may have been exact and left the flag down. (No exact value lies close
    // enough below 2^-1022 to round up to it and still count as tiny.)
    if (resultado < 0x1p-1022 && !base::intrinsecos::underflow_levantado()) levantar_underflow();
    return resultado;
}

}  // namespace

Rapido exponencial_rapida(double x) { return exponencial_rapida_qualquer(x); }

// ---------------------------------------------------------------------------
// Sine and cosine, fast path.
//
// Reduction: x = k pi/2 + y with |y| <= pi/4 (plus a hair), k mod 4 the
// quadrant. Below 2^20 (Cody-Waite): pi/2 as 33 + 33 + 53 bits, kd*P1 and
// kd*P2 exact, so y = yh + yl has absolute error below
// |kd|*2^-119 + 2^-106*|y|. From 2^20 on (Payne-Hanek): x*2/pi from a window
// of 256 bits of 2/pi in integer arithmetic, its fraction times pi/2 in
// double-double, relative error below 2^-100 (no double lies closer than
// 2^-61 to a multiple of pi/2).
//
// Evaluation: |y| = a + z with a = j/256 and |z| <= 2^-9,
//   sin(a + z) = S + C z + C (sin z - z) + S (cos z - 1)
//   cos(a + z) = C - S z - S (sin z - z) + C (cos z - 1)
// with S, C the table's sin a, cos a (double-doubles within 2^-106), sin z - z
// to degree 7 and cos z - 1 to degree 6 (truncation below 2^-87 and 2^-75
// relative to the result). The leading product C*z (or S*z) is exact for z
// on the grid of 2^-34, as two products of the table's 26- and 27-bit parts;
// the rest of z (below 2^-35) is multiplied in plain doubles. The
// error of alto + baixo against sin|y| or cos|y| is below 2^-68.7 of it: the
// largest parts are cos z - 1 (below 2^-19, relative rounding error 3*2^-53)
// times S, against a result of at least S/2, and three roundings of sums
// below 2^-19 * S. The test uses 2^-67 and adds the reduction's error.

namespace {

struct Reducao {
    Duplo y;
    int quadrante;
    double erro;  // absolute error of y.alto + y.baixo
};

// x*2/pi's fraction (Payne-Hanek, |x| >= 2^20) as the double-double y and
// the quadrant.
Reducao reduzir_grande(double x) {
    const bool negativo = x < 0.0;
    int quadrante = 0;
    const Fixo<5> f = reduzir_payne_hanek<5>(negativo ? -x : x, 4, quadrante);
    const bool fracao_negativa = eh_negativo(f);
    const Fixo<5> m = modulo(f);
    // The leading 53 bits and the next 63 of |f|; bit 0 has weight 2^-256.
    const int topo = bit_mais_alto(m);
    const std::uint64_t u1 = janela(m, topo - 63);
    const std::uint64_t u2 = janela(m, topo - 127);
    const double fa = escalar(static_cast<double>(u1 >> 11), topo - 52 - 256);
    const double fb = escalar(static_cast<double>(((u1 & 0x7ff) << 52) | (u2 >> 12)), topo - 115 - 256);
    const Duplo p = produto_exato(fa, pi_2.alto);
    Duplo y = soma_rapida(p.alto, p.baixo + (fa * pi_2.baixo + fb * pi_2.alto));
    if (fracao_negativa != negativo) y = {-y.alto, -y.baixo};
    // sin(-x) = -sin(x): -x is in quadrant -q with reduced argument -y.
    if (negativo) quadrante = (4 - quadrante) & 3;
    return {y, quadrante, (y.alto < 0.0 ? -y.alto : y.alto) * 0x1p-100};
}

// Cody-Waite, for |x| < 2^20.
[[gnu::always_inline]] inline Reducao reduzir_pequeno(double x) {
    const double deslocado = x * dois_sobre_pi + deslocador;  // k = round(2x/pi) in its low bits
    const double kd = deslocado - deslocador;                 // |kd| < 2^20
    // kd*pi_2_1 and kd*pi_2_2 are exact, and x - kd*pi_2_1 is exact: a
    // multiple of 2^-53 below 1 in magnitude (or x itself when kd = 0).
    const double t = x - kd * pi_2_1;
    const Duplo y = soma_exata(t, -(kd * pi_2_2));
    const double yl = y.baixo - kd * pi_2_3;
    const double ay = y.alto < 0.0 ? -y.alto : y.alto;
    const double ak = kd < 0.0 ? -kd : kd;
    return {{y.alto, yl}, static_cast<int>(std::bit_cast<std::uint64_t>(deslocado) & 3), ak * 0x1p-119 + ay * 0x1p-106};
}

Reducao reduzir(double x) { return x < 0x1p20 && x > -0x1p20 ? reduzir_pequeno(x) : reduzir_grande(x); }

// sin or cos (quadrante 0 or 1) from x's reduction.
[[gnu::always_inline]] inline Rapido seno_reduzido(const Reducao& reducao, int quadrante) {
    const int q = (reducao.quadrante + quadrante) & 3;
    // With |y| = a + z: sin|y| = U + V z + V (sin z - z) + U (cos z - 1) for
    // U = S, V = C; cos|y| is the same with U = C, V = S and z negated
    // (cos(a + z) = C cos z - S sin z). |U.alto| >= |V.alto z| or U = 0.
    const bool y_negativo = reducao.y.alto < 0.0;
    const double yh = y_negativo ? -reducao.y.alto : reducao.y.alto;
    const double yl = y_negativo ? -reducao.y.baixo : reducao.y.baixo;
    // j = round(256 |y|) in the low bits of jd, at most 202 for |y| <= pi/4
    // plus a hair; the 8-bit mask keeps it within the tables also in another
    // rounding mode, where the reduction may miss by a quadrant.
    const double jd = yh * 256.0 + deslocador;
    const auto j = static_cast<int>(std::bit_cast<std::uint64_t>(jd) & 0xff);
    const bool cosseno = (q & 1) != 0;
    const double sinal_z = cosseno ? -1.0 : 1.0;
    const double zh = sinal_z * (yh - (jd - deslocador) * 0x1p-8);  // exact
    const double zl = sinal_z * yl;
    const ValorTabelado& U = cosseno ? cosseno_j_256[j] : seno_j_256[j];
    const ValorTabelado& V = cosseno ? seno_j_256[j] : cosseno_j_256[j];
    const double z2 = zh * zh;
    // sin z - z and cos z - 1, each with its first-order term in zl (which
    // the Cody-Waite reduction may leave as large as 2^-50 beside a small zh).
    const double seno_z = zh * z2 * (-1.0 / 6.0 + z2 * (1.0 / 120.0 - z2 * (1.0 / 5040.0))) - 0.5 * z2 * zl;
    const double cosseno_z = z2 * (-0.5 + z2 * (1.0 / 24.0 - z2 * (1.0 / 720.0))) - zh * zl;
    // z on the grid of 2^-34 (26 significant bits), za, and the rest zb; but
    // for j = 0 the sine's V is 1 and V z is exact as it stands, while the
    // rounding of zb + zl would be too large against a result as small as z.
    const double za = j == 0 ? zh : (zh + 0x1.8p18) - 0x1.8p18;
    const double zb = zh - za;  // exact
    const double p = V.alto_26 * za;                // exact, and so is V.resto_27*za
    const Duplo soma = soma_rapida(U.alto, p);
    const double baixo =
        soma.baixo + (V.resto_27 * za + (((V.alto * (zb + zl) + V.baixo * zh) + U.baixo) +
                                         (V.alto * seno_z + U.alto * cosseno_z)));
    // Sign: sin y for even q (negative for q = 2 and for y < 0, not both),
    // cos y for odd q (negative for q = 3).
    const bool negativo = ((q >> 1) != 0) != (y_negativo && !cosseno);
    const double erro = soma.alto * 0x1p-67 + reducao.erro;
    Rapido resultado{negativo ? -soma.alto : soma.alto, negativo ? -baixo : baixo, erro, 0, false, 0.0};
    resultado.decidido = decidir(resultado.alto, resultado.baixo, erro, resultado.resultado);
    return resultado;
}

// Every argument but those of the common case: NaNs, infinities, the tiny
// and the huge.
[[gnu::noinline]] double seno_nas_pontas(double x) {
    if (x != x) return x + x;          // NaN: quieted, payload kept
    if (eh_infinito(x)) return x - x;  // invalid, NaN
    // Below 2^-26, sin x = x (1 - x^2/6 + ...) with x^2/6 < 2^-54.58: above
    // x - ulp/2 even where x is a power of two and the ulp below it is
    // half the one above. So sin x rounds to x, inexactly unless x = 0, and
    // below 2^-1022 the result is subnormal.
    if (x > -0x1p-26 && x < 0x1p-26) {
        if (x > -0x1p-1022 && x < 0x1p-1022) {
            if (x != 0.0) levantar_underflow();
        } else {
            levantar_inexato();
        }
        return x;
    }
    const Rapido r = seno_reduzido(reduzir_grande(x), 0);
    return r.decidido ? r.resultado : seno_preciso(x, 0);
}

}  // namespace

Rapido seno_rapido(double x, int quadrante) {
    assert(x == x && !eh_infinito(x));
    assert(x <= -0x1p-26 || x >= 0x1p-26);
    return seno_reduzido(reduzir(x), quadrante);
}

namespace {

// The common case in one comparison of |x|'s bits: 2^-54 <= |x| < 708,
// where the result is normal and the scaling by 2^m a single product.
[[gnu::always_inline]] inline double exponencial_qualquer(double x) {
    const std::uint64_t magnitude = std::bit_cast<std::uint64_t>(x) & 0x7fffffffffffffff;
    constexpr std::uint64_t de = 0x3c90000000000000;  // 2^-54
    constexpr std::uint64_t ate = 0x4086200000000000;  // 708
    if (magnitude - de >= ate - de) [[unlikely]] return exponencial_nas_pontas(x);
    const Aproximacao v = aproximar_exponencial(x);
    double arredondado;
    if (!decidir(v.alto, v.baixo, v.erro, arredondado)) return exponencial_precisa(x);
    return arredondado * potencia_de_dois(v.m);  // -1022 <= m <= 1021, e^x > e^-708 > 2^-1022
}

// The common case in one comparison of |x|'s bits: 2^-26 <= |x| < 2^20,
// reduced by Cody-Waite.
[[gnu::always_inline]] inline double seno_qualquer(double x) {
    const std::uint64_t magnitude = std::bit_cast<std::uint64_t>(x) & 0x7fffffffffffffff;
    constexpr std::uint64_t de = 0x3e50000000000000;  // 2^-26
    constexpr std::uint64_t ate = 0x4130000000000000;  // 2^20
    if (magnitude - de >= ate - de) [[unlikely]] return seno_nas_pontas(x);
    const Rapido r = seno_reduzido(reduzir_pequeno(x), 0);
    return r.decidido ? r.resultado : seno_preciso(x, 0);
}

// arcsin(v) for |v| <= 1/2 to about a unit in the last place: Taylor's first
// terms, then Newton's steps on sin z = v with the fast sine and cosine.
double arco_seno_aproximado(double v) {
    if (v > -0x1p-26 && v < 0x1p-26) return v;
    const double v2 = v * v;
    double z = v + v * v2 * (1.0 / 6.0 + v2 * (3.0 / 40.0 + v2 * (15.0 / 336.0)));
    for (int passo = 0; passo < 3; ++passo) {
        const Rapido s = seno_rapido(z, 0);
        const Rapido c = seno_rapido(z, 1);
        z = z - ((s.alto - v) + s.baixo) / c.alto;
    }
    return z;
}

double arco_cosseno_qualquer(double x) {
    if (x != x) return x + x;
    if (x > 1.0 || x < -1.0) return (x - x) / (x - x);  // invalid, NaN
    if (x == 1.0) return 0.0;
    if (x == -1.0) {
        levantar_inexato();
        return pi.alto;  // the double nearest pi
    }
    // Below 2^-55 in magnitude, arccos x = pi/2 - x - ... lies within
    // 2^-53.9 + 2^-55 < 2^-53 (half an ulp) of the double nearest pi/2.
    if (x > -0x1p-55 && x < 0x1p-55) {
        levantar_inexato();
        return pi_2.alto;
    }
    // A candidate within a few units in the last place, which the accurate
    // path then checks against cos at the midpoints around it.
    const double a = x < 0.0 ? -x : x;
    double candidato;
    if (a <= 0.5) {
        candidato = (pi_2.alto - arco_seno_aproximado(x)) + pi_2.baixo;
    } else {
        // arccos a = 2 arcsin(sqrt((1 - a)/2)), 1 - a exact.
        const double w = 2.0 * arco_seno_aproximado(base::intrinsecos::raiz_quadrada((1.0 - a) * 0.5));
        candidato = x > 0.0 ? w : (pi.alto - w) + pi.baixo;
    }
    // Rounding to nearest, the candidate lies in [2^-26, pi) (arccos of the
    // double next to 1 is about 2^-26). In another rounding mode the Newton
    // steps may wander off; the check works only on candidates in range.
    if (!(candidato >= 0x1p-27 && candidato <= pi.alto)) candidato = pi_2.alto;
    return arco_cosseno_preciso(x, candidato);
}

// The functions round correctly only when the operations round to nearest.
[[maybe_unused]] bool arredondamento_ao_mais_proximo() { return std::fegetround() == FE_TONEAREST; }

}  // namespace

double exponencial_em_qualquer_modo(double x) { return exponencial_qualquer(x); }
double seno_em_qualquer_modo(double x) { return seno_qualquer(x); }
double arco_cosseno_em_qualquer_modo(double x) { return arco_cosseno_qualquer(x); }

}  // namespace detalhe

double exponencial(double x) {
    assert(detalhe::arredondamento_ao_mais_proximo());
    return detalhe::exponencial_qualquer(x);
}

double seno(double x) {
    assert(detalhe::arredondamento_ao_mais_proximo());
    return detalhe::seno_qualquer(x);
}

double arco_cosseno(double x) {
    assert(detalhe::arredondamento_ao_mais_proximo());
    return detalhe::arco_cosseno_qualquer(x);
}

}  // namespace servicos::elementares
