// Initial field and the coefficients of the theta scheme, written into the
// shared state. Every node's equation has the one form the solver accepts:
//     aP(i)*T(i) = aW(i)*T(i-1) + aE(i)*T(i+1) + bP(i)
#pragma once

namespace coeficientes {

void condicao_inicial();       // Tant(i) = sin(x(i)*pi/Lx)*Ti
void coeficientes_internos();  // aE, aW, aP at the interior nodes
void condicoes_contorno();     // T = 0 rows at both ends
void termo_fonte();            // bP at the interior nodes, from Tant

}  // namespace coeficientes
