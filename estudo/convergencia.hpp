// Verification of the theta-scheme run against the exact single-term solution:
// the mesh Fourier number, the stability bound and the amplification of the
// half-sine mode and of the worst mode, and the errors of the program's own
// computation on refined grids, with the orders of accuracy they show where
// an order means something.
#pragma once

#include <cstdint>
#include <optional>

#include "variaveis.hpp"

namespace estudo {

// The nine numerical data of the input file: one case to be run on any grid.
// The case now in the calling thread's state is variaveis::dados_de_entrada().
using Caso = variaveis::DadosEntrada;

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

// The factor of the worst mode, the node-to-node oscillation (s = 1):
// (1 - 4(1 - theta)F)/(1 + 4 theta F), 1 - 4F for the explicit scheme.
double fator_pior_modo(double theta, double F);

// Steps after which a mode of factor `fator` has grown `vezes` times:
// ln(vezes)/ln|fator|; +infinity when |fator| <= 1 (it never grows).
double passos_para_crescer(double fator, double vezes);

// The sin(pi x/Lx) mode over one time step, three ways.
struct Amplificacao {
    double discreto;      // A of the theta scheme, s = sin(pi dx/(2 Lx))
    double semidiscreto;  // exp(-4 F s^2): exact in time on the discrete grid
    double exato;         // exp(-pi^2 alpha dt/Lx^2)
};
// A/semidiscreto is the time-stepping error of a step, semidiscreto/exato
// the space error; their product is A/exato.
Amplificacao amplificacao(double theta, double alpha, double dt, double dx, double Lx);

// Everything the stability of one run comes to.
struct Estabilidade {
    double theta = 0.0;
    double F = 0.0;
    double limite = 0.0;  // bound on F for this theta (+infinity: none)
    bool estavel = true;
    Amplificacao meia_senoide{};
    double pior = 0.0;               // factor of the worst mode
    double passos_ruido = 0.0;       // steps for round-off in the worst mode to grow 10^10 times
    std::int32_t Nt = 0;
};
inline constexpr double crescimento_do_ruido = 1e10;
Estabilidade estabilidade(double theta, double alpha, double dt, double dx, double Lx, std::int32_t Nt);

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

// Starts a run of `caso` on `malha` in the calling thread's state
// (variaveis::iniciar_corrida): the arrays of the run before are released.
void colocar_no_estado(const Caso& caso, Malha malha);

// The grid of level `nivel` (0 is `base`), or nothing when Nx or Nt would not
// leave room for the run's 32-bit loop counters to step past them.
std::optional<Malha> malha_do_nivel(Refinamento tipo, Malha base, int nivel);

// Bytes one run on `malha` holds at its peak (principal::memoria_da_corrida).
std::uint64_t memoria_da_corrida(Malha malha);

// |error| over the time levels 0..Nt of one history.
struct Erros {
    double maximo = 0.0;
    double rms = 0.0;
    double final = 0.0;  // signed, exact minus numerical, at t = tf
    double t_maximo = 0.0;  // the time of the maximum
};

// |error| over the nodes of the field at t = tf.
struct ErroCampo {
    double maximo = 0.0;
    double rms = 0.0;
};

struct Nivel {
    Malha malha;
    double dx = 0.0;
    double dt = 0.0;
    double F = 0.0;
    bool estavel = true;
    // Errors below this can be round-off: a few units of the last place of
    // Ti for every step and node the run went through.
    double piso = 0.0;
    // The scheme's errors, each against the exact field on the same nodes:
    ErroCampo campo;  // the whole field at t = tf
    Erros media;      // trapezoidal mean of the field, against that of the exact field
    Erros meio;       // the middle node
    // The listing's comparison: the mean against the exact single-term mean
    // 2 Ti/pi exp(...), which adds the trapezoidal rule's own error.
    Erros listagem;
};

// Runs `caso` on `malha` through the program's own computation, with the
// floating-point traps held so that an unstable run ends in infinities or
// NaNs instead of a trap, and measures its errors. The calling thread's state
// keeps the run.
Nivel executar_nivel(Caso caso, Malha malha);

// The errors of the run now in the calling thread's state.
Nivel medir_corrida();

// Observed order between successive levels, log2(grosso/fino); NaN when
// either error is zero or not finite.
double ordem_observada(double grosso, double fino);

// Order from three successive signed errors, log2(|e1 - e2|/|e2 - e3|): the
// part of the error that does not depend on the refined step cancels, so at a
// fixed dx it is the order in time alone (and at a fixed dt, in space).
double ordem_por_diferencas(double e1, double e2, double e3);

// An order where it means something, or why there is none.
enum class Veredito {
    ordem,            // both levels stable, the errors fall and stand clear of round-off
    instavel,         // a level outside the stability bound, or an error not finite
    arredondamento,   // an error (or difference) within round-off
    nao_assintotico,  // the errors do not fall: the refined step is not what limits them
};
struct Ordem {
    Veredito veredito = Veredito::nao_assintotico;
    double p = 0.0;
};

// Least order shown: below it the error hardly falls with the refined step.
inline constexpr double menor_ordem = 0.1;
// An error counts as clear of round-off above this many times the level's floor.
inline constexpr double folga_arredondamento = 10.0;

// The order between two levels of the errors e_grosso and e_fino.
Ordem ordem_entre(const Nivel& grosso, const Nivel& fino, double e_grosso, double e_fino);
// The order from three levels' signed errors (by their differences).
Ordem ordem_das_diferencas(const Nivel& n1, const Nivel& n2, const Nivel& n3, double e1, double e2, double e3);

}  // namespace estudo
