// Faults met by the real program: bad data, arithmetic faults, sizes beyond
// the memory, unusable listing names and input files, full disks, a closed
// console at the file-name prompt, hostile names on their way to the editor,
// and a run killed half-way. A failure ends with exactly one report on
// standard error and exit status 1, runs no viewer, and leaves every file it
// did not write as it was.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#ifdef __linux__
#include <sys/mount.h>
#endif
#ifndef _WIN32
#include <unistd.h>
#endif

#include "execucao.hpp"

#if defined(__SANITIZE_ADDRESS__)
#define SOB_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SOB_ASAN 1
#endif
#endif

namespace {

namespace fs = std::filesystem;
using e2e::auxiliares;
using e2e::dados_teste;
using e2e::entrada_pequena;
using e2e::interpretador;
using e2e::programa;
using e2e::sufixo_executavel;

const fs::path esperado_pequeno = dados_teste / "golden/pequeno/esperado";

// The command log of a run that ended before its viewers: the editor only.
const std::string so_o_editor = "notepad entradas_geral.ent\n";

const std::string pergunta = "File name missing or blank - please enter file name\r\nUNIT 5? ";

// The input of "pequeno" with some lines replaced, by number: 0 the name,
// 1 Lx, 2 Nx, 3 tf, 4 Nt, 5 Ti, 6 theta, 7 k, 8 ro, 9 cp.
std::string com(std::map<int, std::string> trocas) {
    const std::vector<std::string> linhas{"pequeno.txt", "1", "3", "1", "1", "100", "1", "1", "1", "1"};
    std::string texto;
    for (int j = 0; j < 10; ++j) texto += (trocas.count(j) ? trocas[j] : linhas[static_cast<std::size_t>(j)]) + "\n";
    return texto;
}

std::string quadro_leitura(const std::string& codigo, const std::string& mensagem) {
    return "\r\nrun-time error " + codigo + ": READ(entradas_geral.ent)\r\n- " + mensagem + "\r\n";
}
std::string quadro_matematica(const std::string& codigo, const std::string& mensagem) {
    return "\r\nrun-time error " + codigo + ": MATH\r\n- " + mensagem + "\r\n";
}
std::string quadro_unidade(const std::string& codigo, const std::string& rotulo, const std::string& nome,
                           const std::string& mensagem) {
    return "\r\nrun-time error " + codigo + ": " + rotulo + "(" + nome + ")\r\n- " + mensagem + "\r\n";
}
std::string proprio(const std::string& nome) {
    return quadro_unidade("F6419", "OPEN", nome, "file used by the program itself");
}
const std::string sem_memoria = "\r\nrun-time error F6772\r\n- insufficient memory\r\n";
const std::string limites_invalidos =
    "\r\nrun-time error F6773: ALLOCATE\r\n- array bounds invalid: Nx must be at least 2 and Nt at least 0\r\n";

std::set<std::string> arquivos_em(const fs::path& pasta) {
    std::set<std::string> nomes;
    for (const auto& item : fs::directory_iterator(pasta)) nomes.insert(item.path().filename().string());
    return nomes;
}

class Falhas : public e2e::Execucao {
protected:
    // A sanitizer's allocator would rather abort than refuse: have it refuse,
    // as the system does.
    std::map<std::string, std::optional<std::string>> ambiente() const {
        return {{"COMSPEC", interpretador.string()},
                {"DIFUSAO_REGISTRO", registro().string()},
                {"ASAN_OPTIONS", "allocator_may_return_null=1"}};
    }
    suporte::Resultado rodar_em(const fs::path& pasta_da_corrida, std::vector<std::string> argumentos = {},
                                std::string console = {}) const {
        return suporte::executar(execucao(std::move(argumentos), ambiente(), std::move(console), pasta_da_corrida));
    }
    std::string comandos() const { return suporte::ler_arquivo(registro()); }
};

// ---------------------------------------------------------------------------
// A run that fails before its results are complete: the exact report, exit
// status 1, no viewer started, and the files of an earlier run in the same
// folder byte for byte as they were.

struct Falha {
    const char* nome;
    std::string entrada;
    std::string relatorio;
    std::function<void(const fs::path&)> preparar = {};
    std::vector<std::string> argumentos = {};
    std::string console = {};
    std::string saida = {};
};

void PrintTo(const Falha& falha, std::ostream* saida) { *saida << falha.nome; }

class FalhaDepoisDeUmaCorrida : public Falhas, public ::testing::WithParamInterface<Falha> {
protected:
    void verificar(const Falha& falha);
};

// The same rows with the results written while the loop runs whenever the
// names allow it, whatever the size of the run: the same report, the same
// folder.
class FalhaComEscritaNoLaco : public FalhaDepoisDeUmaCorrida {
protected:
    FalhaComEscritaNoLaco() { modo_de_escrita = "durante_o_laco"; }
};

TEST_P(FalhaDepoisDeUmaCorrida, RelatorioExatoEArquivosAnterioresIntactos) { verificar(GetParam()); }
TEST_P(FalhaComEscritaNoLaco, RelatorioExatoEArquivosAnterioresIntactos) { verificar(GetParam()); }

void FalhaDepoisDeUmaCorrida::verificar(const Falha& falha) {
    entrada(entrada_pequena);
    ASSERT_EQ(rodar().status, 0);
    fs::remove(registro());
    if (falha.preparar) falha.preparar(pasta.caminho());
    std::map<std::string, std::string> antes;
    for (const std::string& nome : arquivos_em(pasta.caminho()))
        if (fs::is_regular_file(pasta / nome)) antes[nome] = conteudo(nome);
    const std::set<std::string> nomes_antes = arquivos_em(pasta.caminho());

    entrada(falha.entrada);
    const suporte::Resultado r = rodar_em(pasta.caminho(), falha.argumentos, falha.console);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.erro, falha.relatorio);
    EXPECT_EQ(r.saida, falha.saida);
    EXPECT_EQ(comandos(), so_o_editor);
    EXPECT_EQ(arquivos_em(pasta.caminho()), nomes_antes);
    for (const auto& [nome, bytes] : antes) {
        if (nome == "entradas_geral.ent") continue;
        EXPECT_TRUE(conteudo(nome) == bytes) << nome << " changed";
    }
}

