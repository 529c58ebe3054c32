// A stand-in command interpreter for the end-to-end tests. Started as
// "<this> -c <command>" (POSIX) or "<this> /c <command>" (Windows), it
// appends the command and a line feed to the file named by DIFUSAO_REGISTRO,
// plays the editor when DIFUSAO_NOVA_ENTRADA names a file (the command
// "notepad entradas_geral.ent" then replaces the input file by that one), and
// exits with the status in DIFUSAO_STATUS_INTERPRETADOR (0 by default).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

std::string comando_recebido([[maybe_unused]] int argc, [[maybe_unused]] char** argv) {
#ifdef _WIN32
    const std::string linha = GetCommandLineA();
    const auto marca = linha.find(" /c ");
    return marca == std::string::npos ? std::string() : linha.substr(marca + 4);
#else
    return argc >= 3 ? std::string(argv[2]) : std::string();
#endif
}

void anexar(const char* caminho, const std::string& texto) {
    std::ofstream registro(caminho, std::ios::binary | std::ios::app);
    registro << texto << '\n';
}

void copiar(const char* origem, const char* destino) {
    std::ifstream entrada(origem, std::ios::binary);
    std::ostringstream bytes;
    bytes << entrada.rdbuf();
    std::ofstream saida(destino, std::ios::binary | std::ios::trunc);
    saida << bytes.str();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string comando = comando_recebido(argc, argv);
    if (const char* registro = std::getenv("DIFUSAO_REGISTRO")) anexar(registro, comando);
    if (const char* nova = std::getenv("DIFUSAO_NOVA_ENTRADA"); nova && comando == "notepad entradas_geral.ent")
        copiar(nova, "entradas_geral.ent");
    const char* status = std::getenv("DIFUSAO_STATUS_INTERPRETADOR");
    return status ? std::atoi(status) : 0;
}
