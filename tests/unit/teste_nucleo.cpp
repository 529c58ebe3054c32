// The numerical core: derived quantities, theta-scheme rows, the tridiagonal
// solver, mean temperature, analytic solution and the whole time loop.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "nucleo/coeficientes.hpp"
#include "nucleo/processamento.hpp"
#include "nucleo/solver.hpp"
#include "nucleo/variaveis.hpp"
#include "principal.hpp"
#include "servicos/base/mensagens.hpp"
#include "servicos/elementares/elementares.hpp"
#include "servicos/erros/erros.hpp"

namespace {

using namespace variaveis;

using Caso = DadosEntrada;

// One implicit step on three nodes of a unit slab with unit properties: the
// case that each test changes a few data of.
constexpr Caso caso_base{1.0, 3, 1.0, 1, 100.0, 1.0, 1.0, 1.0, 1.0};

class Nucleo : public ::testing::Test {
protected:
    void SetUp() override {
        servicos::erros::definir_modo_teste(true);
        reiniciar_estado();
    }
    void TearDown() override { reiniciar_estado(); }

    static void rodar(const Caso& c) {
        iniciar_corrida(c);
        principal::calcular();
    }
};

Arranjo arranjo(const std::vector<double>& valores) {
    Arranjo a;
    a.alocar(1, static_cast<std::int64_t>(valores.size()));
    for (std::size_t j = 0; j < valores.size(); ++j) a(static_cast<std::int64_t>(j) + 1) = valores[j];
    return a;
}

std::vector<double> valores(const Arranjo& a) {
    return std::vector<double>(a.dados(), a.dados() + a.tamanho());
}

TEST_F(Nucleo, CorridaPequenaImplicitaDaOsNumerosExatos) {
    rodar(caso_base);
    EXPECT_EQ(dx, 0.5);
    EXPECT_EQ(dt, 1.0);
    EXPECT_EQ(a_imp, 4.0);
    EXPECT_EQ(a_exp, 0.0);
    EXPECT_EQ(a_cen, 1.0);
    EXPECT_EQ(Tmeio(0), 100.0);
    EXPECT_EQ(Tm(0), 50.0);
    EXPECT_EQ(T(1), 0.0);
    EXPECT_EQ(T(2), 100.0 / 9.0);
    EXPECT_EQ(T(3), 0.0);
    EXPECT_EQ(Tmeio(1), 100.0 / 9.0);
    EXPECT_EQ(Tm(1), 50.0 / 9.0);
    EXPECT_EQ(Tm_an(0), 200.0 / pi);
    EXPECT_NEAR(Tm_an(1), 0.0032928003, 1e-10);
    EXPECT_EQ(valores(Tant), valores(T));
}

TEST_F(Nucleo, PesosDoEsquemaTheta) {
    struct Linha {
        double theta;
        bool exp_zero, imp_zero, imp_igual_exp;
    };
    for (const Linha& l : {Linha{0.0, false, true, false}, Linha{0.5, false, false, true},
                           Linha{1.0, true, false, false}}) {
        SCOPED_TRACE(l.theta);
        Caso c = caso_base;
        c.theta = l.theta;
        c.Nx = 11;
        c.Nt = 4;
        c.k = 0.3;
        iniciar_corrida(c);
        principal::calcular_grandezas_derivadas();
        const double F = alpha * dt / std::pow(dx, 2.0);
        EXPECT_NEAR(a_imp, l.theta * F, 1e-14);
        EXPECT_NEAR(a_exp, (1.0 - l.theta) * F, 1e-14);
        EXPECT_NEAR(a_cen, 1.0 - 2.0 * (1.0 - l.theta) * F, 1e-14);
        if (l.exp_zero) {
            EXPECT_EQ(a_exp, 0.0);
            EXPECT_EQ(a_cen, 1.0);
        }
        if (l.imp_zero) {
            EXPECT_EQ(a_imp, 0.0);
        }
        if (l.imp_igual_exp) {
            EXPECT_EQ(a_imp, a_exp);
        }
    }
}

TEST_F(Nucleo, MalhasDeNosETempos) {
    Caso c = caso_base;
    c.Nx = 11;
    c.Nt = 4;
    rodar(c);
    EXPECT_EQ(dx, 0.1);
    EXPECT_EQ(x(1), 0.0);
    EXPECT_EQ(x(6), 0.5);
    const std::vector<double> tempos{0.0, 0.25, 0.5, 0.75, 1.0};
    EXPECT_EQ(valores(t), tempos);
}

TEST_F(Nucleo, NoDoMeio) {
    struct Linha {
        std::int32_t nos, meio;
    };
    for (const Linha& l : {Linha{2, 1}, Linha{3, 2}, Linha{10, 5}, Linha{11, 6}, Linha{21, 11},
                           Linha{INT_MAX, 1073741824}, Linha{INT_MAX - 1, 1073741823}})
        EXPECT_EQ(no_do_meio(l.nos), l.meio) << l.nos;
}

TEST_F(Nucleo, NoDoMeioComNxPar) {
    Caso c = caso_base;
    c.Nx = 10;
    c.Lx = 1.0;
    rodar(c);
    // Node 5, at x = 4*dx, the left one of the two central nodes.
    EXPECT_EQ(Tmeio(0), servicos::elementares::seno(x(5) * pi / Lx) * Ti);
    EXPECT_EQ(x(5), 4.0 * dx);
    EXPECT_NEAR(Tmeio(0), Ti * std::sin(4.0 * std::numbers::pi / 9.0), 1e-12);
}

TEST_F(Nucleo, DoisNosNaoTemNoInterno) {
    Caso c = caso_base;
    c.Nx = 2;
    c.Nt = 3;
    rodar(c);
    EXPECT_EQ(Tmeio(0), 0.0);
    for (std::int32_t m = 1; m <= 3; ++m) {
        EXPECT_EQ(Tmeio(m), 0.0);
        EXPECT_EQ(Tm(m), 0.0);
    }
    EXPECT_EQ(T(1), 0.0);
    EXPECT_EQ(T(2), 0.0);
}

TEST_F(Nucleo, CampoInicialGuardaOResiduoNaExtremidade) {
    Caso c = caso_base;
    c.Nx = 21;
    c.Nt = 1;
    rodar(c);
    const double residuo = servicos::elementares::seno(x(21) * pi / Lx) * Ti;
    EXPECT_NE(residuo, 0.0);
    EXPECT_LT(std::fabs(residuo), 1e-13);
    // Tant was overwritten by the step; rebuild the initial field to check it.
    coeficientes::condicao_inicial();
    EXPECT_EQ(Tant(1), 0.0);
    EXPECT_EQ(Tant(21), residuo);
    EXPECT_NEAR(Tant(11), Ti, 1e-12);
    EXPECT_EQ(Tmeio(0), Tant(11));
    EXPECT_EQ(T(1), 0.0);
    EXPECT_EQ(T(21), 0.0);
}

TEST_F(Nucleo, TermoFonteComThetaUmEhOCampoAnterior) {
    Caso c = caso_base;
    c.Nx = 7;
    iniciar_corrida(c);
    principal::calcular_grandezas_derivadas();
    principal::alocar_arranjos();
    principal::montar_malhas();
    coeficientes::condicao_inicial();
    coeficientes::coeficientes_internos();
    coeficientes::condicoes_contorno();
    coeficientes::termo_fonte();
    for (std::int32_t j = 2; j <= 6; ++j) EXPECT_EQ(bP(j), Tant(j));
    EXPECT_EQ(bP(1), 0.0);
    EXPECT_EQ(bP(7), 0.0);
}

TEST_F(Nucleo, ExplicitoResolveADiagonal) {
    Caso c = caso_base;
    c.Nx = 9;
    c.theta = 0.0;
    c.Nt = 1;
    c.tf = 0.01;
    rodar(c);
    // With theta = 0 the rows are diagonal and the solution is bP itself.
    for (std::int32_t j = 1; j <= 9; ++j) EXPECT_EQ(T(j), bP(j));
}

TEST_F(Nucleo, DadosQueSairiamDosArranjosSaoRecusados) {
    struct Linha {
        std::int32_t Nx, Nt;
        int numero;
    };
    for (const Linha& l : {Linha{0, 5, servicos::base::mensagem::dimensao_invalida},
                           Linha{-7, 5, servicos::base::mensagem::dimensao_invalida},
                           Linha{INT_MIN, 5, servicos::base::mensagem::dimensao_invalida},
                           Linha{5, -1, servicos::base::mensagem::dimensao_invalida},
                           Linha{INT_MAX, 5, servicos::base::mensagem::memoria_insuficiente},
                           Linha{5, INT_MAX, servicos::base::mensagem::memoria_insuficiente}}) {
        SCOPED_TRACE(testing::Message() << l.Nx << " " << l.Nt);
        Caso c = caso_base;
        c.Nx = l.Nx;
        c.Nt = l.Nt;
        c.tf = 1.0;
        iniciar_corrida(c);
        try {
            principal::calcular();
            ADD_FAILURE() << "not refused";
        } catch (const servicos::erros::FalhaRelatada& f) {
            EXPECT_EQ(f.numero_mensagem, l.numero);
        }
    }
}

// ---------------------------------------------------------------------------
// Tridiagonal solver.

TEST(Tdma, UmaLinha) {
    Arranjo aP = arranjo({4.0}), aW = arranjo({7.0}), aE = arranjo({9.0}), bP = arranjo({3.0}), X = arranjo({0.0});
    const std::int32_t N = 1;
    solver::tdma(aP, aW, aE, bP, X, N);
    EXPECT_EQ(X(1), 0.75);
}

TEST(Tdma, SistemaDiagonalENaoTocaNasEntradas) {
    const std::vector<double> p{1.0, 2.0, 4.0, 1.0}, zeros(4, 0.0), b{3.0, 5.0, 7.0, -1.0};
    Arranjo aP = arranjo(p), aW = arranjo(zeros), aE = arranjo(zeros), bP = arranjo(b), X = arranjo(zeros);
    const std::int32_t N = 4;
    solver::tdma(aP, aW, aE, bP, X, N);
    EXPECT_EQ(valores(X), (std::vector<double>{3.0, 2.5, 1.75, -1.0}));
    EXPECT_EQ(valores(aP), p);
    EXPECT_EQ(valores(aW), zeros);
    EXPECT_EQ(valores(aE), zeros);
    EXPECT_EQ(valores(bP), b);
}

// Dense Gaussian elimination with partial pivoting, as an independent check.
std::vector<double> resolver_denso(std::vector<std::vector<double>> A, std::vector<double> b) {
    const std::size_t n = b.size();
    for (std::size_t c = 0; c < n; ++c) {
        std::size_t piv = c;
        for (std::size_t r = c + 1; r < n; ++r)
            if (std::fabs(A[r][c]) > std::fabs(A[piv][c])) piv = r;
        std::swap(A[c], A[piv]);
        std::swap(b[c], b[piv]);
        for (std::size_t r = c + 1; r < n; ++r) {
            const double f = A[r][c] / A[c][c];
            for (std::size_t j = c; j < n; ++j) A[r][j] -= f * A[c][j];
            b[r] -= f * b[c];
        }
    }
    std::vector<double> x(n);
    for (std::size_t r = n; r-- > 0;) {
        double s = b[r];
        for (std::size_t j = r + 1; j < n; ++j) s -= A[r][j] * x[j];
        x[r] = s / A[r][r];
    }
    return x;
}

TEST(Tdma, ConcordaComEliminacaoDensa) {
    std::mt19937_64 gerador(20261208);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int caso = 0; caso < 200; ++caso) {
        const std::int32_t N = 1 + caso % 40;
        std::vector<double> p(N), w(N), e(N), b(N);
        std::vector<std::vector<double>> A(N, std::vector<double>(N, 0.0));
        for (std::int32_t r = 0; r < N; ++r) {
            w[r] = u(gerador);
            e[r] = u(gerador);
            p[r] = std::fabs(w[r]) + std::fabs(e[r]) + 0.5 + std::fabs(u(gerador));
            b[r] = 10.0 * u(gerador);
            // aP*X(i) - aW*X(i-1) - aE*X(i+1) = bP
            A[r][r] = p[r];
            if (r > 0) A[r][r - 1] = -w[r];
            if (r + 1 < N) A[r][r + 1] = -e[r];
        }
        Arranjo aP = arranjo(p), aW = arranjo(w), aE = arranjo(e), bP = arranjo(b), X = arranjo(b);
        solver::tdma(aP, aW, aE, bP, X, N);
        const std::vector<double> esperado = resolver_denso(A, b);
        for (std::int32_t r = 0; r < N; ++r) EXPECT_NEAR(X(r + 1), esperado[r], 1e-12) << "case " << caso;
    }
}

