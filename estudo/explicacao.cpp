#include "explicacao.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <iterator>
#include <numbers>
#include <optional>

#include "convergencia.hpp"
#include "dados/arquivos_do_programa.hpp"
#include "dados/dados.hpp"
#include "nucleo/variaveis.hpp"
#include "relatorio.hpp"
#include "servicos/base/deteccao.hpp"
#include "servicos/base/mensagens.hpp"
#include "servicos/elementares/elementares.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/plataforma/plataforma.hpp"
#include "servicos/unidades/leitura_lista.hpp"
#include "servicos/unidades/unidades.hpp"
#include "tabela.hpp"

namespace estudo {

namespace {

using servicos::unidades::LeituraObservada;
using Forma = LeituraObservada::Forma;

constexpr const char* arquivo_entrada = "entradas_geral.ent";

void escrever(std::string_view texto) { servicos::plataforma::escrever_saida_padrao(texto); }

enum class Tipo { texto, real, inteiro };

// The ten items in the order of the file, with the words that a comment on
// their line usually holds (lower case, whole words).
struct Item {
    const char* nome;
    const char* significado;
    Tipo tipo;
    std::array<const char*, 3> palavras;
};
constexpr std::array<Item, 10> itens{{
    {"arq_saida", "nome da listagem", Tipo::texto, {"listagem", nullptr, nullptr}},
    {"Lx", "comprimento da placa [m]", Tipo::real, {"comprimento", nullptr, nullptr}},
    {"Nx", "número de nós", Tipo::inteiro, {"nos", "nós", "nodos"}},
    {"tf", "tempo final [s]", Tipo::real, {"tempo final", nullptr, nullptr}},
    {"Nt", "número de passos de tempo", Tipo::inteiro, {"intervalos", "passos", nullptr}},
    {"Ti", "temperatura máxima inicial [ºC]", Tipo::real, {"temperatura", nullptr, nullptr}},
    {"theta", "0 explícito, 0.5 Crank-Nicolson, 1 implícito", Tipo::real, {"theta", "teta", nullptr}},
    {"k", "condutividade [W/m*K]", Tipo::real, {"condutividade", nullptr, nullptr}},
    {"ro", "massa específica [kg/m3]", Tipo::real, {"massa especifica", "massa específica", "densidade"}},
    {"cp", "calor específico [J/kg*K]", Tipo::real, {"calor especifico", "calor específico", nullptr}},
}};

bool branco(char c) { return c == ' ' || c == '\t'; }

std::string_view sem_brancos(std::string_view texto) {
    while (!texto.empty() && branco(texto.front())) texto.remove_prefix(1);
    while (!texto.empty() && (branco(texto.back()) || texto.back() == '\r')) texto.remove_suffix(1);
    return texto;
}

// The words of a comment, ASCII letters in lower case; other bytes (accented
// letters in UTF-8) are kept as letters.
std::vector<std::string> palavras_de(std::string_view texto) {
    std::vector<std::string> palavras;
    std::string palavra;
    for (char c : texto) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || u >= 0x80) {
            palavra += static_cast<char>(u < 0x80 ? std::tolower(u) : u);
        } else if (!palavra.empty()) {
            palavras.push_back(std::move(palavra));
            palavra.clear();
        }
    }
    if (!palavra.empty()) palavras.push_back(std::move(palavra));
    return palavras;
}

// Whether the words hold `expressao` (one or more words) in a row.
bool contem(const std::vector<std::string>& palavras, std::string_view expressao) {
    const std::vector<std::string> procuradas = palavras_de(expressao);
    if (procuradas.empty() || procuradas.size() > palavras.size()) return false;
    for (std::size_t j = 0; j + procuradas.size() <= palavras.size(); ++j)
        if (std::equal(procuradas.begin(), procuradas.end(), palavras.begin() + static_cast<std::ptrdiff_t>(j)))
            return true;
    return false;
}

bool fala_de(const std::vector<std::string>& palavras, const Item& item) {
    return std::any_of(item.palavras.begin(), item.palavras.end(),
                       [&](const char* p) { return p != nullptr && contem(palavras, p); });
}

std::string entre_aspas(std::string_view texto) { return juntar("\"", texto, "\""); }

std::string numero(double valor) {
    char texto[32];
    std::snprintf(texto, sizeof texto, "%.17g", valor);
    // The shortest of %.15g..%.17g that gives the same double back.
    for (int casas = 15; casas <= 17; ++casas) {
        char curto_[32];
        std::snprintf(curto_, sizeof curto_, "%.*g", casas, valor);
        if (std::strtod(curto_, nullptr) == valor) return curto_;
    }
    return texto;
}

// The value the variable of item `j` holds now.
std::string valor_do_item(std::size_t j) {
    using namespace variaveis;
    switch (j) {
        case 0: return entre_aspas(sem_brancos(std::string_view(arq_saida.data(), arq_saida.size())));
        case 1: return numero(Lx);
        case 2: return std::to_string(Nx);
        case 3: return numero(tf);
        case 4: return std::to_string(Nt);
        case 5: return numero(Ti);
        case 6: return numero(theta);
        case 7: return numero(k);
        case 8: return numero(ro);
        default: return numero(cp);
    }
}

std::string porque_terminou(int terminador) {
    switch (terminador) {
        case ' ': return "um branco terminou o valor";
        case '\t': return "uma tabulação terminou o valor";
        case ',': return "a vírgula terminou o valor";
        case '/': return "a barra terminou o valor (e a leitura)";
        case servicos::unidades::terminador_fim_de_linha: return "o fim da linha terminou o valor";
        case servicos::unidades::FonteBytes::fim_dos_dados: return "o fim do arquivo terminou o valor";
        case ')': return "o valor vai entre parênteses, guardado sem eles";
        default: return "o valor vai entre aspas";
    }
}

