// Watched math functions (matematica.cpp). Each one runs its double-precision
// function (the platform's power function; our own correctly rounded sine,
// exponential and arc cosine) with the floating-point traps held, then turns
// a failure into the function's own report of kind `math` (e.g. "**:
// OVERFLOW error" for the power function). Underflow and partial loss of
// significance are accepted silently.
#pragma once

namespace servicos::erros {

double potencia(double base, double expoente);  // reported as "**"
double seno(double x);                          // "sin"
double exponencial(double x);                   // "exp"
double arco_cosseno(double x);                  // "acos"

}  // namespace servicos::erros
