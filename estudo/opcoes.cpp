#include "opcoes.hpp"

#include <charconv>
#include <cmath>

#include "tabela.hpp"

namespace estudo {

namespace {

// The whole text must be a decimal count within [minimo, maximo].
std::optional<int> contagem(std::string_view texto, int minimo, int maximo) {
    int valor = 0;
    const auto [fim, erro] = std::from_chars(texto.data(), texto.data() + texto.size(), valor);
    if (erro != std::errc{} || fim != texto.data() + texto.size()) return std::nullopt;
    if (valor < minimo || valor > maximo) return std::nullopt;
    return valor;
}

// Reals separated by commas (a point is the decimal sign): 0,0.5,1.
std::optional<std::vector<double>> lista_de_reais(std::string_view texto) {
    std::vector<double> valores;
    for (;;) {
        const std::size_t virgula = texto.find(',');
        const std::string_view parte = texto.substr(0, virgula);
        double valor = 0.0;
        const auto [fim, erro] = std::from_chars(parte.data(), parte.data() + parte.size(), valor);
        if (parte.empty() || erro != std::errc{} || fim != parte.data() + parte.size() || !std::isfinite(valor))
            return std::nullopt;
        valores.push_back(valor);
        if (valores.size() > maximo_de_valores) return std::nullopt;
        if (virgula == std::string_view::npos) return valores;
        texto.remove_prefix(virgula + 1);
    }
}

std::string faixa(int minimo, int maximo) { return juntar("de ", std::to_string(minimo), " a ", std::to_string(maximo)); }

// The value of an option written "--nome valor" or "--nome=valor".
struct LeitorArgumentos {
    std::span<const std::string_view> argumentos;
    std::size_t j = 0;
    std::string& erro;

