// POSIX system calls behind the units: open/creat semantics of an open with
// unknown status, the files of a set of results (their temporaries, the
// earlier files kept aside, the commit's record) with their renames, syncs
// and locks, raw writes, the cut, reads and the console line.
#include "servicos/unidades/arquivos.hpp"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/vfs.h>
#endif

#include "servicos/plataforma/console.hpp"
#include "servicos/plataforma/plataforma.hpp"

namespace servicos::unidades {

std::string pasta_de(std::string_view nome) {
    const auto barra = nome.rfind('/');
    return barra == std::string_view::npos ? std::string() : std::string(nome.substr(0, barra + 1));
}

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

// The folder that holds `nome`, as a name that can be opened.
std::string pasta_ou_atual(const char* nome) {
    const std::string pasta = pasta_de(nome);
    return pasta.empty() ? std::string(".") : pasta;
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

// ---------------------------------------------------------------------------
// Names that stand for an open descriptor. On Linux /dev/stdout, /dev/fd/N
// and /proc/self/fd/N lead to the links of a process's descriptor table,
// which the system follows to the file itself: renamed over, that file (a
// log that standard output appends to) would lose its content and the
// descriptor would write on into a file with no name.

enum class Descritorio { nenhum, proprio, alheio };

#ifdef __linux__
constexpr long magica_proc = 0x9fa0;  // PROC_SUPER_MAGIC
constexpr int maximo_de_ligacoes = 40;  // as the kernel follows them

std::vector<std::string> partes_do_caminho(std::string_view caminho) {
    std::vector<std::string> partes;
    for (std::size_t j = 0; j <= caminho.size();) {
        const std::size_t barra = std::min(caminho.find('/', j), caminho.size());
        if (barra > j) partes.emplace_back(caminho.substr(j, barra - j));
        j = barra + 1;
    }
    return partes;
}

// Whether `pasta` (a path free of links) is the descriptor table of a
// process, /proc/<pid>/fd or /proc/<pid>/task/<tid>/fd, and whose.
Descritorio tabela_de_descritores(const std::string& pasta) {
    const std::vector<std::string> partes = partes_do_caminho(pasta);
    if (partes.size() < 2 || partes.back() != "fd") return Descritorio::nenhum;
    struct statfs sistema {};
    if (::statfs(pasta.c_str(), &sistema) != 0 || sistema.f_type != magica_proc) return Descritorio::nenhum;
    const bool de_tarefa = partes.size() >= 4 && partes[partes.size() - 3] == "task";
    const std::string& processo = partes[partes.size() - (de_tarefa ? 4 : 2)];
    return processo == std::to_string(::getpid()) ? Descritorio::proprio : Descritorio::alheio;
}

// Resolves `nome` one part at a time, as the system does, and stops at a
// link of a descriptor table: which process's, and the descriptor's number.
Descritorio via_descritor(const char* nome, int& numero) {
    std::string atual;
    if (nome[0] != '/') {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd) == nullptr) return Descritorio::nenhum;
        atual = cwd;
        if (atual == "/") atual.clear();
    }
    std::vector<std::string> pendentes = partes_do_caminho(nome);
    std::reverse(pendentes.begin(), pendentes.end());
    for (int ligacoes = 0; !pendentes.empty();) {
        const std::string parte = std::move(pendentes.back());
        pendentes.pop_back();
        if (parte == ".") continue;
        if (parte == "..") {
            atual.erase(std::min(atual.size(), atual.rfind('/')));
            continue;
        }
        const std::string proximo = atual + "/" + parte;
        struct stat info {};
        if (::lstat(proximo.c_str(), &info) != 0) return Descritorio::nenhum;
        if (!S_ISLNK(info.st_mode)) {
            atual = proximo;
            continue;
        }
        const Descritorio dono = tabela_de_descritores(atual.empty() ? std::string("/") : atual);
        if (dono != Descritorio::nenhum) {
            char* fim = nullptr;
            numero = static_cast<int>(std::strtol(parte.c_str(), &fim, 10));
            return *fim == '\0' ? dono : Descritorio::alheio;
        }
        char alvo[PATH_MAX];
        const ssize_t tamanho = ::readlink(proximo.c_str(), alvo, sizeof alvo - 1);
        if (tamanho < 0 || ++ligacoes > maximo_de_ligacoes) return Descritorio::nenhum;
        alvo[tamanho] = '\0';
        std::vector<std::string> partes_do_alvo = partes_do_caminho(alvo);
        pendentes.insert(pendentes.end(), partes_do_alvo.rbegin(), partes_do_alvo.rend());
        if (alvo[0] == '/') atual.clear();
    }
    return Descritorio::nenhum;
}
#else
// Elsewhere /dev/fd/N are devices of their own, written directly as devices.
Descritorio via_descritor(const char*, int&) { return Descritorio::nenhum; }
#endif

