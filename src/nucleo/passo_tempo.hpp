// The driver's time loop, scheduled for speed. Each step performs exactly the
// IEEE operations of the separate routines (termo_fonte, tdma,
// temperatura_media, the copy of T into Tant), with the same operands and in
// the same order of evaluation, so every value comes out bit for bit the same.
// Only their interleaving differs:
//  - the independent term of a row is built in the forward sweep, just before
//    the row is eliminated, straight from Tant;
//  - the trapezoidal sum of a level rides along with the next step's forward
//    sweep, pair by pair in increasing node order;
//  - T and Tant trade their storage instead of being copied at every step;
//  - the solver's work arrays are obtained once, where the first step's tdma
//    would obtain them, and kept until the loop ends.
// A fused step could meet arithmetic faults in another order than the
// routines, so the steps run with the traps held, a block of them at a time
// (holding and giving back the traps costs as much as hundreds of node-steps
// on some machines); when a block raised an invalid operation, a division by
// zero or an overflow, it is computed again from its start in the routines'
// order with the traps as they were, and the first fault reported is the one
// the routines meet: the program's idiom "held and replayed"
// (docs/arquitetura.md), here in `bloco`.
#pragma once

#include <cstdint>

#include "nucleo/solver.hpp"
#include "nucleo/variaveis.hpp"

namespace passo_tempo {

// Told while the loop runs which time levels have their records (Tm, Tmeio)
// complete, so that another thread may read them: all levels up to `ultimo`,
// and they stay as they are. Called on the loop's thread after every block
// of steps, last with Nt.
class Publicacao {
public:
    virtual void niveis_registrados(std::int32_t ultimo) = 0;

protected:
    ~Publicacao() = default;
};

// Steps 1..Nt on the shared state. Afterwards Tm and Tmeio hold levels
// 1..Nt, T and Tant both the field of level Nt, bP the independent term of
// step Nt. Returns the first step of the first block that had to be computed
// again (0 when none); with the traps armed that computation never returns.
// Levels are published (when `publicacao` is given) once their records are
// final: a block that had to be computed again is published after that.
std::int32_t avancar_no_tempo(Publicacao* publicacao = nullptr);

// How many steps of Nx nodes make one block.
std::int32_t passos_por_bloco(std::int32_t nos);

// Steps primeiro..ultimo (2 <= primeiro <= ultimo), with Tant holding level
// primeiro - 1 and the work arrays obtained; for each step n: the mean and
// middle-node records of level n - 1, then the independent term of step n and
// its solution. Afterwards Tant holds level `ultimo` and T is scratch. To
// compute a block of several steps again, the level before it is kept in
// `copia` (Nx elements). Returns whether the block was computed again.
bool bloco(std::int32_t primeiro, std::int32_t ultimo, solver::Trabalho& trabalho, variaveis::Arranjo* copia);

}  // namespace passo_tempo