// The line that holds the value and what follows the value on it.
struct LinhaDoValor {
    std::size_t numero = 0;     // in the file, from 1
    std::string_view texto;     // without its line end
    std::string_view resto;     // after the value, its ending character included
    bool resto_conhecido = false;
};

// Where a quoted value that closes on its line ends (after the closing quote).
std::size_t fim_entre_aspas(std::string_view linha, std::size_t abertura) {
    if (abertura >= linha.size()) return std::string_view::npos;
    const char aspa = linha[abertura];
    for (std::size_t j = abertura + 1; j < linha.size(); ++j) {
        if (linha[j] != aspa) continue;
        if (j + 1 < linha.size() && linha[j + 1] == aspa) {
            ++j;
            continue;
        }
        return j + 1;
    }
    return std::string_view::npos;
}

std::string nome_do_item(const Item& item) { return juntar(item.nome, " (", item.significado, ")"); }

// Why a read failed, in one line: what the variable asks for, what the line
// holds, and the likely cause.
std::string causa_da_falha(const LeituraObservada& lida, const LinhaDoValor& linha, std::size_t j) {
    namespace m = servicos::base::mensagem;
    const std::string_view valor = lida.valor.empty() ? sem_brancos(linha.texto) : lida.valor;
    const std::string achado = juntar(", e a linha tem ", entre_aspas(valor));
    const std::string deslocados = "; se faltou ou sobrou uma linha antes, os valores depois dela se deslocaram";
    switch (lida.falha) {
        case m::fim_de_arquivo: {
            const std::string_view lido = sem_brancos(lida.consumido);
            if (!lido.empty() && (lido.front() == '\'' || lido.front() == '"'))
                return "aspas abertas que não se fecham até o fim do arquivo";
            if (j == 0) return "o arquivo não tem nenhum valor (vazio ou só linhas em branco)";
            return juntar("o arquivo acaba antes deste valor: faltam valores; se faltou uma linha antes, os "
                          "valores depois dela se deslocaram");
        }
        case m::inteiro_invalido:
            return juntar("pede um inteiro: a linha começa pelo número, só dígitos, e o comentário vem depois de um "
                          "branco (21 nós; não 21.0, nem Nx = 21)",
                          achado,
                          valor.find_first_of(".eEdD") != std::string_view::npos ? juntar("; parece um real", deslocados)
                                                                                 : std::string());
        case m::real_invalido:
            return juntar("pede um real: a linha começa pelo número (sinal, dígitos, ponto, expoente), e o comentário "
                          "vem depois de um branco (1.0 m; não 1.0m, nem Lx = 1.0)",
                          achado,
                          valor.find_first_of("0123456789") == std::string_view::npos ? std::string(deslocados)
                                                                                      : std::string());
        case m::texto_para_numero:
            return juntar("pede um número, que não vai entre aspas nem entre parênteses", achado);
        case m::inteiro_fora_da_faixa:
            return juntar("pede um inteiro de -2147483648 a 2147483647", achado);
        case m::real_fora_da_faixa: return juntar("o valor passa da faixa dos reais de precisão dupla", achado);
        case m::repeticao_zero: return juntar("um prefixo de repetição 0* não vale", achado);
        case m::repeticao_dupla: return juntar("dois prefixos de repetição num só valor", achado);
        default: return juntar("o valor não pode ser lido", achado);
    }
}

// The code of the program's report, F6101 for the message 101.
std::string codigo_do_relatorio(int falha) {
    return juntar("F", std::to_string(servicos::base::mensagem::base_dos_codigos + falha));
}

// The warnings about one read's line, each a pure rule on what the read
// took; none when the line is as expected.

// A comma between digits is a decimal comma that the reader took as the end
// of the value.
std::optional<std::string> virgula_decimal(const Item& item, const LeituraObservada& lida, const LinhaDoValor& linha,
                                           const std::string& recebido) {
    if (item.tipo == Tipo::texto || lida.terminador != ',' || lida.forma != Forma::simples || linha.resto.size() < 2 ||
        !std::isdigit(static_cast<unsigned char>(linha.resto[1])))
        return std::nullopt;
    const std::string_view decimais = linha.resto.substr(1, linha.resto.find_first_not_of("0123456789", 1) - 1);
    return juntar("vírgula como separador decimal: ", item.nome, " recebeu ", recebido, " e não ", lida.valor, ".",
                  decimais, "; a vírgula termina o valor, o separador decimal é o ponto: escreva ", lida.valor, ".",
                  decimais);
}

// A name ended by a blank, comma or slash, with more of a name after it.
std::optional<std::string> nome_cortado(const Item& item, const LeituraObservada& lida, const LinhaDoValor& linha) {
    const std::string_view ignorado = sem_brancos(linha.resto);
    if (item.tipo != Tipo::texto || lida.forma != Forma::simples || ignorado.empty() ||
        lida.terminador == servicos::unidades::terminador_fim_de_linha)
        return std::nullopt;
    const std::string_view seguinte = ignorado.substr(0, ignorado.find_first_of(" \t"));
    const bool parece_nome =
        lida.valor.find('.') == std::string_view::npos && seguinte.find('.') != std::string_view::npos;
    if (lida.terminador != '/' && lida.terminador != ',' && !parece_nome) return std::nullopt;
    return juntar("nome cortado: a listagem seria ", entre_aspas(lida.valor),
                  "; um nome com brancos, vírgulas ou barras vai entre aspas: '", sem_brancos(linha.texto), "'");
}

