// Verification of the theta-scheme run against the exact single-term solution:
// the mesh Fourier number and its stability bound, the amplification factor
// of the sin(pi x/Lx) mode, and the errors of the program's own computation on
// a sequence of refined grids, with the orders of accuracy they show.
#pragma once

#include <cfenv>
#include <cstdint>
#include <optional>

namespace estudo {

// The nine numerical data of the input file: one case to be run on any grid.
struct Caso {
    double Lx = 0.0;
    std::int32_t Nx = 0;
    double tf = 0.0;
    std::int32_t Nt = 0;
    double Ti = 0.0;
    double theta = 0.0;
    double k = 0.0;
    double ro = 0.0;
    double cp = 0.0;
};

// The case now held in the shared state (as the input reader left it).
Caso caso_do_estado();

// ---------------------------------------------------------------------------
// Stability and amplification.

// Mesh Fourier number F = alpha*dt/dx^2.
double numero_fourier(double alpha, double dt, double dx);

// Largest F for which no mode of the theta scheme grows: the worst mode
// (node-to-node oscillation) has A >= -1 exactly when (1 - 2 theta)F <= 1/2,
// so F <= 1/(2(1 - 2 theta)) for theta < 1/2; +infinity for theta >= 1/2.
double limite_fourier(double theta);

// Whether F is within the bound of `theta` (the bound itself is stable).
bool estavel(double theta, double F);

// One-step factor of the mode of discrete wave number s = sin(k dx/2):
//     A = (1 - 4(1 - theta)F s^2)/(1 + 4 theta F s^2).
double fator_modo(double theta, double F, double s);

// The sin(pi x/Lx) mode over one time step, three ways.
struct Amplificacao {
    double discreto;      // A of the theta scheme, s = sin(pi dx/(2 Lx))
    double semidiscreto;  // exp(-4 F s^2): exact in time on the discrete grid
    double exato;         // exp(-pi^2 alpha dt/Lx^2)
};
// A/semidiscreto is the time-stepping error of a step, semidiscreto/exato
// the space error; their product is A/exato.
Amplificacao amplificacao(double theta, double alpha, double dt, double dx, double Lx);

// ---------------------------------------------------------------------------
// Refinement.

// What is halved from one level to the next.
enum class Refinamento {
    espaco_e_tempo,  // dx and dt together: Nx - 1 and Nt doubled
    espaco,          // dx alone, dt fixed: Nx - 1 doubled
    tempo,           // dt alone, dx fixed: Nt doubled
};

struct Malha {
    std::int32_t Nx = 0;
    std::int32_t Nt = 0;
};

// The grid of level `nivel` (0 is `base`), or nothing when Nx or Nt would not
// leave room for the run's 32-bit loop counters to step past them.
std::optional<Malha> malha_do_nivel(Refinamento tipo, Malha base, int nivel);

// Bytes one run on `malha` holds at its peak: seven node arrays and four
// time-level arrays of the state, plus the solver's two work arrays.
std::uint64_t memoria_da_corrida(Malha malha);

// |analytic - numerical| over the time levels 0..Nt of one history.
struct Erros {
    double maximo = 0.0;
    double rms = 0.0;
    double final = 0.0;  // signed, analytic minus numerical, at t = tf
};

struct Nivel {
    Malha malha;
    double dx = 0.0;
    double dt = 0.0;
    double F = 0.0;
    bool estavel = true;
    Erros media;  // mean temperature Tm
    Erros meio;   // middle-node temperature Tmeio
};

// Runs `caso` on `malha` through the program's own computation, with the
// floating-point traps held so that an unstable run ends in infinities or
// NaNs instead of a trap, and measures its errors. The state keeps the run.
Nivel executar_nivel(Caso caso, Malha malha);

// The errors of the run now in the state.
Nivel medir_corrida();

// Releases the state's arrays, so that the next run does not hold two sets.
void liberar_arranjos();

// Observed order between successive levels, log2(grosso/fino); NaN when
// either error is zero or not finite.
double ordem_observada(double grosso, double fino);

// Order from three successive signed errors, log2(|e1 - e2|/|e2 - e3|): the
// part of the error that does not depend on the refined step cancels, so at a
// fixed dx it is the order in time alone (and at a fixed dt, in space).
double ordem_por_diferencas(double e1, double e2, double e3);

// Holds the floating-point traps for its lifetime: arithmetic faults give
// their IEEE default results (inf, NaN) and the traps are restored after.
class ArmadilhasRetidas {
public:
    ArmadilhasRetidas();
    ~ArmadilhasRetidas();
    ArmadilhasRetidas(const ArmadilhasRetidas&) = delete;
    ArmadilhasRetidas& operator=(const ArmadilhasRetidas&) = delete;

private:
    std::fenv_t ambiente_;
    unsigned controle_sse_ = 0;  // saved apart: not every C library's fenv_t covers it
};

}  // namespace estudo
