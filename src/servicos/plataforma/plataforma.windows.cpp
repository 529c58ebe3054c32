// Windows side of the platform layer: raw writes to the standard handles,
// ExitProcess, the trapping floating-point control words and the handler that
// turns a floating-point exception into its report, the memory that the
// process can still commit.
#include "servicos/plataforma/plataforma.hpp"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <optional>

#include <windows.h>
#include <xmmintrin.h>

#include "servicos/base/mensagens.hpp"

namespace servicos::plataforma {

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
constexpr unsigned bits_armados = falhas_armadas;
static_assert(FE_INVALID == bit_invalido && FE_DIVBYZERO == bit_divisao && FE_OVERFLOW == bit_overflow,
              "the C run-time's exception bits are the hardware's");
constexpr unsigned deslocamento_mascaras_mxcsr = 7;
constexpr unsigned bit_c1_x87 = 0x0200;  // with a stack fault: overflow (1) or underflow (0)

void escrever_tudo(DWORD qual, std::string_view bytes) {
    const HANDLE destino = ::GetStdHandle(qual);
    if (destino == nullptr || destino == INVALID_HANDLE_VALUE) return;
    const char* p = bytes.data();
    std::size_t resta = bytes.size();
    while (resta > 0) {
        const auto pedaco = static_cast<DWORD>(std::min(resta, maior_pedaco_es));
        DWORD escritos = 0;
        if (!::WriteFile(destino, p, pedaco, &escritos, nullptr) || escritos == 0) return;
        p += escritos;
        resta -= escritos;
    }
}

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
base::CodigoMatematica numero_do_mxcsr(unsigned mxcsr) {
    const unsigned ocorridas = mxcsr & ~(mxcsr >> deslocamento_mascaras_mxcsr) & todos_os_bits;
    if (ocorridas & bit_invalido) return base::mensagem::ponto_flutuante_invalido;
    if (ocorridas & bit_divisao) return base::mensagem::ponto_flutuante_divisao_zero;
    if (ocorridas & bit_overflow) return base::mensagem::ponto_flutuante_overflow;
    if (ocorridas & bit_underflow) return base::mensagem::ponto_flutuante_underflow;
    if (ocorridas & bit_inexato) return base::mensagem::ponto_flutuante_inexato;
    if (ocorridas & bit_denormal) return base::mensagem::ponto_flutuante_denormal;
    return base::mensagem::ponto_flutuante_invalido;
}

unsigned mxcsr_do_contexto(const CONTEXT* contexto) {
#ifdef _WIN64
    return contexto->MxCsr;
#else
    (void)contexto;
    return _mm_getcsr();
#endif
}

base::CodigoMatematica pilha_do_contexto(const CONTEXT* contexto) {
#ifdef _WIN64
    if (!(contexto->FltSave.StatusWord & bit_c1_x87)) return base::mensagem::ponto_flutuante_pilha_vazia;
#else
    (void)contexto;
#endif
    return base::mensagem::ponto_flutuante_pilha_cheia;
}

// The code of a floating-point exception; none for any other exception.
std::optional<base::CodigoMatematica> numero_da_excecao(DWORD codigo, const CONTEXT* contexto) {
    switch (codigo) {
        case STATUS_FLOAT_INVALID_OPERATION: return base::mensagem::ponto_flutuante_invalido;
        case STATUS_FLOAT_DENORMAL_OPERAND: return base::mensagem::ponto_flutuante_denormal;
        case STATUS_FLOAT_DIVIDE_BY_ZERO: return base::mensagem::ponto_flutuante_divisao_zero;
        case STATUS_FLOAT_OVERFLOW: return base::mensagem::ponto_flutuante_overflow;
        case STATUS_FLOAT_UNDERFLOW: return base::mensagem::ponto_flutuante_underflow;
        case STATUS_FLOAT_INEXACT_RESULT: return base::mensagem::ponto_flutuante_inexato;
        case STATUS_FLOAT_STACK_CHECK: return pilha_do_contexto(contexto);
        case STATUS_FLOAT_MULTIPLE_FAULTS:
        case STATUS_FLOAT_MULTIPLE_TRAPS: return numero_do_mxcsr(mxcsr_do_contexto(contexto));
        case STATUS_INTEGER_DIVIDE_BY_ZERO: return base::mensagem::ponto_flutuante_divisao_zero;
        default: return std::nullopt;
    }
}

RelatoArmadilha relato_registrado = nullptr;

// First in line for every exception of the process; everything that is not a
// floating-point fault goes on to the usual handlers.
LONG CALLBACK tratar_excecao(EXCEPTION_POINTERS* excecao) {
    const std::optional<base::CodigoMatematica> numero =
        numero_da_excecao(excecao->ExceptionRecord->ExceptionCode, excecao->ContextRecord);
    if (!numero) return EXCEPTION_CONTINUE_SEARCH;
    desarmar_unidades();
    relato_registrado(*numero);
    return EXCEPTION_CONTINUE_SEARCH;  // not reached: the report ends the process
}

}  // namespace

