// Quoting for the POSIX shell: a piece that could be read as anything but
// literal text goes inside single quotes, where the shell interprets nothing;
// a single quote itself is written as '\'' (close, escaped quote, reopen).
// A blank is quoted too: the shell would split the name there, and the editor
// would get two arguments (the second, as "+cmd", even a command of its own).
#include "servicos/comandos/comandos.hpp"

namespace servicos::comandos {

std::string citar_para_interpretador(std::string_view texto) {
    if (texto.empty() || literal_para_interpretador(texto, "._-/+,:@=", BrancoIsolado::citado))
        return std::string(texto);
    std::string citado = "'";
    for (const char c : texto) {
        if (c == '\'')
            citado += "'\\''";
        else
            citado += c;
    }
    citado += '\'';
    return citado;
}

}  // namespace servicos::comandos
