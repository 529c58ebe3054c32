// The command runner against real child processes. COMSPEC points at the
// echoing helper, which records what it was started with, or is cleared so
// that the system's interpreter runs the command.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "processo.hpp"
#include "servicos/comandos/comandos.hpp"

namespace {

namespace fs = std::filesystem;
using servicos::comandos::executar_comando;
using servicos::comandos::razao_ultima_falha;

#ifdef _WIN32
constexpr const char* sufixo_executavel = ".exe";
#else
constexpr const char* sufixo_executavel = "";
#endif

void definir_variavel(const char* nome, const std::string& valor) {
#ifdef _WIN32
    ::_putenv_s(nome, valor.c_str());
#else
    ::setenv(nome, valor.c_str(), 1);
#endif
}

void remover_variavel(const char* nome) {
#ifdef _WIN32
    ::_putenv_s(nome, "");
#else
    ::unsetenv(nome);
#endif
}

std::optional<std::string> ler_variavel(const char* nome) {
    const char* valor = std::getenv(nome);
    if (valor == nullptr) return std::nullopt;
    return std::string(valor);
}

// What the interpreter is handed for `comando`.
std::vector<std::string> esperado(const std::string& interpretador, const std::string& comando) {
#ifdef _WIN32
    return {interpretador + " /c " + comando};
#else
    return {interpretador, "-c", comando};
#endif
}

class Comandos : public ::testing::Test {
protected:
    void SetUp() override {
        comspec_original_ = ler_variavel("COMSPEC");
        definir_variavel("DIFUSAO_LOG", registro_.string());
        remover_variavel("DIFUSAO_STATUS");
    }

    void TearDown() override {
        if (comspec_original_)
            definir_variavel("COMSPEC", *comspec_original_);
        else
            remover_variavel("COMSPEC");
        remover_variavel("DIFUSAO_LOG");
        remover_variavel("DIFUSAO_STATUS");
    }

    static std::string eco() { return std::string(DIFUSAO_AUXILIARES) + "/eco_argumentos" + sufixo_executavel; }

    // Runs `comando` with the echoing helper as the interpreter.
    static std::int32_t ecoar(std::string_view comando, int status = 0) {
        definir_variavel("COMSPEC", eco());
        definir_variavel("DIFUSAO_STATUS", std::to_string(status));
        return executar_comando(comando);
    }

    // What the helper received, one entry per NUL-ended piece.
    std::vector<std::string> recebido() const {
        const std::string bytes = suporte::ler_arquivo(registro_);
        std::vector<std::string> partes;
        std::size_t inicio = 0;
        for (std::size_t fim; (fim = bytes.find('\0', inicio)) != std::string::npos; inicio = fim + 1)
            partes.push_back(bytes.substr(inicio, fim - inicio));
        return partes;
    }

    bool algo_executou() const { return fs::exists(registro_); }