// A comment that names another variable: a line missing or added above.
std::optional<std::string> comentario_de_outro(const Item& item, const LinhaDoValor& linha) {
    const std::vector<std::string> palavras = palavras_de(sem_brancos(linha.resto));
    if (fala_de(palavras, item)) return std::nullopt;
    for (const Item& outro : itens) {
        if (&outro == &item || !fala_de(palavras, outro)) continue;
        return juntar("o comentário fala de ", outro.nome, " mas o valor foi para ", item.nome,
                      ": falta ou sobra uma linha antes? cada valor depois dela se desloca");
    }
    return std::nullopt;
}

// Whether the observer tells every read (--explicar) or only collects the
// warnings (the quiet form, the study's modes).
enum class Papel { narrar, recolher };

// What is done when the read stops, with the warnings so far, the last one
// saying where and why: print them, and for the quiet form end the process;
// for the others the program's report follows.
using AoParar = void (*)(const std::vector<Aviso>& avisos);

class Explicador final : public servicos::unidades::ObservadorLeitura {
public:
    Explicador(Papel papel, AoParar ao_parar) : papel_(papel), ao_parar_(ao_parar) {}

    void leitura(const LeituraObservada& lida) override {
        const Item& item = itens[item_];
        const LinhaDoValor linha = separar_linhas(lida);
        linhas_[item_] = linha.numero;
        std::string texto = juntar("\nLinha ", std::to_string(linha.numero), ": ", linha.texto, "\n");
        if (lida.falha != 0) {
            falhou(lida, linha, texto);
            return;
        }
        texto += juntar("  ", item.nome, " (", item.significado, ") = ", valor_do_item(item_));
        if (!lida.contagem.empty() && lida.forma != Forma::nulo)
            texto += juntar("; ", lida.contagem, "* é um prefixo de repetição, só a primeira cópia conta");
        if (lida.forma == Forma::nulo) {
            texto += juntar("\n  valor nulo: ", nulo_porque(lida), "; ", item.nome,
                            " fica com o valor de antes (o do início do programa)");
            aviso(linha, juntar("valor nulo para ", item.nome, ": a variável fica com o valor de antes"), texto);
        } else {
            texto += juntar("\n  ", porque_terminou(lida.terminador));
            const std::string_view ignorado = sem_brancos(linha.resto);
            if (linha.resto_conhecido && !ignorado.empty())
                texto += juntar("; o resto da linha, ", entre_aspas(ignorado), ", é ignorado");
        }
        explicar_resto(item, lida, linha, texto);
        narrar(juntar(texto, "\n"));
        ++item_;
    }

    const std::vector<Aviso>& avisos() const { return avisos_; }
    const LinhasDosDados& linhas() const { return linhas_; }

private:
    void narrar(std::string_view texto) const {
        if (papel_ == Papel::narrar) escrever(texto);
    }

    void aviso(const LinhaDoValor& linha, std::string aviso, std::string& texto) {
        texto += juntar("\n  AVISO: ", aviso);
        avisos_.push_back({{linha.numero}, std::move(aviso)});
    }

    // The read stops here: the narrative says why before the program's
    // report; otherwise the failure joins the warnings, and what follows is
    // the caller's.
    void falhou(const LeituraObservada& lida, const LinhaDoValor& linha, std::string& texto) {
        const std::string causa = causa_da_falha(lida, linha, item_);
        if (papel_ == Papel::narrar) {
            texto += juntar("  ", nome_do_item(itens[item_]), ": aqui a leitura falha\n",
                            quebrar(juntar("  ", causa), "  "), "\n  difusao_calor pararia com este relatório:\n");
            escrever(texto);
        } else {
            avisos_.push_back({{linha.numero}, juntar("a leitura para em ", nome_do_item(itens[item_]), ": ", causa,
                                                      " (difusao_calor para com ", codigo_do_relatorio(lida.falha), ")")});
        }
        if (ao_parar_ != nullptr) ao_parar_(avisos_);
    }

    // Numbers the lines the read went through: empty ones skipped before
    // the value, the one that holds it, and any it went on to (a quoted value
    // that continues, the line after a repeat prefix at a line's end).
    LinhaDoValor separar_linhas(const LeituraObservada& lida) {
        std::vector<std::string_view> linhas;
        for (std::string_view resto = lida.consumido; !resto.empty();) {
            const std::size_t fim = resto.find('\n');
            std::string_view texto = resto.substr(0, fim);
            if (!texto.empty() && texto.back() == '\r') texto.remove_suffix(1);
            linhas.push_back(texto);
            if (fim == std::string_view::npos) break;
            resto.remove_prefix(fim + 1);
        }
        std::size_t vazias = 0;
        while (vazias < linhas.size() && sem_brancos(linhas[vazias]).empty()) ++vazias;
        if (vazias == 1) narrar(juntar("\nLinha ", std::to_string(proxima_linha_), ": em branco, pulada\n"));
        if (vazias > 1)
            narrar(juntar("\nLinhas ", std::to_string(proxima_linha_), " a ", std::to_string(proxima_linha_ + vazias - 1),
                          ": em branco, puladas\n"));
        LinhaDoValor linha;
        linha.numero = proxima_linha_ + vazias;
        if (vazias < linhas.size()) {
            linha.texto = linhas[vazias];
            continua_ = vazias + 1 < linhas.size();
            localizar_resto(lida, linha);
        } else {
            linha.texto = "(fim do arquivo)";
        }
        proxima_linha_ += linhas.size();
        return linha;
    }

