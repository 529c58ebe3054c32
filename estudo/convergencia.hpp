// Verification of the theta-scheme run against the exact single-term solution:
// the mesh Fourier number, the stability bound and the amplification of the
// half-sine mode and of the worst mode, and the errors of the program's own
// computation on refined grids, with the orders of accuracy they show where
// an order means something.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "exatas.hpp"
#include "nucleo/variaveis.hpp"

namespace estudo {

// The nine numerical data of the input file: one case to be run on any grid.
// The case now in the calling thread's state is variaveis::dados_de_entrada().
using Caso = variaveis::DadosEntrada;

// ---------------------------------------------------------------------------
// Stability and amplification.

// Mesh Fourier number F = alpha*dt/dx^2.
double numero_fourier(double alpha, double dt, double dx);

// The modes of the grid. With both ends held at zero, the field on Nx nodes is
// a sum of the Nx - 2 modes sin(m pi x/Lx), m = 1..Nx-2, each an eigenvector
// of the scheme: one time step multiplies mode m by its factor
//     A = (1 - 4(1 - theta)F s^2)/(1 + 4 theta F s^2),  s = sin(m pi dx/(2 Lx)).
// A falls as s^2 grows, so the half sine (m = 1, the data's own mode) has the
// largest factor and the highest mode (m = Nx - 2, s^2 = cos^2(pi/(2(Nx - 1))))
// the smallest; every other mode lies between them.
double fator_modo(double theta, double F, double s);

// s^2 of the grid's highest mode, cos^2(pi/(2(Nx - 1))); 0 without an interior node.
double s2_modo_mais_alto(std::int32_t Nx);

// The factor of the grid's highest mode, the first to grow or to change sign.
double fator_pior_modo(double theta, double F, std::int32_t Nx);

// Largest F for which no mode grows on any grid, however fine (s^2 -> 1):
// 1/(2(1 - 2 theta)) for theta < 1/2; +infinity for theta >= 1/2.
double limite_fourier(double theta);
// Whether F is within that bound (the bound itself is stable): stable for
// every refinement of the grid at this F.
bool estavel(double theta, double F);

// Largest F for which no mode of this grid grows: 1/(2(1 - 2 theta) s^2) with
// the highest mode's s^2, a little above limite_fourier; +infinity for
// theta >= 1/2 and for a grid without interior node.
double limite_fourier_malha(double theta, std::int32_t Nx);
// Whether no mode of this grid grows: 0 <= F <= limite_fourier_malha.
bool estavel_na_malha(double theta, double F, std::int32_t Nx);

// Largest F for which a mode of wave number s keeps its sign from step to
// step: its factor is negative when 4(1 - theta)F s^2 > 1, so F <= 1/(4(1 -
// theta) s^2); +infinity for theta >= 1. With s = 1, every mode of every grid.
double limite_sem_oscilacao(double theta, double s);
// Largest F of the discrete maximum principle (no new value outside the range
// of the old ones and the ends): 1 - 2(1 - theta)F >= 0, F <= 1/(2(1 - theta)).
double limite_principio_maximo(double theta);

// What a mode does from step to step, by its factor A.
enum class Comportamento {
    decai,   // 0 <= A <= 1: keeps its sign and shrinks (or stays)
    oscila,  // -1 <= A < 0: changes sign every step and does not grow
    cresce,  // |A| > 1 (or not a number): grows, by |A| every step
};
Comportamento comportamento(double fator);

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
    std::int32_t Nx = 0;
    std::int32_t Nt = 0;
    // Two verdicts: on this grid, and on every grid refined at this F.
    double limite_malha = 0.0;  // bound on F for this grid (+infinity: none)
    bool estavel_malha = true;
    double limite = 0.0;  // bound on F as dx -> 0 (+infinity: none)
    bool estavel = true;
    Amplificacao meia_senoide{};
    double s2_pior = 0.0;      // s^2 of the grid's highest mode
    double pior = 0.0;         // its factor
    ModoMaisRapido rapido{};   // the mode of largest |A| over all modes, and a singular one
    double passos_ruido = 0.0; // steps for round-off in the fastest mode to grow 10^10 times
    PassoMeiaSenoide passo{};  // the half sine's step as logarithms (exatas.hpp)
    RazoesDoPasso razoes{};    // its ratios, free of cancellation
    // Bounds on F for signs that do not oscillate: the half sine's on this
    // grid, every mode's on every grid, and the discrete maximum principle's.
    double limite_oscilacao_meia = 0.0;
    double limite_oscilacao = 0.0;
    double limite_maximo = 0.0;
};
inline constexpr double crescimento_do_ruido = 1e10;
Estabilidade estabilidade(double theta, double alpha, double dt, double dx, double Lx, std::int32_t Nx,
                          std::int32_t Nt);

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
    double com_sinal = 0.0;  // the signed error whose absolute value is the maximum
    // Bounds of the round-off in the measured errors: the largest over the
    // history and the one at t = tf. A measured error and the scheme's exact
    // one (the exact arithmetic's) differ by at most this much.
    double piso = 0.0;
    double piso_final = 0.0;
};