void escrever_erro_padrao(std::string_view bytes) { escrever_tudo(STD_ERROR_HANDLE, bytes); }
void escrever_saida_padrao(std::string_view bytes) { escrever_tudo(STD_OUTPUT_HANDLE, bytes); }

void terminar_processo(int status) { ::ExitProcess(static_cast<UINT>(status)); }

// A missing standard handle is never reused by CreateFileA: nothing to do.
void garantir_fluxos_padrao() {}

namespace {

FuncaoDescarte descarte_registrado = nullptr;
std::atomic<int> adiamentos{0};
std::atomic<bool> terminando{false};
std::atomic<bool> comando_em_curso{false};

// Runs on a thread of its own when the console is broken or closed. The
// interrupt keys are ignored while a command runs (they are the command's).
// Otherwise it lets a held section of the main thread finish, keeps it from
// starting another, discards, and hands the event on to the default
// handler, which ends the process.
BOOL WINAPI tratar_evento_do_console(DWORD evento) {
    if (comando_em_curso.load() && (evento == CTRL_C_EVENT || evento == CTRL_BREAK_EVENT)) return TRUE;
    terminando.store(true);
    while (adiamentos.load() > 0) ::Sleep(1);
    if (descarte_registrado) descarte_registrado();
    return FALSE;
}

}  // namespace

void preparar_sinais(FuncaoDescarte descartar) {
    descarte_registrado = descartar;
    ::SetConsoleCtrlHandler(&tratar_evento_do_console, TRUE);
}

TerminoAdiado::TerminoAdiado() : anterior_(0) {
    for (;;) {
        adiamentos.fetch_add(1);
        if (!terminando.load()) return;
        adiamentos.fetch_sub(1);
        ::Sleep(INFINITE);  // the process is ending
    }
}

TerminoAdiado::~TerminoAdiado() { adiamentos.fetch_sub(1); }

InterrupcoesDoComando::InterrupcoesDoComando() : anteriores_(0), padrao_no_filho_(0) { comando_em_curso.store(true); }
InterrupcoesDoComando::~InterrupcoesDoComando() { comando_em_curso.store(false); }

void armar_armadilhas_ponto_flutuante(RelatoArmadilha relatar) {
    relato_registrado = relatar;
    ::AddVectoredExceptionHandler(1, &tratar_excecao);
    armar_unidades();
}

// fnstenv also masks every x87 exception; fnclex drops the flags.
ArmadilhasRetidas::ArmadilhasRetidas() {
    __asm__ volatile("fnstenv %0\n\tfnclex" : "=m"(guardado_.x87));
    guardado_.mxcsr = _mm_getcsr();
    _mm_setcsr((guardado_.mxcsr & ~todos_os_bits) | (todos_os_bits << deslocamento_mascaras_mxcsr));
}

ArmadilhasRetidas::~ArmadilhasRetidas() {
    __asm__ volatile("fldenv %0" : : "m"(guardado_.x87));
    _mm_setcsr(guardado_.mxcsr);
}

std::uint64_t memoria_disponivel() {
    // What this process can still commit, bounded by its free address space.
    MEMORYSTATUSEX estado{};
    estado.dwLength = sizeof estado;
    if (!::GlobalMemoryStatusEx(&estado)) return 0;
    return std::min<std::uint64_t>(estado.ullAvailPageFile, estado.ullAvailVirtual);
}

// The system's limits above are what binds a Windows process.
std::optional<FolgaDoProcesso> folga_dos_limites_do_processo() { return std::nullopt; }

}  // namespace servicos::plataforma
