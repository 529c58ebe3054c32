// Quoting for the POSIX shell: a piece that could be read as anything but
// literal text goes inside single quotes, where the shell interprets nothing;
// a single quote itself is written as '\'' (close, escaped quote, reopen).
#include "servicos/comandos.hpp"

namespace servicos {

namespace {

bool caractere_inofensivo(unsigned char c) {
    if (c >= 0x80) return true;  // accented letters of Windows-1252 names
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    switch (c) {
        case '.': case '_': case '-': case '/': case '+': case ',': case ':': case '@': case '=':
            return true;
        default:
            return false;
    }
}

// Literal as it stands: harmless characters, blanks only between words and
// never two in a row (the editor takes the rest of its line as one name, so a
// single blank is safe; a run of blanks would be squeezed by word splitting).
bool literal_como_esta(std::string_view texto) {
    if (texto.empty() || texto.front() == ' ' || texto.back() == ' ') return false;
    for (std::size_t j = 0; j < texto.size(); ++j) {
        const unsigned char c = static_cast<unsigned char>(texto[j]);
        if (c == ' ' && texto[j + 1] != ' ') continue;
        if (!caractere_inofensivo(c)) return false;
    }
    return true;
}

}  // namespace

std::string citar_para_interpretador(std::string_view texto) {
    if (texto.empty() || literal_como_esta(texto)) return std::string(texto);
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

}  // namespace servicos
