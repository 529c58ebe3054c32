// Number editing (edicao_numerica.cpp): the E and I edit descriptors of the
// formatted records, and under them the decimal digits of a double, computed
// from its bit pattern with integer arithmetic only: the program runs with
// floating-point traps on, and NaN, infinity and subnormal values must be
// rendered without touching the floating-point unit.
#pragma once

#include <cstddef>
#include <cstdint>

namespace servicos::registros {

// Ew.d editing with scale factor k of one double into `saida` (at least w
// bytes); returns w. Never allocates.
std::size_t editar_E(double valor, int w, int d, int k, char* saida);

// Iw editing of one integer into `saida` (at least w bytes); returns w.
std::size_t editar_I(std::int32_t valor, int w, char* saida);

namespace edicao {

// |x| after the first rounding: the 18 leading significant digits of the exact
// decimal value, truncated, then rounded half up at the 17th digit. `digitos`
// holds those 17 digits (10^16 <= digitos < 10^17, trailing zeros kept) and
// 10^(p-1) <= |x| < 10^p, with p already raised by a carry out of seventeen 9s.
struct DigitosDecimais {
    std::uint64_t digitos;
    int p;
};

// For a finite, non-zero bit pattern. A 128-bit approximation of the power of
// ten gives the digits; when it cannot decide the floor, an exact big-integer
// comparison does.
DigitosDecimais arredondamento_inicial(std::uint64_t bits);

// The same result by big-integer comparisons alone (slow; a check for the
// fast path).
DigitosDecimais arredondamento_inicial_exato(std::uint64_t bits);

}  // namespace edicao

}  // namespace servicos::registros
