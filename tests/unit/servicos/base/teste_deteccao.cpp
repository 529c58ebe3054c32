// The fault detection's judgement by values against the unit's own flags: on
// operands of every kind, each operation, each elementary function and each
// checked number must find exactly the fault (invalid, divide-by-zero,
// overflow) that the unit raises, whichever implementation the build has.
#include <gtest/gtest.h>

#include <bit>
#include <cfenv>
#include <cstdint>
#include <random>
#include <vector>

#include "servicos/base/deteccao.hpp"
#include "servicos/elementares/elementares.hpp"

namespace {

namespace deteccao = servicos::base::deteccao;

// The unit's trapping flags, as the detection's bits.
unsigned falhas_levantadas() {
    const int f = std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
    return (f & FE_INVALID ? deteccao::falha_invalida : 0u) |
           (f & FE_DIVBYZERO ? deteccao::falha_divisao_por_zero : 0u) | (f & FE_OVERFLOW ? deteccao::falha_overflow : 0u);
}

// Operands of every kind: zeros, subnormals, normals small and huge, the
// largest finite, infinities, quiet NaNs of both signs, a signalling NaN;
// then random bit patterns.
std::vector<double> operandos() {
    std::vector<double> v;
    for (const std::uint64_t bits :
         {0x0000000000000000ull, 0x8000000000000000ull, 0x0000000000000001ull, 0x800fffffffffffffull,
          0x0010000000000000ull, 0x3ff0000000000000ull, 0xbff0000000000000ull, 0x4000000000000000ull,
          0x3fe0000000000000ull, 0x5fe0000000000000ull, 0xdfe0000000000000ull, 0x7fefffffffffffffull,
          0xffefffffffffffffull, 0x1ff0000000000000ull, 0x7ff0000000000000ull, 0xfff0000000000000ull,
          0x7ff8000000000000ull, 0xfff8000000000000ull, 0x7ff4000000000000ull})
        v.push_back(std::bit_cast<double>(bits));
    std::mt19937_64 gerador(20261209);
    for (int j = 0; j < 200; ++j) v.push_back(std::bit_cast<double>(gerador()));
    return v;
}

// Keeps the compiler from folding or moving an operation out of the window
// between clearing and reading the flags.
double operar(char op, double a, double b) {
    volatile double x = a, y = b;
    switch (op) {
        case '+': return x + y;
        case '-': return x - y;
        case '*': return x * y;
        default: return x / y;
    }
}

deteccao::Verificado operar(char op, deteccao::Verificado a, deteccao::Verificado b) {
    switch (op) {
        case '+': return a + b;
        case '-': return a - b;
        case '*': return a * b;
        default: return a / b;
    }
}

TEST(Deteccao, CadaOperacaoJulgadaComoAUnidadeALevanta) {
    const std::vector<double> v = operandos();
    for (const char op : {'+', '-', '*', '/'}) {
        for (const double a : v) {
            for (const double b : v) {
                SCOPED_TRACE(testing::Message() << op << " " << std::hex << std::bit_cast<std::uint64_t>(a) << " "
                                                << std::bit_cast<std::uint64_t>(b));
                std::feclearexcept(FE_ALL_EXCEPT);
                const double r = operar(op, a, b);
                const unsigned esperadas = falhas_levantadas();
                ASSERT_EQ(deteccao::falhas_da_operacao(a, b, r, op == '/'), esperadas);
                unsigned notadas;
                double verificado;
                {
                    // A checked operation under a hold: the same result, the
                    // fault noted (under traps, by the unit itself).
                    const deteccao::Retencao retida;
                    verificado = operar(op, deteccao::Verificado(a), deteccao::Verificado(b)).valor();
                    notadas = retida.falhas();
                }
                ASSERT_EQ(notadas, esperadas);
                // Of two NaN operands the compiler may pass on either.
                if (r == r) {
                    ASSERT_EQ(std::bit_cast<std::uint64_t>(verificado), std::bit_cast<std::uint64_t>(r));
                } else {
                    ASSERT_NE(verificado, verificado);
                }
            }
        }
    }
    std::feclearexcept(FE_ALL_EXCEPT);
}

TEST(Deteccao, CadaFuncaoJulgadaComoAUnidadeALevanta) {
    std::vector<double> v = operandos();
    for (const double x : {709.782712893384, 709.8, 1e6, -745.2, 0.5, -1.0, 1.0 + 0x1p-52})
        v.push_back(x);
    for (const double x : v) {
        for (double (*f)(double) : {&servicos::elementares::seno, &servicos::elementares::exponencial,
                                    &servicos::elementares::arco_cosseno}) {
            SCOPED_TRACE(testing::Message() << std::hex << std::bit_cast<std::uint64_t>(x));
            std::feclearexcept(FE_ALL_EXCEPT);
            const double r = f(x);
            ASSERT_EQ(deteccao::falhas_da_funcao(x, r), falhas_levantadas());
        }
    }
    std::feclearexcept(FE_ALL_EXCEPT);
}

// The sentinel sees exactly the values that are not finite; a conversion out
// of the 64-bit range is the invalid operation, and gives the least integer.
TEST(Deteccao, SentinelaEConversaoGuardada) {
    for (const double x : operandos()) {
        deteccao::SentinelaDeValores sentinela;
        sentinela.ver(1.0);
        sentinela.ver(x);
        EXPECT_EQ(sentinela.viu_nao_finito(), !deteccao::finito(x)) << x;
    }
    struct Caso {
        double v;
        std::int64_t inteiro;
        bool invalida;
    };
    const Caso casos[] = {
        {-0x1p63, INT64_MIN, false},       {0x1p63 - 1024.0, 0x7ffffffffffffc00, false},
        {-1.9, -1, false},                 {0x1p63, INT64_MIN, true},
        {-0x1p63 - 2048.0, INT64_MIN, true}, {std::bit_cast<double>(0x7ff8000000000000ull), INT64_MIN, true},
    };
    for (const Caso& c : casos) {
        unsigned notadas;
        std::int64_t inteiro;
        {
            const deteccao::Retencao retida;
            inteiro = deteccao::inteiro_truncado(c.v);
            notadas = retida.falhas();
        }
        EXPECT_EQ(inteiro, c.inteiro) << c.v;
        EXPECT_EQ(notadas, c.invalida ? deteccao::falha_invalida : 0u) << c.v;
    }
}

}  // namespace
