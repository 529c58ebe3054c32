// WebAssembly side of the platform layer; the standard streams and the end
// of the process are POSIX's, over the runtime (fluxos.posix.cpp).
// No signal reaches a WebAssembly run, so the termination requests and the
// interrupt keys have nothing to do here (its floating-point faults are
// found by the checked values of the fault detection). The memory is the
// runtime's heap, which grows up to its maximum. The time loop's progress
// goes to the host.
#include "servicos/plataforma/plataforma.hpp"

#include <cstdint>

#include <emscripten/heap.h>
#include <malloc.h>
#include <unistd.h>

// The host's progress hook (src/wasm/biblioteca.js).
extern "C" void difusao_anunciar_progresso(std::int32_t feitos, std::int32_t total);

namespace servicos::plataforma {

void preparar_sinais(FuncaoDescarte) {}

TerminoAdiado::TerminoAdiado() : anterior_{} {}
TerminoAdiado::~TerminoAdiado() = default;

InterrupcoesDoComando::InterrupcoesDoComando() : anteriores_{}, padrao_no_filho_{} {}
InterrupcoesDoComando::~InterrupcoesDoComando() = default;

void anunciar_progresso(std::int32_t feitos, std::int32_t total) { difusao_anunciar_progresso(feitos, total); }

// What the heap can still grow into, and what it holds free.
std::uint64_t memoria_disponivel() {
    const std::uint64_t maximo = emscripten_get_heap_max();
    const auto topo = reinterpret_cast<std::uintptr_t>(::sbrk(0));
    const std::uint64_t livre = static_cast<std::uint64_t>(mallinfo().fordblks);
    return (maximo > topo ? maximo - topo : 0) + livre;
}

// The heap's maximum is the only limit, and memoria_disponivel counts it.
std::optional<FolgaDoProcesso> folga_dos_limites_do_processo() { return std::nullopt; }

}  // namespace servicos::plataforma
