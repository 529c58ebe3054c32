// Many evaluations of the watched math functions at once: holding and giving
// back the traps around every single call costs more than the function, so a
// whole block runs under one hold and is judged once at its end, and a block
// judged false is evaluated again call by call (the idiom "held and
// replayed" of docs/arquitetura.md, for the initial field's sines and the
// exact solution's exponentials).
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "servicos/plataforma/plataforma.hpp"

namespace servicos::erros {

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

// Evaluations under one hold of the traps: enough that holding and testing
// them costs little against the block, few enough that a block evaluated
// again call by call costs little against the whole.
inline constexpr std::int32_t avaliacoes_por_bloco = 4096;

// The indices primeiro..ultimo in blocks of avaliacoes_por_bloco. Each block
// goes to `em_bloco(inicio, fim)`, which evaluates it under
// sem_falha_em_bloco and returns its verdict; the indices of a block judged
// false go one by one, in order, to `vigiado(indice)`, which evaluates that
// index with the watched functions, so that a report comes at the index and
// after the values that the evaluation as written gives.
template <typename EmBloco, typename Vigiado>
void percorrer_em_blocos(std::int32_t primeiro, std::int32_t ultimo, EmBloco em_bloco, Vigiado vigiado) {
    for (std::int64_t inicio = primeiro; inicio <= ultimo; inicio += avaliacoes_por_bloco) {
        const auto de = static_cast<std::int32_t>(inicio);
        const auto ate = static_cast<std::int32_t>(std::min<std::int64_t>(inicio + avaliacoes_por_bloco - 1, ultimo));
        if (em_bloco(de, ate)) continue;
        for (std::int64_t m = de; m <= ate; ++m) vigiado(static_cast<std::int32_t>(m));
    }
}

}  // namespace servicos::erros
