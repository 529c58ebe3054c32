// Command line of estudo_convergencia.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace estudo {

inline constexpr int niveis_padrao = 4;
inline constexpr int niveis_minimo = 2;  // one order needs two levels
inline constexpr int niveis_maximo = 8;  // the finest grid is 128 times finer

struct Opcoes {
    int niveis = niveis_padrao;
    bool comparar = false;  // the three schemes on the input grid instead of the refinement
    bool ajuda = false;
};

// The options after the program's name; nothing, with `erro` set to the
// reason, when they cannot be used.
std::optional<Opcoes> interpretar_opcoes(std::span<const std::string_view> argumentos, std::string& erro);

// The usage text, ended by a line end.
std::string texto_uso();

}  // namespace estudo
