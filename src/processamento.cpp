#include "processamento.hpp"

#include <cmath>

#include "esquema.hpp"
#include "servicos/elementares/elementares.hpp"
#include "servicos/erros/matematica.hpp"
#include "servicos/erros/vigia_em_bloco.hpp"

namespace processamento {

using namespace variaveis;
using servicos::exponencial;
using servicos::potencia;

void temperatura_media(const Arranjo& campo, const std::int32_t& Nx, const double& dx, const double& Lx,
                       double& media) {
    // Trapezoidal rule over the Nx - 1 intervals, the pair summed first:
    //   media = dx*0.5*sum(campo(i-1) + campo(i))/Lx
    media = 0.0;
    for (std::int32_t j = 2; j <= Nx; ++j) media = esquema::acumular_trapezio(media, campo(j - 1), campo(j));
    media = esquema::media_dos_trapezios(media, dx, Lx);
}

double taxa_decaimento() { return -(potencia(pi, 2.0) * alpha / potencia(Lx, 2.0)); }

bool decaimento_em_bloco(double taxa, double amplitude, std::int32_t primeiro, std::int32_t ultimo,
                         double* destino) {
    return servicos::sem_falha_em_bloco([&] {
        bool infinito = false;
        for (std::int32_t nivel = primeiro; nivel <= ultimo; ++nivel) {
            const double e = servicos::elementares::exponencial(t(nivel) * taxa);
            infinito = infinito || std::isinf(e);
            destino[nivel - primeiro] = e * amplitude;
        }
        return infinito;
    });
}

void solucao_analitica() {
    // Mean of Ti*sin(pi*x/Lx) over the slab is 2*Ti/pi; it decays like the field:
    //   Tm_an(n) = exp(t(n)*taxa)*amp_media
    const double taxa = taxa_decaimento();
    const double amp_media = Ti * 2.0 / pi;
    servicos::percorrer_em_blocos(
        0, Nt,
        [&](std::int32_t primeiro, std::int32_t ultimo) {
            return decaimento_em_bloco(taxa, amp_media, primeiro, ultimo, &Tm_an(primeiro));
        },
        [&](std::int32_t nivel) {
            n = nivel;
            Tm_an(n) = exponencial(t(n) * taxa) * amp_media;
        });
}

}  // namespace processamento
