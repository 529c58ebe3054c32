// What both command interpreters read as one literal piece of a command line.
#include "servicos/comandos/comandos.hpp"

namespace servicos::comandos {

namespace {

bool caractere_inofensivo(unsigned char c, std::string_view pontuacao) {
    if (c >= 0x80) return true;  // accented letters of Windows-1252 names
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return c != '\0' && pontuacao.find(static_cast<char>(c)) != std::string_view::npos;
}

}  // namespace

bool literal_para_interpretador(std::string_view texto, std::string_view pontuacao, BrancoIsolado branco) {
    // Where a single blank may stand, only between words and never two in a
    // row: a run of blanks would be squeezed by word splitting.
    if (texto.empty() || texto.front() == ' ' || texto.back() == ' ') return false;
    for (std::size_t j = 0; j < texto.size(); ++j) {
        const unsigned char c = static_cast<unsigned char>(texto[j]);
        if (c == ' ' && branco == BrancoIsolado::literal && texto[j + 1] != ' ') continue;
        if (!caractere_inofensivo(c, pontuacao)) return false;
    }
    return true;
}

}  // namespace servicos::comandos
