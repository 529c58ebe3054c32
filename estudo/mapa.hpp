// The accuracy-stability map: the input case run over a range of mesh Fourier
// numbers F (log-spaced, reached through the number of steps at the input's
// dx) for several theta, with the error at the final time and the stability
// verdict of every point.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "convergencia.hpp"
#include "tabela.hpp"

namespace estudo {

inline constexpr double mapa_F_minimo = 1e-2;
inline constexpr double mapa_F_maximo = 1e2;
inline constexpr int mapa_pontos_por_decada = 4;

// One F of the map: the F asked for and the steps that come nearest to it.
struct PassoMapa {
    double F_pedido = 0.0;
    std::int32_t Nt = 0;
};

// The steps of the map for a case whose derived quantities are alpha and dx:
// Nt = alpha tf/(F dx²) rounded, at least 1 and within the run's counters;
// an F that gives the same Nt as the one before is left out.
std::vector<PassoMapa> passos_do_mapa(const Caso& caso, double alpha, double dx);

struct PontoMapa {
    double theta = 0.0;
    PassoMapa passo;
    Nivel nivel;  // its F, verdicts, factors and errors
};

// Points in the order theta by theta, F by F.
struct Mapa {
    std::vector<double> thetas;
    std::vector<PassoMapa> passos;
    std::vector<PontoMapa> pontos;  // thetas.size()*passos.size()
    const PontoMapa& ponto(std::size_t th, std::size_t f) const { return pontos[th * passos.size() + f]; }
};

// The runs of the map: theta by theta, F by F, the input case on its own
// dx with the number of steps of each F.
std::vector<std::pair<Caso, Malha>> corridas_do_mapa(const Caso& caso, const std::vector<double>& thetas,
                                                     const std::vector<PassoMapa>& passos);
// The map of those runs' levels.
Mapa montar_mapa(const std::vector<double>& thetas, const std::vector<PassoMapa>& passos,
                 const std::vector<Nivel>& niveis);

// A point's verdict: "estável", "oscila" (stable, but the half sine changes
// sign every step) or "instável".
std::string veredito_do_ponto(const Nivel& nivel);

// The map's table (one row per F, the error and verdict of each theta) and
// mapa.txt (the case block, then one block per theta); leituras.hpp says what
// the map shows in words.
Tabela tabela_mapa(const Mapa& mapa);
std::string texto_arquivo_mapa(const Caso& caso, double F, const Mapa& mapa);

}  // namespace estudo
