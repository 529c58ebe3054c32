#include "coeficientes.hpp"

#include "servicos/erros.hpp"
#include "variaveis.hpp"

namespace coeficientes {

using namespace variaveis;

void condicao_inicial() {
    // Half sine of amplitude Ti. The end node Nx keeps the rounding residue of
    // sin(pi*x(Nx)/Lx) (about 1e-16*Ti); the boundary rows zero it later.
    for (i = 1; i <= Nx; ++i) Tant(i) = servicos::seno(x(i) * pi / Lx) * Ti;
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
    for (i = 2; i <= Nx - 1; ++i) bP(i) = (Tant(i + 1) + Tant(i - 1)) * a_exp + Tant(i) * a_cen;
}

}  // namespace coeficientes
