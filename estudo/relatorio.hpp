// Texts of the study: the console report (UTF-8, LF) and the data files read
// by the plot scripts (whitespace-separated columns, '#' comment lines, values
// that are not finite written as nan/inf, which gnuplot leaves out).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "convergencia.hpp"

namespace estudo {

// The levels of one kind of refinement.
struct Serie {
    Refinamento tipo;
    std::vector<Nivel> niveis;
};

// The run of one scheme on the input grid.
struct Esquema {
    double theta;
    Nivel nivel;
    Amplificacao amplificacao;
};

// A real in scientific notation with `casas` decimals; nan, inf or -inf.
std::string real(double valor, int casas = 3);

// The case, its mesh Fourier number, the stability verdict and the
// amplification factor of the sin(pi x/Lx) mode.
std::string texto_caso(const Caso& caso, double alpha, double dx, double dt);
std::string texto_estabilidade(double theta, double F);
std::string texto_amplificacao(const Amplificacao& fator, std::int32_t passos);

// The tables of one refinement: grid, errors and observed orders.
std::string texto_serie(const Serie& serie);

// convergencia.txt: one block per refinement, two blank lines between blocks.
std::string texto_arquivo_convergencia(const Caso& caso, const std::vector<Serie>& series);

// The console table of the scheme comparison.
std::string texto_comparacao(const std::vector<Esquema>& esquemas);

// comparacao_esquemas.txt: the header, then one row per time level.
std::string cabecalho_arquivo_comparacao(const Caso& caso, const std::vector<Esquema>& esquemas);
std::string linha_comparacao(double tempo, double exata, std::span<const double> medias);

}  // namespace estudo
