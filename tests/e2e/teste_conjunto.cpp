// Results replace the earlier ones only as a complete set. The real program is
// met with what a shell user can do to it: a pipe with no reader, a file-size
// limit, a FIFO in place of a file, a file that cannot be replaced, a full
// folder, a second run in the same folder, a kill at any moment, also between
// two renames of the commit. Afterwards (and after the next run, which
// finishes or undoes a commit a kill left) the folder holds one run's
// complete set, byte for byte, and no file of the program; a run never hangs
// on a file it holds itself. Two runs in one folder and a file held open are
// tried on both platforms; the rest needs POSIX signals, pipes and mounts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <sys/mount.h>
#include <sys/syscall.h>
#endif

#include "execucao.hpp"

namespace {

namespace fs = std::filesystem;
using e2e::entrada_pequena;
using e2e::interpretador;
using e2e::programa;

// The files of a set whose listing is `listagem`.
std::vector<std::string> conjunto_de(const std::string& listagem) { return {listagem, "temp_media.txt", "temp_meio.txt"}; }

// "pequeno" with Nt (line 5), Ti (line 6) and tf (line 4) replaced.
std::string pequeno_com(int Nt, const std::string& Ti = "100", const std::string& tf = "1") {
    return "pequeno.txt\n1\n3\n" + tf + "\n" + std::to_string(Nt) + "\n" + Ti + "\n1\n1\n1\n1\n";
}

// The files of the program in the folder and the folders in it.
std::set<std::string> temporarios_em(const fs::path& pasta) {
    std::set<std::string> nomes;
    for (const auto& item : fs::recursive_directory_iterator(pasta))
        if (item.path().filename().string().rfind("difusao_calor-temp-", 0) == 0)
            nomes.insert(fs::relative(item.path(), pasta).string());
    return nomes;
}

using Conjunto = std::map<std::string, std::string>;

// The input of "pequeno" with only nine values: a run that fails at once,
// after its start in the folder.
const std::string nove_valores = "pequeno.txt\n1\n3\n1\n1\n100\n1\n1\n1\n";

Conjunto conjunto_em(const fs::path& pasta, const std::string& listagem = "pequeno.txt") {
    Conjunto bytes;
    for (const std::string& nome : conjunto_de(listagem)) bytes[nome] = suporte::ler_arquivo(pasta / nome);
    return bytes;
}

class ConjuntoDeResultados : public e2e::Execucao {
protected:
    Conjunto anterior;
    std::string listagem = "pequeno.txt";  // the earlier set's listing

