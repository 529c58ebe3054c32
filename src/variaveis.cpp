#include "variaveis.hpp"

#include <new>

namespace variaveis {

bool Arranjo::alocar(std::int64_t inicio, std::int64_t fim) {
    const std::int64_t tamanho = fim < inicio ? 0 : fim - inicio + 1;
    dados_.reset(tamanho == 0 ? nullptr : new (std::nothrow) double[static_cast<std::size_t>(tamanho)]);
    inicio_ = inicio;
    tamanho_ = dados_ ? tamanho : 0;
    return tamanho == 0 || dados_ != nullptr;
}

std::int32_t no_do_meio(std::int32_t nos) {
    // (nos + 1)/2 with C++'s truncating division, evaluated in 64 bits.
    return static_cast<std::int32_t>((static_cast<std::int64_t>(nos) + 1) / 2);
}

void reiniciar_estado() {
    arq_saida.fill(' ');
    Lx = tf = Ti = theta = k = ro = cp = 0.0;
    Nx = Nt = 0;
    dx = dt = pi = alpha = a_imp = a_exp = a_cen = 0.0;
    for (Arranjo* a : {&x, &Tant, &T, &aP, &aW, &aE, &bP, &t, &Tm, &Tmeio, &Tm_an}) *a = Arranjo{};
    i = n = 0;
}

}  // namespace variaveis
