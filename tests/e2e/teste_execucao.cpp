// The real program in a scratch folder, its command interpreter replaced by a
// logging stand-in: the reference runs byte for byte, failing runs that must
// leave earlier results alone, the editor step, and hostile listing names.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "processo.hpp"

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
const std::string sufixo_executavel = ".exe";
#else
const std::string sufixo_executavel;
#endif

const fs::path programa = DIFUSAO_PROGRAMA;
const fs::path dados_teste = DIFUSAO_DADOS_TESTE;
const fs::path interpretador = fs::path(DIFUSAO_AUXILIARES) / ("interpretador_registro" + sufixo_executavel);

const std::vector<std::string> arquivos_de_dados{"temp_media.txt", "temp_meio.txt"};
const std::vector<std::string> arquivos_pequeno{"pequeno.txt", "temp_media.txt", "temp_meio.txt"};

class Execucao : public ::testing::Test {
protected:
    suporte::PastaTemporaria pasta;
    suporte::PastaTemporaria fora;  // the command log lives outside the run's folder

    fs::path registro() const { return fora / "comandos.txt"; }

    suporte::Resultado rodar(std::map<std::string, std::optional<std::string>> ambiente = {}) {
        ambiente.emplace("COMSPEC", interpretador.string());
        ambiente.emplace("DIFUSAO_REGISTRO", registro().string());
        return suporte::executar({programa, {}, pasta.caminho(), ambiente, std::string()});
    }

    void entrada(const std::string& texto) { suporte::escrever_arquivo(pasta / "entradas_geral.ent", texto); }
    std::string conteudo(const std::string& nome) const { return suporte::ler_arquivo(pasta / nome); }
};

// ---------------------------------------------------------------------------
// Reference runs: every file and every command line, byte for byte.

class Referencia : public Execucao, public ::testing::WithParamInterface<std::string> {};

TEST_P(Referencia, ArquivosEComandosIdenticos) {
    const fs::path caso = dados_teste / "golden" / GetParam();
    fs::copy_file(caso / "entradas_geral.ent", pasta / "entradas_geral.ent");
    const suporte::Resultado r = rodar();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.saida, "");
    EXPECT_EQ(r.erro, "");
    for (const auto& esperado : fs::directory_iterator(caso / "esperado")) {
        const std::string nome = esperado.path().filename().string();
        const std::string obtido = nome == "comandos.txt" ? suporte::ler_arquivo(registro()) : conteudo(nome);
        EXPECT_TRUE(obtido == suporte::ler_arquivo(esperado.path())) << nome << " differs";
    }
}

INSTANTIATE_TEST_SUITE_P(Execucoes, Referencia, ::testing::Values("exemplo", "pequeno", "explicito_par"));

// ---------------------------------------------------------------------------
// A failing run writes no result of its own and leaves the earlier ones.

const std::string entrada_pequena =
    "pequeno.txt\n1\n3\n1\n1\n100\n1\n1\n1\n1\n";

struct Falha {
    const char* nome;
    std::string entrada;
    std::string relatorio;
};

void PrintTo(const Falha& falha, std::ostream* saida) { *saida << falha.nome; }

class FalhaDepoisDeUmaCorrida : public Execucao, public ::testing::WithParamInterface<Falha> {};