// ---------------------------------------------------------------------------
// Mean temperature.

TEST(TemperaturaMedia, MeioSenoComOnzeNos) {
    const std::int32_t N = 11;
    const double L = 1.0, h = 0.1, amplitude = 100.0;
    Arranjo campo;
    campo.alocar(1, N);
    for (std::int32_t j = 1; j <= N; ++j) campo(j) = amplitude * std::sin(std::numbers::pi * (j - 1.0) * h / L);
    double media = -1.0;
    processamento::temperatura_media(campo, N, h, L, media);
    EXPECT_NEAR(media, amplitude / std::tan(std::numbers::pi / 20.0) / 10.0, 1e-12);
    EXPECT_NEAR(amplitude * 2.0 / std::numbers::pi - media, 0.0052446 * amplitude, 1e-5);
}

TEST(TemperaturaMedia, CampoUniformeDaOProprioValor) {
    for (std::int32_t N : {2, 3, 8, 101}) {
        const double L = 2.5, h = L / (N - 1.0);
        Arranjo campo;
        campo.alocar(1, N);
        for (std::int32_t j = 1; j <= N; ++j) campo(j) = 37.5;
        double media = 0.0;
        processamento::temperatura_media(campo, N, h, L, media);
        EXPECT_NEAR(media, 37.5, 1e-12) << N;
    }
}

