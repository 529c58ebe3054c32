// Cost of the time loop per node and time step, at three shapes of the same
// 10^8 node-steps (Nx, Nt) = (10^3, 10^5), (10^5, 10^3), (10^6, 10^2):
//  - fundido: the driver's loop, principal::avancar_no_tempo;
//  - literal: the loop as the routines are written and called one after the
//    other (independent term, tdma obtaining its work arrays, mean, copy);
//  - piso:    only the two dependent chains of the Thomas algorithm over the
//    same arrays, the least any loop of these steps can cost.
// The counter "ns_no_passo" is the time per node-step.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "campo_inicial.hpp"
#include "nucleo/coeficientes.hpp"
#include "nucleo/processamento.hpp"
#include "nucleo/solver.hpp"
#include "nucleo/variaveis.hpp"
#include "piso.hpp"
#include "principal.hpp"

namespace {

using namespace variaveis;

// Crank-Nicolson (both weights nonzero) on a unit slab, alpha = 1, with the
// final time chosen so that the field decays by about e^-1: the values stay
// normal doubles all along.
void preparar(std::int32_t nos, std::int32_t passos) {
    iniciar_corrida(
        {.Lx = 1.0, .Nx = nos, .tf = 0.1, .Nt = passos, .Ti = 100.0, .theta = 0.5, .k = 1.0, .ro = 1.0, .cp = 1.0});
    principal::preparar_laco();
}

// The loop as written: the routines one after the other, tdma obtaining and
// releasing its work arrays at every call, the new field copied into Tant.
void laco_literal() {
    for (n = 1; n <= Nt; ++n) {
        coeficientes::termo_fonte();
        solver::tdma(aP, aW, aE, bP, T, Nx);
        processamento::temperatura_media(T, Nx, dx, Lx, Tm(n));
        const std::int32_t imeio = no_do_meio(Nx);
        Tmeio(n) = T(imeio);
        for (std::int32_t j = 1; j <= Nx; ++j) Tant(j) = T(j);
    }
}

void por_no_passo(benchmark::State& estado) {
    estado.counters["ns_no_passo"] =
        benchmark::Counter(static_cast<double>(Nx) * Nt * 1e-9,
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Each iteration starts again from the initial field.
template <typename Laco>
void medir(benchmark::State& estado, Laco laco) {
    repetir_do_campo_inicial(estado, laco);
    por_no_passo(estado);
    reiniciar_estado();
}

void preparar(const benchmark::State& estado) {
    preparar(static_cast<std::int32_t>(estado.range(0)), static_cast<std::int32_t>(estado.range(1)));
}

void BM_laco_fundido(benchmark::State& estado) {
    preparar(estado);
    medir(estado, [] { principal::avancar_no_tempo(); });
}

void BM_laco_literal(benchmark::State& estado) {
    preparar(estado);
    medir(estado, laco_literal);
}

// The independent term of the first step serves every step.
void BM_piso(benchmark::State& estado) {
    preparar(estado);
    coeficientes::termo_fonte();
    solver::Trabalho trabalho;
    solver::obter_trabalho(trabalho, Nx);
    medir(estado, [&] {
        piso(aP.dados(), aW.dados(), aE.dados(), bP.dados(), trabalho.P.dados(), trabalho.Q.dados(), T.dados(),
             Nx, Nt);
    });
}

void tamanhos(benchmark::internal::Benchmark* b) {
    b->ArgNames({"Nx", "Nt"});
    b->Args({1000, 100000});
    b->Args({100000, 1000});
    b->Args({1000000, 100});
    b->Unit(benchmark::kMillisecond)->Iterations(1);
}

BENCHMARK(BM_piso)->Apply(tamanhos);
BENCHMARK(BM_laco_fundido)->Apply(tamanhos);
BENCHMARK(BM_laco_literal)->Apply(tamanhos);

}  // namespace

BENCHMARK_MAIN();
