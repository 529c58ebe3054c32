// Many evaluations of the watched math functions at once: holding and giving
// back the traps around every single call costs more than the function, so a
// whole block runs under one hold and is judged once at its end.
#pragma once

#include <cerrno>

#include "servicos/plataforma.hpp"

namespace servicos {

// Runs `bloco` with the traps held and errno cleared, then gives the traps
// back. `bloco` calls the functions directly (our elementary functions, which
// signal through the flags alone) and returns whether any of their results
// was infinite. True means that nothing in the block
// raised a trapping flag or would have made a watched function report (a
// domain error, or a range error with an infinite result; an underflow's
// range error passes); false, that the caller must evaluate the block again
// one watched call at a time, in the order written, for the right report.
template <typename Bloco>
bool sem_falha_em_bloco(Bloco bloco) {
    const plataforma::ArmadilhasRetidas retidas;
    errno = 0;
    plataforma::barreira();  // no array access moves out of the hold
    const bool infinito = bloco();
    plataforma::barreira();
    const int erro = errno;
    return retidas.falhas() == 0 && erro != EDOM && !(erro == ERANGE && infinito);
}

}  // namespace servicos
