// The convergence study: stability bound, amplification factor against real
// runs, the orders of accuracy of the three schemes, the refined grids and
// their guards, the command line, and the program itself in a scratch folder.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "convergencia.hpp"
#include "opcoes.hpp"
#include "principal.hpp"
#include "processo.hpp"
#include "servicos/erros.hpp"
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
            EXPECT_EQ(estavel(theta, F), std::fabs(fator_modo(theta, F, 1.0)) <= 1.0);
            EXPECT_LE(fator_modo(theta, F, 1.0), fator_modo(theta, F, 0.5));
        }
    }
}

// ---------------------------------------------------------------------------
// Amplification: the half sine is an eigenvector of the scheme, so in a real
// run the middle node is multiplied by A at every step.

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

// ---------------------------------------------------------------------------
// Orders of accuracy.

TEST_F(Estudo, CrankNicolsonDeSegundaOrdemComDxEDtJuntos) {
    const std::vector<Nivel> niveis = refinar(exemplo(0.5), Refinamento::espaco_e_tempo, 4);
    ASSERT_EQ(niveis.size(), 4u);
    for (std::size_t j = 1; j < niveis.size(); ++j) {
        SCOPED_TRACE(testing::Message() << "level " << j + 1);
        for (const Erros Nivel::*historia : {&Nivel::media, &Nivel::meio}) {
            const Erros& g = niveis[j - 1].*historia;
            const Erros& f = niveis[j].*historia;
            EXPECT_NEAR(ordem_observada(g.maximo, f.maximo), 2.0, 0.1);
            EXPECT_NEAR(ordem_observada(g.rms, f.rms), 2.0, 0.1);
            EXPECT_NEAR(ordem_observada(g.final, f.final), 2.0, 0.1);
        }
    }
}

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
    const std::vector<Nivel> niveis = refinar(caso, Refinamento::tempo, 4);
    ASSERT_EQ(niveis.size(), 4u);
    for (const Erros Nivel::*historia : {&Nivel::media, &Nivel::meio}) {
        for (std::size_t j = c.por_diferencas ? 2 : 1; j < niveis.size(); ++j) {
            const double e1 = (niveis[j - 1].*historia).final;
            const double e2 = (niveis[j].*historia).final;
            const double p = c.por_diferencas ? ordem_por_diferencas((niveis[j - 2].*historia).final, e1, e2)
                                              : ordem_observada(e1, e2);
            EXPECT_NEAR(p, c.esperada, 0.1) << "level " << j + 1;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Esquemas, OrdemTempo,
                         ::testing::Values(OrdemNoTempo{"ImplicitoMalhaFina", 1.0, 401, false, 1.0},
                                           OrdemNoTempo{"ImplicitoDiferencas", 1.0, 21, true, 1.0},
                                           OrdemNoTempo{"ExplicitoDiferencas", 0.0, 21, true, 1.0},
                                           OrdemNoTempo{"CrankNicolsonDiferencas", 0.5, 21, true, 2.0}),
                         [](const auto& info) { return std::string(info.param.nome); });

TEST(Ordens, SemOrdemOndeUmErroEhNuloOuNaoFinito) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (auto [grosso, fino] : {std::pair{0.0, 1.0}, {1.0, 0.0}, {inf, 1.0}, {1.0, inf}, {nan, 1.0}, {1.0, nan}})
        EXPECT_TRUE(std::isnan(ordem_observada(grosso, fino))) << grosso << " " << fino;
    EXPECT_DOUBLE_EQ(ordem_observada(-4e-3, 1e-3), 2.0);
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
    std::optional<int> niveis;  // nothing: refused
    bool comparar = false;
};

