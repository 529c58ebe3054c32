// Units connected to real files in a scratch folder, and to a system-call
// table that fails on demand.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "processo.hpp"
#include "servicos/base/mensagens.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/unidades/conjunto.hpp"
#include "servicos/unidades/unidades.hpp"

namespace fs = std::filesystem;
using servicos::erros::FalhaRelatada;
using servicos::registros::ItemFormato;
namespace mensagem = servicos::base::mensagem;

namespace {

class Unidades : public ::testing::Test {
protected:
    suporte::PastaTemporaria pasta;

    void SetUp() override {
        servicos::erros::definir_modo_teste(true);
        servicos::unidades::definir_argumentos(0, nullptr);
    }
    void TearDown() override {
        servicos::unidades::usar_sistema_arquivos(nullptr);
        try {
            servicos::unidades::fechar_todas_unidades();
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
    servicos::unidades::abrir_unidade(5, nome);
    servicos::unidades::escrever_formatado(5, "('um',/,'dois')");
    servicos::unidades::escrever_formatado(5, "(I3)", {ItemFormato(std::int32_t{42})});
    servicos::unidades::escrever_formatado(5, "(/)");
    servicos::unidades::fechar_unidade(5);
    EXPECT_EQ(suporte::ler_arquivo(nome), "um\r\ndois\r\n 42\r\n\r\n\r\n");
}

TEST_F(Unidades, ArquivoExistenteSoEhCortadoNaPrimeiraEscrita) {
    const std::string nome = caminho("velho.txt");
    suporte::escrever_arquivo(nome, std::string(200000, 'v'));
    servicos::unidades::abrir_unidade(5, nome);
    servicos::unidades::fechar_unidade(5);
    EXPECT_EQ(suporte::ler_arquivo(nome), std::string(200000, 'v'));

    servicos::unidades::abrir_unidade(5, "  " + nome + "   ");
    EXPECT_EQ(servicos::unidades::nome_da_unidade(5), nome);
    servicos::unidades::escrever_formatado(5, "('novo')");
    servicos::unidades::fechar_unidade(5);
    EXPECT_EQ(suporte::ler_arquivo(nome), "novo\r\n");
}

TEST_F(Unidades, BufferMaiorQueOBlocoChegaInteiro) {
    const std::string nome = caminho("grande.txt");
    servicos::unidades::abrir_unidade(5, nome);
    std::string esperado;
    for (int j = 0; j < 5000; ++j) {
        servicos::unidades::escrever_formatado(5, "(3(1P,E25.15))", {1.0, 2.0, 3.0});
        esperado += "    1.000000000000000E+00    2.000000000000000E+00    3.000000000000000E+00\r\n";
    }
    servicos::unidades::fechar_unidade(5);
    EXPECT_TRUE(suporte::ler_arquivo(nome) == esperado);
}

TEST_F(Unidades, ReaberturaComOMesmoNomeNaoMudaNada) {
    const std::string a = caminho("a.txt"), b = caminho("b.txt");
    servicos::unidades::abrir_unidade(5, a);
    servicos::unidades::escrever_formatado(5, "('primeiro')");
    servicos::unidades::abrir_unidade(5, a);
    servicos::unidades::escrever_formatado(5, "('segundo')");
    servicos::unidades::abrir_unidade(5, b);  // closes a.txt first, keeping it
    servicos::unidades::escrever_formatado(5, "('outro')");
    servicos::unidades::fechar_unidade(5);
    servicos::unidades::fechar_unidade(5);  // a free unit: nothing happens
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
        EXPECT_EQ(relatorio([&] { servicos::unidades::abrir_unidade(5, l.nome); }), l.relatorio);
        EXPECT_EQ(servicos::unidades::nome_da_unidade(5), "");
    }
}

TEST_F(Unidades, DiscoCheioNaEscritaENoFechamento) {
    // Small output waits in the buffer and fails when the close writes it out.
    servicos::unidades::abrir_unidade(5, "/dev/full");
    servicos::unidades::escrever_formatado(5, "('x')");
    EXPECT_EQ(relatorio([] { servicos::unidades::fechar_unidade(5); }),
              "\r\nrun-time error F6422: CLOSE(/dev/full)\r\n- disk full\r\n");
    // More than a buffer's worth fails in the output statement itself.
    servicos::unidades::abrir_unidade(5, "/dev/full");
    EXPECT_EQ(relatorio([] {
                  for (int j = 0; j < 2000; ++j) servicos::unidades::escrever_formatado(5, "(5(1P,E25.15))", {1.0, 2.0, 3.0, 4.0});
              }),
              "\r\nrun-time error F6422: WRITE(/dev/full)\r\n- disk full\r\n");
}

TEST_F(Unidades, TabelaDeSessentaEUmaUnidades) {
    for (int u = 0; u < servicos::unidades::maximo_unidades; ++u) servicos::unidades::abrir_unidade(100 + u, caminho(std::to_string(u)));
    const std::string nome = caminho("demais");
    EXPECT_EQ(relatorio([&] { servicos::unidades::abrir_unidade(1, nome); }),
              "\r\nrun-time error F6423: OPEN(" + nome + ")\r\n- too many units connected\r\n");
}

// ---------------------------------------------------------------------------
// A file of the set for a writer apart from the units: a temporary beside a
// plain file or a name with nothing yet, and nothing at all (not even an
// open) for anything else, so that declining it leaves no trace.

struct TemporarioPedido {
    const char* nome;
    std::string arquivo;  // relative to the folder, unless absolute
    bool aceito;
    std::function<void(const fs::path&)> preparar = {};
    std::function<bool()> intocado = {};  // afterwards: whether nothing touched it
};

void PrintTo(const TemporarioPedido& caso, std::ostream* saida) { *saida << caso.nome; }

class TemporarioDoConjunto : public Unidades, public ::testing::WithParamInterface<TemporarioPedido> {};

TEST_P(TemporarioDoConjunto, SoArquivoComumGanhaTemporario) {
    const TemporarioPedido& caso = GetParam();
    if (caso.preparar) caso.preparar(pasta.caminho());
    const fs::path alvo = fs::path(caso.arquivo).is_absolute() ? fs::path(caso.arquivo) : pasta / caso.arquivo;
    const bool existia = fs::is_regular_file(alvo);
    // The set's record lives beside the input file, elsewhere.
    fs::create_directory(pasta / "entrada");
    servicos::unidades::iniciar_conjunto(caminho("entrada/trava"));
    servicos::plataforma::Descritor descritor{};
    EXPECT_EQ(servicos::unidades::abrir_temporario_do_conjunto(caso.arquivo.empty() ? "   " : alvo.string(), descritor),
              caso.aceito);
    std::size_t temporarios = 0;
    for (const auto& item : fs::directory_iterator(pasta.caminho()))
        temporarios += servicos::unidades::nome_de_temporario(item.path().filename().string()) ? 1 : 0;
    EXPECT_EQ(temporarios, caso.aceito ? 1u : 0u);
    if (existia) {
        EXPECT_EQ(suporte::ler_arquivo(alvo), "anterior");
    } else {
        EXPECT_FALSE(fs::is_regular_file(alvo)) << "the file itself was made";
    }
    if (caso.intocado) {
        EXPECT_TRUE(caso.intocado()) << "opened";
    }
}

#ifndef _WIN32
// A FIFO with a reader waiting: a writer that opened it, even for a moment,
// shows as a hang-up on the reader's end.
int leitor_da_fifo = -1;
void fifo_com_leitor(const fs::path& pasta) {
    ::mkfifo((pasta / "fifo").c_str(), 0600);
    leitor_da_fifo = ::open((pasta / "fifo").c_str(), O_RDONLY | O_NONBLOCK);
}
bool fifo_sem_escritor() {
    pollfd ponta{leitor_da_fifo, POLLIN, 0};
    const bool intocada = ::poll(&ponta, 1, 0) == 0;
    ::close(leitor_da_fifo);
    return intocada;
}
#endif

std::vector<TemporarioPedido> temporarios_pedidos() {
    std::vector<TemporarioPedido> casos{
        {"NadaAinda", "novo.txt", true},
        {"ArquivoExistente", "velho.txt", true,
         [](const fs::path& p) { suporte::escrever_arquivo(p / "velho.txt", "anterior"); }},
        {"NomeEmBranco", "", false},
        {"Pasta", "pasta", false, [](const fs::path& p) { fs::create_directory(p / "pasta"); }},
        {"PastaQueFalta", "nao/existe.txt", false},
#ifdef _WIN32
        {"Dispositivo", "NUL", false},
        {"DispositivoComExtensao", "nul.txt", false},
#else
        {"Dispositivo", "/dev/null", false},
        {"DescritorDoProcesso", "/dev/stdout", false},
        {"FifoComLeitor", "fifo", false, fifo_com_leitor, fifo_sem_escritor},
#endif
    };
    return casos;
}

INSTANTIATE_TEST_SUITE_P(Nomes, TemporarioDoConjunto, ::testing::ValuesIn(temporarios_pedidos()),
                         [](const auto& info) { return std::string(info.param.nome); });

// ---------------------------------------------------------------------------
// Failures the file system can hardly be made to give on demand.

namespace falhas {
servicos::unidades::Resultado resultado_escrita = servicos::unidades::Resultado::ok;
servicos::unidades::Resultado resultado_corte = servicos::unidades::Resultado::ok;
std::string linhas_console;
bool console_fechado = false;
std::string perguntas;

servicos::unidades::Resultado escrever(servicos::plataforma::Descritor d, const char* b, std::size_t t) {
    if (resultado_escrita != servicos::unidades::Resultado::ok) return resultado_escrita;
    return servicos::unidades::sistema_arquivos_nativo().escrever(d, b, t);
}
servicos::unidades::Resultado cortar(servicos::plataforma::Descritor d) {
    if (resultado_corte != servicos::unidades::Resultado::ok) return resultado_corte;
    return servicos::unidades::sistema_arquivos_nativo().cortar(d);
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
servicos::unidades::SistemaArquivos tabela() {
    servicos::unidades::SistemaArquivos s = servicos::unidades::sistema_arquivos_nativo();
    s.escrever = &escrever;
    s.cortar = &cortar;
    s.ler_linha_console = &ler_linha_console;
    s.escrever_console = &escrever_console;
    return s;
}
}  // namespace falhas

class UnidadesComFalhas : public Unidades {
protected:
    servicos::unidades::SistemaArquivos sistema = falhas::tabela();
    void SetUp() override {
        Unidades::SetUp();
        falhas::resultado_escrita = falhas::resultado_corte = servicos::unidades::Resultado::ok;
        falhas::console_fechado = false;
        servicos::unidades::usar_sistema_arquivos(&sistema);
    }
};

TEST_F(UnidadesComFalhas, EscritaRecusadaECorteRecusado) {
    using servicos::unidades::Resultado;
    const std::string nome = caminho("a.txt");
    falhas::resultado_escrita = Resultado::acesso_negado;
    servicos::unidades::abrir_unidade(5, nome);
    servicos::unidades::escrever_formatado(5, "('x')");
    EXPECT_EQ(relatorio([] { servicos::unidades::fechar_unidade(5); }),
              "\r\nrun-time error F6421: CLOSE(" + nome + ")\r\n- write refused by the system\r\n");

    falhas::resultado_escrita = Resultado::ok;
    falhas::resultado_corte = Resultado::acesso_negado;
    servicos::unidades::abrir_unidade(5, nome);  // exists now: cut at the first statement
    EXPECT_EQ(relatorio([] { servicos::unidades::escrever_formatado(5, "('y')"); }),
              "\r\nrun-time error F6421: WRITE(" + nome + ")\r\n- write refused by the system\r\n");
}

TEST_F(UnidadesComFalhas, NomeEmBrancoUsaArgumentosDepoisPergunta) {
    const std::string a = caminho("arg1.txt"), b = caminho("arg2.txt");
    std::string arg0 = "programa", arg1 = a, arg2 = "   ", arg3 = b;
    char* argv[] = {arg0.data(), arg1.data(), arg2.data(), arg3.data(), nullptr};
    servicos::unidades::definir_argumentos(4, argv);
    servicos::unidades::abrir_unidade(5, "    ");
    EXPECT_EQ(servicos::unidades::nome_da_unidade(5), a);
    servicos::unidades::fechar_unidade(5);
    servicos::unidades::abrir_unidade(5, "");
    EXPECT_EQ(servicos::unidades::nome_da_unidade(5), b);
    servicos::unidades::fechar_unidade(5);

    // Arguments used up: the console is asked until a non-blank answer.
    falhas::linhas_console = "\n   \n  " + caminho("console.txt") + "  \n";
    falhas::perguntas.clear();
    servicos::unidades::abrir_unidade(5, "");
    EXPECT_EQ(servicos::unidades::nome_da_unidade(5), caminho("console.txt"));
    const std::string pergunta = "File name missing or blank - please enter file name\r\nUNIT 5? ";
    EXPECT_EQ(falhas::perguntas, pergunta + pergunta + pergunta);
    servicos::unidades::fechar_unidade(5);

    // End of input while asking ends the run instead of asking forever.
    falhas::console_fechado = true;
    EXPECT_EQ(relatorio([] { servicos::unidades::abrir_unidade(5, ""); }),
              "\r\nrun-time error F6501: READ()\r\n- end of file encountered\r\n");
}

// ---------------------------------------------------------------------------
// A set of three files replaced together, through a system-call table that
// fails, or stops dead as a killed run does, at a chosen step of the commit.

namespace roteiro {
using servicos::plataforma::Descritor;
using servicos::unidades::Pasta;
using servicos::unidades::Resultado;
using servicos::unidades::Temporario;

const servicos::unidades::SistemaArquivos& nativo() { return servicos::unidades::sistema_arquivos_nativo(); }

// The run stops here, as under SIGKILL: nothing after it happens.
struct Morte {};

bool contando = false;  // only the steps of a commit count, unless told otherwise
int passos = 0;
int morrer_em = 0;      // the step that never happens (0: none)
std::string falha_de;   // the call that fails...
int falhar_na_vez = 0;  // ...the n-th time it is made (0: none)
int vezes = 0;
std::string morrer_depois_de;  // the run stops right after this call's first step
Resultado falha = Resultado::acesso_negado;
std::vector<std::string> registro;  // "call file" for every step, in order
std::map<Descritor, std::string> nome_do_descritor;

bool falha_aqui(const std::string& chamada, const std::string& nome) {
    if (!contando) return false;
    registro.push_back(chamada + " " + fs::path(nome).filename().string());
    if (++passos == morrer_em) throw Morte{};
    if (chamada == morrer_depois_de && morrer_em == 0) morrer_em = passos + 1;
    return chamada == falha_de && ++vezes == falhar_na_vez;
}

Temporario anotado(Temporario t) {
    if (t.resultado == Resultado::ok) nome_do_descritor[t.descritor] = fs::path(t.nome).filename().string();
    return t;
}
Temporario criar_temporario(const char* nome, const char* vizinho) {
    if (falha_aqui("criar", nome)) return {falha, {}, {}};
    return anotado(nativo().criar_temporario(nome, vizinho));
}
Temporario criar_diario(const char* trava) {
    if (falha_aqui("criar_diario", trava)) return {falha, {}, {}};
    return anotado(nativo().criar_diario(trava));
}
// The write that ends the record's list of renames is told apart.
Resultado escrever(Descritor d, const char* bytes, std::size_t tamanho) {
    const bool fim = std::string_view(bytes, tamanho).ends_with("fim\n");
    if (falha_aqui(fim ? "escrever_fim" : "escrever", nome_do_descritor[d])) return falha;
    return nativo().escrever(d, bytes, tamanho);
}
Resultado sincronizar(Descritor d) {
    if (falha_aqui("sincronizar", nome_do_descritor[d])) return falha;
    return nativo().sincronizar(d);
}
Resultado sincronizar_pasta(const Pasta& pasta) {
    if (falha_aqui("sincronizar_pasta", "")) return falha;
    return nativo().sincronizar_pasta(pasta);
}
Pasta abrir_pasta(const char* vizinho, Descritor no_mesmo_sistema) {
    if (falha_aqui("abrir_pasta", vizinho)) return {falha, {}, false};
    return nativo().abrir_pasta(vizinho, no_mesmo_sistema);
}
Resultado travar(const char* nome, Descritor& trava) {
    if (falha_aqui("travar", nome)) return falha;
    return nativo().travar(nome, trava);
}
Resultado guardar_anterior(const char* destino, const char* copia) {
    if (falha_aqui("guardar", destino)) return falha;
    return nativo().guardar_anterior(destino, copia);
}
Resultado substituir(const char* origem, const char* destino) {
    if (falha_aqui("substituir", origem)) return falha;
    return nativo().substituir(origem, destino);
}
Resultado descartar(const char* nome) {
    if (falha_aqui("descartar", nome)) return falha;
    return nativo().descartar(nome);
}
Resultado tomar_abandonado(const char* nome, Descritor& descritor) {
    if (falha_aqui("tomar", nome)) return falha;
    return nativo().tomar_abandonado(nome, descritor);
}

servicos::unidades::SistemaArquivos tabela() {
    servicos::unidades::SistemaArquivos s = nativo();
    s.criar_temporario = &criar_temporario;
    s.criar_diario = &criar_diario;
    s.escrever = &escrever;
    s.sincronizar = &sincronizar;
    s.sincronizar_pasta = &sincronizar_pasta;
    s.abrir_pasta = &abrir_pasta;
    s.travar = &travar;
    s.guardar_anterior = &guardar_anterior;
    s.substituir = &substituir;
    s.descartar = &descartar;
    s.tomar_abandonado = &tomar_abandonado;
    return s;
}

void reiniciar() {
    contando = false;
    passos = morrer_em = falhar_na_vez = vezes = 0;
    falha_de.clear();
    morrer_depois_de.clear();
    falha = Resultado::acesso_negado;
    registro.clear();
    nome_do_descritor.clear();
}
}  // namespace roteiro

class Conjunto : public Unidades {
protected:
    using Arquivos = std::map<std::string, std::string>;
    const std::vector<std::string> nomes{"lista.txt", "media.txt", "meio.txt"};
    Arquivos anterior, novo;
    servicos::unidades::SistemaArquivos sistema = roteiro::tabela();

