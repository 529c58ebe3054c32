// Child program for the tests of the run-time reports: starts the run-time as
// the real program does, then provokes the failure named by its first
// argument. Exit status 3 means the failure did not happen.
#include <string_view>

#include "principal.hpp"
#include "servicos/erros.hpp"
#include "servicos/execucao.hpp"
#include "servicos/matematica.hpp"
#include "servicos/mensagens.hpp"
#include "variaveis.hpp"

namespace {

using namespace variaveis;

struct Dados {
    double Lx = 1.0;
    std::int32_t Nx = 11;
    double tf = 1.0;
    std::int32_t Nt = 1;
    double theta = 1.0;
};

void preparar(const Dados& d) { iniciar_corrida({d.Lx, d.Nx, d.tf, d.Nt, 100.0, d.theta, 1.0, 1.0, 1.0}); }

void provocar(std::string_view caso) {
    if (caso == "divisao_zero") {
        preparar({.Lx = 1.0, .Nx = 1});  // dx = Lx/0
        principal::calcular_grandezas_derivadas();
    } else if (caso == "invalido") {
        preparar({.Lx = 0.0, .Nx = 1});  // dx = 0/0
        principal::calcular_grandezas_derivadas();
    } else if (caso == "overflow") {
        // Explicit scheme with a mesh Fourier number of 1e100: every step
        // multiplies the field by about 1e102, out of range by the third.
        preparar({.tf = 1e101, .Nt = 10, .theta = 0.0});
        principal::calcular();
    } else if (caso == "potencia") {
        preparar({.Lx = 1e200});  // dx^2 beyond the double range
        principal::calcular_grandezas_derivadas();
    } else if (caso == "dominio") {
        servicos::potencia(-8.0, 1.0 / 3.0);
    } else if (caso == "underflow") {
        if (servicos::exponencial(-1000.0) != 0.0) servicos::encerrar_programa(3);
        servicos::encerrar_programa(0);
    } else if (caso == "memoria") {
        servicos::relatar_erro(servicos::mensagem::memoria_insuficiente, servicos::TipoInstrucao::sem_rotulo);
    } else if (caso == "normal") {
        servicos::encerrar_programa(0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    servicos::iniciar_execucao(argc, argv);
    provocar(argc > 1 ? argv[1] : "");
    servicos::encerrar_programa(3);
}
