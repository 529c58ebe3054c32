// The platform layer of the run-time (plataforma.posix.cpp and
// plataforma.windows.cpp): the standard streams, the end of the process, the
// floating-point traps and the memory the system can give. The platforms'
// differences show here only as types.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace servicos::plataforma {

#ifdef _WIN32
using Descritor = void*;  // a file HANDLE
#else
using Descritor = int;  // a file descriptor
#endif

// Writes all bytes to the standard error stream / standard output; async-signal-safe.
void escrever_erro_padrao(std::string_view bytes);
void escrever_saida_padrao(std::string_view bytes);

// Ends the process at once with `status`, no further clean-up.
[[noreturn]] void terminar_processo(int status);

// Gives a started-closed standard input, output or error stream a null
// device, so that no file the program opens later takes its place and
// receives reports or prompts meant for the console.
void garantir_fluxos_padrao();

// Unmasks invalid, divide-by-zero and overflow and installs the trap handler,
// which hands the fault's message number to `relatar` (it must not return).
using RelatoArmadilha = void (*)(int numero_mensagem);
void armar_armadilhas_ponto_flutuante(RelatoArmadilha relatar);

// Around a watched math function: `segurar_armadilhas` saves the
// floating-point state, masks every trap and clears the flags (in every unit
// the platform's doubles may use); `devolver_armadilhas` restores the saved
// state, flags included. Not nested.
void segurar_armadilhas();
void devolver_armadilhas();

// Bytes of memory that the system can give this process (physical memory plus
// swap, as far as the platform tells); 0 when unknown.
std::uint64_t memoria_disponivel();

}  // namespace servicos::plataforma
