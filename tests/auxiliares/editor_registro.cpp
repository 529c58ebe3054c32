// Stands in for the editor and the plotter in the end-to-end tests that run
// the real command interpreter: copied (POSIX: linked) under the names
// "notepad" and "wgnuplot" into a folder put first on PATH, it appends what
// it was handed to the file named by DIFUSAO_REGISTRO, one line per start:
//   POSIX    every argument in brackets, "[a][b c]";
//   Windows  the command line after the program's own name, in brackets:
//            the editor takes that text as one file name, less one pair of
//            enclosing quotes.
#include <cstdlib>
#include <fstream>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

std::string recebido([[maybe_unused]] int argc, [[maybe_unused]] char** argv) {
#ifdef _WIN32
    // The program's name ends at the first blank or tab outside quotes.
    const std::string linha = ::GetCommandLineA();
    std::size_t j = 0;
    bool entre_aspas = false;
    for (; j < linha.size() && (entre_aspas || (linha[j] != ' ' && linha[j] != '\t')); ++j)
        if (linha[j] == '"') entre_aspas = !entre_aspas;
    while (j < linha.size() && (linha[j] == ' ' || linha[j] == '\t')) ++j;
    return std::string("[").append(linha, j).append("]");
#else
    std::string texto;
    for (int i = 1; i < argc; ++i) {
        texto += '[';
        texto += argv[i];
        texto += ']';
    }
    return texto;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    const std::string texto = recebido(argc, argv);
    if (const char* caminho = std::getenv("DIFUSAO_REGISTRO")) {
        std::ofstream registro(caminho, std::ios::binary | std::ios::app);
        registro << texto << '\n';
    }
    return 0;
}
