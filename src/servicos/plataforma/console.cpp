// The console line of the blank-name prompt, the same on every platform.
#include "servicos/plataforma/console.hpp"

namespace servicos::plataforma {

bool montar_linha_console(int (*ler_byte)(), std::string& linha) {
    linha.clear();
    for (;;) {
        const int c = ler_byte();
        if (c < 0) return !linha.empty();
        if (c == '\n') break;
        if (linha.size() < maximo_linha_console) linha.push_back(static_cast<char>(c));
    }
    if (!linha.empty() && linha.back() == '\r') linha.pop_back();
    return true;
}

}  // namespace servicos::plataforma
