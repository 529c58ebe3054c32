// The real program in a scratch folder, its command interpreter replaced by a
// logging stand-in: the reference runs byte for byte, the editor step, the
// commands and the listing's name on its way to the editor. Failing runs are
// in teste_falhas.cpp.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "execucao.hpp"

namespace {

namespace fs = std::filesystem;
using e2e::dados_teste;
using e2e::entrada_pequena;
using e2e::Execucao;
using e2e::interpretador;
using e2e::programa;

const std::vector<std::string> arquivos_de_dados{"temp_media.txt", "temp_meio.txt"};
const std::vector<std::string> arquivos_pequeno{"pequeno.txt", "temp_media.txt", "temp_meio.txt"};

// ---------------------------------------------------------------------------
// Reference runs: every file and every command line, byte for byte.

class Referencia : public Execucao, public ::testing::WithParamInterface<std::string> {};

// The command lines of a case. The POSIX shell gets a listing name with a
// blank in quotes, which cmd.exe takes as it is: such a case keeps its POSIX
// lines beside the folder of expected files.
fs::path comandos_esperados(const fs::path& caso) {
#ifndef _WIN32
    if (fs::exists(caso / "comandos.posix.txt")) return caso / "comandos.posix.txt";
#endif
    return caso / "esperado" / "comandos.txt";
}

TEST_P(Referencia, ArquivosEComandosIdenticos) {
    const fs::path caso = dados_teste / "golden" / GetParam();
    fs::copy_file(caso / "entradas_geral.ent", pasta / "entradas_geral.ent");
    const suporte::Resultado r = rodar();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.saida, "");
    EXPECT_EQ(r.erro, "");
    for (const auto& esperado : fs::directory_iterator(caso / "esperado")) {
        const std::string nome = esperado.path().filename().string();
        const bool comandos = nome == "comandos.txt";
        const std::string obtido = comandos ? suporte::ler_arquivo(registro()) : conteudo(nome);
        const fs::path referencia = comandos ? comandos_esperados(caso) : esperado.path();
        EXPECT_TRUE(obtido == suporte::ler_arquivo(referencia)) << nome << " differs";
    }
}

INSTANTIATE_TEST_SUITE_P(Execucoes, Referencia, ::testing::Values("exemplo", "pequeno", "explicito_par"));

// ---------------------------------------------------------------------------
// The results written while the loop runs and written after it, on the same
// input, each in a folder of its own: every file, the command lines, the
// console and the status the same, byte for byte. The rows take the values
// the rows' fields are edited from to their ends: subnormal temperatures,
// temperatures near the top of the range, exact values that decay to zero,
// an even Nx, the reference runs.

struct DoisCaminhos {
    const char* nome;
    std::string entrada;
};

void PrintTo(const DoisCaminhos& caso, std::ostream* saida) { *saida << caso.nome; }

class MesmosBytesNosDoisCaminhos : public Execucao, public ::testing::WithParamInterface<DoisCaminhos> {};

TEST_P(MesmosBytesNosDoisCaminhos, ArquivosComandosEConsole) {
    std::map<std::string, std::string> arquivos[2];
    std::string comandos[2];
    suporte::Resultado r[2];
    const char* modos[2] = {"depois_do_laco", "durante_o_laco"};
    for (int j = 0; j < 2; ++j) {
        const suporte::PastaTemporaria pasta_do_modo;
        suporte::escrever_arquivo(pasta_do_modo / "entradas_geral.ent", GetParam().entrada);
        fs::remove(registro());
        modo_de_escrita = modos[j];
        r[j] = suporte::executar(execucao(
            {}, {{"COMSPEC", interpretador.string()}, {"DIFUSAO_REGISTRO", registro().string()}}, std::string(),
            pasta_do_modo.caminho()));
        for (const auto& item : fs::directory_iterator(pasta_do_modo.caminho()))
            arquivos[j][item.path().filename().string()] = suporte::ler_arquivo(item.path());
        comandos[j] = suporte::ler_arquivo(registro());
    }
    EXPECT_EQ(r[0].status, 0) << r[0].erro;
    EXPECT_EQ(r[1].status, r[0].status);
    EXPECT_EQ(r[1].erro, r[0].erro);
    EXPECT_EQ(r[1].saida, r[0].saida);
    EXPECT_EQ(comandos[1], comandos[0]);
    EXPECT_EQ(arquivos[0].size(), 4u);
    EXPECT_TRUE(arquivos[1] == arquivos[0]) << "the files differ";
}