    // The text after the value on its line.
    static void localizar_resto(const LeituraObservada& lida, LinhaDoValor& linha) {
        const std::string_view texto = linha.texto;
        std::size_t inicio = 0;
        while (inicio < texto.size() && branco(texto[inicio])) ++inicio;
        if (!lida.contagem.empty()) inicio += lida.contagem.size() + 1;  // "r*"
        if (inicio > texto.size()) return;
        std::size_t fim = std::string_view::npos;
        switch (lida.forma) {
            case Forma::simples: fim = inicio + lida.valor.size(); break;
            case Forma::nulo:
                if (lida.terminador == ',' || lida.terminador == '/' || branco(static_cast<char>(lida.terminador)))
                    fim = inicio;
                else if (lida.terminador == '\'' || lida.terminador == '"')
                    fim = fim_entre_aspas(texto, inicio);
                break;
            case Forma::entre_aspas: fim = fim_entre_aspas(texto, inicio); break;
            case Forma::entre_parenteses: {
                const std::size_t fecha = texto.find(')', inicio);
                if (fecha != std::string_view::npos) fim = fecha + 1;
                break;
            }
        }
        if (fim == std::string_view::npos || fim > texto.size()) return;
        linha.resto = texto.substr(fim);
        linha.resto_conhecido = true;
    }

    static std::string nulo_porque(const LeituraObservada& lida) {
        switch (lida.terminador) {
            case ',': return "uma vírgula antes de qualquer caractere";
            case '/': return "uma barra antes de qualquer caractere";
            case '\'':
            case '"': return "aspas vazias";
            default: return "nada depois do asterisco do prefixo de repetição";
        }
    }

    void explicar_resto(const Item& item, const LeituraObservada& lida, const LinhaDoValor& linha, std::string& texto) {
        if (continua_) {
            texto += "; a leitura passou também pela linha seguinte (um valor entre aspas que continua, ou um\n"
                     "  prefixo de repetição no fim da linha), e a próxima leitura começa depois dela";
            continua_ = false;
        }
        for (auto achado : {virgula_decimal(item, lida, linha, valor_do_item(item_)), nome_cortado(item, lida, linha),
                            comentario_de_outro(item, linha)})
            if (achado) aviso(linha, std::move(*achado), texto);
    }

    Papel papel_;
    AoParar ao_parar_;
    std::size_t item_ = 0;
    std::size_t proxima_linha_ = 1;
    bool continua_ = false;
    std::vector<Aviso> avisos_;
    LinhasDosDados linhas_{};
};

// Only the listing's name: the first read is all it needs. The process ends
// there, before the other nine values are read or their failures reported.
class LeitorDoNome final : public servicos::unidades::ObservadorLeitura {
public:
    void leitura(const LeituraObservada& lida) override {
        if (lida.falha != 0) servicos::erros::encerrar_programa(1);
        const std::string_view nome = servicos::unidades::nome_normalizado(
            std::string_view(variaveis::arq_saida.data(), variaveis::arq_saida.size()));
        if (nome.empty()) servicos::erros::encerrar_programa(1);
        escrever(juntar(nome, "\n"));
        servicos::erros::encerrar_programa(0);
    }
};

// The observer installed for the program's ten reads.
class Observando {
public:
    explicit Observando(servicos::unidades::ObservadorLeitura& observador) { servicos::unidades::observar_leituras(&observador); }
    ~Observando() { servicos::unidades::observar_leituras(nullptr); }
    Observando(const Observando&) = delete;
    Observando& operator=(const Observando&) = delete;
};

std::string com_casas(double valor) {
    char texto[32];
    std::snprintf(texto, sizeof texto, "%.1f", valor);
    return texto;
}

std::string tamanho(double bytes) {
    char texto[32];
    if (bytes < 1024.0 * 1024.0)
        std::snprintf(texto, sizeof texto, "%.1f KiB", bytes / 1024.0);
    else if (bytes < 1024.0 * 1024.0 * 1024.0)
        std::snprintf(texto, sizeof texto, "%.1f MiB", bytes / (1024.0 * 1024.0));
    else
        std::snprintf(texto, sizeof texto, "%.1f GiB", bytes / (1024.0 * 1024.0 * 1024.0));
    return texto;
}


// Bytes of the listing and the two data files per time level: two tables of
// four 25-character fields and two files of three, each row ended by CR LF.
constexpr double bytes_por_nivel = 2 * (4 * 25 + 2) + 2 * (3 * 25 + 2);
// The result files are written at about this rate (number editing bound).
constexpr double bytes_por_segundo = 500e6;

std::string estimativa(const Caso& caso) {
    using namespace variaveis;
    const Malha malha{caso.Nx, caso.Nt};
    const double nos_passos = static_cast<double>(caso.Nx) * caso.Nt;
    const double ns = medir_ns_por_no_passo(caso.Nx);
    const double arquivos = bytes_por_nivel * (static_cast<double>(caso.Nt) + 1.0);
    return juntar("\nEstimativa da corrida: Nx·Nt = ", real(nos_passos, 2), " nós-passo\n",
                  "  memória: ", tamanho(static_cast<double>(memoria_da_corrida(malha))),
                  " (sete arranjos de nós, quatro de níveis de tempo e os dois do solver)\n",
                  "  cálculo: ~", duracao(nos_passos * ns * 1e-9), " nesta máquina (", com_casas(ns),
                  " ns por nó-passo, medido numa corrida curta)\n",
                  "  resultados: ", tamanho(arquivos), " na listagem e em temp_media.txt e temp_meio.txt, ~",
                  duracao(arquivos / bytes_por_segundo), " para gravar\n");
}

