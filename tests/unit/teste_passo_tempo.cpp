// The driver's fused time loop against the routines run one after the other:
// every value bit for bit, the step in which a fault first arises, and, in a
// child process with the traps armed, the report that ends a faulting run.
#include <gtest/gtest.h>

#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "nucleo/coeficientes.hpp"
#include "nucleo/passo_tempo.hpp"
#include "nucleo/processamento.hpp"
#include "nucleo/solver.hpp"
#include "nucleo/variaveis.hpp"
#include "principal.hpp"
#include "processo.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/plataforma/plataforma.hpp"

namespace {

using namespace variaveis;

struct Caso {
    double Lx;
    std::int32_t Nx;
    std::int32_t Nt;
    double theta;
    double F;  // mesh Fourier number dt/dx^2 (alpha = 1)
    double Ti;
};

// Everything the driver does before its time loop.
void preparar(const Caso& c) {
    const double h = c.Lx / (c.Nx - 1.0);
    iniciar_corrida({c.Lx, c.Nx, c.F * h * h * c.Nt, c.Nt, c.Ti, c.theta, 1.0, 1.0, 1.0});
    principal::preparar_laco();
}

// The time loop as written, one routine after the other. Returns the first
// step n >= 2 whose share of the work (the mean of level n - 1, then the
// independent term and the solution of step n) raises a flag that traps.
std::int32_t laco_na_ordem_escrita() {
    std::int32_t primeira = 0;
    std::feclearexcept(FE_ALL_EXCEPT);
    for (n = 1; n <= Nt; ++n) {
        coeficientes::termo_fonte();
        solver::tdma(aP, aW, aE, bP, T, Nx);
        if (n >= 2 && primeira == 0 && std::fetestexcept(servicos::plataforma::falhas_armadas)) primeira = n;
        std::feclearexcept(FE_ALL_EXCEPT);
        processamento::temperatura_media(T, Nx, dx, Lx, Tm(n));
        Tmeio(n) = T(no_do_meio(Nx));
        for (std::int32_t j = 1; j <= Nx; ++j) Tant(j) = T(j);
    }
    std::feclearexcept(FE_ALL_EXCEPT);
    return primeira;
}

std::vector<std::uint64_t> bits(const Arranjo& a) {
    std::vector<std::uint64_t> b(static_cast<std::size_t>(a.tamanho()));
    for (std::size_t j = 0; j < b.size(); ++j) b[j] = std::bit_cast<std::uint64_t>(a.dados()[j]);
    return b;
}

// What the time loop leaves behind and the reports read (bP included: the
// last independent term stays in the state).
struct Estado {
    std::vector<std::uint64_t> Tm, Tmeio, T, Tant, bP;
    std::int32_t primeira_falha;
    bool operator==(const Estado&) const = default;
};

Estado capturar(std::int32_t primeira_falha) {
    return {bits(variaveis::Tm), bits(variaveis::Tmeio), bits(variaveis::T), bits(variaveis::Tant),
            bits(variaveis::bP), primeira_falha};
}

// The fused loop holds the traps over blocks of steps (2, 2 + K, 2 + 2K...)
// and computes again, from its start, the first block in which a flag rises.
std::int32_t inicio_do_bloco(std::int32_t passo) {
    if (passo == 0) return 0;
    const std::int32_t K = passo_tempo::passos_por_bloco(Nx);
    return 2 + (passo - 2) / K * K;
}

Estado pela_ordem_escrita(const Caso& c) {
    preparar(c);
    return capturar(inicio_do_bloco(laco_na_ordem_escrita()));
}

Estado pelo_laco_fundido(const Caso& c) {
    preparar(c);
    return capturar(passo_tempo::avancar_no_tempo());
}

class PassoTempo : public ::testing::Test {
protected:
    void SetUp() override { servicos::erros::definir_modo_teste(true); }
    void TearDown() override { reiniciar_estado(); }