std::string golden(const char* caso) {
    return suporte::ler_arquivo(dados_teste / "golden" / caso / "entradas_geral.ent");
}

INSTANTIATE_TEST_SUITE_P(
    Casos, MesmosBytesNosDoisCaminhos,
    ::testing::Values(DoisCaminhos{"Subnormais", "lista.txt\n1\n11\n0.1\n1100\n1e-310\n0.5\n1\n1\n1\n"},
                      DoisCaminhos{"PertoDoMaior", "lista.txt\n1\n11\n0.1\n1100\n1e307\n1\n1\n1\n1\n"},
                      DoisCaminhos{"ExatosQueChegamAZero", "lista.txt\n1\n11\n100\n1100\n100\n1\n1\n1\n1\n"},
                      DoisCaminhos{"NxParExplicito", "lista.txt\n1\n10\n0.05\n2000\n100\n0\n1\n1\n1\n"},
                      DoisCaminhos{"Exemplo", golden("exemplo")},
                      DoisCaminhos{"ExplicitoPar", golden("explicito_par")}),
    [](const auto& info) { return std::string(info.param.nome); });

// ---------------------------------------------------------------------------
// The editor step and the commands.

TEST_F(Execucao, EntradaLidaSoDepoisQueOEditorTermina) {
    entrada("this is not what the program must read\n");
    suporte::escrever_arquivo(fora / "nova.ent", entrada_pequena);
    const suporte::Resultado r = rodar({{"DIFUSAO_NOVA_ENTRADA", (fora / "nova.ent").string()}});
    EXPECT_EQ(r.status, 0) << r.erro;
    EXPECT_EQ(conteudo("pequeno.txt"), suporte::ler_arquivo(dados_teste / "golden/pequeno/esperado/pequeno.txt"));
}

TEST_F(Execucao, StatusDoInterpretadorNaoInterrompeACorrida) {
    entrada(entrada_pequena);
    const suporte::Resultado r = rodar({{"DIFUSAO_STATUS_INTERPRETADOR", "9"}});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(suporte::ler_arquivo(registro()),
              "notepad entradas_geral.ent\nnotepad pequeno.txt\nwgnuplot temp_media.gnu\nwgnuplot temp_meio.gnu\n");
}

TEST_F(Execucao, ArquivoDeDadosTemSetentaESeteBytesPorNivel) {
    entrada("lista.txt\n1\n11\n1\n250\n100\n0.5\n1\n1\n1\n");
    ASSERT_EQ(rodar().status, 0);
    for (const std::string& nome : arquivos_de_dados) EXPECT_EQ(conteudo(nome).size(), 251u * 77u) << nome;
}

TEST_F(Execucao, SegundaCorridaDeixaSoOsSeusBytes) {
    entrada("lista.txt\n1\n11\n1\n40\n100\n0.5\n1\n1\n1\n");
    ASSERT_EQ(rodar().status, 0);
    entrada(entrada_pequena);
    suporte::escrever_arquivo(pasta / "pequeno.txt", std::string(100000, 'x'));
    ASSERT_EQ(rodar().status, 0);
    const fs::path esperado = dados_teste / "golden/pequeno/esperado";
    for (const std::string& nome : arquivos_pequeno)
        EXPECT_TRUE(conteudo(nome) == suporte::ler_arquivo(esperado / nome)) << nome;
}

// Two nodes: the mean at t = 0 is half the initial field at node 2, whose
// sine is that of the double nearest pi (1.2246467991473532e-16): the same
// digits on every platform.
TEST_F(Execucao, MediaInicialComDoisNosEhOResiduoDoSenoDePi) {
    entrada("media.txt\n1\n2\n1\n10\n100\n0.5\n1\n1\n1\n");
    ASSERT_EQ(rodar().status, 0);
    const std::string listagem = conteudo("media.txt");
    const std::string primeira = "\r\n    0.000000000000000E+00    6.123233995736766E-15    ";
    const std::size_t tabela = listagem.find(" Temperatura m\xE9" "dia ");
    ASSERT_NE(tabela, std::string::npos);
    EXPECT_EQ(listagem.find(primeira), listagem.find("\r\n", listagem.find("Erro", tabela))) << listagem;
}

