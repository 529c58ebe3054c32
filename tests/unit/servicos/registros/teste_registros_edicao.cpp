// E and I editing: the program's E25.15 field, other widths, digit counts and
// scale factors, the two roundings on their boundaries, non-finite values,
// and a comparison with an independent exact reference over a large sample.
#include <gtest/gtest.h>

#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "servicos/plataforma/plataforma.hpp"
#include "servicos/registros/edicao_numerica.hpp"
#include "servicos/registros/registros.hpp"

namespace {

using servicos::registros::editar_E;
using servicos::registros::editar_I;

std::string E(double valor, int w, int d, int k) {
    std::string campo(static_cast<std::size_t>(std::max(w, 0)), '?');
    const std::size_t escritos = editar_E(valor, w, d, k, campo.data());
    EXPECT_EQ(escritos, campo.size());
    return campo;
}

std::string E25(double valor) { return E(valor, 25, 15, 1); }

std::string I(std::int32_t valor, int w) {
    std::string campo(static_cast<std::size_t>(std::max(w, 0)), '?');
    const std::size_t escritos = editar_I(valor, w, campo.data());
    EXPECT_EQ(escritos, campo.size());
    return campo;
}

double de_bits(std::uint64_t bits) { return std::bit_cast<double>(bits); }

TEST(EdicaoE, CampoDoProgramaE25_15Com1P) {
    struct Caso {
        double valor;
        const char* campo;
    };
    const Caso casos[] = {
        {1.0, "    1.000000000000000E+00"},
        {-0.5, "   -5.000000000000000E-01"},
        {0.0, "    0.000000000000000E+00"},
        {-0.0, "    0.000000000000000E+00"},
        {0.1, "    1.000000000000000E-01"},
        {123456.789, "    1.234567890000000E+05"},
        {2.0 / 3.0, "    6.666666666666666E-01"},
        {1.0e100, "    1.000000000000000+100"},
        {1.0e-300, "    1.000000000000000-300"},
        {-1.0e-100, "   -1.000000000000000-100"},
        {1.0e-99, "    1.000000000000000E-99"},
        {9.112847118503351, "    9.112847118503352E+00"},
        {1.0e99, "    1.000000000000000E+99"},
        {-1.0e99, "   -1.000000000000000E+99"},
        {63.53102368087354, "    6.353102368087354E+01"},
        {-5.552262755252836, "   -5.552262755252836E+00"},
        {1.0e22, "    1.000000000000000E+22"},
        {1.0e23, "    9.999999999999999E+22"},
        {de_bits(1), "    4.940656458412465-324"},  // smallest subnormal
        {de_bits(0x000FFFFFFFFFFFFF), "    2.225073858507201-308"},  // largest subnormal
        {de_bits(0x0010000000000000), "    2.225073858507201-308"},  // smallest normal
        {std::numeric_limits<double>::max(), "    1.797693134862316+308"},
        {-std::numeric_limits<double>::max(), "   -1.797693134862316+308"},
        {9007199254740993.0, "    9.007199254740992E+15"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.campo);
        EXPECT_EQ(E25(c.valor), c.campo);
    }
}

// Values on the edges of the two roundings. The first stage truncates the
// exact value to 18 digits and rounds half up at the 17th; the second looks
// only at digit 17 of that result, so some values are rounded twice.
TEST(EdicaoE, FronteirasDasDuasRodadas) {
    struct Caso {
        double valor;
        const char* digitos_exatos;  // leading digits of the exact value, for the reader
        const char* campo;
    };
    const Caso casos[] = {
        // 17th digit 4, 18th digit 9: the first stage makes it 5, the second rounds up.
        {9.112847118503351, "91128471185033514956", "    9.112847118503352E+00"},
        // 17th digit 4 then 5 followed by zeros: the same double rounding.
        {0x1.34f7eb71ed3bfp+9, "617936872711979845007590", "    6.179368727119799E+02"},
        {0x1.f0fc76293809bp-75, "513871663929276545007931", "    5.138716639292766E-23"},
        {0x1.cbf80383fef03p+97, "284706899426509945002981", "    2.847068994265100E+29"},
        // 18th digit 4 followed by 9s: truncation keeps the 17th digit at 4.
        {0x1.359ec80772261p-92, "244247302565768444999428", "    2.442473025657684E-28"},
        {0x1.cd7fa33049183p-77, "119294587890267344999125", "    1.192945878902673E-23"},
        {0x1.ab7fb1ac12f33p-10, "163077852177457844999597", "    1.630778521774578E-03"},
        // Exactly 17 digits ending in 5: half up, not to even.
        {0x1.0p-24, "59604644775390625", "    5.960464477539063E-08"},
        {0x1.4p-20, "11920928955078125", "    1.192092895507813E-06"},
        {0x1.a4p-14, "10013580322265625", "    1.001358032226563E-04"},
        // Exactly 18 digits ending in 5.
        {0x1.0p-25, "298023223876953125", "    2.980232238769531E-08"},
        // Seventeen 9s carried by the first rounding: p goes up.
        {0x1.6849b86a12b9bp-47, "9999999999999999988193", "    1.000000000000000E-14"},
        {0x1.7688bb5394c25p+325, "9999999999999999976903", "    1.000000000000000E+98"},
        {0x1.7151b377c247ep+428, "9999999999999999982174", "    1.000000000000000+129"},
        {0x1.b4feb7eb212cdp-808, "9999999999999999953834", "    1.000000000000000-243"},
        {0x1.7b6d71d20b96cp-263, "9999999999999999988787", "    1.000000000000000E-79"},
        // Sixteen 9s and a 5 or more: carried by the second rounding.
        {0x1.18e3b9b374169p-1010, "9999999999999999709860", "    1.000000000000000-304"},
        {0x1.3f559e7bee6c1p-967, "9999999999999999623243", "    1.000000000000000-291"},
        {0x1.c5cd322b67fffp-921, "9999999999999999691075", "    1.000000000000000-277"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.digitos_exatos);
        std::string negativo = c.campo;
        negativo[3] = '-';
        EXPECT_EQ(E25(c.valor), c.campo);
        EXPECT_EQ(E25(-c.valor), negativo);
    }
}

TEST(EdicaoE, OutrasLargurasDigitosEFatoresDeEscala) {
    struct Caso {
        double valor;
        int w, d, k;
        const char* campo;
    };
    const Caso casos[] = {
        {1234.5678, 12, 4, 0, "   .1235E+04"},
        {-1234.5678, 12, 4, 0, "  -.1235E+04"},
        {0.0, 10, 3, 0, "  .000E+00"},
        {-0.0, 10, 3, 0, "  .000E+00"},
        {1234.5678, 14, 4, -2, "     .0012E+06"},
        {1234.5678, 14, 4, 3, "    123.46E+01"},
        {9.99, 10, 1, 1, "   1.0E+01"},
        {0.5, 8, 0, 1, "  5.E-01"},
        {99.5, 6, 0, 1, "1.E+02"},
        {2.5, 9, 1, 2, "  25.E-01"},
        {0.000123456, 15, 6, -3, "    .000123E+00"},
        {1e-05, 15, 8, 0, "  .10000000E-04"},
        {6.02214076e+23, 20, 10, 2, "    60.221407600E+22"},
        // Digits past the sixteenth are zeros.
        {1.0 / 3.0, 40, 30, 1, "    3.333333333333333000000000000000E-01"},
        // Exponent forms.
        {1e+100, 12, 4, 0, "   .1000+101"},
        {1e-100, 12, 4, 0, "   .1000E-99"},
        {1e-99, 12, 4, 0, "   .1000E-98"},
        {5e-324, 12, 4, 0, "   .4941-323"},
        {1.7976931348623157e+308, 14, 6, -2, "   .001798+311"},
        // No digit at all: a zero before the period; the first digit still rounds.
        {0.7, 8, 0, 0, "  0.E+01"},
        {0.3, 8, 0, 0, "  0.E+00"},
        // Too wide for the field.
        {1.0, 20, 15, 1, "********************"},
        {-1.0, 21, 15, 1, "*********************"},
        {-1.0, 22, 15, 1, "-1.000000000000000E+00"},
        {123.456, 6, 2, 0, "******"},
        {1.0, 1, 0, 1, "*"},
        // Scale factors that the digit count cannot hold.
        {1.0, 12, 1, 3, "************"},
        {1.0, 12, 2, -3, "************"},
        // Parameters no field can hold.
        {1.0, 10, 5, std::numeric_limits<int>::min(), "**********"},
        {1.0, 10, 5, std::numeric_limits<int>::max(), "**********"},
        {1.0, 10, std::numeric_limits<int>::max(), 1, "**********"},
        {1.0, 10, -1, 0, "**********"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.campo);
        EXPECT_EQ(E(c.valor, c.w, c.d, c.k), c.campo);
    }
    EXPECT_EQ(E(1.0, 0, 3, 1), "");
    // An exponent beyond three digits.
    EXPECT_EQ(E(1e300, 1000, 800, -800), std::string(1000, '*'));
    EXPECT_EQ(E(1e-300, 1000, 900, 850), std::string(1000, '*'));
    EXPECT_EQ(E(1e-300, 1000, 900, 600).substr(994), "00-899");
}

TEST(EdicaoE, ValoresNaoFinitos) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Caso {
        std::uint64_t bits;
        int w;
        const char* campo;
    };
    const Caso casos[] = {
        {std::bit_cast<std::uint64_t>(inf), 25, "1#INF...................."},
        {std::bit_cast<std::uint64_t>(-inf), 25, "1#INF...................."},
        {0xFFF8000000000000, 25, "1#IND...................."},  // the NaN of invalid arithmetic
        {0x7FF8000000000000, 25, "1#QNAN..................."},  // same payload, sign clear
        {0xFFF8000000000001, 10, "1#QNAN...."},
        {0x7FFFFFFFFFFFFFFF, 10, "1#QNAN...."},
        {0x7FF0000000000001, 10, "1#SNAN...."},
        {0xFFF4000000000000, 10, "1#SNAN...."},
        {std::bit_cast<std::uint64_t>(inf), 5, "1#INF"},
        {std::bit_cast<std::uint64_t>(inf), 4, "****"},
        {0x7FF8000000000000, 6, "1#QNAN"},
        {0x7FF8000000000000, 5, "*****"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.campo);
        EXPECT_EQ(E(de_bits(c.bits), c.w, 15, 1), c.campo);
    }
}