std::vector<Falha> falhas_portateis() {
    return {
        // The input file.
        {"NoveValores", "pequeno.txt\n1\n3\n1\n1\n100\n1\n1\n1\n", quadro_leitura("F6501", "end of file encountered")},
        {"ArquivoVazio", "", quadro_leitura("F6501", "end of file encountered")},
        {"InteiroComPonto", com({{2, "21.0"}}), quadro_leitura("F6101", "invalid integer value")},
        {"InteiroForaDaFaixa", com({{4, "2147483648"}}), quadro_leitura("F6100", "integer value out of range")},
        {"RealInvalido", com({{1, "1.0x"}}), quadro_leitura("F6103", "invalid real value")},
        {"RealForaDaFaixa", com({{9, "1e400"}}), quadro_leitura("F6102", "real value out of range")},
        {"TextoNoLugarDeNumero", com({{7, "'45'"}}),
         quadro_leitura("F6504", "quoted or parenthesised value given for a number")},
        {"RepeticaoZero", com({{2, "0*3"}}), quadro_leitura("F6502", "zero repeat count")},
        // Arithmetic faults of the derived quantities and of the time loop.
        {"UmNo", com({{2, "1"}}), quadro_matematica("M6103", "floating-point error: divide by zero")},
        {"UmNoSemComprimento", com({{1, "0"}, {2, "1"}}), quadro_matematica("M6101", "floating-point error: invalid")},
        {"NenhumIntervalo", com({{4, "0"}}), quadro_matematica("M6103", "floating-point error: divide by zero")},
        {"ProdutoCpRoNulo", com({{8, "0"}, {9, "0"}}),
         quadro_matematica("M6103", "floating-point error: divide by zero")},
        {"ExplicitoInstavel", com({{2, "11"}, {3, "1e8"}, {4, "1000"}, {6, "0"}}),
         quadro_matematica("M6104", "floating-point error: overflow")},
        {"ComprimentoEnorme", com({{1, "1e200"}}), quadro_matematica("M6203", "**: OVERFLOW error")},
        // Sizes: none reaches outside an array, none is killed for memory.
        {"NenhumNo", com({{2, "0"}}), limites_invalidos},
        {"NosNegativos", com({{2, "-5"}}), limites_invalidos},
        {"IntervalosNegativos", com({{4, "-1"}}), limites_invalidos},
        {"NosNoMaximo", com({{2, "2147483647"}}), sem_memoria},
        {"IntervalosNoMaximo", com({{4, "2147483647"}}), sem_memoria},
        {"AmbosNoMaximo", com({{2, "2147483647"}, {4, "2147483647"}}), sem_memoria},
        // The listing cannot be connected.
        {"PastaInexistente", com({{0, "'nao_existe/pequeno.txt'"}}),
         quadro_unidade("F6416", "OPEN", "nao_existe/pequeno.txt", "file not found")},
        {"ListagemEhPasta", com({{0, "lista.txt"}}), quadro_unidade("F6414", "OPEN", "lista.txt", "file access denied"),
         [](const fs::path& p) { fs::create_directory(p / "lista.txt"); }},
        {"NomePonto", com({{0, "."}}), quadro_unidade("F6414", "OPEN", ".", "file access denied")},
        // The exact mean history overflows after the loop (two nodes: the
        // middle node's exact value is 0, and does not).
        {"EstouroNaMediaExata", com({{2, "2"}, {3, "2.1"}, {5, "1e300"}, {7, "-1.0"}}),
         quadro_matematica("M6104", "floating-point error: overflow")},
        // An arithmetic fault while the listing is written: the set is
        // discarded whole (the middle-node value overflows in its table).
        {"EstouroNaListagem", com({{3, "1.9465"}, {5, "1e300"}, {7, "-1.0"}}),
         quadro_matematica("M6104", "floating-point error: overflow")},
        // A listing named after a file of the program would destroy it.
        {"ListagemEhAEntrada", com({{0, "entradas_geral.ent"}}), proprio("entradas_geral.ent")},
        {"ListagemEhDadosDaMedia", com({{0, "temp_media.txt"}}), proprio("temp_media.txt")},
        {"ListagemEhDadosDoMeio", com({{0, "'./temp_meio.txt'"}}), proprio("./temp_meio.txt")},
        {"ListagemEhRoteiroAusente", com({{0, "temp_media.gnu"}}), proprio("temp_media.gnu")},
        // Named like the program's temporary files, it could be the name of
        // a temporary of this very set.
        {"ListagemComNomeDeTemporario", com({{0, "difusao_calor-temp-00000101.tmp"}}),
         proprio("difusao_calor-temp-00000101.tmp")},
#ifdef _WIN32
        {"ListagemEhRoteiroEmMaiusculas", com({{0, "TEMP_MEIO.GNU"}}), proprio("TEMP_MEIO.GNU")},
#endif
        // The console at its end while it is asked for a blank listing name.
        {"ConsoleNoFim", com({{0, "''"}}), "\r\nrun-time error F6501: READ()\r\n- end of file encountered\r\n", {}, {},
         "\n \n", pergunta + pergunta + pergunta + "\r\n"},
    };
}