// The memory a run can have, and what bounds it as a warning names it: the
// system (with the control groups), or a limit of the process's own when it
// leaves less.
struct MemoriaDaCorrida {
    std::uint64_t bytes;
    std::string_view quem_limita;
};

std::optional<MemoriaDaCorrida> memoria_que_o_sistema_deixa() {
    const std::uint64_t sistema = servicos::plataforma::memoria_disponivel();
    const auto folga = servicos::plataforma::folga_dos_limites_do_processo();
    if (folga && (sistema == 0 || folga->bytes < sistema))
        return MemoriaDaCorrida{folga->bytes, folga->limite == servicos::plataforma::LimiteDoProcesso::dados
                                                  ? "o limite de dados do processo (ulimit -d)"
                                                  : "o limite de memória virtual do processo (ulimit -v)"};
    if (sistema == 0) return std::nullopt;
    return MemoriaDaCorrida{sistema, "o sistema"};
}

// The lines as they are named in a warning: "linha 7", "linhas 3 e 5",
// "linhas 2 a 5 e 8 a 10"; "" for none.
std::string nomear_linhas(std::vector<std::size_t> linhas) {
    std::sort(linhas.begin(), linhas.end());
    linhas.erase(std::unique(linhas.begin(), linhas.end()), linhas.end());
    linhas.erase(std::remove(linhas.begin(), linhas.end(), std::size_t{0}), linhas.end());
    if (linhas.empty()) return {};
    if (linhas.size() == 1) return juntar("linha ", std::to_string(linhas.front()));
    // Runs of three or more lines in a row are named by their ends.
    std::vector<std::string> partes;
    for (std::size_t j = 0; j < linhas.size();) {
        std::size_t fim = j;
        while (fim + 1 < linhas.size() && linhas[fim + 1] == linhas[fim] + 1) ++fim;
        if (fim - j >= 2) {
            partes.push_back(juntar(std::to_string(linhas[j]), " a ", std::to_string(linhas[fim])));
        } else {
            for (std::size_t k = j; k <= fim; ++k) partes.push_back(std::to_string(linhas[k]));
        }
        j = fim + 1;
    }
    std::string texto = "linhas ";
    for (std::size_t j = 0; j < partes.size(); ++j)
        texto += juntar(j == 0 ? "" : j + 1 == partes.size() ? " e " : ", ", partes[j]);
    return texto;
}

std::vector<std::size_t> linhas_de(const LinhasDosDados& linhas, const std::vector<Dado>& dados) {
    std::vector<std::size_t> escolhidas;
    for (Dado d : dados) escolhidas.push_back(linhas[d]);
    return escolhidas;
}

// The program's F for the data with Nt steps (the caller holds the traps).
double F_com(const Caso& c, std::int32_t Nt) { return numero_fourier(c.k / (c.cp * c.ro), c.tf / Nt, c.Lx / (c.Nx - 1.0)); }

double s_da_meia_senoide(const Caso& c) {
    return servicos::elementares::seno(std::numbers::pi * (c.Lx / (c.Nx - 1.0)) / (2.0 * c.Lx));
}

bool estavel_nesta_malha(const Caso& c, double F) { return estavel_na_malha(c.theta, F, c.Nx); }
bool estavel_refinada(const Caso& c, double F) { return estavel(c.theta, F); }
bool sem_oscilar(const Caso& c, double F) { return fator_modo(c.theta, F, s_da_meia_senoide(c)) >= 0.0; }

// "F = 5.0001e-01 passa do limite 5.0000e-01": enough digits to see it.
std::string comparados(double F, double limite, std::string& texto_do_limite) {
    const int casas = casas_para_distinguir(F, limite);
    texto_do_limite = real(limite, casas);
    return real(F, casas);
}

// The remedy of a bound on F: the least Nt that meets it, or why none does.
std::string com_Nt(const std::optional<std::int32_t>& Nt) {
    if (!Nt) return juntar("nenhum Nt até ", std::to_string(variaveis::maior_contagem), " basta");
    return juntar("use Nt >= ", std::to_string(*Nt), " (dt menor)");
}

// How the fastest mode of an unstable grid grows, and the round-off with it.
std::string crescimento(const Achado& a) {
    const std::string modo = a.modo_mais_alto ? std::string("o modo mais alto da malha")
                                              : juntar("o modo m = ", std::to_string(a.modo),
                                                       " da malha (com theta < 0, não o mais alto)");
    return juntar(modo, " cresce ", aproximado(std::fabs(a.fator)), " vezes por passo",
                  a.fator < 0.0 ? ", trocando de sinal" : "",
                  a.passos == 0 ? std::string()
                                : juntar("; o arredondamento, 10^10 vezes em ", std::to_string(a.passos),
                                         a.passos == 1 ? " passo" : " passos"));
}

// A mode whose denominator vanishes: the implicit matrix has no inverse.
std::string singular(const Achado& a) {
    return juntar("no modo m = ", std::to_string(a.modo_singular),
                  " da malha 1 + 4 theta F s² = 0 (dentro do arredondamento): a matriz implícita é singular, e o "
                  "passo divide esse modo por quase zero");
}

}  // namespace

std::optional<std::int32_t> menor_Nt_que_cumpre(const Caso& caso, bool (*cumpre)(const Caso& caso, double F)) {
    if (!(caso.Nx >= 2) || !(caso.tf > 0.0)) return std::nullopt;
    std::int32_t alto = variaveis::maior_contagem;
    if (!cumpre(caso, F_com(caso, alto))) return std::nullopt;
    if (cumpre(caso, F_com(caso, 1))) return 1;
    // F falls as Nt grows: the least Nt lies in (baixo, alto].
    std::int32_t baixo = 1;
    while (alto - baixo > 1) {
        const std::int32_t meio = baixo + (alto - baixo) / 2;
        (cumpre(caso, F_com(caso, meio)) ? alto : baixo) = meio;
    }
    return alto;
}

