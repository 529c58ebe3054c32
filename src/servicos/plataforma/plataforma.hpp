// The platform layer (plataforma.posix.cpp and plataforma.windows.cpp): the
// standard streams, the end of the process, the floating-point traps and the
// memory the system can give; with it the console line of the blank-name
// prompt (console.hpp), the large arrays' memory (memoria.hpp), the room
// under Linux control groups and the process's limits (limites_memoria.hpp).
// The platforms' differences show in the headers only as types.
//
// May call: nothing of the program but base/, for the message numbers of the
// faults it catches.
#pragma once

#include <cfenv>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "servicos/base/mensagens.hpp"

namespace servicos::plataforma {

#ifdef _WIN32
using Descritor = void*;  // a file HANDLE
// The floating-point state that a hold of the traps saves: the x87
// environment as fnstenv stores it in 64-bit mode, and MXCSR. The C
// run-time's fenv is not used: with some Windows runtimes it leaves the SSE
// masks alone, and a held SSE fault would trap anyway.
struct AmbientePontoFlutuante {
    struct {
        unsigned char bytes[28];
    } x87;
    unsigned mxcsr;
};
using MascaraSinais = int;  // unused: the console's handler waits instead
using AcoesGuardadas = int;  // unused: the console's handler looks at a flag
#else
using Descritor = int;                        // a file descriptor
using AmbientePontoFlutuante = std::fenv_t;  // glibc's covers the x87 unit and SSE alike
using MascaraSinais = sigset_t;
struct AcoesGuardadas {
    struct sigaction interrupcao, saida;  // of SIGINT and SIGQUIT
};
#endif

// The faults that trap while the program runs. Denormal operands, underflow
// and inexact results stay masked and give their default results silently.
inline constexpr int falhas_armadas = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;

// Writes all bytes to the standard error stream / standard output; async-signal-safe.
void escrever_erro_padrao(std::string_view bytes);
void escrever_saida_padrao(std::string_view bytes);

// Ends the process at once with `status`, no further clean-up.
[[noreturn]] void terminar_processo(int status);

// Gives a started-closed standard input, output or error stream a null
// device, so that no file the program opens later takes its place and
// receives reports or prompts meant for the console.
void garantir_fluxos_padrao();

// The signals of the run. A write to a pipe with no reader, or past the
// file-size limit, fails and is reported instead of killing the process (the
// started commands get the default actions back). A request to terminate
// (SIGTERM, SIGINT, SIGHUP, SIGQUIT; on Windows the console's break events)
// runs `descartar`, which must be async-signal-safe, and then ends the
// process as the request meant; a request the process was started ignoring
// stays ignored.
using FuncaoDescarte = void (*)();
void preparar_sinais(FuncaoDescarte descartar);

// Holds requests to terminate for its lifetime; one that arrives meanwhile
// takes effect at its end. Holds nest.
class TerminoAdiado {
public:
    TerminoAdiado();
    ~TerminoAdiado();
    TerminoAdiado(const TerminoAdiado&) = delete;
    TerminoAdiado& operator=(const TerminoAdiado&) = delete;

private:
    MascaraSinais anterior_;
};

// While a started command runs, the interrupt keys are the command's, as a
// shell leaves them to the command it waits for: the program ignores SIGINT
// and SIGQUIT (on Windows the console's Ctrl-C and Ctrl-Break) for the
// lifetime of this object, so that they cannot end it with the command still
// running. The command gets back the actions the program was started with:
// padrao_no_filho holds the signals that it must get with their default
// action (those that the program was not started ignoring).
class InterrupcoesDoComando {
public:
    InterrupcoesDoComando();
    ~InterrupcoesDoComando();
    InterrupcoesDoComando(const InterrupcoesDoComando&) = delete;
    InterrupcoesDoComando& operator=(const InterrupcoesDoComando&) = delete;

    const MascaraSinais& padrao_no_filho() const { return padrao_no_filho_; }

private:
    AcoesGuardadas anteriores_;
    MascaraSinais padrao_no_filho_;
};

// Unmasks the armed faults and installs the trap handler, which hands the
// fault's code to `relatar` (it must not return).
using RelatoArmadilha = void (*)(base::CodigoMatematica codigo);
void armar_armadilhas_ponto_flutuante(RelatoArmadilha relatar);

// Holds the floating-point traps for its lifetime. It saves the state of
// every unit the platform's doubles may use, masks every fault and clears the
// flags, so that a fault gives its IEEE default result (an infinity, a NaN)
// and only raises its flag; at its end it restores the saved state, flags
// included, so that nothing raised meanwhile stays behind to trap later.
// Holds nest: each restores what it found.
class ArmadilhasRetidas {
public:
    ArmadilhasRetidas();
    ~ArmadilhasRetidas();
    ArmadilhasRetidas(const ArmadilhasRetidas&) = delete;
    ArmadilhasRetidas& operator=(const ArmadilhasRetidas&) = delete;

    // The armed faults raised since the hold began (bits of falhas_armadas).
    int falhas() const { return std::fetestexcept(falhas_armadas); }

private:
    AmbientePontoFlutuante guardado_;
};

// A compiler barrier: no memory access, and so none of the arithmetic between
// them, moves across it. It keeps a computation under a hold of the traps
// between the start of the hold and the test of its flags.
inline void barreira() { __asm__ __volatile__("" ::: "memory"); }

// The largest count given to one system read or write. Win32 takes a 32-bit
// count; pieces of 1 GiB stay well inside it and cost nothing against the
// time the system takes to move them.
inline constexpr std::size_t maior_pedaco_es = std::size_t{1} << 30;

// Bytes of memory that the system can give this process (physical memory plus
// swap, as far as the platform tells; on Linux no more than the limits of its
// control groups leave); 0 when unknown.
std::uint64_t memoria_disponivel();

// The process's own limits on what it may map (POSIX getrlimit; Windows has
// none): past them a mapping is refused outright, however much the system
// has free.
enum class LimiteDoProcesso {
    espaco_de_enderecos,  // RLIMIT_AS, ulimit -v: every mapping counts
    dados,                // RLIMIT_DATA, ulimit -d: the heap and the private writable mappings
};

struct FolgaDoProcesso {
    std::uint64_t bytes;
    LimiteDoProcesso limite;
};

// The room those limits leave: each less what the process already maps under
// it, the least of them and which one that is; none when no limit is set.
std::optional<FolgaDoProcesso> folga_dos_limites_do_processo();

}  // namespace servicos::plataforma
