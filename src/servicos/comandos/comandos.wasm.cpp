// WebAssembly side of the command runner. A WebAssembly run starts no
// process: each command line is handed, as the program would have handed it
// to the interpreter, to the runtime that hosts the run (the page's module
// returns them with the run's files), and the call returns at once as one
// that could start nothing. The limit on the command's length is kept, so a
// command that the native program would refuse is not handed on either.
#include "servicos/comandos/comandos.hpp"

#include <cerrno>

// The host's record of command lines (src/wasm/biblioteca.js).
extern "C" void difusao_registrar_comando(const char* texto, std::size_t tamanho);

namespace servicos::comandos {

namespace {

int razao_registrada = 0;

std::int32_t falhar(int razao) {
    razao_registrada = razao;
    errno = razao;
    return -1;
}

}  // namespace

std::int32_t executar_comando(std::string_view comando) {
    const std::size_t n = tamanho_sem_brancos_finais(comando);
    if (n > maximo_comando) return falhar(razao_comando::longo_demais);
    difusao_registrar_comando(comando.data(), n);
    return falhar(razao_comando::outra);
}

int razao_ultima_falha() { return razao_registrada; }

}  // namespace servicos::comandos
