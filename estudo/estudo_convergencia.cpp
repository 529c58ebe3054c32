// estudo_convergencia: verification of difusao_calor's numerical solution.
// It reads the same entradas_geral.ent in the current folder with the
// program's own reader, runs the program's own computation on refined grids,
// on the three classic values of theta, over a range of mesh Fourier numbers
// or up to chosen times, and measures the errors against the exact solution;
// or it explains how the program reads the input file. The report goes to the
// standard output, progress and refusals to the standard error; nothing is
// edited and no command is run.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convergencia.hpp"
#include "dados/dados.hpp"
#include "explicacao.hpp"
#include "leituras.hpp"
#include "mapa.hpp"
#include "nucleo/processamento.hpp"
#include "nucleo/variaveis.hpp"
#include "opcoes.hpp"
#include "paralelo.hpp"
#include "perfis.hpp"
#include "principal.hpp"
#include "relatorio.hpp"
#include "servicos/base/deteccao.hpp"
#include "servicos/base/mensagens.hpp"
#include "servicos/elementares/elementares.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/execucao.hpp"
#include "servicos/plataforma/plataforma.hpp"
#include "tabela.hpp"

namespace {

using namespace estudo;

constexpr const char* arquivo_convergencia = "convergencia.txt";
constexpr const char* arquivo_comparacao = "comparacao_esquemas.txt";
constexpr const char* arquivo_mapa = "mapa.txt";
constexpr const char* arquivo_perfis = "perfis.txt";

// Node-steps (Nx times Nt summed over the runs) above which a study takes
// about a second or more, long enough to show its progress.
constexpr double trabalho_com_progresso = 1e8;

void escrever(std::string_view texto) { servicos::plataforma::escrever_saida_padrao(texto); }

void avisar(std::string_view texto) {
    servicos::plataforma::escrever_erro_padrao(juntar("estudo_convergencia: ", texto, "\n"));
}

// The input and the base case go through exactly what difusao_calor runs: the
// same reader and reports, the derived quantities with the fault detection
// armed (so that Nx = 1 or Nt = 0 end in the same report) and the same array
// checks. The study's own runs come afterwards, on freshly allocated arrays.
void preparar_caso() {
    // The explainer's warnings about the input, before anything is computed.
    escrever(bloco_de_avisos(ler_entradas_com_avisos()));
    principal::calcular_grandezas_derivadas();
    principal::alocar_arranjos();
    variaveis::liberar_arranjos();
}

// Writes a whole file in binary, so that the lines keep their LF ends.
bool gravar(const std::string& nome, const std::string& conteudo) {
    std::FILE* arquivo = std::fopen(nome.c_str(), "wb");
    if (arquivo == nullptr) return false;
    const bool escrito = std::fwrite(conteudo.data(), 1, conteudo.size(), arquivo) == conteudo.size();
    return std::fclose(arquivo) == 0 && escrito;
}

bool gravar_ou_avisar(const std::string& nome, const std::string& conteudo) {
    if (gravar(nome, conteudo)) return true;
    avisar(juntar("não foi possível gravar ", nome));
    return false;
}

// Everything a mode shows: its tables on the console and, with --csv, each
// in a file of its own.
class Saida {
public:
    explicit Saida(bool csv) : csv_(csv) {}
    void texto(std::string_view texto) { escrever(texto); }
    void tabela(const Tabela& tabela, bool no_console = true) {
        if (no_console) escrever(tabela.texto());
        if (csv_) tabelas_.push_back({juntar(tabela.nome(), ".csv"), tabela.csv()});
    }
    // Writes the CSV files; false when one could not be written.
    bool gravar_csv() {
        for (const auto& [nome, conteudo] : tabelas_)
            if (!gravar_ou_avisar(nome, conteudo)) return false;
        if (!tabelas_.empty()) {
            std::string nomes;
            for (const auto& tabela : tabelas_) nomes += juntar(nomes.empty() ? "" : ", ", tabela.first);
            escrever(juntar(quebrar(juntar("Tabelas em CSV: ", nomes), "  "), "\n"));
        }
        return true;
    }

private:
    bool csv_;
    std::vector<std::pair<std::string, std::string>> tabelas_;
};

std::string mib(std::uint64_t bytes) {
    return std::to_string(static_cast<long long>(static_cast<double>(bytes) / (1024.0 * 1024.0)));
}

// How many of the runs may go at once: the `fios` largest together must fit
// in the memory the system can give (0 from the platform means it does not
// know). 0 when not even the largest alone fits, after saying so.
int fios_que_cabem(std::vector<std::uint64_t> memorias, int fios, const std::string& maior) {
    std::sort(memorias.begin(), memorias.end(), std::greater<>());
    const std::uint64_t disponivel = servicos::plataforma::memoria_disponivel();
    if (disponivel == 0 || memorias.empty()) return fios;
    for (int f = std::min<int>(fios, static_cast<int>(memorias.size())); f >= 1; --f) {
        std::uint64_t juntas = 0;
        for (int j = 0; j < f; ++j) juntas += memorias[static_cast<std::size_t>(j)];
        if (juntas <= disponivel) return f;
    }
    avisar(juntar("a maior corrida do estudo (", maior, ") precisa de ", mib(memorias.front()),
                  " MiB de memória, e o sistema só pode dar ", mib(disponivel),
                  " MiB; use menos níveis (--niveis) ou uma malha de entrada mais grossa"));
    return 0;
}

std::string descricao(Malha malha) {
    return juntar("Nx = ", std::to_string(malha.Nx), ", Nt = ", std::to_string(malha.Nt));
}

double custo(Malha malha) { return static_cast<double>(malha.Nx) * static_cast<double>(malha.Nt); }

// Runs every case on its grid, in parallel as far as the memory allows;
// nothing when not even the largest can have its memory.
std::optional<std::vector<Nivel>> executar_corridas(const std::vector<std::pair<Caso, Malha>>& corridas, int fios) {
    std::vector<std::uint64_t> memorias;
    double trabalho = 0.0;
    Malha maior{};
    for (const auto& corrida : corridas) {
        const Malha malha = corrida.second;
        memorias.push_back(memoria_da_corrida(malha));
        trabalho += custo(malha);
        if (memoria_da_corrida(malha) > memoria_da_corrida(maior)) maior = malha;
    }
    const int cabem = fios_que_cabem(memorias, fios, descricao(maior));
    if (cabem == 0) return std::nullopt;
    return executar_niveis(corridas, cabem, trabalho > trabalho_com_progresso);
}

constexpr std::array refinamentos{Refinamento::espaco_e_tempo, Refinamento::espaco, Refinamento::tempo};

std::string letra(Refinamento tipo) {
    switch (tipo) {
        case Refinamento::espaco_e_tempo: return "(a)";
        case Refinamento::espaco: return "(b)";
        case Refinamento::tempo: return "(c)";
    }
    return {};
}

std::string titulo_serie(Refinamento tipo) {
    switch (tipo) {
        case Refinamento::espaco_e_tempo: return "Refinamento (a) dx e dt divididos por 2 juntos";
        case Refinamento::espaco: return "Refinamento (b) só dx dividido por 2, dt fixo";
        case Refinamento::tempo: return "Refinamento (c) só dt dividido por 2, dx fixo";
    }
    return {};
}

int estudar_convergencia(const Caso& caso, double F, const Opcoes& opcoes, Saida& saida) {
    std::vector<std::pair<Caso, Malha>> corridas;
    for (Refinamento tipo : refinamentos) {
        for (int nivel = 0; nivel < opcoes.niveis; ++nivel) {
            const std::optional<Malha> malha = malha_do_nivel(tipo, {caso.Nx, caso.Nt}, nivel);
            if (!malha) {
                avisar(juntar("o nível ", std::to_string(nivel + 1), " do refinamento ", letra(tipo),
                              " passaria do maior Nx ou Nt que a corrida conta (",
                              std::to_string(variaveis::maior_contagem), "); use menos níveis "
                              "(--niveis)"));
                return 1;
            }
            corridas.push_back({caso, *malha});
        }
    }
    const std::optional<std::vector<Nivel>> niveis = executar_corridas(corridas, opcoes.fios);
    if (!niveis) return 1;

    std::vector<Serie> series;
    for (std::size_t r = 0; r < refinamentos.size(); ++r) {
        const auto inicio = niveis->begin() + static_cast<std::ptrdiff_t>(r) * opcoes.niveis;
        Serie& serie = series.emplace_back(Serie{refinamentos[r], {inicio, inicio + opcoes.niveis}});
        saida.texto(juntar("\n\n", titulo_serie(serie.tipo), "\n"));
        for (const Tabela& tabela : tabelas_serie(serie, caso.theta)) {
            saida.texto("\n");
            saida.tabela(tabela);
        }
        saida.texto(juntar("\n", leitura_serie(serie, caso.theta)));
    }
    if (!gravar_ou_avisar(arquivo_convergencia, texto_arquivo_convergencia(caso, F, series))) return 1;
    saida.texto(juntar("\nTabela para os gráficos gravada em ", arquivo_convergencia, "\n"));
    return saida.gravar_csv() ? 0 : 1;
}

// One scheme's run: its errors, and the histories the file needs.
struct CorridaEsquema {
    Esquema esquema{};
    std::vector<double> medias;
    std::vector<double> tempos, exata, exata_trapezios;  // the same for every theta
};

CorridaEsquema correr_esquema(Caso caso, double theta) {
    using namespace variaveis;
    caso.theta = theta;
    CorridaEsquema c;
    const Nivel nivel = executar_nivel(caso, {caso.Nx, caso.Nt});
    const servicos::base::deteccao::Retencao retida;
    c.esquema = medir_esquema(nivel);
    const double taxa = processamento::taxa_decaimento();
    const auto niveis = static_cast<std::size_t>(Nt) + 1;
    c.medias.assign(Tm.dados(), Tm.dados() + niveis);
    c.tempos.assign(t.dados(), t.dados() + niveis);
    c.exata.assign(Tm_an.dados(), Tm_an.dados() + niveis);
    c.exata_trapezios.resize(niveis);
    const double media_inicial = Tm(0);
    for (std::size_t m = 0; m < niveis; ++m)
        c.exata_trapezios[m] = servicos::elementares::exponencial(c.tempos[m] * taxa) * media_inicial;
    return c;
}

// Streams the histories row by row: a fine input grid has many time levels.
bool gravar_comparacao(const Caso& caso, double F, const std::vector<CorridaEsquema>& corridas) {
    std::FILE* arquivo = std::fopen(arquivo_comparacao, "wb");
    if (arquivo == nullptr) return false;
    std::vector<Esquema> esquemas;
    for (const CorridaEsquema& c : corridas) esquemas.push_back(c.esquema);
    bool escrito = std::fputs(cabecalho_arquivo_comparacao(caso, F, esquemas).c_str(), arquivo) >= 0;
    const CorridaEsquema& primeira = corridas.front();
    std::vector<double> linha(corridas.size());
    for (std::size_t m = 0; escrito && m < primeira.tempos.size(); ++m) {
        for (std::size_t e = 0; e < corridas.size(); ++e) linha[e] = corridas[e].medias[m];
        escrito = std::fputs(linha_comparacao(primeira.tempos[m], primeira.exata[m], primeira.exata_trapezios[m], linha)
                                 .c_str(),
                             arquivo) >= 0;
    }
    return std::fclose(arquivo) == 0 && escrito;
}

int comparar_esquemas(const Caso& caso, double F, const Opcoes& opcoes, Saida& saida) {
    constexpr std::array thetas{0.0, 0.5, 1.0};
    const Malha malha{caso.Nx, caso.Nt};
    // Each run keeps four histories of its own besides the state's arrays.
    const std::uint64_t memoria = memoria_da_corrida(malha) + 5 * (static_cast<std::uint64_t>(caso.Nt) + 1) * 8;
    const int cabem = fios_que_cabem({memoria, memoria, memoria}, opcoes.fios, descricao(malha));
    if (cabem == 0) return 1;
    std::vector<CorridaEsquema> corridas(thetas.size());
    std::vector<Tarefa> tarefas;
    for (std::size_t j = 0; j < thetas.size(); ++j)
        tarefas.push_back({[&, j] { corridas[j] = correr_esquema(caso, thetas[j]); }, custo(malha),
                           juntar("theta = ", curto(thetas[j]))});
    executar_em_paralelo(tarefas, cabem, 3 * custo(malha) > trabalho_com_progresso);

    std::vector<Esquema> esquemas;
    for (const CorridaEsquema& c : corridas) esquemas.push_back(c.esquema);
    saida.texto("\n");
    saida.tabela(tabela_comparacao(esquemas));
    saida.texto(juntar("\n", leitura_comparacao(esquemas)));
    if (!gravar_comparacao(caso, F, corridas)) {
        avisar(juntar("não foi possível gravar ", arquivo_comparacao));
        return 1;
    }
    saida.texto(juntar("\nHistórias gravadas em ", arquivo_comparacao, "\n"));
    return saida.gravar_csv() ? 0 : 1;
}

int mapear(const Caso& caso, double F, const Opcoes& opcoes, Saida& saida) {
    std::vector<PassoMapa> passos;
    {
        using namespace variaveis;
        passos = passos_do_mapa(caso, alpha, dx);
    }
    const auto corridas = corridas_do_mapa(caso, opcoes.thetas, passos);
    const std::optional<std::vector<Nivel>> niveis = executar_corridas(corridas, opcoes.fios);
    if (!niveis) return 1;
    const Mapa mapa = montar_mapa(opcoes.thetas, passos, *niveis);
    saida.texto("\n");
    saida.tabela(tabela_mapa(mapa));
    saida.texto(juntar("\n", leitura_mapa(mapa)));
    if (!gravar_ou_avisar(arquivo_mapa, texto_arquivo_mapa(caso, F, mapa))) return 1;
    saida.texto(juntar("\nMapa gravado em ", arquivo_mapa, "\n"));
    return saida.gravar_csv() ? 0 : 1;
}

// Times outside 0..tf give the profile of the nearest end; said, not hidden.
void avisar_tempos_fora(const Caso& caso, const std::vector<double>& tempos) {
    for (double tempo : tempos) {
        if (tempo < 0.0)
            avisar(juntar("o tempo ", curto(tempo), " s de --perfis é anterior a 0: o perfil é o de t = 0"));
        else if (tempo > caso.tf)
            avisar(juntar("o tempo ", curto(tempo), " s de --perfis passa de tf = ", curto(caso.tf),
                          " s: o perfil é o de t = tf"));
    }
}

int tracar_perfis(const Caso& caso, double F, const Opcoes& opcoes, Saida& saida) {
    avisar_tempos_fora(caso, opcoes.tempos);
    const int cabem = fios_que_cabem({memoria_da_corrida({caso.Nx, caso.Nt})}, 1, descricao({caso.Nx, caso.Nt}));
    if (cabem == 0) return 1;
    const std::vector<Perfil> perfis = calcular_perfis(caso, opcoes.tempos);
    saida.texto("\n");
    saida.tabela(tabela_perfis(perfis));
    if (!gravar_ou_avisar(arquivo_perfis, texto_arquivo_perfis(caso, F, perfis))) return 1;
    saida.texto(juntar("\nPerfis gravados em ", arquivo_perfis, "\n"));
    return saida.gravar_csv() ? 0 : 1;
}

int executar(int argc, char** argv) {
    const std::vector<std::string_view> argumentos(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
    std::string erro;
    std::optional<Opcoes> opcoes = interpretar_opcoes(argumentos, erro);
    if (!opcoes) {
        avisar(erro);
        servicos::plataforma::escrever_erro_padrao(texto_uso());
        return 1;
    }
    if (opcoes->ajuda) {
        escrever(texto_uso());
        return 0;
    }
    if (opcoes->modo == Modo::explicar) {
        if (opcoes->csv) avisar("--csv não vale com --explicar, que não grava arquivo: ignorado");
        return explicar_entrada(opcoes->somente_avisos     ? FormaExplicacao::avisos
                                : opcoes->somente_listagem ? FormaExplicacao::listagem
                                : opcoes->somente_titulo   ? FormaExplicacao::titulo
                                                           : FormaExplicacao::narrativa);
    }
    if (opcoes->fios == 0) opcoes->fios = fios_da_maquina();
    for (double theta : opcoes->thetas)
        if (opcoes->modo == Modo::mapa && !(theta >= 0.0 && theta <= 1.0))
            avisar(juntar("theta = ", curto(theta), " de --teta fora de [0, 1]: o esquema theta só tem sentido entre 0 "
                          "(explícito) e 1 (implícito); o mapa o roda assim mesmo"));

    preparar_caso();
    // From here on an unstable run shows up as growing (or infinite) errors
    // in the tables instead of ending the study with a trap report.
    const servicos::base::deteccao::Retencao retida;
    const Caso caso = variaveis::dados_de_entrada();
    Saida saida(opcoes->csv);
    double F = 0.0;
    {
        using namespace variaveis;
        const Estabilidade e = estabilidade(theta, alpha, dt, dx, Lx, Nx, Nt);
        F = e.F;
        saida.texto(texto_caso(caso, alpha, dx, dt));
        saida.texto(juntar("\n", texto_estabilidade(e)));
        saida.tabela(tabela_estabilidade(e), false);  // the console has it in words already
    }
    switch (opcoes->modo) {
        case Modo::comparar: return comparar_esquemas(caso, F, *opcoes, saida);
        case Modo::mapa: return mapear(caso, F, *opcoes, saida);
        case Modo::perfis: return tracar_perfis(caso, F, *opcoes, saida);
        default: return estudar_convergencia(caso, F, *opcoes, saida);
    }
}

}  // namespace

int main(int argc, char** argv) {
    servicos::iniciar_execucao(argc, argv);
    int status = 0;
    try {
        status = executar(argc, argv);
    } catch (const std::bad_alloc&) {
        servicos::erros::relatar_erro(servicos::base::mensagem::memoria_insuficiente,
                                      servicos::base::instrucao::sem_rotulo);
    }
    servicos::erros::encerrar_programa(status);
}
