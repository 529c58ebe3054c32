#include "mapa.hpp"

#include <algorithm>
#include <cmath>

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
        mapa.pontos.push_back({theta, passos[j % passos.size()], niveis[j], fator_pior_modo(theta, niveis[j].F, niveis[j].malha.Nx)});
    }
    return mapa;
}

Tabela tabela_mapa(const Mapa& mapa) {
    Tabela tabela("mapa", "Mapa de precisão e estabilidade: erro máximo nó a nó em t = tf [ºC] e veredito do limite:");
    tabela.coluna("F", 9);
    tabela.coluna("Nt", 6);
    tabela.coluna("dt [s]", 9);
    for (double theta : mapa.thetas) {
        tabela.coluna(juntar("erro, theta = ", curto(theta)), 9);
        tabela.coluna("estável", 7);
    }
    for (std::size_t f = 0; f < mapa.passos.size(); ++f) {
        const Nivel& primeiro = mapa.ponto(0, f).nivel;
        std::vector<Celula> linha{celula_real(primeiro.F), celula_inteiro(primeiro.malha.Nt), celula_real(primeiro.dt)};
        for (std::size_t th = 0; th < mapa.thetas.size(); ++th) {
            const Nivel& nivel = mapa.ponto(th, f).nivel;
            linha.push_back(celula_real(nivel.campo.maximo));
            linha.push_back(celula_texto(nivel.estavel ? "sim" : "não"));
        }
        tabela.linha(std::move(linha));
    }
    return tabela;
}

std::string leitura_mapa(const Mapa& mapa) {
    std::string texto =
        "Leitura: com dx fixo, F cresce com dt. Para theta >= 1/2 nenhum F é instável, mas o erro cresce\n"
        "com dt (Crank-Nicolson como dt², o implícito como dt). Para theta < 1/2 o pior modo, a oscilação\n"
        "de nó a nó, cresce por passo quando F passa do limite 1/(2(1 - 2 theta)): o erro explode assim que\n"
        "há passos bastantes para o arredondamento crescer.\n";
    for (std::size_t th = 0; th < mapa.thetas.size(); ++th) {
        const double theta = mapa.thetas[th];
        if (!(theta < 0.5)) continue;
        texto += juntar("Limite para theta = ", curto(theta), ": F <= ", real(limite_fourier(theta)), ".");
        // The first unstable point whose steps are too few for round-off to
        // have grown: its error has not exploded yet.
        for (std::size_t f = 0; f < mapa.passos.size(); ++f) {
            const PontoMapa& p = mapa.ponto(th, f);
            const double passos = passos_para_crescer(p.pior, crescimento_do_ruido);
            if (p.nivel.estavel || !(p.nivel.malha.Nt < passos)) continue;
            texto += juntar("\nEm F = ", real(p.nivel.F), ", já instável, o pior modo cresce ", real(std::fabs(p.pior)),
                            " vezes por passo e o arredondamento\nprecisa de ",
                            std::to_string(static_cast<long long>(std::ceil(passos))),
                            " passos para crescer 10^10 vezes: com Nt = ", std::to_string(p.nivel.malha.Nt),
                            " o erro ainda não explodiu.");
            break;
        }
        texto += "\n";
    }
    return texto;
}

std::string texto_arquivo_mapa(const Caso& caso, double F, const Mapa& mapa) {
    std::string texto =
        "# Mapa de precisão e estabilidade de difusao_calor: o caso de entradas_geral.ent com dx fixo e dt\n"
        "# (Nt) escolhido para cada F, para cada theta\n"
        "# index 1 em diante: um bloco por theta, colunas: 1 F, 2 Nt, 3 dt [s], 4 estável (1 sim, 0 não),\n"
        "#   5 máx nó a nó de |T_exata - T| em t = tf [ºC], 6 fator do pior modo, 7 theta, 8 limite de F\n";
    texto += bloco_do_caso(caso.theta, caso.Nx, caso.Nt, F);
    for (std::size_t th = 0; th < mapa.thetas.size(); ++th) {
        texto += juntar("\n\n# theta = ", curto(mapa.thetas[th]), "\n");
        for (std::size_t f = 0; f < mapa.passos.size(); ++f) {
            const PontoMapa& p = mapa.ponto(th, f);
            texto += juntar(real(p.nivel.F, 8), " ", std::to_string(p.nivel.malha.Nt), " ", real(p.nivel.dt, 8), " ",
                            p.nivel.estavel ? "1" : "0", " ", real(p.nivel.campo.maximo, 8), " ", real(p.pior, 8), " ",
                            real(p.theta, 8), " ", real(limite_fourier(p.theta), 8), "\n");
        }
    }
    return texto;
}

}  // namespace estudo
