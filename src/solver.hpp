// Tridiagonal matrix algorithm (Thomas): forward elimination, then back
// substitution, for the rows aP(i)*X(i) = aW(i)*X(i-1) + aE(i)*X(i+1) + bP(i).
#pragma once

#include <cstdint>

#include "variaveis.hpp"

namespace solver {

// Solves the N rows into X(1..N). Reads only aP, aW, aE, bP; writes only X.
// No pivoting: a zero pivot traps as a division by zero.
void tdma(const variaveis::Arranjo& aP, const variaveis::Arranjo& aW, const variaveis::Arranjo& aE,
          const variaveis::Arranjo& bP, variaveis::Arranjo& X, const std::int32_t& N);

}  // namespace solver
