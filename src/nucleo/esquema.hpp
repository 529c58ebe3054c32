// The arithmetic of one row of the theta scheme, written once. The routines
// (termo_fonte, tdma, temperatura_media) and the driver's fused time loop
// both build their rows from these functions, so the two can only schedule
// the same IEEE operations differently, never compute them differently:
// every value comes out bit for bit the same whichever of them runs. Each
// function evaluates its formula in the order written beside it; the build
// forbids contraction into fused multiply-adds. The number type N is double
// in the fused loop, whose blocks are judged at their end, and the
// detection's Conferido in the routines, whose every fault is reported at
// its operation (servicos/base/deteccao.hpp): the same IEEE operations either
// way.
//
// The rows are those the solver accepts,
//     aP(i)*T(i) = aW(i)*T(i-1) + aE(i)*T(i+1) + bP(i),
// solved by the Thomas algorithm through the relation
//     T(i) = P(i)*T(i+1) + Q(i).
#pragma once

namespace esquema {

// Explicit part of an interior row, from the previous field around node i:
//   bP(i) = (Tant(i+1) + Tant(i-1))*a_exp + Tant(i)*a_cen
// the two neighbours summed first, then the central product added.
template <typename N>
N termo_independente(N anterior_oeste, N anterior_centro, N anterior_leste, N a_exp, N a_cen) {
    return (anterior_leste + anterior_oeste) * a_exp + anterior_centro * a_cen;
}

// The coefficients P(i) and Q(i) of a row once eliminated.
template <typename N>
struct Eliminada {
    N P;
    N Q;
};

// Row 1, which has no west neighbour:  P(1) = aE(1)/aP(1);  Q(1) = bP(1)/aP(1)
template <typename N>
Eliminada<N> eliminar_primeira_linha(N aP, N aE, N bP) {
    return {aE / aP, bP / aP};
}

// The pivot of row i, from row i - 1 already eliminated:  d = aP(i) - aW(i)*P(i-1)
template <typename N>
N pivo(N aP, N aW, const Eliminada<N>& anterior) {
    return aP - aW * anterior.P;
}

// Row i with its pivot d:  P(i) = aE(i)/d;  Q(i) = (bP(i) + aW(i)*Q(i-1))/d
// (a braced list is evaluated in its order: P, then Q).
template <typename N>
Eliminada<N> eliminar_com_pivo(N d, N aW, N aE, N bP, const Eliminada<N>& anterior) {
    return {aE / d, (bP + aW * anterior.Q) / d};
}

// Row i from row i - 1 already eliminated.
template <typename N>
Eliminada<N> eliminar_linha(N aP, N aW, N aE, N bP, const Eliminada<N>& anterior) {
    return eliminar_com_pivo(pivo(aP, aW, anterior), aW, aE, bP, anterior);
}

// Back substitution of row i, from the solution at node i + 1:
//   X(i) = P(i)*X(i+1) + Q(i)
template <typename N>
N substituir_linha(N P, N Q, N seguinte) {
    return P * seguinte + Q;
}

// Trapezoidal rule over the intervals of a field, one pair at a time in
// increasing node order, the pair summed first:
//   soma = (campo(i-1) + campo(i)) + soma
template <typename N>
N acumular_trapezio(N soma, N campo_oeste, N campo_leste) {
    return (campo_oeste + campo_leste) + soma;
}

// The mean from the sum of the pairs, divided by the slab length itself:
//   media = soma*dx*0.5/Lx
template <typename N>
N media_dos_trapezios(N soma, N dx, N Lx) {
    return soma * dx * 0.5 / Lx;
}

}  // namespace esquema
