// estudo_convergencia: verification of difusao_calor's numerical solution.
// It reads the same entradas_geral.ent in the current folder, runs the
// program's own computation on a sequence of refined grids (or with the three
// classic values of theta) and measures the errors against the exact
// single-term solution. The report goes to the standard output, progress and
// refusals to the standard error; nothing is edited and no command is run.
#include <array>
#include <cstdint>
#include <cstdio>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convergencia.hpp"
#include "dados/dados.hpp"
#include "opcoes.hpp"
#include "principal.hpp"
#include "relatorio.hpp"
#include "servicos/erros.hpp"
#include "variaveis.hpp"

namespace {

using namespace estudo;

constexpr const char* arquivo_convergencia = "convergencia.txt";
constexpr const char* arquivo_comparacao = "comparacao_esquemas.txt";

// Node-steps (Nx times Nt summed over the levels) above which a study takes
// long enough to show which level it is on.
constexpr double trabalho_com_progresso = 1e8;

void escrever(std::string_view texto) { servicos::plataforma::escrever_saida_padrao(texto); }

void avisar(std::string_view texto) {
    servicos::plataforma::escrever_erro_padrao("estudo_convergencia: " + std::string(texto) + "\n");
}

// The input and the base case go through exactly what difusao_calor runs: the
// same reader and reports, the derived quantities with the traps armed (so
// that Nx = 1 or Nt = 0 end in the same trap report) and the same array
// checks. The study's own runs come afterwards, on freshly allocated arrays.
void preparar_caso() {
    dados::ler_entradas();
    principal::calcular_grandezas_derivadas();
    principal::alocar_arranjos();
    liberar_arranjos();
}

// Writes a whole file in binary, so that the lines keep their LF ends.
bool gravar(const char* nome, const std::string& conteudo) {
    std::FILE* arquivo = std::fopen(nome, "wb");
    if (arquivo == nullptr) return false;
    const bool escrito = std::fwrite(conteudo.data(), 1, conteudo.size(), arquivo) == conteudo.size();
    return std::fclose(arquivo) == 0 && escrito;
}

// Refuses, before anything runs, a study whose largest run the system cannot
// give memory to (0 from the platform means it does not know).
bool cabe_na_memoria(Malha malha, std::uint64_t extra) {
    const std::uint64_t precisa = memoria_da_corrida(malha) + extra;
    const std::uint64_t disponivel = servicos::plataforma::memoria_disponivel();
    if (disponivel == 0 || precisa <= disponivel) return true;
    constexpr double mib = 1024.0 * 1024.0;
    avisar("a maior corrida do estudo (Nx = " + std::to_string(malha.Nx) + ", Nt = " + std::to_string(malha.Nt) +
           ") precisa de " + std::to_string(static_cast<long long>(static_cast<double>(precisa) / mib)) +
           " MiB de memória, e o sistema só pode dar " +
           std::to_string(static_cast<long long>(static_cast<double>(disponivel) / mib)) +
           " MiB; use menos níveis (--niveis) ou uma malha de entrada mais grossa");
    return false;
}

std::string letra(Refinamento tipo) {
    switch (tipo) {
        case Refinamento::espaco_e_tempo: return "(a)";
        case Refinamento::espaco: return "(b)";
        case Refinamento::tempo: return "(c)";
    }
    return {};
}

constexpr std::array refinamentos{Refinamento::espaco_e_tempo, Refinamento::espaco, Refinamento::tempo};

// The grids of every level of the three refinements; nothing when one of
// them does not fit the run's 32-bit counts.
std::optional<std::vector<std::vector<Malha>>> planejar(Malha base, int niveis) {
    std::vector<std::vector<Malha>> plano;
    for (Refinamento tipo : refinamentos) {
        std::vector<Malha>& malhas = plano.emplace_back();
        for (int nivel = 0; nivel < niveis; ++nivel) {
            const std::optional<Malha> malha = malha_do_nivel(tipo, base, nivel);
            if (!malha) {
                avisar("o nível " + std::to_string(nivel + 1) + " do refinamento " + letra(tipo) +
                       " passaria do maior Nx ou Nt que a corrida conta (2147483646); use menos níveis (--niveis)");
                return std::nullopt;
            }
            malhas.push_back(*malha);
        }
    }
    return plano;
}

int estudar_convergencia(const Caso& caso, int niveis) {
    const std::optional<std::vector<std::vector<Malha>>> plano = planejar({caso.Nx, caso.Nt}, niveis);
    if (!plano) return 1;
    Malha maior{};
    double trabalho = 0.0;
    for (const std::vector<Malha>& malhas : *plano)
        for (const Malha& malha : malhas) {
            if (memoria_da_corrida(malha) > memoria_da_corrida(maior)) maior = malha;
            trabalho += static_cast<double>(malha.Nx) * static_cast<double>(malha.Nt);
        }
    if (!cabe_na_memoria(maior, 0)) return 1;

    const bool progresso = trabalho > trabalho_com_progresso;
    std::vector<Serie> series;
    for (std::size_t r = 0; r < refinamentos.size(); ++r) {
        Serie& serie = series.emplace_back(Serie{refinamentos[r], {}});
        const std::vector<Malha>& malhas = (*plano)[r];
        for (std::size_t j = 0; j < malhas.size(); ++j) {
            if (progresso)
                avisar("refinamento " + letra(serie.tipo) + ", nível " + std::to_string(j + 1) + "/" +
                       std::to_string(malhas.size()) + " (Nx = " + std::to_string(malhas[j].Nx) +
                       ", Nt = " + std::to_string(malhas[j].Nt) + ") ...");
            serie.niveis.push_back(executar_nivel(caso, malhas[j]));
        }
        escrever("\n\n" + texto_serie(serie));
    }
    if (!gravar(arquivo_convergencia, texto_arquivo_convergencia(caso, series))) {
        avisar(std::string("não foi possível gravar ") + arquivo_convergencia);
        return 1;
    }
    escrever(std::string("\nTabela gravada em ") + arquivo_convergencia + "\n");
    return 0;
}

// Streams the histories row by row: a fine input grid has many time levels.
bool gravar_comparacao(const Caso& caso, const std::vector<Esquema>& esquemas,
                       const std::vector<std::vector<double>>& medias) {
    using namespace variaveis;
    std::FILE* arquivo = std::fopen(arquivo_comparacao, "wb");
    if (arquivo == nullptr) return false;
    const std::string cabecalho = cabecalho_arquivo_comparacao(caso, esquemas);
    bool escrito = std::fputs(cabecalho.c_str(), arquivo) >= 0;
    for (std::int64_t m = 0; escrito && m <= Nt; ++m) {
        std::array<double, 3> linha{};
        for (std::size_t e = 0; e < linha.size(); ++e) linha[e] = medias[e][static_cast<std::size_t>(m)];
        escrito = std::fputs(linha_comparacao(t(m), Tm_an(m), linha).c_str(), arquivo) >= 0;
    }
    return std::fclose(arquivo) == 0 && escrito;
}

int comparar_esquemas(const Caso& caso) {
    const Malha malha{caso.Nx, caso.Nt};
    const std::uint64_t historias = 3 * (static_cast<std::uint64_t>(caso.Nt) + 1) * sizeof(double);
    if (!cabe_na_memoria(malha, historias)) return 1;
    std::vector<Esquema> esquemas;
    std::vector<std::vector<double>> medias;
    for (double th : {0.0, 0.5, 1.0}) {
        Caso c = caso;
        c.theta = th;
        const Nivel nivel = executar_nivel(c, malha);
        using namespace variaveis;
        esquemas.push_back({th, nivel, amplificacao(th, alpha, dt, dx, Lx)});
        medias.emplace_back(Tm.dados(), Tm.dados() + Tm.tamanho());
    }
    // The time levels and the exact mean do not depend on theta: the state's
    // last run supplies them.
    escrever("\n" + texto_comparacao(esquemas));
    if (!gravar_comparacao(caso, esquemas, medias)) {
        avisar(std::string("não foi possível gravar ") + arquivo_comparacao);
        return 1;
    }
    escrever(std::string("\nHistórias gravadas em ") + arquivo_comparacao + "\n");
    return 0;
}

int executar(int argc, char** argv) {
    const std::vector<std::string_view> argumentos(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
    std::string erro;
    const std::optional<Opcoes> opcoes = interpretar_opcoes(argumentos, erro);
    if (!opcoes) {
        avisar(erro);
        servicos::plataforma::escrever_erro_padrao(texto_uso());
        return 1;
    }
    if (opcoes->ajuda) {
        escrever(texto_uso());
        return 0;
    }
    preparar_caso();
    // From here on an unstable run shows up as growing (or infinite) errors
    // in the tables instead of ending the study with a trap report.
    const ArmadilhasRetidas retidas;
    const Caso caso = caso_do_estado();
    {
        using namespace variaveis;
        escrever(texto_caso(caso, alpha, dx, dt));
        escrever("\n" + texto_estabilidade(theta, numero_fourier(alpha, dt, dx)));
        escrever("\n" + texto_amplificacao(amplificacao(theta, alpha, dt, dx, Lx), Nt));
    }
    return opcoes->comparar ? comparar_esquemas(caso) : estudar_convergencia(caso, opcoes->niveis);
}

}  // namespace

int main(int argc, char** argv) {
    servicos::iniciar_execucao(argc, argv);
    int status = 0;
    try {
        status = executar(argc, argv);
    } catch (const std::bad_alloc&) {
        servicos::relatar_erro(servicos::mensagem::memoria_insuficiente, servicos::TipoInstrucao::sem_rotulo);
    }
    servicos::encerrar_programa(status);
}
