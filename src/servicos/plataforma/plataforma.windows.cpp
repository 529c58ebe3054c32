// Windows side of the platform layer: raw writes to the standard handles,
// ExitProcess, the console's events, the memory that the process can still
// commit.
#include "servicos/plataforma/plataforma.hpp"

#include <algorithm>
#include <atomic>
#include <cstddef>

#include <windows.h>

namespace servicos::plataforma {

namespace {

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
