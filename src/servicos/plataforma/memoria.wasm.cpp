// WebAssembly side of the arrays' memory: every block from the runtime's
// heap, which has no pages to map or to advise.
#include <new>

#include "servicos/plataforma/memoria.hpp"

namespace servicos::plataforma {

void* obter_memoria(std::size_t bytes) { return ::operator new(bytes, std::nothrow); }

void devolver_memoria(void* bloco, std::size_t) { ::operator delete(bloco); }

}  // namespace servicos::plataforma
