// The watched power function with exponent 2.0 must give the same bits on
// every platform: the product x·x, the double nearest to the exact square.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>

#include "servicos/erros/matematica.hpp"

namespace {

TEST(Matematica, QuadradoEhOProdutoArredondadoUmaVez) {
    // Squares that lie almost halfway between two doubles, where a power
    // function accurate to just over half a unit may round the wrong way.
    const double quase_empate[] = {0x1.3d76cad85dec2p-164, 0x1.5e13f49acd8e2p+394, 0x1.616b4b75b4703p+101,
                                   0x1.2dadaa944f53cp+342, 0x1.5940be0ab6e6dp-76};
    for (const double x : quase_empate) {
        SCOPED_TRACE(x);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(servicos::erros::potencia(x, 2.0)), std::bit_cast<std::uint64_t>(x * x));
        EXPECT_EQ(std::bit_cast<std::uint64_t>(servicos::erros::potencia(-x, 2.0)), std::bit_cast<std::uint64_t>(x * x));
    }
    std::mt19937_64 gerador(20261208);
    std::uniform_real_distribution<double> mantissa(0.5, 1.0);
    std::uniform_int_distribution<int> expoente(-500, 500);
    for (int j = 0; j < 100000; ++j) {
        const double x = std::ldexp(mantissa(gerador), expoente(gerador));
        ASSERT_EQ(std::bit_cast<std::uint64_t>(servicos::erros::potencia(x, 2.0)), std::bit_cast<std::uint64_t>(x * x)) << x;
    }
}

}  // namespace
