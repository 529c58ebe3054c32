// Watched math functions (matematica.cpp). Each one runs its double-precision
// function (the platform's power function; our own correctly rounded sine,
// exponential and arc cosine) with the floating-point traps held, then turns
// a failure into the function's own report of kind `math` (e.g. "**:
// OVERFLOW error" for the power function). Underflow and partial loss of
// significance are accepted silently. Each takes and gives checked numbers
// too (base/deteccao.hpp), for the formulas written on Conferido.
#pragma once

#include "servicos/base/deteccao.hpp"

namespace servicos::erros {

double potencia(double base, double expoente);  // reported as "**"
double seno(double x);                          // "sin"
double exponencial(double x);                   // "exp"
double arco_cosseno(double x);                  // "acos"

inline base::deteccao::Verificado potencia(base::deteccao::Verificado base, double expoente) {
    return potencia(base.valor(), expoente);
}
inline base::deteccao::Verificado seno(base::deteccao::Verificado x) { return seno(x.valor()); }
inline base::deteccao::Verificado exponencial(base::deteccao::Verificado x) { return exponencial(x.valor()); }
inline base::deteccao::Verificado arco_cosseno(base::deteccao::Verificado x) { return arco_cosseno(x.valor()); }

}  // namespace servicos::erros
