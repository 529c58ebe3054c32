// Windows side of the arrays' memory: the heap. Large pages there need a
// privilege that a user's process does not have by default.
#include <new>

#include "servicos/plataforma/memoria.hpp"

namespace servicos::plataforma {

void* obter_memoria(std::size_t bytes) { return ::operator new(bytes, std::nothrow); }

void devolver_memoria(void* bloco, std::size_t /*bytes*/) { ::operator delete(bloco); }

}  // namespace servicos::plataforma
