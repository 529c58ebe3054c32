#include "processamento.hpp"

#include "servicos/erros.hpp"

namespace processamento {

using namespace variaveis;
using servicos::exponencial;
using servicos::potencia;

void temperatura_media(const Arranjo& campo, const std::int32_t& Nx, const double& dx, const double& Lx,
                       double& media) {
    // Trapezoidal rule over the Nx - 1 intervals, the pair summed first:
    //   media = dx*0.5*sum(campo(i-1) + campo(i))/Lx
    media = 0.0;
    for (std::int32_t j = 2; j <= Nx; ++j) media = (campo(j - 1) + campo(j)) + media;
    media = media * dx * 0.5 / Lx;
}

double taxa_decaimento() { return -(potencia(pi, 2.0) * alpha / potencia(Lx, 2.0)); }

void solucao_analitica() {
    // Mean of Ti*sin(pi*x/Lx) over the slab is 2*Ti/pi; it decays like the field.
    const double taxa = taxa_decaimento();
    const double amp_media = Ti * 2.0 / pi;
    for (n = 0; n <= Nt; ++n) Tm_an(n) = exponencial(t(n) * taxa) * amp_media;
}

}  // namespace processamento
