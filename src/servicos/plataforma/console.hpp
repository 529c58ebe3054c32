// The console line that answers the prompt for a blank file name
// (console.cpp), the same on every platform; each platform only supplies the
// bytes of its standard input.
#pragma once

#include <cstddef>
#include <string>

namespace servicos::plataforma {

// Characters kept of one console line: a file name as long as the longest
// path Windows takes (MAX_PATH); the rest of a longer line is dropped.
inline constexpr std::size_t maximo_linha_console = 260;

// One console line from the bytes that `ler_byte` gives (0..255, -1 at the
// end): without its LF or CR LF, cut to maximo_linha_console characters;
// false when the input ends before any byte of the line.
bool montar_linha_console(int (*ler_byte)(), std::string& linha);

}  // namespace servicos::plataforma
