// Memory for the large arrays of a run (memoria.posix.cpp / memoria.windows.cpp).
#pragma once

#include <cstddef>

namespace servicos::plataforma {

// `bytes` bytes aligned for doubles, or nullptr when the system refuses them.
// Blocks of several MiB are asked for in large pages where the system offers
// them on request: filling the arrays of a large run then takes hundreds of
// times fewer page faults.
void* obter_memoria(std::size_t bytes);

// Gives back a block of obter_memoria with its size.
void devolver_memoria(void* bloco, std::size_t bytes);

}  // namespace servicos::plataforma