INSTANTIATE_TEST_SUITE_P(Portateis, FalhaDepoisDeUmaCorrida, ::testing::ValuesIn(falhas_portateis()),
                         [](const auto& info) { return std::string(info.param.nome); });
INSTANTIATE_TEST_SUITE_P(Portateis, FalhaComEscritaNoLaco, ::testing::ValuesIn(falhas_portateis()),
                         [](const auto& info) { return std::string(info.param.nome); });

#ifndef _WIN32
// Names that the system refuses: a name ending in a slash, and names longer
// than a file name may be (the 100 positions of the input cannot hold one; a
// command-line argument and the console can).
std::vector<Falha> falhas_posix() {
    const std::string longo(300, 'a');
    const std::string linha_longa(260, 'b');
    return {
        {"ListagemEhLigacaoAosDados", com({{0, "lista"}}), proprio("lista"),
         [](const fs::path& p) { fs::create_symlink("temp_meio.txt", p / "lista"); }},
        {"NomeComBarraNoFim", com({{0, "'sem_pasta/'"}}),
         quadro_unidade("F6414", "OPEN", "sem_pasta/", "file access denied")},
        {"NomeLongoDemaisNoArgumento", com({{0, "''"}}), quadro_unidade("F6412", "OPEN", longo, "invalid file open"),
         {}, {longo}},
        {"NomeLongoDemaisNoConsole", com({{0, "''"}}),
         quadro_unidade("F6412", "OPEN", linha_longa, "invalid file open"), {}, {}, linha_longa + "cortado\n",
         pergunta},
    };
}

