// What the numeric code takes from its compiler and its processor beyond the
// language: integers of 128 bits, the processor's correctly rounded square
// root and its underflow flag, the loop and aliasing hints of the time loop.
// It is all here, so that a build for another processor or compiler stops on
// this one file (CMake already stops at configuring) instead of deep inside
// the numbers; only the platform files, which set the floating-point control
// registers, speak to the processor on their own. The program targets x86-64
// (SSE2 is part of it) with GCC or Clang, MinGW-w64 included.
//
// base/ is the ground of the services: it includes nothing of the program,
// and every folder may include it.
#pragma once

#if !defined(__x86_64__) || !defined(__GNUC__)
#error "difusao_calor is built for x86-64 with GCC or Clang (MinGW-w64 included)"
#endif

#include <emmintrin.h>

namespace servicos::base::intrinsecos {

// Products and sums of two 64-bit words, with the carry in the upper half.
__extension__ typedef unsigned __int128 u128;
__extension__ typedef __int128 i128;

// sqrt(v) for v >= 0, the SSE2 instruction: correctly rounded on every
// platform, where the library's sqrt might set errno or be another routine.
inline double raiz_quadrada(double v) { return _mm_cvtsd_f64(_mm_sqrt_sd(_mm_setzero_pd(), _mm_set_sd(v))); }

// Whether the SSE unit's underflow flag is up (bit 4 of its control and
// status register). Reading it costs a few cycles, where raising the flag
// again costs a subnormal operation, which many processors microcode.
inline bool underflow_levantado() { return (_mm_getcsr() & 0x10) != 0; }

}  // namespace servicos::base::intrinsecos

// Pointer parameters that no other parameter of the call reaches: the
// compiler may then keep values in registers across the stores.
#define DIFUSAO_EXCLUSIVO __restrict

// The next loop is not unrolled (a loop bound by the latency of a chain of
// divisions gains nothing from unrolling, and measured slower).
#define DIFUSAO_SEM_DESENROLAR _Pragma("GCC unroll 1")
