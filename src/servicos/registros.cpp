#include "servicos/registros.hpp"

#include "servicos/erros.hpp"

namespace servicos {

// Placeholder until the format interpreter lands.
void formatar_registros(std::string_view, std::span<const ItemFormato>, DestinoRegistros& destino) {
    destino.fim_registro();
}

std::vector<std::string> formatar_registros(std::string_view formato, std::span<const ItemFormato> itens) {
    struct Coletor final : DestinoRegistros {
        std::vector<std::string> registros{std::string()};
        void texto(std::string_view bytes) override { registros.back().append(bytes); }
        void fim_registro() override { registros.emplace_back(); }
    } coletor;
    formatar_registros(formato, itens, coletor);
    coletor.registros.pop_back();
    return coletor.registros;
}

}  // namespace servicos