INSTANTIATE_TEST_SUITE_P(Posix, FalhaDepoisDeUmaCorrida, ::testing::ValuesIn(falhas_posix()),
                         [](const auto& info) { return std::string(info.param.nome); });
INSTANTIATE_TEST_SUITE_P(Posix, FalhaComEscritaNoLaco, ::testing::ValuesIn(falhas_posix()),
                         [](const auto& info) { return std::string(info.param.nome); });

// ---------------------------------------------------------------------------
// Memory that runs out part-way: the address space of the run is capped so
// that the arrays of the problem fit and the solver's work arrays do not, or
// so that even the arrays do not. The memory check counts the cap, less what
// the process already maps, against the arrays (refused before any exists);
// the solver's work arrays, obtained in the first step, must fail cleanly.

TEST_F(Falhas, MemoriaQueAcabaNoMeioDaCorridaDaRelatorio) {
#ifdef SOB_ASAN
    GTEST_SKIP() << "the address sanitizer reserves more address space than any cap leaves";
#endif
    constexpr long long nos = 2000000;
    constexpr long long kb_por_arranjo = nos * 8 / 1024;
    constexpr long long kb_de_folga = 24 * 1024;  // the program itself needs less than this
    entrada(com({{2, std::to_string(nos)}}));
    const auto com_limite = [&](long long kb) {
        return suporte::executar({"/bin/sh",
                                  {"-c", "ulimit -v " + std::to_string(kb) + " && exec \"$0\"", programa.string()},
                                  pasta.caminho(),
                                  ambiente(),
                                  std::string()});
    };
    for (const long long kb : {3 * kb_por_arranjo, 7 * kb_por_arranjo + kb_de_folga}) {
        const suporte::Resultado r = com_limite(kb);
        EXPECT_EQ(r.status, 1) << kb << " kB";
        EXPECT_EQ(r.erro, sem_memoria) << kb << " kB";
        EXPECT_FALSE(fs::exists(pasta / "pequeno.txt"));
    }
    // With room for the work arrays too, the same run completes.
    const suporte::Resultado r = com_limite(9 * kb_por_arranjo + kb_de_folga);
    EXPECT_EQ(r.status, 0) << r.erro;
}

