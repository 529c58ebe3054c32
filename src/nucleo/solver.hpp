// Tridiagonal matrix algorithm (Thomas): forward elimination, then back
// substitution, for the rows aP(i)*X(i) = aW(i)*X(i-1) + aE(i)*X(i+1) + bP(i).
#pragma once

#include <cstddef>
#include <cstdint>

#include "nucleo/variaveis.hpp"

namespace solver {

// Work arrays of the recurrence X(i) = P(i)*X(i+1) + Q(i), over 1..N. A caller
// that solves a system of the same size at every time step keeps them.
struct Trabalho {
    variaveis::Arranjo P, Q;
};
inline constexpr std::size_t arranjos_de_trabalho = 2;  // P and Q

// Obtains P and Q over 1..N; reports the allocation failure like tdma does.
void obter_trabalho(Trabalho& trabalho, std::int32_t N);

// Solves the N rows into X(1..N). Reads only aP, aW, aE, bP; writes only X.
// No pivoting: a zero pivot traps as a division by zero. The work arrays are
// obtained at the start of the call and released before it returns.
void tdma(const variaveis::Arranjo& aP, const variaveis::Arranjo& aW, const variaveis::Arranjo& aE,
          const variaveis::Arranjo& bP, variaveis::Arranjo& X, const std::int32_t& N);

// The same operations in the same order, in work arrays the caller obtained
// with obter_trabalho for this N.
void tdma(const variaveis::Arranjo& aP, const variaveis::Arranjo& aW, const variaveis::Arranjo& aE,
          const variaveis::Arranjo& bP, variaveis::Arranjo& X, const std::int32_t& N, Trabalho& trabalho);

}  // namespace solver
