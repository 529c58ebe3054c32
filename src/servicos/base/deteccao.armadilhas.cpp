// What the trapping implementations share (POSIX and Windows): the unit's
// flags as the faults a hold noted, and a fault made off the unit raised on
// it, so that it traps, or is noted by a hold, as the unit's own.
#include <cfenv>

#include "servicos/base/deteccao.hpp"

namespace servicos::base::deteccao {

namespace {

constexpr int excecoes_armadas = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;

}  // namespace

namespace detalhe {

void notar(unsigned falhas) {
    const int excecoes = (falhas & falha_invalida ? FE_INVALID : 0) | (falhas & falha_divisao_por_zero ? FE_DIVBYZERO : 0) |
                         (falhas & falha_overflow ? FE_OVERFLOW : 0);
    if (excecoes != 0) std::feraiseexcept(excecoes);
}

}  // namespace detalhe

unsigned Retencao::falhas() const {
    const int levantadas = std::fetestexcept(excecoes_armadas);
    return (levantadas & FE_INVALID ? falha_invalida : 0u) | (levantadas & FE_DIVBYZERO ? falha_divisao_por_zero : 0u) |
           (levantadas & FE_OVERFLOW ? falha_overflow : 0u);
}

}  // namespace servicos::base::deteccao
