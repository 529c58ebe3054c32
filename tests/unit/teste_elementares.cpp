// The program's elementary functions give the same bits in every build: the
// sample of tests/dados/elementares (correctly rounded results from MPFR,
// see tests/mpfr/gerar_amostra.cpp) and the special arguments, each with
// exactly the floating-point flags of one correctly rounded operation.
#include <gtest/gtest.h>

#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "servicos/elementares.hpp"
#include "servicos/plataforma.hpp"

namespace {

namespace e = servicos::elementares;

// The flags that decide a watched function's report: the armed faults.
constexpr int flags_vigiados = servicos::plataforma::falhas_armadas;

double de_bits(std::uint64_t b) { return std::bit_cast<double>(b); }
std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }

double avaliar(char funcao, double x) {
    return funcao == 's' ? e::seno(x) : funcao == 'e' ? e::exponencial(x) : e::arco_cosseno(x);
}

// Every argument of the sample: the result's bits, and no invalid, division
// by zero or overflow flag but the overflow of an infinite exponential and
// the invalid operation of an arc cosine beyond [-1, 1].
TEST(Elementares, AmostraComoMPFRBitABit) {
    std::ifstream arquivo(std::string(DIFUSAO_DADOS_TESTE) + "/elementares/amostra.txt");
    ASSERT_TRUE(arquivo) << "missing sample";
    std::map<char, int> conferidos;
    int diferentes = 0;
    std::string linha;
    while (std::getline(arquivo, linha)) {
        std::istringstream campos(linha);
        char funcao = 0;
        std::uint64_t argumento = 0, esperado = 0;
        campos >> funcao >> std::hex >> argumento >> esperado;
        ASSERT_TRUE(campos) << linha;
        std::feclearexcept(FE_ALL_EXCEPT);
        const double x = de_bits(argumento);
        const double obtido = avaliar(funcao, x);
        const int flags = std::fetestexcept(flags_vigiados);
        const bool nan = std::isnan(de_bits(esperado));  // arc cosine beyond [-1, 1]
        const int flags_esperados = nan ? FE_INVALID : std::isinf(obtido) && std::isfinite(x) ? FE_OVERFLOW : 0;
        const bool igual = nan ? std::isnan(obtido) : bits(obtido) == esperado;
        ++conferidos[funcao];
        if ((!igual || flags != flags_esperados) && ++diferentes <= 20)
            ADD_FAILURE() << funcao << std::hexfloat << "(" << x << ") = " << obtido << ", expected "
                          << de_bits(esperado) << "; flags " << flags << ", expected " << flags_esperados;
    }
    std::feclearexcept(FE_ALL_EXCEPT);
    EXPECT_EQ(diferentes, 0);
    for (const char funcao : {'s', 'e', 'a'}) EXPECT_GE(conferidos[funcao], 10000) << funcao;
}

// Zeros, infinities, NaNs and the thresholds: the result's bits (a quiet NaN
// comes back as it went, a signalling one quieted) and the flags raised.
TEST(Elementares, ArgumentosEspeciais) {
    struct Caso {
        char funcao;
        std::uint64_t argumento;
        std::uint64_t resultado;
        int flags;
    };
    const Caso casos[] = {
        {'s', 0x0000000000000000, 0x0000000000000000, 0},
        {'s', 0x8000000000000000, 0x8000000000000000, 0},
        {'s', 0x8000000000000001, 0x8000000000000001, 0},        // -2^-1074
        {'s', 0x7ff8000000000123, 0x7ff8000000000123, 0},        // quiet NaN
        {'s', 0xfff8000000000000, 0xfff8000000000000, 0},
        {'s', 0x7ff4000000000000, 0x7ffc000000000000, FE_INVALID},  // signalling NaN
        {'s', 0x7ff0000000000000, 0xfff8000000000000, FE_INVALID},  // +inf
        {'s', 0xfff0000000000000, 0xfff8000000000000, FE_INVALID},
        {'s', 0x400921fb54442d18, 0x3ca1a62633145c07, 0},        // the double nearest pi
        {'e', 0x0000000000000000, 0x3ff0000000000000, 0},
        {'e', 0x8000000000000000, 0x3ff0000000000000, 0},
        {'e', 0x7ff0000000000000, 0x7ff0000000000000, 0},
        {'e', 0xfff0000000000000, 0x0000000000000000, 0},
        {'e', 0xfff8000000000000, 0xfff8000000000000, 0},
        {'e', 0x7ff4000000000000, 0x7ffc000000000000, FE_INVALID},
        {'e', 0x40862e42fefa39ef, 0x7fefffffffffff2a, 0},        // the largest finite result
        {'e', 0x40862e42fefa39f0, 0x7ff0000000000000, FE_OVERFLOW},
        {'e', 0x408f400000000000, 0x7ff0000000000000, FE_OVERFLOW},  // 1000
        {'e', 0xc0874910d52d3051, 0x0000000000000001, 0},        // the least nonzero result
        {'e', 0xc0874910d52d3052, 0x0000000000000000, 0},
        {'e', 0xc08f400000000000, 0x0000000000000000, 0},        // -1000
        {'a', 0xbff0000000000000, 0x400921fb54442d18, 0},        // acos(-1): the double nearest pi
        {'a', 0x3ff0000000000000, 0x0000000000000000, 0},
        {'a', 0x0000000000000000, 0x3ff921fb54442d18, 0},
        {'a', 0x7ff8000000000123, 0x7ff8000000000123, 0},
        {'a', 0x7ff4000000000000, 0x7ffc000000000000, FE_INVALID},
        {'a', 0x4000000000000000, 0, FE_INVALID},                 // 2: NaN
        {'a', 0xfff0000000000000, 0, FE_INVALID},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(testing::Message() << caso.funcao << " " << std::hex << caso.argumento);
        std::feclearexcept(FE_ALL_EXCEPT);
        const double obtido = avaliar(caso.funcao, de_bits(caso.argumento));
        EXPECT_EQ(std::fetestexcept(flags_vigiados), caso.flags);
        if (caso.resultado == 0 && caso.flags == FE_INVALID)
            EXPECT_TRUE(std::isnan(obtido));
        else
            EXPECT_EQ(bits(obtido), caso.resultado);
    }
    std::feclearexcept(FE_ALL_EXCEPT);
}

}  // namespace
