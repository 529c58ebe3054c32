// Many evaluations of the watched math functions at once: holding and giving
// back the traps around every single call costs more than the function, so a
// whole block runs under one hold and is judged once at its end, and a block
// judged false is evaluated again call by call (the idiom "held and
// replayed" of docs/arquitetura.md, for the initial field's sines and the
// exact solution's exponentials).
#pragma once

#include <algorithm>
#include <cstdint>

#include "servicos/base/deteccao.hpp"

namespace servicos::erros {

// Runs `bloco` under a hold of the detection, then gives it back. `bloco`
// calls the functions directly (our elementary functions, which fail only
// through their results and the flags), and shows the sentinel it is given
// every argument and every value it stores: a fault carried on to any of
// them makes it not finite (an infinite argument's exponential is 0, so the
// argument itself is shown). True means that nothing in the block would have
// been reported; false, that the caller must evaluate the block again one
// watched call at a time, in the order written, for the right report.
template <typename Bloco>
bool sem_falha_em_bloco(Bloco bloco) {
    const base::deteccao::Retencao retida;
    base::deteccao::Sentinela sentinela;
    base::deteccao::barreira();  // no array access moves out of the hold
    bloco(sentinela);
    base::deteccao::barreira();
    return !retida.falhou(sentinela);
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
