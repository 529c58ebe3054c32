// Our correctly rounded sine and exponential against the platform's, ns per
// call in the same run, over the arguments the program meets:
//  - seno: the initial field's sin(x(i)*pi/Lx), x(i) = (i - 1)*dx, over
//    [0, pi] in the program's order and in a shuffled order (where the
//    quadrant's branch cannot be predicted);
//  - exponencial: the analytic solution's exp(t(n)*taxa), t(n) = n*dt, over
//    a decay to e^-50 (the ordinary range), and to e^-800, whose last tenth
//    has subnormal and zero results (the deep tail of a long run).
// The counter "ns_por_chamada" is the time per call.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "servicos/elementares/elementares.hpp"

namespace {

constexpr std::int64_t chamadas = 100000;

std::vector<double> argumentos_do_seno(bool embaralhados) {
    const double pi = servicos::elementares::arco_cosseno(-1.0);
    const double Lx = 1.0;
    const double dx = Lx / (chamadas - 1.0);
    std::vector<double> a(chamadas);
    for (std::int64_t i = 0; i < chamadas; ++i) a[static_cast<std::size_t>(i)] = (static_cast<double>(i) * dx) * pi / Lx;
    if (embaralhados) std::shuffle(a.begin(), a.end(), std::mt19937_64(20261208));
    return a;
}

std::vector<double> argumentos_da_exponencial(double menor_expoente) {
    const double taxa = -(9.869604401089358 * 1.0 / 1.0);  // -(pi^2 alpha/Lx^2), alpha = Lx = 1
    const double dt = menor_expoente / taxa / (chamadas - 1.0);
    std::vector<double> a(chamadas);
    for (std::int64_t n = 0; n < chamadas; ++n) a[static_cast<std::size_t>(n)] = (static_cast<double>(n) * dt) * taxa;
    return a;
}

template <typename Funcao>
void medir(benchmark::State& estado, const std::vector<double>& argumentos, Funcao funcao) {
    for (auto _ : estado) {
        double soma = 0.0;
        for (const double x : argumentos) soma += funcao(x);
        benchmark::DoNotOptimize(soma);
    }
    estado.counters["ns_por_chamada"] =
        benchmark::Counter(static_cast<double>(argumentos.size()) * 1e-9,
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_seno_nosso(benchmark::State& estado) {
    medir(estado, argumentos_do_seno(estado.range(0) != 0), [](double x) { return servicos::elementares::seno(x); });
}
void BM_seno_plataforma(benchmark::State& estado) {
    medir(estado, argumentos_do_seno(estado.range(0) != 0), [](double x) { return std::sin(x); });
}
void BM_exp_nossa(benchmark::State& estado) {
    medir(estado, argumentos_da_exponencial(-static_cast<double>(estado.range(0))),
          [](double x) { return servicos::elementares::exponencial(x); });
}
void BM_exp_plataforma(benchmark::State& estado) {
    medir(estado, argumentos_da_exponencial(-static_cast<double>(estado.range(0))),
          [](double x) { return std::exp(x); });
}

BENCHMARK(BM_seno_nosso)->ArgName("embaralhado")->Arg(0)->Arg(1);
BENCHMARK(BM_seno_plataforma)->ArgName("embaralhado")->Arg(0)->Arg(1);
BENCHMARK(BM_exp_nossa)->ArgName("ate_menos")->Arg(50)->Arg(800);
BENCHMARK(BM_exp_plataforma)->ArgName("ate_menos")->Arg(50)->Arg(800);

}  // namespace

BENCHMARK_MAIN();