    // The earlier set: a complete run of "pequeno".
    void SetUp() override {
        entrada(entrada_pequena);
        ASSERT_EQ(rodar().status, 0);
        anterior = conjunto_em(pasta.caminho());
    }
#ifndef _WIN32
    fs::path relatorio() const { return fora / "relatorio.txt"; }
    // Standard error goes to a file outside the folder.
    std::function<void()> erro_em_arquivo() const {
        const std::string caminho = relatorio().string();
        return [caminho] {
            const int arquivo = ::open(caminho.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(arquivo, STDERR_FILENO);
        };
    }
    void esperar_anterior_intacto() {
        EXPECT_TRUE(conjunto_em(pasta.caminho(), listagem) == anterior) << "the earlier set changed";
        EXPECT_EQ(temporarios_em(pasta.caminho()), std::set<std::string>{});
    }
    // The earlier listing moved to `nome`, another folder's.
    void mudar_listagem(const std::string& nome) {
        fs::create_directories((pasta / nome).parent_path());
        fs::rename(pasta / listagem, pasta / nome);
        listagem = nome;
        anterior = conjunto_em(pasta.caminho(), listagem);
    }
#endif
};

// The program run on a thread of its own, so that two runs overlap.
class CorridaParalela {
public:
    explicit CorridaParalela(suporte::Execucao execucao)
        : fio_([this, execucao = std::move(execucao)] { resultado_ = suporte::executar(execucao); }) {}
    suporte::Resultado esperar() {
        fio_.join();
        return resultado_;
    }

private:
    suporte::Resultado resultado_;
    std::thread fio_;
};

// ---------------------------------------------------------------------------
// Two runs in one folder, the second started while the first writes, after
// a varied delay: the folder ends with one run's complete set, never a mix.
// The runs start no viewer (their interpreter does not exist), so their time
// goes to computing and writing.

TEST_F(ConjuntoDeResultados, DuasCorridasNaMesmaPasta) {
#ifdef _WIN32
    // A process takes most of a second to start under wine: the first run
    // writes 100 MB, so that the second starts writing while it still does.
    constexpr int vezes = 8;
    const std::string a = pequeno_com(300000, "100", "1"), b = pequeno_com(50000, "250", "2");
    const std::string sem_interpretador = "C:\\nao\\existe\\cmd.exe";
#else
    constexpr int vezes = 30;
    const std::string a = pequeno_com(60000, "100", "1"), b = pequeno_com(50000, "250", "2");
    const std::string sem_interpretador = "/nao/existe/interpretador";
#endif
    const suporte::Execucao execucao{programa, {}, pasta.caminho(), {{"COMSPEC", sem_interpretador}}, std::string()};
    Conjunto so_a, so_b;
    long long duracao_us = 1;
    for (auto [texto, destino] : {std::pair{&a, &so_a}, std::pair{&b, &so_b}}) {
        entrada(*texto);
        const auto inicio = std::chrono::steady_clock::now();
        ASSERT_EQ(suporte::executar(execucao).status, 0);
        duracao_us = std::max<long long>(
            duracao_us,
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - inicio).count());
        *destino = conjunto_em(pasta.caminho());
    }
    std::mt19937 sorteio(20261209);
    for (int vez = 0; vez < vezes; ++vez) {
        const auto atraso = std::chrono::microseconds(sorteio() % static_cast<unsigned>(duracao_us / 2 + 1));
        entrada(a);
        const auto tamanho_anterior = fs::file_size(pasta / "pequeno.txt");
        CorridaParalela primeira(execucao);
        // The first run writes once it has read its input (into a file of
        // its own, or straight into the listing); the second run's input then
        // replaces the file whole, by a rename.
        const auto escrevendo = [&] {
            std::error_code erro;
            return !temporarios_em(pasta.caminho()).empty() ||
                   fs::file_size(pasta / "pequeno.txt", erro) != tamanho_anterior;
        };
        for (int espera = 0; espera < 5000 && !escrevendo(); ++espera)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        suporte::escrever_arquivo(fora / "entrada_b", b);
        fs::rename(fora / "entrada_b", pasta / "entradas_geral.ent");
        std::this_thread::sleep_for(atraso);
        CorridaParalela segunda(execucao);
        const suporte::Resultado r_a = primeira.esperar(), r_b = segunda.esperar();
        EXPECT_EQ(r_a.status, 0) << r_a.erro;
        EXPECT_EQ(r_b.status, 0) << r_b.erro;
        const Conjunto final = conjunto_em(pasta.caminho());
        EXPECT_TRUE(final == so_a || final == so_b) << "a mix of two runs after a delay of " << atraso.count() << " us";
        EXPECT_EQ(temporarios_em(pasta.caminho()), std::set<std::string>{});
    }
}

#ifdef _WIN32
// A data file held open by another program that does not share its deletion
// (a spreadsheet): no rename can replace it. The run refuses it before it
// writes anything, and the earlier set stays.
TEST_F(ConjuntoDeResultados, DadoAbertoSemPartilharARemocao) {
    const fs::path meio = pasta / "temp_meio.txt";
    const HANDLE aberto = ::CreateFileW(meio.wstring().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(aberto, INVALID_HANDLE_VALUE);
    entrada(pequeno_com(7));
    const suporte::Resultado r = rodar();
    ::CloseHandle(aberto);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.erro, "\r\nrun-time error F6424: OPEN(temp_meio.txt)\r\n- file cannot be replaced safely (a mount "
                      "point, another user's file in a shared folder, or a file in use by another program)\r\n");
    EXPECT_TRUE(conjunto_em(pasta.caminho()) == anterior) << "the earlier set changed";
    EXPECT_EQ(temporarios_em(pasta.caminho()), std::set<std::string>{});
}
#endif

#ifndef _WIN32

// An input with its listing (the first line) named `listagem`.
std::string com_listagem(const std::string& entrada, const std::string& listagem) {
    return "'" + listagem + "'" + entrada.substr(entrada.find('\n'));
}

// The overflow of the middle-node value while the listing is written.
const std::string estouro_na_listagem = "pequeno.txt\n1\n3\n1.9465\n1\n1e300\n1\n-1.0\n1\n1\n";

struct Fim {
    bool terminou = false;  // false: still running at the deadline, killed
    int status = -1;        // exit status, or 128 + signal
};

// Whether child `pid` has ended, leaving it to be waited for. (waitpid takes
// no WNOWAIT: it fails at once with EINVAL, which once made the FIFO test
// send its signal at any moment of the run, the editor's included.)
bool terminou_sem_colher(pid_t pid) {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid != 0;
}

// The program as a child of this process, set up by `ajustar` between fork
// and exec (descriptors, limits, its user), started through the command
// `antes` when one is given (strace), with the way of writing its results
// forced when `modo` is given, waited for at most a minute: a run that
// blocks forever fails the test instead of hanging it.
class Filho {
public:
    Filho(const fs::path& pasta, const fs::path& registro, const std::function<void()>& ajustar = {},
          std::vector<std::string> antes = {}, const std::string& modo = {}) {
        antes.push_back(modo.empty() ? programa.string() : e2e::escrita_forcada.string());
        if (!modo.empty()) antes.push_back(modo);
        std::vector<char*> argv;
        for (std::string& parte : antes) argv.push_back(parte.data());
        argv.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ != 0) return;
        if (::chdir(pasta.c_str()) != 0) ::_exit(126);
        ::setenv("COMSPEC", interpretador.c_str(), 1);
        ::setenv("DIFUSAO_REGISTRO", registro.c_str(), 1);
        const int nulo = ::open("/dev/null", O_RDWR);
        ::dup2(nulo, STDIN_FILENO);
        if (ajustar) ajustar();
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    pid_t pid() const { return pid_; }
    // Whether the run has not ended yet; it is left to esperar().
    bool vivo() const { return !terminou_sem_colher(pid_); }
    Fim esperar() {
        const auto limite = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        int estado = 0;
        while (::waitpid(pid_, &estado, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > limite) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &estado, 0);
                return {};
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return {true, WIFSIGNALED(estado) ? 128 + WTERMSIG(estado) : WEXITSTATUS(estado)};
    }

private:
    pid_t pid_;
};

// A pipe whose reading end is already closed: every write to it fails.
int pipe_sem_leitor() {
    int pontas[2];
    if (::pipe(pontas) != 0) return -1;
    ::close(pontas[0]);
    return pontas[1];
}

// ---------------------------------------------------------------------------
// Faults while the results are written, each a row: the exact report where
// there is a stream to take it, exit status 1, the earlier set intact, no
// temporary file left, and no hang.

struct FalhaDeEscrita {
    const char* nome;
    std::string entrada;
    std::string relatorio;  // empty: standard error has no reader
    // In the parent, before the run: a reason to skip the row, or "".
    std::function<std::string(const fs::path& pasta)> preparar = {};
    std::function<std::function<void()>(const fs::path& pasta)> no_filho = {};
    std::function<void(const fs::path& pasta)> desfazer = {};  // after the checks
};

void PrintTo(const FalhaDeEscrita& f, std::ostream* saida) { *saida << f.nome; }

class FalhasDeEscrita : public ConjuntoDeResultados, public ::testing::WithParamInterface<FalhaDeEscrita> {
protected:
    void verificar(const FalhaDeEscrita& f);
};

// The same rows with the results written while the loop runs whenever the
// names allow it, whatever the size of the run.
class FalhasDeEscritaNoLaco : public FalhasDeEscrita {
protected:
    FalhasDeEscritaNoLaco() { modo_de_escrita = "durante_o_laco"; }
};

TEST_P(FalhasDeEscrita, ConjuntoAnteriorIntacto) { verificar(GetParam()); }
TEST_P(FalhasDeEscritaNoLaco, ConjuntoAnteriorIntacto) { verificar(GetParam()); }

void FalhasDeEscrita::verificar(const FalhaDeEscrita& f) {
    entrada(f.entrada);
    if (f.preparar) {
        const std::string motivo = f.preparar(pasta.caminho());
        if (!motivo.empty()) GTEST_SKIP() << motivo;
    }
    struct Desfazer {
        const FalhaDeEscrita& f;
        const fs::path& pasta;
        ~Desfazer() {
            if (f.desfazer) f.desfazer(pasta);
        }
    } desfazer{f, pasta.caminho()};
    const auto no_filho = f.no_filho ? f.no_filho(pasta.caminho()) : std::function<void()>{};
    const auto erro = erro_em_arquivo();
    Filho filho(
        pasta.caminho(), registro(),
        [&] {
            erro();
            if (no_filho) no_filho();
        },
        {}, modo_de_escrita);
    const Fim fim = filho.esperar();
    ASSERT_TRUE(fim.terminou) << "the run hung";
    EXPECT_EQ(fim.status, 1);
    if (!f.relatorio.empty()) {
        EXPECT_EQ(suporte::ler_arquivo(relatorio()), f.relatorio);
    }
    esperar_anterior_intacto();
}

// A FIFO in the folder, and a thread that reads a few bytes of it and goes
// away, as `head` does.
std::function<std::string(const fs::path&)> fifo_lida_em_parte(const std::string& nome) {
    return [nome](const fs::path& pasta) {
        const fs::path caminho = pasta / nome;
        ::mkfifo(caminho.c_str(), 0600);
        std::thread([caminho] {
            const int leitor = ::open(caminho.c_str(), O_RDONLY);
            char bytes[10];
            if (::read(leitor, bytes, sizeof bytes) < 0) {
            }
            ::close(leitor);
        }).detach();
        return std::string();
    };
}

std::string quadro(const std::string& codigo, const std::string& rotulo, const std::string& nome,
                   const std::string& mensagem) {
    return "\r\nrun-time error " + codigo + ": " + rotulo + "(" + nome + ")\r\n- " + mensagem + "\r\n";
}

// A limit of 50 KiB on the size of every file the run writes.
std::function<void()> limite_de_tamanho(const fs::path&) {
    return [] {
        const rlimit limite{50 * 1024, 50 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limite);
    };
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool sob_sanitizadores = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool sob_sanitizadores = true;
#else
constexpr bool sob_sanitizadores = false;
#endif
#else
constexpr bool sob_sanitizadores = false;
#endif

// The sanitizers' run-time opens files of its own, past any small limit, and
// so does qemu-user (and the script that starts it), whose limit is the
// program's.
std::string sem_limite_de_descritores(const fs::path&) {
    if (sob_sanitizadores) return "the sanitizers' run-time needs descriptors of its own";
    if (suporte::sob_emulador) return "under qemu-user the emulator needs descriptors of its own";
    return std::string();
}

// The run with only the standard streams open and `limite` descriptors in
// all: the set's files take the next ones, in a known order (its record,
// the record's folder, each temporary), and the commit its lock after them.
std::function<std::function<void()>(const fs::path&)> descritores(int limite) {
    return [limite](const fs::path&) {
        return [limite] {
            for (int d = 3; d < 1024; ++d) ::close(d);
            const rlimit teto{static_cast<rlim_t>(limite), static_cast<rlim_t>(limite)};
            ::setrlimit(RLIMIT_NOFILE, &teto);
        };
    };
}

const std::string insubstituivel =
    "file cannot be replaced safely (a mount point, another user's file in a shared folder, or a file in use by "
    "another program)";
const std::string sem_arquivo_novo = ": no new file can be made in its folder to replace it";

// Rows that mount file systems or run as another user need the superuser.
std::string sem_superusuario() { return ::geteuid() == 0 ? std::string() : "needs the superuser"; }

// The run as a user that owns nothing here.
constexpr uid_t ninguem = 65534;
void como_ninguem() {
    if (::setgid(ninguem) != 0 || ::setuid(ninguem) != 0) ::_exit(125);
}

// The folder's files given to another user, writable by all.
void de_outro_dono(const fs::path& pasta) {
    for (const auto& item : fs::directory_iterator(pasta)) {
        if (::chown(item.path().c_str(), ninguem - 1, ninguem - 1) != 0) {
        }
        fs::permissions(item.path(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                         fs::perms::group_write | fs::perms::others_read | fs::perms::others_write);
    }
}

#ifdef __linux__
// The folder's files moved onto a small file system mounted over the folder,
// with `livres` inodes left.
std::string disco_com_inodes_livres(const fs::path& pasta, int livres) {
    if (const std::string motivo = sem_superusuario(); !motivo.empty()) return motivo;
    std::map<std::string, std::string> arquivos;
    for (const auto& item : fs::directory_iterator(pasta))
        arquivos[item.path().filename().string()] = suporte::ler_arquivo(item.path());
    // The file system's root counts as one inode.
    const std::size_t inodes = arquivos.size() + 1 + static_cast<std::size_t>(livres);
    const std::string opcoes = "size=400k,nr_inodes=" + std::to_string(inodes);
    if (::mount("tmpfs", pasta.c_str(), "tmpfs", 0, opcoes.c_str()) != 0)
        return std::string("cannot mount a small file system here: ") + std::strerror(errno);
    for (const auto& [nome, bytes] : arquivos) suporte::escrever_arquivo(pasta / nome, bytes);
    return {};
}
#endif

std::vector<FalhaDeEscrita> falhas_de_escrita() {
    std::vector<FalhaDeEscrita> falhas{

        // The report itself meets a pipe with no reader: no SIGPIPE, the
        // clean-up still runs.
        FalhaDeEscrita{"RelatorioNumPipeSemLeitor", estouro_na_listagem, "", {},
                       [](const fs::path&) {
                           return [] { ::dup2(pipe_sem_leitor(), STDERR_FILENO); };
                       }},
        // A listing written to a pipe whose reader is gone, as `| head` leaves it.
        FalhaDeEscrita{"ListagemNumPipeSemLeitor", "'/dev/stdout'\n1\n3\n1\n1\n100\n1\n1\n1\n1\n",
                       quadro("F6421", "CLOSE", "/dev/stdout", "write refused by the system"), {},
                       [](const fs::path&) {
                           return [] { ::dup2(pipe_sem_leitor(), STDOUT_FILENO); };
                       }},
        FalhaDeEscrita{"ListagemNumaFifoLidaEmParte", "lista\n1\n3\n1\n2000\n100\n1\n1\n1\n1\n",
                       quadro("F6421", "WRITE", "lista", "write refused by the system"), fifo_lida_em_parte("lista")},
        // The file-size limit: the write fails with a report instead of
        // SIGXFSZ killing the run.
        FalhaDeEscrita{"LimiteDeTamanho", pequeno_com(2000), quadro("F6422", "WRITE", "pequeno.txt", "disk full"), {},
                       limite_de_tamanho},
        // The same limit met while the loop of a run large enough to have its
        // results written during the loop runs: the report that the reports
        // give when they meet it.
        FalhaDeEscrita{"LimiteDeTamanhoDuranteOLaco", "pequeno.txt\n1\n1001\n0.1\n2000\n100\n0.5\n1\n1\n1\n",
                       quadro("F6422", "WRITE", "pequeno.txt", "disk full"), {}, limite_de_tamanho},
        // An explicit run past its stability bound overflows near step 2200,
        // long after the writing of its results has met the limit: the
        // loop's fault is the one reported.
        FalhaDeEscrita{"EstouroNoLacoDepoisDeEscritaRecusada", "pequeno.txt\n1\n101\n0.18\n3000\n100\n0\n1\n1\n1\n",
                       "\r\nrun-time error M6104: MATH\r\n- floating-point error: overflow\r\n", {}, limite_de_tamanho},
        // Descriptors used up: the record's folder, which the commit syncs,
        // cannot be held; then the commit's lock cannot be had. Either way
        // nothing is replaced.
        FalhaDeEscrita{"SemDescritorParaAPasta", pequeno_com(7, "250"),
                       quadro("F6417", "OPEN", "pequeno.txt", "too many open files"), sem_limite_de_descritores,
                       descritores(4)},
        FalhaDeEscrita{"SemDescritorNaConfirmacao", pequeno_com(7, "250"),
                       quadro("F6417", "CLOSE", "pequeno.txt", "too many open files"), sem_limite_de_descritores,
                       descritores(8)},
        // A folder where the user may write the files but create none: no
        // file is written in place, the run is refused up front (the old
        // fault: written in place, then cut by the file-size limit).
        FalhaDeEscrita{"PastaQueNaoAceitaArquivoNovo", pequeno_com(2000),
                       quadro("F6414", "OPEN", "pequeno.txt", "file access denied" + sem_arquivo_novo),
                       [](const fs::path& pasta) {
                           if (const std::string motivo = sem_superusuario(); !motivo.empty()) return motivo;
                           de_outro_dono(pasta);
                           fs::permissions(pasta, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                                      fs::perms::others_read | fs::perms::others_exec);
                           fs::permissions(pasta, fs::perms::owner_write, fs::perm_options::remove);
                           return std::string();
                       },
                       [](const fs::path&) {
                           return [] {
                               const rlimit limite{100 * 1024, 100 * 1024};
                               ::setrlimit(RLIMIT_FSIZE, &limite);
                               como_ninguem();
                           };
                       },
                       [](const fs::path& pasta) { fs::permissions(pasta, fs::perms::owner_all); }},
        // A shared folder (sticky, as /tmp) whose files belong to another
        // user: writable, but no rename may replace them.
        FalhaDeEscrita{"PastaPartilhadaComArquivosDeOutro", pequeno_com(7, "250"),
                       quadro("F6424", "OPEN", "pequeno.txt", insubstituivel),
                       [](const fs::path& pasta) {
                           if (const std::string motivo = sem_superusuario(); !motivo.empty()) return motivo;
                           de_outro_dono(pasta);
                           fs::permissions(pasta, fs::perms::all | fs::perms::sticky_bit);
                           return std::string();
                       },
                       [](const fs::path&) { return [] { como_ninguem(); }; }}
    };
#ifdef __linux__
    const std::vector<FalhaDeEscrita> montagens{
        // A data file with a file mounted over it: no rename can replace it,
        // and the run is refused before it writes anything.
        // Under qemu-user statx gives no mount id, and the mount over the
        // file is met only when the commit's rename is refused: another
        // report, the same folder.
        FalhaDeEscrita{"DadoMontadoPorCima", pequeno_com(7, "250"),
                       suporte::sob_emulador ? std::string() : quadro("F6424", "OPEN", "temp_meio.txt", insubstituivel),
                       [](const fs::path& pasta) {
                           if (const std::string motivo = sem_superusuario(); !motivo.empty()) return motivo;
                           fs::copy_file(pasta / "temp_meio.txt", pasta / "m.bak");
                           if (::mount((pasta / "m.bak").c_str(), (pasta / "temp_meio.txt").c_str(), nullptr, MS_BIND,
                                       nullptr) != 0)
                               return std::string("cannot bind-mount here: ") + std::strerror(errno);
                           return std::string();
                       },
                       {},
                       [](const fs::path& pasta) { ::umount2((pasta / "temp_meio.txt").c_str(), MNT_DETACH); }},
        // A folder with room for three new files and no more (the set's
        // record and two temporaries): the third temporary cannot be
        // created, and nothing is written in place.
        FalhaDeEscrita{"PastaSemInodes", pequeno_com(1200, "250"),
                       quadro("F6422", "OPEN", "temp_meio.txt", "disk full" + sem_arquivo_novo),
                       [](const fs::path& pasta) { return disco_com_inodes_livres(pasta, 3); },
                       {},
                       [](const fs::path& pasta) { ::umount2(pasta.c_str(), MNT_DETACH); }},
    };
    falhas.insert(falhas.end(), montagens.begin(), montagens.end());
#endif
    return falhas;
}

INSTANTIATE_TEST_SUITE_P(
    Escrita, FalhasDeEscrita, ::testing::ValuesIn(falhas_de_escrita()),
    [](const auto& info) { return std::string(info.param.nome); });
INSTANTIATE_TEST_SUITE_P(
    Escrita, FalhasDeEscritaNoLaco, ::testing::ValuesIn(falhas_de_escrita()),
    [](const auto& info) { return std::string(info.param.nome); });

// The input as a FIFO is read to its end: a value missing from it is the
// end-of-file report, not a wait for a writer that is the program itself.
TEST_F(ConjuntoDeResultados, EntradaNumaFifoTemFim) {
    const fs::path fifo = pasta / "entradas_geral.ent";
    fs::remove(fifo);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const auto& [texto, status] : {std::pair{entrada_pequena, 0}, std::pair{std::string("pequeno.txt\n1\n3\n"), 1}}) {
        std::thread escritor([fifo, texto = texto] {
            const int d = ::open(fifo.c_str(), O_WRONLY);
            if (::write(d, texto.data(), texto.size()) < 0) {
            }
            ::close(d);
        });
        Filho filho(pasta.caminho(), registro(), erro_em_arquivo());
        const Fim fim = filho.esperar();
        if (!fim.terminou) ::close(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK));  // frees the writer
        escritor.join();
        ASSERT_TRUE(fim.terminou) << "the run hung";
        EXPECT_EQ(fim.status, status);
        if (status == 1) {
            EXPECT_EQ(suporte::ler_arquivo(relatorio()),
                      "\r\nrun-time error F6501: READ(entradas_geral.ent)\r\n- end of file encountered\r\n");
        }
        esperar_anterior_intacto();
    }
}

// What a rename must not lose: the permissions of an existing listing, and a
// link as the listing, whose target gets the new content.
TEST_F(ConjuntoDeResultados, RenomearGuardaModoELigacao) {
    const fs::path alvo = fora / "alvo.txt";
    suporte::escrever_arquivo(alvo, "antigo");
    fs::remove(pasta / "pequeno.txt");
    fs::create_symlink(alvo, pasta / "pequeno.txt");
    fs::permissions(alvo, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    entrada(pequeno_com(7));
    ASSERT_EQ(rodar().status, 0);
    EXPECT_TRUE(fs::is_symlink(pasta / "pequeno.txt"));
    EXPECT_EQ(suporte::ler_arquivo(alvo).rfind(std::string(104, '*') + "\r\n", 0), 0u) << "the target is not the listing";
    EXPECT_EQ(fs::status(alvo).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(temporarios_em(fora.caminho()), std::set<std::string>{});
}

// ---------------------------------------------------------------------------
// A run killed at a random moment while it computes and writes, and then the
// next run, one that fails at once. SIGTERM and SIGQUIT: the old set or the
// new, and no file of the program, even before the next run. SIGKILL cannot
// be caught: its files may stay behind until the next run, which finishes
// or undoes the commit that the kill cut short and removes them.

// A run that dumps no core when SIGQUIT ends it.
std::function<void()> sem_core(std::function<void()> antes) {
    return [antes] {
        antes();
        const rlimit nenhum{0, 0};
        ::setrlimit(RLIMIT_CORE, &nenhum);
    };
}

TEST_F(ConjuntoDeResultados, MortaAQualquerMomento) {
    const std::string nova = pequeno_com(30000, "300");
    entrada(nova);
    const auto inicio = std::chrono::steady_clock::now();
    ASSERT_EQ(rodar().status, 0);
    const auto duracao_us = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - inicio).count();
    const Conjunto novo = conjunto_em(pasta.caminho());

    std::mt19937 sorteio(8122026);
    for (int vez = 0; vez < 40; ++vez) {
        const int sinal = vez % 2 ? SIGKILL : vez % 4 ? SIGQUIT : SIGTERM;
        entrada(entrada_pequena);
        ASSERT_EQ(rodar().status, 0);
        entrada(nova);
        Filho filho(pasta.caminho(), registro(), sem_core(erro_em_arquivo()));
        std::this_thread::sleep_for(std::chrono::microseconds(sorteio() % static_cast<unsigned>(duracao_us + 1)));
        ::kill(filho.pid(), sinal);
        const Fim fim = filho.esperar();
        ASSERT_TRUE(fim.terminou);
        SCOPED_TRACE("signal " + std::to_string(sinal) + ", status " + std::to_string(fim.status));
        if (sinal != SIGKILL) {
            EXPECT_EQ(temporarios_em(pasta.caminho()), std::set<std::string>{});
            const Conjunto logo = conjunto_em(pasta.caminho());
            EXPECT_TRUE(logo == anterior || logo == novo) << "a mix of two sets";
        }
        entrada(nove_valores);
        EXPECT_EQ(rodar().status, 1);
        const Conjunto final = conjunto_em(pasta.caminho());
        EXPECT_TRUE(final == anterior || final == novo) << "a mix of two sets after the next run";
        EXPECT_EQ(temporarios_em(pasta.caminho()), std::set<std::string>{});
    }
}

// A run killed at its first write of results: by the reports once the loop
// has ended, or by the writer while the loop runs. The same folder either
// way: at once after SIGTERM, after the next run after SIGKILL.

struct MorteNaEscrita {
    const char* nome;
    std::string modo;
    int sinal;
    std::string listagem = "pequeno.txt";
};

void PrintTo(const MorteNaEscrita& caso, std::ostream* saida) { *saida << caso.nome; }

class MortaNaEscrita : public ConjuntoDeResultados, public ::testing::WithParamInterface<MorteNaEscrita> {};

TEST_P(MortaNaEscrita, ConjuntoAnteriorInteiro) {
    const MorteNaEscrita& caso = GetParam();
    if (caso.listagem != listagem) mudar_listagem(caso.listagem);
    entrada(com_listagem("pequeno.txt\n1\n1001\n0.1\n2000\n250\n0.5\n1\n1\n1\n", listagem));
    const std::string sinal = std::to_string(caso.sinal);
    const auto erro = erro_em_arquivo();
    Filho filho(
        pasta.caminho(), registro(),
        [&] {
            erro();
            ::setenv("DIFUSAO_MORTE_NA_ESCRITA", sinal.c_str(), 1);
        },
        {}, caso.modo);
    const Fim fim = filho.esperar();
    ASSERT_TRUE(fim.terminou) << "the run hung";
    EXPECT_EQ(fim.status, 128 + caso.sinal);
    EXPECT_EQ(suporte::ler_arquivo(relatorio()), "");
    if (caso.sinal != SIGKILL) esperar_anterior_intacto();
    entrada(nove_valores);
    EXPECT_EQ(rodar().status, 1);
    esperar_anterior_intacto();
}

INSTANTIATE_TEST_SUITE_P(Sinais, MortaNaEscrita,
                         ::testing::Values(MorteNaEscrita{"TerminoDepoisDoLaco", "depois_do_laco", SIGTERM},
                                           MorteNaEscrita{"TerminoDuranteOLaco", "durante_o_laco", SIGTERM},
                                           MorteNaEscrita{"MorteDepoisDoLaco", "depois_do_laco", SIGKILL},
                                           MorteNaEscrita{"MorteDuranteOLaco", "durante_o_laco", SIGKILL},
                                           // Its temporary beside it, found by the next run all the same.
                                           MorteNaEscrita{"MorteComListagemEmOutraPasta", "depois_do_laco", SIGKILL,
                                                          "sub/pequeno.txt"}),
                         [](const auto& info) { return std::string(info.param.nome); });

// ---------------------------------------------------------------------------
// A power cut at any point of a run's set, under the weakest model of a disk
// that POSIX allows with fsync: a file's bytes are on the disk as of its last
// sync, a folder's names as of its last sync, and of the changes to a
// folder's names since then (files made, linked, renamed, removed) any
// subset may have reached it, in their order. The operations of a real run
// (its listing in another folder than its data files) are recorded by the
// program itself (escrita_forcada, DIFUSAO_OPERACOES); after each of them,
// every state the disk can be left in is built as a real folder, and the
// next run of the real program, one that fails at once, must leave there one
// whole set, the earlier or the new, and no file of the program.

// The disk of the model: files by number, each with its bytes as written
// and as last synced; names by folder, as they stand and as last synced,
// with the changes to each folder's names since its last sync.
class DiscoPosix {
public:
    struct Mudanca {
        enum Tipo { criar, ligar, renomear, remover } tipo;
        std::string de, para;
        int arquivo = -1;
    };
    using Nomes = std::map<std::string, int>;  // path -> file
    // A state after a cut: every name with its file's bytes (names of one
    // file share a number).
    using Estado = std::map<std::string, std::pair<int, std::string>>;

    void arquivo_existente(const std::string& nome, const std::string& bytes) {
        arquivos_.push_back({bytes, bytes});
        atuais_[nome] = sincronizados_[pasta(nome)][nome] = static_cast<int>(arquivos_.size()) - 1;
    }

    // One line of the record of the operations.
    void aplicar(const std::string& linha) {
        std::istringstream campos(linha);
        std::string operacao, a, b;
        campos >> operacao >> a >> b;
        if (operacao == "criar") {
            arquivos_.push_back({});
            mudar({Mudanca::criar, a, {}, static_cast<int>(arquivos_.size()) - 1});
        } else if (operacao == "escrever") {
            Arquivo& arquivo = arquivos_.at(static_cast<std::size_t>(atuais_.at(a)));
            const std::size_t posicao = std::stoul(b);
            std::string hex;
            campos >> hex;
            if (arquivo.escrito.size() < posicao + hex.size() / 2) arquivo.escrito.resize(posicao + hex.size() / 2);
            for (std::size_t j = 0; j < hex.size() / 2; ++j)
                arquivo.escrito[posicao + j] = static_cast<char>(std::stoi(hex.substr(2 * j, 2), nullptr, 16));
        } else if (operacao == "sincronizar") {
            Arquivo& arquivo = arquivos_.at(static_cast<std::size_t>(atuais_.at(a)));
            arquivo.no_disco = arquivo.escrito;
        } else if (operacao == "sincronizar_pasta") {
            sincronizar_pasta(a == "." ? std::string() : a);
        } else if (operacao == "sincronizar_tudo") {
            for (Arquivo& arquivo : arquivos_) arquivo.no_disco = arquivo.escrito;
            for (auto& [nome, mudancas] : pendentes_) sincronizar_pasta(std::string(nome));
        } else if (operacao == "ligar") {
            mudar({Mudanca::ligar, a, b, -1});
        } else if (operacao == "renomear") {
            mudar({Mudanca::renomear, a, b, -1});
        } else if (operacao == "remover") {
            mudar({Mudanca::remover, a, {}, -1});
        } else {
            ADD_FAILURE() << "unknown operation: " << linha;
        }
    }

    // Every state the disk can be left in by a cut now.
    std::vector<Estado> cortes() const {
        std::vector<Nomes> nomes{{}};
        for (const auto& [pasta_, sincronizados] : sincronizados_) {
            const auto pendentes = pendentes_.find(pasta_);
            const std::vector<Mudanca> nenhuma;
            const std::vector<Mudanca>& mudancas = pendentes == pendentes_.end() ? nenhuma : pendentes->second;
            std::vector<Nomes> combinados;
            for (unsigned subconjunto = 0; subconjunto < (1u << mudancas.size()); ++subconjunto) {
                Nomes desta = sincronizados;
                for (std::size_t j = 0; j < mudancas.size(); ++j)
                    if (subconjunto & (1u << j)) efetuar(desta, mudancas[j]);
                for (const Nomes& outras : nomes) {
                    Nomes todas = outras;
                    todas.insert(desta.begin(), desta.end());
                    combinados.push_back(std::move(todas));
                }
            }
            nomes = std::move(combinados);
        }
        std::vector<Estado> estados;
        for (const Nomes& n : nomes) {
            // Bytes written since the last sync may or may not be there.
            std::vector<int> incertos;
            for (const auto& [nome, arquivo] : n) {
                const Arquivo& a = arquivos_[static_cast<std::size_t>(arquivo)];
                if (a.escrito != a.no_disco && std::find(incertos.begin(), incertos.end(), arquivo) == incertos.end())
                    incertos.push_back(arquivo);
            }
            for (unsigned escolha = 0; escolha < (1u << incertos.size()); ++escolha) {
                Estado estado;
                for (const auto& [nome, arquivo] : n) {
                    const Arquivo& a = arquivos_[static_cast<std::size_t>(arquivo)];
                    const auto k = std::find(incertos.begin(), incertos.end(), arquivo) - incertos.begin();
                    const bool escrito = static_cast<std::size_t>(k) < incertos.size() && (escolha & (1u << k));
                    estado[nome] = {arquivo, escrito ? a.escrito : a.no_disco};
                }
                estados.push_back(std::move(estado));
            }
        }
        return estados;
    }

private:
    struct Arquivo {
        std::string escrito, no_disco;
    };
    static std::string pasta(const std::string& nome) {
        const auto barra = nome.rfind('/');
        return barra == std::string::npos ? std::string() : nome.substr(0, barra + 1);
    }
    static void efetuar(Nomes& nomes, const Mudanca& m) {
        const auto de = nomes.find(m.de);
        switch (m.tipo) {
            case Mudanca::criar: nomes[m.de] = m.arquivo; break;
            case Mudanca::ligar:
                if (de != nomes.end()) nomes[m.para] = de->second;
                break;
            case Mudanca::renomear:
                if (de != nomes.end()) {
                    const int arquivo = de->second;
                    nomes.erase(de);
                    nomes[m.para] = arquivo;
                }
                break;
            case Mudanca::remover:
                if (de != nomes.end()) nomes.erase(de);
                break;
        }
    }
    void mudar(const Mudanca& m) {
        efetuar(atuais_, m);
        pendentes_[pasta(m.de)].push_back(m);
        sincronizados_[pasta(m.de)];
    }
    void sincronizar_pasta(const std::string& nome) {
        Nomes& sincronizados = sincronizados_[nome];
        sincronizados.clear();
        for (const auto& [n, arquivo] : atuais_)
            if (pasta(n) == nome) sincronizados[n] = arquivo;
        pendentes_[nome].clear();
    }

    std::vector<Arquivo> arquivos_;
    Nomes atuais_;
    std::map<std::string, Nomes> sincronizados_;
    std::map<std::string, std::vector<Mudanca>> pendentes_;
};

// A state as a real folder: names of one file are hard links.
void construir(const fs::path& pasta, const DiscoPosix::Estado& estado) {
    std::map<int, fs::path> feitos;
    fs::create_directories(pasta / "sub");
    for (const auto& [nome, arquivo] : estado) {
        const auto feito = feitos.find(arquivo.first);
        if (feito != feitos.end()) {
            fs::create_hard_link(feito->second, pasta / nome);
            continue;
        }
        suporte::escrever_arquivo(pasta / nome, arquivo.second);
        feitos[arquivo.first] = pasta / nome;
    }
}

TEST_F(ConjuntoDeResultados, QuedaDeEnergiaEmQualquerPontoDeixaUmConjunto) {
    const std::vector<std::string> nomes{"sub/pequeno.txt", "temp_media.txt", "temp_meio.txt"};
    const auto conjunto_de = [&nomes](const fs::path& onde) {
        Conjunto bytes;
        for (const std::string& nome : nomes) bytes[nome] = suporte::ler_arquivo(onde / nome);
        return bytes;
    };
    // The earlier set, with its listing in a folder of its own.
    fs::remove(pasta / "pequeno.txt");
    fs::create_directory(pasta / "sub");
    entrada("'sub/pequeno.txt'\n1\n3\n1\n2\n100\n1\n1\n1\n1\n");
    ASSERT_EQ(rodar().status, 0);
    const Conjunto antes = conjunto_de(pasta.caminho());
    DiscoPosix disco;
    for (const auto& item : fs::recursive_directory_iterator(pasta.caminho()))
        if (item.is_regular_file())
            disco.arquivo_existente(fs::relative(item.path(), pasta.caminho()).string(),
                                    suporte::ler_arquivo(item.path()));

    // The new set, its operations recorded.
    entrada("'sub/pequeno.txt'\n1\n3\n1\n3\n250\n1\n1\n1\n1\n");
    const fs::path operacoes = fora / "operacoes.txt";
    modo_de_escrita = "depois_do_laco";
    ASSERT_EQ(rodar({{"DIFUSAO_OPERACOES", operacoes.string()}}).status, 0);
    modo_de_escrita.clear();
    const Conjunto depois = conjunto_de(pasta.caminho());
    ASSERT_TRUE(depois != antes);

    std::map<DiscoPosix::Estado, int> estados;  // each state once, and after which operation it first came
    std::istringstream linhas(suporte::ler_arquivo(operacoes));
    int passo = 0;
    for (const DiscoPosix::Estado& e : disco.cortes()) estados.emplace(e, passo);
    for (std::string linha; std::getline(linhas, linha); ++passo) {
        disco.aplicar(linha);
        for (const DiscoPosix::Estado& e : disco.cortes()) estados.emplace(e, passo + 1);
    }
    ASSERT_GT(passo, 20) << "too few operations recorded";

    int quebrados = 0;
    for (const auto& [estado, depois_de] : estados) {
        const suporte::PastaTemporaria corte;
        construir(corte.caminho(), estado);
        suporte::escrever_arquivo(corte / "entradas_geral.ent", nove_valores);
        const suporte::Resultado r = suporte::executar(
            {programa, {}, corte.caminho(), {{"COMSPEC", interpretador.string()}, {"DIFUSAO_REGISTRO", registro().string()}},
             std::string()});
        const Conjunto final = conjunto_de(corte.caminho());
        const bool inteiro = final == antes || final == depois;
        std::set<std::string> restos;
        for (const auto& item : fs::recursive_directory_iterator(corte.caminho()))
            if (item.path().filename().string().rfind("difusao_calor-temp-", 0) == 0)
                restos.insert(fs::relative(item.path(), corte.caminho()).string());
        if (r.status == 1 && inteiro && restos.empty()) continue;
        if (++quebrados > 3) continue;
        std::string nomes_do_estado;
        for (const auto& [nome, arquivo] : estado) nomes_do_estado += " " + nome;
        ADD_FAILURE() << "cut after operation " << depois_de << " (" << estado.size() << " files:" << nomes_do_estado
                      << "): status " << r.status << ", " << (inteiro ? "one whole set" : "a broken set") << ", "
                      << restos.size() << " files of the program left" << r.erro;
    }
    EXPECT_EQ(quebrados, 0) << "of " << estados.size() << " states";
    RecordProperty("estados", static_cast<int>(estados.size()));
}

#ifdef __linux__
// ---------------------------------------------------------------------------
// A run killed by SIGKILL inside its commit: strace holds back the return of
// the chosen rename of a file of the set, so that the kill falls right after
// that call has done its work, once the folder shows it; or, before the
// first, the call itself, once the link that keeps the earlier file aside
// shows. (The link is not the call held: the files made locked and then
// named are links too, and on aarch64 every link is a linkat.) The next run,
// one that fails at once, finishes the commit from its record: the folder
// holds the new set whole and no file of the program.

// The system calls of a rename: the C library chooses among them by
// processor (aarch64 has only the *at ones), and under qemu-user they are
// the emulator's own calls on this machine.
const std::string chamadas_de_troca = "rename,renameat,renameat2";

struct MorteNaConfirmacao {
    const char* nome;
    std::string chamada;  // the calls that strace holds back
    int trocados;         // files of the set renamed when the run is killed
    std::string listagem = "pequeno.txt";
    // The folder may be written and not listed (mode 0300), and both runs
    // are another user's (the superuser would be let through).
    bool sem_leitura = false;
};

void PrintTo(const MorteNaConfirmacao& caso, std::ostream* saida) { *saida << caso.nome; }

class MortaNaConfirmacao : public ConjuntoDeResultados, public ::testing::WithParamInterface<MorteNaConfirmacao> {};

// The first child of process `pai` (strace's: the program).
pid_t filho_de(pid_t pai) {
    const std::string filhos =
        suporte::ler_arquivo("/proc/" + std::to_string(pai) + "/task/" + std::to_string(pai) + "/children");
    return static_cast<pid_t>(std::atoi(filhos.c_str()));
}

// Whether a child can become that user (a container may map no other).
bool outro_usuario_possivel() {
    const pid_t filho = ::fork();
    if (filho == 0) {
        como_ninguem();
        ::_exit(0);
    }
    int estado = 0;
    return filho > 0 && ::waitpid(filho, &estado, 0) == filho && WIFEXITED(estado) && WEXITSTATUS(estado) == 0;
}

// The folder made one that its owner may write and not list, its files and
// itself given to the user that runs the program where that is another one;
// and back.
void tirar_leitura(const fs::path& pasta, bool como_outro) {
    if (como_outro) {
        for (const auto& item : fs::recursive_directory_iterator(pasta))
            if (::lchown(item.path().c_str(), ninguem, ninguem) != 0) {
            }
        if (::chown(pasta.c_str(), ninguem, ninguem) != 0) {
        }
    }
    fs::permissions(pasta, fs::perms::owner_write | fs::perms::owner_exec);
}
void devolver_leitura(const fs::path& pasta) { fs::permissions(pasta, fs::perms::owner_all); }

TEST_P(MortaNaConfirmacao, ProximaCorridaTerminaOConjunto) {
    if (std::system("strace -o /dev/null true > /dev/null 2>&1") != 0) GTEST_SKIP() << "strace cannot run here";
    const MorteNaConfirmacao& caso = GetParam();
    if (caso.listagem != listagem) mudar_listagem(caso.listagem);
    // The new set, from a whole run; then the earlier one back in place.
    entrada(com_listagem(pequeno_com(3000, "300"), listagem));
    ASSERT_EQ(rodar().status, 0);
    const Conjunto novo = conjunto_em(pasta.caminho(), listagem);
    for (const auto& [nome, bytes] : anterior) suporte::escrever_arquivo(pasta / nome, bytes);

    const bool como_outro = caso.sem_leitura && ::geteuid() == 0;
    if (como_outro && !outro_usuario_possivel())
        GTEST_SKIP() << "the superuser lists any folder, and no other user (uid " << ninguem << ") can be had here";
    const auto erro = erro_em_arquivo();
    const auto ajustar = [&] {
        erro();
        if (como_outro) como_ninguem();
    };
    if (caso.sem_leitura) tirar_leitura(pasta.caminho(), como_outro);
    // Only the call after which the run is killed is held back.
    const std::string vez = std::to_string(std::max(caso.trocados, 1));
    const std::string atraso = caso.trocados == 0 ? "delay_enter" : "delay_exit";
    Filho filho(pasta.caminho(), registro(), ajustar,
                {"strace", "-o", "/dev/null", "-e", "trace=" + caso.chamada, "-e",
                 "inject=" + caso.chamada + ":" + atraso + "=60000000:when=" + vez});
    const auto chegou = [&] {
        std::error_code erro;
        if (caso.trocados == 0) return fs::hard_link_count(pasta / listagem, erro) == 2;
        int trocados = 0;
        for (const std::string& nome : conjunto_de(listagem))
            trocados += fs::file_size(pasta / nome, erro) == novo.at(nome).size() ? 1 : 0;
        return trocados == caso.trocados;
    };
    while (!chegou() && filho.vivo())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const pid_t programa_morto = filho_de(filho.pid());
    ASSERT_GT(programa_morto, 0) << "the run ended before the state was reached";
    // Held by strace, the program runs no further: killed, it is gone, and
    // strace (which would wait out the delay) goes with it.
    ::kill(programa_morto, SIGKILL);
    ::kill(filho.pid(), SIGKILL);
    ASSERT_TRUE(filho.esperar().terminou);
    if (caso.sem_leitura) devolver_leitura(pasta.caminho());
    ASSERT_FALSE(temporarios_em(pasta.caminho()).empty()) << "not killed inside the commit";

    entrada(nove_valores);
    if (caso.sem_leitura) tirar_leitura(pasta.caminho(), como_outro);
    Filho proxima(pasta.caminho(), registro(), ajustar);
    const Fim fim = proxima.esperar();
    if (caso.sem_leitura) devolver_leitura(pasta.caminho());
    EXPECT_EQ(fim.status, 1) << suporte::ler_arquivo(relatorio());
    EXPECT_TRUE(conjunto_em(pasta.caminho(), listagem) == novo) << "the killed commit was not finished";
    EXPECT_EQ(temporarios_em(pasta.caminho()), std::set<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Passos, MortaNaConfirmacao,
                         ::testing::Values(MorteNaConfirmacao{"AntesDaPrimeiraTroca", chamadas_de_troca, 0},
                                           MorteNaConfirmacao{"DepoisDaPrimeiraTroca", chamadas_de_troca, 1},
                                           MorteNaConfirmacao{"DepoisDaSegundaTroca", chamadas_de_troca, 2},
                                           MorteNaConfirmacao{"DepoisDaUltimaTroca", chamadas_de_troca, 3},
                                           // The record names the listing's temporary, in its own folder.
                                           MorteNaConfirmacao{"ListagemEmOutraPastaDepoisDaPrimeiraTroca", chamadas_de_troca, 1,
                                                              "sub/pequeno.txt"},
                                           // Neither run can list the folder: the record is found
                                           // by its name, the folder synced through its file system.
                                           MorteNaConfirmacao{"PastaSemLeituraDepoisDaSegundaTroca", chamadas_de_troca, 2,
                                                              "pequeno.txt", true}),
                         [](const auto& info) { return std::string(info.param.nome); });

// ---------------------------------------------------------------------------
// A data file that is a FIFO with no reader: the run waits in its open, and
// a request to terminate still ends it, the listing's temporary removed.

class FifoSemLeitor : public ConjuntoDeResultados, public ::testing::WithParamInterface<int> {};

// Whether process `pid` waits in an open. The kernel tells the call of the
// process it runs: under qemu-user that is the emulator, whose calls are
// those of the host it runs on (x86-64, where openat is 257).
bool esperando_abertura(pid_t pid) {
    const std::string chamada = suporte::ler_arquivo("/proc/" + std::to_string(pid) + "/syscall");
    const long abertura = suporte::sob_emulador ? 257 : SYS_openat;
    return chamada.rfind(std::to_string(abertura) + " ", 0) == 0;
}

TEST_P(FifoSemLeitor, PedidoDeTerminoAtendido) {
    const int sinal = GetParam();
    fs::remove(pasta / "temp_media.txt");
    ASSERT_EQ(::mkfifo((pasta / "temp_media.txt").c_str(), 0600), 0);
    entrada(pequeno_com(7, "250"));
    Filho filho(pasta.caminho(), registro(), sem_core(erro_em_arquivo()));
    while (!(!temporarios_em(pasta.caminho()).empty() && esperando_abertura(filho.pid())) &&
           !terminou_sem_colher(filho.pid()))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::kill(filho.pid(), sinal);
    const Fim fim = filho.esperar();
    ASSERT_TRUE(fim.terminou) << "the run is deaf to the signal";
    EXPECT_EQ(fim.status, 128 + sinal);
    EXPECT_EQ(conteudo("pequeno.txt"), anterior.at("pequeno.txt"));
    EXPECT_EQ(conteudo("temp_meio.txt"), anterior.at("temp_meio.txt"));
    EXPECT_EQ(temporarios_em(pasta.caminho()), std::set<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Sinais, FifoSemLeitor, ::testing::Values(SIGTERM, SIGINT, SIGHUP, SIGQUIT));

// ---------------------------------------------------------------------------
// A listing named by a name that stands for an open descriptor: written
// through that descriptor, never replaced, never cut. Standard output
// appends to a log; the log keeps what it had and gets the listing after it.

struct NomeDeDescritor {
    const char* rotulo;
    std::string listagem;
    std::string ligacao = {};  // a link "saida" in the folder, pointing there
};

void PrintTo(const NomeDeDescritor& caso, std::ostream* saida) { *saida << caso.rotulo; }

class NomesDeDescritor : public ConjuntoDeResultados, public ::testing::WithParamInterface<NomeDeDescritor> {};

TEST_P(NomesDeDescritor, EscritoNoDescritorSemApagarOQueHavia) {
    const NomeDeDescritor& caso = GetParam();
    if (!caso.ligacao.empty()) fs::create_symlink(caso.ligacao, pasta / "saida");
    const fs::path diario = fora / "corrida.log";
    suporte::escrever_arquivo(diario, "antes\n");
    entrada("'" + caso.listagem + "'\n1\n3\n1\n1\n100\n1\n1\n1\n1\n");
    const std::string caminho = diario.string();
    Filho filho(pasta.caminho(), registro(), [caminho] {
        ::dup2(::open(caminho.c_str(), O_WRONLY | O_APPEND), STDOUT_FILENO);
    });
    const Fim fim = filho.esperar();
    ASSERT_TRUE(fim.terminou);
    EXPECT_EQ(fim.status, 0);
    const fs::path esperado = e2e::dados_teste / "golden/pequeno/esperado";
    EXPECT_TRUE(suporte::ler_arquivo(diario) == "antes\n" + suporte::ler_arquivo(esperado / "pequeno.txt"));
    for (const char* nome : {"temp_media.txt", "temp_meio.txt"})
        EXPECT_TRUE(conteudo(nome) == suporte::ler_arquivo(esperado / nome)) << nome;
    EXPECT_EQ(temporarios_em(pasta.caminho()), std::set<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Nomes, NomesDeDescritor,
                         ::testing::Values(NomeDeDescritor{"SaidaPadrao", "/dev/stdout"},
                                           NomeDeDescritor{"DescritorUm", "/dev/fd/1"},
                                           NomeDeDescritor{"DescritorDoProcesso", "/proc/self/fd/1"},
                                           NomeDeDescritor{"LigacaoParaASaida", "saida", "/dev/stdout"}),
                         [](const auto& info) { return std::string(info.param.rotulo); });
#endif  // __linux__

#endif  // _WIN32

}  // namespace
