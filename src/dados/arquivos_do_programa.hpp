// The files that difusao_calor reads or writes in its folder besides the
// listing: a listing given one of these names would overwrite one of them.
#pragma once

#include <array>
#include <string_view>

namespace dados {

inline constexpr std::array<std::string_view, 5> arquivos_do_programa{
    "entradas_geral.ent", "temp_media.txt", "temp_meio.txt", "temp_media.gnu", "temp_meio.gnu"};

}  // namespace dados
