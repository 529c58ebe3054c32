// The program's own elementary functions. Each returns the double nearest to
// the exact value of the function at its argument (ties to even, which no
// finite nonzero argument meets), for every double, so that every platform
// gives the same bits. No platform math library is involved.
//
// Floating-point flags are raised as by one correctly rounded operation:
// invalid for a NaN result from a non-NaN argument (and for a signalling NaN),
// overflow for an infinite exponential of a finite argument, underflow and
// inexact as they fall. errno is not touched; there is no other state.
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
