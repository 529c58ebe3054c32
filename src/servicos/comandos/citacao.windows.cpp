// Quoting for cmd.exe. Inside double quotes cmd takes & | < > ^ ( ) ; and
// blanks literally, but it still expands %name% everywhere, quotes or not.
// A piece with a percent sign therefore does not go on the command line at
// all: it is handed over in an environment variable of our own, whose
// expansion cmd does not scan again. Each distinct piece gets a variable of
// its own and keeps it, so that a second piece never takes the first one's
// place.
#include <windows.h>

#include <string>
#include <vector>

#include "servicos/comandos/comandos.hpp"

namespace servicos::comandos {

namespace {

constexpr const char* variavel_do_nome = "DIFUSAO_ARQUIVO";

// The pieces bound so far, the first to variavel_do_nome and the k-th (k > 1)
// to variavel_do_nome followed by _k.
std::vector<std::string>& pecas_vinculadas() {
    static std::vector<std::string> pecas;
    return pecas;
}

std::string nome_da_variavel(std::size_t posicao) {
    std::string nome = variavel_do_nome;
    if (posicao > 0) nome += "_" + std::to_string(posicao + 1);
    return nome;
}

// The variable bound to `valor` (the next one for a piece not seen before),
// set to it.
std::string variavel_com(const std::string& valor) {
    std::vector<std::string>& pecas = pecas_vinculadas();
    std::size_t posicao = 0;
    while (posicao < pecas.size() && pecas[posicao] != valor) ++posicao;
    if (posicao == pecas.size()) pecas.push_back(valor);
    const std::string nome = nome_da_variavel(posicao);
    SetEnvironmentVariableA(nome.c_str(), valor.c_str());
    return nome;
}

}  // namespace

std::string citar_para_interpretador(std::string_view texto) {
    if (texto.empty() || literal_para_interpretador(texto, "._-/\\+,:@=", BrancoIsolado::literal))
        return std::string(texto);
    if (texto.find_first_of("%\"!") == std::string_view::npos) return std::string("\"").append(texto).append("\"");
    const std::string valor(texto.substr(0, texto.find('\0')));
    return "\"%" + variavel_com(valor) + "%\"";
}

}  // namespace servicos::comandos
