// POSIX system calls behind the units: open/creat semantics of an open with
// unknown status, the temporary files of a set of results and their rename,
// the lock of the commit, raw writes, the cut, reads and the console line.
#include "servicos/unidades/arquivos.hpp"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "servicos/plataforma/console.hpp"
#include "servicos/plataforma/plataforma.hpp"

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

bool eh_pipe(const char* nome) {
    struct stat info {};
    return ::stat(nome, &info) == 0 && S_ISFIFO(info.st_mode);
}

// A pipe is opened in one direction only: opened read-write, the program
// would be a reader of its own listing (and a writer of its own input), so
// it would never see the other end go away.
Abertura abrir_pipe(const char* nome, int direcao) {
    const int descritor = abrir_repetindo(nome, direcao);
    if (descritor < 0) return {resultado_do_erro(errno), -1, true};
    return {Resultado::ok, descritor, true};
}

Abertura abrir(const char* nome) {
    if (eh_pipe(nome)) return abrir_pipe(nome, O_RDONLY);
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

Substituicao falha(Resultado resultado) { return {resultado, -1, false, {}, {}}; }

Substituicao no_lugar(const char* nome, const Abertura& abertura) {
    return {Resultado::ok, abertura.descritor, abertura.existia, {}, nome};
}

// A new empty file in the folder of `destino`. An existing file's owner and
// permissions are given to it, so that the rename keeps them.
Substituicao novo_ao_lado(const std::string& destino, const struct stat* anterior) {
    static unsigned contador = 0;
    const std::string pasta = destino.substr(0, destino.rfind('/') + 1);
    for (int tentativas = 0; tentativas < 256; ++tentativas) {
        std::string temporario = pasta + nome_temporario(static_cast<unsigned>(::getpid()), contador++);
        const int descritor = abrir_repetindo(temporario.c_str(), O_RDWR | O_CREAT | O_EXCL, anterior ? 0600 : 0666);
        if (descritor < 0 && errno == EEXIST) continue;  // left by a run that died: the next number
        if (descritor < 0) return falha(resultado_do_erro(errno));
        if (anterior != nullptr) {
            if (::fchown(descritor, anterior->st_uid, anterior->st_gid) != 0) {
                // Only the superuser may give a file away: it stays ours.
            }
            ::fchmod(descritor, anterior->st_mode & 07777);
        }
        return {Resultado::ok, descritor, false, std::move(temporario), destino};
    }
    return falha(Resultado::ja_existe);
}

// The file that a rename over `nome` must replace: a link is followed, so
// that its target gets the new content and the link stays.
std::string destino_da_substituicao(const char* nome) {
    struct stat info {};
    if (::lstat(nome, &info) != 0 || !S_ISLNK(info.st_mode)) return nome;
    char caminho[PATH_MAX];
    return ::realpath(nome, caminho) ? std::string(caminho) : std::string(nome);
}

// Whether the folder that would hold `nome` (a name ending in slashes) exists.
bool pasta_existe(std::string nome) {
    while (!nome.empty() && nome.back() == '/') nome.pop_back();
    const auto barra = nome.rfind('/');
    const std::string pasta = barra == std::string::npos ? std::string(".") : nome.substr(0, barra + 1);
    struct stat info {};
    return ::stat(pasta.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

Substituicao preparar_substituicao(const char* nome) {
    struct stat info {};
    if (::stat(nome, &info) != 0) {
        if (errno != ENOENT) return falha(resultado_do_erro(errno));
        // A link to nothing: the create of an open would find the link there.
        struct stat ligacao {};
        if (::lstat(nome, &ligacao) == 0) return falha(Resultado::ja_existe);
        // Absent: its folder must take a new file (a missing folder is
        // reported as the open reports it). A name ending in a slash names
        // a folder, which an open never creates.
        const std::string absente = nome;
        if (absente.back() == '/') return falha(pasta_existe(absente) ? Resultado::acesso_negado : Resultado::nao_encontrado);
        return novo_ao_lado(absente, nullptr);
    }
    if (S_ISFIFO(info.st_mode)) {
        const Abertura pipe = abrir_pipe(nome, O_WRONLY);
        return pipe.resultado == Resultado::ok ? no_lugar(nome, pipe) : falha(pipe.resultado);
    }
    // The open's own answers: a directory refused, a file that refuses
    // writing opened for reading (its cut then reports it), devices as they are.
    const Abertura abertura = abrir(nome);
    if (abertura.resultado != Resultado::ok) return falha(abertura.resultado);
    const int modo = ::fcntl(abertura.descritor, F_GETFL);
    if (!S_ISREG(info.st_mode) || (modo >= 0 && (modo & O_ACCMODE) == O_RDONLY)) return no_lugar(nome, abertura);
    Substituicao nova = novo_ao_lado(destino_da_substituicao(nome), &info);
    // A folder that takes no new file: the file is written in place, as it
    // always could be.
    if (nova.resultado != Resultado::ok) return no_lugar(nome, abertura);
    ::close(abertura.descritor);
    return nova;
}

Resultado substituir(const char* temporario, const char* destino) {
    return ::rename(temporario, destino) == 0 ? Resultado::ok : resultado_do_erro(errno);
}

void descartar(const char* temporario) { ::unlink(temporario); }

// flock on the input file: advisory, so readers of the file are not held up,
// and dropped by the system with the process. A pipe is never waited on.
Descritor travar(const char* nome) {
    const int descritor = abrir_repetindo(nome, O_RDONLY | O_NONBLOCK);
    if (descritor < 0) return -1;
    int r;
    do {
        r = ::flock(descritor, LOCK_EX);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        ::close(descritor);
        return -1;
    }
    return descritor;
}

void destravar(Descritor trava) {
    if (trava >= 0) ::close(trava);
}

bool mesmo_arquivo(const char* a, const char* b) {
    struct stat info_a {}, info_b {};
    const bool existe_a = ::stat(a, &info_a) == 0, existe_b = ::stat(b, &info_b) == 0;
    if (existe_a && existe_b) return info_a.st_dev == info_b.st_dev && info_a.st_ino == info_b.st_ino;
    if (existe_a || existe_b) return false;
    // Neither exists yet: the same name in the same folder.
    const std::string nome_a = a, nome_b = b;
    const auto barra_a = nome_a.rfind('/'), barra_b = nome_b.rfind('/');
    const auto base = [](const std::string& nome, std::size_t barra) {
        return barra == std::string::npos ? nome : nome.substr(barra + 1);
    };
    const auto pasta = [](const std::string& nome, std::size_t barra) {
        return barra == std::string::npos ? std::string(".") : nome.substr(0, barra + 1);
    };
    if (base(nome_a, barra_a) != base(nome_b, barra_b)) return false;
    if (::stat(pasta(nome_a, barra_a).c_str(), &info_a) != 0 || ::stat(pasta(nome_b, barra_b).c_str(), &info_b) != 0)
        return false;
    return info_a.st_dev == info_b.st_dev && info_a.st_ino == info_b.st_ino;
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
    static const SistemaArquivos nativo{&abrir,  &preparar_substituicao, &substituir, &descartar,
                                        &travar, &destravar,              &mesmo_arquivo, &escrever,
                                        &cortar, &fechar,                 &ler,        &ler_linha_console,
                                        &escrever_saida_padrao};
    return nativo;
}

}  // namespace servicos::plataforma
