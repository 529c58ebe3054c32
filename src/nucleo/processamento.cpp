#include "nucleo/processamento.hpp"

#include <cmath>

#include "nucleo/esquema.hpp"
#include "servicos/elementares/elementares.hpp"
#include "servicos/erros/matematica.hpp"
#include "servicos/erros/vigia_em_bloco.hpp"

namespace processamento {

using namespace variaveis;
using servicos::erros::exponencial;
using servicos::erros::potencia;

void temperatura_media(const Arranjo& campo, const std::int32_t& Nx, const double& dx, const double& Lx,
                       double& media) {
    // Trapezoidal rule over the Nx - 1 intervals, the pair summed first:
    //   media = dx*0.5*sum(campo(i-1) + campo(i))/Lx
    media = 0.0;
    for (std::int32_t j = 2; j <= Nx; ++j) media = esquema::acumular_trapezio(media, campo(j - 1), campo(j));
    media = esquema::media_dos_trapezios(media, dx, Lx);
}

namespace {

// The formulas of the factors, written once: the watched evaluation passes
// the watched functions, the held one the plain ones, which give the same
// bits (a square is the product x*x either way).
template <typename Quadrado>
double taxa_com(Quadrado quadrado) {
    return -(quadrado(pi) * alpha / quadrado(Lx));
}

// Mean of Ti*sin(pi*x/Lx) over the slab: 2*Ti/pi.
double amplitude_da_media() { return Ti * 2.0 / pi; }

// The exact initial value at x(imeio), by the initial field's own operations.
template <typename Seno>
double amplitude_no_meio_com(Seno seno) {
    return seno(x(no_do_meio(Nx)) * pi / Lx) * Ti;
}

}  // namespace

double taxa_decaimento() {
    return taxa_com([](double base) { return potencia(base, 2.0); });
}

double amplitude_no_meio() {
    return amplitude_no_meio_com([](double argumento) { return servicos::erros::seno(argumento); });
}

bool fatores_sem_falha(FatoresExatos& fatores) {
    return servicos::erros::sem_falha_em_bloco([&] {
        fatores.taxa = taxa_com([](double base) { return base * base; });
        fatores.amp_media = amplitude_da_media();
        fatores.amp_meio = amplitude_no_meio_com([](double a) { return servicos::elementares::seno(a); });
        return false;  // the sine of a finite argument is never infinite
    });
}

bool decaimento_em_bloco(double taxa, double amplitude, const double* tempos, std::int32_t quantos,
                         double* destino) {
    return servicos::erros::sem_falha_em_bloco([&] {
        bool infinito = false;
        for (std::int32_t j = 0; j < quantos; ++j) {
            const double e = servicos::elementares::exponencial(tempos[j] * taxa);
            infinito = infinito || std::isinf(e);
            destino[j] = e * amplitude;
        }
        return infinito;
    });
}

bool decaimento_em_bloco(double taxa, double amplitude, std::int32_t primeiro, std::int32_t ultimo,
                         double* destino) {
    return decaimento_em_bloco(taxa, amplitude, &t(primeiro), ultimo - primeiro + 1, destino);
}

void solucao_analitica() {
    // Mean of Ti*sin(pi*x/Lx) over the slab is 2*Ti/pi; it decays like the field:
    //   Tm_an(n) = exp(t(n)*taxa)*amp_media
    // A block of levels at a time, held and replayed (docs/arquitetura.md).
    const double taxa = taxa_decaimento();
    const double amp_media = amplitude_da_media();
    servicos::erros::percorrer_em_blocos(
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