TEST(EdicaoI, CamposInteiros) {
    struct Caso {
        std::int32_t valor;
        int w;
        const char* campo;
    };
    const Caso casos[] = {
        {20, 10, "        20"},
        {0, 10, "         0"},
        {-5, 10, "        -5"},
        {2147483647, 10, "2147483647"},
        {-999999999, 10, "-999999999"},
        {-1000000000, 10, "**********"},
        {std::numeric_limits<std::int32_t>::min(), 10, "**********"},
        {std::numeric_limits<std::int32_t>::min(), 11, "-2147483648"},
        {1000, 3, "***"},
        {999, 3, "999"},
        {-99, 3, "-99"},
        {0, 1, "0"},
        {-1, 1, "*"},
        {21, 10, "        21"},
        {600, 10, "       600"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.campo);
        EXPECT_EQ(I(c.valor, c.w), c.campo);
    }
    EXPECT_EQ(I(5, 0), "");
}

// Rendering must leave the floating-point status untouched: the program runs
// with traps on invalid, divide-by-zero and overflow, and a NaN compared or an
// infinity converted would stop it.
TEST(EdicaoE, NaoLevantaExcecoesDePontoFlutuante) {
    const std::uint64_t padroes[] = {
        0x7FF0000000000000, 0xFFF0000000000000, 0x7FF8000000000000, 0xFFF8000000000000,
        0x7FF0000000000001, 0x7FF4000000000000, 0xFFFFFFFFFFFFFFFF, 0x0000000000000001,
        0x800FFFFFFFFFFFFF, 0x0008000000000000, 0x7FEFFFFFFFFFFFFF, 0x8000000000000000,
        0x0000000000000000, 0x3FF0000000000000, 0x4415AF1D78B58C40,
    };
    std::vector<servicos::registros::ItemFormato> itens;
    for (std::uint64_t bits : padroes) itens.emplace_back(de_bits(bits));
    char campo[64];
    std::feclearexcept(FE_ALL_EXCEPT);
#if defined(__GLIBC__)
    feenableexcept(servicos::plataforma::falhas_armadas);
#endif
    for (std::uint64_t bits : padroes) {
        editar_E(de_bits(bits), 25, 15, 1, campo);
        editar_E(de_bits(bits), 12, 4, 0, campo);
        editar_E(de_bits(bits), 40, 30, -3, campo);
    }
    const std::vector<std::string> registros = servicos::registros::formatar_registros("(3(1P,E25.15))", itens);
    const int levantadas = std::fetestexcept(FE_ALL_EXCEPT);
#if defined(__GLIBC__)
    fedisableexcept(FE_ALL_EXCEPT);
#endif
    EXPECT_EQ(levantadas, 0);
    EXPECT_EQ(registros.size(), 5u);
}

