// Child program for the tests of the run-time reports: starts the run-time as
// the real program does, then provokes the failure named by its first
// argument. Exit status 3 means the failure did not happen.
#include <string_view>

#include "nucleo/variaveis.hpp"
#include "principal.hpp"
#include "servicos/base/mensagens.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/erros/matematica.hpp"
#include "servicos/execucao.hpp"

namespace {

using namespace variaveis;

// One implicit step on eleven nodes of a unit slab with unit properties;
// each case changes the data it needs.
constexpr DadosEntrada base{1.0, 11, 1.0, 1, 100.0, 1.0, 1.0, 1.0, 1.0};

// A new run on `base` changed by `mudar`.
template <typename Mudanca>
void preparar(Mudanca mudar) {
    DadosEntrada d = base;
    mudar(d);
    iniciar_corrida(d);
}

void provocar(std::string_view caso) {
    if (caso == "divisao_zero") {
        preparar([](DadosEntrada& d) { d.Nx = 1; });  // dx = Lx/0
        principal::calcular_grandezas_derivadas();
    } else if (caso == "invalido") {
        preparar([](DadosEntrada& d) { d.Lx = 0.0; d.Nx = 1; });  // dx = 0/0
        principal::calcular_grandezas_derivadas();
    } else if (caso == "overflow") {
        // Explicit scheme with a mesh Fourier number of 1e100: every step
        // multiplies the field by about 1e102, out of range by the third.
        preparar([](DadosEntrada& d) { d.tf = 1e101; d.Nt = 10; d.theta = 0.0; });
        principal::calcular();
    } else if (caso == "potencia") {
        preparar([](DadosEntrada& d) { d.Lx = 1e200; });  // dx^2 beyond the double range
        principal::calcular_grandezas_derivadas();
    } else if (caso == "dominio") {
        servicos::erros::potencia(-8.0, 1.0 / 3.0);
    } else if (caso == "underflow") {
        if (servicos::erros::exponencial(-1000.0) != 0.0) servicos::erros::encerrar_programa(3);
        servicos::erros::encerrar_programa(0);
    } else if (caso == "memoria") {
        servicos::erros::relatar_erro(servicos::base::mensagem::memoria_insuficiente,
                                      servicos::base::instrucao::sem_rotulo);
    } else if (caso == "normal") {
        servicos::erros::encerrar_programa(0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    servicos::iniciar_execucao(argc, argv);
    provocar(argc > 1 ? argv[1] : "");
    servicos::erros::encerrar_programa(3);
}
