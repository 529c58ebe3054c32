// The files that difusao_calor reads or writes in its folder besides the
// listing: a listing given one of these names would overwrite one of them.
#pragma once

#include <array>
#include <string_view>

namespace dados {

// The input file; runs in one folder share it, and with it the lock of the
// commits of their results.
inline constexpr std::string_view arquivo_de_entrada = "entradas_geral.ent";

inline constexpr std::array<std::string_view, 5> arquivos_do_programa{
    arquivo_de_entrada, "temp_media.txt", "temp_meio.txt", "temp_media.gnu", "temp_meio.gnu"};

}  // namespace dados