    std::optional<std::string_view> valor(std::string_view argumento, std::string_view nome) {
        if (argumento.size() > nome.size() && argumento.starts_with(nome) && argumento[nome.size()] == '=')
            return argumento.substr(nome.size() + 1);
        if (argumento != nome) return std::nullopt;
        if (j + 1 == argumentos.size()) {
            erro = juntar("falta o valor depois de ", nome);
            return std::string_view{};
        }
        return argumentos[++j];
    }
};

bool escolher_modo(Opcoes& opcoes, Modo modo, std::string_view argumento, std::string& erro) {
    if (opcoes.modo != Modo::convergencia && opcoes.modo != modo) {
        erro = juntar("a opção ", argumento, " não se junta a outro modo (--comparar, --mapa, --perfis, --explicar)");
        return false;
    }
    opcoes.modo = modo;
    return true;
}

}  // namespace

std::optional<Opcoes> interpretar_opcoes(std::span<const std::string_view> argumentos, std::string& erro) {
    Opcoes opcoes;
    bool thetas_dados = false;
    LeitorArgumentos leitor{argumentos, 0, erro};
    for (; leitor.j < argumentos.size(); ++leitor.j) {
        const std::string_view argumento = argumentos[leitor.j];
        if (argumento == "--comparar") {
            if (!escolher_modo(opcoes, Modo::comparar, argumento, erro)) return std::nullopt;
        } else if (argumento == "--mapa") {
            if (!escolher_modo(opcoes, Modo::mapa, argumento, erro)) return std::nullopt;
        } else if (argumento == "--explicar") {
            if (!escolher_modo(opcoes, Modo::explicar, argumento, erro)) return std::nullopt;
        } else if (argumento == "--avisos") {
            opcoes.somente_avisos = true;
        } else if (argumento == "--listagem") {
            opcoes.somente_listagem = true;
        } else if (argumento == "--titulo") {
            opcoes.somente_titulo = true;
        } else if (argumento == "--csv") {
            opcoes.csv = true;
        } else if (argumento == "--help" || argumento == "--ajuda" || argumento == "-h") {
            opcoes.ajuda = true;
        } else if (const auto niveis = leitor.valor(argumento, "--niveis")) {
            if (!erro.empty()) return std::nullopt;
            const std::optional<int> valor = contagem(*niveis, niveis_minimo, niveis_maximo);
            if (!valor) {
                erro = juntar("número de níveis inválido: ", *niveis, " (use ", faixa(niveis_minimo, niveis_maximo), ")");
                return std::nullopt;
            }
            opcoes.niveis = *valor;
        } else if (const auto fios = leitor.valor(argumento, "--fios")) {
            if (!erro.empty()) return std::nullopt;
            const std::optional<int> valor = contagem(*fios, 1, fios_maximo);
            if (!valor) {
                erro = juntar("número de fios inválido: ", *fios, " (use ", faixa(1, fios_maximo), ")");
                return std::nullopt;
            }
            opcoes.fios = *valor;
        } else if (const auto thetas = leitor.valor(argumento, "--teta")) {
            if (!erro.empty()) return std::nullopt;
            const auto valores = lista_de_reais(*thetas);
            if (!valores) {
                erro = juntar("lista de theta inválida: ", *thetas, " (números separados por vírgulas, com ponto: 0,0.5,1)");
                return std::nullopt;
            }
            opcoes.thetas = *valores;
            thetas_dados = true;
        } else if (const auto tempos = leitor.valor(argumento, "--perfis")) {
            if (!erro.empty()) return std::nullopt;
            const auto valores = lista_de_reais(*tempos);
            if (!valores) {
                erro = juntar("lista de tempos inválida: ", *tempos, " (números separados por vírgulas, com ponto: 60,300,600)");
                return std::nullopt;
            }
            if (!escolher_modo(opcoes, Modo::perfis, "--perfis", erro)) return std::nullopt;
            opcoes.tempos = *valores;
        } else {
            erro = juntar("opção desconhecida: ", argumento);
            return std::nullopt;
        }
    }
    const int formas = opcoes.somente_avisos + opcoes.somente_listagem + opcoes.somente_titulo;
    if (formas > 0) {
        // The quiet forms answer other programs: exactly two arguments.
        if (formas > 1) {
            erro = "--avisos, --listagem e --titulo não se juntam";
            return std::nullopt;
        }
        if (opcoes.modo != Modo::explicar || argumentos.size() != 2) {
            erro = juntar(opcoes.somente_avisos     ? "--avisos"
                          : opcoes.somente_listagem ? "--listagem"
                                                    : "--titulo",
                          " só vale com --explicar, e sem outra opção");
            return std::nullopt;
        }
    }
    if (thetas_dados && opcoes.modo != Modo::mapa && !opcoes.ajuda) {
        erro = "--teta só vale com --mapa";
        return std::nullopt;
    }
    return opcoes;
}

std::string texto_uso() {
    return juntar(
        "uso: estudo_convergencia [--niveis N] [--csv] [--fios N]\n"
        "     estudo_convergencia --comparar [--csv] [--fios N]\n"
        "     estudo_convergencia --mapa [--teta LISTA] [--csv] [--fios N]\n"
        "     estudo_convergencia --perfis TEMPOS [--csv]\n"
        "     estudo_convergencia --explicar [--avisos | --listagem | --titulo]\n"
        "     estudo_convergencia --help\n"
        "\n"
        "Lê entradas_geral.ent da pasta atual com o leitor de difusao_calor e verifica a solução\n"
        "numérica contra a exata, rodando o cálculo do próprio programa. Sem editor, sem traçador.\n"
        "\n"
        "Modos:\n"
        "  (nenhum)         estabilidade do caso e três refinamentos: (a) dx e dt juntos, (b) só dx,\n"
        "                   (c) só dt, com os erros do esquema e as ordens onde elas têm sentido;\n"
        "                   grava convergencia.txt (convergencia.gnu, convergencia_listagem.gnu)\n"
        "  --comparar       theta = 0, 0.5 e 1 na malha da entrada; grava comparacao_esquemas.txt\n"
        "                   (comparacao_esquemas.gnu)\n"
        "  --mapa           o erro em t = tf e o veredito de estabilidade para F de 0.01 a 100 em escala\n"
        "                   logarítmica (dx fixo, Nt escolhido para cada F); grava mapa.txt (mapa.gnu)\n"
        "  --perfis TEMPOS  T(x) nos tempos dados (em s, separados por vírgulas) contra o campo exato;\n"
        "                   grava perfis.txt (perfis.gnu)\n"
        "  --explicar       mostra, linha a linha, o que difusao_calor lê de entradas_geral.ent e avisa\n"
        "                   dos enganos comuns; estima a memória e o tempo da corrida; não grava nada\n"
        "  --explicar --avisos    só os avisos, um por linha, cada um com a sua linha do arquivo\n"
        "                   (\"entradas_geral.ent, linha 7: ...\"); nada quando não há aviso\n"
        "  --explicar --listagem  só o nome da listagem, como difusao_calor a criaria\n"
        "  --explicar --titulo    só o veredito de estabilidade que os títulos dos gráficos mostram\n"
        "\n"
        "Opções:\n"
        "  --niveis N       malhas de cada refinamento, ", faixa(niveis_minimo, niveis_maximo), " (padrão ",
        std::to_string(niveis_padrao), ")\n",
        "  --teta LISTA     os theta do mapa (padrão 0,0.5,1)\n"
        "  --csv            grava também cada tabela em CSV (UTF-8), um arquivo por tabela, com o nome\n"
        "                   da tabela: estabilidade.csv, convergencia_a_campo.csv, mapa.csv, ...\n"
        "  --fios N         corridas simultâneas, ", faixa(1, fios_maximo),
        " (padrão: uma por processador);\n"
        "                   os resultados são os mesmos, bit a bit, com qualquer número\n"
        "  --help, --ajuda, -h   mostra este uso\n"
        "\n"
        "Os roteiros .gnu desenham os arquivos gravados: gnuplot -e \"png=1\" convergencia.gnu grava\n"
        "convergencia.png sem abrir janela.\n"
        "\n"
        "Status de saída: 0 concluído; 1 opção inválida, falha de leitura de entradas_geral.ent (com o\n"
        "relatório de difusao_calor; com --avisos, só as linhas que dizem onde a leitura para),\n"
        "falta de memória ou arquivo que não pôde ser gravado; 2 com --explicar (e --avisos), quando o\n"
        "arquivo lê sem falha mas há avisos. --listagem: 0 com o nome, 1 sem nome (ou sem leitura);\n"
        "--titulo: 0 com o veredito, 1 sem leitura.\n");
}

}  // namespace estudo
