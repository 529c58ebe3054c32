// Mean temperature of a field and the exact single-term solution
//     T(x, t) = Ti*sin(pi*x/Lx)*exp(-pi^2*alpha*t/Lx^2)
// with which the numerical histories are compared.
#pragma once

#include <cstdint>

#include "nucleo/variaveis.hpp"

namespace processamento {

// Trapezoidal mean of campo(1..Nx) over the slab, divided by Lx itself.
void temperatura_media(const variaveis::Arranjo& campo, const std::int32_t& Nx, const double& dx,
                       const double& Lx, double& media);

// Decay rate of the single-term solution, -(pi^2*alpha/Lx^2) [1/s].
double taxa_decaimento();

// The middle node's exact initial value, sin(x(imeio)*pi/Lx)*Ti, by the
// initial field's own operations (watched sine).
double amplitude_no_meio();

// Fills Tm_an(0..Nt) = exp(t(n)*taxa)*Ti*2/pi.
void solucao_analitica();

// The factors of the exact histories: the decay rate, the amplitude of the
// mean (Ti*2/pi) and that of the middle node.
struct FatoresExatos {
    double taxa;
    double amp_media;
    double amp_meio;
};

// The same factors with the traps held and without any report, bit for bit
// those of taxa_decaimento, solucao_analitica and amplitude_no_meio when it
// returns true; false when their evaluation as written would be reported.
bool fatores_sem_falha(FatoresExatos& fatores);

// destino[n - primeiro] = exp(t(n)*taxa)*amplitude for the levels
// primeiro..ultimo, with the traps held over the whole block and without any
// report: bit for bit what servicos::erros::exponencial(t(n)*taxa)*amplitude gives
// level by level, when it returns true. False means that something in the
// block would be reported (or might be): the caller evaluates those levels
// one at a time as written, so that the report comes where it belongs (held
// and replayed, docs/arquitetura.md). Watching every exponential on its own
// costs more than the exponential.
bool decaimento_em_bloco(double taxa, double amplitude, std::int32_t primeiro, std::int32_t ultimo,
                         double* destino);

// The same for `quantos` times given apart from the state (tempos[j] is the
// time of destino[j]), for a thread that does not own the state.
bool decaimento_em_bloco(double taxa, double amplitude, const double* tempos, std::int32_t quantos,
                         double* destino);

}  // namespace processamento
