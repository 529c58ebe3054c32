// The floor of the time loop: the two dependent chains of the Thomas
// algorithm over the arrays of a run, `passos` times, and nothing else,
//   d = aP(i) - aW(i)*P(i-1);  P(i) = aE(i)/d;  Q(i) = (b(i) + aW(i)*Q(i-1))/d
//   X(i) = P(i)*X(i+1) + Q(i)
// the least any loop of these steps can cost.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

#include "servicos/base/intrinsecos.hpp"

inline void piso(const double* DIFUSAO_EXCLUSIVO aPp, const double* DIFUSAO_EXCLUSIVO aWp,
                 const double* DIFUSAO_EXCLUSIVO aEp, const double* DIFUSAO_EXCLUSIVO b, double* DIFUSAO_EXCLUSIVO P,
                 double* DIFUSAO_EXCLUSIVO Q, double* DIFUSAO_EXCLUSIVO X, std::int32_t N, std::int32_t passos) {
    for (std::int32_t passo = 0; passo < passos; ++passo) {
        double p = aEp[0] / aPp[0];
        double q = b[0] / aPp[0];
        P[0] = p;
        Q[0] = q;
        for (std::int32_t j = 1; j < N; ++j) {
            const double d = aPp[j] - aWp[j] * p;
            p = aEp[j] / d;
            q = (b[j] + aWp[j] * q) / d;
            P[j] = p;
            Q[j] = q;
        }
        double x = Q[N - 1];
        X[N - 1] = x;
        for (std::int32_t j = N - 2; j >= 0; --j) {
            x = P[j] * x + Q[j];
            X[j] = x;
        }
        benchmark::ClobberMemory();
    }
}
