// What both platform sides of the command runner share.
#include "servicos/comandos/comandos.hpp"

namespace servicos::comandos {

std::size_t tamanho_sem_brancos_finais(std::string_view comando) {
    std::size_t n = comando.size();
    while (n > 0 && comando[n - 1] == ' ') --n;
    return n;
}

}  // namespace servicos::comandos
