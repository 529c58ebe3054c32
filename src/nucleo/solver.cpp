#include "nucleo/solver.hpp"

#include "nucleo/esquema.hpp"
#include "servicos/base/mensagens.hpp"
#include "servicos/erros/erros.hpp"

namespace solver {

using variaveis::Arranjo;

void obter_trabalho(Trabalho& trabalho, std::int32_t N) {
    if (!trabalho.P.alocar(1, N) || !trabalho.Q.alocar(1, N))
        servicos::erros::relatar_erro(servicos::base::mensagem::memoria_insuficiente,
                                      servicos::base::instrucao::sem_rotulo);
}

void tdma(const Arranjo& aP, const Arranjo& aW, const Arranjo& aE, const Arranjo& bP, Arranjo& X,
          const std::int32_t& N) {
    if (N < 1) return;
    Trabalho trabalho;
    obter_trabalho(trabalho, N);
    tdma(aP, aW, aE, bP, X, N, trabalho);
}

void tdma(const Arranjo& aP, const Arranjo& aW, const Arranjo& aE, const Arranjo& bP, Arranjo& X,
          const std::int32_t& N, Trabalho& trabalho) {
    if (N < 1) return;
    Arranjo& P = trabalho.P;
    Arranjo& Q = trabalho.Q;
    esquema::Eliminada linha = esquema::eliminar_primeira_linha(aP(1), aE(1), bP(1));
    P(1) = linha.P;
    Q(1) = linha.Q;
    for (std::int32_t i = 2; i <= N; ++i) {
        linha = esquema::eliminar_linha(aP(i), aW(i), aE(i), bP(i), linha);
        P(i) = linha.P;
        Q(i) = linha.Q;
    }
    X(N) = Q(N);
    for (std::int32_t i = N - 1; i >= 1; --i) X(i) = esquema::substituir_linha(P(i), Q(i), X(i + 1));
}

}  // namespace solver
