#include "relatorio.hpp"

#include <cmath>
#include <cstdio>
#include <string_view>

namespace estudo {

namespace {

std::string nao_finito(double valor) {
    if (std::isnan(valor)) return "nan";
    return valor > 0 ? "inf" : "-inf";
}

std::string com_formato(const char* formato, double valor) {
    if (!std::isfinite(valor)) return nao_finito(valor);
    char texto[64];
    std::snprintf(texto, sizeof texto, formato, valor);
    return texto;
}

// Short form of an input datum: 600, 0.5, 1.2e-05.
std::string curto(double valor) { return com_formato("%g", valor); }

// Observed orders: two decimals (no "-0.00"), '-' where there is no order.
std::string ordem(double p) {
    if (!std::isfinite(p)) return "-";
    return com_formato("%.2f", std::fabs(p) < 0.005 ? 0.0 : p);
}

// Columns a UTF-8 text takes: continuation bytes take none.
std::size_t colunas(std::string_view texto) {
    std::size_t total = 0;
    for (char c : texto) total += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return total;
}

// Padded with blanks to `largura` columns, on the left or on the right.
std::string direita(std::string_view texto, std::size_t largura) {
    const std::size_t usadas = colunas(texto);
    return std::string(largura > usadas ? largura - usadas : 0, ' ') + std::string(texto);
}
std::string esquerda(std::string_view texto, std::size_t largura) {
    const std::size_t usadas = colunas(texto);
    return std::string(texto) + std::string(largura > usadas ? largura - usadas : 0, ' ');
}

std::string titulo(Refinamento tipo) {
    switch (tipo) {
        case Refinamento::espaco_e_tempo: return "(a) dx e dt divididos por 2 juntos";
        case Refinamento::espaco: return "(b) só dx dividido por 2, dt fixo";
        case Refinamento::tempo: return "(c) só dt dividido por 2, dx fixo";
    }
    return {};
}

std::string nome_esquema(double theta) {
    if (theta == 0.0) return "explícito";
    if (theta == 0.5) return "Crank-Nicolson";
    if (theta == 1.0) return "implícito";
    return "theta = " + curto(theta);
}

// Errors of one history in the series, with the orders between successive
// levels: `qual` picks the history (mean or middle node) of a level.
template <typename Historia>
std::string tabela_de_erros(const std::vector<Nivel>& niveis, std::string_view cabeca, Historia qual) {
    std::string texto(cabeca);
    texto += direita("nível", 6) + direita("Nx", 11) + direita("Nt", 11) + direita("F", 11) + direita("estável", 9) +
             direita("máximo", 11) + direita("p", 8) + direita("rms", 11) + direita("p", 8) + direita("final", 11) +
             direita("p", 8) + "\n";
    for (std::size_t j = 0; j < niveis.size(); ++j) {
        const Nivel& nivel = niveis[j];
        const Erros& e = qual(nivel);
        std::string p_max = "-", p_rms = "-", p_final = "-";
        if (j > 0) {
            const Erros& g = qual(niveis[j - 1]);
            p_max = ordem(ordem_observada(g.maximo, e.maximo));
            p_rms = ordem(ordem_observada(g.rms, e.rms));
            p_final = ordem(ordem_observada(g.final, e.final));
        }
        texto += direita(std::to_string(j + 1), 6) + direita(std::to_string(nivel.malha.Nx), 11) +
                 direita(std::to_string(nivel.malha.Nt), 11) + direita(real(nivel.F), 11) +
                 direita(nivel.estavel ? "sim" : "não", 9) + direita(real(e.maximo), 11) + direita(p_max, 8) +
                 direita(real(e.rms), 11) + direita(p_rms, 8) + direita(real(std::fabs(e.final)), 11) +
                 direita(p_final, 8) + "\n";
    }
    return texto;
}

// Orders from three successive signed final errors, when the other step is
// fixed and the part of the error it makes is the same on every level.
template <typename Historia>
std::string ordens_por_diferencas(const std::vector<Nivel>& niveis, Historia qual) {
    std::string texto;
    for (std::size_t j = 2; j < niveis.size(); ++j)
        texto += " " + ordem(ordem_por_diferencas(qual(niveis[j - 2]).final, qual(niveis[j - 1]).final,
                                                   qual(niveis[j]).final));
    return texto;
}

const Erros& da_media(const Nivel& nivel) { return nivel.media; }
const Erros& do_meio(const Nivel& nivel) { return nivel.meio; }

std::string linha_de_dados(std::size_t indice, const Nivel& nivel, const Nivel* grosso) {
    std::string linha = std::to_string(indice + 1) + " " + std::to_string(nivel.malha.Nx) + " " +
                        std::to_string(nivel.malha.Nt) + " " + real(nivel.dx, 8) + " " + real(nivel.dt, 8) + " " +
                        real(nivel.F, 8) + " " + (nivel.estavel ? "1" : "0");
    for (const Erros Nivel::*historia : {&Nivel::media, &Nivel::meio}) {
        const Erros& e = nivel.*historia;
        linha += " " + real(e.maximo, 8) + " " + real(e.rms, 8) + " " + real(std::fabs(e.final), 8);
        const double nada = std::nan("");
        const Erros* g = grosso ? &(grosso->*historia) : nullptr;
        for (double p : {g ? ordem_observada(g->maximo, e.maximo) : nada, g ? ordem_observada(g->rms, e.rms) : nada,
                         g ? ordem_observada(g->final, e.final) : nada})
            linha += " " + com_formato("%.6f", p);
    }
    return linha + "\n";
}

std::string descricao_do_caso(const Caso& caso) {
    return "Lx = " + curto(caso.Lx) + " m, Nx = " + std::to_string(caso.Nx) + ", tf = " + curto(caso.tf) +
           " s, Nt = " + std::to_string(caso.Nt) + ", Ti = " + curto(caso.Ti) + " ºC, theta = " + curto(caso.theta) +
           ", k = " + curto(caso.k) + " W/m*K, ro = " + curto(caso.ro) + " kg/m3, cp = " + curto(caso.cp) +
           " J/kg*K";
}

}  // namespace

std::string real(double valor, int casas) {
    if (!std::isfinite(valor)) return nao_finito(valor);
    char texto[64];
    std::snprintf(texto, sizeof texto, "%.*e", casas, valor);
    return texto;
}

std::string texto_caso(const Caso& caso, double alpha, double dx, double dt) {
    return "Caso de entradas_geral.ent\n"
           "  Lx = " + curto(caso.Lx) + " m, Nx = " + std::to_string(caso.Nx) + ", tf = " + curto(caso.tf) +
           " s, Nt = " + std::to_string(caso.Nt) + ", Ti = " + curto(caso.Ti) + " ºC, theta = " + curto(caso.theta) +
           "\n  k = " + curto(caso.k) + " W/m*K, ro = " + curto(caso.ro) + " kg/m3, cp = " + curto(caso.cp) +
           " J/kg*K, alpha = k/(ro cp) = " + real(alpha) + " m2/s\n  dx = " + real(dx) + " m, dt = " + real(dt) +
           " s\n";
}

std::string texto_estabilidade(double theta, double F) {
    std::string texto = "Número de Fourier da malha: F = alpha dt/dx² = " + real(F) + "\n";
    const double limite = limite_fourier(theta);
    if (std::isnan(limite)) return texto + "Estabilidade: theta não é um número, sem veredito\n";
    if (std::isinf(limite)) return texto + "Estabilidade: theta >= 1/2, incondicionalmente estável\n";
    texto += "Estabilidade: (1 - 2 theta) F <= 1/2, isto é F <= " + real(limite) + ": ";
    return texto + (estavel(theta, F) ? "dentro do limite, estável\n"
                                      : "FORA do limite, instável (oscilações de nó a nó crescem a cada passo)\n");
}

std::string texto_amplificacao(const Amplificacao& fator, std::int32_t passos) {
    const double razao = fator.discreto / fator.exato;
    return "Fator de amplificação do modo sin(pi x/Lx) em um passo de tempo, s = sin(pi dx/(2 Lx)):\n"
           "  A = (1 - 4(1 - theta) F s²)/(1 + 4 theta F s²) = " + real(fator.discreto, 12) +
           "  (esquema theta)\n"
           "  exp(-4 F s²)                                  = " + real(fator.semidiscreto, 12) +
           "  (espaço discreto, tempo exato)\n"
           "  exp(-pi² alpha dt/Lx²)                        = " + real(fator.exato, 12) +
           "  (exato)\n"
           "  A/exato - 1 = " + real(razao - 1.0) + ": tempo A/exp(-4 F s²) - 1 = " +
           real(fator.discreto / fator.semidiscreto - 1.0) + ", espaço exp(-4 F s²)/exato - 1 = " +
           real(fator.semidiscreto / fator.exato - 1.0) + "\n  após Nt = " + std::to_string(passos) +
           " passos: (A/exato)^Nt - 1 = " + real(std::pow(razao, static_cast<double>(passos)) - 1.0) +
           " (erro relativo do modo em t = tf)\n";
}

std::string texto_serie(const Serie& serie) {
    std::string texto = "Refinamento " + titulo(serie.tipo) + "\n\n";
    texto += tabela_de_erros(serie.niveis, "Temperatura média, erro |Tm_an - Tm| [ºC]:\n", da_media);
    texto += tabela_de_erros(serie.niveis, "\nTemperatura no nó do meio, erro |Tmeio_an - Tmeio| [ºC]:\n", do_meio);
    if (serie.tipo != Refinamento::espaco_e_tempo && serie.niveis.size() >= 3) {
        texto += serie.tipo == Refinamento::tempo
                     ? "\nOrdem no tempo pelas diferenças do erro final (o erro de espaço, o mesmo em todos os níveis, se "
                       "cancela):\n"
                     : "\nOrdem no espaço pelas diferenças do erro final (o erro de tempo, o mesmo em todos os níveis, se "
                       "cancela):\n";
        texto += "  média:" + ordens_por_diferencas(serie.niveis, da_media) +
                 "   meio:" + ordens_por_diferencas(serie.niveis, do_meio) + "\n";
    }
    return texto;
}

std::string texto_arquivo_convergencia(const Caso& caso, const std::vector<Serie>& series) {
    std::string texto =
        "# Estudo de convergência de difusao_calor: erros contra a solução exata em malhas refinadas\n"
        "# caso: " + descricao_do_caso(caso) + "\n"
        "# colunas: 1 nível, 2 Nx, 3 Nt, 4 dx [m], 5 dt [s], 6 F = alpha dt/dx², 7 estável (1 sim, 0 não),\n"
        "#   8 máx |Tm_an - Tm|, 9 rms |Tm_an - Tm|, 10 |Tm_an - Tm| em t = tf [ºC],\n"
        "#   11 a 13 ordens observadas p = log2(e_grosso/e_fino) das colunas 8 a 10 (nan no primeiro nível),\n"
        "#   14 máx |Tmeio_an - Tmeio|, 15 rms |Tmeio_an - Tmeio|, 16 |Tmeio_an - Tmeio| em t = tf [ºC],\n"
        "#   17 a 19 ordens observadas das colunas 14 a 16\n"
        "# um bloco por refinamento, separados por duas linhas em branco (index do gnuplot):\n";
    for (std::size_t b = 0; b < series.size(); ++b)
        texto += "#   index " + std::to_string(b) + ": " + titulo(series[b].tipo) + "\n";
    for (std::size_t b = 0; b < series.size(); ++b) {
        texto += (b == 0 ? "\n# " : "\n\n\n# ") + titulo(series[b].tipo) + "\n";
        const std::vector<Nivel>& niveis = series[b].niveis;
        for (std::size_t j = 0; j < niveis.size(); ++j)
            texto += linha_de_dados(j, niveis[j], j > 0 ? &niveis[j - 1] : nullptr);
    }
    return texto;
}

std::string texto_comparacao(const std::vector<Esquema>& esquemas) {
    std::string texto = "Comparação dos esquemas na malha da entrada\n";
    texto += direita("theta", 6) + "  " + esquerda("esquema", 16) + direita("F", 10) + direita("estável", 9) +
             direita("A/exato - 1", 13) + direita("máx|Tm_an-Tm|", 15) + direita("final", 11) +
             direita("máx|Tmeio_an-Tmeio|", 21) + direita("final", 11) + "\n";
    for (const Esquema& e : esquemas) {
        texto += direita(curto(e.theta), 6) + "  " + esquerda(nome_esquema(e.theta), 16) + direita(real(e.nivel.F), 10) +
                 direita(e.nivel.estavel ? "sim" : "não", 9) +
                 direita(real(e.amplificacao.discreto / e.amplificacao.exato - 1.0), 13) +
                 direita(real(e.nivel.media.maximo), 15) + direita(real(std::fabs(e.nivel.media.final)), 11) +
                 direita(real(e.nivel.meio.maximo), 21) + direita(real(std::fabs(e.nivel.meio.final)), 11) + "\n";
    }
    return texto;
}

std::string cabecalho_arquivo_comparacao(const Caso& caso, const std::vector<Esquema>& esquemas) {
    std::string texto =
        "# Temperatura média da placa pelos esquemas theta, na malha de entradas_geral.ent, e a solução exata\n"
        "# caso: " + descricao_do_caso(caso) + "\n"
        "# colunas: 1 tempo [s], 2 Tm exata [ºC]";
    int coluna = 3;
    for (const Esquema& e : esquemas)
        texto += ", " + std::to_string(coluna++) + " Tm theta = " + curto(e.theta) + " (" + nome_esquema(e.theta) + ")";
    return texto + "\n";
}

std::string linha_comparacao(double tempo, double exata, std::span<const double> medias) {
    std::string linha = real(tempo, 10) + " " + real(exata, 10);
    for (double media : medias) linha += " " + real(media, 10);
    return linha + "\n";
}

}  // namespace estudo