// ---------------------------------------------------------------------------
// The files of a set of results.

Substituicao falha(Resultado resultado) { return {resultado, false, -1, false, {}}; }
Substituicao direto(const Abertura& abertura) { return {Resultado::ok, true, abertura.descritor, abertura.existia, {}}; }
Substituicao por_temporario(std::string destino, bool existia) {
    return {Resultado::ok, false, -1, existia, std::move(destino)};
}

// A descriptor's name is written at the descriptor's own position, never cut:
// our own descriptor is shared (a log opened for appending goes on
// appending), another process's is opened for appending.
Substituicao escrever_no_descritor(const char* nome, Descritorio dono, int numero) {
    const int descritor =
        dono == Descritorio::proprio ? ::fcntl(numero, F_DUPFD_CLOEXEC, 0) : abrir_repetindo(nome, O_WRONLY | O_APPEND);
    if (descritor < 0) return falha(resultado_do_erro(errno));
    return {Resultado::ok, true, descritor, false, {}};
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
    struct stat info {};
    return ::stat(pasta_ou_atual(nome.c_str()).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Whether `arquivo` is mounted apart from `pasta`, its folder: a file system
// of its own, or a bind mount of a file, which shares the folder's device
// number but not its mount.
bool montado_a_parte(const char* arquivo, const char* pasta) {
#if defined(__linux__) && defined(STATX_MNT_ID)
    struct statx montagem_do_arquivo {}, montagem_da_pasta {};
    if (::statx(AT_FDCWD, arquivo, 0, STATX_MNT_ID, &montagem_do_arquivo) == 0 &&
        ::statx(AT_FDCWD, pasta, 0, STATX_MNT_ID, &montagem_da_pasta) == 0 &&
        (montagem_do_arquivo.stx_mask & STATX_MNT_ID) && (montagem_da_pasta.stx_mask & STATX_MNT_ID))
        return montagem_do_arquivo.stx_mnt_id != montagem_da_pasta.stx_mnt_id;
#endif
    struct stat de_arquivo {}, de_pasta {};
    return ::stat(arquivo, &de_arquivo) == 0 && ::stat(pasta, &de_pasta) == 0 && de_arquivo.st_dev != de_pasta.st_dev;
}

// Whether a rename can put a new file in the place of the existing
// `destino`: not over a mount point, and not over another user's file in a
// sticky folder (a shared one such as /tmp) that is not ours either. The
// superuser may do the latter.
bool substituivel(const std::string& destino) {
    const std::string pasta = pasta_ou_atual(destino.c_str());
    if (montado_a_parte(destino.c_str(), pasta.c_str())) return false;
    struct stat arquivo {}, dona {};
    if (::stat(destino.c_str(), &arquivo) != 0 || ::stat(pasta.c_str(), &dona) != 0) return true;
    const uid_t eu = ::geteuid();
    return !((dona.st_mode & S_ISVTX) && eu != 0 && arquivo.st_uid != eu && dona.st_uid != eu);
}

Substituicao preparar_substituicao(const char* nome) {
    int numero = -1;
    if (const Descritorio dono = via_descritor(nome, numero); dono != Descritorio::nenhum)
        return escrever_no_descritor(nome, dono, numero);
    struct stat info {};
    if (::stat(nome, &info) != 0) {
        if (errno != ENOENT) return falha(resultado_do_erro(errno));
        // A link to nothing: the create of an open would find the link there.
        struct stat ligacao {};
        if (::lstat(nome, &ligacao) == 0) return falha(Resultado::ja_existe);
        // A name ending in a slash names a folder, which an open never
        // creates; a missing folder is met when the temporary is created.
        const std::string absente = nome;
        if (absente.back() == '/') return falha(pasta_existe(absente) ? Resultado::acesso_negado : Resultado::nao_encontrado);
        return por_temporario(absente, false);
    }
    if (S_ISFIFO(info.st_mode)) {
        const Abertura pipe = abrir_pipe(nome, O_WRONLY);
        return pipe.resultado == Resultado::ok ? direto(pipe) : falha(pipe.resultado);
    }
    // The open's own answers: a directory refused, a file that refuses
    // writing opened for reading (its cut then reports it), devices as they are.
    const Abertura abertura = abrir(nome);
    if (abertura.resultado != Resultado::ok) return falha(abertura.resultado);
    const int modo = ::fcntl(abertura.descritor, F_GETFL);
    if (!S_ISREG(info.st_mode) || (modo >= 0 && (modo & O_ACCMODE) == O_RDONLY)) return direto(abertura);
    ::close(abertura.descritor);
    std::string destino = destino_da_substituicao(nome);
    if (!substituivel(destino)) return falha(Resultado::insubstituivel);
    return por_temporario(std::move(destino), true);
}

bool arquivo_comum(const char* nome) {
    int numero = -1;
    if (via_descritor(nome, numero) != Descritorio::nenhum) return false;
    struct stat info {};
    if (::stat(nome, &info) == 0) return S_ISREG(info.st_mode);
    if (errno != ENOENT) return false;
    // Nothing there; but a link to nothing, or a name that ends in a slash,
    // is refused by the open.
    struct stat ligacao {};
    const std::string_view absente = nome;
    return ::lstat(nome, &ligacao) != 0 && !absente.empty() && absente.back() != '/';
}

// The creator holds its files with an advisory lock for as long as their
// descriptors stay open; a run that dies drops it, and the file is then
// known to be abandoned.
void segurar(int descritor) {
    while (::flock(descritor, LOCK_EX | LOCK_NB) != 0 && errno == EINTR) {
    }
}

bool livre(const std::string& nome) {
    struct stat info {};
    return ::lstat(nome.c_str(), &info) != 0 && errno == ENOENT;
}

std::string nome_livre(const char* vizinho) {
    static unsigned contador = 0;
    const std::string pasta = pasta_de(vizinho);
    // The process number makes the name this process's alone while it lives;
    // one that a dead process of the same number left is passed over.
    for (int tentativas = 0; tentativas < 256; ++tentativas) {
        std::string nome = pasta + nome_temporario(static_cast<unsigned>(::getpid()), contador++);
        if (livre(nome)) return nome;
    }
    return {};
}

Temporario criar_temporario(const char* nome, const char* vizinho) {
    struct stat anterior {};
    const bool herda = ::stat(vizinho, &anterior) == 0 && S_ISREG(anterior.st_mode);
    const int descritor = abrir_repetindo(nome, O_RDWR | O_CREAT | O_EXCL, herda ? 0600 : 0666);
    if (descritor < 0) return {resultado_do_erro(errno), -1, {}};
    segurar(descritor);
    if (herda) {
        // The rename keeps the earlier file's owner and permissions. Only
        // the superuser may give a file away: otherwise it stays ours.
        if (::fchown(descritor, anterior.st_uid, anterior.st_gid) != 0) {
        }
        ::fchmod(descritor, anterior.st_mode & 07777);
    }
    return {Resultado::ok, descritor, nome};
}

#ifdef __linux__
// A file made without a name in the folder `pasta`, locked, and only then
// named `nome`: nobody ever sees it there unheld. -1 where the file system
// or the system has no such files (errno says why); -2 with the name taken.
int criar_segurado(const std::string& pasta, const std::string& nome, int& sem_nome) {
    if (sem_nome < 0) {
        sem_nome = abrir_repetindo(pasta.c_str(), O_RDWR | O_TMPFILE, 0600);
        if (sem_nome < 0) return -1;
        segurar(sem_nome);
    }
    // The descriptor itself where the system allows it, else its link in /proc.
    if (::linkat(sem_nome, "", AT_FDCWD, nome.c_str(), AT_EMPTY_PATH) == 0) return sem_nome;
    if (errno == EEXIST) return -2;
    const std::string proprio = "/proc/self/fd/" + std::to_string(sem_nome);
    if (::linkat(AT_FDCWD, proprio.c_str(), AT_FDCWD, nome.c_str(), AT_SYMLINK_FOLLOW) == 0) return sem_nome;
    return errno == EEXIST ? -2 : -1;
}
#endif

// flock on the input file: advisory, so readers of the file are not held up,
// and dropped by the system with the process. Only a regular file is locked:
// opened even for a moment, a FIFO would take a writer's data and lose it.
Resultado travar(const char* nome, int& trava) {
    trava = -1;
    struct stat info {};
    if (::stat(nome, &info) != 0 || !S_ISREG(info.st_mode)) return Resultado::ok;
    const int descritor = abrir_repetindo(nome, O_RDONLY | O_NONBLOCK);
    if (descritor < 0) return errno == EMFILE || errno == ENFILE ? Resultado::arquivos_demais : Resultado::ok;
    int r;
    do {
        r = ::flock(descritor, LOCK_EX);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        ::close(descritor);
        return Resultado::ok;
    }
    trava = descritor;
    return Resultado::ok;
}

void destravar(int trava) {
    if (trava >= 0) ::close(trava);
}

// The first free place's name, made and held. Where no file can be made
// without a name, the record is made under the lock of `trava`, which a run
// that takes abandoned records holds too (it is the lock of the commits).
Temporario criar_diario(const char* trava) {
    const std::string pasta = pasta_ou_atual(trava);
#ifdef __linux__
    int sem_nome = -1;
    for (unsigned vaga = 0; vaga < vagas_de_diario; ++vaga) {
        std::string nome = nome_diario(trava, vaga);
        if (!livre(nome)) continue;
        const int feito = criar_segurado(pasta, nome, sem_nome);
        if (feito >= 0) return {Resultado::ok, feito, std::move(nome)};
        if (feito == -1) break;
    }
    if (sem_nome >= 0) ::close(sem_nome);
#endif
    int trava_das_confirmacoes = -1;
    if (travar(trava, trava_das_confirmacoes) != Resultado::ok) return {Resultado::arquivos_demais, -1, {}};
    Temporario criado{Resultado::ja_existe, -1, {}};
    for (unsigned vaga = 0; vaga < vagas_de_diario && criado.resultado == Resultado::ja_existe; ++vaga) {
        std::string nome = nome_diario(trava, vaga);
        const int descritor = abrir_repetindo(nome.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
        if (descritor >= 0) {
            segurar(descritor);
            criado = {Resultado::ok, descritor, std::move(nome)};
        } else if (errno != EEXIST) {
            criado = {resultado_do_erro(errno), -1, {}};
        }
    }
    destravar(trava_das_confirmacoes);
    return criado;
}

// A file system without links (FAT) gets the rename: `destino` is then
// missing until its new file takes the place.
Resultado guardar_anterior(const char* destino, const char* copia) {
    if (::link(destino, copia) == 0) return Resultado::ok;
    if (errno == EEXIST) return Resultado::ja_existe;
    return ::rename(destino, copia) == 0 ? Resultado::ok : resultado_do_erro(errno);
}

Resultado substituir(const char* origem, const char* destino) {
    return ::rename(origem, destino) == 0 ? Resultado::ok : resultado_do_erro(errno);
}

Resultado descartar(const char* nome) {
    return ::unlink(nome) == 0 || errno == ENOENT ? Resultado::ok : resultado_do_erro(errno);
}

// fsync, and what it says: devices and pipes have nothing to sync, nor has a
// folder whose file system keeps nothing to write.
Resultado sincronizar_descritor(int descritor) {
    int r;
    do {
        r = ::fsync(descritor);
    } while (r != 0 && errno == EINTR);
    if (r != 0 && errno != EINVAL && errno != EROFS) return resultado_do_erro(errno);
    return Resultado::ok;
}

Resultado sincronizar(int descritor) { return sincronizar_descritor(descritor); }

void iniciar_gravacao(int descritor, std::uint64_t posicao, std::uint64_t tamanho, bool) {
#ifdef __linux__
    // Only the start: the pages go to the disk while the caller goes on.
    ::sync_file_range(descritor, static_cast<off_t>(posicao), static_cast<off_t>(tamanho), SYNC_FILE_RANGE_WRITE);
#else
    (void)descritor;
    (void)posicao;
    (void)tamanho;
#endif
}

#ifdef __linux__
bool no_mesmo_sistema_de_arquivos(int descritor, const std::string& pasta) {
    struct stat do_arquivo {}, da_pasta {};
    return descritor >= 0 && ::fstat(descritor, &do_arquivo) == 0 && ::stat(pasta.c_str(), &da_pasta) == 0 &&
           do_arquivo.st_dev == da_pasta.st_dev;
}
#endif

Pasta abrir_pasta(const char* vizinho, int no_mesmo_sistema) {
    const std::string pasta = pasta_ou_atual(vizinho);
    int descritor = abrir_repetindo(pasta.c_str(), O_RDONLY | O_DIRECTORY);
    if (descritor >= 0) return {Resultado::ok, descritor, false};
    if (errno != EACCES) return {resultado_do_erro(errno), -1, false};
#ifdef __linux__
    // A folder that cannot be read cannot be synced itself: its file system
    // can, through any file on it (syncfs).
    descritor = no_mesmo_sistema_de_arquivos(no_mesmo_sistema, pasta) ? ::fcntl(no_mesmo_sistema, F_DUPFD_CLOEXEC, 0)
                                                                      : abrir_repetindo(vizinho, O_RDONLY | O_NONBLOCK);
    if (descritor < 0) descritor = abrir_repetindo(vizinho, O_WRONLY | O_NONBLOCK);
    if (descritor >= 0) return {Resultado::ok, descritor, true};
    return {resultado_do_erro(errno), -1, false};
#else
    (void)no_mesmo_sistema;
    return {Resultado::insubstituivel, -1, false};
#endif
}

Resultado sincronizar_pasta(const Pasta& pasta) {
#ifdef __linux__
    if (pasta.pelo_sistema) return ::syncfs(pasta.descritor) == 0 ? Resultado::ok : resultado_do_erro(errno);
#endif
    return sincronizar_descritor(pasta.descritor);
}

void fechar_pasta(const Pasta& pasta) {
    if (pasta.descritor >= 0) ::close(pasta.descritor);
}

bool existe(const char* nome) {
    struct stat info {};
    return ::lstat(nome, &info) == 0;
}

Resultado tomar_abandonado(const char* nome, int& descritor) {
    struct stat info {};
    if (::lstat(nome, &info) != 0) return errno == ENOENT ? Resultado::nao_encontrado : resultado_do_erro(errno);
    if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) return Resultado::ja_existe;
    int d = abrir_repetindo(nome, O_RDWR | O_NOFOLLOW | O_NONBLOCK);
    if (d < 0 && errno != EMFILE && errno != ENFILE) d = abrir_repetindo(nome, O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
    if (d < 0 && errno != EMFILE && errno != ENFILE) d = abrir_repetindo(nome, O_WRONLY | O_NOFOLLOW | O_NONBLOCK);
    if (d < 0) return errno == ENOENT ? Resultado::nao_encontrado : resultado_do_erro(errno);
    int r;
    do {
        r = ::flock(d, LOCK_EX | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        ::close(d);
        return Resultado::ja_existe;
    }
    descritor = d;
    return Resultado::ok;
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

Resultado escrever_em(int descritor, std::uint64_t posicao, const char* bytes, std::size_t tamanho) {
    while (tamanho > 0) {
        const ssize_t escritos = ::pwrite(descritor, bytes, tamanho, static_cast<off_t>(posicao));
        if (escritos < 0 && errno == EINTR) continue;
        if (escritos < 0) return resultado_do_erro(errno);
        if (escritos == 0) return Resultado::disco_cheio;
        bytes += escritos;
        posicao += static_cast<std::uint64_t>(escritos);
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

bool ler_linha_console(std::string& linha) { return plataforma::montar_linha_console(&ler_byte_console, linha); }

}  // namespace

const SistemaArquivos& sistema_arquivos_nativo() {
    static const SistemaArquivos nativo{
        .abrir = &abrir,
        .preparar_substituicao = &preparar_substituicao,
        .nome_livre = &nome_livre,
        .criar_temporario = &criar_temporario,
        .criar_diario = &criar_diario,
        .guardar_anterior = &guardar_anterior,
        .substituir = &substituir,
        .descartar = &descartar,
        .sincronizar = &sincronizar,
        .iniciar_gravacao = &iniciar_gravacao,
        .abrir_pasta = &abrir_pasta,
        .sincronizar_pasta = &sincronizar_pasta,
        .fechar_pasta = &fechar_pasta,
        .existe = &existe,
        .tomar_abandonado = &tomar_abandonado,
        .travar = &travar,
        .destravar = &destravar,
        .arquivo_comum = &arquivo_comum,
        .mesmo_arquivo = &mesmo_arquivo,
        .escrever = &escrever,
        .escrever_em = &escrever_em,
        .cortar = &cortar,
        .fechar = &fechar,
        .ler = &ler,
        .ler_linha_console = &ler_linha_console,
        .escrever_console = &plataforma::escrever_saida_padrao,
    };
    return nativo;
}

}  // namespace servicos::unidades
