// Units connected to real files in a scratch folder, and to a system-call
// table that fails on demand.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "processo.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/erros/mensagens.hpp"
#include "servicos/unidades/unidades.hpp"

namespace fs = std::filesystem;
using servicos::FalhaRelatada;
using servicos::ItemFormato;
namespace mensagem = servicos::mensagem;

namespace {

class Unidades : public ::testing::Test {
protected:
    suporte::PastaTemporaria pasta;

    void SetUp() override {
        servicos::definir_modo_teste(true);
        servicos::definir_argumentos(0, nullptr);
    }
    void TearDown() override {
        servicos::usar_sistema_arquivos(nullptr);
        try {
            servicos::fechar_todas_unidades();
        } catch (const FalhaRelatada&) {
        }
    }
    std::string caminho(const std::string& nome) const { return (pasta / nome).string(); }

    // Runs `acao` and returns the report it raised ("" when none).
    template <typename Acao>
    static std::string relatorio(Acao acao) {
        try {
            acao();
        } catch (const FalhaRelatada& f) {
            return f.relatorio;
        }
        return {};
    }
};

TEST_F(Unidades, RegistrosTerminamEmCrLf) {
    const std::string nome = caminho("a.txt");
    servicos::abrir_unidade(5, nome);
    servicos::escrever_formatado(5, "('um',/,'dois')");
    servicos::escrever_formatado(5, "(I3)", {ItemFormato(std::int32_t{42})});
    servicos::escrever_formatado(5, "(/)");
    servicos::fechar_unidade(5);
    EXPECT_EQ(suporte::ler_arquivo(nome), "um\r\ndois\r\n 42\r\n\r\n\r\n");
}

TEST_F(Unidades, ArquivoExistenteSoEhCortadoNaPrimeiraEscrita) {
    const std::string nome = caminho("velho.txt");
    suporte::escrever_arquivo(nome, std::string(200000, 'v'));
    servicos::abrir_unidade(5, nome);
    servicos::fechar_unidade(5);
    EXPECT_EQ(suporte::ler_arquivo(nome), std::string(200000, 'v'));

    servicos::abrir_unidade(5, "  " + nome + "   ");
    EXPECT_EQ(servicos::nome_da_unidade(5), nome);
    servicos::escrever_formatado(5, "('novo')");
    servicos::fechar_unidade(5);
    EXPECT_EQ(suporte::ler_arquivo(nome), "novo\r\n");
}

TEST_F(Unidades, BufferMaiorQueOBlocoChegaInteiro) {
    const std::string nome = caminho("grande.txt");
    servicos::abrir_unidade(5, nome);
    std::string esperado;
    for (int j = 0; j < 5000; ++j) {
        servicos::escrever_formatado(5, "(3(1P,E25.15))", {1.0, 2.0, 3.0});
        esperado += "    1.000000000000000E+00    2.000000000000000E+00    3.000000000000000E+00\r\n";
    }
    servicos::fechar_unidade(5);
    EXPECT_TRUE(suporte::ler_arquivo(nome) == esperado);
}

TEST_F(Unidades, ReaberturaComOMesmoNomeNaoMudaNada) {
    const std::string a = caminho("a.txt"), b = caminho("b.txt");
    servicos::abrir_unidade(5, a);
    servicos::escrever_formatado(5, "('primeiro')");
    servicos::abrir_unidade(5, a);
    servicos::escrever_formatado(5, "('segundo')");
    servicos::abrir_unidade(5, b);  // closes a.txt first, keeping it
    servicos::escrever_formatado(5, "('outro')");
    servicos::fechar_unidade(5);
    servicos::fechar_unidade(5);  // a free unit: nothing happens
    EXPECT_EQ(suporte::ler_arquivo(a), "primeiro\r\nsegundo\r\n");
    EXPECT_EQ(suporte::ler_arquivo(b), "outro\r\n");
}

TEST_F(Unidades, FalhasDeAberturaNomeiamOArquivo) {
    fs::create_directory(pasta / "pasta");
    struct Linha {
        std::string nome;
        std::string relatorio;
    };
    const std::string faltando = caminho("nao/existe.txt"), diretorio = caminho("pasta");
    for (const Linha& l : {Linha{faltando, "\r\nrun-time error F6416: OPEN(" + faltando + ")\r\n- file not found\r\n"},
                           Linha{diretorio, "\r\nrun-time error F6414: OPEN(" + diretorio + ")\r\n- file access denied\r\n"}}) {
        EXPECT_EQ(relatorio([&] { servicos::abrir_unidade(5, l.nome); }), l.relatorio);
        EXPECT_EQ(servicos::nome_da_unidade(5), "");
    }
}

TEST_F(Unidades, DiscoCheioNaEscritaENoFechamento) {
    // Small output waits in the buffer and fails when the close writes it out.
    servicos::abrir_unidade(5, "/dev/full");
    servicos::escrever_formatado(5, "('x')");
    EXPECT_EQ(relatorio([] { servicos::fechar_unidade(5); }),
              "\r\nrun-time error F6422: CLOSE(/dev/full)\r\n- disk full\r\n");
    // More than a buffer's worth fails in the output statement itself.
    servicos::abrir_unidade(5, "/dev/full");
    EXPECT_EQ(relatorio([] {
                  for (int j = 0; j < 2000; ++j) servicos::escrever_formatado(5, "(5(1P,E25.15))", {1.0, 2.0, 3.0, 4.0});
              }),
              "\r\nrun-time error F6422: WRITE(/dev/full)\r\n- disk full\r\n");
}

TEST_F(Unidades, TabelaDeSessentaEUmaUnidades) {
    for (int u = 0; u < servicos::maximo_unidades; ++u) servicos::abrir_unidade(100 + u, caminho(std::to_string(u)));
    const std::string nome = caminho("demais");
    EXPECT_EQ(relatorio([&] { servicos::abrir_unidade(1, nome); }),
              "\r\nrun-time error F6423: OPEN(" + nome + ")\r\n- too many units connected\r\n");
}

// ---------------------------------------------------------------------------
// Failures the file system can hardly be made to give on demand.

namespace falhas {
servicos::plataforma::Resultado resultado_escrita = servicos::plataforma::Resultado::ok;
servicos::plataforma::Resultado resultado_corte = servicos::plataforma::Resultado::ok;
std::string linhas_console;
bool console_fechado = false;
std::string perguntas;

servicos::plataforma::Resultado escrever(servicos::plataforma::Descritor d, const char* b, std::size_t t) {
    if (resultado_escrita != servicos::plataforma::Resultado::ok) return resultado_escrita;
    return servicos::plataforma::sistema_arquivos_nativo().escrever(d, b, t);
}
servicos::plataforma::Resultado cortar(servicos::plataforma::Descritor d) {
    if (resultado_corte != servicos::plataforma::Resultado::ok) return resultado_corte;
    return servicos::plataforma::sistema_arquivos_nativo().cortar(d);
}
bool ler_linha_console(std::string& linha) {
    if (console_fechado) return false;
    const auto fim = linhas_console.find('\n');
    linha = linhas_console.substr(0, fim);
    linhas_console.erase(0, fim == std::string::npos ? std::string::npos : fim + 1);
    if (linhas_console.empty() && fim == std::string::npos) console_fechado = true;
    return true;
}
void escrever_console(std::string_view texto) { perguntas += texto; }
servicos::plataforma::SistemaArquivos tabela() {
    servicos::plataforma::SistemaArquivos s = servicos::plataforma::sistema_arquivos_nativo();
    s.escrever = &escrever;
    s.cortar = &cortar;
    s.ler_linha_console = &ler_linha_console;
    s.escrever_console = &escrever_console;
    return s;
}
}  // namespace falhas

class UnidadesComFalhas : public Unidades {
protected:
    servicos::plataforma::SistemaArquivos sistema = falhas::tabela();
    void SetUp() override {
        Unidades::SetUp();
        falhas::resultado_escrita = falhas::resultado_corte = servicos::plataforma::Resultado::ok;
        falhas::console_fechado = false;
        servicos::usar_sistema_arquivos(&sistema);
    }
};

TEST_F(UnidadesComFalhas, EscritaRecusadaECorteRecusado) {
    using servicos::plataforma::Resultado;
    const std::string nome = caminho("a.txt");
    falhas::resultado_escrita = Resultado::acesso_negado;
    servicos::abrir_unidade(5, nome);
    servicos::escrever_formatado(5, "('x')");
    EXPECT_EQ(relatorio([] { servicos::fechar_unidade(5); }),
              "\r\nrun-time error F6421: CLOSE(" + nome + ")\r\n- write refused by the system\r\n");

    falhas::resultado_escrita = Resultado::ok;
    falhas::resultado_corte = Resultado::acesso_negado;
    servicos::abrir_unidade(5, nome);  // exists now: cut at the first statement
    EXPECT_EQ(relatorio([] { servicos::escrever_formatado(5, "('y')"); }),
              "\r\nrun-time error F6421: WRITE(" + nome + ")\r\n- write refused by the system\r\n");
}

TEST_F(UnidadesComFalhas, NomeEmBrancoUsaArgumentosDepoisPergunta) {
    const std::string a = caminho("arg1.txt"), b = caminho("arg2.txt");
    std::string arg0 = "programa", arg1 = a, arg2 = "   ", arg3 = b;
    char* argv[] = {arg0.data(), arg1.data(), arg2.data(), arg3.data(), nullptr};
    servicos::definir_argumentos(4, argv);
    servicos::abrir_unidade(5, "    ");
    EXPECT_EQ(servicos::nome_da_unidade(5), a);
    servicos::fechar_unidade(5);
    servicos::abrir_unidade(5, "");
    EXPECT_EQ(servicos::nome_da_unidade(5), b);
    servicos::fechar_unidade(5);

    // Arguments used up: the console is asked until a non-blank answer.
    falhas::linhas_console = "\n   \n  " + caminho("console.txt") + "  \n";
    falhas::perguntas.clear();
    servicos::abrir_unidade(5, "");
    EXPECT_EQ(servicos::nome_da_unidade(5), caminho("console.txt"));
    const std::string pergunta = "File name missing or blank - please enter file name\r\nUNIT 5? ";
    EXPECT_EQ(falhas::perguntas, pergunta + pergunta + pergunta);
    servicos::fechar_unidade(5);

    // End of input while asking ends the run instead of asking forever.
    falhas::console_fechado = true;
    EXPECT_EQ(relatorio([] { servicos::abrir_unidade(5, ""); }),
              "\r\nrun-time error F6501: READ()\r\n- end of file encountered\r\n");
}

}  // namespace
