// The "Leitura" paragraphs: what the study's numbers mean, computed from the
// numbers they describe, never a fixed text that a table could contradict.
// They say which error dominates and whether the time and space errors cancel
// (from the split of the half sine's error by the closed forms, exact on every
// grid), which values are orders and why the others are not yet, and what an
// unstable point's error is made of.
#pragma once

#include <string>
#include <vector>

#include "mapa.hpp"
#include "relatorio.hpp"

namespace estudo {

// After the tables of one refinement.
std::string leitura_serie(const Serie& serie, double theta);

// After the comparison of the three schemes.
std::string leitura_comparacao(const std::vector<Esquema>& esquemas);

// After the map, theta by theta.
std::string leitura_mapa(const Mapa& mapa);

}  // namespace estudo