TEST(Opcoes, InterpretacaoDaLinhaDeComando) {
    const std::vector<CasoOpcoes> casos{
        {{}, 4},
        {{"--niveis", "2"}, 2},
        {{"--niveis=8"}, 8},
        {{"--comparar"}, 4, true},
        {{"--niveis", "5", "--comparar"}, 5, true},
        {{"--niveis", "9"}, std::nullopt},
        {{"--niveis", "1"}, std::nullopt},
        {{"--niveis", "3x"}, std::nullopt},
        {{"--niveis", ""}, std::nullopt},
        {{"--niveis=-4"}, std::nullopt},
        {{"--niveis"}, std::nullopt},
        {{"--nives", "3"}, std::nullopt},
        {{"entradas_geral.ent"}, std::nullopt},
    };
    for (const CasoOpcoes& c : casos) {
        std::ostringstream nome;
        for (std::string_view a : c.argumentos) nome << '[' << a << ']';
        SCOPED_TRACE(nome.str());
        std::string erro;
        const std::optional<Opcoes> opcoes = interpretar_opcoes(c.argumentos, erro);
        ASSERT_EQ(opcoes.has_value(), c.niveis.has_value()) << erro;
        if (opcoes) {
            EXPECT_EQ(opcoes->niveis, *c.niveis);
            EXPECT_EQ(opcoes->comparar, c.comparar);
        } else {
            EXPECT_FALSE(erro.empty());
        }
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

int linhas_de_dados(const std::string& texto) {
    int total = 0;
    std::istringstream linhas(texto);
    for (std::string linha; std::getline(linhas, linha);) total += !linha.empty() && linha[0] != '#';
    return total;
}

struct Corrida {
    const char* nome;
    std::string entrada;
    std::vector<std::string> argumentos;
    int status;
    std::string na_saida;  // text the standard output must hold ("" for none)
    std::string no_erro;   // text the standard error must hold ("" for an empty one)
    const char* arquivo;   // the data file written, or nullptr for none
    int linhas;            // its data rows
};

void PrintTo(const Corrida& c, std::ostream* saida) { *saida << c.nome; }

class Programa : public ::testing::TestWithParam<Corrida> {};

TEST_P(Programa, SaidaStatusEArquivos) {
    const Corrida& c = GetParam();
    suporte::PastaTemporaria pasta;
    suporte::escrever_arquivo(pasta / "entradas_geral.ent", c.entrada);
    const suporte::Resultado r = suporte::executar({ESTUDO_PROGRAMA, c.argumentos, pasta.caminho(), {}, std::string()});
    EXPECT_EQ(r.status, c.status) << r.erro;
    if (c.no_erro.empty()) {
        EXPECT_EQ(r.erro, "");
    } else {
        EXPECT_NE(r.erro.find(c.no_erro), std::string::npos) << r.erro;
    }
    EXPECT_NE(r.saida.find(c.na_saida), std::string::npos) << r.saida;
    EXPECT_EQ(r.saida.find('\r'), std::string::npos);
    for (const char* nome : {"convergencia.txt", "comparacao_esquemas.txt"}) {
        const bool esperado = c.arquivo != nullptr && std::string_view(nome) == c.arquivo;
        ASSERT_EQ(fs::exists(pasta / nome), esperado) << nome;
        if (esperado) {
            EXPECT_EQ(linhas_de_dados(suporte::ler_arquivo(pasta / nome)), c.linhas);
        }
    }
    EXPECT_FALSE(fs::exists(pasta / "listagem.txt"));
}

INSTANTIATE_TEST_SUITE_P(
    Estudo, Programa,
    ::testing::Values(
        Corrida{"Exemplo", entrada_exemplo, {}, 0, "Refinamento (c)", "", "convergencia.txt", 12},
        Corrida{"DoisNiveis", entrada_exemplo, {"--niveis", "2"}, 0, "incondicionalmente", "", "convergencia.txt", 6},
        Corrida{"Comparacao", entrada_exemplo, {"--comparar"}, 0, "Crank-Nicolson", "", "comparacao_esquemas.txt",
                601},
        // F = 0.78 on the input grid: the explicit run overflows with the traps armed.
        Corrida{"ExplicitoInstavel", entrada_com(81, 600, 0.0), {"--niveis", "2"}, 0, "FORA do limite", "",
                "convergencia.txt", 6},
        Corrida{"ComparacaoInstavel", entrada_com(81, 600, 0.5), {"--comparar"}, 0, "não", "",
                "comparacao_esquemas.txt", 601},
        Corrida{"NiveisDemais", entrada_exemplo, {"--niveis", "9"}, 1, "", "número de níveis inválido", nullptr, 0},
        Corrida{"OpcaoDesconhecida", entrada_exemplo, {"-x"}, 1, "", "opção desconhecida: -x", nullptr, 0},
        Corrida{"Ajuda", "", {"--ajuda"}, 0, "uso: estudo_convergencia", "", nullptr, 0},
        // The input's faults get difusao_calor's own reports.
        Corrida{"UmNo", entrada_com(1, 600, 0.5), {}, 1, "",
                "\r\nrun-time error M6103: MATH\r\n- floating-point error: divide by zero\r\n", nullptr, 0},
        Corrida{"NoveValores", "listagem.txt\n1\n21\n600\n600\n100\n0.5\n45\n800\n", {}, 1, "",
                "\r\nrun-time error F6501: READ(entradas_geral.ent)\r\n- end of file encountered\r\n", nullptr, 0},
        Corrida{"NtNegativo", entrada_com(21, -5, 0.5), {}, 1, "", "run-time error F6773", nullptr, 0},
        Corrida{"ContadorPassaria", entrada_com(21, 20000000, 1.0), {"--niveis", "8"}, 1, "",
                "passaria do maior Nx ou Nt", nullptr, 0}),
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