std::vector<Achado> achados_dos_dados(const DadosLidos& dados, std::uint64_t disponivel, std::string_view quem_limita) {
    const Caso& c = dados.caso;
    std::vector<Achado> achados;
    auto achar = [&](Problema problema, std::vector<Dado> de) -> Achado& {
        Achado a;
        a.problema = problema;
        a.dados = std::move(de);
        achados.push_back(std::move(a));
        return achados.back();
    };
    if (!(c.theta >= 0.0 && c.theta <= 1.0)) achar(Problema::theta_fora, {d_theta}).valor = c.theta;
    const std::array<std::pair<Dado, double>, 5> positivos{{{d_Lx, c.Lx}, {d_tf, c.tf}, {d_k, c.k}, {d_ro, c.ro}, {d_cp, c.cp}}};
    for (const auto& [dado, valor] : positivos) {
        if (valor > 0.0) continue;
        Achado& a = achar(Problema::nao_positivo, {dado});
        a.dado = dado;
        a.valor = valor;
    }
    if (c.Nx < 3) achar(Problema::poucos_nos, {d_Nx}).valor = c.Nx;
    if (c.Nt < 1) achar(Problema::sem_passos, {d_Nt}).valor = c.Nt;

    const std::string_view nome = servicos::unidades::nome_normalizado(dados.nome_listagem);
    if (nome.empty()) achar(Problema::nome_vazio, {d_arq_saida});
    std::string_view base = nome;
    if (base.starts_with("./") || base.starts_with(".\\")) base.remove_prefix(2);
    for (std::string_view proprio : dados::arquivos_do_programa) {
        const bool igual = std::equal(base.begin(), base.end(), proprio.begin(), proprio.end(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        });
        if (igual) achar(Problema::nome_do_programa, {d_arq_saida}).nome = std::string(nome);
    }

    // The derived quantities as the program forms them (the caller holds the
    // traps: data that would trap in the program give infinities or NaNs).
    const double F = c.Nt != 0 ? F_com(c, c.Nt) : std::numeric_limits<double>::infinity();
    const std::vector<Dado> de_F{d_Lx, d_Nx, d_tf, d_Nt, d_k, d_ro, d_cp};
    const std::vector<Dado> de_F_e_theta{d_Lx, d_Nx, d_tf, d_Nt, d_theta, d_k, d_ro, d_cp};
    if (c.Nx >= 2 && c.Nt >= 1 && !std::isfinite(F)) achar(Problema::derivadas_invalidas, de_F);
    if (std::isfinite(F) && c.theta < 0.5 && c.Nx >= 3 && F > 0.0 && !estavel(c.theta, F)) {
        const bool na_malha = !estavel_na_malha(c.theta, F, c.Nx);
        Achado& a = achar(na_malha ? Problema::instavel_na_malha : Problema::instavel_refinada, de_F_e_theta);
        a.valor = F;
        a.limite = limite_fourier(c.theta);
        a.limite_malha = limite_fourier_malha(c.theta, c.Nx);
        // Over every mode: for theta < 0 the denominator 1 + 4 theta F s^2
        // falls towards zero inside the spectrum, and a mode below the
        // highest grows fastest (or divides by zero).
        const ModoMaisRapido rapido = modo_mais_rapido(c.theta, F, c.Nx);
        a.modo = rapido.m;
        a.modo_mais_alto = rapido.m == c.Nx - 2;
        a.fator = rapido.A;
        a.modo_singular = rapido.m_singular;
        const double passos = passos_para_crescer(a.fator, crescimento_do_ruido);
        if (passos < static_cast<double>(variaveis::maior_contagem))
            a.passos = std::max<std::int64_t>(1, static_cast<std::int64_t>(std::ceil(passos)));
        a.Nt_minimo = menor_Nt_que_cumpre(c, na_malha ? estavel_nesta_malha : estavel_refinada);
    }
    if (std::isfinite(F) && c.Nx >= 3) {
        const double s = s_da_meia_senoide(c);
        const double A = fator_modo(c.theta, F, s);
        if (A < 0.0) {
            Achado& a = achar(Problema::oscila, de_F_e_theta);
            a.valor = F;
            a.fator = A;
            a.limite = limite_sem_oscilacao(c.theta, s);
            a.limite_geral = limite_sem_oscilacao(c.theta, 1.0);
            a.Nt_minimo = menor_Nt_que_cumpre(c, sem_oscilar);
        }
    }
    const std::uint64_t precisa = memoria_da_corrida({c.Nx, c.Nt});
    if (c.Nx >= 2 && c.Nt >= 0 && disponivel != 0 && precisa > disponivel) {
        Achado& a = achar(Problema::memoria, {d_Nx, d_Nt});
        a.precisa = precisa;
        a.disponivel = disponivel;
        a.nome = std::string(quem_limita);
    }
    return achados;
}

