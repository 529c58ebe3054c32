// Temperature profiles T(x) of the input case at chosen times, against the
// exact field on the same nodes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "convergencia.hpp"
#include "tabela.hpp"

namespace estudo {

struct Perfil {
    double t_pedido = 0.0;
    std::int32_t nivel = 0;  // the time level nearest to t_pedido
    double t = 0.0;          // its time
    std::vector<double> x, T, exato;
};

// Runs `caso` on its own grid in the calling thread, through the program's
// routines in the driver's order, and keeps the field at the levels nearest
// to `tempos` (within 0..tf). The same operations as the program's time loop,
// so the fields are the program's bit for bit.
std::vector<Perfil> calcular_perfis(const Caso& caso, std::span<const double> tempos);

// The profiles' table (the largest and the RMS error of each), and perfis.txt
// (the case block, then one block per profile: x, T, exact T, error).
Tabela tabela_perfis(const std::vector<Perfil>& perfis);
std::string texto_arquivo_perfis(const Caso& caso, double F, const std::vector<Perfil>& perfis);

}  // namespace estudo
