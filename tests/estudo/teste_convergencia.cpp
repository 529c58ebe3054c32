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
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "convergencia.hpp"
#include "mapa.hpp"
#include "opcoes.hpp"
#include "paralelo.hpp"
#include "principal.hpp"
#include "processamento.hpp"
#include "processo.hpp"
#include "servicos/elementares.hpp"
#include "servicos/erros.hpp"
#include "servicos/plataforma.hpp"
#include "variaveis.hpp"

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

class Estudo : public ::testing::Test {
protected:
    void SetUp() override {
        servicos::definir_modo_teste(true);
        variaveis::reiniciar_estado();
    }
    void TearDown() override { variaveis::reiniciar_estado(); }

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
// Stability: the verdict flips at F = 1/(2(1 - 2 theta)) itself, and agrees
// with the amplification of the worst mode (s = 1, the node-to-node
// oscillation) everywhere else.

TEST(Estabilidade, VereditoMudaExatamenteNoLimite) {
    for (double theta : {-0.5, 0.0, 0.1, 0.25, 0.4, 0.49}) {
        SCOPED_TRACE(testing::Message() << "theta " << theta);
        const double limite = limite_fourier(theta);
        EXPECT_NEAR(limite, 1.0 / (2.0 * (1.0 - 2.0 * theta)), 1e-15 * limite);
        EXPECT_TRUE(estavel(theta, limite));
        EXPECT_TRUE(estavel(theta, std::nextafter(limite, 0.0)));
        EXPECT_FALSE(estavel(theta, std::nextafter(limite, 1e300)));
    }
    for (double theta : {0.5, 0.75, 1.0, 2.0}) EXPECT_TRUE(estavel(theta, 1e300)) << "theta " << theta;
}

TEST(Estabilidade, VereditoDoFatorDoPiorModo) {
    for (double theta : {0.0, 0.2, 0.45, 0.5, 1.0}) {
        for (double F : {0.01, 0.3, 0.49, 0.51, 0.7, 1.0, 2.6, 10.0, 1e4}) {
            SCOPED_TRACE(testing::Message() << "theta " << theta << " F " << F);
            // Every mode of the grid has 0 < s <= 1, and A(s) falls with s.
            EXPECT_EQ(estavel(theta, F), std::fabs(fator_pior_modo(theta, F)) <= 1.0);
            EXPECT_LE(fator_pior_modo(theta, F), fator_modo(theta, F, 0.5));
        }
    }
}

// ---------------------------------------------------------------------------
// Amplification: the half sine is an eigenvector of the scheme, so in a real
// run the middle node is multiplied by A at every step; and on a grid outside
// the bound, round-off in the worst mode grows 1 - 4F times a step (explicit).

TEST_F(Estudo, FatorDeAmplificacaoEhARazaoDosValoresNoMeio) {
    for (double theta : {0.0, 0.5, 1.0}) {
        SCOPED_TRACE(testing::Message() << "theta " << theta);
        executar_nivel(exemplo(theta), {21, 600});
        using namespace variaveis;
        const Amplificacao fator = amplificacao(theta, alpha, dt, dx, Lx);
        for (n = 1; n <= Nt; ++n) ASSERT_NEAR(Tmeio(n) / Tmeio(n - 1), fator.discreto, 1e-12) << "step " << n;
        // The factor's departure from the exact one is the step's error:
        // after Nt steps it is the relative error of the middle node.
        const double analitico = Tmeio(0) * std::pow(fator.exato, Nt);
        const double previsto = 1.0 - std::pow(fator.discreto / fator.exato, Nt);
        EXPECT_NEAR(medir_corrida().meio.final / analitico, previsto, 1e-9);
    }
}

TEST_F(Estudo, PiorModoDoExplicitoForaDoLimite) {
    Caso caso = exemplo(0.0);
    caso.Nx = 81;  // F = 0.78
    const Nivel nivel = executar_nivel(caso, {caso.Nx, caso.Nt});
    using namespace variaveis;
    const double F = alpha * dt / (dx * dx);
    const Estabilidade e = estabilidade(0.0, alpha, dt, dx, Lx, Nt);
    EXPECT_FALSE(e.estavel);
    EXPECT_EQ(e.pior, 1.0 - 4.0 * F);
    EXPECT_NEAR(e.passos_ruido, std::log(1e10) / std::log(4.0 * F - 1.0), 1e-9);
    // The run itself blew up, and no order is taken from it.
    EXPECT_FALSE(nivel.campo.maximo < caso.Ti);
    EXPECT_EQ(ordem_entre(nivel, nivel, 2.0, 1.0).veredito, Veredito::instavel);
}

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
        {"cresce", true, true, 1e-3, 4e-3, Veredito::nao_assintotico},
        {"quase parado", true, true, 1e-3, 0.97e-3, Veredito::nao_assintotico},
    };
    for (const CasoVeredito& c : casos) {
        SCOPED_TRACE(c.nome);
        Nivel grosso, fino;
        grosso.estavel = c.estavel_grosso;
        fino.estavel = c.estavel_fino;
        grosso.piso = fino.piso = piso;
        const Ordem o = ordem_entre(grosso, fino, c.e_grosso, c.e_fino);
        EXPECT_EQ(o.veredito, c.esperado);
        if (c.esperado == Veredito::ordem) {
            EXPECT_DOUBLE_EQ(o.p, 2.0);
        }
    }
    // Differences in round-off give no order either (the signed errors agree
    // to within the floor).
    Nivel n;
    n.piso = piso;
    EXPECT_EQ(ordem_das_diferencas(n, n, n, 1e-3, 1e-3 + 2e-12, 1e-3 + 3e-12).veredito, Veredito::arredondamento);
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
        for (double v : {n.dx, n.dt, n.F, n.piso, n.campo.maximo, n.campo.rms})
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
}