#ifdef __linux__
// The memory limit of the run's control group in the older hierarchy of the
// memory controller: a run that needs more is refused before it allocates
// (F6772) instead of being killed by the kernel when it touches its arrays.
TEST_F(Falhas, LimiteDoGrupoDeControleAntigoDaRelatorio) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs the superuser";
    const std::string grupos = suporte::ler_arquivo("/proc/self/cgroup");
    const auto memoria = grupos.find(":memory:/");
    const fs::path raiz = "/sys/fs/cgroup/memory";
    if (memoria == std::string::npos || !fs::exists(raiz / "memory.limit_in_bytes"))
        GTEST_SKIP() << "no memory controller in the older hierarchy here";
    const std::string nosso = grupos.substr(memoria + 9, grupos.find('\n', memoria) - memoria - 9);
    const fs::path grupo = raiz / nosso / ("difusao_teste_" + std::to_string(::getpid()));
    std::error_code erro;
    if (!fs::create_directory(grupo, erro)) GTEST_SKIP() << "cannot make a control group here: " << erro.message();
    struct Remover {
        fs::path grupo;
        ~Remover() { ::rmdir(grupo.c_str()); }
    } remover{grupo};
    suporte::escrever_arquivo(grupo / "memory.limit_in_bytes", "314572800");  // 300 MiB
    entrada(com({{4, "20000000"}}));  // 640 MB of time-level arrays
    const suporte::Resultado r = suporte::executar(
        {"/bin/sh",
         {"-c", "echo $$ > \"$1/cgroup.procs\" && exec \"$0\"", programa.string(), grupo.string()},
         pasta.caminho(),
         ambiente(),
         std::string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.erro, sem_memoria);
}
#endif

// A request that finds the heap used up, in a helper that takes it all first.
class SemMemoria : public Falhas, public ::testing::WithParamInterface<const char*> {};

TEST_P(SemMemoria, PedidoRecusadoDaRelatorio) {
    const suporte::Resultado r =
        suporte::executar({auxiliares / ("esgotar_memoria" + sufixo_executavel), {GetParam()}, pasta.caminho(), {}, ""});
    if (r.status == 77) GTEST_SKIP() << "no address space cap here";
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.erro, sem_memoria);
}

INSTANTIATE_TEST_SUITE_P(Pedidos, SemMemoria, ::testing::Values("unidade", "solver", "comando"));

#endif  // _WIN32

// ---------------------------------------------------------------------------
// The input file cannot be used.

struct EntradaRuim {
    const char* nome;
    std::function<void(const fs::path&)> preparar;
    std::string relatorio;
};

void PrintTo(const EntradaRuim& caso, std::ostream* saida) { *saida << caso.nome; }

class EntradaInutilizavel : public Falhas, public ::testing::WithParamInterface<EntradaRuim> {};

TEST_P(EntradaInutilizavel, RelatorioDaUnidadeUm) {
    GetParam().preparar(pasta.caminho());
    const suporte::Resultado r = rodar_em(pasta.caminho());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.erro, GetParam().relatorio);
    EXPECT_EQ(comandos(), so_o_editor);
    EXPECT_FALSE(fs::exists(pasta / "temp_media.txt"));
}

std::vector<EntradaRuim> entradas_ruins() {
    std::vector<EntradaRuim> casos{
        {"Pasta", [](const fs::path& p) { fs::create_directory(p / "entradas_geral.ent"); },
         quadro_unidade("F6414", "OPEN", "entradas_geral.ent", "file access denied")},
        // Absent: created empty by the open, so the first read meets its end.
        {"Ausente", [](const fs::path&) {}, quadro_leitura("F6501", "end of file encountered")},
    };
#ifdef __linux__
    // Opens, but every read fails (the program's own memory at address 0).
    casos.push_back({"Ilegivel", [](const fs::path& p) { fs::create_symlink("/proc/self/mem", p / "entradas_geral.ent"); },
                     quadro_leitura("F6500", "file read error")});
#endif
    return casos;
}

INSTANTIATE_TEST_SUITE_P(Entradas, EntradaInutilizavel, ::testing::ValuesIn(entradas_ruins()),
                         [](const auto& info) { return std::string(info.param.nome); });

// ---------------------------------------------------------------------------
// A run killed while it waits for a command (no report, no clean-up: the
// system ends it): killed at the editor, before anything is read, the results
// of the earlier run stay as they were; killed at the plotter, after every
// file has been closed, the new results are complete.

