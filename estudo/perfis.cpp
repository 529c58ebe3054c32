#include "perfis.hpp"

#include <algorithm>
#include <cmath>

#include "nucleo/coeficientes.hpp"
#include "nucleo/processamento.hpp"
#include "nucleo/solver.hpp"
#include "nucleo/variaveis.hpp"
#include "principal.hpp"
#include "relatorio.hpp"
#include "servicos/elementares/elementares.hpp"
#include "servicos/plataforma/plataforma.hpp"

namespace estudo {

namespace {

// The level of time `tempo`, the nearest one within 0..Nt.
std::int32_t nivel_do_tempo(double tempo, double dt, std::int32_t Nt) {
    const double nivel = std::round(tempo / dt);
    if (!(nivel > 0.0)) return 0;
    return nivel >= Nt ? Nt : static_cast<std::int32_t>(nivel);
}

Perfil guardar(double t_pedido, std::int32_t nivel, const variaveis::Arranjo& campo, double taxa) {
    using namespace variaveis;
    Perfil perfil;
    perfil.t_pedido = t_pedido;
    perfil.nivel = nivel;
    perfil.t = t(nivel);
    const double decaimento = servicos::elementares::exponencial(t(nivel) * taxa);
    for (std::int64_t j = 1; j <= Nx; ++j) {
        perfil.x.push_back(x(j));
        perfil.T.push_back(campo(j));
        perfil.exato.push_back(decaimento * (servicos::elementares::seno(x(j) * pi / Lx) * Ti));
    }
    return perfil;
}

}  // namespace

std::vector<Perfil> calcular_perfis(const Caso& caso, std::span<const double> tempos) {
    using namespace variaveis;
    const servicos::plataforma::ArmadilhasRetidas retidas;
    colocar_no_estado(caso, {caso.Nx, caso.Nt});
    principal::preparar_laco();
    const double taxa = processamento::taxa_decaimento();

    std::vector<std::int32_t> niveis;
    for (double tempo : tempos) niveis.push_back(nivel_do_tempo(tempo, dt, Nt));
    const std::int32_t ultimo = niveis.empty() ? 0 : *std::max_element(niveis.begin(), niveis.end());

    std::vector<Perfil> perfis(tempos.size());
    auto guardar_nivel = [&](std::int32_t nivel) {
        for (std::size_t j = 0; j < tempos.size(); ++j)
            if (niveis[j] == nivel) perfis[j] = guardar(tempos[j], nivel, Tant, taxa);
    };
    guardar_nivel(0);
    // The driver's steps: independent term, solution, the new field copied
    // into Tant (its records of the mean and middle node are not needed here).
    solver::Trabalho trabalho;
    if (ultimo > 0) solver::obter_trabalho(trabalho, Nx);
    for (std::int32_t m = 1; m <= ultimo; ++m) {
        n = m;
        coeficientes::termo_fonte();
        solver::tdma(aP, aW, aE, bP, T, Nx, trabalho);
        std::copy_n(T.dados(), Nx, Tant.dados());
        guardar_nivel(m);
    }
    return perfis;
}

Tabela tabela_perfis(const std::vector<Perfil>& perfis) {
    Tabela tabela("perfis", "Perfis T(x) contra o campo exato nos mesmos nós, |T_exata - T| [ºC]:");
    tabela.coluna("t pedido [s]", 9);
    tabela.coluna("nível", 5);
    tabela.coluna("t [s]", 9);
    tabela.coluna("máximo", 9);
    tabela.coluna("em x [m]", 9);
    tabela.coluna("rms", 9);
    for (const Perfil& p : perfis) {
        double maximo = 0.0, onde = 0.0, soma = 0.0;
        for (std::size_t j = 0; j < p.T.size(); ++j) {
            const double erro = std::fabs(p.exato[j] - p.T[j]);
            if (std::isnan(erro) || erro > maximo) {
                maximo = erro;
                onde = p.x[j];
            }
            soma += erro * erro;
        }
        tabela.linha({celula_real(p.t_pedido), celula_inteiro(p.nivel), celula_real(p.t), celula_real(maximo),
                      celula_real(onde), celula_real(std::sqrt(soma / static_cast<double>(p.T.size())))});
    }
    return tabela;
}

std::string texto_arquivo_perfis(const Caso& caso, double F, const std::vector<Perfil>& perfis) {
    std::string texto =
        "# Perfis de temperatura de difusao_calor no caso de entradas_geral.ent, contra o campo exato\n"
        "# index 1 em diante: um bloco por perfil, colunas: 1 x [m], 2 T [ºC], 3 T exata [ºC],\n"
        "#   4 T exata - T [ºC], 5 t [s]\n";
    texto += bloco_do_caso(caso.theta, caso.Nx, caso.Nt, F);
    for (const Perfil& p : perfis) {
        texto += juntar("\n\n# t = ", real(p.t, 6), " s (nível ", std::to_string(p.nivel), ")\n");
        for (std::size_t j = 0; j < p.T.size(); ++j)
            texto += juntar(real(p.x[j], 10), " ", real(p.T[j], 10), " ", real(p.exato[j], 10), " ",
                            real(p.exato[j] - p.T[j], 10), " ", real(p.t, 10), "\n");
    }
    return texto;
}

}  // namespace estudo
