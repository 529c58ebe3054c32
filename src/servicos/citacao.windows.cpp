// Quoting for cmd.exe. Inside double quotes cmd takes & | < > ^ ( ) ; and
// blanks literally, but it still expands %name% everywhere, quotes or not.
// A piece with a percent sign therefore does not go on the command line at
// all: it is handed over in an environment variable of our own, whose
// expansion cmd does not scan again.
#include <windows.h>

#include "servicos/comandos.hpp"

namespace servicos {

namespace {

constexpr const char* variavel_do_nome = "DIFUSAO_ARQUIVO";

bool caractere_inofensivo(unsigned char c) {
    if (c >= 0x80) return true;  // accented letters of Windows-1252 names
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    switch (c) {
        case '.': case '_': case '-': case '/': case '\\': case '+': case ',': case ':': case '@': case '=':
            return true;
        default:
            return false;
    }
}

// Literal as it stands: harmless characters and single inner blanks (the
// editor takes the rest of its command line as one file name).
bool literal_como_esta(std::string_view texto) {
    if (texto.front() == ' ' || texto.back() == ' ') return false;
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
    if (texto.find_first_of("%\"!") == std::string_view::npos) return "\"" + std::string(texto) + "\"";
    const std::string valor(texto.substr(0, texto.find('\0')));
    SetEnvironmentVariableA(variavel_do_nome, valor.c_str());
    return std::string("\"%") + variavel_do_nome + "%\"";
}

}  // namespace servicos