    suporte::PastaTemporaria pasta_;
    fs::path registro_ = pasta_ / "registro";

private:
    std::optional<std::string> comspec_original_;
};

TEST_F(Comandos, DevolveOStatusDoInterpretadorSemMudanca) {
    for (int status : {0, 1, 3, 255}) {
        SCOPED_TRACE(status);
        EXPECT_EQ(ecoar("notepad entradas_geral.ent", status), status);
        EXPECT_EQ(recebido(), esperado(eco(), "notepad entradas_geral.ent"));
    }
}

TEST_F(Comandos, BrancosFinaisCaemEIniciaisFicam) {
    struct Caso {
        std::string argumento, comando;
    };
    const Caso casos[] = {
        {"wgnuplot temp_media.gnu", "wgnuplot temp_media.gnu"},
        {"wgnuplot temp_media.gnu     ", "wgnuplot temp_media.gnu"},
        {"   notepad  x.txt  ", "   notepad  x.txt"},
        {"a\t", "a\t"},  // only the blank is trimmed, a tab is text
        {" \t ", " \t"},
        {"      ", ""},
        {"", ""},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE("[" + caso.argumento + "]");
        EXPECT_EQ(ecoar(caso.argumento), 0);
        EXPECT_EQ(recebido(), esperado(eco(), caso.comando));
    }
}

TEST_F(Comandos, ComandoDeAte1024CaracteresSemOsBrancosFinais) {
    const std::string limite(1024, 'x');
    for (const std::string& argumento : {limite, limite + "   "}) {
        EXPECT_EQ(ecoar(argumento, 4), 4);
        EXPECT_EQ(recebido(), esperado(eco(), limite));
    }
}

TEST_F(Comandos, ComandoDe1025CaracteresNaoIniciaNada) {
    for (const std::string& argumento : {std::string(1025, 'x'), " " + std::string(1024, 'x') + "  "}) {
        EXPECT_EQ(ecoar(argumento), -1);
        EXPECT_EQ(razao_ultima_falha(), servicos::comandos::razao_comando::longo_demais);
        EXPECT_FALSE(algo_executou());
    }
}

TEST_F(Comandos, SemComspecUsaOInterpretadorDoSistema) {
    std::vector<std::optional<std::string>> valores{std::nullopt, ""};
#ifndef _WIN32
    valores.push_back("sh");  // a bare name is looked up on PATH
#endif
    for (const auto& valor : valores) {
        SCOPED_TRACE(valor.value_or("(unset)"));
        if (valor)
            definir_variavel("COMSPEC", *valor);
        else
            remover_variavel("COMSPEC");
        EXPECT_EQ(executar_comando("exit 7"), 7);
    }
}

TEST_F(Comandos, ComspecInexistenteFalhaComRazao2) {
    for (const fs::path& caminho : {pasta_ / "nao_existe", pasta_ / "sem_pasta" / "interpretador"}) {
        definir_variavel("COMSPEC", caminho.string());
        EXPECT_EQ(executar_comando("exit 0"), -1);
        EXPECT_EQ(razao_ultima_falha(), servicos::comandos::razao_comando::nao_encontrado);
    }
}

#ifndef _WIN32

TEST_F(Comandos, FalhaDeixaARazaoEmErrno) {
    definir_variavel("COMSPEC", (pasta_ / "nao_existe").string());
    ASSERT_EQ(executar_comando("exit 0"), -1);
    EXPECT_EQ(errno, servicos::comandos::razao_comando::nao_encontrado);
    ASSERT_EQ(ecoar(std::string(1025, 'y')), -1);
    EXPECT_EQ(errno, servicos::comandos::razao_comando::longo_demais);
}

// Links to the helper whose full paths have exactly 260 and 261 characters.
TEST_F(Comandos, CaminhoDoInterpretadorDeAte260Caracteres) {
    const std::string base = pasta_.caminho().string() + "/";
    ASSERT_LT(base.size(), 260u - 200u) << "temporary folder path too long for this test";
    for (std::size_t tamanho : {260u, 261u}) {
        const std::string atalho = base + std::string(tamanho - base.size(), 'e');
        fs::create_symlink(eco(), atalho);
        definir_variavel("COMSPEC", atalho);
        const std::int32_t status = executar_comando("exit 0");
        if (tamanho == 260) {
            EXPECT_EQ(status, 0);
            EXPECT_EQ(recebido(), esperado(atalho, "exit 0"));
        } else {
            EXPECT_EQ(status, -1);
            EXPECT_EQ(razao_ultima_falha(), servicos::comandos::razao_comando::nao_encontrado);
        }
        fs::remove(registro_);
    }
}

TEST_F(Comandos, ProgramaInexistenteDevolveOStatusDoInterpretador) {
    remover_variavel("COMSPEC");
    EXPECT_EQ(executar_comando("programa_que_nao_existe_em_lugar_algum 2>/dev/null"), 127);
}

TEST_F(Comandos, InterpretadorQueNaoPodeSerExecutado) {
    struct Caso {
        const char* nome;
        std::string conteudo;  // empty: a folder
        fs::perms permissoes;
        int razao;
    };
    const Caso casos[] = {
        {"sem_permissao", "#!/bin/sh\nexit 0\n", fs::perms::owner_read | fs::perms::owner_write,
         servicos::comandos::razao_comando::formato_invalido},
        {"lixo", std::string("\x01\x02\x03 nao sou um programa\n"), fs::perms::owner_all,
         servicos::comandos::razao_comando::formato_invalido},
        {"pasta", "", fs::perms::owner_all, servicos::comandos::razao_comando::outra},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.nome);
        const fs::path caminho = pasta_ / caso.nome;
        if (caso.conteudo.empty())
            fs::create_directory(caminho);
        else
            suporte::escrever_arquivo(caminho, caso.conteudo);
        fs::permissions(caminho, caso.permissoes);
        definir_variavel("COMSPEC", caminho.string());
        EXPECT_EQ(executar_comando("exit 0"), -1);
        EXPECT_EQ(razao_ultima_falha(), caso.razao);
    }
}

