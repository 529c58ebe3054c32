// A scratch folder made the current one for the life of a benchmark program,
// so that the result files it writes land where they cost what the folder
// costs and nowhere else: $DIFUSAO_PASTA_BENCH, else /dev/shm, else the
// temporary folder. Removed, with whatever the runs left, at its end.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

class PastaTemporaria {
public:
    explicit PastaTemporaria(const std::string& prefixo) {
        namespace fs = std::filesystem;
        const char* escolhida = std::getenv("DIFUSAO_PASTA_BENCH");
        const fs::path base = escolhida && *escolhida       ? fs::path(escolhida)
                              : fs::is_directory("/dev/shm") ? fs::path("/dev/shm")
                                                             : fs::temp_directory_path();
        caminho_ = base / (prefixo + std::to_string(std::random_device{}()));
        fs::create_directories(caminho_);
        fs::current_path(caminho_);
    }
    ~PastaTemporaria() {
        std::error_code ignorado;
        std::filesystem::current_path(caminho_.parent_path(), ignorado);
        std::filesystem::remove_all(caminho_, ignorado);
    }
    PastaTemporaria(const PastaTemporaria&) = delete;
    PastaTemporaria& operator=(const PastaTemporaria&) = delete;

private:
    std::filesystem::path caminho_;
};

// The main program of a benchmark whose runs write result files: they are
// written in such a folder (named `prefixo` and a number), and the viewers
// that the runs start are an interpreter that does nothing.
inline int medir_numa_pasta_temporaria(int argc, char** argv, const std::string& prefixo) {
    setenv("COMSPEC", "/bin/true", 1);
    const PastaTemporaria pasta(prefixo);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
