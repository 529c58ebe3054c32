#include "solver.hpp"

#include "servicos/erros.hpp"

namespace solver {

using variaveis::Arranjo;

void tdma(const Arranjo& aP, const Arranjo& aW, const Arranjo& aE, const Arranjo& bP, Arranjo& X,
          const std::int32_t& N) {
    if (N < 1) return;
    // Work arrays of the recurrence X(i) = P(i)*X(i+1) + Q(i).
    Arranjo P, Q;
    if (!P.alocar(1, N) || !Q.alocar(1, N))
        servicos::relatar_erro(servicos::mensagem::memoria_insuficiente, servicos::TipoInstrucao::sem_rotulo);

    P(1) = aE(1) / aP(1);
    Q(1) = bP(1) / aP(1);
    for (std::int32_t i = 2; i <= N; ++i) {
        const double d = aP(i) - aW(i) * P(i - 1);
        P(i) = aE(i) / d;
        Q(i) = (bP(i) + aW(i) * Q(i - 1)) / d;
    }
    X(N) = Q(N);
    for (std::int32_t i = N - 1; i >= 1; --i) X(i) = P(i) * X(i + 1) + Q(i);
}

}  // namespace solver
