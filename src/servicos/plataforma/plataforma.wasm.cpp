// WebAssembly side of the platform layer. The standard streams are the
// runtime's descriptors 1 and 2 (node's own streams for the command-line
// program, the page's byte collectors for its modules); the end of the
// process is the runtime's exit. WebAssembly has no floating-point control,
// flags or traps, and no signal reaches a run, so arming, holding and the
// termination requests have nothing to do here. The memory is the runtime's
// heap, which grows up to its maximum. The time loop's progress goes to the
// host.
#include "servicos/plataforma/plataforma.hpp"

#include <cerrno>
#include <cstdint>

#include <emscripten/heap.h>
#include <malloc.h>
#include <unistd.h>

// The host's progress hook (src/wasm/biblioteca.js).
extern "C" void difusao_anunciar_progresso(std::int32_t feitos, std::int32_t total);

namespace servicos::plataforma {

namespace {

void escrever_tudo(int descritor, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t resta = bytes.size();
    while (resta > 0) {
        const ssize_t escritos = ::write(descritor, p, resta);
        if (escritos < 0 && errno == EINTR) continue;
        if (escritos <= 0) return;
        p += escritos;
        resta -= static_cast<std::size_t>(escritos);
    }
}

}  // namespace

void escrever_erro_padrao(std::string_view bytes) { escrever_tudo(STDERR_FILENO, bytes); }
void escrever_saida_padrao(std::string_view bytes) { escrever_tudo(STDOUT_FILENO, bytes); }

void terminar_processo(int status) { ::_exit(status); }

// The runtime's three streams are always open.
void garantir_fluxos_padrao() {}

void preparar_sinais(FuncaoDescarte) {}

TerminoAdiado::TerminoAdiado() : anterior_{} {}
TerminoAdiado::~TerminoAdiado() = default;

InterrupcoesDoComando::InterrupcoesDoComando() : anteriores_{}, padrao_no_filho_{} {}
InterrupcoesDoComando::~InterrupcoesDoComando() = default;

void armar_armadilhas_ponto_flutuante(RelatoArmadilha) {}

ArmadilhasRetidas::ArmadilhasRetidas() : guardado_{} {}
ArmadilhasRetidas::~ArmadilhasRetidas() = default;

void anunciar_progresso(std::int32_t feitos, std::int32_t total) { difusao_anunciar_progresso(feitos, total); }

// What the heap can still grow into, and what it holds free.
std::uint64_t memoria_disponivel() {
    const std::uint64_t maximo = emscripten_get_heap_max();
    const auto topo = reinterpret_cast<std::uintptr_t>(::sbrk(0));
    const std::uint64_t livre = static_cast<std::uint64_t>(mallinfo().fordblks);
    return (maximo > topo ? maximo - topo : 0) + livre;
}

}  // namespace servicos::plataforma
