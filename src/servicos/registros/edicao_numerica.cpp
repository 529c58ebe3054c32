// E and I editing. Everything works on the bit pattern of the double with
// integer arithmetic: no floating-point operation runs here, so a NaN, an
// infinity or a subnormal value raises no flag and never trips the
// floating-point traps of the program.
//
// The decimal digits come from floor(2·|x|·10^t), t chosen so that the result
// has 17 or 18 digits. A 128-bit approximation of 10^t almost always decides
// that floor; the rare products that land too close to an integer boundary
// are settled by an exact big-integer comparison.
#include "servicos/registros/edicao_numerica.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string_view>

#include "servicos/base/intrinsecos.hpp"

namespace servicos::registros {

namespace edicao {

namespace {

using base::intrinsecos::u128;

// ---------------------------------------------------------------------------
// Natural numbers of up to 48·32 bits, enough for m·5^342 and for 2^1024.
class Natural {
public:
    static constexpr int maximo_partes = 48;

    constexpr Natural() = default;
    constexpr explicit Natural(std::uint64_t valor) {
        while (valor != 0) {
            partes_[tamanho_++] = static_cast<std::uint32_t>(valor);
            valor >>= 32;
        }
    }

    static constexpr Natural potencia_de_dois(int expoente) {
        Natural n(1);
        n.deslocar_esquerda(expoente);
        return n;
    }

    constexpr void multiplicar(std::uint32_t fator) {
        std::uint64_t vai_um = 0;
        for (int i = 0; i < tamanho_; ++i) {
            const std::uint64_t produto = std::uint64_t{partes_[i]} * fator + vai_um;
            partes_[i] = static_cast<std::uint32_t>(produto);
            vai_um = produto >> 32;
        }
        if (vai_um != 0) partes_[tamanho_++] = static_cast<std::uint32_t>(vai_um);
    }

    constexpr void multiplicar_potencia_de_cinco(int expoente) {
        constexpr std::uint32_t cinco_a_13 = 1220703125;  // the largest power of 5 below 2^32
        for (; expoente >= 13; expoente -= 13) multiplicar(cinco_a_13);
        std::uint32_t resto = 1;
        for (; expoente > 0; --expoente) resto *= 5;
        multiplicar(resto);
    }

    constexpr void deslocar_esquerda(int bits) {
        if (tamanho_ == 0 || bits == 0) return;
        const int partes = bits / 32;
        const int dentro = bits % 32;
        int novo_tamanho = tamanho_ + partes + 1;
        for (int i = novo_tamanho - 1; i >= partes; --i) {
            const int origem = i - partes;
            std::uint64_t v = origem < tamanho_ ? std::uint64_t{partes_[origem]} << dentro : 0;
            if (dentro != 0 && origem >= 1 && origem - 1 < tamanho_) v |= partes_[origem - 1] >> (32 - dentro);
            partes_[i] = static_cast<std::uint32_t>(v);
        }
        for (int i = 0; i < partes; ++i) partes_[i] = 0;
        while (novo_tamanho > 0 && partes_[novo_tamanho - 1] == 0) --novo_tamanho;
        tamanho_ = novo_tamanho;
    }

    // Floor division by a small divisor, in place.
    constexpr void dividir(std::uint32_t divisor) {
        std::uint64_t resto = 0;
        for (int i = tamanho_ - 1; i >= 0; --i) {
            const std::uint64_t atual = (resto << 32) | partes_[i];
            partes_[i] = static_cast<std::uint32_t>(atual / divisor);
            resto = atual % divisor;
        }
        while (tamanho_ > 0 && partes_[tamanho_ - 1] == 0) --tamanho_;
    }

    constexpr int bits() const {
        if (tamanho_ == 0) return 0;
        return 32 * (tamanho_ - 1) + std::bit_width(partes_[tamanho_ - 1]);
    }

    constexpr bool bit(int indice) const {
        const int parte = indice / 32;
        return parte < tamanho_ && ((partes_[parte] >> (indice % 32)) & 1u) != 0;
    }

