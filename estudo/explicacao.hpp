// --explicar: entradas_geral.ent read by difusao_calor's own reader, with an
// observer that tells, line by line, the value each variable received, the
// text that was ignored and why; then the usual mistakes, and the memory and
// time the run would take.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace estudo {

// Explains entradas_geral.ent of the current folder on the standard output.
// Returns 0 when it reads cleanly and 2 when there are warnings. A read
// failure ends the process after the explanation with difusao_calor's own
// report and status 1; a missing file is not created.
int explicar_entrada();

// The warnings about the data now in the state (besides the ones about single
// lines), with the floating-point traps held by the caller:
// theta outside [0, 1], a length, time or property not positive, Nx < 3,
// Nt < 1, F above the bound for theta < 1/2, a listing name that is one of
// the program's own files, more memory than the system can give.
std::vector<std::string> avisos_dos_dados(std::string_view nome_listagem);

}  // namespace estudo
