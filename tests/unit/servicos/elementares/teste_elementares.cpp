// The program's elementary functions give the same bits in every build: the
// sample of tests/dados/elementares (correctly rounded results from MPFR,
// see ferramentas/gerar_amostra.cpp) and the special arguments, each with
// exactly the floating-point flags of one correctly rounded operation; and in
// the other rounding modes, where their results are not promised, they still
// return and stay within their tables (the sanitizer build sees every read).
#include <gtest/gtest.h>

#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "servicos/elementares/detalhe.hpp"
#include "servicos/elementares/elementares.hpp"

namespace {

namespace e = servicos::elementares;

// Every flag an operation can raise.
constexpr int todos_os_flags = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW | FE_INEXACT;

double de_bits(std::uint64_t b) { return std::bit_cast<double>(b); }
std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }

double avaliar(char funcao, double x) {
    return funcao == 's' ? e::seno(x) : funcao == 'e' ? e::exponencial(x) : e::arco_cosseno(x);
}

struct Amostrado {
    char funcao;
    std::uint64_t argumento;
    std::uint64_t esperado;
};

std::vector<Amostrado> ler_amostra() {
    std::ifstream arquivo(std::string(DIFUSAO_DADOS_TESTE) + "/elementares/amostra.txt");
    EXPECT_TRUE(arquivo) << "missing sample";
    std::vector<Amostrado> amostra;
    std::string linha;
    while (std::getline(arquivo, linha)) {
        std::istringstream campos(linha);
        Amostrado a{};
        campos >> a.funcao >> std::hex >> a.argumento >> a.esperado;
        EXPECT_TRUE(campos) << linha;
        amostra.push_back(a);
    }
    return amostra;
}

// The flags of one correctly rounded operation giving `resultado`: invalid
// alone for a NaN from a number; none for an exact result (the functions'
// values at 0, exp at the infinities, arccos 1); otherwise inexact, with
// overflow for an infinite and underflow for a subnormal or zero result.
int flags_de_uma_operacao(char funcao, double x, double resultado) {
    if (std::isnan(resultado)) return FE_INVALID;
    const bool exato = !std::isfinite(x) || (funcao == 'a' ? x == 1.0 : x == 0.0);
    if (exato) return 0;
    if (std::isinf(resultado)) return FE_INEXACT | FE_OVERFLOW;
    if (std::fabs(resultado) < 0x1p-1022) return FE_INEXACT | FE_UNDERFLOW;
    return FE_INEXACT;
}

// Every argument of the sample: the result's bits and the flags raised.
TEST(Elementares, AmostraComoMPFRBitABit) {
    std::map<char, int> conferidos;
    int diferentes = 0;
    for (const Amostrado& a : ler_amostra()) {
        std::feclearexcept(FE_ALL_EXCEPT);
        const double x = de_bits(a.argumento);
        const double obtido = avaliar(a.funcao, x);
        const int flags = std::fetestexcept(todos_os_flags);
        const bool nan = std::isnan(de_bits(a.esperado));  // arc cosine beyond [-1, 1]
        const int flags_esperados = flags_de_uma_operacao(a.funcao, x, de_bits(a.esperado));
        const bool igual = nan ? std::isnan(obtido) : bits(obtido) == a.esperado;
        ++conferidos[a.funcao];
        if ((!igual || flags != flags_esperados) && ++diferentes <= 20)
            ADD_FAILURE() << a.funcao << std::hexfloat << "(" << x << ") = " << obtido << ", expected "
                          << de_bits(a.esperado) << "; flags " << flags << ", expected " << flags_esperados;
    }
    std::feclearexcept(FE_ALL_EXCEPT);
    EXPECT_EQ(diferentes, 0);
    for (const char funcao : {'s', 'e', 'a'}) EXPECT_GE(conferidos[funcao], 10000) << funcao;
}