std::string texto_do_achado(const Achado& a) {
    std::string limite;
    switch (a.problema) {
        case Problema::theta_fora:
            return juntar("theta = ", numero(a.valor),
                          " fora de [0, 1]: o esquema theta só tem sentido entre 0 (explícito) e 1 (implícito); use "
                          "theta de 0 a 1");
        case Problema::nao_positivo:
            return juntar(itens[a.dado].nome, " = ", numero(a.valor), " não é positivo",
                          a.dado == d_k || a.dado == d_ro || a.dado == d_cp
                              ? "; com alpha = k/(ro cp) < 0 a equação anda para trás no tempo e a solução cresce sem "
                                "limite"
                              : "",
                          "; use ", itens[a.dado].nome, " > 0");
        case Problema::poucos_nos:
            return juntar("Nx = ", numero(a.valor), " < 3: sem nó interior não há o que resolver",
                          a.valor < 2.0 ? "; difusao_calor pararia com um relatório" : "", "; use Nx >= 3");
        case Problema::sem_passos:
            return juntar("Nt = ", numero(a.valor), " < 1: difusao_calor pararia com um relatório; use Nt >= 1");
        case Problema::nome_vazio: return "nome da listagem vazio: difusao_calor pediria um nome no console; dê um nome";
        case Problema::nome_do_programa:
            return juntar("a listagem se chamaria ", entre_aspas(a.nome),
                          ", um dos arquivos do próprio difusao_calor: seria sobrescrito; escolha outro nome");
        case Problema::derivadas_invalidas:
            return "dx, dt ou alpha dão divisão por zero ou estouro: difusao_calor pararia com um relatório";
        case Problema::instavel_na_malha: {
            const std::string F = comparados(a.valor, a.limite_malha, limite);
            return juntar("F = alpha dt/dx² = ", F, " passa do limite ", limite, " desta malha: ",
                          a.modo_singular != 0 ? singular(a) : crescimento(a), "; para ficar dentro, ",
                          com_Nt(a.Nt_minimo), " ou theta >= 0.5");
        }
        case Problema::instavel_refinada: {
            const std::string F = comparados(a.valor, a.limite, limite);
            return juntar("F = alpha dt/dx² = ", F, " passa do limite ", limite,
                          " das malhas refinadas: estável nesta malha (limite ", real(a.limite_malha),
                          "), instável se a malha for refinada com este F; para poder refinar, ", com_Nt(a.Nt_minimo),
                          " ou theta >= 0.5");
        }
        case Problema::oscila:
            return juntar("o fator de um passo da meia senoide dos dados é A = ", aproximado(a.fator),
                          " < 0: a solução troca de sinal a cada passo (a exata nunca troca)",
                          comportamento(a.fator) == Comportamento::cresce ? " e cresce" : "",
                          "; sem oscilação para F <= 1/(4(1 - theta) s²) = ", real(a.limite), " nesta malha e F <= 1/(4(1 - theta)) = ",
                          real(a.limite_geral), " em qualquer malha (F = ", real(a.valor), "): ", com_Nt(a.Nt_minimo),
                          " ou um theta maior");
        case Problema::memoria:
            return juntar("a corrida precisa de ", tamanho(static_cast<double>(a.precisa)), " e ", a.nome, " só deixa ",
                          tamanho(static_cast<double>(a.disponivel)),
                          ": difusao_calor pararia sem memória (F6772); use Nx ou Nt menores");
    }
    return {};
}

Aviso aviso_do_achado(const Achado& achado, const LinhasDosDados& linhas) {
    return {linhas_de(linhas, achado.dados), texto_do_achado(achado)};
}

std::string linha_do_aviso(const Aviso& aviso) {

    const std::string onde = nomear_linhas(aviso.linhas);
    return juntar(arquivo_entrada, onde.empty() ? "" : ", ", onde, ": ", aviso.texto);
}

std::string bloco_de_avisos(const std::vector<Aviso>& avisos) {
    if (avisos.empty()) return {};
    std::string texto = "Avisos sobre entradas_geral.ent (estudo_convergencia --explicar mostra a leitura):\n";
    for (const Aviso& aviso : avisos) texto += juntar(quebrar(juntar("  ", linha_do_aviso(aviso)), "    "), "\n");
    return juntar(texto, "\n");
}

std::vector<Aviso> avisos_dos_dados(std::string_view nome_listagem, const LinhasDosDados& linhas) {
    std::vector<Aviso> avisos;
    const DadosLidos dados{std::string(nome_listagem), variaveis::dados_de_entrada()};
    const std::optional<MemoriaDaCorrida> disponivel = memoria_que_o_sistema_deixa();
    for (const Achado& achado :
         achados_dos_dados(dados, disponivel ? disponivel->bytes : 0, disponivel ? disponivel->quem_limita : ""))
        avisos.push_back(aviso_do_achado(achado, linhas));
    return avisos;
}

