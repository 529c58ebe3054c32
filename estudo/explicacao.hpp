// --explicar: entradas_geral.ent read by difusao_calor's own reader, with an
// observer that tells, line by line, the value each variable received, the
// text that was ignored and why; then the usual mistakes, and the memory and
// time the run would take. Two quiet forms serve other tools (the launcher
// checks the input with them after the user's edit): only the warnings, one
// per line, each naming its line; or only the listing's name.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convergencia.hpp"

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
    titulo,     // only the stability verdict of the plots' titles (--titulo)
};

// Explains entradas_geral.ent of the current folder on the standard output,
// writing no file (a missing file is not created). Status:
// - narrativa: 0 when it reads cleanly, 2 with warnings; a read failure ends
//   the process after the explanation with difusao_calor's own report and 1;
// - avisos: 0 and nothing printed without warnings, 2 with warnings, 1 when
//   the file does not exist or cannot be read to its tenth value (the lines
//   then say where the read stops and why; no report of the program);
// - listagem: 0 with the name printed, 1 with nothing printed when the name
//   cannot be read or is blank;
// - titulo: 0 with the verdict's lines printed, 1 with nothing printed when
//   the file cannot be read to its tenth value.
int explicar_entrada(FormaExplicacao forma);

// Reads entradas_geral.ent into the state exactly as difusao_calor does, and
// returns the explainer's warnings about it. On a read failure the warnings
// so far and the line where the read stops are written on the standard output
// before the program's own report ends the process.
std::vector<Aviso> ler_entradas_com_avisos();

// The line of each of the ten data in the file (0: not read).
using LinhasDosDados = std::array<std::size_t, 10>;

// The index of each datum in the file's order.
enum Dado : std::size_t { d_arq_saida, d_Lx, d_Nx, d_tf, d_Nt, d_Ti, d_theta, d_k, d_ro, d_cp };

// What is wrong with the data, as data: the kind, the data it comes from,
// the numbers it rests on and those of its remedy. The words are
// texto_do_achado's.
enum class Problema {
    theta_fora,           // theta outside [0, 1]
    nao_positivo,         // Lx, tf, k, ro or cp not positive (`dado` says which)
    poucos_nos,           // Nx < 3
    sem_passos,           // Nt < 1
    nome_vazio,           // the listing's name is blank
    nome_do_programa,     // the listing named as one of the program's own files
    derivadas_invalidas,  // dx, dt or alpha divide by zero or overflow
    instavel_na_malha,    // F past this grid's stability bound
    instavel_refinada,    // stable on this grid, past the bound of refined grids
    oscila,               // the half sine's factor is negative
    memoria,              // the run needs more memory than the system can give
};
struct Achado {
    Problema problema = Problema::theta_fora;
    std::vector<Dado> dados;  // whose lines the warning names
    Dado dado = d_arq_saida;  // nao_positivo: the datum
    double valor = 0.0;       // the datum, or F
    double limite = 0.0;      // the bound passed (refined grids' for instavel_refinada)
    double limite_malha = 0.0;
    double fator = 0.0;       // the fastest-growing mode's or the half sine's factor
    std::int32_t modo = 0;    // instavel_na_malha: that mode, m
    bool modo_mais_alto = true;      // it is m = Nx - 2 (not so only for theta < 0)
    std::int32_t modo_singular = 0;  // instavel_na_malha: a mode with 1 + 4 theta F s^2 = 0; 0: none
    std::int64_t passos = 0;  // steps for round-off to grow 10^10 times (0: it does not grow)
    double limite_geral = 0.0;  // oscila: the bound for every mode of every grid
    // The least Nt that meets the bound with the other data as they are (as
    // the program computes F); none when no Nt within its counters does.
    std::optional<std::int32_t> Nt_minimo;
    std::uint64_t precisa = 0, disponivel = 0;  // memoria, in bytes
    std::string nome;  // nome_do_programa: the listing's name; memoria: who limits it
};

// The ten data as read.
struct DadosLidos {
    std::string nome_listagem;  // with its blanks
    Caso caso;
};
// The problems of the data; `disponivel` is the memory the run can have
// (0: unknown) and `quem_limita` who sets it ("o sistema", a limit of the
// process). The floating-point traps are held by the caller.
std::vector<Achado> achados_dos_dados(const DadosLidos& dados, std::uint64_t disponivel,
                                      std::string_view quem_limita);
// The warning's words, and each warning's lines.
std::string texto_do_achado(const Achado& achado);
Aviso aviso_do_achado(const Achado& achado, const LinhasDosDados& linhas);

// The least Nt >= 1 at which the data, the step count aside, meet `cumpre`
// on the program's F (F falls as Nt grows); none within the run's counters.
std::optional<std::int32_t> menor_Nt_que_cumpre(const Caso& caso, bool (*cumpre)(const Caso& caso, double F));

// The warnings about the data now in the state (besides the ones about single
// lines), with the fault detection held by the caller: theta outside
// [0, 1], a length, time or property not positive, Nx < 3, Nt < 1, F past the
// stability bound of theta (on this grid, or only as the grid is refined), a
// half sine whose factor is negative (the solution changes sign every step),
// a listing name that is one of the program's own files, more memory than the
// system can give.
std::vector<Aviso> avisos_dos_dados(std::string_view nome_listagem, const LinhasDosDados& linhas);

}  // namespace estudo
