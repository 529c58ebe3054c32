// The convergence study: stability bound and amplification against real runs,
// the orders of accuracy of the three schemes and where an order is refused,
// the map against direct runs, threaded runs against one thread, the refined
// grids and their guards, the command line, and the program itself in a
// scratch folder (the input explainer among its modes).
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <numbers>
#include <ostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "afirmacoes.hpp"
#include "convergencia.hpp"
#include "estado_limpo.hpp"
#include "mapa.hpp"
#include "nucleo/coeficientes.hpp"
#include "nucleo/processamento.hpp"
#include "nucleo/solver.hpp"
#include "nucleo/variaveis.hpp"
#include "opcoes.hpp"
#include "paralelo.hpp"
#include "principal.hpp"
#include "processo.hpp"
#include "servicos/base/deteccao.hpp"
#include "servicos/elementares/elementares.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/plataforma/plataforma.hpp"

namespace {

using namespace estudo;

// The shipped example: Lx = 1, Nx = 21, tf = 600, Nt = 600, Ti = 100,
// theta = 0.5, k = 45, ro = 800, cp = 460 (F = 0.0489).
Caso exemplo(double theta = 0.5) {
    Caso caso;
    caso.Lx = 1.0;
    caso.Nx = 21;
    caso.tf = 600.0;
    caso.Nt = 600;
    caso.Ti = 100.0;
    caso.theta = theta;
    caso.k = 45.0;
    caso.ro = 800.0;
    caso.cp = 460.0;
    return caso;
}

class Estudo : public EstadoLimpo {
protected:
    static std::vector<Nivel> refinar(const Caso& caso, Refinamento tipo, int niveis) {
        std::vector<Nivel> resultado;
        for (int nivel = 0; nivel < niveis; ++nivel) {
            const std::optional<Malha> malha = malha_do_nivel(tipo, {caso.Nx, caso.Nt}, nivel);
            EXPECT_TRUE(malha.has_value());
            if (malha) resultado.push_back(executar_nivel(caso, *malha));
        }
        return resultado;
    }
};

// ---------------------------------------------------------------------------
// Stability: the verdicts flip at their bounds themselves, F = 1/(2(1 - 2
// theta)) for every refinement and 1/(2(1 - 2 theta) cos²(pi/(2(Nx - 1))))
// on a grid of Nx nodes, whose highest mode is then at A = -1.

TEST(Estabilidade, VereditoMudaExatamenteNoLimite) {
    for (double theta : {-0.5, 0.0, 0.1, 0.25, 0.4, 0.49}) {
        SCOPED_TRACE(testing::Message() << "theta " << theta);
        const double limite = limite_fourier(theta);
        EXPECT_NEAR(limite, 1.0 / (2.0 * (1.0 - 2.0 * theta)), 1e-15 * limite);
        EXPECT_TRUE(estavel(theta, limite));
        EXPECT_TRUE(estavel(theta, std::nextafter(limite, 0.0)));
        EXPECT_FALSE(estavel(theta, std::nextafter(limite, 1e300)));
        for (std::int32_t Nx : {3, 5, 21, 1001}) {
            SCOPED_TRACE(testing::Message() << "Nx " << Nx);
            const double na_malha = limite_fourier_malha(theta, Nx);
            const double c = std::cos(std::numbers::pi / (2.0 * (Nx - 1)));
            EXPECT_NEAR(na_malha, limite / (c * c), 1e-14 * na_malha);
            EXPECT_NEAR(fator_pior_modo(theta, na_malha, Nx), -1.0, 1e-14);
            EXPECT_TRUE(estavel_na_malha(theta, na_malha, Nx));
            EXPECT_FALSE(estavel_na_malha(theta, std::nextafter(na_malha, 1e300), Nx));
        }
    }
    for (double theta : {0.5, 0.75, 1.0, 2.0}) {
        EXPECT_TRUE(estavel(theta, 1e300)) << "theta " << theta;
        EXPECT_TRUE(estavel_na_malha(theta, 1e300, 21)) << "theta " << theta;
    }
    // A negative F (a negative conductivity) runs the heat equation backwards.
    EXPECT_FALSE(estavel_na_malha(1.0, -0.1, 21));
}

// ---------------------------------------------------------------------------
// The modes of the grid against the program's own runs. The half sine is an
// eigenvector of the scheme, so a real run multiplies it by A at every step
// and ends exactly at Ti sin(pi x_i/Lx) A^Nt; the highest mode of the grid,
// put in as the field, comes out of one step of the program's routines
// multiplied by its own factor. The verdicts, the step counts for round-off
// to grow 10^10 times and the signs follow from those two factors.

constexpr double nunca = std::numeric_limits<double>::infinity();

struct CasoModos {
    const char* nome;
    Caso caso;
    double F;
    double A_meia, A_pior;  // to the digits given
    Comportamento meia, pior;
    bool estavel_malha, estavel_refinada;
    double passos;            // for round-off in the highest mode to grow 10^10 times
    double meio_final = 0.0;  // Tmeio(Nt) where a reference gives it (0: none)
};

void PrintTo(const CasoModos& c, std::ostream* saida) { *saida << c.nome; }

Caso caso_de(double Lx, std::int32_t Nx, double tf, std::int32_t Nt, double Ti, double theta, double k, double ro,
             double cp) {
    Caso caso;
    caso.Lx = Lx;
    caso.Nx = Nx;
    caso.tf = tf;
    caso.Nt = Nt;
    caso.Ti = Ti;
    caso.theta = theta;
    caso.k = k;
    caso.ro = ro;
    caso.cp = cp;
    return caso;
}

// The factor of the grid's highest mode, sin((Nx - 2) pi x/Lx), through one
// step of the program's routines: the smallest and largest T/Tant over the
// interior nodes.
std::pair<double, double> fator_do_modo_mais_alto_na_corrida(const Caso& caso) {
    using namespace variaveis;
    const servicos::base::deteccao::Retencao retida;
    colocar_no_estado(caso, {caso.Nx, caso.Nt});
    principal::preparar_laco();
    for (std::int32_t j = 1; j <= Nx; ++j) Tant(j) = std::sin((Nx - 2) * std::numbers::pi * (j - 1.0) / (Nx - 1.0));
    n = 1;
    coeficientes::termo_fonte();
    solver::tdma(aP, aW, aE, bP, T, Nx);
    double menor = std::numeric_limits<double>::infinity(), maior = -menor;
    for (std::int32_t j = 2; j < Nx; ++j) {
        menor = std::min(menor, T(j) / Tant(j));
        maior = std::max(maior, T(j) / Tant(j));
    }
    return {menor, maior};
}

class Modos : public Estudo, public ::testing::WithParamInterface<CasoModos> {};

TEST_P(Modos, FatoresVereditosEPassosConferemComAsCorridas) {
    const CasoModos& c = GetParam();
    const Nivel nivel = executar_nivel(c.caso, {c.caso.Nx, c.caso.Nt});
    using namespace variaveis;
    const Estabilidade e = estabilidade(theta, alpha, dt, dx, Lx, Nx, Nt);
    EXPECT_NEAR(e.F, c.F, 1e-6 * c.F);
    EXPECT_NEAR(e.meia_senoide.discreto, c.A_meia, 1e-6 * std::fabs(c.A_meia));
    EXPECT_NEAR(e.pior, c.A_pior, 1e-6 * std::fabs(c.A_pior));
    EXPECT_EQ(comportamento(e.meia_senoide.discreto), c.meia);
    EXPECT_EQ(comportamento(e.pior), c.pior);
    EXPECT_EQ(e.estavel_malha, c.estavel_malha);
    EXPECT_EQ(nivel.estavel, c.estavel_malha);
    EXPECT_EQ(e.estavel, c.estavel_refinada);
    if (std::isinf(c.passos)) {
        EXPECT_TRUE(std::isinf(e.passos_ruido)) << e.passos_ruido;
    } else {
        EXPECT_NEAR(e.passos_ruido, c.passos, 1e-5 * c.passos);
    }
    // The run: the middle node is multiplied by A at every step (as long as
    // the round-off in the other modes, which shrink slower or grow, stays
    // small beside it), and its error at tf is the mode's, 1 - (A/exact)^Nt
    // of the exact value.
    const double A = e.meia_senoide.discreto;
    const double mais_lento = std::max(1.0, std::fabs(e.pior / A));
    for (n = 1; n <= Nt; ++n) {
        const double ruido = 1e-14 * std::pow(mais_lento, n);
        if (ruido > 1e-6) break;
        ASSERT_NEAR(Tmeio(n) / Tmeio(n - 1), A, (1e-12 + ruido) * std::fabs(A)) << "step " << n;
    }
    if (std::pow(mais_lento, Nt) < 1e8) {
        const double analitico = Tmeio(0) * std::pow(e.meia_senoide.exato, Nt);
        const double previsto = 1.0 - std::pow(A / e.meia_senoide.exato, Nt);
        EXPECT_NEAR(nivel.meio.final / analitico, previsto, 1e-7 * std::max(1.0, std::fabs(previsto)));
    }
    if (c.meio_final != 0.0) {
        EXPECT_NEAR(Tmeio(Nt), c.meio_final, 5e-9);
    }
    // The highest mode through one step of the program's routines.
    const auto [menor, maior] = fator_do_modo_mais_alto_na_corrida(c.caso);
    EXPECT_NEAR(menor, e.pior, 1e-9 * std::fabs(e.pior));
    EXPECT_NEAR(maior, e.pior, 1e-9 * std::fabs(e.pior));
}

using C = Comportamento;
INSTANTIATE_TEST_SUITE_P(
    Estudo, Modos,
    ::testing::Values(
        // The example with the three schemes: everything decays.
        CasoModos{"ExemploExplicito", exemplo(0.0), 0.04891304, 0.9987956, 0.8055522, C::decai, C::decai, true, true,
                  nunca},
        CasoModos{"ExemploCrankNicolson", exemplo(0.5), 0.04891304, 0.9987963, 0.822782, C::decai, C::decai, true,
                  true, nunca},
        CasoModos{"ExemploImplicito", exemplo(1.0), 0.04891304, 0.998797, 0.837207, C::decai, C::decai, true, true,
                  nunca},
        // Past both bounds: the highest mode grows 2.13 times a step.
        CasoModos{"ExplicitoF078", caso_de(1.0, 81, 600.0, 600, 100.0, 0.0, 45.0, 800.0, 460.0), 0.7826087, 0.9987933,
                  -2.129228, C::decai, C::cresce, false, false, 30.4672},
        // Between the bound of refined grids (0.5) and this grid's (0.5858):
        // the highest mode shrinks, changing sign; nothing grows.
        CasoModos{"ExplicitoNx5F055", caso_de(1.0, 5, 13.75, 400, 1.0, 0.0, 1.0, 1.0, 1.0), 0.55, 0.6778175,
                  -0.8778175, C::decai, C::oscila, true, false, nunca},
        // Round-off grows 10^10 times in 106 steps (the node-to-node
        // oscillation, not a mode of the grid, would say 101); in 4014 with
        // theta = 1/4 (it would say 1942).
        CasoModos{"ExplicitoNx21Nt52", caso_de(1.0, 21, 600.0, 52, 100.0, 0.0, 45.0, 800.0, 460.0), 0.5643813,
                  0.9861031, -1.243628, C::decai, C::cresce, false, false, 105.607},
        CasoModos{"ThetaUmQuartoF1012", caso_de(1.0, 21, 0.253, 100, 1.0, 0.25, 1.0, 1.0, 1.0), 1.012, 0.9752355,
                  -1.005754, C::decai, C::cresce, false, false, 4013.42},
        // Crank-Nicolson at F = 25: stable, but the half sine itself changes
        // sign every step.
        CasoModos{"CrankNicolsonF25", caso_de(1.0, 11, 1.0, 4, 1.0, 0.5, 1.0, 1.0, 1.0), 25.0, -0.1005524, -0.9598203,
                  C::oscila, C::oscila, true, true, nunca},
        // The data's own mode grows: the map's points F = 55 and F = 10.
        CasoModos{"ExplicitoF55", caso_de(1.0, 5, 13.75, 4, 1.0, 0.0, 1.0, 1.0, 1.0), 55.0, -31.21825, -186.7817,
                  C::cresce, C::cresce, false, false, 4.4027},
        CasoModos{"ThetaUmQuartoF10", caso_de(1.0, 5, 13.75, 22, 1.0, 0.25, 1.0, 1.0, 1.0), 10.0, -1.37693, -2.580516,
                  C::cresce, C::cresce, false, false, 24.2891},
        // One interior node: its only mode is both the half sine and the highest.
        CasoModos{"TresNos", caso_de(1.0, 3, 1.0, 1, 100.0, 1.0, 1.0, 1.0, 1.0), 4.0, 1.0 / 9.0, 1.0 / 9.0, C::decai,
                  C::decai, true, true, nunca},
        // The textbook's Crank-Nicolson run (h = 0.1, k = 0.01): w(0.5, 0.5) =
        // 0.00745954 against the exact 0.00719188.
        CasoModos{"CrankNicolsonLivro", caso_de(1.0, 11, 0.5, 50, 1.0, 0.5, 1.0, 1.0, 1.0), 1.0, 0.9066804,
                  -0.3222766, C::decai, C::oscila, true, true, nunca, 0.00745954}),
    [](const auto& info) { return std::string(info.param.nome); });

// ---------------------------------------------------------------------------
// Orders of accuracy of the scheme's errors, dx and dt halved together on the
// example: Crank-Nicolson shows 2 in every error; the implicit scheme, first
// order in time, falls from about 1.7 towards 1 as its time error takes over.

struct OrdemConjunta {
    const char* nome;
    double theta;
    std::vector<double> campo;  // orders of the field's largest error at tf
    double tolerancia;
};

class OrdemJunta : public Estudo, public ::testing::WithParamInterface<OrdemConjunta> {};

TEST_P(OrdemJunta, RefinandoDxEDtJuntos) {
    const OrdemConjunta& c = GetParam();
    const std::vector<Nivel> niveis = refinar(exemplo(c.theta), Refinamento::espaco_e_tempo, 4);
    ASSERT_EQ(niveis.size(), c.campo.size() + 1);
    for (std::size_t j = 1; j < niveis.size(); ++j) {
        SCOPED_TRACE(testing::Message() << "level " << j + 1);
        const Nivel &g = niveis[j - 1], &f = niveis[j];
        const Ordem campo = ordem_entre(g, f, g.campo.maximo, f.campo.maximo);
        ASSERT_EQ(campo.veredito, Veredito::ordem);
        EXPECT_NEAR(campo.p, c.campo[j - 1], c.tolerancia);
        // The RMS of the field, the mean and the middle node tell the same.
        for (auto [eg, ef] : {std::pair{g.campo.rms, f.campo.rms}, {g.media.maximo, f.media.maximo},
                              {g.meio.maximo, f.meio.maximo}})
            EXPECT_NEAR(ordem_entre(g, f, eg, ef).p, c.campo[j - 1], 0.05);
    }
}

INSTANTIATE_TEST_SUITE_P(Esquemas, OrdemJunta,
                         ::testing::Values(OrdemConjunta{"CrankNicolson", 0.5, {2.0, 2.0, 2.0}, 0.02},
                                           OrdemConjunta{"Implicito", 1.0, {1.70, 1.55, 1.38}, 0.02}),
                         [](const auto& info) { return std::string(info.param.nome); });

// At a fixed dx, dt alone is halved. The implicit scheme on a fine grid
// (Nx = 401: the time error is about 100 times the space error) shows its
// first order in the errors themselves. The explicit scheme cannot: its time
// error has the opposite sign of its space error and, at every stable F, the
// same size (they cancel at F = 1/6), so there the order comes from the
// differences of successive errors, in which the fixed space error cancels.
struct OrdemNoTempo {
    const char* nome;
    double theta;
    std::int32_t Nx;
    bool por_diferencas;
    double esperada;
};

class OrdemTempo : public Estudo, public ::testing::WithParamInterface<OrdemNoTempo> {};

TEST_P(OrdemTempo, ObservadaRefinandoSoDt) {
    const OrdemNoTempo& c = GetParam();
    Caso caso = exemplo(c.theta);
    caso.Nx = c.Nx;
    const std::vector<Nivel> v = refinar(caso, Refinamento::tempo, 4);
    ASSERT_EQ(v.size(), 4u);
    for (std::size_t j = c.por_diferencas ? 2 : 1; j < v.size(); ++j) {
        SCOPED_TRACE(testing::Message() << "level " << j + 1);
        std::vector<Ordem> ordens;
        if (c.por_diferencas) {
            for (const Erros Nivel::*historia : {&Nivel::media, &Nivel::meio})
                ordens.push_back(ordem_das_diferencas(v[j - 2], v[j - 1], v[j], (v[j - 2].*historia).final,
                                                      (v[j - 1].*historia).final, (v[j].*historia).final));
        } else {
            ordens.push_back(ordem_entre(v[j - 1], v[j], v[j - 1].campo.maximo, v[j].campo.maximo));
            ordens.push_back(ordem_entre(v[j - 1], v[j], v[j - 1].media.maximo, v[j].media.maximo));
        }
        for (const Ordem& o : ordens) {
            ASSERT_EQ(o.veredito, Veredito::ordem);
            EXPECT_NEAR(o.p, c.esperada, 0.1);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Esquemas, OrdemTempo,
                         ::testing::Values(OrdemNoTempo{"ImplicitoMalhaFina", 1.0, 401, false, 1.0},
                                           OrdemNoTempo{"ImplicitoDiferencas", 1.0, 21, true, 1.0},
                                           OrdemNoTempo{"ExplicitoDiferencas", 0.0, 21, true, 1.0},
                                           OrdemNoTempo{"CrankNicolsonDiferencas", 0.5, 21, true, 2.0}),
                         [](const auto& info) { return std::string(info.param.nome); });

// Where no order is printed, and why.
struct CasoVeredito {
    const char* nome;
    bool estavel_grosso, estavel_fino;
    double e_grosso, e_fino;
    Veredito esperado;
    std::int32_t Nx_grosso = 21;
    Motivo motivo = Motivo::nenhum;
};

TEST(Ordens, SoOndeTemSentido) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    constexpr double piso = 1e-12;  // round-off floor of both levels
    const std::vector<CasoVeredito> casos{
        {"quatro vezes menor", true, true, 4e-3, 1e-3, Veredito::ordem},
        {"nivel fino instavel", true, false, 4e-3, 1e-3, Veredito::instavel},
        {"nivel grosso instavel", false, true, 4e-3, 1e-3, Veredito::instavel},
        {"erro nao finito", true, true, 4e-3, nan, Veredito::instavel},
        {"erro infinito", true, true, inf, 1e-3, Veredito::instavel},
        {"no piso", true, true, 4e-3, 5e-12, Veredito::arredondamento},
        {"zero", true, true, 0.0, 0.0, Veredito::arredondamento},
        {"cresce", true, true, 1e-3, 4e-3, Veredito::pre_assintotico, 21, Motivo::cresce},
        {"quase parado", true, true, 1e-3, 0.97e-3, Veredito::pre_assintotico, 21, Motivo::quase_parado},
        // Errors of opposite signs (theta = -0.01, (a): -7.245e-3, +8.904e-4)
        // have no order, whatever log2 of their ratio.
        {"troca de sinal", true, true, -7.245e-3, 8.904e-4, Veredito::pre_assintotico, 21, Motivo::troca_de_sinal},
        // 100 floors up round-off can still move p by 0.014: not to its digits.
        {"a cem pisos", true, true, 4e-3, 1e-10, Veredito::arredondamento},
        // Nx = 2 has no unknown: its zero error is not round-off.
        {"sem no interior", true, true, 1e-15, 7.1, Veredito::sem_no_interior, 2},
    };
    for (const CasoVeredito& c : casos) {
        SCOPED_TRACE(c.nome);
        Nivel grosso, fino;
        grosso.malha = {c.Nx_grosso, 600};
        fino.malha = {2 * c.Nx_grosso - 1, 600};
        grosso.estavel = c.estavel_grosso;
        fino.estavel = c.estavel_fino;
        grosso.piso = fino.piso = piso;
        const Ordem o = ordem_entre(grosso, fino, c.e_grosso, c.e_fino);
        EXPECT_EQ(o.veredito, c.esperado);
        EXPECT_EQ(o.motivo, c.motivo);
        if (c.esperado == Veredito::ordem) {
            EXPECT_DOUBLE_EQ(o.p, 2.0);
        }
    }
    // Differences in round-off give no order either (the signed errors agree
    // to within the floor).
    Nivel n;
    n.malha = {21, 600};
    n.piso = piso;
    EXPECT_EQ(ordem_das_diferencas(n, n, n, 1e-3, 1e-3 + 2e-12, 1e-3 + 3e-12).veredito, Veredito::arredondamento);
    // Differences of opposite signs give no order from three levels either.
    const Ordem alterna = ordem_das_diferencas(n, n, n, 1e-3, 2e-3, 1.4e-3);
    EXPECT_EQ(alterna.veredito, Veredito::pre_assintotico);
    EXPECT_EQ(alterna.motivo, Motivo::troca_de_sinal);
}

// An order is printed as such only where the order of a neighbouring pair of
// levels agrees with it within 10 %; the others stay values, pré-assintótico.
struct CasoConfirmacao {
    const char* nome;
    std::vector<Ordem> ordens;
    std::vector<Veredito> esperados;
    std::vector<Motivo> motivos{};  // when given
};

TEST(Ordens, SoAsQueConcordamComAVizinhaSaoOrdens) {
    const Ordem instavel{Veredito::instavel, std::numeric_limits<double>::quiet_NaN()};
    auto p = [](double valor) { return Ordem{Veredito::ordem, valor}; };
    using V = Veredito;
    const std::vector<CasoConfirmacao> casos{
        {"Crank-Nicolson (a)", {p(2.00), p(2.00), p(2.00)}, {V::ordem, V::ordem, V::ordem}},
        // The implicit scheme's orders drift towards 1, more than 5 % a pair:
        // none is an order yet (and likewise theta = 1 with Nx = 20).
        {"implicito (a)", {p(1.70), p(1.55), p(1.38)}, {V::pre_assintotico, V::pre_assintotico, V::pre_assintotico},
         {Motivo::deriva, Motivo::deriva, Motivo::deriva}},
        {"implicito Nx 20", {p(1.72), p(1.57)}, {V::pre_assintotico, V::pre_assintotico}},
        {"theta 1.01", {p(1.19), p(1.10), p(1.06)}, {V::pre_assintotico, V::ordem, V::ordem},
         {Motivo::deriva, Motivo::nenhum, Motivo::nenhum}},
        // The explicit scheme's errors cancel near F = 1/6.
        {"explicito (a)", {p(2.77), p(3.25), p(-0.95)}, {V::pre_assintotico, V::pre_assintotico, V::pre_assintotico}},
        {"explicito (b)", {p(4.02), instavel, instavel}, {V::pre_assintotico, V::instavel, V::instavel},
         {Motivo::sem_vizinho, Motivo::nenhum, Motivo::nenhum}},
        {"dois niveis", {p(2.00)}, {V::pre_assintotico}, {Motivo::sem_vizinho}},
        {"so o par do meio", {p(3.0), p(2.0), p(2.1)}, {V::pre_assintotico, V::ordem, V::ordem}},
        {"erro parado", {Ordem{V::pre_assintotico, 0.03}, Ordem{V::pre_assintotico, 0.03}},
         {V::pre_assintotico, V::pre_assintotico}},
    };
    for (const CasoConfirmacao& c : casos) {
        SCOPED_TRACE(c.nome);
        const std::vector<Ordem> confirmadas = confirmar_ordens(c.ordens);
        ASSERT_EQ(confirmadas.size(), c.esperados.size());
        for (std::size_t j = 0; j < confirmadas.size(); ++j) {
            EXPECT_EQ(confirmadas[j].veredito, c.esperados[j]) << "pair " << j + 1;
            if (!c.motivos.empty()) {
                EXPECT_EQ(confirmadas[j].motivo, c.motivos[j]) << "pair " << j + 1;
            }
            EXPECT_EQ(std::isnan(confirmadas[j].p), std::isnan(c.ordens[j].p));
            if (!std::isnan(c.ordens[j].p)) {
                EXPECT_EQ(confirmadas[j].p, c.ordens[j].p);  // the value stays
            }
        }
    }
}

// An unstable explicit level ends in huge or non-finite errors, flagged as
// outside the bound, and the run after it is unaffected.
TEST_F(Estudo, NivelInstavelNaoContaminaOSeguinte) {
    Caso caso = exemplo(0.0);
    const Nivel instavel = executar_nivel(caso, {81, 600});  // F = 0.78
    EXPECT_FALSE(instavel.estavel);
    EXPECT_FALSE(instavel.meio.maximo < 1e3 * caso.Ti);
    const Nivel estavel_ = executar_nivel(caso, {21, 600});
    EXPECT_TRUE(estavel_.estavel);
    EXPECT_LT(estavel_.meio.maximo, 0.1);
}

// ---------------------------------------------------------------------------
// Threads: each runs the program's computation on a store of its own, so the
// results are those of one thread bit for bit, unstable levels (infinities,
// NaNs) included.

std::vector<std::uint64_t> bits(const std::vector<Nivel>& niveis) {
    std::vector<std::uint64_t> b;
    for (const Nivel& n : niveis) {
        b.push_back(static_cast<std::uint64_t>(n.malha.Nx));
        b.push_back(static_cast<std::uint64_t>(n.malha.Nt));
        b.push_back(n.estavel);
        for (double v : {n.dx, n.dt, n.F, n.piso, n.campo.maximo, n.campo.rms, n.fator_meia, n.fator_pior, n.x_meio,
                         n.parte_tempo, n.parte_espaco})
            b.push_back(std::bit_cast<std::uint64_t>(v));
        for (const Erros* e : {&n.media, &n.meio, &n.listagem})
            for (double v : {e->maximo, e->rms, e->final, e->t_maximo}) b.push_back(std::bit_cast<std::uint64_t>(v));
    }
    return b;
}

TEST_F(Estudo, FiosDaoOsMesmosBitsQueUmFio) {
    std::vector<std::pair<Caso, Malha>> corridas;
    for (double theta : {0.0, 0.5, 1.0})
        for (Refinamento tipo : {Refinamento::espaco_e_tempo, Refinamento::tempo})
            for (int nivel = 0; nivel < 5; ++nivel)  // explicit (a) level 5 is unstable
                corridas.push_back({exemplo(theta), *malha_do_nivel(tipo, {21, 600}, nivel)});
    const std::vector<std::uint64_t> um_fio = bits(executar_niveis(corridas, 1, false));
    for (int fios : {2, 4}) EXPECT_EQ(bits(executar_niveis(corridas, fios, false)), um_fio) << fios << " threads";
    // The runs shared by the refinements (their first level) are computed
    // once and handed to each of them: the same as every run on its own.
    std::vector<Nivel> cada_uma;
    for (const auto& [caso, malha] : corridas) cada_uma.push_back(executar_nivel(caso, malha));
    EXPECT_EQ(bits(cada_uma), um_fio);
}

// ---------------------------------------------------------------------------
// The map: every point's verdict is the worst mode's, at the F its steps give,
// and its error at a stable point is that of a direct run of the program on
// the same data.

TEST_F(Estudo, MapaConfereComOLimiteEComCorridasDiretas) {
    const Caso caso = exemplo();
    const auto [alpha, dx] = grandezas_do_caso(caso);
    const std::vector<PassoMapa> passos = passos_do_mapa(caso, alpha, dx);
    ASSERT_GE(passos.size(), 10u);
    const std::vector<double> thetas{0.0, 0.25, 0.5, 1.0};
    const Mapa mapa = montar_mapa(thetas, passos, executar_niveis(corridas_do_mapa(caso, thetas, passos), 2, false));
    for (std::size_t th = 0; th < thetas.size(); ++th) {
        for (std::size_t f = 0; f < passos.size(); ++f) {
            const PontoMapa& p = mapa.ponto(th, f);
            SCOPED_TRACE(testing::Message() << "theta " << thetas[th] << " Nt " << p.nivel.malha.Nt);
            ASSERT_EQ(p.nivel.malha.Nt, passos[f].Nt);
            EXPECT_NEAR(p.nivel.F, alpha * (caso.tf / p.nivel.malha.Nt) / (dx * dx), 1e-12 * p.nivel.F);
            EXPECT_EQ(p.nivel.estavel, std::fabs(fator_pior_modo(thetas[th], p.nivel.F, caso.Nx)) <= 1.0);
            if (!p.nivel.estavel) continue;
            const servicos::base::deteccao::Retencao retida;
            Caso direto = caso;
            direto.theta = thetas[th];
            colocar_no_estado(direto, {caso.Nx, passos[f].Nt});
            principal::calcular();
            using namespace variaveis;
            const double decaimento = servicos::elementares::exponencial(t(Nt) * processamento::taxa_decaimento());
            double maximo = 0.0;
            for (std::int32_t j = 1; j <= Nx; ++j)
                maximo = std::max(maximo, std::fabs(decaimento * (servicos::elementares::seno(x(j) * pi / Lx) * Ti) - T(j)));
            EXPECT_EQ(p.nivel.campo.maximo, maximo);
        }
    }
}

// ---------------------------------------------------------------------------
// Refined grids and their guards.

struct CasoMalha {
    Refinamento tipo;
    Malha base;
    int nivel;
    std::optional<Malha> esperada;
};

TEST(Refinamento, MalhasDosNiveisEGuardaDosContadores) {
    constexpr std::int32_t maior = INT32_MAX - 1;  // room for the loops to step past Nx and Nt
    const std::vector<CasoMalha> casos{
        {Refinamento::espaco_e_tempo, {21, 600}, 0, Malha{21, 600}},
        {Refinamento::espaco_e_tempo, {21, 600}, 3, Malha{161, 4800}},
        {Refinamento::espaco, {21, 600}, 3, Malha{161, 600}},
        {Refinamento::tempo, {21, 600}, 3, Malha{21, 4800}},
        {Refinamento::espaco_e_tempo, {10, 7}, 1, Malha{19, 14}},  // Nx - 1 doubles, not Nx
        {Refinamento::espaco, {1073741823, 1}, 1, Malha{maior - 1, 1}},  // 2(Nx - 1) + 1 is odd
        {Refinamento::espaco, {1073741824, 1}, 1, std::nullopt},          // would be INT32_MAX
        {Refinamento::tempo, {3, 1073741823}, 1, Malha{3, maior}},
        {Refinamento::tempo, {3, 1073741824}, 1, std::nullopt},
        {Refinamento::espaco_e_tempo, {21, 20000000}, 7, std::nullopt},
        {Refinamento::espaco, {21, 20000000}, 7, Malha{2561, 20000000}},
        {Refinamento::espaco_e_tempo, {maior, maior}, 30, std::nullopt},
        {Refinamento::espaco_e_tempo, {21, 600}, -1, std::nullopt},
    };
    for (const CasoMalha& c : casos) {
        SCOPED_TRACE(testing::Message() << "Nx " << c.base.Nx << " Nt " << c.base.Nt << " level " << c.nivel);
        const std::optional<Malha> malha = malha_do_nivel(c.tipo, c.base, c.nivel);
        ASSERT_EQ(malha.has_value(), c.esperada.has_value());
        if (malha) {
            EXPECT_EQ(malha->Nx, c.esperada->Nx);
            EXPECT_EQ(malha->Nt, c.esperada->Nt);
        }
    }
    // The largest grid's memory is counted without overflowing.
    EXPECT_EQ(memoria_da_corrida({maior, maior}), (9u * 2147483646ull + 4u * 2147483647ull) * 8u);
}

// ---------------------------------------------------------------------------
// Command line.

struct CasoOpcoes {
    std::vector<std::string_view> argumentos;
    std::optional<Modo> modo;  // nothing: refused
    int niveis = niveis_padrao;
    std::vector<double> lista{};  // thetas of the map or times of the profiles
    int fios = 0;
};

TEST(Opcoes, InterpretacaoDaLinhaDeComando) {
    const std::vector<double> thetas_padrao{0.0, 0.5, 1.0};
    const std::vector<CasoOpcoes> casos{
        {{}, Modo::convergencia},
        {{"--niveis", "2"}, Modo::convergencia, 2},
        {{"--niveis=8", "--csv"}, Modo::convergencia, 8},
        {{"--comparar"}, Modo::comparar},
        {{"--niveis", "5", "--comparar"}, Modo::comparar, 5},
        {{"--mapa", "--teta", "0,0.25,1"}, Modo::mapa, niveis_padrao, {0.0, 0.25, 1.0}},
        {{"--teta=0.5", "--mapa", "--fios", "3"}, Modo::mapa, niveis_padrao, {0.5}, 3},
        {{"--perfis", "0,60,600"}, Modo::perfis, niveis_padrao, {0.0, 60.0, 600.0}},
        {{"--explicar"}, Modo::explicar},
        {{"--explicar", "--avisos"}, Modo::explicar},
        {{"--listagem", "--explicar"}, Modo::explicar},
        {{"--avisos"}, std::nullopt},  // only with --explicar, and nothing else
        {{"--explicar", "--avisos", "--csv"}, std::nullopt},
        {{"--explicar", "--avisos", "--listagem"}, std::nullopt},
        {{"--explicar", "--titulo"}, Modo::explicar},
        {{"--titulo"}, std::nullopt},
        {{"--explicar", "--titulo", "--listagem"}, std::nullopt},
        {{"--mapa", "--listagem"}, std::nullopt},
        {{"--niveis", "9"}, std::nullopt},
        {{"--niveis", "1"}, std::nullopt},
        {{"--niveis", "3x"}, std::nullopt},
        {{"--niveis", ""}, std::nullopt},
        {{"--niveis=-4"}, std::nullopt},
        {{"--niveis"}, std::nullopt},
        {{"--nives", "3"}, std::nullopt},
        {{"--fios", "0"}, std::nullopt},
        {{"--teta", "0,5"}, std::nullopt},  // a list must be given with --mapa
        {{"--mapa", "--teta", "0,,1"}, std::nullopt},
        {{"--mapa", "--teta", "nan"}, std::nullopt},
        {{"--perfis"}, std::nullopt},
        {{"--mapa", "--comparar"}, std::nullopt},
        {{"--explicar", "--perfis", "60"}, std::nullopt},
        {{"entradas_geral.ent"}, std::nullopt},
    };
    for (const CasoOpcoes& c : casos) {
        std::ostringstream nome;
        for (std::string_view a : c.argumentos) nome << '[' << a << ']';
        SCOPED_TRACE(nome.str());
        std::string erro;
        const std::optional<Opcoes> opcoes = interpretar_opcoes(c.argumentos, erro);
        ASSERT_EQ(opcoes.has_value(), c.modo.has_value()) << erro;
        if (!opcoes) {
            EXPECT_FALSE(erro.empty());
            continue;
        }
        EXPECT_EQ(opcoes->modo, *c.modo);
        EXPECT_EQ(opcoes->niveis, c.niveis);
        EXPECT_EQ(opcoes->fios, c.fios);
        EXPECT_EQ(opcoes->thetas, *c.modo == Modo::mapa ? c.lista : thetas_padrao);
        EXPECT_EQ(opcoes->tempos, *c.modo == Modo::perfis ? c.lista : std::vector<double>{});
    }
}

// ---------------------------------------------------------------------------
// The program in a scratch folder: traps armed as in difusao_calor.

namespace fs = std::filesystem;

const std::string entrada_exemplo = "listagem.txt\n1.0\n21\n600.0\n600\n100.0\n0.5\n45.0\n800.0\n460.0\n";

std::string entrada_com(std::int32_t Nx, std::int32_t Nt, double theta, const char* Ti = "100.0") {
    return "listagem.txt\n1.0\n" + std::to_string(Nx) + "\n600.0\n" + std::to_string(Nt) + "\n" + Ti + "\n" +
           std::to_string(theta) + "\n45.0\n800.0\n460.0\n";
}

// Lx = 1 and alpha = 1: F = (tf/Nt)/dx^2.
std::string entrada_unitaria(std::int32_t Nx, const char* tf, std::int32_t Nt, const char* theta) {
    return "listagem.txt\n1.0\n" + std::to_string(Nx) + "\n" + tf + "\n" + std::to_string(Nt) + "\n1.0\n" + theta +
           "\n1.0\n1.0\n1.0\n";
}

const std::string entrada_virgula =
    "listagem.txt\n1.0\n21\n600.0\n600\n100.0\n0,5      theta\n45.0\n800.0\n460.0\n";
// Explicit, Nx = 5, F = 0.55.
const std::string entrada_Nx5_F055 = "lista.txt\n1.0\n5\n13.75\n400\n1.0\n0.0\n1.0\n1.0\n1.0\n";

std::string entrada_golden(const char* pasta) {
    return suporte::ler_arquivo(fs::path(DIFUSAO_DADOS_TESTE) / "golden" / pasta / "entradas_geral.ent");
}

int linhas_de_dados(const std::string& texto) {
    int total = 0;
    std::istringstream linhas(texto);
    for (std::string linha; std::getline(linhas, linha);) total += !linha.empty() && linha[0] != '#';
    return total;
}

struct Corrida {
    const char* nome;
    std::string entrada;  // "" for no input file at all
    std::vector<std::string> argumentos;
    int status;
    std::vector<std::string> na_saida;  // texts the standard output must hold
    std::string no_erro;                // text the standard error must hold ("" for an empty one)
    std::vector<std::string> arquivos;  // the files written besides the input
    int linhas = 0;                     // data rows of the first one
    int linhas_na_saida = -1;           // lines of the standard output (-1: any number)
    std::vector<std::string> nao_na_saida{};  // texts the standard output must not hold
};

void PrintTo(const Corrida& c, std::ostream* saida) { *saida << c.nome; }

// The text as one line: a line end (but the last) and the blanks that
// indent the next line become one blank, so that a text is found wherever
// the output broke its lines.
std::string juntar_linhas_quebradas(const std::string& texto) {
    std::string unida;
    for (std::size_t j = 0; j < texto.size(); ++j) {
        if (texto[j] == '\n' && j + 1 < texto.size()) {
            while (j + 1 < texto.size() && texto[j + 1] == ' ') ++j;
            unida += ' ';
            continue;
        }
        unida += texto[j];
    }
    return unida;
}

class Programa : public ::testing::TestWithParam<Corrida> {};

TEST_P(Programa, SaidaStatusEArquivos) {
    const Corrida& c = GetParam();
    suporte::PastaTemporaria pasta;
    if (!c.entrada.empty()) suporte::escrever_arquivo(pasta / "entradas_geral.ent", c.entrada);
    const suporte::Resultado r = suporte::executar({ESTUDO_PROGRAMA, c.argumentos, pasta.caminho(), {}, std::string()});
    EXPECT_EQ(r.status, c.status) << r.erro;
    if (c.no_erro.empty()) {
        EXPECT_EQ(r.erro, "");
    } else {
        EXPECT_NE(r.erro.find(c.no_erro), std::string::npos) << r.erro;
    }
    // Texts are looked for with their broken lines joined again.
    const std::string unida = juntar_linhas_quebradas(r.saida);
    for (const std::string& texto : c.na_saida) EXPECT_NE(unida.find(texto), std::string::npos) << texto << "\n" << r.saida;
    for (const std::string& texto : c.nao_na_saida) EXPECT_EQ(unida.find(texto), std::string::npos) << texto << "\n" << r.saida;
    EXPECT_EQ(r.saida.find('\r'), std::string::npos);
    if (c.linhas_na_saida >= 0) {
        EXPECT_EQ(std::count(r.saida.begin(), r.saida.end(), '\n'), c.linhas_na_saida) << r.saida;
    }
    // The study's reports keep within 100 columns (the explainer echoes the
    // user's own lines, and its quiet form gives one warning a line).
    if (std::find(c.argumentos.begin(), c.argumentos.end(), "--explicar") == c.argumentos.end()) {
        std::istringstream linhas(r.saida);
        for (std::string linha; std::getline(linhas, linha);) {
            const auto colunas = std::count_if(linha.begin(), linha.end(), [](char b) { return (b & 0xC0) != 0x80; });
            EXPECT_LE(colunas, 100) << linha;
        }
    }
    // The quiet explainer prints nothing but warnings, each naming the file.
    if (std::find(c.argumentos.begin(), c.argumentos.end(), "--avisos") != c.argumentos.end()) {
        std::istringstream linhas(r.saida);
        for (std::string linha; std::getline(linhas, linha);) EXPECT_TRUE(linha.starts_with("entradas_geral.ent")) << linha;
    }
    std::vector<std::string> escritos;
    for (const auto& entrada : fs::directory_iterator(pasta.caminho()))
        if (entrada.path().filename() != "entradas_geral.ent") escritos.push_back(entrada.path().filename().string());
    std::sort(escritos.begin(), escritos.end());
    std::vector<std::string> esperados = c.arquivos;
    std::sort(esperados.begin(), esperados.end());
    EXPECT_EQ(escritos, esperados);
    if (!c.arquivos.empty() && fs::exists(pasta / c.arquivos.front())) {
        EXPECT_EQ(linhas_de_dados(suporte::ler_arquivo(pasta / c.arquivos.front())), c.linhas);
    }
    EXPECT_EQ(fs::exists(pasta / "entradas_geral.ent"), !c.entrada.empty());
    // Every CSV file names each of its columns once.
    for (const std::string& nome : escritos) {
        if (!nome.ends_with(".csv")) continue;
        std::istringstream linhas(suporte::ler_arquivo(pasta / nome));
        std::string cabecalho;
        std::getline(linhas, cabecalho);
        std::vector<std::string> colunas;
        std::istringstream campos(cabecalho);
        for (std::string campo; std::getline(campos, campo, ',');) colunas.push_back(campo);
        std::sort(colunas.begin(), colunas.end());
        EXPECT_EQ(std::adjacent_find(colunas.begin(), colunas.end()), colunas.end()) << nome << ": " << cabecalho;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Estudo, Programa,
    ::testing::Values(
        // Data files: the case row, then one row per level, time level, point or node.
        Corrida{"Exemplo", entrada_exemplo, {}, 0, {"Refinamento (c)", "p = 2.00"}, "", {"convergencia.txt"}, 1 + 12},
        Corrida{"DoisNiveis", entrada_exemplo, {"--niveis", "2"}, 0,
                {"incondicionalmente", "com dois níveis só há um par, e nenhum vizinho com que conferir"}, "",
                {"convergencia.txt"}, 1 + 6, -1, {"par vizinho tem ordem"}},
        Corrida{"Comparacao", entrada_exemplo, {"--comparar"}, 0, {"Crank-Nicolson"}, "", {"comparacao_esquemas.txt"},
                1 + 601},
        Corrida{"Mapa", entrada_exemplo, {"--mapa", "--teta", "0,1"}, 0,
                {"theta = 0 (explícito): estável até F = 5.031e-01 nesta malha (5.000e-01 com a malha refinada)",
                 "F vai de 9.999e-03 a 2.935e+01 (Nt = 1): um F maior pediria um passo de tempo maior que tf"},
                "", {"mapa.txt"}, 1 + 2 * 15},
        // The map's sentences against its own numbers: where the data's own
        // mode grows, the error is its |A|^Nt (Nx = 5, alpha = 1, tf = 13.75).
        Corrida{"MapaModoDosDados", entrada_Nx5_F055, {"--mapa", "--teta", "0,0.25"}, 0,
                {"F = 5.500e+01, Nt = 4: A = -31.22, |A|^Nt = 9.498e+05, erro 9.498e+05",
                 "F = 1.000e+01, Nt = 22: A = -1.377, |A|^Nt = 1.138e+03, erro 1.138e+03"},
                "", {"mapa.txt"}, 1 + 2 * 17, -1, {"ainda é o do esquema"}},
        // Explicit (b): level 2 sits near F = 1/6, where the leading errors
        // cancel; its 4.02 is not an order.
        Corrida{"ExplicitoPreAssintotico", entrada_com(21, 600, 0.0), {}, 0,
                {"troca de sinal", "o erro troca de sinal de um nível ao outro (-5.103e-02 e 3.137e-03)"}, "",
                {"convergencia.txt"}, 1 + 12, -1, {"4.02 "}},
        // The readings that were false on cases nobody had chosen. The
        // direction of the decay comes from the factors, not from Ti: the
        // implicit step delays it, for Ti < 0 as for Ti > 0.
        Corrida{"SentidoSemTi", entrada_com(21, 600, 1.0, "-50.0"), {"--niveis", "2"}, 0,
                {"O passo de tempo atrasa o decaimento da meia senoide (A > exp(-4 F s²))",
                 "a malha o atrasa sempre"},
                "", {"convergencia.txt"}, 1 + 6, -1, {"adianta"}},
        // theta = -0.01: the signed error goes from -7.245e-3 to +8.904e-4.
        Corrida{"ErroTrocaDeSinal", entrada_com(21, 600, -0.01), {"--niveis", "3"}, 0,
                {"o erro troca de sinal de um nível ao outro (-7.245e-03 e 8.904e-04)",
                 "se cancelam (a soma é só 40% da parte maior)"},
                "", {"convergencia.txt"}, 1 + 9, -1, {" 2.80 ", " 3.02 "}},
        // The example's (c): the error saturates in the space error, and rises.
        Corrida{"SaturaNoEspaco", entrada_exemplo, {}, 0,
                {"o erro satura no do passo fixo, o de espaço", "cresce menos de 0.01%"}, "", {"convergencia.txt"}, 1 + 12,
                -1, {"cai cada vez menos", "não concorda"}},
        Corrida{"ThetaUmQuartoCresce", entrada_unitaria(11, "0.25", 100, "0.25"), {}, 0,
                {"o erro cresce (p <= -0.1)", "cresce 12%"}, "", {"convergencia.txt"}, 1 + 12, -1,
                {"cai cada vez menos"}},
        // Crank-Nicolson with Nx = 11 and Nt = 2e5: the time part, formed without
        // cancellation, 3.763e-11 (in doubles exp(-4 F s² Nt) - A^Nt gave -1.967e-11).
        Corrida{"DivisaoSemCancelamento", entrada_com(11, 200000, 0.5), {"--niveis", "2"}, 0,
                {"3.763e-11", "a parte menor fica abaixo de 1% da maior em todos os níveis"}, "", {"convergencia.txt"},
                1 + 6, -1, {"sinais opostos", "-1.967e-11"}},
        // Nx = 4: max|sin| over the nodes is sin(pi/3) there and 1 on 7 nodes.
        Corrida{"AmostragemDaMalhaGrossa", entrada_com(4, 600, 0.5), {}, 0,
                {"a malha grossa amostra a meia senoide de outro modo", "desloca p em até -0.21"}, "",
                {"convergencia.txt"}, 1 + 12, -1, {"ordem mais alta"}},
        // theta = -0.25, F = 2, Nx = 11: mode 5 has s² = 1/2, 1 + 4 theta F s² = 0.
        Corrida{"MatrizSingular", entrada_unitaria(11, "0.2", 10, "-0.25"), {"--niveis", "2"}, 0,
                {"modo que mais cresce, m = 5", "modo m = 5: 1 + 4 theta F s² =", "a matriz implícita é singular"}, "",
                {"convergencia.txt"}, 1 + 6},
        // The map's explicit F = 1.012 on the example grid: 6.322e-01 measured,
        // 3.703e-01 of it the scheme's.
        Corrida{"MapaArredondamento", entrada_exemplo, {"--mapa", "--teta", "0"}, 0,
                {"F = 1.012e+00, Nt = 29: modo m = 19, A = -3.023, |A|^Nt = 8.569e+13, erro 6.322e-01: do esquema "
                 "3.703e-01",
                 "o erro medido já não é só o do esquema"},
                "", {"mapa.txt"}, 1 + 15},
        // Explicit, Nx = 101, Nt = 1200: only the first level of (c) is unstable.
        Corrida{"SoONivelInstavel", entrada_com(101, 1200, 0.0), {"--niveis", "3"}, 0,
                {"No nível 1 F passa do limite de estabilidade da malha: esse nível é instável"}, "",
                {"convergencia.txt"}, 1 + 9, -1, {"A partir do nível"}},
        // Nx = 5 at F = 0.55: stable on its grid, only a refined one grows.
        Corrida{"EstavelSoNestaMalha", entrada_Nx5_F055, {"--niveis", "2"}, 0,
                {"estável nesta malha; FORA do limite das malhas refinadas", "A = -8.7782e-01",
                 "-1 <= A < 0: troca de sinal a cada passo (oscila) e decai; o arredondamento nele não cresce"},
                "", {"convergencia.txt"}, 1 + 6, -1, {"|A| > 1"}},
        Corrida{"Perfis", entrada_exemplo, {"--perfis", "60,600"}, 0, {"Perfis T(x)"}, "", {"perfis.txt"}, 1 + 2 * 21},
        Corrida{"Csv",
                entrada_exemplo,
                {"--niveis", "3", "--csv"},
                0,
                {"Tabelas em CSV"},
                "",
                {"convergencia.txt", "estabilidade.csv", "convergencia_a_campo.csv", "convergencia_a_media_meio.csv",
                 "convergencia_a_partes.csv", "convergencia_a_listagem.csv", "convergencia_b_campo.csv",
                 "convergencia_b_media_meio.csv", "convergencia_b_partes.csv", "convergencia_b_listagem.csv",
                 "convergencia_b_diferencas.csv", "convergencia_c_campo.csv", "convergencia_c_media_meio.csv",
                 "convergencia_c_partes.csv", "convergencia_c_listagem.csv", "convergencia_c_diferencas.csv"},
                1 + 9},
        // F = 0.78 on the input grid: the explicit run overflows with the traps
        // held; its worst mode grows |1 - 4F| a step, and it gives no order.
        Corrida{"ExplicitoInstavel", entrada_com(81, 600, 0.0), {"--niveis", "2"}, 0,
                {"FORA do limite desta malha", "A = -2.1292e+00", "31 passos", "instável"}, "", {"convergencia.txt"},
                1 + 6},
        // Nt = 1467 on the grid of 101 nodes: F a hair past this grid's bound,
        // the highest mode grows 1.00004 times a step, not "1".
        Corrida{"FatorJuntoDeUm", entrada_com(101, 1467, 0.0), {"--niveis", "2"}, 0,
                {"o modo mais alto da malha cresce 1.00004 vezes por passo", "A = -1.00004e+00",
                 "|A| > 1: cresce 1.00004e+00 vezes por passo"},
                "", {"convergencia.txt"}, 1 + 6},
        Corrida{"ComparacaoInstavel", entrada_com(81, 600, 0.5), {"--comparar"}, 0,
                {"Fora do limite de estabilidade desta malha"}, "",
                {"comparacao_esquemas.txt"}, 1 + 601},
        Corrida{"NiveisDemais", entrada_exemplo, {"--niveis", "9"}, 1, {}, "número de níveis inválido", {}},
        Corrida{"OpcaoDesconhecida", entrada_exemplo, {"-x"}, 1, {}, "opção desconhecida: -x", {}},
        Corrida{"Help", "", {"--help"}, 0, {"uso: estudo_convergencia", "--explicar", "Status de saída"}, "", {}},
        Corrida{"Ajuda", "", {"--ajuda"}, 0, {"uso: estudo_convergencia"}, "", {}},
        // The explainer: a comma for the decimal point is named, and the
        // reference inputs read cleanly (the explicit one is past its bound
        // on purpose, and is told so).
        Corrida{"ExplicarVirgula", entrada_virgula, {"--explicar"}, 2,
                {"linha 7: vírgula como separador decimal", "theta recebeu 0 e não 0.5"}, "", {}},
        Corrida{"ExplicarExemplo", entrada_golden("exemplo"), {"--explicar"}, 0, {"Nenhum aviso"}, "", {}},
        Corrida{"ExplicarPequeno", entrada_golden("pequeno"), {"--explicar"}, 0, {"Nenhum aviso"}, "", {}},
        Corrida{"ExplicarExplicitoPar", entrada_golden("explicito_par"), {"--explicar"}, 2,
                {"\"explicito par.lst\"", "passa do limite 5.260e-01 desta malha"}, "", {}},
        Corrida{"ExplicarNomeCortado", "nao_existe/listagem.txt\n1\n21\n600\n600\n100\n0.5\n45\n800\n460\n",
                {"--explicar"}, 2, {"linha 1: nome cortado", "\"nao_existe\""}, "", {}},
        Corrida{"ExplicarFalha", "listagem.txt\n1.0\n21.0 nos\n", {"--explicar"}, 1,
                {"Linha 3: 21.0 nos", "aqui a leitura falha"},
                "\r\nrun-time error F6101: READ(entradas_geral.ent)\r\n", {}},
        Corrida{"ExplicarSemArquivo", "", {"--explicar"}, 1, {"não existe"}, "run-time error F6501", {}},
        // Crank-Nicolson at F = 25: stable, but the half sine changes sign
        // every step; explicit Nx = 5 at F = 0.55: stable on its grid, only a
        // refined one would grow.
        Corrida{"ExplicarOscilacao", "lista.txt\n1.0\n11\n1.0\n4\n1.0\n0.5\n1\n1\n1\n", {"--explicar"}, 2,
                {"A = -0.1006 < 0: a solução troca de sinal a cada passo"}, "", {}},
        Corrida{"ExplicarEstavelSoNestaMalha", entrada_Nx5_F055, {"--explicar"}, 2,
                {"passa do limite 5.000e-01 das malhas refinadas: estável nesta malha",
                 "para poder refinar, use Nt >= 440 (dt menor) ou theta >= 0.5"},
                "", {}, 0, -1, {"cresce"}},
        // Every warning that names a bound says how to meet it, with the
        // digits that show which side of it F is.
        Corrida{"AvisoDizComoCorrigir", entrada_com(101, 1200, 0.0), {"--explicar", "--avisos"}, 2,
                {"para ficar dentro, use Nt >= 1468 (dt menor) ou theta >= 0.5"}, "", {}, 0, 1},
        Corrida{"AvisoComDigitosBastantes", entrada_unitaria(101, "0.050001", 1000, "0"), {"--explicar", "--avisos"}, 2,
                {"F = alpha dt/dx² = 5.0001e-01 passa do limite 5.0000e-01 das malhas refinadas",
                 "use Nt >= 1001 (dt menor)"},
                "", {}, 0, 1},
        // theta < 0 (Nx = 11): the denominator 1 + 4 theta F s² vanishes inside
        // the spectrum, at mode 5 for F = 2, next to mode 6 for F = 1.5, which
        // then grows faster than the highest.
        Corrida{"AvisoMatrizSingular", entrada_unitaria(11, "0.2", 10, "-0.25"), {"--explicar", "--avisos"}, 2,
                {"no modo m = 5 da malha 1 + 4 theta F s² = 0 (dentro do arredondamento): a matriz implícita é singular"},
                "", {}, 0, 2, {"modo mais alto"}},
        Corrida{"AvisoModoMaisRapido", entrada_unitaria(11, "0.15", 10, "-0.25"), {"--explicar", "--avisos"}, 2,
                {"o modo m = 6 da malha (com theta < 0, não o mais alto) cresce 214.3 vezes por passo"}, "", {}, 0, 2},
        Corrida{"AvisoNxDois", entrada_com(2, 600, 0.5), {"--explicar", "--avisos"}, 2, {"Nx = 2 < 3", "use Nx >= 3"}, "",
                {}, 0, 1},
        Corrida{"AvisoNxComTextoAntes", "l.txt\n1\nnós = 21\n600.0\n600\n100\n0.5\n45\n800\n460\n",
                {"--explicar", "--avisos"}, 1, {"a linha começa pelo número, só dígitos"}, "", {}, 0, 1},
        // The quiet form: only the warnings, each with its line; the read's
        // failure said where, without the program's report.
        Corrida{"AvisosVirgula", entrada_virgula, {"--explicar", "--avisos"}, 2,
                {"entradas_geral.ent, linha 7: vírgula como separador decimal"}, "", {}, 0, 1},
        Corrida{"AvisosNenhum", entrada_golden("exemplo"), {"--explicar", "--avisos"}, 0, {}, "", {}, 0, 0},
        Corrida{"AvisosDeVariasLinhas", entrada_golden("explicito_par"), {"--explicar", "--avisos"}, 2,
                {"entradas_geral.ent, linhas 2 a 5 e 7 a 10: F = ", "linhas 2 a 5 e 7 a 10: o fator"}, "", {}, 0, 2},
        Corrida{"AvisosFaltaUmaLinha", "listagem.txt\n21       nós\n600.0    tempo final\n600\n100\n0.5\n45\n800\n460\n",
                {"--explicar", "--avisos"}, 1,
                {"entradas_geral.ent, linha 2: o comentário fala de Nx mas o valor foi para Lx",
                 "entradas_geral.ent, linha 3: a leitura para em Nx (número de nós)", "se faltou ou sobrou uma linha",
                 "F6101"},
                "", {}, 0, 2},
        Corrida{"AvisosArquivoVazio", "\n\n", {"--explicar", "--avisos"}, 1,
                {"entradas_geral.ent, linha 3: a leitura para em arq_saida", "nenhum valor"}, "", {}, 0, 1},
        Corrida{"AvisosSemArquivo", "", {"--explicar", "--avisos"}, 1, {"entradas_geral.ent: não existe"}, "", {}, 0, 1},
        // The plots' stability verdict, the study's own: F < 0 is unstable
        // whatever theta; past this grid's bound, what to change.
        Corrida{"TituloComKNegativo", "l.txt\n1.0\n21\n600.0\n600\n100\n0.5\n-45\n800\n460\n",
                {"--explicar", "--titulo"}, 0,
                {"F = α·dt/dx² = -0.0489 < 0 (k, ro ou cp negativo): INSTÁVEL a solução cresce sem limite"}, "", {}, 0,
                2, {"estável para todo F"}},
        Corrida{"TituloInstavel", entrada_com(101, 1200, 0.0), {"--explicar", "--titulo"}, 0,
                {"> 0.5, o limite de estabilidade desta malha: INSTÁVEL estável com Nt ≥ 1468 ou θ ≥ 0.5"}, "", {}, 0, 2},
        Corrida{"TituloNoLimite", entrada_unitaria(101, "0.050001", 1000, "0"), {"--explicar", "--titulo"}, 0,
                {"F = α·dt/dx² = 0.5 ≤ 0.5001, o limite de estabilidade desta malha"}, "", {}, 0, 1},
        // The listing's name, and nothing else.
        Corrida{"Listagem", entrada_golden("explicito_par"), {"--explicar", "--listagem"}, 0, {"explicito par.lst\n"},
                "", {}, 0, 1},
        Corrida{"ListagemAntesDaFalha", "  ' a.txt '\n1.0\n21.0\n", {"--explicar", "--listagem"}, 0, {"a.txt\n"}, "",
                {}, 0, 1},
        Corrida{"ListagemVazia", "''\n1.0\n21\n600.0\n600\n100.0\n0.5\n45.0\n800.0\n460.0\n",
                {"--explicar", "--listagem"}, 1, {}, "", {}, 0, 0},
        Corrida{"ListagemSemArquivo", "", {"--explicar", "--listagem"}, 1, {}, "", {}, 0, 0},
        // The input's faults get difusao_calor's own reports.
        Corrida{"UmNo", entrada_com(1, 600, 0.5), {}, 1, {},
                "\r\nrun-time error M6103: MATH\r\n- floating-point error: divide by zero\r\n", {}},
        Corrida{"NoveValores", "listagem.txt\n1\n21\n600\n600\n100\n0.5\n45\n800\n", {}, 1, {},
                "\r\nrun-time error F6501: READ(entradas_geral.ent)\r\n- end of file encountered\r\n", {}},
        Corrida{"NtNegativo", entrada_com(21, -5, 0.5), {}, 1, {}, "run-time error F6773", {}},
        Corrida{"ContadorPassaria", entrada_com(21, 20000000, 1.0), {"--niveis", "8"}, 1, {},
                "passaria do maior Nx ou Nt", {}}),
    [](const auto& info) { return std::string(info.param.nome); });

// A study whose finest run cannot have its memory is refused before it starts
// (Nt = 10^7 on 8 levels: the finest run holds 41 GB).
TEST(ProgramaMemoria, EstudoGrandeDemaisEhRecusado) {
    const Malha fina{21, 1280000000};
    const std::uint64_t disponivel = servicos::plataforma::memoria_disponivel();
    if (disponivel == 0 || disponivel >= memoria_da_corrida(fina)) GTEST_SKIP() << "this machine could run it";
    suporte::PastaTemporaria pasta;
    suporte::escrever_arquivo(pasta / "entradas_geral.ent", entrada_com(21, 10000000, 1.0));
    const suporte::Resultado r =
        suporte::executar({ESTUDO_PROGRAMA, {"--niveis", "8"}, pasta.caminho(), {}, std::string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.erro.find("precisa de"), std::string::npos) << r.erro;
    EXPECT_FALSE(fs::exists(pasta / "convergencia.txt"));
}

}  // namespace
