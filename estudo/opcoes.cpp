#include "opcoes.hpp"

#include <charconv>

namespace estudo {

namespace {

// The whole text must be a decimal count within the allowed range.
std::optional<int> contagem_de_niveis(std::string_view texto) {
    int valor = 0;
    const auto [fim, erro] = std::from_chars(texto.data(), texto.data() + texto.size(), valor);
    if (erro != std::errc{} || fim != texto.data() + texto.size()) return std::nullopt;
    if (valor < niveis_minimo || valor > niveis_maximo) return std::nullopt;
    return valor;
}

std::string faixa_de_niveis() {
    return "de " + std::to_string(niveis_minimo) + " a " + std::to_string(niveis_maximo);
}

}  // namespace

std::optional<Opcoes> interpretar_opcoes(std::span<const std::string_view> argumentos, std::string& erro) {
    Opcoes opcoes;
    constexpr std::string_view niveis_igual = "--niveis=";
    for (std::size_t j = 0; j < argumentos.size(); ++j) {
        const std::string_view argumento = argumentos[j];
        std::optional<std::string_view> valor_niveis;
        if (argumento == "--comparar") {
            opcoes.comparar = true;
        } else if (argumento == "--ajuda" || argumento == "-h") {
            opcoes.ajuda = true;
        } else if (argumento == "--niveis") {
            if (j + 1 == argumentos.size()) {
                erro = "falta o número de níveis depois de --niveis";
                return std::nullopt;
            }
            valor_niveis = argumentos[++j];
        } else if (argumento.starts_with(niveis_igual)) {
            valor_niveis = argumento.substr(niveis_igual.size());
        } else {
            erro = "opção desconhecida: " + std::string(argumento);
            return std::nullopt;
        }
        if (valor_niveis) {
            const std::optional<int> niveis = contagem_de_niveis(*valor_niveis);
            if (!niveis) {
                erro = "número de níveis inválido: " + std::string(*valor_niveis) + " (use " + faixa_de_niveis() + ")";
                return std::nullopt;
            }
            opcoes.niveis = *niveis;
        }
    }
    return opcoes;
}

std::string texto_uso() {
    return "uso: estudo_convergencia [--niveis N] [--comparar]\n"
           "  Lê entradas_geral.ent da pasta atual, como difusao_calor, e verifica a solução\n"
           "  numérica contra a solução exata.\n"
           "  --niveis N   número de malhas de cada refinamento, " +
           faixa_de_niveis() + " (padrão " + std::to_string(niveis_padrao) +
           "); grava convergencia.txt\n"
           "  --comparar   roda theta = 0, 0.5 e 1 na malha da entrada; grava comparacao_esquemas.txt\n";
}

}  // namespace estudo
