// The start of a run: what the run-time sets up before the program's own
// code. It joins the subsystems of this folder (the units' clean-up, the
// reports, the platform's streams, the fault detection), so it stays above them all:
// it may include every folder of servicos/, and none of them includes it.
#pragma once

namespace servicos {

// Gives closed standard streams the null device, hands the command-line
// arguments to the units (they stand in for blank file names), registers the
// closing of every unit as the clean-up of the end of the program, and arms
// the fault detection (base/deteccao.hpp) for invalid operations, divisions
// by zero and overflows with the report of a trap.
void iniciar_execucao(int argc, char** argv);

}  // namespace servicos
