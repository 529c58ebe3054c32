// The watched math functions evaluated a block at a time with the traps held
// (the initial field's sines, the exact solution's exponentials): the same
// bits as one watched call after another, a block refused whenever a call of
// it would be reported, and the report of a refused block coming from the
// same node or level as before, also in the listing.
#include <gtest/gtest.h>

#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "nucleo/coeficientes.hpp"
#include "nucleo/processamento.hpp"
#include "nucleo/variaveis.hpp"
#include "processo.hpp"
#include "servicos/elementares/elementares.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/erros/matematica.hpp"
#include "servicos/plataforma/plataforma.hpp"

namespace {

using namespace variaveis;

class EmBloco : public ::testing::Test {
protected:
    void SetUp() override {
        servicos::erros::definir_modo_teste(true);
        reiniciar_estado();
    }
    void TearDown() override { reiniciar_estado(); }
};

// exp(t(n)*taxa)*amplitude as written, one watched exponential per level;
// false when the level would be reported (the watched function's report, or
// a trapping flag of the two products).
bool pela_ordem_escrita(double taxa, double amplitude, std::int32_t nivel, double& valor) {
    std::feclearexcept(FE_ALL_EXCEPT);
    try {
        const double argumento = t(nivel) * taxa;
        if (std::fetestexcept(servicos::plataforma::falhas_armadas)) return false;
        const double e = servicos::erros::exponencial(argumento);
        valor = e * amplitude;
    } catch (const servicos::erros::FalhaRelatada&) {
        return false;
    }
    return !std::fetestexcept(servicos::plataforma::falhas_armadas);
}

TEST_F(EmBloco, BlocosIguaisAoEscritoOuRecusados) {
    std::mt19937_64 gerador(20261210);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    struct Faixa {
        double expoente_min, expoente_max;  // range of t(n)*taxa
        double amplitude;
    };
    const Faixa faixas[] = {
        {-50.0, 0.0, 63.66},           // an ordinary decay
        {-760.0, -700.0, 1.0},         // subnormal results and underflow to zero: accepted
        {-1e6, -1e3, -5.0},            // all zero
        {700.0, 720.0, 1.0},           // the exponential overflows in some levels
        {700.0, 709.0, 1e10},          // the product overflows
        {-1.0, 1.0, 1e308},            // the product overflows in some levels
        {-1.0, 0.0, 0.0},              // zero amplitude
        {709.0, 712.0, 0.0},           // 0*inf
    };
    for (const Faixa& f : faixas) {
        SCOPED_TRACE(testing::Message() << f.expoente_min << ".." << f.expoente_max << " x " << f.amplitude);
        for (int caso = 0; caso < 50; ++caso) {
            const std::int32_t niveis = 1 + static_cast<std::int32_t>(gerador() % 300);
            t.alocar(0, niveis - 1);
            const double taxa = -(0.5 + u(gerador));
            for (std::int32_t m = 0; m < niveis; ++m)
                t(m) = (f.expoente_min + (f.expoente_max - f.expoente_min) * u(gerador)) / taxa;
            std::vector<double> bloco(static_cast<std::size_t>(niveis));
            const bool aceito = processamento::decaimento_em_bloco(taxa, f.amplitude, 0, niveis - 1, bloco.data());
            bool algum_relatado = false;
            for (std::int32_t m = 0; m < niveis; ++m) {
                double escrito = 0.0;
                if (!pela_ordem_escrita(taxa, f.amplitude, m, escrito)) {
                    algum_relatado = true;
                } else if (aceito) {
                    ASSERT_EQ(std::bit_cast<std::uint64_t>(bloco[static_cast<std::size_t>(m)]),
                              std::bit_cast<std::uint64_t>(escrito))
                        << "level " << m;
                }
            }
            ASSERT_EQ(aceito, !algum_relatado) << "case " << caso;
        }
    }
    std::feclearexcept(FE_ALL_EXCEPT);
}

// Levels across several blocks; a level whose exponential overflows is
// reported as the watched function reports it, with every earlier level set.
TEST_F(EmBloco, SolucaoAnaliticaComoEscritaERelatoNoMesmoNivel) {
    Lx = 1.0;
    Ti = 100.0;
    alpha = 1.0;
    pi = servicos::elementares::arco_cosseno(-1.0);
    Nt = 10000;
    for (Arranjo* a : {&t, &Tm_an}) a->alocar(0, Nt);
    for (std::int32_t m = 0; m <= Nt; ++m) t(m) = m * 7.5e-3;
    const double taxa = processamento::taxa_decaimento();
    const double amp_media = Ti * 2.0 / pi;
    processamento::solucao_analitica();
    for (std::int32_t m = 0; m <= Nt; ++m) {
        double escrito = 0.0;
        ASSERT_TRUE(pela_ordem_escrita(taxa, amp_media, m, escrito));
        ASSERT_EQ(std::bit_cast<std::uint64_t>(Tm_an(m)), std::bit_cast<std::uint64_t>(escrito)) << m;
    }
    for (const std::int32_t falho : {0, 4095, 4096, 9000, 10000}) {
        SCOPED_TRACE(falho);
        for (std::int32_t m = 0; m <= Nt; ++m) Tm_an(m) = -1.0;
        t(falho) = -1e6;
        try {
            processamento::solucao_analitica();
            ADD_FAILURE() << "not reported";
        } catch (const servicos::erros::FalhaRelatada& f) {
            EXPECT_EQ(f.relatorio, "\r\nrun-time error M6203: MATH\r\n- exp: OVERFLOW error\r\n");
            EXPECT_EQ(n, falho);
        }
        for (std::int32_t m = 0; m < falho; ++m) ASSERT_NE(Tm_an(m), -1.0) << m;
        t(falho) = falho * 7.5e-3;
    }
    std::feclearexcept(FE_ALL_EXCEPT);
}

// The initial field as written, one watched sine per node.
void campo_inicial_na_ordem_escrita() {
    for (i = 1; i <= Nx; ++i) Tant(i) = servicos::erros::seno(x(i) * pi / Lx) * Ti;
}

struct Malha {
    double Lx;
    std::int32_t Nx;
    double Ti;
};

TEST_F(EmBloco, CampoInicialComoEscrito) {
    const Malha malhas[] = {{1.0, 2, 100.0},      {1.0, 3, -7.0},        {2.5, 4095, 1e300},
                            {0.3, 4096, 1e-300}, {1.0, 4097, 5e-324},   {1e-300, 10001, 42.0},
                            {1e300, 9000, 1.0},  {7.0, 20000, -1e308}};
    pi = servicos::elementares::arco_cosseno(-1.0);
    for (const Malha& m : malhas) {
        SCOPED_TRACE(testing::Message() << m.Lx << " " << m.Nx << " " << m.Ti);
        Lx = m.Lx;
        Nx = m.Nx;
        Ti = m.Ti;
        dx = Lx / (Nx - 1.0);
        x.alocar(1, Nx);
        Tant.alocar(1, Nx);
        for (i = 1; i <= Nx; ++i) x(i) = (i - 1.0) * dx;
        coeficientes::condicao_inicial();
        const std::vector<double> em_bloco(Tant.dados(), Tant.dados() + Nx);
        campo_inicial_na_ordem_escrita();
        for (std::int32_t j = 1; j <= Nx; ++j)
            ASSERT_EQ(std::bit_cast<std::uint64_t>(em_bloco[static_cast<std::size_t>(j - 1)]),
                      std::bit_cast<std::uint64_t>(Tant(j)))
                << j;
    }
}

// A node whose argument overflows: sin(inf) is the sine's domain error, at
// the same node and after the same earlier nodes either way (with the traps
// armed, x*pi itself traps there).
TEST_F(EmBloco, CampoInicialRelataNoMesmoNo) {
    pi = servicos::elementares::arco_cosseno(-1.0);
    Lx = 1.0;
    Nx = 9000;
    Ti = 100.0;
    x.alocar(1, Nx);
    Tant.alocar(1, Nx);
    for (const std::int32_t falho : {1, 4096, 4097, 9000}) {
        SCOPED_TRACE(falho);
        for (i = 1; i <= Nx; ++i) x(i) = (i - 1.0) / (Nx - 1.0);
        x(falho) = 1e308;
        std::vector<std::string> relatorios;
        std::vector<std::int32_t> nos;
        std::vector<std::vector<double>> campos;
        for (const bool em_bloco : {true, false}) {
            for (i = 1; i <= Nx; ++i) Tant(i) = -1.0;
            try {
                if (em_bloco)
                    coeficientes::condicao_inicial();
                else
                    campo_inicial_na_ordem_escrita();
            } catch (const servicos::erros::FalhaRelatada& f) {
                relatorios.push_back(f.relatorio);
            }
            nos.push_back(i);
            campos.emplace_back(Tant.dados(), Tant.dados() + falho - 1);
        }
        ASSERT_EQ(relatorios.size(), 2u);
        EXPECT_EQ(relatorios[0], "\r\nrun-time error M6201: MATH\r\n- sin: DOMAIN error\r\n");
        EXPECT_EQ(relatorios[0], relatorios[1]);
        EXPECT_EQ(nos[0], falho);
        EXPECT_EQ(nos[0], nos[1]);
        EXPECT_EQ(campos[0], campos[1]);
    }
    std::feclearexcept(FE_ALL_EXCEPT);
}

// With the traps armed: the report ends the run at the level that fails, in
// solucao_analitica before any file exists, or in the listing's middle-node
// table, whose set of files is then discarded whole.
suporte::Resultado blocos_sob_armadilhas(const std::string& onde, std::int32_t nivel,
                                         const suporte::PastaTemporaria& pasta) {
    suporte::Execucao execucao;
#ifdef _WIN32
    execucao.programa = std::string(DIFUSAO_AUXILIARES) + "/blocos_sob_armadilhas.exe";
#else
    execucao.programa = std::string(DIFUSAO_AUXILIARES) + "/blocos_sob_armadilhas";
#endif
    execucao.argumentos = {onde, std::to_string(nivel)};
    execucao.diretorio = pasta.caminho();
    return suporte::executar(execucao);
}

TEST(EmBlocoArmado, RelatoNoNivelQueFalha) {
    const std::string relatorio = "\r\nrun-time error M6203: MATH\r\n- exp: OVERFLOW error\r\n";
    for (const std::int32_t nivel : {0, 3, 2047, 2048, 5000}) {
        SCOPED_TRACE(nivel);
        {
            suporte::PastaTemporaria pasta;
            const suporte::Resultado r = blocos_sob_armadilhas("inicial", nivel + 1, pasta);
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.erro, "\r\nrun-time error M6104: MATH\r\n- floating-point error: overflow\r\n");
        }
        {
            suporte::PastaTemporaria pasta;
            const suporte::Resultado r = blocos_sob_armadilhas("analitica", nivel, pasta);
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.erro, relatorio);
            EXPECT_FALSE(std::filesystem::exists(pasta / "listagem.txt"));
        }
        suporte::PastaTemporaria pasta;
        const suporte::Resultado r = blocos_sob_armadilhas("resultados", nivel, pasta);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.erro, relatorio);
        // The set is discarded whole: no listing, no data file, no temporary.
        EXPECT_TRUE(std::filesystem::is_empty(pasta.caminho()));
    }
}

}  // namespace
