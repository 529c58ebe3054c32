// Fault detection by the processor's traps, Windows side: the trapping x87
// and SSE control words, the vectored handler that turns a floating-point
// exception into its report, and a hold that saves and masks both units.
#include <cfenv>
#include <optional>

#include <windows.h>
#include <xmmintrin.h>

#include "servicos/base/deteccao.hpp"
#include "servicos/base/mensagens.hpp"

namespace servicos::base::deteccao {

namespace {

// Exception bits in the order shared by the x87 control/status words (bits
// 0-5) and by MXCSR (flags at bits 0-5, masks at bits 7-12).
constexpr unsigned bit_invalido = 0x01;
constexpr unsigned bit_denormal = 0x02;
constexpr unsigned bit_divisao = 0x04;
constexpr unsigned bit_overflow = 0x08;
constexpr unsigned bit_underflow = 0x10;
constexpr unsigned bit_inexato = 0x20;
constexpr unsigned todos_os_bits = 0x3F;
constexpr unsigned bits_armados = bit_invalido | bit_divisao | bit_overflow;
static_assert(FE_INVALID == bit_invalido && FE_DIVBYZERO == bit_divisao && FE_OVERFLOW == bit_overflow,
              "the C run-time's exception bits are the hardware's");
constexpr unsigned deslocamento_mascaras_mxcsr = 7;
constexpr unsigned bit_c1_x87 = 0x0200;  // with a stack fault: overflow (1) or underflow (0)

unsigned short ler_controle_x87() {
    unsigned short controle = 0;
    __asm__ volatile("fnstcw %0" : "=m"(controle));
    return controle;
}

// Clears the pending x87 flags first: loading a control word that unmasks a
// flag already raised would fault at the next x87 instruction.
void gravar_controle_x87(unsigned short controle) { __asm__ volatile("fnclex\n\tfldcw %0" : : "m"(controle)); }

// Unmasks the armed faults in both units; denormal, underflow and inexact stay
// masked, precision and rounding are left as the system set them.
void armar_unidades() {
    gravar_controle_x87(static_cast<unsigned short>(ler_controle_x87() & ~bits_armados));
    unsigned mxcsr = _mm_getcsr() & ~todos_os_bits;
    mxcsr &= ~(bits_armados << deslocamento_mascaras_mxcsr);
    _mm_setcsr(mxcsr);
}

// Masks everything and drops the raised flags, so that the clean-up after a
// trap cannot trap again.
void desarmar_unidades() {
    gravar_controle_x87(static_cast<unsigned short>(ler_controle_x87() | todos_os_bits));
    _mm_setcsr((_mm_getcsr() & ~todos_os_bits) | (todos_os_bits << deslocamento_mascaras_mxcsr));
}

// The fault behind an SSE exception that the system reports only as "multiple
// traps/faults": the first unmasked flag that is raised.
CodigoMatematica codigo_do_mxcsr(unsigned mxcsr) {
    const unsigned ocorridas = mxcsr & ~(mxcsr >> deslocamento_mascaras_mxcsr) & todos_os_bits;
    if (ocorridas & bit_invalido) return mensagem::ponto_flutuante_invalido;
    if (ocorridas & bit_divisao) return mensagem::ponto_flutuante_divisao_zero;
    if (ocorridas & bit_overflow) return mensagem::ponto_flutuante_overflow;
    if (ocorridas & bit_underflow) return mensagem::ponto_flutuante_underflow;
    if (ocorridas & bit_inexato) return mensagem::ponto_flutuante_inexato;
    if (ocorridas & bit_denormal) return mensagem::ponto_flutuante_denormal;
    return mensagem::ponto_flutuante_invalido;
}

unsigned mxcsr_do_contexto(const CONTEXT* contexto) {
#ifdef _WIN64
    return contexto->MxCsr;
#else
    (void)contexto;
    return _mm_getcsr();
#endif
}

CodigoMatematica pilha_do_contexto(const CONTEXT* contexto) {
#ifdef _WIN64
    if (!(contexto->FltSave.StatusWord & bit_c1_x87)) return mensagem::ponto_flutuante_pilha_vazia;
#else
    (void)contexto;
#endif
    return mensagem::ponto_flutuante_pilha_cheia;
}

// The code of a floating-point exception; none for any other exception.
std::optional<CodigoMatematica> codigo_da_excecao(DWORD codigo, const CONTEXT* contexto) {
    switch (codigo) {
        case STATUS_FLOAT_INVALID_OPERATION: return mensagem::ponto_flutuante_invalido;
        case STATUS_FLOAT_DENORMAL_OPERAND: return mensagem::ponto_flutuante_denormal;
        case STATUS_FLOAT_DIVIDE_BY_ZERO: return mensagem::ponto_flutuante_divisao_zero;
        case STATUS_FLOAT_OVERFLOW: return mensagem::ponto_flutuante_overflow;
        case STATUS_FLOAT_UNDERFLOW: return mensagem::ponto_flutuante_underflow;
        case STATUS_FLOAT_INEXACT_RESULT: return mensagem::ponto_flutuante_inexato;
        case STATUS_FLOAT_STACK_CHECK: return pilha_do_contexto(contexto);
        case STATUS_FLOAT_MULTIPLE_FAULTS:
        case STATUS_FLOAT_MULTIPLE_TRAPS: return codigo_do_mxcsr(mxcsr_do_contexto(contexto));
        case STATUS_INTEGER_DIVIDE_BY_ZERO: return mensagem::ponto_flutuante_divisao_zero;
        default: return std::nullopt;
    }
}

Relato relato_registrado = nullptr;

// First in line for every exception of the process; everything that is not a
// floating-point fault goes on to the usual handlers.
LONG CALLBACK tratar_excecao(EXCEPTION_POINTERS* excecao) {
    const std::optional<CodigoMatematica> codigo =
        codigo_da_excecao(excecao->ExceptionRecord->ExceptionCode, excecao->ContextRecord);
    if (!codigo) return EXCEPTION_CONTINUE_SEARCH;
    desarmar_unidades();
    relato_registrado(*codigo);
    return EXCEPTION_CONTINUE_SEARCH;  // not reached: the report ends the process
}

}  // namespace

void armar(Relato relatar) {
    relato_registrado = relatar;
    ::AddVectoredExceptionHandler(1, &tratar_excecao);
    armar_unidades();
}

// fnstenv also masks every x87 exception; fnclex drops the flags.
Retencao::Retencao() {
    __asm__ volatile("fnstenv %0\n\tfnclex" : "=m"(guardado_.x87));
    guardado_.mxcsr = _mm_getcsr();
    _mm_setcsr((guardado_.mxcsr & ~todos_os_bits) | (todos_os_bits << deslocamento_mascaras_mxcsr));
}

Retencao::~Retencao() {
    __asm__ volatile("fldenv %0" : : "m"(guardado_.x87));
    _mm_setcsr(guardado_.mxcsr);
}

}  // namespace servicos::base::deteccao
