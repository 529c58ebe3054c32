// The main program: input, set-up, time loop, comparison, reports.
//
// The program (principal, main) is the top of src/: it may include dados/,
// the numerical core (nucleo/) and the services (servicos/). Only the study
// tool (estudo/, outside src/) is above it, and nothing in src/ includes that.
#pragma once

#include <cstdint>

namespace principal {

// Process entry of the run: ignores its arguments, runs the main program and
// returns 0, the exit status of a completed run.
int _main(int argc, char** argv, char** envp);

// The whole process, as main runs it: the run-time's start-up, _main, and the
// end of the program with its status; memory that runs out on the way is
// reported as such.
[[noreturn]] void executar_processo(int argc, char** argv);

// The whole run on the shared state: the input (leitura_dados, then the
// check of the listing's name), the set-up (preparar_laco), the time loop and
// the reports. A large run has its results written by a second thread while
// its loop runs (dados/resultados_no_laco.hpp), a small one has them written
// after it by solucao_analitica and resultados; the bytes and the reports are
// the same either way.
void programa_principal();

// Everything between the input and the reports, without writing anything:
// preparar_laco, the time loop and the analytic mean temperature. The tests
// and the study tool run a case through it.
void calcular();

// Everything before the time loop: derived quantities, arrays, grids, the
// initial field with its records, and the constant coefficients. The memory
// check counts `memoria_a_mais` bytes with the arrays (those the run will
// also hold, beyond them).
void preparar_laco(std::uint64_t memoria_a_mais = 0);

// Bytes a run on `nos` nodes and `passos` time steps holds at its peak: the
// node and time-level arrays of the state and the solver's two work arrays.
// Exact up to the largest 32-bit counts.
std::uint64_t memoria_da_corrida(std::int32_t nos, std::int32_t passos);

// The pieces of preparar_laco and calcular that are the program's own, in
// the order they run (the initial field runs between montar_malhas and
// registrar_nivel_inicial, the coefficients after it).
void calcular_grandezas_derivadas();
void alocar_arranjos(std::uint64_t memoria_a_mais = 0);
void montar_malhas();
void registrar_nivel_inicial();
void avancar_no_tempo();

}  // namespace principal
