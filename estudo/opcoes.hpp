// Command line of estudo_convergencia.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace estudo {

inline constexpr int niveis_padrao = 4;
inline constexpr int niveis_minimo = 2;  // one order needs two levels
inline constexpr int niveis_maximo = 8;  // the finest grid is 128 times finer
inline constexpr int fios_maximo = 256;
inline constexpr std::size_t maximo_de_valores = 16;  // in a list of --teta or --perfis

// What the study does; one mode per run.
enum class Modo {
    convergencia,  // the three refinements (the default)
    comparar,      // theta = 0, 1/2 and 1 on the input grid
    mapa,          // error and stability over a range of F
    perfis,        // T(x) at chosen times
    explicar,      // how difusao_calor reads entradas_geral.ent
};

struct Opcoes {
    Modo modo = Modo::convergencia;
    int niveis = niveis_padrao;
    std::vector<double> thetas{0.0, 0.5, 1.0};  // of the map
    std::vector<double> tempos;                 // of the profiles
    bool csv = false;
    int fios = 0;  // 0: one per processor of the machine
    bool ajuda = false;
    // The explainer's quiet forms, for other tools: only the warnings, only
    // the listing's name, or only the plots' stability verdict. Each goes
    // with --explicar alone.
    bool somente_avisos = false;
    bool somente_listagem = false;
    bool somente_titulo = false;  // the stability verdict for the plot titles
};

// The options after the program's name; nothing, with `erro` set to the
// reason, when they cannot be used.
std::optional<Opcoes> interpretar_opcoes(std::span<const std::string_view> argumentos, std::string& erro);

// The usage text, ended by a line end: options, files written, exit statuses.
std::string texto_uso();

}  // namespace estudo
