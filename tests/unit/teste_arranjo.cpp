// The arrays of the state: small ones from the heap, large ones mapped on
// their own; moves and swaps hand the memory over, and a size the system
// cannot give is refused without leaving anything behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

#include "nucleo/variaveis.hpp"

namespace {

using variaveis::Arranjo;

void preencher(Arranjo& a, double base) {
    for (std::int64_t j = a.inicio(); j < a.inicio() + a.tamanho(); ++j) a(j) = base + static_cast<double>(j);
}

bool confere(const Arranjo& a, double base) {
    for (std::int64_t j = a.inicio(); j < a.inicio() + a.tamanho(); ++j)
        if (a(j) != base + static_cast<double>(j)) return false;
    return true;
}

TEST(Arranjo, TamanhosPequenosEGrandesMovidosETrocados) {
    constexpr std::int64_t grande = (std::int64_t{4} << 20) / 8;  // where the mapped blocks begin
    const std::int64_t tamanhos[] = {0, 1, 1000, grande - 1, grande, 3000000};
    for (const std::int64_t tamanho : tamanhos) {
        SCOPED_TRACE(tamanho);
        Arranjo a;
        ASSERT_TRUE(a.alocar(0, tamanho - 1));
        EXPECT_EQ(a.tamanho(), tamanho);
        preencher(a, 0.5);

        Arranjo b(std::move(a));
        EXPECT_EQ(a.tamanho(), 0);
        EXPECT_EQ(b.tamanho(), tamanho);
        EXPECT_TRUE(confere(b, 0.5));

        Arranjo c;
        ASSERT_TRUE(c.alocar(1, 17));
        preencher(c, -3.0);
        std::swap(b, c);
        EXPECT_TRUE(confere(b, -3.0));
        EXPECT_TRUE(confere(c, 0.5));

        c = std::move(b);  // the large block goes back here
        EXPECT_EQ(c.tamanho(), 17);
        EXPECT_TRUE(confere(c, -3.0));

        ASSERT_TRUE(c.alocar(1, tamanho));  // a new size over an old block
        preencher(c, 2.0);
        EXPECT_TRUE(confere(c, 2.0));
    }
}

TEST(Arranjo, TamanhoImpossivelERecusado) {
    Arranjo a;
    ASSERT_TRUE(a.alocar(1, 10));
    EXPECT_FALSE(a.alocar(1, INT64_MAX / 4));
    EXPECT_EQ(a.tamanho(), 0);
    EXPECT_EQ(a.dados(), nullptr);
    EXPECT_TRUE(a.alocar(5, 4));  // empty
    EXPECT_EQ(a.tamanho(), 0);
}

}  // namespace