// ---------------------------------------------------------------------------
// Independent reference: the C library prints the exact decimal expansion of
// a double; the two roundings are then done on the digit characters.

struct Digitos {
    std::string texto;  // significant digits of |x|, at least 18
    int p;              // 10^(p-1) <= |x| < 10^p
};

Digitos digitos_exatos(double modulo) {
    char buffer[900];
    // 26 significant digits are enough unless the rounding of the 26th
    // carried into the first 18, which leaves digits 19 to 26 all zero; the
    // full expansion (at most 767 digits) settles that case.
    std::snprintf(buffer, sizeof buffer, "%.25e", modulo);
    std::string mantissa = std::string(1, buffer[0]) + std::string(buffer + 2, 25);
    if (mantissa.find_first_not_of('0', 18) == std::string::npos) {
        std::snprintf(buffer, sizeof buffer, "%.800e", modulo);
        mantissa = std::string(1, buffer[0]) + std::string(buffer + 2, 800);
    }
    const char* e = std::strchr(buffer, 'e');
    return {mantissa, std::atoi(e + 1) + 1};
}

// Adds one unit in the last digit; returns true when a new leading 1 appears.
bool incrementar(std::string& digitos) {
    for (std::size_t i = digitos.size(); i-- > 0;) {
        if (digitos[i] != '9') {
            ++digitos[i];
            return false;
        }
        digitos[i] = '0';
    }
    digitos.insert(digitos.begin(), '1');
    digitos.pop_back();
    return true;
}

