// --explicar: entradas_geral.ent read by difusao_calor's own reader, with an
// observer that tells, line by line, the value each variable received, the
// text that was ignored and why; then the usual mistakes, and the memory and
// time the run would take. Two quiet forms serve other tools (the launcher
// checks the input with them after the user's edit): only the warnings, one
// per line, each naming its line; or only the listing's name.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace estudo {

// A warning about entradas_geral.ent and the lines of the data it comes from
// (in the file, from 1; none when no line is concerned).
struct Aviso {
    std::vector<std::size_t> linhas;
    std::string texto;
};

// The warning as one line of the quiet form: "entradas_geral.ent, linha 7: ...",
// "entradas_geral.ent, linhas 2 a 5 e 8 a 10: ..." or "entradas_geral.ent: ...".
std::string linha_do_aviso(const Aviso& aviso);

// The warnings as the study's other modes show them first: a heading, then
// one warning a line, broken within 100 columns; "" without warnings.
std::string bloco_de_avisos(const std::vector<Aviso>& avisos);

// What --explicar prints.
enum class FormaExplicacao {
    narrativa,  // line by line, the warnings, the estimate of the run
    avisos,     // only the warnings, one per line (--avisos)
    listagem,   // only the listing's name as the program would create it (--listagem)
};

// Explains entradas_geral.ent of the current folder on the standard output,
// writing no file (a missing file is not created). Status:
// - narrativa: 0 when it reads cleanly, 2 with warnings; a read failure ends
//   the process after the explanation with difusao_calor's own report and 1;
// - avisos: 0 and nothing printed without warnings, 2 with warnings, 1 when
//   the file does not exist or cannot be read to its tenth value (the lines
//   then say where the read stops and why; no report of the program);
// - listagem: 0 with the name printed, 1 with nothing printed when the name
//   cannot be read or is blank.
int explicar_entrada(FormaExplicacao forma);

// Reads entradas_geral.ent into the state exactly as difusao_calor does, and
// returns the explainer's warnings about it. On a read failure the warnings
// so far and the line where the read stops are written on the standard output
// before the program's own report ends the process.
std::vector<Aviso> ler_entradas_com_avisos();

// The line of each of the ten data in the file (0: not read).
using LinhasDosDados = std::array<std::size_t, 10>;

// The warnings about the data now in the state (besides the ones about single
// lines), with the fault detection held by the caller: theta outside
// [0, 1], a length, time or property not positive, Nx < 3, Nt < 1, F past the
// stability bound of theta (on this grid, or only as the grid is refined), a
// half sine whose factor is negative (the solution changes sign every step),
// a listing name that is one of the program's own files, more memory than the
// system can give.
std::vector<Aviso> avisos_dos_dados(std::string_view nome_listagem, const LinhasDosDados& linhas);

}  // namespace estudo
