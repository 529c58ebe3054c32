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

}  // namespace

std::string citar_para_interpretador(std::string_view texto) {
    if (texto.empty() || literal_para_interpretador(texto, "._-/\\+,:@=", BrancoIsolado::literal))
        return std::string(texto);
    if (texto.find_first_of("%\"!") == std::string_view::npos) return std::string("\"").append(texto).append("\"");
    const std::string valor(texto.substr(0, texto.find('\0')));
    SetEnvironmentVariableA(variavel_do_nome, valor.c_str());
    return std::string("\"%") + variavel_do_nome + "%\"";
}

}  // namespace servicos
