// Results replace the earlier ones only as a complete set. The real program is
// met with what a shell user can do to it: a pipe with no reader, a file-size
// limit, a FIFO in place of a file, a second run in the same folder, a kill at
// any moment. Afterwards the folder holds one run's complete set, byte for
// byte, and a run never hangs on a file it holds itself. Two runs in one
// folder are raced on both platforms; the rest needs POSIX signals and pipes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "execucao.hpp"

namespace {

namespace fs = std::filesystem;
using e2e::entrada_pequena;
using e2e::interpretador;
using e2e::programa;

const std::vector<std::string> conjunto{"pequeno.txt", "temp_media.txt", "temp_meio.txt"};

// "pequeno" with Nt (line 5), Ti (line 6) and tf (line 4) replaced.
std::string pequeno_com(int Nt, const std::string& Ti = "100", const std::string& tf = "1") {
    return "pequeno.txt\n1\n3\n" + tf + "\n" + std::to_string(Nt) + "\n" + Ti + "\n1\n1\n1\n1\n";
}

std::set<std::string> arquivos_em(const fs::path& pasta) {
    std::set<std::string> nomes;
    for (const auto& item : fs::directory_iterator(pasta)) nomes.insert(item.path().filename().string());
    return nomes;
}

std::set<std::string> temporarios_em(const fs::path& pasta) {
    std::set<std::string> nomes;
    for (const std::string& nome : arquivos_em(pasta))
        if (nome.rfind("difusao_calor-temp-", 0) == 0) nomes.insert(nome);
    return nomes;
}

using Conjunto = std::map<std::string, std::string>;

Conjunto conjunto_em(const fs::path& pasta) {
    Conjunto bytes;
    for (const std::string& nome : conjunto) bytes[nome] = suporte::ler_arquivo(pasta / nome);
    return bytes;
}

class ConjuntoDeResultados : public e2e::Execucao {
protected:
    Conjunto anterior;

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
        EXPECT_TRUE(conjunto_em(pasta.caminho()) == anterior) << "the earlier set changed";
        EXPECT_EQ(temporarios_em(pasta.caminho()), std::set<std::string>{});
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

#ifndef _WIN32

// The overflow of the middle-node value while the listing is written.
const std::string estouro_na_listagem = "pequeno.txt\n1\n3\n1.9465\n1\n1e300\n1\n-1.0\n1\n1\n";

struct Fim {
    bool terminou = false;  // false: still running at the deadline, killed
    int status = -1;        // exit status, or 128 + signal
};

// The program as a child of this process, set up by `ajustar` between fork
// and exec (descriptors, limits), waited for at most a minute: a run that
// blocks forever fails the test instead of hanging it.
class Filho {
public:
    Filho(const fs::path& pasta, const fs::path& registro, const std::function<void()>& ajustar = {}) {
        pid_ = ::fork();
        if (pid_ != 0) return;
        if (::chdir(pasta.c_str()) != 0) ::_exit(126);
        ::setenv("COMSPEC", interpretador.c_str(), 1);
        ::setenv("DIFUSAO_REGISTRO", registro.c_str(), 1);
        const int nulo = ::open("/dev/null", O_RDWR);
        ::dup2(nulo, STDIN_FILENO);
        if (ajustar) ajustar();
        ::execl(programa.c_str(), programa.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    pid_t pid() const { return pid_; }
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
    std::string relatorio;                                      // empty: standard error has no reader
    std::function<void(const fs::path& pasta)> preparar = {};   // in the parent, before the run
    std::function<std::function<void()>(const fs::path& pasta)> no_filho = {};
};

void PrintTo(const FalhaDeEscrita& f, std::ostream* saida) { *saida << f.nome; }

class FalhasDeEscrita : public ConjuntoDeResultados, public ::testing::WithParamInterface<FalhaDeEscrita> {};

TEST_P(FalhasDeEscrita, ConjuntoAnteriorIntacto) {
    const FalhaDeEscrita& f = GetParam();
    entrada(f.entrada);
    if (f.preparar) f.preparar(pasta.caminho());
    const auto no_filho = f.no_filho ? f.no_filho(pasta.caminho()) : std::function<void()>{};
    const auto erro = erro_em_arquivo();
    Filho filho(pasta.caminho(), registro(), [&] {
        erro();
        if (no_filho) no_filho();
    });
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
std::function<void(const fs::path&)> fifo_lida_em_parte(const std::string& nome) {
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
    };
}

std::string quadro(const std::string& codigo, const std::string& rotulo, const std::string& nome,
                   const std::string& mensagem) {
    return "\r\nrun-time error " + codigo + ": " + rotulo + "(" + nome + ")\r\n- " + mensagem + "\r\n";
}

INSTANTIATE_TEST_SUITE_P(
    Escrita, FalhasDeEscrita,
    ::testing::Values(
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
                       [](const fs::path&) {
                           return [] {
                               const rlimit limite{50 * 1024, 50 * 1024};
                               ::setrlimit(RLIMIT_FSIZE, &limite);
                           };
                       }}),
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
// A run killed at a random moment while it computes and writes. SIGTERM: the
// old set or the new, and no temporary file. SIGKILL cannot be caught: its
// temporary files may stay behind, and killed between two renames of the
// commit, the rest of the new set is in them.

TEST_F(ConjuntoDeResultados, MortaAQualquerMomento) {
    const std::string nova = pequeno_com(30000, "300");
    entrada(nova);
    const auto inicio = std::chrono::steady_clock::now();
    ASSERT_EQ(rodar().status, 0);
    const auto duracao_us = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - inicio).count();
    const Conjunto novo = conjunto_em(pasta.caminho());

    std::mt19937 sorteio(8122026);
    for (int vez = 0; vez < 40; ++vez) {
        const int sinal = vez % 2 ? SIGKILL : SIGTERM;
        entrada(entrada_pequena);
        ASSERT_EQ(rodar().status, 0);
        for (const std::string& t : temporarios_em(pasta.caminho())) fs::remove(pasta / t);
        entrada(nova);
        Filho filho(pasta.caminho(), registro(), erro_em_arquivo());
        std::this_thread::sleep_for(std::chrono::microseconds(sorteio() % static_cast<unsigned>(duracao_us + 1)));
        ::kill(filho.pid(), sinal);
        const Fim fim = filho.esperar();
        ASSERT_TRUE(fim.terminou);
        const Conjunto final = conjunto_em(pasta.caminho());
        const std::set<std::string> restos = temporarios_em(pasta.caminho());
        SCOPED_TRACE("signal " + std::to_string(sinal) + ", status " + std::to_string(fim.status));
        if (sinal == SIGTERM) {
            EXPECT_EQ(restos, std::set<std::string>{});
        }
        if (final == anterior || final == novo) continue;
        // Only a kill between two renames mixes the sets: the new files
        // missing from the folder are then complete among the leftovers.
        ASSERT_EQ(sinal, SIGKILL) << "a mix of two sets";
        std::multiset<std::string> deixados;
        for (const std::string& t : restos) deixados.insert(suporte::ler_arquivo(pasta / t));
        for (const auto& [nome, bytes] : final)
            if (bytes != novo.at(nome)) {
                EXPECT_EQ(bytes, anterior.at(nome)) << nome;
                EXPECT_EQ(deixados.count(novo.at(nome)), 1u) << nome << " is lost";
            }
    }
}

#endif  // _WIN32

}  // namespace