// The listing's name as the input gives it, and the file and the editor's
// name that result.
struct NomeDaEntrada {
    const char* nome;
    std::string primeira_linha;  // the first line of the input file
};

void PrintTo(const NomeDaEntrada& caso, std::ostream* saida) { *saida << caso.nome; }

class NomesDaEntrada : public Execucao, public ::testing::WithParamInterface<NomeDaEntrada> {};

TEST_P(NomesDaEntrada, AbreEMostraPequenoTxt) {
    entrada(GetParam().primeira_linha + "\n1\n3\n1\n1\n100\n1\n1\n1\n1\n");
    ASSERT_EQ(rodar().status, 0);
    EXPECT_TRUE(fs::exists(pasta / "pequeno.txt"));
    EXPECT_EQ(suporte::ler_arquivo(registro()),
              "notepad entradas_geral.ent\nnotepad pequeno.txt\nwgnuplot temp_media.gnu\nwgnuplot temp_meio.gnu\n");
}

INSTANTIATE_TEST_SUITE_P(
    Nomes, NomesDaEntrada,
    ::testing::Values(NomeDaEntrada{"BrancosNasPontas", "'   pequeno.txt  '"},
                      // A UTF-8 byte-order mark, as Notepad may save one, is not part of the name.
                      NomeDaEntrada{"MarcaDeOrdemUtf8", "\xEF\xBB\xBFpequeno.txt"}),
    [](const auto& info) { return std::string(info.param.nome); });

}  // namespace

// ---------------------------------------------------------------------------
// Through the real command interpreter: the editor gets the listing's name as
// the input gave it.

using e2e::ShellReal;

#ifndef _WIN32
// (Hostile names are in teste_falhas.cpp.)
TEST_F(ShellReal, NomeComumChegaComoEsta) {
    entrada("'explicito par.lst'\n1\n3\n1\n1\n100\n1\n1\n1\n1\n");
    ASSERT_EQ(rodar_no_shell().status, 0);
    // The name, blank included, is the editor's one argument.
    EXPECT_EQ(suporte::ler_arquivo(registro()),
              "[entradas_geral.ent]\n[explicito par.lst]\n[temp_media.gnu]\n[temp_meio.gnu]\n");
}
#else
// cmd.exe: names that Windows allows, full of what cmd would read as
// syntax. The file is created under exactly that name, the editor is started
// once with a command line that it reads as exactly that name (the text,
// less one pair of enclosing quotes), and nothing else runs or appears.
// Not here: a name holding a whole reference to a defined variable, such as
// %PATH% alone. cmd.exe expands the line once, but the interpreter of the
// machine that runs these tests expands the value of an expansion again, and
// no command line can keep such a name from it.

struct NomeNoCmd {
    const char* rotulo;
    std::string nome;
};

void PrintTo(const NomeNoCmd& caso, std::ostream* saida) { *saida << caso.rotulo; }

// The name as the editor takes it from its logged "[command line]".
std::string como_o_editor_le(std::string linha) {
    if (linha.size() >= 2 && linha.front() == '[' && linha.back() == ']') linha = linha.substr(1, linha.size() - 2);
    if (linha.size() >= 2 && linha.front() == '"' && linha.back() == '"') linha = linha.substr(1, linha.size() - 2);
    return linha;
}

std::vector<std::string> linhas(const std::string& texto) {
    std::vector<std::string> partes;
    std::size_t inicio = 0;
    for (std::size_t fim; (fim = texto.find('\n', inicio)) != std::string::npos; inicio = fim + 1)
        partes.push_back(texto.substr(inicio, fim - inicio));
    return partes;
}

class NomesNoCmd : public ShellReal, public ::testing::WithParamInterface<NomeNoCmd> {};

