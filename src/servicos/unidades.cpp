#include "servicos/unidades.hpp"

namespace servicos {

// Placeholders until the file units land.
void abrir_unidade(int, std::string_view) {}
void escrever_formatado(int, std::string_view, std::span<const ItemFormato>) {}
void escrever_formatado(int unidade, std::string_view formato, std::initializer_list<ItemFormato> itens) {
    escrever_formatado(unidade, formato, std::span<const ItemFormato>(itens.begin(), itens.size()));
}
void fechar_unidade(int) {}
void ler_valor(int, double&) {}
void ler_valor(int, std::int32_t&) {}
void ler_valor(int, std::span<char>) {}
void definir_argumentos(int, char**) {}
void fechar_todas_unidades() {}
std::string nome_da_unidade(int) { return {}; }

}  // namespace servicos