// Rounding upwards, downwards and toward zero, the sample's arguments and
// those that once read past the sine's table (0.7208 upwards) or sent the arc
// cosine's check round for ever: every call returns, with a NaN exactly where
// the function has no value.
TEST(Elementares, OutrosModosDeArredondamentoTerminamDentroDasTabelas) {
    std::vector<Amostrado> argumentos = ler_amostra();
    argumentos.push_back({'s', bits(0.7208), 0});
    argumentos.push_back({'a', bits(0x1.023259fc3979ep-1), 0});
    argumentos.push_back({'a', bits(0x1.05477df5bb978p-45), 0});
    for (const int modo : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        int diferentes = 0;
        for (const Amostrado& a : argumentos) {
            const double x = de_bits(a.argumento);
            const bool sem_valor = std::isnan(avaliar(a.funcao, x));
            ASSERT_EQ(std::fesetround(modo), 0);
            const double obtido = a.funcao == 's'   ? e::detalhe::seno_em_qualquer_modo(x)
                                  : a.funcao == 'e' ? e::detalhe::exponencial_em_qualquer_modo(x)
                                                    : e::detalhe::arco_cosseno_em_qualquer_modo(x);
            std::fesetround(FE_TONEAREST);
            if (std::isnan(obtido) != sem_valor && ++diferentes <= 20)
                ADD_FAILURE() << "mode " << modo << ": " << a.funcao << std::hexfloat << "(" << x << ") = " << obtido;
        }
        EXPECT_EQ(diferentes, 0) << "mode " << modo;
    }
    std::feclearexcept(FE_ALL_EXCEPT);
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
        {'s', 0x8000000000000001, 0x8000000000000001, FE_UNDERFLOW | FE_INEXACT},  // -2^-1074
        {'s', 0x0010000000000000, 0x0010000000000000, FE_INEXACT},                 // 2^-1022, rounds up out of tininess
        {'s', 0x3e4fffffffffffff, 0x3e4fffffffffffff, FE_INEXACT},                 // just below 2^-26
        {'s', 0x7ff8000000000123, 0x7ff8000000000123, 0},                          // quiet NaN
        {'s', 0xfff8000000000000, 0xfff8000000000000, 0},
        {'s', 0x7ff4000000000000, 0x7ffc000000000000, FE_INVALID},  // signalling NaN
        {'s', 0x7ff0000000000000, 0xfff8000000000000, FE_INVALID},  // +inf
        {'s', 0xfff0000000000000, 0xfff8000000000000, FE_INVALID},
        {'s', 0x400921fb54442d18, 0x3ca1a62633145c07, FE_INEXACT},  // the double nearest pi
        {'e', 0x0000000000000000, 0x3ff0000000000000, 0},
        {'e', 0x8000000000000000, 0x3ff0000000000000, 0},
        {'e', 0x3c8fffffffffffff, 0x3ff0000000000000, FE_INEXACT},  // just below 2^-54
        {'e', 0x7ff0000000000000, 0x7ff0000000000000, 0},
        {'e', 0xfff0000000000000, 0x0000000000000000, 0},
        {'e', 0xfff8000000000000, 0xfff8000000000000, 0},
        {'e', 0x7ff4000000000000, 0x7ffc000000000000, FE_INVALID},
        {'e', 0x40862e42fefa39ef, 0x7fefffffffffff2a, FE_INEXACT},  // the largest finite result
        {'e', 0x40862e42fefa39f0, 0x7ff0000000000000, FE_OVERFLOW | FE_INEXACT},
        {'e', 0x408f400000000000, 0x7ff0000000000000, FE_OVERFLOW | FE_INEXACT},  // 1000
        {'e', 0xc086232bdd7abcd2, 0x001000000000007c, FE_INEXACT},                 // the least normal result
        {'e', 0xc086232bdd7abcd3, 0x000ffffffffffe7c, FE_UNDERFLOW | FE_INEXACT},  // the largest subnormal one
        {'e', 0xc0874910d52d3051, 0x0000000000000001, FE_UNDERFLOW | FE_INEXACT},  // the least nonzero result
        {'e', 0xc0874910d52d3052, 0x0000000000000000, FE_UNDERFLOW | FE_INEXACT},
        {'e', 0xc08f400000000000, 0x0000000000000000, FE_UNDERFLOW | FE_INEXACT},  // -1000
        {'a', 0xbff0000000000000, 0x400921fb54442d18, FE_INEXACT},  // acos(-1): the double nearest pi
        {'a', 0x3ff0000000000000, 0x0000000000000000, 0},
        {'a', 0x0000000000000000, 0x3ff921fb54442d18, FE_INEXACT},
        {'a', 0x7ff8000000000123, 0x7ff8000000000123, 0},
        {'a', 0x7ff4000000000000, 0x7ffc000000000000, FE_INVALID},
        {'a', 0x4000000000000000, 0, FE_INVALID},                 // 2: NaN
        {'a', 0xfff0000000000000, 0, FE_INVALID},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(testing::Message() << caso.funcao << " " << std::hex << caso.argumento);
        std::feclearexcept(FE_ALL_EXCEPT);
        const double obtido = avaliar(caso.funcao, de_bits(caso.argumento));
        EXPECT_EQ(std::fetestexcept(todos_os_flags), caso.flags);
        if (caso.resultado == 0 && caso.flags == FE_INVALID)
            EXPECT_TRUE(std::isnan(obtido));
        else
            EXPECT_EQ(bits(obtido), caso.resultado);
    }
    std::feclearexcept(FE_ALL_EXCEPT);
}

}  // namespace
