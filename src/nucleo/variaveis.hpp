// The one shared store of a run: input data, derived quantities, the weights
// of the theta scheme, the node and time-level arrays and the loop counters.
//
// nucleo/, the numerical core (this store, the scheme's rows, the
// coefficients, the solver, the time loop and the exact solution), may
// include only the services (servicos/); the program and its data (dados/)
// are above it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

// The study tool (estudo/) runs several cases at once, one per thread. It is
// built on its own copy of these modules compiled with DIFUSAO_ESTADO_POR_FIO,
// which makes every member of the store below thread_local: each thread then
// has a store of its own. difusao_calor is built without it and keeps one
// plain global store.
#ifdef DIFUSAO_ESTADO_POR_FIO
#define DIFUSAO_DO_FIO thread_local
#else
#define DIFUSAO_DO_FIO
#endif

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
inline DIFUSAO_DO_FIO std::array<char, tamanho_arq_saida> arq_saida = [] {
    std::array<char, tamanho_arq_saida> a{};
    a.fill(' ');
    return a;
}();
inline DIFUSAO_DO_FIO double Lx = 0.0;        // slab length [m]
inline DIFUSAO_DO_FIO std::int32_t Nx = 0;    // nodes, both ends included
inline DIFUSAO_DO_FIO double tf = 0.0;        // final time [s]
inline DIFUSAO_DO_FIO std::int32_t Nt = 0;    // time steps
inline DIFUSAO_DO_FIO double Ti = 0.0;        // amplitude of the initial half sine [ºC]
inline DIFUSAO_DO_FIO double theta = 0.0;     // 0 explicit, 0.5 Crank-Nicolson, 1 fully implicit
inline DIFUSAO_DO_FIO double k = 0.0;         // conductivity [W/m*K]
inline DIFUSAO_DO_FIO double ro = 0.0;        // density [kg/m3]
inline DIFUSAO_DO_FIO double cp = 0.0;        // specific heat [J/kg*K]

// Derived quantities.
inline DIFUSAO_DO_FIO double dx = 0.0;
inline DIFUSAO_DO_FIO double dt = 0.0;
inline DIFUSAO_DO_FIO double pi = 0.0;
inline DIFUSAO_DO_FIO double alpha = 0.0;
inline DIFUSAO_DO_FIO double a_imp = 0.0;  // theta*F
inline DIFUSAO_DO_FIO double a_exp = 0.0;  // (1 - theta)*F
inline DIFUSAO_DO_FIO double a_cen = 0.0;  // 1 - 2(1 - theta)*F

// Node arrays 1..Nx, then time-level arrays 0..Nt. Per thread, each name is
// a reference to the calling thread's own array, bound on the thread's first
// use (variaveis.cpp). The arrays have no destructor there: with emulated
// thread-local storage (MinGW-w64's GCC) a thread's end gives the storage of
// its thread_local objects back before it runs their destructors. So a thread
// gives its arrays' memory back itself, with liberar_arranjos(), before it
// ends; an array it leaves allocated is memory lost, nothing worse.
#ifdef DIFUSAO_ESTADO_POR_FIO
extern thread_local Arranjo &x, &Tant, &T, &aP, &aW, &aE, &bP;
extern thread_local Arranjo &t, &Tm, &Tmeio, &Tm_an;
#else
inline Arranjo x, Tant, T, aP, aW, aE, bP;
inline Arranjo t, Tm, Tmeio, Tm_an;
#endif

// The same arrays as lists, for what treats them all alike: their
// allocation, their release, the memory a run needs. Per thread, the lists
// are of the calling thread's arrays.
inline std::array<Arranjo*, 7> arranjos_dos_nos() { return {&x, &Tant, &T, &aP, &aW, &aE, &bP}; }
inline std::array<Arranjo*, 4> arranjos_dos_niveis() { return {&t, &Tm, &Tmeio, &Tm_an}; }

// The loops count nodes and time levels with 32-bit counters up to and
// including Nx and Nt, so neither may pass this value: a counter would
// overflow stepping past it.
inline constexpr std::int32_t maior_contagem = std::numeric_limits<std::int32_t>::max() - 1;

// Loop counters shared by the routines.
inline DIFUSAO_DO_FIO std::int32_t i = 0;
inline DIFUSAO_DO_FIO std::int32_t n = 0;

// The middle node (Nx + 1)/2, truncated, computed without overflowing for
// Nx = 2147483647.
std::int32_t no_do_meio(std::int32_t nos);

// The nine numerical data of the input file as one value, in the file's order.
struct DadosEntrada {
    double Lx = 0.0;
    std::int32_t Nx = 0;
    double tf = 0.0;
    std::int32_t Nt = 0;
    double Ti = 0.0;
    double theta = 0.0;
    double k = 0.0;
    double ro = 0.0;
    double cp = 0.0;
};

// Back to the state of process start (for tests that run several cases).
void reiniciar_estado();

// A new run on the store (the calling thread's, per thread): the state of
// process start, with `dados` as its input data. Tests, benchmarks and the
// convergence study set up each of their runs here.
void iniciar_corrida(const DadosEntrada& dados);

// The input data now in the store, e.g. as the input reader left them.
DadosEntrada dados_de_entrada();

// Gives back the memory of every node and time-level array, leaving the rest
// of the state as it is.
void liberar_arranjos();

}  // namespace variaveis
