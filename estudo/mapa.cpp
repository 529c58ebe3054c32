#include "mapa.hpp"

#include <algorithm>
#include <cmath>

#include "afirmacoes.hpp"
#include "relatorio.hpp"

namespace estudo {

std::vector<PassoMapa> passos_do_mapa(const Caso& caso, double alpha, double dx) {
    std::vector<PassoMapa> passos;
    const int total = static_cast<int>(std::lround(std::log10(mapa_F_maximo / mapa_F_minimo))) * mapa_pontos_por_decada;
    for (int j = 0; j <= total; ++j) {
        const double F = mapa_F_minimo * std::pow(10.0, static_cast<double>(j) / mapa_pontos_por_decada);
        const double passos_reais = std::round(alpha * caso.tf / (F * dx * dx));
        if (!(passos_reais <= static_cast<double>(variaveis::maior_contagem))) continue;  // also a NaN
        const auto Nt = static_cast<std::int32_t>(std::max(1.0, passos_reais));
        if (!passos.empty() && passos.back().Nt == Nt) continue;
        passos.push_back({F, Nt});
    }
    return passos;
}

std::vector<std::pair<Caso, Malha>> corridas_do_mapa(const Caso& caso, const std::vector<double>& thetas,
                                                     const std::vector<PassoMapa>& passos) {
    std::vector<std::pair<Caso, Malha>> corridas;
    for (double theta : thetas)
        for (const PassoMapa& passo : passos) {
            Caso c = caso;
            c.theta = theta;
            corridas.push_back({c, {caso.Nx, passo.Nt}});
        }
    return corridas;
}

Mapa montar_mapa(const std::vector<double>& thetas, const std::vector<PassoMapa>& passos,
                 const std::vector<Nivel>& niveis) {
    Mapa mapa{thetas, passos, {}};
    for (std::size_t j = 0; j < niveis.size(); ++j) {
        const double theta = thetas[j / passos.size()];
        mapa.pontos.push_back({theta, passos[j % passos.size()], niveis[j]});
    }
    return mapa;
}

std::string veredito_do_ponto(const Nivel& nivel) {
    switch (estado_do_ponto(nivel)) {
        case EstadoDoPonto::instavel: return "instável";
        case EstadoDoPonto::oscila: return "oscila";
        case EstadoDoPonto::estavel: break;
    }
    return "estável";
}

Tabela tabela_mapa(const Mapa& mapa) {
    Tabela tabela("mapa", "Mapa de precisão e estabilidade: erro máximo nó a nó em t = tf [ºC] de cada theta e o veredito\n"
                          "(oscila: estável, mas a meia senoide troca de sinal a cada passo):");
    tabela.coluna("F", 9);
    tabela.coluna("Nt", 6);
    tabela.coluna("dt [s]", 9);
    for (double theta : mapa.thetas) {
        const std::string nome = juntar("theta = ", curto(theta));
        tabela.coluna(nome, 9, false, juntar("erro com ", nome));
        tabela.coluna("veredito", 8, false, juntar("veredito com ", nome));
    }
    for (std::size_t f = 0; f < mapa.passos.size(); ++f) {
        const Nivel& primeiro = mapa.ponto(0, f).nivel;
        std::vector<Celula> linha{celula_real(primeiro.F), celula_inteiro(primeiro.malha.Nt), celula_real(primeiro.dt)};
        for (std::size_t th = 0; th < mapa.thetas.size(); ++th) {
            const Nivel& nivel = mapa.ponto(th, f).nivel;
            linha.push_back(celula_real(nivel.campo.maximo));
            linha.push_back(celula_texto(veredito_do_ponto(nivel)));
        }
        tabela.linha(std::move(linha));
    }
    return tabela;
}

std::string texto_arquivo_mapa(const Caso& caso, double F, const Mapa& mapa) {
    std::string texto =
        "# Mapa de precisão e estabilidade de difusao_calor: o caso de entradas_geral.ent com dx fixo e dt\n"
        "# (Nt) escolhido para cada F, para cada theta\n"
        "# index 1 em diante: um bloco por theta, colunas: 1 F, 2 Nt, 3 dt [s], 4 estável nesta malha (1 sim, 0 não),\n"
        "#   5 máx nó a nó de |T_exata - T| em t = tf [ºC], 6 fator do modo mais alto da malha, 7 theta,\n"
        "#   8 limite de F com a malha refinada, 9 limite de F nesta malha, 10 fator da meia senoide (negativo:\n"
        "#   a solução troca de sinal a cada passo)\n";
    if (!mapa.passos.empty()) {
        const Nivel& primeiro = mapa.ponto(0, 0).nivel;
        const Nivel& ultimo = mapa.ponto(0, mapa.passos.size() - 1).nivel;
        texto += juntar("# F rodado: de ", real(primeiro.F), " (Nt = ", std::to_string(primeiro.malha.Nt), ") a ",
                        real(ultimo.F), " (Nt = ", std::to_string(ultimo.malha.Nt), ")\n");
    }
    texto += bloco_do_caso(caso.theta, caso.Nx, caso.Nt, F);
    for (std::size_t th = 0; th < mapa.thetas.size(); ++th) {
        texto += juntar("\n\n# theta = ", curto(mapa.thetas[th]), "\n");
        for (std::size_t f = 0; f < mapa.passos.size(); ++f) {
            const PontoMapa& p = mapa.ponto(th, f);
            const Nivel& n = p.nivel;
            texto += juntar(real(n.F, 8), " ", std::to_string(n.malha.Nt), " ", real(n.dt, 8), " ", n.estavel ? "1" : "0",
                            " ", real(n.campo.maximo, 8), " ", real(n.fator_pior, 8), " ", real(p.theta, 8), " ",
                            real(limite_fourier(p.theta), 8), " ", real(limite_fourier_malha(p.theta, n.malha.Nx), 8),
                            " ", real(n.fator_meia, 8), "\n");
        }
    }
    return texto;
}

}  // namespace estudo