struct Morte {
    const char* nome;
    std::string primeira;  // the input of the earlier run
    std::string segunda;   // the input of the run that is killed
    std::string matar_em;  // the command during which it is killed
    std::string comandos;  // the commands it starts, that one the last
    // POSIX: the signal the command sends instead of killing, an interrupt
    // key pressed while it runs, which the program leaves to the command:
    // the run goes on to its end, every command started.
    int interrupcao = 0;
};

void PrintTo(const Morte& caso, std::ostream* saida) { *saida << caso.nome; }

class CorridaMorta : public Falhas, public ::testing::WithParamInterface<Morte> {};

TEST_P(CorridaMorta, ArquivosInteirosOuIntactos) {
    // An interpreter that logs each command and kills the program at the one
    // named by DIFUSAO_MATAR_EM (see auxiliares/interpretador_matador.cpp).
#ifdef _WIN32
    const int status_morta = static_cast<int>(0xC000013Au);  // STATUS_CONTROL_C_EXIT
#else
    const int status_morta = 128 + 9;  // SIGKILL
#endif
    entrada(GetParam().primeira);
    ASSERT_EQ(rodar().status, 0);
    fs::remove(registro());

    entrada(GetParam().segunda);
    auto variaveis = ambiente();
    variaveis["COMSPEC"] = (auxiliares / ("interpretador_matador" + sufixo_executavel)).string();
    variaveis["DIFUSAO_MATAR_EM"] = GetParam().matar_em;
    if (GetParam().interrupcao != 0) variaveis["DIFUSAO_SINAL"] = std::to_string(GetParam().interrupcao);
    const suporte::Resultado r = suporte::executar({programa, {}, pasta.caminho(), variaveis, std::string()});
    EXPECT_EQ(r.status, GetParam().interrupcao != 0 ? 0 : status_morta);
    EXPECT_EQ(r.erro, "");
    EXPECT_EQ(comandos(), GetParam().comandos);
    // Either way the folder holds the complete results of "pequeno".
    for (const char* nome : {"pequeno.txt", "temp_media.txt", "temp_meio.txt"})
        EXPECT_TRUE(conteudo(nome) == suporte::ler_arquivo(esperado_pequeno / nome)) << nome;
}

std::vector<Morte> mortes() {
    const std::string todos =
        "notepad entradas_geral.ent\nnotepad pequeno.txt\nwgnuplot temp_media.gnu\nwgnuplot temp_meio.gnu\n";
    return {
        // Killed in the editor, before anything is read: the earlier results stay.
        Morte{"NoEditor", entrada_pequena, com({{2, "5"}}), "notepad entradas_geral.ent",
              "notepad entradas_geral.ent\n"},
        // Killed in the plotter: every result file was closed before it started.
        Morte{"NoGrafico", com({{2, "5"}}), entrada_pequena, "wgnuplot temp_media.gnu",
              "notepad entradas_geral.ent\nnotepad pequeno.txt\nwgnuplot temp_media.gnu\n"},
#ifndef _WIN32
        // Ctrl-C in the editor, Ctrl-\ in the plotter (SIGINT, SIGQUIT): the
        // keys of the command that runs, not the run's.
        Morte{"InterrompidaNoEditor", com({{2, "5"}}), entrada_pequena, "notepad entradas_geral.ent", todos, SIGINT},
        Morte{"SaidaPedidaNoGrafico", com({{2, "5"}}), entrada_pequena, "wgnuplot temp_media.gnu", todos, SIGQUIT},
#endif
    };
}

INSTANTIATE_TEST_SUITE_P(Mortes, CorridaMorta, ::testing::ValuesIn(mortes()),
                         [](const auto& info) { return std::string(info.param.nome); });

