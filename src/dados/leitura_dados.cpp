#include <span>

#include "dados/dados.hpp"
#include "servicos/comandos.hpp"
#include "servicos/unidades.hpp"
#include "variaveis.hpp"

namespace dados {

using namespace variaveis;

void leitura_dados() {
    // The user edits the data first; the interpreter returns only when the
    // editor has been closed. Its status is of no interest to the run.
    [[maybe_unused]] const std::int32_t status = servicos::executar_comando("notepad entradas_geral.ent");
    ler_entradas();
}

void ler_entradas() {
    servicos::abrir_unidade(1, "entradas_geral.ent");
    servicos::ler_valor(1, std::span<char>(arq_saida));
    servicos::ler_valor(1, Lx);
    servicos::ler_valor(1, Nx);
    servicos::ler_valor(1, tf);
    servicos::ler_valor(1, Nt);
    servicos::ler_valor(1, Ti);
    servicos::ler_valor(1, theta);
    servicos::ler_valor(1, k);
    servicos::ler_valor(1, ro);
    servicos::ler_valor(1, cp);
    servicos::fechar_unidade(1);
}

}  // namespace dados
