// Stands in for the command interpreter in the tests of the command runner:
// records exactly what it was started with and ends with the status asked.
//   DIFUSAO_LOG     file that receives the record (replaced); none when unset
//   DIFUSAO_STATUS  exit status, 0 when unset
// Record: POSIX, every argument followed by a NUL byte; Windows, the raw
// command line followed by a NUL byte (the runner hands over one line).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

void gravar(std::FILE* registro, const char* texto) { std::fwrite(texto, 1, std::strlen(texto) + 1, registro); }

}  // namespace

int main(int argc, char** argv) {
    if (const char* nome = std::getenv("DIFUSAO_LOG")) {
        if (std::FILE* registro = std::fopen(nome, "wb")) {
#ifdef _WIN32
            (void)argc;
            (void)argv;
            gravar(registro, ::GetCommandLineA());
#else
            for (int i = 0; i < argc; ++i) gravar(registro, argv[i]);
#endif
            std::fclose(registro);
        }
    }
    const char* status = std::getenv("DIFUSAO_STATUS");
    return status ? std::atoi(status) : 0;
}