// ---------------------------------------------------------------------------
// The map: every point's verdict is the worst mode's, at the F its steps give,
// and its error at a stable point is that of a direct run of the program on
// the same data.

TEST_F(Estudo, MapaConfereComOLimiteEComCorridasDiretas) {
    const Caso caso = exemplo();
    double alpha = 0.0, dx = 0.0;
    {
        const servicos::plataforma::ArmadilhasRetidas retidas;
        colocar_no_estado(caso, {caso.Nx, caso.Nt});
        principal::calcular_grandezas_derivadas();
        alpha = variaveis::alpha;
        dx = variaveis::dx;
    }
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
            EXPECT_EQ(p.nivel.estavel, std::fabs(fator_pior_modo(thetas[th], p.nivel.F)) <= 1.0);
            if (!p.nivel.estavel) continue;
            const servicos::plataforma::ArmadilhasRetidas retidas;
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

std::string entrada_com(std::int32_t Nx, std::int32_t Nt, double theta) {
    return "listagem.txt\n1.0\n" + std::to_string(Nx) + "\n600.0\n" + std::to_string(Nt) + "\n100.0\n" +
           std::to_string(theta) + "\n45.0\n800.0\n460.0\n";
}

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
};

void PrintTo(const Corrida& c, std::ostream* saida) { *saida << c.nome; }

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
    for (const std::string& texto : c.na_saida) EXPECT_NE(r.saida.find(texto), std::string::npos) << texto << "\n" << r.saida;
    EXPECT_EQ(r.saida.find('\r'), std::string::npos);
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
}