TEST_P(FalhaDepoisDeUmaCorrida, RelatorioExatoEArquivosAnterioresIntactos) {
    entrada(entrada_pequena);
    ASSERT_EQ(rodar().status, 0);
    std::vector<std::string> antes;
    for (const std::string& nome : arquivos_pequeno) antes.push_back(conteudo(nome));

    entrada(GetParam().entrada);
    const suporte::Resultado r = rodar();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.erro, GetParam().relatorio);
    EXPECT_EQ(r.saida, "");
    std::size_t j = 0;
    for (const std::string& nome : arquivos_pequeno)
        EXPECT_EQ(conteudo(nome), antes[j++]) << nome;
    for (const auto& item : fs::directory_iterator(pasta.caminho())) {
        const std::string nome = item.path().filename().string();
        EXPECT_TRUE(nome == "entradas_geral.ent" || nome == "pequeno.txt" || nome == "temp_media.txt" ||
                    nome == "temp_meio.txt")
            << "unexpected file " << nome;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Execucoes, FalhaDepoisDeUmaCorrida,
    ::testing::Values(
        Falha{"NoveValores", "pequeno.txt\n1\n3\n1\n1\n100\n1\n1\n1\n",
              "\r\nrun-time error F6501: READ(entradas_geral.ent)\r\n- end of file encountered\r\n"},
        Falha{"UmNo", "pequeno.txt\n1\n1\n1\n1\n100\n1\n1\n1\n1\n",
              "\r\nrun-time error M6103: MATH\r\n- floating-point error: divide by zero\r\n"},
        Falha{"UmNoSemComprimento", "pequeno.txt\n0\n1\n1\n1\n100\n1\n1\n1\n1\n",
              "\r\nrun-time error M6101: MATH\r\n- floating-point error: invalid\r\n"},
        Falha{"PastaInexistente", "'nao_existe/pequeno.txt'\n1\n3\n1\n1\n100\n1\n1\n1\n1\n",
              "\r\nrun-time error F6416: OPEN(nao_existe/pequeno.txt)\r\n- file not found\r\n"},
        Falha{"InteiroInvalido", "pequeno.txt\n1\n21.0\n1\n1\n100\n1\n1\n1\n1\n",
              "\r\nrun-time error F6101: READ(entradas_geral.ent)\r\n- invalid integer value\r\n"}),
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

TEST_F(Execucao, NomeComBrancosNasPontasAbreSemEles) {
    entrada("'   pequeno.txt  '\n1\n3\n1\n1\n100\n1\n1\n1\n1\n");
    ASSERT_EQ(rodar().status, 0);
    EXPECT_TRUE(fs::exists(pasta / "pequeno.txt"));
    EXPECT_EQ(suporte::ler_arquivo(registro()),
              "notepad entradas_geral.ent\nnotepad pequeno.txt\nwgnuplot temp_media.gnu\nwgnuplot temp_meio.gnu\n");
}

}  // namespace

#ifndef _WIN32
// ---------------------------------------------------------------------------
// Through the real shell: a listing name full of shell syntax reaches the
// editor as one literal file name, and nothing else runs.

class ShellReal : public Execucao {
protected:
    suporte::PastaTemporaria bin;

    void SetUp() override {
        // Stand-ins for the editor and the plotter: they log their arguments.
        const std::string registrar = "#!/bin/sh\nprintf '[%s]' \"$@\" >> \"$DIFUSAO_REGISTRO\"\necho >> \"$DIFUSAO_REGISTRO\"\n";
        for (const char* nome : {"notepad", "wgnuplot"}) {
            suporte::escrever_arquivo(bin / nome, registrar);
            fs::permissions(bin / nome, fs::perms::owner_all);
        }
    }
    suporte::Resultado rodar_no_shell() {
        const std::string caminho = bin.caminho().string() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "");
        return suporte::executar({programa,
                                  {},
                                  pasta.caminho(),
                                  {{"COMSPEC", std::nullopt}, {"PATH", caminho}, {"DIFUSAO_REGISTRO", registro().string()}},
                                  std::string()});
    }
};

TEST_F(ShellReal, NomeHostilSoAbreOEditor) {
    const std::string nome = "a;touch P1&b$(touch P2)`touch P3`|c>d<e'f\"g(h)*?~ $HOME %PATH% 2.txt";
    std::string citado;
    for (char c : nome) citado += c == '"' ? std::string("\"\"") : std::string(1, c);
    entrada("\"" + citado + "\"\n1\n3\n1\n1\n100\n1\n1\n1\n1\n");
    const suporte::Resultado r = rodar_no_shell();
    EXPECT_EQ(r.status, 0) << r.erro;
    EXPECT_TRUE(fs::exists(pasta / nome));
    for (const char* intruso : {"P1", "P2", "P3", "c", "d", "h"}) EXPECT_FALSE(fs::exists(pasta / intruso)) << intruso;
    EXPECT_EQ(suporte::ler_arquivo(registro()),
              "[entradas_geral.ent]\n[" + nome + "]\n[temp_media.gnu]\n[temp_meio.gnu]\n");
}

TEST_F(ShellReal, NomeComumChegaComoEsta) {
    entrada("'explicito par.lst'\n1\n3\n1\n1\n100\n1\n1\n1\n1\n");
    ASSERT_EQ(rodar_no_shell().status, 0);
    // The shell splits an unquoted blank; the editor joins its arguments again.
    EXPECT_EQ(suporte::ler_arquivo(registro()),
              "[entradas_geral.ent]\n[explicito][par.lst]\n[temp_media.gnu]\n[temp_meio.gnu]\n");
}

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
    // The editor is handed the name as the input gave it: blank, and the
    // command line loses its trailing blank.
    EXPECT_EQ(suporte::ler_arquivo(registro()),
              "notepad entradas_geral.ent\nnotepad\nwgnuplot temp_media.gnu\nwgnuplot temp_meio.gnu\n");

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
#endif