    static void conferir(const Caso& c) {
        SCOPED_TRACE(testing::Message() << "Lx " << c.Lx << " Nx " << c.Nx << " Nt " << c.Nt << " theta "
                                        << c.theta << " F " << c.F << " Ti " << c.Ti);
        const Estado esperado = pela_ordem_escrita(c);
        const Estado obtido = pelo_laco_fundido(c);
        EXPECT_EQ(obtido.Tm, esperado.Tm);
        EXPECT_EQ(obtido.Tmeio, esperado.Tmeio);
        EXPECT_EQ(obtido.T, esperado.T);
        EXPECT_EQ(obtido.Tant, esperado.Tant);
        EXPECT_EQ(obtido.bP, esperado.bP);
        EXPECT_EQ(obtido.primeira_falha, esperado.primeira_falha);
    }
};

TEST_F(PassoTempo, CasosDeBordaIdenticosBitABit) {
    const Caso casos[] = {
        {1.0, 2, 5, 0.5, 0.3, 100.0},          // no interior node
        {1.0, 3, 1, 1.0, 1.0, 100.0},          // one step: nothing fused
        {1.0, 3, 2, 1.0, 1.0, 100.0},          // the one interior node
        {1.0, 4, 7, 0.0, 0.25, -40.0},         // even node count, explicit
        {2.0, 21, 60, 0.0, 0.9, 100.0},        // explicit past its bound: grows, alternates in sign
        {1.0, 11, 400, 0.0, 2.0, 1e300},       // grows beyond the double range
        {1.0, 15, 300, 1.0, 5.0, 1e-300},      // decays through the subnormals
        {1.0, 9, 40, 0.5, 0.7, 4.9e-324},      // starts at the smallest subnormal
        {1.0, 9, 6, -0.5, 1.0, 100.0},         // aP = 0: a zero pivot at row 2
        {1.0, 8, 6, 0.0, 0.5, 100.0},          // a_cen = 0 exactly
        {1.0, 12, 30, 1e300, 1e10, 1.0},       // huge coefficients
        {3.0, 101, 25, 0.5, 1e-8, 1e5},        // almost no change per step
        {1.0, 30000, 30, 0.0, 3.0, 1e300},     // blocks of two steps, overflow in a later one
        {1.0, 70001, 30, 0.0, 3.0, -1e300},    // blocks of one step, overflow in a later one
        {1.0, 70000, 4, 0.5, 0.4, 100.0},      // even, blocks of one step, no fault
    };
    for (const Caso& c : casos) conferir(c);
}

TEST_F(PassoTempo, CasosAleatoriosIdenticosBitABit) {
    std::mt19937_64 gerador(20261209);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const double esquemas[] = {0.0, 0.5, 1.0};
    const double amplitudes[] = {100.0, -37.5, 1e-300, 1e300, -1e305, 2.5e-320};
    for (int caso = 0; caso < 400; ++caso) {
        Caso c{};
        c.Lx = 0.1 + 10.0 * u(gerador);
        c.Nx = caso % 5 == 0 ? 2 + caso / 5 % 4 : 2 + static_cast<std::int32_t>(gerador() % 300);
        c.Nt = caso % 7 == 0 ? 1 + caso / 7 % 3 : 1 + static_cast<std::int32_t>(gerador() % 80);
        c.theta = caso % 2 == 0 ? esquemas[gerador() % 3] : -0.2 + 1.5 * u(gerador);
        c.F = std::pow(10.0, -3.0 + 5.0 * u(gerador));
        c.Ti = caso % 3 == 0 ? amplitudes[gerador() % 6] : 200.0 * (u(gerador) - 0.5);
        conferir(c);
    }
}

// ---------------------------------------------------------------------------
// With the traps armed, in a child process: a faulting run ends with the
// report of the fault the routines meet first, whatever the fused order would
// have met first.

struct Falha {
    const char* caso;
    const char* codigo;  // "" for a run that ends normally
    const char* tipo;
};

std::string relatorio_esperado(const Falha& f) {
    if (*f.codigo == '\0') return "";
    return std::string("\r\nrun-time error ") + f.codigo + ": MATH\r\n- floating-point error: " + f.tipo + "\r\n";
}

suporte::Resultado executar_auxiliar(const std::string& modo, const std::string& caso) {
    suporte::Execucao execucao;
#ifdef _WIN32
    execucao.programa = std::string(DIFUSAO_AUXILIARES) + "/passo_sob_armadilhas.exe";
#else
    execucao.programa = std::string(DIFUSAO_AUXILIARES) + "/passo_sob_armadilhas";
#endif
    execucao.argumentos = {modo, caso};
    return suporte::executar(execucao);
}

TEST(PassoTempoArmado, RelataAPrimeiraFalhaDaOrdemEscrita) {
    const Falha falhas[] = {
        {"instavel_explicito", "M6104", "overflow"},
        {"instavel_theta", "M6104", "overflow"},
        {"pivo_zero", "M6103", "divide by zero"},
        {"estavel", "", ""},
        {"subnormal", "", ""},
        // Crafted steps whose fused order meets another fault first.
        {"media_antes_da_fonte", "M6104", "overflow"},
        {"fonte_antes_da_eliminacao", "M6104", "overflow"},
        {"media_antes_da_eliminacao", "M6104", "overflow"},
        {"invalido_antes_da_eliminacao", "M6101", "invalid"},
    };
    for (const Falha& f : falhas) {
        SCOPED_TRACE(f.caso);
        const suporte::Resultado escrita = executar_auxiliar("escrita", f.caso);
        const suporte::Resultado fundido = executar_auxiliar("fundido", f.caso);
        EXPECT_EQ(escrita.erro, relatorio_esperado(f));
        EXPECT_EQ(escrita.status, *f.codigo ? 1 : 0);
        EXPECT_EQ(fundido.erro, escrita.erro);
        EXPECT_EQ(fundido.status, escrita.status);
        EXPECT_EQ(fundido.saida, "");
    }
}

}  // namespace
