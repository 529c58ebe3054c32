// Times `laco`, a whole time loop over the shared state, once per iteration,
// each iteration starting again from the initial field that Tant holds now
// (the copy back is not timed).
#pragma once

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "nucleo/variaveis.hpp"

template <typename Laco>
void repetir_do_campo_inicial(benchmark::State& estado, Laco laco) {
    using variaveis::Tant;
    const std::vector<double> inicial(Tant.dados(), Tant.dados() + Tant.tamanho());
    for (auto _ : estado) {
        estado.PauseTiming();
        std::memcpy(Tant.dados(), inicial.data(), inicial.size() * sizeof(double));
        estado.ResumeTiming();
        laco();
        benchmark::ClobberMemory();
    }
}
