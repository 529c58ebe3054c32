// POSIX system calls behind the units: open/creat semantics of an open with
// unknown status, raw writes, the cut, reads and the console line.
#include "servicos/arquivos.hpp"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "servicos/console.hpp"
#include "servicos/plataforma.hpp"

namespace servicos::plataforma {

namespace {

Resultado resultado_do_erro(int erro) {
    switch (erro) {
        case ENOENT:
        case ENOTDIR: return Resultado::nao_encontrado;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY:
        case EBADF: return Resultado::acesso_negado;
        case EEXIST: return Resultado::ja_existe;
        case EMFILE:
        case ENFILE: return Resultado::arquivos_demais;
        case EINVAL:
        case ENAMETOOLONG: return Resultado::invalido;
        case ENOSPC:
        case EDQUOT:
        case EFBIG: return Resultado::disco_cheio;
        default: return Resultado::outro;
    }
}

int abrir_repetindo(const char* nome, int modo, mode_t permissoes = 0) {
    int descritor;
    do {
        descritor = ::open(nome, modo | O_CLOEXEC | O_NOCTTY, permissoes);
    } while (descritor < 0 && errno == EINTR);
    return descritor;
}

bool eh_diretorio(int descritor) {
    struct stat info {};
    return ::fstat(descritor, &info) == 0 && S_ISDIR(info.st_mode);
}

Abertura abrir(const char* nome) {
    int descritor = abrir_repetindo(nome, O_RDWR);
    if (descritor < 0 && errno == ENOENT) {
        descritor = abrir_repetindo(nome, O_RDWR | O_CREAT | O_EXCL, 0666);
        if (descritor < 0) return {resultado_do_erro(errno), -1, false};
        return {Resultado::ok, descritor, false};
    }
    if (descritor < 0) {
        // An existing file that refuses read-write access: read-only, then write-only.
        const int primeiro_erro = errno;
        descritor = abrir_repetindo(nome, O_RDONLY);
        if (descritor < 0) descritor = abrir_repetindo(nome, O_WRONLY);
        if (descritor < 0) return {resultado_do_erro(primeiro_erro), -1, true};
    }
    if (eh_diretorio(descritor)) {
        ::close(descritor);
        return {Resultado::acesso_negado, -1, true};
    }
    return {Resultado::ok, descritor, true};
}

Resultado escrever(int descritor, const char* bytes, std::size_t tamanho) {
    while (tamanho > 0) {
        const ssize_t escritos = ::write(descritor, bytes, tamanho);
        if (escritos < 0 && errno == EINTR) continue;
        if (escritos < 0) return resultado_do_erro(errno);
        if (escritos == 0) return Resultado::disco_cheio;
        bytes += escritos;
        tamanho -= static_cast<std::size_t>(escritos);
    }
    return Resultado::ok;
}

Resultado cortar(int descritor) {
    struct stat info {};
    if (::fstat(descritor, &info) != 0) return resultado_do_erro(errno);
    if (!S_ISREG(info.st_mode)) return Resultado::ok;  // devices and pipes have no length to cut
    // A descriptor open for reading only cannot be cut: access denied.
    const int modo = ::fcntl(descritor, F_GETFL);
    if (modo >= 0 && (modo & O_ACCMODE) == O_RDONLY) return Resultado::acesso_negado;
    const off_t posicao = ::lseek(descritor, 0, SEEK_CUR);
    if (posicao < 0) return resultado_do_erro(errno);
    if (::ftruncate(descritor, posicao) != 0) return resultado_do_erro(errno);
    return Resultado::ok;
}

Resultado fechar(int descritor) {
    // close() is not retried on EINTR: on Linux the descriptor is gone anyway.
    if (::close(descritor) != 0 && errno != EINTR) return resultado_do_erro(errno);
    return Resultado::ok;
}

long long ler(int descritor, char* destino, std::size_t tamanho) {
    for (;;) {
        const ssize_t lidos = ::read(descritor, destino, tamanho);
        if (lidos < 0 && errno == EINTR) continue;
        return lidos;
    }
}

int ler_byte_console() {
    for (;;) {
        unsigned char c;
        const ssize_t lido = ::read(STDIN_FILENO, &c, 1);
        if (lido < 0 && errno == EINTR) continue;
        return lido == 1 ? c : -1;
    }
}

bool ler_linha_console(std::string& linha) { return montar_linha_console(&ler_byte_console, linha); }

}  // namespace

const SistemaArquivos& sistema_arquivos_nativo() {
    static const SistemaArquivos nativo{&abrir, &escrever, &cortar, &fechar, &ler, &ler_linha_console,
                                        &escrever_saida_padrao};
    return nativo;
}

}  // namespace servicos::plataforma
