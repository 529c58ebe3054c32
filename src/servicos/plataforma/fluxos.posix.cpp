// The standard streams and the end of the process on POSIX systems, and over
// the WebAssembly runtime's emulation of them (whose descriptors are node's
// own streams, or the page's byte collectors): raw writes to descriptors 1
// and 2, a null device for a stream started closed, _exit.
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

#include "servicos/plataforma/plataforma.hpp"

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

void garantir_fluxos_padrao() {
    for (int descritor = STDIN_FILENO; descritor <= STDERR_FILENO; ++descritor) {
        if (::fcntl(descritor, F_GETFD) != -1 || errno != EBADF) continue;
        // open() returns the lowest free descriptor: this one.
        const int nulo = ::open("/dev/null", descritor == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (nulo >= 0 && nulo != descritor) ::close(nulo);
    }
}

}  // namespace servicos::plataforma