std::string referencia_E(double x, int w, int d, int k) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
    const bool zero = (bits << 1) == 0;
    const bool negativo = (bits >> 63) != 0 && !zero;
    if ((k > 0 && k > d + 1) || (k <= 0 && d + k < 0)) return std::string(static_cast<std::size_t>(w), '*');
    std::string cadeia = "0";
    int p = 0;
    if (!zero) {
        const Digitos exatos = digitos_exatos(de_bits(bits & 0x7FFFFFFFFFFFFFFF));
        p = exatos.p;
        cadeia = exatos.texto.substr(0, 17);
        if (exatos.texto[17] >= '5' && incrementar(cadeia)) ++p;
        while (cadeia.size() > 1 && cadeia.back() == '0') cadeia.pop_back();
        const int n = std::min(k > 0 ? d + 1 : d + k, 16);
        if (static_cast<int>(cadeia.size()) > n) {
            const bool sobe = cadeia[static_cast<std::size_t>(n)] >= '5';
            cadeia.resize(static_cast<std::size_t>(n));
            if (sobe) {
                if (n == 0) {
                    ++p;
                } else if (incrementar(cadeia)) {
                    ++p;
                }
            }
        }
    }
    auto digito = [&](int i) { return i < static_cast<int>(cadeia.size()) ? cadeia[static_cast<std::size_t>(i)] : '0'; };
    std::string texto = negativo ? "-" : "";
    if (k > 0) {
        for (int i = 0; i < k; ++i) texto += digito(i);
        texto += '.';
        for (int i = k; i < d + 1; ++i) texto += digito(i);
    } else {
        texto += d == 0 ? "0." : ".";
        texto += std::string(static_cast<std::size_t>(-k), '0');
        for (int i = 0; i < d + k; ++i) texto += digito(i);
    }
    const int expoente = zero ? 0 : p - k;
    if (expoente < -999 || expoente > 999) return std::string(static_cast<std::size_t>(w), '*');
    char parte[16];
    if (expoente >= -99 && expoente <= 99) {
        std::snprintf(parte, sizeof parte, "E%c%02d", expoente < 0 ? '-' : '+', std::abs(expoente));
    } else {
        std::snprintf(parte, sizeof parte, "%c%03d", expoente < 0 ? '-' : '+', std::abs(expoente));
    }
    texto += parte;
    if (static_cast<int>(texto.size()) > w) return std::string(static_cast<std::size_t>(w), '*');
    return std::string(static_cast<std::size_t>(w) - texto.size(), ' ') + texto;
}

