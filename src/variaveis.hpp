// The one shared store of a run: input data, derived quantities, the weights
// of the theta scheme, the node and time-level arrays and the loop counters.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace variaveis {

// A double array indexed from `inicio` to `fim`, like the arrays of the
// equations: node arrays run over 1..Nx, time-level arrays over 0..Nt.
// Allocated once and never resized; the contents are undefined until written.
class Arranjo {
public:
    Arranjo() = default;
    Arranjo(Arranjo&& outro) noexcept;
    Arranjo& operator=(Arranjo&& outro) noexcept;
    Arranjo(const Arranjo&) = delete;
    Arranjo& operator=(const Arranjo&) = delete;
    ~Arranjo();

    // Empty when fim < inicio. Returns false when the memory cannot be had.
    bool alocar(std::int64_t inicio, std::int64_t fim);

    double& operator()(std::int64_t indice) { return dados_[indice - inicio_]; }
    const double& operator()(std::int64_t indice) const { return dados_[indice - inicio_]; }

    std::int64_t inicio() const { return inicio_; }
    std::int64_t tamanho() const { return tamanho_; }
    double* dados() { return dados_; }
    const double* dados() const { return dados_; }

private:
    void liberar();

    double* dados_ = nullptr;
    std::int64_t inicio_ = 0;
    std::int64_t tamanho_ = 0;
};

inline constexpr std::size_t tamanho_arq_saida = 100;

// Input data, in the order of the input file.
inline std::array<char, tamanho_arq_saida> arq_saida = [] {
    std::array<char, tamanho_arq_saida> a{};
    a.fill(' ');
    return a;
}();
inline double Lx = 0.0;        // slab length [m]
inline std::int32_t Nx = 0;    // nodes, both ends included
inline double tf = 0.0;        // final time [s]
inline std::int32_t Nt = 0;    // time steps
inline double Ti = 0.0;        // amplitude of the initial half sine [ºC]
inline double theta = 0.0;     // 0 explicit, 0.5 Crank-Nicolson, 1 fully implicit
inline double k = 0.0;         // conductivity [W/m*K]
inline double ro = 0.0;        // density [kg/m3]
inline double cp = 0.0;        // specific heat [J/kg*K]

// Derived quantities.
inline double dx = 0.0;
inline double dt = 0.0;
inline double pi = 0.0;
inline double alpha = 0.0;
inline double a_imp = 0.0;  // theta*F
inline double a_exp = 0.0;  // (1 - theta)*F
inline double a_cen = 0.0;  // 1 - 2(1 - theta)*F

// Node arrays 1..Nx.
inline Arranjo x, Tant, T, aP, aW, aE, bP;
// Time-level arrays 0..Nt.
inline Arranjo t, Tm, Tmeio, Tm_an;

// Loop counters shared by the routines.
inline std::int32_t i = 0;
inline std::int32_t n = 0;

// The middle node (Nx + 1)/2, truncated, computed without overflowing for
// Nx = 2147483647.
std::int32_t no_do_meio(std::int32_t nos);

// Back to the state of process start (for tests that run several cases).
void reiniciar_estado();

}  // namespace variaveis
