#include "principal.hpp"

#include <cstdint>
#include <new>
#include <optional>

#include "dados/dados.hpp"
#include "dados/resultados_no_laco.hpp"
#include "nucleo/coeficientes.hpp"
#include "nucleo/passo_tempo.hpp"
#include "nucleo/processamento.hpp"
#include "nucleo/solver.hpp"
#include "nucleo/variaveis.hpp"
#include "servicos/base/mensagens.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/erros/matematica.hpp"
#include "servicos/execucao.hpp"
#include "servicos/plataforma/plataforma.hpp"

namespace principal {

using namespace variaveis;
using servicos::erros::potencia;

int _main(int /*argc*/, char** /*argv*/, char** /*envp*/) {
    programa_principal();
    return 0;
}

void executar_processo(int argc, char** argv) {
    servicos::iniciar_execucao(argc, argv);
    int status = 0;
    try {
        status = _main(argc, argv, nullptr);
    } catch (const std::bad_alloc&) {
        servicos::erros::relatar_erro(servicos::base::mensagem::memoria_insuficiente,
                                      servicos::base::instrucao::sem_rotulo);
    }
    servicos::erros::encerrar_programa(status);
}

void programa_principal() {
    dados::leitura_dados();
    dados::verificar_listagem();
    // calcular, then resultados; a large run has its results written while
    // its loop runs, with the same bytes and the same reports.
    preparar_laco(dados::memoria_da_escrita(Nx, Nt));
    dados::ResultadosNoLaco resultados;
    passo_tempo::avancar_no_tempo(resultados.publicacao());
    resultados.concluir();
}

void calcular() {
    preparar_laco();
    avancar_no_tempo();
    processamento::solucao_analitica();
}

void preparar_laco(std::uint64_t memoria_a_mais) {
    calcular_grandezas_derivadas();
    alocar_arranjos(memoria_a_mais);
    montar_malhas();
    coeficientes::condicao_inicial();
    registrar_nivel_inicial();
    coeficientes::coeficientes_internos();
    coeficientes::condicoes_contorno();
}

void calcular_grandezas_derivadas() {
    // Evaluated exactly as written, left to right; dx^2 is the real power
    // function, evaluated anew in each weight. F = alpha*dt/dx^2 is the mesh
    // Fourier number: a_imp = theta*F, a_exp = (1 - theta)*F,
    // a_cen = 1 - 2(1 - theta)*F.
    dx = Lx / (Nx - 1.0);
    dt = tf / Nt;
    pi = servicos::erros::arco_cosseno(-1.0);
    alpha = k / (cp * ro);
    a_imp = alpha * theta * dt / potencia(dx, 2.0);
    a_exp = (1.0 - theta) * alpha * dt / potencia(dx, 2.0);
    a_cen = (theta - 1.0) * alpha * dt * 2.0 / potencia(dx, 2.0) + 1.0;
}

namespace {

// Bytes of `por_no` arrays of `nos` doubles and of the time-level arrays of
// the state over `passos` steps.
std::uint64_t memoria_de(std::size_t por_no, std::int32_t nos, std::int32_t passos) {
    const auto por_nivel = static_cast<std::uint64_t>(arranjos_dos_niveis().size());
    const auto niveis = static_cast<std::uint64_t>(passos) + 1;
    return (static_cast<std::uint64_t>(por_no) * static_cast<std::uint64_t>(nos) + por_nivel * niveis) * sizeof(double);
}

}  // namespace

std::uint64_t memoria_da_corrida(std::int32_t nos, std::int32_t passos) {
    return memoria_de(arranjos_dos_nos().size() + solver::arranjos_de_trabalho, nos, passos);
}

namespace {

void alocar_ou_relatar(Arranjo& arranjo, std::int64_t inicio, std::int64_t fim) {
    if (!arranjo.alocar(inicio, fim))
        servicos::erros::relatar_erro(servicos::base::mensagem::memoria_insuficiente,
                                      servicos::base::instrucao::sem_rotulo);
}

}  // namespace

void alocar_arranjos(std::uint64_t memoria_a_mais) {
    // The boundary rows and the middle node need two nodes at least, and level
    // 0 is always recorded: smaller data would reach outside the arrays.
    if (Nx < 2 || Nt < 0)
        servicos::erros::relatar_erro(servicos::base::mensagem::dimensao_invalida, servicos::base::instrucao::allocate);
    // Refuse up front what the system cannot give, instead of letting an
    // over-committed allocation be killed when its pages are touched.
    // Counts past maior_contagem would overflow the loops' counters: such
    // arrays (16 GiB each) are refused as memory that cannot be had,
    // whatever the machine.
    // The process's own limits (ulimit -v, -d) refuse a mapping outright:
    // arrays of the state that do not fit under them could never all be had,
    // and are refused with the report their allocation would give.
    const std::uint64_t disponivel = servicos::plataforma::memoria_disponivel();
    const std::optional<servicos::plataforma::FolgaDoProcesso> folga =
        servicos::plataforma::folga_dos_limites_do_processo();
    const bool contadores_estouram = Nx > maior_contagem || Nt > maior_contagem;
    const bool alem_dos_limites = folga && memoria_de(arranjos_dos_nos().size(), Nx, Nt) > folga->bytes;
    if (contadores_estouram || alem_dos_limites ||
        (disponivel != 0 && memoria_da_corrida(Nx, Nt) + memoria_a_mais > disponivel))
        servicos::erros::relatar_erro(servicos::base::mensagem::memoria_insuficiente,
                                      servicos::base::instrucao::sem_rotulo);
    for (Arranjo* no : arranjos_dos_nos()) alocar_ou_relatar(*no, 1, Nx);
    for (Arranjo* nivel : arranjos_dos_niveis()) alocar_ou_relatar(*nivel, 0, Nt);
}

void montar_malhas() {
    for (i = 1; i <= Nx; ++i) x(i) = (i - 1.0) * dx;
    for (n = 0; n <= Nt; ++n) t(n) = n * dt;
}

void registrar_nivel_inicial() {
    const std::int32_t imeio = no_do_meio(Nx);
    Tmeio(0) = Tant(imeio);
    processamento::temperatura_media(Tant, Nx, dx, Lx, Tm(0));
}

void avancar_no_tempo() {
    // For n = 1..Nt: termo_fonte; tdma into T; Tm(n) and Tmeio(n) from T; T
    // copied into Tant. The same operations, fused into two sweeps per step.
    passo_tempo::avancar_no_tempo();
}

}  // namespace principal
