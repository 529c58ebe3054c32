// Child program for the tests of the watched math functions evaluated a block
// at a time: a small run, then one level or node made to fail. With "inicial"
// x(k) is so large that x(k)*pi overflows in condicao_inicial; with
// "analitica" and "resultados" t(k) is so large that exp(t(k)*taxa)
// overflows, met by solucao_analitica or by the reports while they write the
// middle-node table. Runs with the traps armed in the current folder; exit
// status 3 means nothing failed.
//
//     blocos_sob_armadilhas inicial|analitica|resultados <k>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

#include "dados/dados.hpp"
#include "nucleo/coeficientes.hpp"
#include "nucleo/processamento.hpp"
#include "nucleo/variaveis.hpp"
#include "principal.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/execucao.hpp"

int main(int argc, char** argv) {
    servicos::iniciar_execucao(argc, argv);
    if (argc < 3) servicos::erros::encerrar_programa(3);
    using namespace variaveis;
    const auto nivel = static_cast<std::int32_t>(std::atoi(argv[2]));
    const std::string_view onde = argv[1];
    // Three blocks of nodes for the initial field, three blocks of levels otherwise.
    const bool nos = onde == "inicial";
    iniciar_corrida({1.0, nos ? 9000 : 5, 1.0, nos ? 1 : 5000, 100.0, 1.0, 1.0, 1.0, 1.0});
    const std::string nome = "listagem.txt";
    std::copy(nome.begin(), nome.end(), arq_saida.begin());
    if (nos) {
        principal::calcular_grandezas_derivadas();
        principal::alocar_arranjos();
        principal::montar_malhas();
        x(nivel) = 1e308;
        coeficientes::condicao_inicial();
    } else {
        principal::calcular();
        t(nivel) = -1e6;  // exp(1e6*pi^2) is beyond the double range
        if (onde == "analitica") processamento::solucao_analitica();
        if (onde == "resultados") dados::resultados();
    }
    servicos::erros::encerrar_programa(3);
}
