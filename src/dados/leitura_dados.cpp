#include <span>

#include "dados/dados.hpp"
#include "nucleo/variaveis.hpp"
#include "servicos/comandos/comandos.hpp"
#include "servicos/unidades/unidades.hpp"

namespace dados {

using namespace variaveis;

namespace {

// The unit the input file is read on.
constexpr int unidade_entrada = 1;

}  // namespace

void leitura_dados() {
    recuperar_resultados();
    // The user edits the data first; the interpreter returns only when the
    // editor has been closed. Its status is of no interest to the run.
    [[maybe_unused]] const std::int32_t status = servicos::comandos::executar_comando("notepad entradas_geral.ent");
    ler_entradas();
}

void ler_entradas() {
    servicos::unidades::abrir_unidade(unidade_entrada, "entradas_geral.ent");
    servicos::unidades::ler_valor(unidade_entrada, std::span<char>(arq_saida));
    servicos::unidades::ler_valor(unidade_entrada, Lx);
    servicos::unidades::ler_valor(unidade_entrada, Nx);
    servicos::unidades::ler_valor(unidade_entrada, tf);
    servicos::unidades::ler_valor(unidade_entrada, Nt);
    servicos::unidades::ler_valor(unidade_entrada, Ti);
    servicos::unidades::ler_valor(unidade_entrada, theta);
    servicos::unidades::ler_valor(unidade_entrada, k);
    servicos::unidades::ler_valor(unidade_entrada, ro);
    servicos::unidades::ler_valor(unidade_entrada, cp);
    servicos::unidades::fechar_unidade(unidade_entrada);
}

}  // namespace dados
