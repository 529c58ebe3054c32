// Test support: run a program as a child in a given folder, with extra
// environment variables and a given standard input, and collect its exit
// status and the exact bytes of its standard output and standard error.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace suporte {

// Whether the tests run under qemu-user, in a cross build for another
// processor. Its start of a child cannot tell the parent that the child's
// program could not be started: that shows as a child ending with status 127,
// as a shell reports a command it could not run. And an address-space cap
// meant for the program caps the emulator, which reserves the program's
// memory itself.
#ifdef DIFUSAO_SOB_EMULADOR
inline constexpr bool sob_emulador = true;
#else
inline constexpr bool sob_emulador = false;
#endif

struct Execucao {
    std::filesystem::path programa;
    std::vector<std::string> argumentos;  // without the program itself
    std::filesystem::path diretorio;      // empty: the current one
    // Variables set (value) or removed (nullopt) for the child.
    std::map<std::string, std::optional<std::string>> ambiente;
    std::optional<std::string> entrada;  // nullopt: standard input closed (end of input at once)
};

struct Resultado {
    int status = -1;
    std::string saida;
    std::string erro;
};

Resultado executar(const Execucao& execucao);

// A file name given as the bytes that the program uses for it, as a path of
// this process (Windows: the system reads such bytes in its ANSI code page).
std::filesystem::path caminho_de_bytes(const std::string& bytes);

// Whole-file helpers.
std::string ler_arquivo(const std::filesystem::path& caminho);
void escrever_arquivo(const std::filesystem::path& caminho, const std::string& bytes);

// A fresh empty folder under the system's temporary folder, removed on destruction.
class PastaTemporaria {
public:
    PastaTemporaria();
    ~PastaTemporaria();
    PastaTemporaria(const PastaTemporaria&) = delete;
    PastaTemporaria& operator=(const PastaTemporaria&) = delete;
    const std::filesystem::path& caminho() const { return caminho_; }
    std::filesystem::path operator/(const std::string& nome) const { return caminho_ / nome; }

private:
    std::filesystem::path caminho_;
};

}  // namespace suporte
