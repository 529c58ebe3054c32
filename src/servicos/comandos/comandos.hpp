// Commands: a command line run through the system's command interpreter and
// waited for (one file per platform), and the quoting of a piece of it so
// that the interpreter takes it literally (citacao*.cpp).
//
// May call: erros/ (the one failure it reports itself, a working buffer it
// cannot obtain), plataforma/ (the interrupt keys, which the program leaves
// to a running command) and base/ (the message numbers); everything else
// goes back to the caller as a status.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace servicos::comandos {

inline constexpr std::size_t maximo_comando = 1024;
inline constexpr std::size_t maximo_interpretador = 260;

// Reason codes recorded when no process could be started.
namespace razao_comando {
inline constexpr int nao_encontrado = 2;   // interpreter missing, or COMSPEC too long
inline constexpr int longo_demais = 7;     // command over 1024 characters
inline constexpr int formato_invalido = 8; // interpreter not a valid executable
inline constexpr int outra = 12;           // any other failure to start
inline constexpr std::uint32_t marca = 0x2FFF0000u;  // bits set over the reason
}  // namespace razao_comando

// Runs `comando` (trailing blanks dropped, leading kept) through the command
// interpreter, named by COMSPEC when it is set and not empty:
//   Windows: the command line "<COMSPEC or cmd.exe> /c <comando>", unquoted;
//   POSIX:   the argument vector {<COMSPEC or /bin/sh>, "-c", <comando>}.
// Waits for the interpreter to end and returns its exit status (POSIX: 128
// plus the signal for an interpreter killed by one), or -1 when nothing could
// be started, with the reason recorded in the last-error value with the marker
// bits (POSIX: errno holds the bare reason). A failure to obtain the working
// buffer is reported as F6772 and ends the program.
std::int32_t executar_comando(std::string_view comando);

// The length of `comando` without its trailing blanks: the part that runs.
std::size_t tamanho_sem_brancos_finais(std::string_view comando);

// The reason of the last failed call, without the marker bits. Windows: read
// from the last-error value, 0 once a later system call has overwritten it;
// POSIX: kept by the runner itself, since errno does not survive for long.
int razao_ultima_falha();

// `texto` as the command interpreter reads one literal piece of a command
// line: unchanged when it holds only letters, digits and harmless punctuation
// (on Windows also single inner blanks); otherwise quoted so that no character
// of it can redirect, chain, substitute, expand or split anything.
// On Windows a piece with %, " or ! cannot be quoted for cmd.exe: it is set
// instead into an environment variable of this process, which the
// interpreters started later inherit, and the result is "%DIFUSAO_ARQUIVO%".
// Each distinct piece has a variable of its own for the rest of the process
// (DIFUSAO_ARQUIVO for the first, DIFUSAO_ARQUIVO_2, _3... for the next), so
// a second piece, for the same command line or a later one, never replaces
// the first one's value.
std::string citar_para_interpretador(std::string_view texto);

// Whether a single blank between words may stand unquoted. cmd.exe hands the
// rest of the line to the editor, which takes it as one name; the POSIX shell
// would split the name into two arguments.
enum class BrancoIsolado { literal, citado };

// Whether `texto` stands as one literal piece as it is: letters, digits, bytes
// of accented letters, the characters of `pontuacao`, and single inner blanks
// when `branco` says so.
bool literal_para_interpretador(std::string_view texto, std::string_view pontuacao, BrancoIsolado branco);

}  // namespace servicos::comandos
