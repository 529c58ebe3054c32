#include "nucleo/processamento.hpp"

#include "nucleo/esquema.hpp"
#include "servicos/base/deteccao.hpp"
#include "servicos/elementares/elementares.hpp"
#include "servicos/erros/matematica.hpp"
#include "servicos/erros/vigia_em_bloco.hpp"

namespace processamento {

using namespace variaveis;

namespace {

namespace deteccao = servicos::base::deteccao;
using deteccao::Conferido;

}  // namespace

void temperatura_media(const Arranjo& campo, const std::int32_t& Nx, const double& dx, const double& Lx,
                       double& media) {
    // Trapezoidal rule over the Nx - 1 intervals, the pair summed first:
    //   media = dx*0.5*sum(campo(i-1) + campo(i))/Lx
    Conferido soma = 0.0;
    for (std::int32_t j = 2; j <= Nx; ++j) soma = esquema::acumular_trapezio<Conferido>(soma, campo(j - 1), campo(j));
    media = deteccao::valor(esquema::media_dos_trapezios<Conferido>(soma, dx, Lx));
}

namespace {

// The formulas of the factors, written once on the number type N: Conferido
// as written, with the watched functions, or under a hold with the plain
// ones, which give the same bits (a square is the product x*x either way).
// pi^2*alpha is formed before Lx^2, in the order written.
template <typename N, typename Quadrado>
N taxa_com(Quadrado quadrado) {
    const N pi_quadrado_alpha = quadrado(N(pi)) * alpha;
    return -(pi_quadrado_alpha / quadrado(N(Lx)));
}

// Mean of Ti*sin(pi*x/Lx) over the slab: 2*Ti/pi.
Conferido amplitude_da_media() { return Conferido(Ti) * 2.0 / pi; }

// The exact initial value at x(imeio), by the initial field's own operations.
template <typename Seno>
Conferido amplitude_no_meio_com(Seno seno) {
    return seno(Conferido(x(no_do_meio(Nx))) * pi / Lx) * Ti;
}

}  // namespace

double taxa_decaimento() {
    return deteccao::valor(taxa_com<Conferido>([](Conferido base) { return servicos::erros::potencia(base, 2.0); }));
}

double amplitude_no_meio() {
    return deteccao::valor(amplitude_no_meio_com([](Conferido argumento) { return servicos::erros::seno(argumento); }));
}

double decaimento(double tempo, double taxa, double amplitude) {
    return deteccao::valor(servicos::erros::exponencial(Conferido(tempo) * taxa) * amplitude);
}

bool fatores_sem_falha(FatoresExatos& fatores) {
    // Under the hold the checked operations only note their faults, and an
    // infinite sine argument is one of them.
    return servicos::erros::sem_falha_em_bloco([&](deteccao::Sentinela&) {
        fatores.taxa = deteccao::valor(taxa_com<Conferido>([](Conferido base) { return base * base; }));
        fatores.amp_media = deteccao::valor(amplitude_da_media());
        fatores.amp_meio = deteccao::valor(amplitude_no_meio_com(
            [](Conferido a) { return Conferido(servicos::elementares::seno(deteccao::valor(a))); }));
    });
}

bool decaimento_em_bloco(double taxa, double amplitude, const double* tempos, std::int32_t quantos,
                         double* destino) {
    return servicos::erros::sem_falha_em_bloco([&](deteccao::Sentinela& sentinela) {
        for (std::int32_t j = 0; j < quantos; ++j) {
            // An argument that overflows to -inf has the exponential 0: it is
            // shown itself.
            const double argumento = tempos[j] * taxa;
            destino[j] = servicos::elementares::exponencial(argumento) * amplitude;
            sentinela.ver(argumento);
            sentinela.ver(destino[j]);
        }
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
    const double amp_media = deteccao::valor(amplitude_da_media());
    servicos::erros::percorrer_em_blocos(
        0, Nt,
        [&](std::int32_t primeiro, std::int32_t ultimo) {
            return decaimento_em_bloco(taxa, amp_media, primeiro, ultimo, &Tm_an(primeiro));
        },
        [&](std::int32_t nivel) {
            n = nivel;
            Tm_an(n) = decaimento(t(n), taxa, amp_media);
        });
}

}  // namespace processamento
