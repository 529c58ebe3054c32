// The time loop of one run, repeated, in a program that builds for every
// target (the WebAssembly build has no benchmark library), so that the same
// loop is compared on each (bench/comparar_wasm.sh): Crank-Nicolson on a
// unit slab, as in bench_laco_tempo, each repetition from the initial field.
// Prints the median elapsed time per node-step in ns; the processor time of
// the repetitions is what the comparison takes, from outside.
//
//     medir_laco NX NT [REPETICOES]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "principal.hpp"
#include "nucleo/variaveis.hpp"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "uso: medir_laco NX NT [REPETICOES]\n");
        return 2;
    }
    const auto nos = static_cast<std::int32_t>(std::atoi(argv[1]));
    const auto passos = static_cast<std::int32_t>(std::atoi(argv[2]));
    const int repeticoes = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    variaveis::iniciar_corrida(
        {.Lx = 1.0, .Nx = nos, .tf = 0.1, .Nt = passos, .Ti = 100.0, .theta = 0.5, .k = 1.0, .ro = 1.0, .cp = 1.0});
    principal::preparar_laco();
    const std::vector<double> inicial(variaveis::Tant.dados(), variaveis::Tant.dados() + variaveis::Tant.tamanho());
    std::vector<double> ns;
    for (int r = 0; r < repeticoes; ++r) {
        std::copy(inicial.begin(), inicial.end(), variaveis::Tant.dados());
        const auto inicio = std::chrono::steady_clock::now();
        principal::avancar_no_tempo();
        const std::chrono::duration<double, std::nano> gasto = std::chrono::steady_clock::now() - inicio;
        ns.push_back(gasto.count() / (static_cast<double>(nos) * passos));
    }
    std::sort(ns.begin(), ns.end());
    std::printf("%.3f\n", ns[ns.size() / 2]);
    return 0;
}
