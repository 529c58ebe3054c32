// POSIX side of the arrays' memory: large blocks are mapped on their own and
// marked for transparent huge pages; small ones come from the heap.
#include <new>

#include <sys/mman.h>

#include "servicos/plataforma/memoria.hpp"

namespace servicos::plataforma {

namespace {

constexpr std::size_t tamanho_grande = std::size_t{4} << 20;

bool grande(std::size_t bytes) { return bytes >= tamanho_grande; }

}  // namespace

void* obter_memoria(std::size_t bytes) {
    if (!grande(bytes)) return ::operator new(bytes, std::nothrow);
    void* bloco = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (bloco == MAP_FAILED) return nullptr;
#ifdef MADV_HUGEPAGE
    ::madvise(bloco, bytes, MADV_HUGEPAGE);  // only advice: refused, the block is still good
#endif
    return bloco;
}

void devolver_memoria(void* bloco, std::size_t bytes) {
    if (bloco == nullptr) return;
    if (grande(bytes))
        ::munmap(bloco, bytes);
    else
        ::operator delete(bloco);
}

}  // namespace servicos::plataforma
