// Fault detection by the processor's traps, POSIX side (x86-64 Linux): the
// trapping floating-point environment, its SIGFPE handler, and a hold as
// fenv's own (glibc's covers the x87 unit and SSE alike).
#include <cfenv>
#include <csignal>

#include <unistd.h>

#include "servicos/base/deteccao.hpp"
#include "servicos/base/mensagens.hpp"

namespace servicos::base::deteccao {

namespace {

CodigoMatematica codigo_da_armadilha(int codigo_sinal) {
    switch (codigo_sinal) {
        case FPE_FLTINV: return mensagem::ponto_flutuante_invalido;
        case FPE_FLTDIV: return mensagem::ponto_flutuante_divisao_zero;
        case FPE_FLTOVF: return mensagem::ponto_flutuante_overflow;
        case FPE_FLTUND: return mensagem::ponto_flutuante_underflow;
        case FPE_FLTRES: return mensagem::ponto_flutuante_inexato;
        case FPE_INTDIV: return mensagem::ponto_flutuante_divisao_zero;
        default: return mensagem::ponto_flutuante_invalido;
    }
}

Relato relato_registrado = nullptr;

// Runs in the signal context of the faulting instruction. Returning would
// re-execute it, so the handler reports and ends the process; everything on
// that path (report frame, unit clean-up) uses only write, ftruncate, close
// and _exit on data that the program's arithmetic never leaves half-updated.
void tratar_sigfpe(int, siginfo_t* info, void*) {
    relato_registrado(codigo_da_armadilha(info->si_code));
    ::_exit(1);  // not reached: the report ends the process
}

}  // namespace

void armar(Relato relatar) {
    relato_registrado = relatar;
    struct sigaction acao {};
    acao.sa_sigaction = &tratar_sigfpe;
    acao.sa_flags = SA_SIGINFO;
    sigemptyset(&acao.sa_mask);
    ::sigaction(SIGFPE, &acao, nullptr);
    std::feclearexcept(FE_ALL_EXCEPT);
    ::feenableexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
}

Retencao::Retencao() { std::feholdexcept(&guardado_); }
Retencao::~Retencao() { std::fesetenv(&guardado_); }

}  // namespace servicos::base::deteccao
