#include "nucleo/variaveis.hpp"

#include <cstdint>
#include <new>
#include <utility>

#include "servicos/plataforma/memoria.hpp"

namespace variaveis {

#ifdef DIFUSAO_ESTADO_POR_FIO
namespace {

// The arrays of one thread's store.
struct ArranjosDoFio {
    Arranjo x, Tant, T, aP, aW, aE, bP;
    Arranjo t, Tm, Tmeio, Tm_an;
};

// Their room in each thread's storage: raw bytes, which need no destructor.
// The arrays are built there on the thread's first use and never destroyed,
// so the thread's end has nothing to run on that room after freeing it.
alignas(ArranjosDoFio) thread_local unsigned char espaco_do_fio[sizeof(ArranjosDoFio)];

ArranjosDoFio& construir_arranjos_do_fio() { return *::new (static_cast<void*>(espaco_do_fio)) ArranjosDoFio; }

thread_local ArranjosDoFio& arranjos_do_fio = construir_arranjos_do_fio();

}  // namespace

thread_local Arranjo &x = arranjos_do_fio.x, &Tant = arranjos_do_fio.Tant, &T = arranjos_do_fio.T,
                     &aP = arranjos_do_fio.aP, &aW = arranjos_do_fio.aW, &aE = arranjos_do_fio.aE,
                     &bP = arranjos_do_fio.bP;
thread_local Arranjo &t = arranjos_do_fio.t, &Tm = arranjos_do_fio.Tm, &Tmeio = arranjos_do_fio.Tmeio,
                     &Tm_an = arranjos_do_fio.Tm_an;
#endif

Arranjo::Arranjo(Arranjo&& outro) noexcept
    : dados_(std::exchange(outro.dados_, nullptr)),
      inicio_(std::exchange(outro.inicio_, 0)),
      tamanho_(std::exchange(outro.tamanho_, 0)) {}

Arranjo& Arranjo::operator=(Arranjo&& outro) noexcept {
    if (this != &outro) {
        liberar();
        dados_ = std::exchange(outro.dados_, nullptr);
        inicio_ = std::exchange(outro.inicio_, 0);
        tamanho_ = std::exchange(outro.tamanho_, 0);
    }
    return *this;
}

Arranjo::~Arranjo() { liberar(); }

void Arranjo::liberar() {
    servicos::plataforma::devolver_memoria(dados_, static_cast<std::size_t>(tamanho_) * sizeof(double));
    dados_ = nullptr;
    tamanho_ = 0;
}

bool Arranjo::alocar(std::int64_t inicio, std::int64_t fim) {
    const std::int64_t tamanho = fim < inicio ? 0 : fim - inicio + 1;
    // The new block is obtained before the old one is given back.
    void* bloco = nullptr;
    if (tamanho > 0 && static_cast<std::uint64_t>(tamanho) <= SIZE_MAX / sizeof(double))
        bloco = servicos::plataforma::obter_memoria(static_cast<std::size_t>(tamanho) * sizeof(double));
    liberar();
    dados_ = static_cast<double*>(bloco);
    inicio_ = inicio;
    tamanho_ = dados_ ? tamanho : 0;
    return tamanho == 0 || dados_ != nullptr;
}

std::int32_t no_do_meio(std::int32_t nos) {
    // (nos + 1)/2 with C++'s truncating division, evaluated in 64 bits.
    return static_cast<std::int32_t>((static_cast<std::int64_t>(nos) + 1) / 2);
}

void reiniciar_estado() { iniciar_corrida({}); }

void iniciar_corrida(const DadosEntrada& dados) {
    arq_saida.fill(' ');
    Lx = dados.Lx;
    Nx = dados.Nx;
    tf = dados.tf;
    Nt = dados.Nt;
    Ti = dados.Ti;
    theta = dados.theta;
    k = dados.k;
    ro = dados.ro;
    cp = dados.cp;
    dx = dt = pi = alpha = a_imp = a_exp = a_cen = 0.0;
    liberar_arranjos();
    i = n = 0;
}

DadosEntrada dados_de_entrada() { return {Lx, Nx, tf, Nt, Ti, theta, k, ro, cp}; }

void liberar_arranjos() {
    for (Arranjo* a : arranjos_dos_nos()) *a = Arranjo{};
    for (Arranjo* a : arranjos_dos_niveis()) *a = Arranjo{};
}

}  // namespace variaveis