// Every binade gets its share: uniform sign, biased exponent and fraction;
// the subnormal binade also gets fractions of every length.
double amostra(std::mt19937_64& gerador) {
    const std::uint64_t sinal = gerador() & 1;
    const std::uint64_t expoente = gerador() % 2047;
    std::uint64_t fracao = gerador() & 0x000FFFFFFFFFFFFF;
    if (expoente == 0) fracao >>= gerador() % 52;
    return de_bits(sinal << 63 | expoente << 52 | fracao);
}

#if defined(__SANITIZE_ADDRESS__) || !defined(NDEBUG)
constexpr int tamanho_da_amostra = 150000;
#else
constexpr int tamanho_da_amostra = 1000000;
#endif

TEST(EdicaoE, ConfereComReferenciaExataEmTodasAsBinadas) {
    std::mt19937_64 gerador(0x5EED);
    int falhas = 0;
    char campo[25];
    for (int i = 0; i < tamanho_da_amostra && falhas < 10; ++i) {
        const double x = amostra(gerador);
        editar_E(x, 25, 15, 1, campo);
        const std::string esperado = referencia_E(x, 25, 15, 1);
        if (std::string(campo, 25) != esperado) {
            ++falhas;
            ADD_FAILURE() << std::hexfloat << x << ": " << std::string(campo, 25) << " != " << esperado;
        }
    }
}

TEST(EdicaoE, ConfereComReferenciaEmOutrosFormatos) {
    std::mt19937_64 gerador(0xE0E0);
    int falhas = 0;
    for (int i = 0; i < tamanho_da_amostra / 20 && falhas < 10; ++i) {
        const double x = i % 16 == 0 ? 0.0 : amostra(gerador);
        const int d = static_cast<int>(gerador() % 22);
        const int k = static_cast<int>(gerador() % 9) - 4;
        const int w = static_cast<int>(gerador() % 34) + 1;
        const std::string obtido = E(x, w, d, k);
        const std::string esperado = referencia_E(x, w, d, k);
        if (obtido != esperado) {
            ++falhas;
            ADD_FAILURE() << std::hexfloat << x << " E" << w << '.' << d << " k=" << k << ": " << obtido
                          << " != " << esperado;
        }
    }
}

// The 128-bit fast path against pure big-integer comparisons, on both ends
// of every binade and on values whose scaled product is an exact integer
// (where the fast path has to fall back).
TEST(EdicaoE, CaminhoRapidoIgualAoExato) {
    using servicos::registros::edicao::arredondamento_inicial;
    using servicos::registros::edicao::arredondamento_inicial_exato;
    std::vector<std::uint64_t> padroes;
    for (std::uint64_t e = 0; e < 2047; ++e) {
        padroes.push_back(e << 52 | (e == 0 ? 1 : 0));
        padroes.push_back(e << 52 | 0x000FFFFFFFFFFFFF);
    }
    for (double v : {1e17, 1e18, 1e20, 1e22, 123456789012345678.0, 0x1p60, 0x1p100, 5e-324, 1e15, 1e16}) {
        padroes.push_back(std::bit_cast<std::uint64_t>(v));
    }
    std::mt19937_64 gerador(42);
    for (int i = 0; i < 1000; ++i) padroes.push_back(std::bit_cast<std::uint64_t>(std::fabs(amostra(gerador))));
    for (std::uint64_t bits : padroes) {
        if ((bits << 1) == 0) continue;
        const auto rapido = arredondamento_inicial(bits);
        const auto exato = arredondamento_inicial_exato(bits);
        ASSERT_EQ(rapido.digitos, exato.digitos) << std::hexfloat << de_bits(bits);
        ASSERT_EQ(rapido.p, exato.p) << std::hexfloat << de_bits(bits);
        EXPECT_GE(rapido.digitos, 10000000000000000u);
        EXPECT_LT(rapido.digitos, 100000000000000000u);
    }
}

}  // namespace
