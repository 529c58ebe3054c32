#include "nucleo/coeficientes.hpp"

#include <cmath>
#include <cstdint>

#include "nucleo/esquema.hpp"
#include "nucleo/variaveis.hpp"
#include "servicos/elementares/elementares.hpp"
#include "servicos/erros/matematica.hpp"
#include "servicos/erros/vigia_em_bloco.hpp"

namespace coeficientes {

using namespace variaveis;

namespace {

// Tant(i) = sin(x(i)*pi/Lx)*Ti for the nodes of a block, the sines computed
// without a watch of their own; false when the block must be done as written.
bool seno_em_bloco(std::int32_t primeiro, std::int32_t ultimo) {
    return servicos::erros::sem_falha_em_bloco([&] {
        bool infinito = false;
        for (std::int32_t j = primeiro; j <= ultimo; ++j) {
            const double s = servicos::elementares::seno(x(j) * pi / Lx);
            infinito = infinito || std::isinf(s);
            Tant(j) = s * Ti;
        }
        return infinito;
    });
}

}  // namespace

void condicao_inicial() {
    // Half sine of amplitude Ti:  Tant(i) = sin(x(i)*pi/Lx)*Ti
    // The end node Nx keeps the rounding residue of sin(pi*x(Nx)/Lx) (about
    // 1e-16*Ti); the boundary rows zero it later. The nodes go a block at a
    // time; a block in which anything would be reported is done again node
    // by node with each sine watched, so that the report is the same (held
    // and replayed, docs/arquitetura.md).
    servicos::erros::percorrer_em_blocos(1, Nx, seno_em_bloco, [](std::int32_t no) {
        i = no;
        Tant(i) = servicos::erros::seno(x(i) * pi / Lx) * Ti;
    });
}

void coeficientes_internos() {
    // Implicit part of the interior equation, F = alpha*dt/dx^2:
    //   (1 + 2*theta*F)*T(i) = theta*F*T(i-1) + theta*F*T(i+1) + bP(i)
    for (i = 2; i <= Nx - 1; ++i) {
        aE(i) = a_imp;
        aW(i) = a_imp;
        aP(i) = a_imp * 2.0 + 1.0;
    }
}

void condicoes_contorno() {
    // Both faces of the slab are held at zero temperature: the rows read T = 0.
    aP(1) = 1.0;
    aW(1) = 0.0;
    aE(1) = 0.0;
    bP(1) = 0.0;
    aP(Nx) = 1.0;
    aW(Nx) = 0.0;
    aE(Nx) = 0.0;
    bP(Nx) = 0.0;
}

void termo_fonte() {
    // Explicit part of the interior equation:
    //   bP(i) = (1 - theta)*F*(Tant(i+1) + Tant(i-1)) + (1 - 2(1 - theta)*F)*Tant(i)
    for (i = 2; i <= Nx - 1; ++i) bP(i) = esquema::termo_independente(Tant(i - 1), Tant(i), Tant(i + 1), a_exp, a_cen);
}

}  // namespace coeficientes