// |error| over the nodes of the field at t = tf.
struct ErroCampo {
    double maximo = 0.0;
    double rms = 0.0;
    double com_sinal = 0.0;  // the signed error at the node of the maximum
    double piso = 0.0;       // bound of the round-off in every node's error, as in Erros
    // The largest error of the scheme itself over the nodes (the closed
    // form's, exact arithmetic), and the largest departure of the run from
    // it: round-off, amplified by the modes that grow when the level is
    // unstable. log10 of the first, finite where it leaves the double range.
    double esquema = 0.0;
    double log10_esquema = 0.0;
    double arredondamento = 0.0;
};

struct Nivel {
    Malha malha;
    double dx = 0.0;
    double dt = 0.0;
    double F = 0.0;
    bool estavel = true;  // no mode of this grid grows
    double fator_meia = 0.0;  // one-step factor of the half sine, the data's own mode
    double fator_pior = 0.0;  // and of the grid's highest mode
    ModoMaisRapido rapido{};  // the mode whose factor is largest in absolute value, and a singular one
    double x_meio = 0.0;      // where the middle node is (the left of the two central ones for even Nx)
    // Errors below this can be round-off: the largest bound of the level's
    // measured errors (ErroCampo::piso, Erros::piso).
    double piso = 0.0;
    // The scheme's errors, each against the exact field on the same nodes:
    ErroCampo campo;  // the whole field at t = tf
    Erros media;      // trapezoidal mean of the field, against that of the exact field
    Erros meio;       // the middle node
    // The listing's comparison: the mean against the exact single-term mean
    // 2 Ti/pi exp(...), which adds the trapezoidal rule's own error.
    Erros listagem;
    // The scheme's error at tf split in two by the closed forms, at the
    // amplitude Ti (the field's error is Ti sin(pi x/Lx) times their sum, up
    // to round-off): the time stepping's, exp(-4 F s^2 Nt) - A^Nt, and the
    // space grid's, exp(-pi^2 alpha tf/Lx^2) - exp(-4 F s^2 Nt); exact minus
    // numerical, with their signs. Each is formed without cancellation
    // (exatas.hpp), and the true value lies within its bound.
    double parte_tempo = 0.0;
    double parte_espaco = 0.0;
    double cota_tempo = 0.0;
    double cota_espaco = 0.0;
    double log10_A_Nt = 0.0;  // log10 |A|^Nt, finite where |A|^Nt overflows
    PassoMeiaSenoide passo{};  // the half sine's step as logarithms
};

// The levels of one kind of refinement.
struct Serie {
    Refinamento tipo;
    std::vector<Nivel> niveis;
};

// The run of one scheme on the input grid.
struct Esquema {
    double theta;
    Nivel nivel;
    Amplificacao amplificacao;
    // The middle node's error at t = tf split in two: against the solution
    // that is exact in time on the discrete grid (the time stepping's own
    // error), and that solution against the exact one (the space error,
    // the same for every theta); both from the closed forms, with their
    // bounds. And the run's departure there from its closed form (round-off).
    double erro_tempo_meio;
    double erro_espaco_meio;
    double cota_tempo_meio = 0.0;
    double cota_espaco_meio = 0.0;
    double arredondamento_meio = 0.0;
};

// Runs `caso` on `malha` through the program's own computation, with the
// fault detection held so that an unstable run ends in infinities or NaNs
// instead of a report, and measures its errors. The calling thread's state
// keeps the run.
Nivel executar_nivel(Caso caso, Malha malha);

// The errors of the run now in the calling thread's state.
Nivel medir_corrida();

// The scheme of the run now in the calling thread's state, whose level
// `nivel` is (medir_corrida): its middle node's error at tf split in time and
// space, and its departure there from the closed form.
Esquema medir_esquema(const Nivel& nivel);

// Nanoseconds per node and step of the program's computation on this
// machine, for a grid of about `nos` nodes: the best of three short runs of
// about a million node-steps, in the calling thread's state.
double medir_ns_por_no_passo(std::int32_t nos);

}  // namespace estudo
