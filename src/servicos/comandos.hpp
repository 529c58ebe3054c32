// Running a command line through the system's command interpreter.
#pragma once

#include <cstdint>
#include <string_view>

namespace servicos {

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

// Runs `comando` (trailing blanks dropped, leading kept) as
// "<COMSPEC> /c <comando>" (POSIX: {interpreter, "-c", comando}), waits for
// the interpreter to end and returns its exit status, or -1 with the reason
// recorded in the last-error value (POSIX: errno).
std::int32_t executar_comando(std::string_view comando);

// The reason recorded by the last failed call, without the marker bits.
int razao_ultima_falha();

}  // namespace servicos