#ifndef _WIN32
TEST_F(Falhas, EntradaSomenteLeituraEhLidaSemMudar) {
    entrada(entrada_pequena);
    fs::permissions(pasta / "entradas_geral.ent", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const suporte::Resultado r = rodar_em(pasta.caminho());
    EXPECT_EQ(r.status, 0) << r.erro;
    EXPECT_EQ(conteudo("entradas_geral.ent"), entrada_pequena);
    EXPECT_TRUE(conteudo("pequeno.txt") == suporte::ler_arquivo(esperado_pequeno / "pequeno.txt"));
}

// ---------------------------------------------------------------------------
// Standard input closed (not merely at its end) while the prompt for a blank
// listing name waits: a read report at once, no wait.

TEST_F(Falhas, ConsoleFechadoNaPerguntaDaRelatorio) {
    entrada(com({{0, "''"}}));
    const suporte::Resultado r = suporte::executar(
        {"/bin/sh", {"-c", "exec \"$0\" <&-", programa.string()}, pasta.caminho(), ambiente(), std::string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.saida, pergunta + "\r\n");
    EXPECT_EQ(r.erro, "\r\nrun-time error F6501: READ()\r\n- end of file encountered\r\n");
    EXPECT_EQ(arquivos_em(pasta.caminho()), (std::set<std::string>{"entradas_geral.ent"}));
}

// ---------------------------------------------------------------------------
// Hostile listing names through the real shell: the file is created under
// exactly that name (cut to the 100 positions of the input), the editor gets
// exactly that name as its one argument, and nothing else runs or appears.

struct NomeHostil {
    const char* nome;
    std::string na_entrada;  // the first line of the input file
    std::string arquivo;     // the file name that must result
};

void PrintTo(const NomeHostil& caso, std::ostream* saida) { *saida << caso.nome; }

// The value in double quotes, a quote inside doubled.
std::string entre_aspas(const std::string& nome) {
    std::string citado = "\"";
    for (const char c : nome) citado += c == '"' ? std::string("\"\"") : std::string(1, c);
    return citado + "\"";
}

NomeHostil literal(const char* rotulo, const std::string& nome) { return {rotulo, entre_aspas(nome), nome}; }

class NomesHostis : public e2e::ShellReal, public ::testing::WithParamInterface<NomeHostil> {};

TEST_P(NomesHostis, SoOEditorRodaComONomeExato) {
    const NomeHostil& caso = GetParam();
    entrada(com({{0, caso.na_entrada}}));
    const suporte::Resultado r = rodar_no_shell();
    EXPECT_EQ(r.status, 0) << r.erro;
    EXPECT_EQ(r.erro, "");
    EXPECT_EQ(arquivos_em(pasta.caminho()),
              (std::set<std::string>{"entradas_geral.ent", caso.arquivo, "temp_media.txt", "temp_meio.txt"}));
    EXPECT_TRUE(conteudo(caso.arquivo) == suporte::ler_arquivo(esperado_pequeno / "pequeno.txt"));
    EXPECT_EQ(suporte::ler_arquivo(registro()),
              "[entradas_geral.ent]\n[" + caso.arquivo + "]\n[temp_media.gnu]\n[temp_meio.gnu]\n");
}

std::vector<NomeHostil> nomes_hostis() {
    const std::string cem = std::string(96, 'n') + ".txt";
    return {
        literal("Metacaracteres", "a;touch P1&b$(touch P2)`touch P3`|c>d<e'f\"g(h)*?~ $HOME %PATH% 2.txt"),
        literal("Substituicoes", "${IFS}x$((1+1))!!\\n"),
        literal("Curinga", "*"),
        literal("Til", "~"),
        literal("SoApostrofo", "'"),
        literal("ComoOpcao", "-n"),
        literal("BrancoAntesDeComandoDoEditor", "x +wq"),
        literal("TabulacaoEVoltaDoCarro", "a\tb\rc.txt"),
        {"AcentosWindows1252", "relat\xF3rio_\xE1\xE9\xED\xF3\xFA\xE7\xE3\xBA\xA0\xFF.txt",
         "relat\xF3rio_\xE1\xE9\xED\xF3\xFA\xE7\xE3\xBA\xA0\xFF.txt"},
        // The name ends at a NUL byte, then loses its blanks: the file and
        // the editor's argument are one and the same name.
        {"BrancoAntesDeNul", std::string("'lista \0x'", 10), "lista"},
        {"CemCaracteres", cem, cem},
        {"MaisDeCemCortadoEmCem", cem + "_excedente", cem},
    };
}

INSTANTIATE_TEST_SUITE_P(Nomes, NomesHostis, ::testing::ValuesIn(nomes_hostis()),
                         [](const auto& info) { return std::string(info.param.nome); });

#ifdef __linux__
// ---------------------------------------------------------------------------
// A full disk: the device that is always full stands in for one result file
// (a link under its name), or a file system of 64 KiB holds the run. The
// report names the statement that met it, no viewer runs, and no file of the
// set is left: the earlier results stay as they were.

struct DiscoCheio {
    const char* nome;
    std::string entrada;
    std::string cheio;  // the file linked to /dev/full
    std::string relatorio;
};

void PrintTo(const DiscoCheio& caso, std::ostream* saida) { *saida << caso.nome; }

class DispositivoCheio : public Falhas, public ::testing::WithParamInterface<DiscoCheio> {};

TEST_P(DispositivoCheio, RelatorioEArquivosAnteriores) {
    const DiscoCheio& caso = GetParam();
    entrada(caso.entrada);
    fs::create_symlink("/dev/full", pasta / caso.cheio);
    const suporte::Resultado r = rodar_em(pasta.caminho());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.erro, caso.relatorio);
    EXPECT_EQ(comandos(), so_o_editor);
    EXPECT_EQ(arquivos_em(pasta.caminho()), (std::set<std::string>{"entradas_geral.ent", caso.cheio}));
}

INSTANTIATE_TEST_SUITE_P(
    Dispositivo, DispositivoCheio,
    ::testing::Values(
        // The small listing fits the unit's buffer: the close writes it out.
        DiscoCheio{"ListagemNoFechamento", entrada_pequena, "pequeno.txt",
                   quadro_unidade("F6422", "CLOSE", "pequeno.txt", "disk full")},
        // 2001 rows per table overflow the buffer while the rows are written.
        DiscoCheio{"ListagemNaEscrita", com({{4, "2000"}}), "pequeno.txt",
                   quadro_unidade("F6422", "WRITE", "pequeno.txt", "disk full")},
        DiscoCheio{"PrimeiroArquivoDeDados", entrada_pequena, "temp_media.txt",
                   quadro_unidade("F6422", "CLOSE", "temp_media.txt", "disk full")},
        DiscoCheio{"SegundoArquivoDeDados", entrada_pequena, "temp_meio.txt",
                   quadro_unidade("F6422", "CLOSE", "temp_meio.txt", "disk full")}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST_F(Falhas, DiscoPequenoGuardaOConjuntoAnterior) {
    const fs::path disco = pasta / "disco";
    fs::create_directory(disco);
    if (::mount("tmpfs", disco.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small file system here: " << std::strerror(errno);
    struct Desmontar {
        const fs::path& ponto;
        ~Desmontar() { ::umount2(ponto.c_str(), MNT_DETACH); }
    } desmontar{disco};

    suporte::escrever_arquivo(disco / "entradas_geral.ent", entrada_pequena);
    ASSERT_EQ(rodar_em(disco).status, 0);
    suporte::escrever_arquivo(disco / "entradas_geral.ent", com({{4, "2000"}}));  // a listing of about 400 kB
    const suporte::Resultado r = rodar_em(disco);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.erro, quadro_unidade("F6422", "WRITE", "pequeno.txt", "disk full"));
    EXPECT_EQ(arquivos_em(disco), (std::set<std::string>{"entradas_geral.ent", "pequeno.txt", "temp_media.txt",
                                                         "temp_meio.txt"}));
    for (const char* nome : {"pequeno.txt", "temp_media.txt", "temp_meio.txt"})
        EXPECT_TRUE(suporte::ler_arquivo(disco / nome) == suporte::ler_arquivo(esperado_pequeno / nome)) << nome;
}
#endif  // __linux__

#endif  // _WIN32

}  // namespace