TEST_F(Comandos, InterpretadorMortoPorSinalDa128MaisOSinal) {
    remover_variavel("COMSPEC");
    EXPECT_EQ(executar_comando("kill -9 $$"), 128 + 9);
    EXPECT_EQ(executar_comando("kill -15 $$"), 128 + 15);
}

TEST_F(Comandos, FilhoRodaNoDiretorioAtual) {
    remover_variavel("COMSPEC");
    const fs::path saida = pasta_ / "pwd";
    ASSERT_EQ(executar_comando("pwd -P > '" + saida.string() + "'"), 0);
    EXPECT_EQ(suporte::ler_arquivo(saida), fs::canonical(fs::current_path()).string() + "\n");
}

#else

// Names that cmd.exe would expand reach it through variables of their own: a
// second name quoted does not replace the first one's value, and a name
// quoted again keeps its variable.
TEST_F(Comandos, DoisNomesComPercentagemTemVariaveisProprias) {
    remover_variavel("COMSPEC");
    const std::string a = "100% a&b!c.txt", b = "50% (b).txt";
    const std::string citado_a = servicos::comandos::citar_para_interpretador(a);
    const std::string citado_b = servicos::comandos::citar_para_interpretador(b);
    EXPECT_NE(citado_a, citado_b);
    EXPECT_EQ(servicos::comandos::citar_para_interpretador(a), citado_a);
    const fs::path saida = pasta_ / "eco.txt";
    for (const auto& [citado, nome] : {std::pair{citado_a, a}, std::pair{citado_b, b}}) {
        SCOPED_TRACE(nome);
        ASSERT_EQ(executar_comando("echo " + citado + ">\"" + saida.string() + "\""), 0);
        EXPECT_EQ(suporte::ler_arquivo(saida), "\"" + nome + "\"\r\n");
    }
}

TEST_F(Comandos, InterpretadorQueNaoEhProgramaFalhaComRazao8) {
    const fs::path caminho = pasta_ / "lixo.exe";
    suporte::escrever_arquivo(caminho, "nao sou um programa\r\n");
    definir_variavel("COMSPEC", caminho.string());
    EXPECT_EQ(executar_comando("exit 0"), -1);
    EXPECT_EQ(razao_ultima_falha(), servicos::comandos::razao_comando::formato_invalido);
}

// COMSPEC naming an interpreter in a folder with a blank, beside a file named
// as the path up to the blank: the interpreter named is the one that runs,
// with the command line as ever.
TEST_F(Comandos, ComspecComBrancoNoCaminhoRodaOInterpretadorNomeado) {
    fs::create_directory(pasta_ / "sp dir");
    const fs::path interpretador = pasta_ / "sp dir" / "logargs.exe";
    fs::copy_file(eco(), interpretador);
    suporte::escrever_arquivo(pasta_ / "sp.exe", "nao sou um programa\r\n");
    definir_variavel("COMSPEC", interpretador.string());
    definir_variavel("DIFUSAO_STATUS", "5");
    EXPECT_EQ(executar_comando("notepad x.txt"), 5);
    EXPECT_EQ(recebido(), esperado(interpretador.string(), "notepad x.txt"));
}

#endif

}  // namespace