    friend constexpr int comparar(const Natural& a, const Natural& b) {
        if (a.tamanho_ != b.tamanho_) return a.tamanho_ < b.tamanho_ ? -1 : 1;
        for (int i = a.tamanho_ - 1; i >= 0; --i) {
            if (a.partes_[i] != b.partes_[i]) return a.partes_[i] < b.partes_[i] ? -1 : 1;
        }
        return 0;
    }

private:
    std::uint32_t partes_[maximo_partes]{};
    int tamanho_ = 0;
};

// ---------------------------------------------------------------------------
// Powers of ten as 128-bit mantissas: 10^t ≈ (alto·2^64 + baixo)·2^expoente2,
// the mantissa in [2^127, 2^128). For t >= 0 it is 5^t truncated (exact up to
// 5^55); for t < 0 it is 2^c/5^-t rounded up. The two directions make the
// error of a product one-sided, which is what the exactness test relies on.
struct Potencia {
    std::uint64_t alto;
    std::uint64_t baixo;
    int expoente2;
};

// |x| lies in [2^-1074, 2^1024): t = 17 - p runs over [-291, 340]; a little slack.
constexpr int maior_t = 342;
constexpr int maior_u = 293;
constexpr int maior_t_exato = 55;

struct TabelaPotencias {
    std::array<Potencia, maior_t + 1> positivas{};
    std::array<Potencia, maior_u + 1> negativas{};
};

constexpr Potencia mantissa_de(const Natural& n, int desde_bit, int expoente2, bool somar_um) {
    u128 v = 0;
    for (int i = 127; i >= 0; --i) v = (v << 1) | (n.bit(desde_bit + i) ? 1u : 0u);
    if (somar_um) v += 1;
    return {static_cast<std::uint64_t>(v >> 64), static_cast<std::uint64_t>(v), expoente2};
}

consteval TabelaPotencias gerar_tabela() {
    TabelaPotencias tabela;
    Natural cinco(1);
    for (int t = 0; t <= maior_t; ++t) {
        const int l = cinco.bits();
        if (l <= 128) {
            Natural deslocado = cinco;
            deslocado.deslocar_esquerda(128 - l);
            tabela.positivas[t] = mantissa_de(deslocado, 0, l - 128 + t, false);
        } else {
            tabela.positivas[t] = mantissa_de(cinco, l - 128, l - 128 + t, false);
        }
        cinco.multiplicar(5);
    }
    // floor(2^K/5^u) by repeated floor divisions by 5; its bits from K - c on
    // are floor(2^c/5^u), c = 127 + bits(5^u), which lies in [2^127, 2^128).
    constexpr int k = 1024;
    Natural quociente = Natural::potencia_de_dois(k);
    cinco = Natural(1);
    for (int u = 1; u <= maior_u; ++u) {
        quociente.dividir(5);
        cinco.multiplicar(5);
        const int c = 127 + cinco.bits();
        tabela.negativas[u] = mantissa_de(quociente, k - c, -c - u, true);
        if (tabela.negativas[u].alto >> 63 == 0) throw "a rounded-up mantissa left [2^127, 2^128)";
    }
    return tabela;
}

constexpr TabelaPotencias tabela = gerar_tabela();

// floor(E·log10 2) as (E·78913) >> 18 holds for |E| <= 1650; checked here
// against a 60-bit constant over the whole range of binary exponents.
consteval bool log10_de_2_confere() {
    constexpr long long log10_2_60 = 347063955532709820LL;  // floor(log10(2)·2^60)
    for (int e = -1100; e <= 1100; ++e) {
        const base::intrinsecos::i128 preciso = (static_cast<base::intrinsecos::i128>(e) * log10_2_60) >> 60;
        if ((e * 78913) >> 18 != preciso) return false;
    }
    return true;
}
static_assert(log10_de_2_confere());

// x = m·2^e with 2^52 <= m < 2^53 (subnormals normalised).
struct Decomposto {
    std::uint64_t m;
    int e;
};

Decomposto decompor(std::uint64_t bits) {
    const std::uint64_t fracao = bits & ((std::uint64_t{1} << 52) - 1);
    const int expoente_bruto = static_cast<int>((bits >> 52) & 0x7FF);
    if (expoente_bruto != 0) return {fracao | (std::uint64_t{1} << 52), expoente_bruto - 1075};
    const int deslocamento = std::countl_zero(fracao) - 11;
    return {fracao << deslocamento, -1074 - deslocamento};
}

// First guess of p from the binary exponent: either p or p - 1.
int estimar_p(int e) { return ((e + 52) * 78913 >> 18) + 1; }

// Whether m·2^e·10^t >= c, exactly.
bool alcanca(std::uint64_t m, int e, int t, std::uint64_t c) {
    Natural esquerda(m);
    Natural direita(c);
    if (t >= 0) {
        esquerda.multiplicar_potencia_de_cinco(t);
    } else {
        direita.multiplicar_potencia_de_cinco(-t);
    }
    const int g = e + t;
    if (g >= 0) {
        esquerda.deslocar_esquerda(g);
    } else {
        direita.deslocar_esquerda(-g);
    }
    return comparar(esquerda, direita) >= 0;
}

// floor(2·m·2^e·10^t) for the t that makes it an 18- or 19-digit number.
std::uint64_t piso_do_dobro(std::uint64_t m, int e, int t) {
    const std::uint64_t m2 = m << 1;
    const Potencia& pot = t >= 0 ? tabela.positivas[static_cast<std::size_t>(t)]
                                 : tabela.negativas[static_cast<std::size_t>(-t)];
    const u128 baixo = static_cast<u128>(m2) * pot.baixo;
    const u128 alto = static_cast<u128>(m2) * pot.alto + (baixo >> 64);
    // The product lies in [2^180, 2^182) and the result in [2^54, 2^61), so the
    // shift takes 119 to 128 bits: 55 to 64 of them from `alto`.
    const int deslocamento = -(e + pot.expoente2) - 64;
    const u128 mascara = (u128{1} << deslocamento) - 1;
    const std::uint64_t q = static_cast<std::uint64_t>(alto >> deslocamento);
    const u128 resto_alto = alto & mascara;
    const std::uint64_t resto_baixo = static_cast<std::uint64_t>(baixo);
    if (t > maior_t_exato) {
        // Truncated mantissa: the exact product lies in [produto, produto + m2).
        if (resto_alto == mascara && resto_baixo + m2 < resto_baixo) return alcanca(m2, e, t, q + 1) ? q + 1 : q;
    } else if (t < 0) {
        // Rounded-up mantissa: the exact product lies in (produto - m2, produto].
        if (resto_alto == 0 && resto_baixo < m2) return alcanca(m2, e, t, q) ? q : q - 1;
    }
    return q;
}

constexpr std::uint64_t potencias_de_dez[18] = {
    1ULL,
    10ULL,
    100ULL,
    1000ULL,
    10000ULL,
    100000ULL,
    1000000ULL,
    10000000ULL,
    100000000ULL,
    1000000000ULL,
    10000000000ULL,
    100000000000ULL,
    1000000000000ULL,
    10000000000000ULL,
    100000000000000ULL,
    1000000000000000ULL,
    10000000000000000ULL,
    100000000000000000ULL,
};

// From F = floor(2·|x|·10^(17-p)): a too small p guess shows as 18 digits in
// F/2; then the 17 digits rounded half up on the 18th.
DigitosDecimais concluir(std::uint64_t f, int p) {
    if (f >= 2 * potencias_de_dez[17]) {
        f /= 10;
        ++p;
    }
    std::uint64_t digitos = (f + 1) >> 1;
    if (digitos == potencias_de_dez[17]) {
        digitos = potencias_de_dez[16];
        ++p;
    }
    return {digitos, p};
}

}  // namespace

DigitosDecimais arredondamento_inicial(std::uint64_t bits) {
    const Decomposto x = decompor(bits);
    const int p = estimar_p(x.e);
    return concluir(piso_do_dobro(x.m, x.e, 17 - p), p);
}

DigitosDecimais arredondamento_inicial_exato(std::uint64_t bits) {
    const Decomposto x = decompor(bits);
    int p = estimar_p(x.e);
    while (alcanca(x.m, x.e, -p, 1)) ++p;
    while (!alcanca(x.m, x.e, 1 - p, 1)) --p;
    // 2·|x|·10^(17-p) < 2·10^17 < 2^58: bisection bit by bit.
    std::uint64_t f = 0;
    for (int b = 58; b >= 0; --b) {
        const std::uint64_t candidato = f | (std::uint64_t{1} << b);
        if (alcanca(x.m << 1, x.e, 17 - p, candidato)) f = candidato;
    }
    return concluir(f, p);
}

namespace {

// Second rounding: cut the 17 digits to n (0 to 16), looking only at digit
// n + 1. A carry out of n 9s gives 1 followed by zeros and raises p.
std::uint64_t segundo_arredondamento(std::uint64_t digitos, int n, int& p) {
    if (n == 16) {  // the program's case, with constant divisors
        std::uint64_t q = digitos / 10;
        if (digitos % 10 >= 5) ++q;
        if (q == potencias_de_dez[16]) {
            q = potencias_de_dez[15];
            ++p;
        }
        return q;
    }
    const std::uint64_t divisor = potencias_de_dez[17 - n];
    std::uint64_t q = digitos / divisor;
    if (digitos % divisor >= divisor / 2) ++q;
    if (q == potencias_de_dez[n]) {
        q = n > 0 ? potencias_de_dez[n - 1] : 0;
        ++p;
    }
    return q;
}

constexpr char pares_de_digitos[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

void escrever_par(char* s, std::uint32_t v) { std::memcpy(s, pares_de_digitos + 2 * v, 2); }

void escrever_8_digitos(char* s, std::uint32_t v) {
    const std::uint32_t alto = v / 10000;
    const std::uint32_t baixo = v % 10000;
    escrever_par(s, alto / 100);
    escrever_par(s + 2, alto % 100);
    escrever_par(s + 4, baixo / 100);
    escrever_par(s + 6, baixo % 100);
}

// The 16 decimal digits of v < 10^16, with leading zeros.
void escrever_16_digitos(char* s, std::uint64_t v) {
    escrever_8_digitos(s, static_cast<std::uint32_t>(v / 100000000));
    escrever_8_digitos(s + 8, static_cast<std::uint32_t>(v % 100000000));
}

std::size_t asteriscos(char* saida, std::size_t largura) {
    std::memset(saida, '*', largura);
    return largura;
}

// `quantos` digits of the string from position `de`, zeros past its end.
char* copiar_digitos(char* s, const char* digitos, int n, int de, int quantos) {
    const int disponiveis = std::clamp(n - de, 0, quantos);
    std::memcpy(s, digitos + de, static_cast<std::size_t>(disponiveis));
    std::memset(s + disponiveis, '0', static_cast<std::size_t>(quantos - disponiveis));
    return s + quantos;
}

std::size_t editar_nao_finito(std::uint64_t bits, std::size_t largura, char* saida) {
    const std::uint64_t fracao = bits & ((std::uint64_t{1} << 52) - 1);
    const std::uint64_t bit_silencioso = std::uint64_t{1} << 51;
    const bool negativo = (bits >> 63) != 0;
    std::string_view texto = "1#SNAN";
    if (fracao == 0) {
        texto = "1#INF";
    } else if ((fracao & bit_silencioso) != 0) {
        texto = negativo && fracao == bit_silencioso ? "1#IND" : "1#QNAN";
    }
    if (texto.size() > largura) return asteriscos(saida, largura);
    std::memcpy(saida, texto.data(), texto.size());
    std::memset(saida + texto.size(), '.', largura - texto.size());
    return largura;
}

char* escrever_expoente(char* s, int expoente) {
    const bool negativo = expoente < 0;
    const std::uint32_t modulo = static_cast<std::uint32_t>(negativo ? -expoente : expoente);
    if (modulo <= 99) {
        *s++ = 'E';
        *s++ = negativo ? '-' : '+';
    } else {
        *s++ = negativo ? '-' : '+';
        *s++ = static_cast<char>('0' + modulo / 100);
    }
    escrever_par(s, modulo % 100);
    return s + 2;
}

// The program's own field, 1P,E25.15: always 4 blanks (3 and a minus sign),
// one digit, the period, 15 digits and a 4-character exponent, so every piece
// has a fixed place.
std::size_t editar_E25_15_1P(std::uint64_t bits, char* saida) {
    const bool negativo = (bits >> 63) != 0 && (bits << 1) != 0;
    std::uint64_t digitos = 0;
    int expoente = 0;
    if ((bits << 1) != 0) {
        const DigitosDecimais primeiro = arredondamento_inicial(bits);
        int p = primeiro.p;
        digitos = segundo_arredondamento(primeiro.digitos, 16, p);
        expoente = p - 1;
    }
    char cadeia[16];
    escrever_16_digitos(cadeia, digitos);
    std::memcpy(saida, "    ", 4);
    if (negativo) saida[3] = '-';
    saida[4] = cadeia[0];
    saida[5] = '.';
    std::memcpy(saida + 6, cadeia + 1, 15);
    escrever_expoente(saida + 21, expoente);
    return 25;
}

}  // namespace

}  // namespace edicao

std::size_t editar_E(double valor, int w, int d, int k, char* saida) {
    using namespace edicao;
    if (w <= 0) return 0;
    const auto largura = static_cast<std::size_t>(w);
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(valor);
    if (((bits >> 52) & 0x7FF) == 0x7FF) return editar_nao_finito(bits, largura, saida);
    if (w == 25 && d == 15 && k == 1) return editar_E25_15_1P(bits, saida);
    // d digits or more never fit in w < d + 5 characters; k digits before the
    // period need k <= d + 1; -k zeros after it need d + k >= 0.
    if (d < 0 || d >= w || (k > 0 ? k > d + 1 : d + k < 0)) return asteriscos(saida, largura);

    const int n = std::min(k > 0 ? d + 1 : d + k, 16);
    bool negativo = (bits >> 63) != 0;
    std::uint64_t digitos = 0;
    std::int64_t expoente = 0;  // p - k, with k as large as the field allows
    if ((bits << 1) == 0) {
        negativo = false;  // zero of either sign: the digit 0, exponent 0, no sign
    } else {
        const DigitosDecimais primeiro = arredondamento_inicial(bits);
        int p = primeiro.p;
        digitos = segundo_arredondamento(primeiro.digitos, n, p);
        expoente = std::int64_t{p} - k;
    }
    // The default exponent form has room for three digits at most.
    if (expoente < -999 || expoente > 999) return asteriscos(saida, largura);

    const bool zero_antes_do_ponto = k <= 0 && d == 0;  // no digit at all otherwise
    // sign, d + 1 digits (k > 0) or d digits and a zero (k <= 0), period, exponent of 4
    const std::size_t comprimento = (negativo ? 1u : 0u) + static_cast<std::size_t>(d) + 5u +
                                    (k > 0 || zero_antes_do_ponto ? 1u : 0u);
    if (comprimento > largura) return asteriscos(saida, largura);

    char cadeia[16];
    escrever_16_digitos(cadeia, digitos);
    const char* algarismos = cadeia + 16 - n;

    std::memset(saida, ' ', largura - comprimento);
    char* s = saida + (largura - comprimento);
    if (negativo) *s++ = '-';
    if (k > 0) {
        s = copiar_digitos(s, algarismos, n, 0, k);
        *s++ = '.';
        s = copiar_digitos(s, algarismos, n, k, d - k + 1);
    } else {
        if (zero_antes_do_ponto) *s++ = '0';
        *s++ = '.';
        std::memset(s, '0', static_cast<std::size_t>(-k));
        s += -k;
        s = copiar_digitos(s, algarismos, n, 0, d + k);
    }
    escrever_expoente(s, static_cast<int>(expoente));
    return largura;
}

std::size_t editar_I(std::int32_t valor, int w, char* saida) {
    if (w <= 0) return 0;
    const auto largura = static_cast<std::size_t>(w);
    std::uint32_t modulo = valor < 0 ? 0u - static_cast<std::uint32_t>(valor) : static_cast<std::uint32_t>(valor);
    char algarismos[10];
    std::size_t quantos = 0;
    do {
        algarismos[9 - quantos++] = static_cast<char>('0' + modulo % 10);
        modulo /= 10;
    } while (modulo != 0);
    const std::size_t comprimento = quantos + (valor < 0 ? 1u : 0u);
    if (comprimento > largura) return edicao::asteriscos(saida, largura);
    char* s = saida;
    std::memset(s, ' ', largura - comprimento);
    s += largura - comprimento;
    if (valor < 0) *s++ = '-';
    std::memcpy(s, algarismos + 10 - quantos, quantos);
    return largura;
}

}  // namespace servicos::registros
