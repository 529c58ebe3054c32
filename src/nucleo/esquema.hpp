// The arithmetic of one row of the theta scheme, written once. The routines
// (termo_fonte, tdma, temperatura_media) and the driver's fused time loop
// both build their rows from these functions, so the two can only schedule
// the same IEEE operations differently, never compute them differently:
// every value comes out bit for bit the same whichever of them runs. Each
// function evaluates its formula in the order written beside it; the build
// forbids contraction into fused multiply-adds.
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
inline double termo_independente(double anterior_oeste, double anterior_centro, double anterior_leste,
                                 double a_exp, double a_cen) {
    return (anterior_leste + anterior_oeste) * a_exp + anterior_centro * a_cen;
}

// The coefficients P(i) and Q(i) of a row once eliminated.
struct Eliminada {
    double P;
    double Q;
};

// Row 1, which has no west neighbour:  P(1) = aE(1)/aP(1);  Q(1) = bP(1)/aP(1)
inline Eliminada eliminar_primeira_linha(double aP, double aE, double bP) { return {aE / aP, bP / aP}; }

// Row i from row i - 1 already eliminated:
//   d = aP(i) - aW(i)*P(i-1);  P(i) = aE(i)/d;  Q(i) = (bP(i) + aW(i)*Q(i-1))/d
inline Eliminada eliminar_linha(double aP, double aW, double aE, double bP, const Eliminada& anterior) {
    const double d = aP - aW * anterior.P;
    return {aE / d, (bP + aW * anterior.Q) / d};
}

// Back substitution of row i, from the solution at node i + 1:
//   X(i) = P(i)*X(i+1) + Q(i)
inline double substituir_linha(double P, double Q, double seguinte) { return P * seguinte + Q; }

// Trapezoidal rule over the intervals of a field, one pair at a time in
// increasing node order, the pair summed first:
//   soma = (campo(i-1) + campo(i)) + soma
inline double acumular_trapezio(double soma, double campo_oeste, double campo_leste) {
    return (campo_oeste + campo_leste) + soma;
}

// The mean from the sum of the pairs, divided by the slab length itself:
//   media = soma*dx*0.5/Lx
inline double media_dos_trapezios(double soma, double dx, double Lx) { return soma * dx * 0.5 / Lx; }

}  // namespace esquema
