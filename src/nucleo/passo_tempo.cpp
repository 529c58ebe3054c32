#include "nucleo/passo_tempo.hpp"

#include <algorithm>
#include <utility>

#include "nucleo/coeficientes.hpp"
#include "nucleo/esquema.hpp"
#include "nucleo/processamento.hpp"
#include "nucleo/variaveis.hpp"
#include "servicos/base/intrinsecos.hpp"
#include "servicos/plataforma/plataforma.hpp"

namespace passo_tempo {

using namespace variaveis;

namespace {

// Forward elimination of one step (node i at index i - 1), with the row's
// independent term built from the previous field just before the row is
// eliminated, and that field's trapezoidal sum riding along. Returns the sum.
template <bool guardar_bP>
double eliminar(const double* DIFUSAO_EXCLUSIVO ant, const double* DIFUSAO_EXCLUSIVO aP,
                const double* DIFUSAO_EXCLUSIVO aW, const double* DIFUSAO_EXCLUSIVO aE, double* DIFUSAO_EXCLUSIVO bP,
                double* DIFUSAO_EXCLUSIVO P, double* DIFUSAO_EXCLUSIVO Q, std::int32_t N, double a_exp, double a_cen) {
    esquema::Eliminada linha = esquema::eliminar_primeira_linha(aP[0], aE[0], bP[0]);
    P[0] = linha.P;
    Q[0] = linha.Q;
    double soma = 0.0;
    // Interior rows: the pair of the sum, the row's independent term, its
    // elimination. Not unrolled: the step is bound by the latency of its two
    // division chains, and the unrolled loop measured a few per cent slower.
    DIFUSAO_SEM_DESENROLAR
    for (std::int32_t j = 1; j < N - 1; ++j) {
        soma = esquema::acumular_trapezio(soma, ant[j - 1], ant[j]);
        const double b = esquema::termo_independente(ant[j - 1], ant[j], ant[j + 1], a_exp, a_cen);
        if constexpr (guardar_bP) bP[j] = b;
        linha = esquema::eliminar_linha(aP[j], aW[j], aE[j], b, linha);
        P[j] = linha.P;
        Q[j] = linha.Q;
    }
    // Row N keeps the bP(N) of its boundary row; its pair closes the sum.
    const std::int32_t j = N - 1;
    soma = esquema::acumular_trapezio(soma, ant[j - 1], ant[j]);
    linha = esquema::eliminar_linha(aP[j], aW[j], aE[j], bP[j], linha);
    P[j] = linha.P;
    Q[j] = linha.Q;
    return soma;
}

// Back substitution from X(N) = Q(N) down to node 1.
void substituir(const double* DIFUSAO_EXCLUSIVO P, const double* DIFUSAO_EXCLUSIVO Q, double* DIFUSAO_EXCLUSIVO X,
                std::int32_t N) {
    double x = Q[N - 1];
    X[N - 1] = x;
    for (std::int32_t j = N - 2; j >= 0; --j) {
        x = esquema::substituir_linha(P[j], Q[j], x);
        X[j] = x;
    }
}

// One step in two sweeps, traps held by the caller; Tant is only read.
void passo_fundido(std::int32_t n, solver::Trabalho& trabalho) {
    const double* ant = Tant.dados();
    double* P = trabalho.P.dados();
    double* Q = trabalho.Q.dados();
    Tmeio(n - 1) = Tant(no_do_meio(Nx));
    // The last step leaves its independent term in bP, as termo_fonte does.
    const double soma = n == Nt
                            ? eliminar<true>(ant, aP.dados(), aW.dados(), aE.dados(), bP.dados(), P, Q, Nx, a_exp, a_cen)
                            : eliminar<false>(ant, aP.dados(), aW.dados(), aE.dados(), bP.dados(), P, Q, Nx, a_exp, a_cen);
    Tm(n - 1) = esquema::media_dos_trapezios(soma, dx, Lx);  // mean of level n - 1
    substituir(P, Q, T.dados(), Nx);
}

// The same step by the routines, in the driver's order. It rewrites
// everything the fused step writes.
void passo_na_ordem_escrita(std::int32_t n, solver::Trabalho& trabalho) {
    processamento::temperatura_media(Tant, Nx, dx, Lx, Tm(n - 1));
    Tmeio(n - 1) = Tant(no_do_meio(Nx));
    coeficientes::termo_fonte();
    solver::tdma(aP, aW, aE, bP, T, Nx, trabalho);
}

// Node-steps under one hold of the traps.
constexpr std::int64_t nos_passos_por_bloco = std::int64_t{1} << 16;

}  // namespace

std::int32_t passos_por_bloco(std::int32_t nos) {
    return static_cast<std::int32_t>(std::max<std::int64_t>(1, nos_passos_por_bloco / std::max(nos, 1)));
}

bool bloco(std::int32_t primeiro, std::int32_t ultimo, solver::Trabalho& trabalho, Arranjo* copia) {
    if (ultimo > primeiro) std::copy_n(Tant.dados(), Nx, copia->dados());
    bool falhou;
    {
        // Saved, flags cleared, nothing traps; at the end of the scope the
        // traps and the earlier flags come back as they were.
        const servicos::plataforma::ArmadilhasRetidas retidas;
        servicos::plataforma::barreira();  // the steps' array accesses stay inside the hold
        for (std::int64_t m = primeiro; m <= ultimo; ++m) {
            n = static_cast<std::int32_t>(m);
            passo_fundido(n, trabalho);
            std::swap(T, Tant);
        }
        servicos::plataforma::barreira();
        falhou = retidas.falhas() != 0;
    }
    if (!falhou) return false;

    // Held and replayed (docs/arquitetura.md): back to the level before the
    // block (a single step left it in T), and the same steps again in the
    // routines' order.
    if (ultimo > primeiro)
        std::copy_n(copia->dados(), Nx, Tant.dados());
    else
        std::swap(T, Tant);
    for (std::int64_t m = primeiro; m <= ultimo; ++m) {
        n = static_cast<std::int32_t>(m);
        passo_na_ordem_escrita(n, trabalho);
        std::swap(T, Tant);
    }
    return true;
}

std::int32_t avancar_no_tempo(Publicacao* publicacao) {
    if (Nt < 1) return 0;
    solver::Trabalho trabalho;
    // Step 1 in the routines' order; the work arrays are obtained where its
    // tdma would obtain them, after the independent term.
    n = 1;
    coeficientes::termo_fonte();
    solver::obter_trabalho(trabalho, Nx);
    solver::tdma(aP, aW, aE, bP, T, Nx, trabalho);
    std::swap(T, Tant);

    // Blocks of several steps keep the level before them (a few hundred KiB
    // at most); without that memory every block is a single step.
    std::int32_t passos = passos_por_bloco(Nx);
    Arranjo copia;
    if (passos > 1 && Nt > 2 && !copia.alocar(1, Nx)) passos = 1;

    std::int32_t primeira_repeticao = 0;
    for (std::int64_t inicio = 2; inicio <= Nt; inicio += passos) {
        const auto primeiro = static_cast<std::int32_t>(inicio);
        const auto ultimo = static_cast<std::int32_t>(std::min<std::int64_t>(inicio + passos - 1, Nt));
        if (bloco(primeiro, ultimo, trabalho, &copia) && primeira_repeticao == 0) primeira_repeticao = primeiro;
        // The block recorded the levels before its last step.
        if (publicacao) publicacao->niveis_registrados(ultimo - 1);
    }

    // Records of the last level; then both arrays hold it, as after the copy.
    processamento::temperatura_media(Tant, Nx, dx, Lx, Tm(Nt));
    Tmeio(Nt) = Tant(no_do_meio(Nx));
    std::copy_n(Tant.dados(), Nx, T.dados());
    if (publicacao) publicacao->niveis_registrados(Nt);
    return primeira_repeticao;
}

}  // namespace passo_tempo
