// The program's own elementary functions. Each returns the double nearest to
// the exact value of the function at its argument (ties to even, which no
// finite nonzero argument meets), for every double, so that every platform
// gives the same bits. No platform math library is involved.
//
// That holds with the operations rounding to nearest, as the program always
// runs; debug builds check it with an assertion. In another rounding mode
// the results are not promised, but every call still ends after a bounded
// number of steps and reads nothing outside its tables.
//
// The floating-point flags are those of one correctly rounded operation
// with the same result:
//  - invalid, alone, for a NaN from a number or from a signalling NaN;
//  - none for an exact result: sin(±0), exp(±0), exp(±inf), arccos(1), a
//    quiet NaN passed through;
//  - inexact for every other result, with overflow when it is infinite and
//    underflow when it is subnormal or zero (the sine of a subnormal
//    argument, the exponential below 2^-1022).
// Division by zero is never raised, errno never touched; there is no state.
//
// May call: nothing of the program but base/ (128-bit integers, the square
// root); the watched versions are in erros/.
#pragma once

namespace servicos::elementares {

// sin(x); sin(±inf) is NaN (invalid).
double seno(double x);

// e^x; +inf (overflow) from x = 709.782712893384 upwards, subnormal results
// from about -708.4 and 0 below about -745.13.
double exponencial(double x);

// arccos(x) in [0, pi]; NaN (invalid) for |x| > 1.
double arco_cosseno(double x);

}  // namespace servicos::elementares
