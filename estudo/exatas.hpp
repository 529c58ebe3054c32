// The half sine on the grid in closed form, free of cancellation, each
// number with a bound of its error.
//
// With both ends at zero the half sine sin(pi x/Lx) is a mode of the theta
// scheme: with z = 4 F s^2, s = sin(phi), phi = pi dx/(2 Lx), one step
// multiplies it by A = (1 - (1 - theta) z)/(1 + theta z); the solution exact
// in time on the grid by exp(-z); the exact solution by exp(-z r),
// r = (phi/sin phi)^2 (the grid's eigenvalue 4 s^2/dx^2 against pi^2/Lx^2).
// The errors the study reads are differences of these powers, which agree to
// many digits when z is small: exp(-4 F s^2 Nt) - A^Nt for Crank-Nicolson is
// about Nt z^3/12 times a number near 1. Formed directly they are round-off;
// here each comes from the logarithms of the ratios, ln|A| + z and z (r - 1),
// which are summed as series where their leading terms would cancel, and
// from expm1 of their multiples.
#pragma once

#include <cstdint>
#include <limits>

namespace estudo {

inline constexpr double epsilon = std::numeric_limits<double>::epsilon();

// A number and a bound of its error: the exact value lies within
// [valor - cota, valor + cota]. An infinite bound says nothing is known.
struct Cotado {
    double valor = 0.0;
    double cota = 0.0;
};

// +1 or -1 when the bound leaves no doubt about the sign, 0 otherwise.
int sinal_certo(const Cotado& c);

// Relative error bound of z = 4 F s^2 as the study forms it from the input:
// alpha, dt, dx, F, pi, phi and s each add a rounding or two.
inline constexpr double erro_relativo_de_z = 32.0 * epsilon;

// One step of the half sine, as logarithms of its three factors' ratios.
struct PassoMeiaSenoide {
    double z = 0.0;      // 4 F s^2
    double A = 0.0;      // the scheme's factor, to rounding
    Cotado log_A;        // ln|A| (-infinity when A is 0)
    Cotado d;            // ln|A| + z: ln(|A|/exp(-z)), the time stepping's departure per step
    Cotado q;            // z (r - 1) >= 0: ln(exp(-z)/exact), the grid's per step
    double cota_relativa_A = 0.0;  // of A itself, rounding and the error of z
};
PassoMeiaSenoide passo_meia_senoide(double theta, double F, double phi);

// The half sine's error at t = tf in closed form, at the amplitude Ti, exact
// minus numerical: the time stepping's part Ti (exp(-Nt z) - A^Nt) and the
// grid's Ti (exp(-Nt z r) - exp(-Nt z)).
struct PartesFechadas {
    Cotado tempo;
    Cotado espaco;
    // log10 |A|^Nt, finite where |A|^Nt itself leaves the double range.
    double log10_A_Nt = 0.0;
};
PartesFechadas partes_fechadas(const PassoMeiaSenoide& passo, std::int64_t Nt, double Ti);

// The sum of the two parts, Ti (exp(-Nt z r) - A^Nt), with both bounds.
Cotado soma(const Cotado& a, const Cotado& b);

// The ratios of the step's factors minus 1, through expm1: A/exp(-z) - 1,
// exp(-z)/exact - 1, A/exact - 1, and (A/exact)^Nt - 1 (the mode's relative
// error at tf). Meaningful for A > 0.
struct RazoesDoPasso {
    Cotado tempo;
    Cotado espaco;
    Cotado total;
    Cotado total_em_tf;
};
RazoesDoPasso razoes_do_passo(const PassoMeiaSenoide& passo, std::int64_t Nt);

// phi - sin(phi), by its series where phi is small.
double phi_menos_seno(double phi);

// The mode of the grid whose factor is largest in absolute value (the
// fastest to grow or, if none grows, the slowest to decay), over every mode
// m = 1..Nx-2, s = sin(m pi/(2(Nx - 1))); and whether the implicit matrix is
// singular: 1 + 4 theta F s^2 = 0 for a mode, within the rounding of its
// terms. For theta < 0 the denominator vanishes inside the spectrum and the
// fastest mode is near that pole, not the highest.
struct ModoMaisRapido {
    std::int32_t m = 0;    // 0: no interior node
    double s2 = 0.0;
    double A = 0.0;        // may be infinite at a singular mode
    std::int32_t m_singular = 0;  // a mode with 1 + 4 theta F s^2 = 0 to rounding; 0: none
    double denominador = 0.0;     // 1 + 4 theta F s^2 of that mode
};
ModoMaisRapido modo_mais_rapido(double theta, double F, std::int32_t Nx);

}  // namespace estudo