INSTANTIATE_TEST_SUITE_P(
    Estudo, Programa,
    ::testing::Values(
        // Data files: the case row, then one row per level, time level, point or node.
        Corrida{"Exemplo", entrada_exemplo, {}, 0, {"Refinamento (c)", "p = 2.00"}, "", {"convergencia.txt"}, 1 + 12},
        Corrida{"DoisNiveis", entrada_exemplo, {"--niveis", "2"}, 0, {"incondicionalmente"}, "", {"convergencia.txt"},
                1 + 6},
        Corrida{"Comparacao", entrada_exemplo, {"--comparar"}, 0, {"Crank-Nicolson"}, "", {"comparacao_esquemas.txt"},
                1 + 601},
        Corrida{"Mapa", entrada_exemplo, {"--mapa", "--teta", "0,1"}, 0, {"Limite para theta = 0: F <= 5.000e-01"}, "",
                {"mapa.txt"}, 1 + 2 * 15},
        Corrida{"Perfis", entrada_exemplo, {"--perfis", "60,600"}, 0, {"Perfis T(x)"}, "", {"perfis.txt"}, 1 + 2 * 21},
        Corrida{"Csv",
                entrada_exemplo,
                {"--niveis", "3", "--csv"},
                0,
                {"Tabelas em CSV"},
                "",
                {"convergencia.txt", "estabilidade.csv", "convergencia_a_campo.csv", "convergencia_a_media_meio.csv",
                 "convergencia_a_listagem.csv", "convergencia_b_campo.csv", "convergencia_b_media_meio.csv",
                 "convergencia_b_listagem.csv", "convergencia_b_diferencas.csv", "convergencia_c_campo.csv",
                 "convergencia_c_media_meio.csv", "convergencia_c_listagem.csv", "convergencia_c_diferencas.csv"},
                1 + 9},
        // F = 0.78 on the input grid: the explicit run overflows with the traps
        // held; its worst mode grows |1 - 4F| a step, and it gives no order.
        Corrida{"ExplicitoInstavel", entrada_com(81, 600, 0.0), {"--niveis", "2"}, 0,
                {"FORA do limite", "-2.1304e+00 (1 - 4F)", "31 passos", "instável"}, "", {"convergencia.txt"}, 1 + 6},
        Corrida{"ComparacaoInstavel", entrada_com(81, 600, 0.5), {"--comparar"}, 0, {"fora do limite"}, "",
                {"comparacao_esquemas.txt"}, 1 + 601},
        Corrida{"NiveisDemais", entrada_exemplo, {"--niveis", "9"}, 1, {}, "número de níveis inválido", {}},
        Corrida{"OpcaoDesconhecida", entrada_exemplo, {"-x"}, 1, {}, "opção desconhecida: -x", {}},
        Corrida{"Help", "", {"--help"}, 0, {"uso: estudo_convergencia", "--explicar", "Status de saída"}, "", {}},
        Corrida{"Ajuda", "", {"--ajuda"}, 0, {"uso: estudo_convergencia"}, "", {}},
        // The explainer: a comma for the decimal point is named, and the
        // reference inputs read cleanly (the explicit one is past its bound
        // on purpose, and is told so).
        Corrida{"ExplicarVirgula", "listagem.txt\n1.0\n21\n600.0\n600\n100.0\n0,5      theta\n45.0\n800.0\n460.0\n",
                {"--explicar"}, 2, {"vírgula como separador decimal na linha 7", "theta recebeu 0 e não 0.5"}, "", {}},
        Corrida{"ExplicarExemplo", entrada_golden("exemplo"), {"--explicar"}, 0, {"Nenhum aviso"}, "", {}},
        Corrida{"ExplicarPequeno", entrada_golden("pequeno"), {"--explicar"}, 0, {"Nenhum aviso"}, "", {}},
        Corrida{"ExplicarExplicitoPar", entrada_golden("explicito_par"), {"--explicar"}, 2,
                {"\"explicito par.lst\"", "passa do limite 5.000e-01"}, "", {}},
        Corrida{"ExplicarNomeCortado", "nao_existe/listagem.txt\n1\n21\n600\n600\n100\n0.5\n45\n800\n460\n",
                {"--explicar"}, 2, {"nome cortado na linha 1", "\"nao_existe\""}, "", {}},
        Corrida{"ExplicarFalha", "listagem.txt\n1.0\n21.0 nos\n", {"--explicar"}, 1,
                {"Linha 3: 21.0 nos", "aqui a leitura falha"},
                "\r\nrun-time error F6101: READ(entradas_geral.ent)\r\n", {}},
        Corrida{"ExplicarSemArquivo", "", {"--explicar"}, 1, {"não existe"}, "run-time error F6501", {}},
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