    void SetUp() override {
        Unidades::SetUp();
        roteiro::reiniciar();
        suporte::escrever_arquivo(pasta / "trava", "");
        for (const std::string& nome : nomes) {
            anterior[nome] = "anterior " + nome + "\r\n";
            novo[nome] = "novo " + nome + "\r\n";
        }
        gravar(anterior);
        servicos::unidades::usar_sistema_arquivos(&sistema);
    }
    void TearDown() override {
        servicos::unidades::abandonar_conjunto();
        Unidades::TearDown();
    }

    void gravar(const Arquivos& arquivos) {
        for (const auto& [nome, bytes] : arquivos) suporte::escrever_arquivo(pasta / nome, bytes);
    }
    // The new set written into its temporaries, not yet committed; its
    // steps count when `contar` says so.
    void escrever_novo(bool contar = false) {
        roteiro::contando = contar;
        servicos::unidades::iniciar_conjunto(caminho("trava"));
        for (const std::string& nome : nomes) {
            servicos::unidades::abrir_unidade(5, caminho(nome));
            servicos::unidades::escrever_formatado(5, "('novo " + nome + "')");
            servicos::unidades::fechar_unidade(5);
        }
        roteiro::contando = false;
    }
    void confirmar() {
        roteiro::contando = true;
        servicos::unidades::confirmar_conjunto(caminho("trava"));
        roteiro::contando = false;
    }
    Arquivos na_pasta() const {
        Arquivos bytes;
        for (const std::string& nome : nomes) bytes[nome] = suporte::ler_arquivo(pasta / nome);
        return bytes;
    }
    std::set<std::string> do_programa() const {
        std::set<std::string> restos;
        for (const auto& item : fs::directory_iterator(pasta.caminho()))
            if (servicos::unidades::nome_de_temporario(item.path().filename().string()))
                restos.insert(item.path().filename().string());
        return restos;
    }
};

TEST_F(Conjunto, CadaArquivoNoDiscoAntesDaSuaTrocaEAPastaDepois) {
    escrever_novo(true);
    roteiro::contando = true;
    servicos::unidades::confirmar_conjunto(caminho("trava"));
    roteiro::contando = false;
    EXPECT_EQ(na_pasta(), novo);
    EXPECT_EQ(do_programa(), std::set<std::string>{});
    // The record, with its folder, on the disk before the first temporary
    // exists; each temporary synced before it is renamed, and the folder
    // that names them before the record's end mark; the end mark synced
    // before the first rename; the folder synced after the last rename,
    // before the first kept file goes, and again before the record goes.
    const std::vector<std::string>& r = roteiro::registro;
    const auto primeira = [&r](const std::string& passo, std::size_t de = 0) {
        return static_cast<std::size_t>(std::find(r.begin() + static_cast<long>(de), r.end(), passo) - r.begin());
    };
    const auto primeira_que_comeca = [&r](const std::string& inicio, std::size_t de = 0) {
        return static_cast<std::size_t>(
            std::find_if(r.begin() + static_cast<long>(de), r.end(),
                         [&inicio](const std::string& p) { return p.rfind(inicio, 0) == 0; }) -
            r.begin());
    };
    ASSERT_LT(primeira_que_comeca("criar_diario "), r.size()) << "no record";
    const std::size_t i_diario = primeira_que_comeca("criar_diario ");
    const std::size_t primeiro_criado = primeira_que_comeca("criar ");
    std::string diario;
    for (const std::string& passo : r)
        if (passo.find("-diario.tmp") != std::string::npos && diario.empty()) diario = passo.substr(passo.find(' ') + 1);
    ASSERT_FALSE(diario.empty());
    EXPECT_LT(primeira("sincronizar " + diario, i_diario), primeiro_criado) << "record unsynced";
    EXPECT_LT(primeira("sincronizar_pasta ", i_diario), primeiro_criado) << "record's folder unsynced";
    std::size_t primeira_troca = r.size(), ultima_troca = 0, ultimo_sincronizado = 0;
    for (std::size_t j = 0; j < r.size(); ++j) {
        if (r[j].rfind("substituir ", 0) != 0) continue;
        primeira_troca = std::min(primeira_troca, j);
        ultima_troca = j;
        const std::string temporario = r[j].substr(r[j].find(' ') + 1);
        ultimo_sincronizado = std::max(ultimo_sincronizado, primeira("sincronizar " + temporario));
        EXPECT_LT(primeira("sincronizar " + temporario), j) << temporario << " renamed unsynced";
    }
    ASSERT_EQ(std::count_if(r.begin(), r.end(), [](const std::string& p) { return p.rfind("substituir ", 0) == 0; }), 3);
    const std::size_t fim = primeira("escrever_fim " + diario);
    EXPECT_LT(primeira("sincronizar_pasta ", ultimo_sincronizado), fim) << "temporaries' folder unsynced";
    EXPECT_LT(primeira("sincronizar " + diario, fim), primeira_troca) << "end mark unsynced";
    const std::size_t pasta_depois = primeira("sincronizar_pasta ", ultima_troca);
    EXPECT_LT(pasta_depois, primeira_que_comeca("descartar ", ultima_troca)) << "folder unsynced";
    EXPECT_LT(primeira("sincronizar_pasta ", pasta_depois + 1), primeira("descartar " + diario))
        << "removals unsynced";
}

// A step of the commit that fails: its report, and the earlier set whole;
// or, once the new set is on the disk, no report and the new set. Either way,
// after the next run's recovery, that set and no file of the program.
struct FalhaNoConjunto {
    const char* nome;
    std::string chamada;  // the call that fails...
    int vez;              // ...the n-th time the commit makes it
    servicos::unidades::Resultado resultado;
    std::string arquivo;  // the file the report names
    std::string codigo;   // empty: no report
    std::string mensagem;
    bool fica_o_novo = false;
    // A commit killed after its first rename comes before: its record is
    // the next commit's to take up first.
    bool com_abandonado = false;
    // OPEN: the call fails while the set's files are made, and the run
    // ends there.
    std::string instrucao = "CLOSE";
};

void PrintTo(const FalhaNoConjunto& f, std::ostream* saida) { *saida << f.nome; }

class ConjuntoComFalha : public Conjunto, public ::testing::WithParamInterface<FalhaNoConjunto> {};

TEST_P(ConjuntoComFalha, RelatorioEConjuntoAnteriorInteiro) {
    const FalhaNoConjunto& f = GetParam();
    if (f.com_abandonado) {
        escrever_novo();
        roteiro::morrer_depois_de = "substituir";
        EXPECT_THROW(confirmar(), roteiro::Morte);
        roteiro::reiniciar();
        servicos::unidades::abandonar_conjunto();
    }
    const bool ao_criar = f.instrucao == "OPEN";
    const auto armar = [&f] {
        roteiro::falha_de = f.chamada;
        roteiro::falhar_na_vez = f.vez;
        roteiro::falha = f.resultado;
    };
    if (ao_criar) armar();
    std::string r = relatorio([this, ao_criar] { escrever_novo(ao_criar); });
    if (!ao_criar) armar();
    if (r.empty()) r = relatorio([this] { confirmar(); });
    roteiro::contando = false;
    servicos::unidades::fechar_todas_unidades();  // the clean-up of the end of the run
    if (f.codigo.empty()) {
        EXPECT_EQ(r, "");
    } else {
        EXPECT_EQ(r, "\r\nrun-time error " + f.codigo + ": " + f.instrucao + "(" + caminho(f.arquivo) + ")\r\n- " +
                         f.mensagem + "\r\n");
    }
    const Arquivos& esperado = f.fica_o_novo ? novo : anterior;
    if (!f.com_abandonado) {
        EXPECT_EQ(na_pasta(), esperado);
    }
    if (!f.fica_o_novo && !f.com_abandonado) {
        EXPECT_EQ(do_programa(), std::set<std::string>{});
    }
    servicos::unidades::recuperar_conjuntos(caminho("trava"));
    EXPECT_EQ(na_pasta(), esperado) << "after the next run";
    EXPECT_EQ(do_programa(), std::set<std::string>{}) << "after the next run";
}

INSTANTIATE_TEST_SUITE_P(
    Passos, ConjuntoComFalha,
    ::testing::Values(
        // A rename refused part-way (a mount point, a sticky folder, a file
        // held open): the renames done are undone.
        FalhaNoConjunto{"PrimeiraTrocaRecusada", "substituir", 1, servicos::unidades::Resultado::acesso_negado,
                        "lista.txt", "F6421", "write refused by the system"},
        FalhaNoConjunto{"SegundaTrocaRecusada", "substituir", 2, servicos::unidades::Resultado::acesso_negado,
                        "media.txt", "F6421", "write refused by the system"},
        FalhaNoConjunto{"UltimaTrocaRecusada", "substituir", 3, servicos::unidades::Resultado::outro, "meio.txt",
                        "F6421", "write refused by the system"},
        FalhaNoConjunto{"AnteriorQueNaoSaiDoLugar", "guardar", 2, servicos::unidades::Resultado::acesso_negado,
                        "media.txt", "F6421", "write refused by the system"},
        // A full disk met when the data reach it, or when the commit needs
        // one more file.
        FalhaNoConjunto{"DiscoCheioAoSincronizar", "sincronizar", 3, servicos::unidades::Resultado::disco_cheio,
                        "meio.txt", "F6422", "disk full"},
        FalhaNoConjunto{"SemLugarParaGuardarOAnterior", "guardar", 2, servicos::unidades::Resultado::disco_cheio,
                        "media.txt", "F6422", "disk full"},
        FalhaNoConjunto{"SemLugarParaORegistro", "escrever_fim", 1, servicos::unidades::Resultado::disco_cheio,
                        "lista.txt", "F6422", "disk full"},
        FalhaNoConjunto{"RegistroQueNaoSeGrava", "sincronizar", 4, servicos::unidades::Resultado::disco_cheio,
                        "lista.txt", "F6422", "disk full"},
        // Descriptors used up when the commit begins: its lock cannot be
        // had, and nothing is replaced without it.
        FalhaNoConjunto{"SemDescritorParaATrava", "travar", 1, servicos::unidades::Resultado::arquivos_demais,
                        "lista.txt", "F6417", "too many open files"},
        // The folder of the set cannot be held for its syncs: the set is
        // refused as its first file is made, never committed unsynced.
        FalhaNoConjunto{"PastaQueNaoSeAbre", "abrir_pasta", 1, servicos::unidades::Resultado::arquivos_demais,
                        "lista.txt", "F6417", "too many open files", false, false, "OPEN"},
        // The folder's sync after the renames fails: the renames are undone.
        FalhaNoConjunto{"PastaQueNaoSeGravaDepoisDasTrocas", "sincronizar_pasta", 2,
                        servicos::unidades::Resultado::outro, "lista.txt", "F6421", "write refused by the system"},
        // A kept file that cannot be removed once the new set is on the
        // disk: the set stands, and the record stays for the next run,
        // which removes the file.
        FalhaNoConjunto{"AnteriorGuardadoQueNaoSai", "descartar", 2, servicos::unidades::Resultado::outro, "", "",
                        "", true},
        // The record of a killed commit that cannot even be opened: this
        // commit does not go past it (a later recovery of that record could
        // mix the two sets); the next run finishes the killed one.
        FalhaNoConjunto{"RegistroAbandonadoQueNaoSeAbre", "tomar", 1, servicos::unidades::Resultado::arquivos_demais,
                        "lista.txt", "F6417", "too many open files", true, true}),
    [](const auto& info) { return std::string(info.param.nome); });

// The set stopped dead at each of its steps in turn, from the first file
// made to the end of the commit, as by SIGKILL; then the next run's
// recovery. The folder holds one whole set and no file of the program; the
// new one once its record was complete.
TEST_F(Conjunto, MortoEmCadaPassoORetomadoDeixaUmConjuntoInteiro) {
    for (int passo = 1;; ++passo) {
        SCOPED_TRACE("stopped before step " + std::to_string(passo));
        gravar(anterior);
        roteiro::reiniciar();
        roteiro::morrer_em = passo;
        bool morto = false;
        try {
            escrever_novo(true);
            confirmar();
        } catch (const roteiro::Morte&) {
            morto = true;
        }
        roteiro::contando = false;
        const std::vector<std::string> feitos(roteiro::registro.begin(), roteiro::registro.end() - (morto ? 1 : 0));
        servicos::unidades::abandonar_conjunto();
        try {
            servicos::unidades::fechar_todas_unidades();  // the unit a death left open: its content is the set's
        } catch (const FalhaRelatada&) {
        }
        servicos::unidades::recuperar_conjuntos(caminho("trava"));
        const Arquivos final = na_pasta();
        EXPECT_TRUE(final == anterior || final == novo) << "a mix of two sets";
        EXPECT_EQ(do_programa(), std::set<std::string>{});
        // The end mark synced: the record says that the renames may begin.
        const auto fim = std::find_if(feitos.begin(), feitos.end(),
                                      [](const std::string& p) { return p.rfind("escrever_fim ", 0) == 0; });
        const bool registro_completo =
            std::find_if(fim, feitos.end(), [](const std::string& p) {
                return p.rfind("sincronizar ", 0) == 0 && p.find("-diario.tmp") != std::string::npos;
            }) != feitos.end();
        if (registro_completo) {
            EXPECT_EQ(final, novo) << "a complete record is finished";
        }
        if (!morto) break;
    }
}

// A killed commit that cannot be finished (a rename refused now) is undone,
// silently: the folder is whole again.
TEST_F(Conjunto, RetomadaQueNaoPodeTerminarDesfaz) {
    escrever_novo();
    roteiro::morrer_depois_de = "substituir";
    EXPECT_THROW(confirmar(), roteiro::Morte);
    roteiro::contando = false;
    servicos::unidades::abandonar_conjunto();
    ASSERT_EQ(suporte::ler_arquivo(pasta / "lista.txt"), novo["lista.txt"]);
    roteiro::reiniciar();
    roteiro::falha_de = "substituir";
    roteiro::falhar_na_vez = 1;
    roteiro::contando = true;
    EXPECT_EQ(relatorio([this] { servicos::unidades::recuperar_conjuntos(caminho("trava")); }), "");
    roteiro::contando = false;
    EXPECT_EQ(na_pasta(), anterior);
    EXPECT_EQ(do_programa(), std::set<std::string>{});
}

}  // namespace