// ---------------------------------------------------------------------------
// The whole time loop against the discrete eigen-solution: a half sine is an
// eigenvector of the theta-scheme rows, so after n steps every node holds
// A^n times its initial value, with
//   A = (1 - 4(1 - theta)F s^2)/(1 + 4 theta F s^2),  s = sin(pi dx/(2 Lx)).

TEST_F(Nucleo, CampoDiscretoSegueOFatorDeAmplificacao) {
    for (double th : {0.0, 0.5, 1.0}) {
        for (double F : {0.1, 0.25, 0.45, 1.0, 3.0}) {
            if (th == 0.0 && F > 0.5) continue;  // explicit scheme past its bound
            SCOPED_TRACE(testing::Message() << "theta " << th << " F " << F);
            Caso c = caso_base;
            c.Nx = 17;
            c.Nt = 40;
            c.Lx = 2.0;
            c.theta = th;
            const double h = c.Lx / (c.Nx - 1.0);
            c.k = 1.5e-5;
            c.tf = F * h * h / c.k * c.Nt;
            iniciar_corrida(c);
            principal::calcular_grandezas_derivadas();
            principal::alocar_arranjos();
            principal::montar_malhas();
            coeficientes::condicao_inicial();
            std::vector<double> inicial = valores(Tant);
            principal::registrar_nivel_inicial();
            coeficientes::coeficientes_internos();
            coeficientes::condicoes_contorno();
            const double Fr = alpha * dt / std::pow(dx, 2.0);
            const double s = std::sin(std::numbers::pi * dx / (2.0 * Lx));
            const double A = (1.0 - 4.0 * (1.0 - th) * Fr * s * s) / (1.0 + 4.0 * th * Fr * s * s);
            double An = 1.0;
            for (n = 1; n <= Nt; ++n) {
                coeficientes::termo_fonte();
                solver::tdma(aP, aW, aE, bP, T, Nx);
                for (std::int32_t j = 1; j <= Nx; ++j) Tant(j) = T(j);
                An *= A;
                for (std::int32_t j = 2; j < Nx; ++j)
                    ASSERT_NEAR(T(j), An * inicial[j - 1], 1e-12 * Ti * std::fabs(An) + 1e-15) << "step " << n;
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Physics: orders of accuracy and the explicit stability bound.

double erro_final_media(double th, std::int32_t nos, std::int32_t passos) {
    iniciar_corrida({1.0, nos, 0.05, passos, 100.0, th, 1.0, 1.0, 1.0});
    principal::calcular();
    return std::fabs(Tm_an(Nt) - Tm(Nt));
}

TEST_F(Nucleo, CrankNicolsonConvergeEmSegundaOrdem) {
    const double grosso = erro_final_media(0.5, 11, 10);
    const double fino = erro_final_media(0.5, 21, 20);
    EXPECT_NEAR(grosso / fino, 4.0, 0.4);
}

TEST_F(Nucleo, ImplicitoConvergeEmPrimeiraOrdemNoTempo) {
    const double grosso = erro_final_media(1.0, 401, 10);
    const double fino = erro_final_media(1.0, 401, 20);
    EXPECT_NEAR(grosso / fino, 2.0, 0.2);
}

TEST_F(Nucleo, ExplicitoEstavelDentroDoLimiteInstavelFora) {
    // F = 0.4: decays monotonically, as the exact solution does.
    Caso c = caso_base;
    c.Nx = 21;
    c.theta = 0.0;
    c.Nt = 200;
    c.tf = 0.4 * 0.05 * 0.05 * c.Nt;
    rodar(c);
    for (std::int32_t m = 1; m <= Nt; ++m) ASSERT_LE(std::fabs(Tmeio(m)), std::fabs(Tmeio(m - 1)));
    // F = 0.6: past (1 - 2 theta)F <= 1/2, the rounding noise grows as a
    // node-to-node oscillation that alternates in sign from step to step.
    c.tf = 0.6 * 0.05 * 0.05 * c.Nt;
    rodar(c);
    EXPECT_GT(std::fabs(Tmeio(Nt)), 1e3 * Ti);
    EXPECT_LT(T(10) * T(11), 0.0);
    EXPECT_LT(Tmeio(Nt) * Tmeio(Nt - 1), 0.0);
}

}  // namespace