TEST_P(NomesNoCmd, SoOEditorRodaComONomeExato) {
    const std::string& nome = GetParam().nome;
    entrada("\"" + nome + "\"\n1\n3\n1\n1\n100\n1\n1\n1\n1\n");
    const suporte::Resultado r = rodar_no_shell();
    EXPECT_EQ(r.status, 0) << r.erro;
    EXPECT_EQ(r.erro, "");
    const fs::path listagem = suporte::caminho_de_bytes(nome);
    std::set<fs::path> presentes;
    for (const auto& item : fs::directory_iterator(pasta.caminho())) presentes.insert(item.path().filename());
    EXPECT_EQ(presentes, (std::set<fs::path>{"entradas_geral.ent", listagem, "temp_media.txt", "temp_meio.txt"}));
    EXPECT_TRUE(suporte::ler_arquivo(pasta.caminho() / listagem) ==
                suporte::ler_arquivo(dados_teste / "golden/pequeno/esperado/pequeno.txt"));
    const std::vector<std::string> comandos = linhas(suporte::ler_arquivo(registro()));
    ASSERT_EQ(comandos.size(), 4u);
    EXPECT_EQ(comandos[0], "[entradas_geral.ent]");
    EXPECT_EQ(como_o_editor_le(comandos[1]), nome) << comandos[1];
    EXPECT_EQ(comandos[2], "[temp_media.gnu]");
    EXPECT_EQ(comandos[3], "[temp_meio.gnu]");
}

INSTANTIATE_TEST_SUITE_P(
    Nomes, NomesNoCmd,
    ::testing::Values(NomeNoCmd{"Comum", "explicito par.lst"},
                      NomeNoCmd{"Metacaracteres", "a&mkdir P1&b^c(mkdir P2) ;d,=e 'f' `x` $HOME~ 2.txt"},
                      NomeNoCmd{"Percentagens", "100% a&mkdir P3& %PATH% %DIFUSAO_ARQUIVO% ^& 2.txt"},
                      NomeNoCmd{"Exclamacoes", "a!PATH!b&mkdir P4.txt"},
                      NomeNoCmd{"BrancosSeguidos", "a  b   c.txt"},
                      NomeNoCmd{"AcentosWindows1252", "relat\xF3rio_\xE1\xE9\xED\xF3\xFA\xE7\xE3\xBA\xA0\xFF & x.txt"},
                      NomeNoCmd{"CemCaracteres", std::string(96, 'n') + ".txt"}),
    [](const auto& info) { return std::string(info.param.rotulo); });
#endif

TEST_F(Execucao, NomeEmBrancoSemArgumentosPerguntaNoConsole) {
    entrada("''\n1\n3\n1\n1\n100\n1\n1\n1\n1\n");
    suporte::Execucao e{programa, {}, pasta.caminho(),
                        {{"COMSPEC", interpretador.string()}, {"DIFUSAO_REGISTRO", registro().string()}},
                        std::string("\n  pelo_console.txt \n")};
    const suporte::Resultado r = suporte::executar(e);
    EXPECT_EQ(r.status, 0) << r.erro;
    const std::string pergunta = "File name missing or blank - please enter file name\r\nUNIT 5? ";
    EXPECT_EQ(r.saida, pergunta + pergunta);
    EXPECT_TRUE(fs::exists(pasta / "pelo_console.txt"));
    // The editor is shown the file written, under the name that stood in
    // for the blank one.
    EXPECT_EQ(suporte::ler_arquivo(registro()),
              "notepad entradas_geral.ent\nnotepad pelo_console.txt\nwgnuplot temp_media.gnu\nwgnuplot temp_meio.gnu\n");

    // Standard input at its end while asking: a read report, the console line ended.
    e.entrada = std::string();
    const suporte::Resultado fim = suporte::executar(e);
    EXPECT_EQ(fim.status, 1);
    EXPECT_EQ(fim.saida, pergunta + "\r\n");
    EXPECT_EQ(fim.erro, "\r\nrun-time error F6501: READ()\r\n- end of file encountered\r\n");

    // A command-line argument stands in before the console is asked.
    e.argumentos = {"do_argumento.txt"};
    const suporte::Resultado argumento = suporte::executar(e);
    EXPECT_EQ(argumento.status, 0);
    EXPECT_EQ(argumento.saida, "");
    EXPECT_TRUE(fs::exists(pasta / "do_argumento.txt"));
}