namespace {

std::string_view nome_da_listagem() {
    return std::string_view(variaveis::arq_saida.data(), variaveis::arq_saida.size());
}

// The warnings of the observer and those of the data it read.
std::vector<Aviso> todos_os_avisos(const Explicador& explicador) {
    std::vector<Aviso> avisos = explicador.avisos();
    // Data that would trap in the program give infinities or NaNs here.
    const servicos::base::deteccao::Retencao retida;
    std::vector<Aviso> dos_dados = avisos_dos_dados(nome_da_listagem(), explicador.linhas());
    avisos.insert(avisos.end(), std::make_move_iterator(dos_dados.begin()), std::make_move_iterator(dos_dados.end()));
    return avisos;
}

// Whether the file is there to be read; otherwise why not, in one line.
std::optional<std::string> entrada_ilegivel() {
    std::error_code erro;
    if (!std::filesystem::exists(arquivo_entrada, erro))
        return "não existe nesta pasta: difusao_calor o criaria vazio e pararia na primeira leitura (F6501)";
    std::FILE* arquivo = std::filesystem::is_directory(arquivo_entrada, erro) ? nullptr
                                                                                : std::fopen(arquivo_entrada, "rb");
    if (arquivo == nullptr) return "não pode ser aberto para leitura (uma pasta, ou sem permissão de leitura?)";
    std::fclose(arquivo);
    return std::nullopt;
}

int somente_avisos() {
    if (const auto porque = entrada_ilegivel()) {
        escrever(linha_do_aviso({{}, *porque}));
        escrever("\n");
        return 1;
    }
    // No report: the lines say where the read stops and why.
    Explicador explicador(Papel::recolher, [](const std::vector<Aviso>& avisos) {
        std::string linhas;
        for (const Aviso& a : avisos) linhas += juntar(linha_do_aviso(a), "\n");
        escrever(linhas);
        servicos::erros::encerrar_programa(1);
    });
    {
        const Observando observando(explicador);
        dados::ler_entradas();  // a failure ends the process in the observer, status 1
    }
    std::string texto;
    const std::vector<Aviso> avisos = todos_os_avisos(explicador);
    for (const Aviso& aviso : avisos) texto += juntar(linha_do_aviso(aviso), "\n");
    escrever(texto);
    return avisos.empty() ? 0 : 2;
}

int somente_listagem() {
    if (entrada_ilegivel()) return 1;
    LeitorDoNome leitor;
    const Observando observando(leitor);
    dados::ler_entradas();  // the observer ends the process at the first read
    return 1;
}

// The plots' stability verdict of the data, from the study's own verdicts.
int somente_titulo() {
    if (entrada_ilegivel()) return 1;
    Explicador explicador(Papel::recolher, [](const std::vector<Aviso>&) { servicos::erros::encerrar_programa(1); });
    {
        const Observando observando(explicador);
        dados::ler_entradas();  // a failure ends the process in the observer, status 1, nothing printed
    }
    using namespace variaveis;
    const servicos::base::deteccao::Retencao retida;
    const Caso caso = dados_de_entrada();
    const double passo_x = Lx / (Nx - 1.0), passo_t = tf / Nt;
    const Estabilidade e = estabilidade(theta, k / (cp * ro), passo_t, passo_x, Lx, Nx, Nt);
    escrever(juntar(titulo_de_estabilidade(e, menor_Nt_que_cumpre(caso, estavel_nesta_malha)), "\n"));
    return 0;
}

int narrar_entrada() {
    escrever("Como difusao_calor lê entradas_geral.ent, linha a linha (cada valor começa numa linha nova;\n"
             "o valor termina num branco, tabulação, vírgula, barra ou no fim da linha, e o resto da linha\n"
             "é descartado):\n");
    std::error_code erro;
    if (!std::filesystem::exists(arquivo_entrada, erro)) {
        escrever("\nentradas_geral.ent não existe nesta pasta: difusao_calor o criaria vazio e pararia na\n"
                 "primeira leitura com este relatório:\n");
        servicos::plataforma::escrever_erro_padrao(servicos::erros::montar_relatorio(
            servicos::base::mensagem::fim_de_arquivo, servicos::base::TipoInstrucao::read, arquivo_entrada));
        return 1;
    }
    Explicador explicador(Papel::narrar, nullptr);  // the program's report follows the narrative
    {
        const Observando observando(explicador);
        dados::ler_entradas();
    }

    const std::vector<Aviso> avisos = todos_os_avisos(explicador);
    {
        using namespace variaveis;
        const servicos::base::deteccao::Retencao retida;
        const Caso caso = dados_de_entrada();
        const double F = numero_fourier(k / (cp * ro), tf / Nt, Lx / (Nx - 1.0));
        const bool com_malha = caso.Nx >= 2 && caso.Nt >= 1;
        escrever(juntar("\nDados lidos: ",
                        com_malha && std::isfinite(F)
                            ? resumo_da_malha(caso.theta, caso.Nx, caso.Nt, F)
                            : juntar("theta = ", curto(caso.theta), ", Nx = ", std::to_string(Nx), ", Nt = ",
                                     std::to_string(Nt)),
                        caso.theta == 0.0 || caso.theta == 0.5 || caso.theta == 1.0
                            ? juntar(" (", nome_esquema(caso.theta), ")")
                            : std::string(),
                        "\n"));
        if (com_malha) escrever(estimativa(caso));
    }
    if (avisos.empty()) {
        escrever("\nNenhum aviso: o arquivo lê como se espera.\n");
        return 0;
    }
    std::string texto = juntar("\n", std::to_string(avisos.size()), avisos.size() == 1 ? " aviso:\n" : " avisos:\n");
    for (const Aviso& aviso : avisos) {
        const std::string onde = nomear_linhas(aviso.linhas);
        texto += quebrar(juntar("  - ", onde, onde.empty() ? "" : ": ", aviso.texto), "    ");
        texto += '\n';
    }
    escrever(texto);
    return 2;
}

}  // namespace

int explicar_entrada(FormaExplicacao forma) {
    switch (forma) {
        case FormaExplicacao::avisos: return somente_avisos();
        case FormaExplicacao::listagem: return somente_listagem();
        case FormaExplicacao::titulo: return somente_titulo();
        case FormaExplicacao::narrativa: break;
    }
    return narrar_entrada();
}

std::vector<Aviso> ler_entradas_com_avisos() {
    // The warnings so far, then the program's report.
    Explicador explicador(Papel::recolher, [](const std::vector<Aviso>& avisos) { escrever(bloco_de_avisos(avisos)); });
    {
        const Observando observando(explicador);
        dados::ler_entradas();  // a failure prints where the read stops, then the program's report
    }
    return todos_os_avisos(explicador);
}

}  // namespace estudo
