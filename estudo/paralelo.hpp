// Independent runs of the study on several threads.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "convergencia.hpp"

namespace estudo {

// One run: `executar` writes its results where only it writes. `custo`
// (node-steps) orders the start of the runs; `descricao` names it in the
// progress lines.
struct Tarefa {
    std::function<void()> executar;
    double custo = 0.0;
    std::string descricao;
};

// The processors of the machine (1 when it does not say).
int fios_da_maquina();

// Runs every task once on up to `fios` threads; with one thread, in the
// calling thread and in the given order. The costliest tasks start first, so
// that a long one does not start last. Each thread runs the program's
// computation on a store of its own (see estudo/CMakeLists.txt), gives its
// arrays back before it ends and holds the fault detection for its runs,
// so the results are bit for bit those of a one-thread run. With `progresso`,
// every finished task is announced on standard error. The first exception of
// a task is passed on once every thread has stopped.
void executar_em_paralelo(std::vector<Tarefa>& tarefas, int fios, bool progresso);

// Runs each case on its grid (executar_nivel) in parallel as above; the
// levels in the order of `corridas`. Identical runs (the first level of the
// three refinements) are computed once. With `progresso`, the number of runs
// and an estimate of their time on this machine are said first.
std::vector<Nivel> executar_niveis(std::span<const std::pair<Caso, Malha>> corridas, int fios, bool progresso);

}  // namespace estudo
