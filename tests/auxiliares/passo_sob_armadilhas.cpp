// Child program for the tests of the driver's time loop: starts the run-time
// with the traps armed, as the real program does, sets up a run or one
// crafted time step, and computes it either by the routines in the order they
// are written ("escrita") or by the driver ("fundido"). A fault ends it with
// its report; a computation without fault ends with status 0, an unknown case
// with status 3.
//
//     passo_sob_armadilhas escrita|fundido <case>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <string_view>

#include "nucleo/coeficientes.hpp"
#include "nucleo/passo_tempo.hpp"
#include "nucleo/processamento.hpp"
#include "nucleo/solver.hpp"
#include "nucleo/variaveis.hpp"
#include "principal.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/execucao.hpp"

namespace {

using namespace variaveis;

// Everything the driver does before its time loop.
void preparar(const DadosEntrada& d) {
    iniciar_corrida(d);
    principal::preparar_laco();
}

// The driver's time loop as written: one routine after the other.
void laco_na_ordem_escrita() {
    for (n = 1; n <= Nt; ++n) {
        coeficientes::termo_fonte();
        solver::tdma(aP, aW, aE, bP, T, Nx);
        processamento::temperatura_media(T, Nx, dx, Lx, Tm(n));
        Tmeio(n) = T(no_do_meio(Nx));
        for (std::int32_t j = 1; j <= Nx; ++j) Tant(j) = T(j);
    }
}

// Twelve nodes, dx = 1 and dt = 0.5 with theta = 0: a_exp = 0.5 and a_cen = 0
// exactly, so that a node holding an infinity makes 0*inf in its own row.
// Tant is then made the level-1 field of a crafted step 2.
void preparar_passo_forjado() {
    preparar({.Lx = 11.0, .Nx = 12, .tf = 1.0, .Nt = 2, .Ti = 100.0, .theta = 0.0, .k = 1.0, .ro = 1.0, .cp = 1.0});
    for (std::int32_t j = 1; j <= Nx; ++j) T(j) = Tant(j) = 1.0;
}

// Row 3 with a zero pivot: the forward sweep divides 1 by 0 there, before
// any fault the written order would meet further on.
void pivo_zero_na_linha_3() {
    aP(3) = 0.0;
    aE(3) = 1.0;
}

void forjar(std::string_view caso) {
    preparar_passo_forjado();
    if (caso == "media_antes_da_fonte") {
        // The written order overflows in the mean (pair 9-10) before the
        // independent term meets 0*inf at node 2.
        Tant(2) = INFINITY;
        Tant(9) = Tant(10) = DBL_MAX;
    } else if (caso == "fonte_antes_da_eliminacao") {
        // The independent term overflows at node 9 (the mean's pairs cancel)
        // before the elimination divides by zero at row 3.
        Tant(8) = Tant(10) = DBL_MAX;
        Tant(9) = Tant(11) = -DBL_MAX;
        pivo_zero_na_linha_3();
    } else if (caso == "media_antes_da_eliminacao") {
        Tant(9) = Tant(10) = DBL_MAX;
        pivo_zero_na_linha_3();
    } else if (caso == "invalido_antes_da_eliminacao") {
        // 0*inf in the independent term of node 5, after the forward sweep
        // has reached row 3 in the fused order.
        Tant(5) = INFINITY;
        pivo_zero_na_linha_3();
    }
}

void passo_forjado_na_ordem_escrita() {
    processamento::temperatura_media(Tant, Nx, dx, Lx, Tm(1));
    Tmeio(1) = Tant(no_do_meio(Nx));
    coeficientes::termo_fonte();
    solver::tdma(aP, aW, aE, bP, T, Nx);
}

void passo_forjado_fundido() {
    solver::Trabalho trabalho;
    solver::obter_trabalho(trabalho, Nx);
    passo_tempo::bloco(2, 2, trabalho, nullptr);
}

// Whole runs with a mesh Fourier number F = dt/dx^2 (alpha = 1).
DadosEntrada corrida(double theta, double F, std::int32_t Nx, std::int32_t Nt) {
    const double dx = 1.0 / (Nx - 1.0);
    return {.Lx = 1.0, .Nx = Nx, .tf = F * dx * dx * Nt, .Nt = Nt, .Ti = 100.0, .theta = theta,
            .k = 1.0, .ro = 1.0, .cp = 1.0};
}

bool preparar_corrida(std::string_view caso) {
    if (caso == "instavel_explicito") {
        preparar(corrida(0.0, 2.0, 11, 2000));  // rounding noise grows 7-fold a step
    } else if (caso == "instavel_theta") {
        preparar(corrida(0.25, 50.0, 20, 3000));
    } else if (caso == "pivo_zero") {
        preparar(corrida(-0.5, 1.0, 9, 5));  // aP = 1 + 2*theta*F = 0
    } else if (caso == "estavel") {
        preparar(corrida(0.5, 0.8, 21, 200));
    } else if (caso == "subnormal") {
        DadosEntrada d = corrida(1.0, 5.0, 15, 300);
        d.Ti = 1e-300;  // decays through the subnormal range: underflow only
        preparar(d);
    } else {
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    servicos::iniciar_execucao(argc, argv);
    if (argc < 3) servicos::erros::encerrar_programa(3);
    const std::string_view modo = argv[1];
    const std::string_view caso = argv[2];
    const bool escrita = modo == "escrita";
    if (preparar_corrida(caso)) {
        if (escrita)
            laco_na_ordem_escrita();
        else
            principal::avancar_no_tempo();
    } else if (caso == "media_antes_da_fonte" || caso == "fonte_antes_da_eliminacao" ||
               caso == "media_antes_da_eliminacao" || caso == "invalido_antes_da_eliminacao") {
        forjar(caso);
        if (escrita)
            passo_forjado_na_ordem_escrita();
        else
            passo_forjado_fundido();
    } else {
        servicos::erros::encerrar_programa(3);
    }
    servicos::erros::encerrar_programa(0);
}
