// The start of a run: what the run-time sets up before the program's own
// code. It joins the subsystems of this folder (the units' clean-up, the
// reports, the platform's streams and traps), so it stays above them all:
// it may include every folder of servicos/, and none of them includes it.
#pragma once

namespace servicos {

// Gives closed standard streams the null device, hands the command-line
// arguments to the units (they stand in for blank file names), registers the
// closing of every unit as the clean-up of the end of the program, and arms
// the floating-point traps for invalid operations, divisions by zero and
// overflows with the handler that reports them.
void iniciar_execucao(int argc, char** argv);

}  // namespace servicos
