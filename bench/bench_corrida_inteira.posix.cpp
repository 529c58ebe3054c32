// Whole runs of the program against the floor of their time loop, measured
// side by side in one process, in elapsed time (a whole run may keep two
// processors busy, so processor time would not compare):
//  - piso:     the floor kernel (piso.hpp) over the run's arrays, Nt steps;
//  - laco:     the driver's time loop, principal::avancar_no_tempo;
//  - corrida:  the real program from its start to its end on the same input,
//              in a scratch folder, its viewers /bin/true: on tmpfs (pasta 0),
//              where the commit's syncs cost nothing, and on a real disk
//              (pasta 1), where they wait for what is not yet written;
//  - corrida_depois_do_laco: the same run with its results written after
//              the loop, as before the writer (bench_escrita_forcada);
//  - corrida_anterior: another build of the program, when
//              DIFUSAO_PROGRAMA_ANTERIOR names it.
// Shapes: (Nx, Nt) = (10^5, 10^3), (10^3, 10^5), (10^4, 10^4), Crank-Nicolson
// on a unit slab decaying by about e^-1, and the shipped example (21, 600).
// The tmpfs folder is $DIFUSAO_PASTA_BENCH, else /dev/shm, else the temporary
// one; the disk's is $DIFUSAO_PASTA_DISCO, else /var/tmp, and must be on a
// block device (not tmpfs).
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <filesystem>
#include <random>
#include <system_error>

#include <spawn.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include "campo_inicial.hpp"
#include "nucleo/coeficientes.hpp"
#include "nucleo/solver.hpp"
#include "nucleo/variaveis.hpp"
#include "pasta_temporaria.hpp"
#include "piso.hpp"
#include "principal.hpp"

extern char** environ;

namespace {

using namespace variaveis;

const std::array<DadosEntrada, 4> formas{{
    {1.0, 100000, 0.1, 1000, 100.0, 0.5, 1.0, 1.0, 1.0},
    {1.0, 1000, 0.1, 100000, 100.0, 0.5, 1.0, 1.0, 1.0},
    {1.0, 10000, 0.1, 10000, 100.0, 0.5, 1.0, 1.0, 1.0},
    {1.0, 21, 600.0, 600, 100.0, 0.5, 45.0, 800.0, 460.0},  // exemplo/entradas_geral.ent
}};

const DadosEntrada& forma(const benchmark::State& estado) {
    return formas[static_cast<std::size_t>(estado.range(0))];
}

constexpr long magica_tmpfs = 0x01021994;  // TMPFS_MAGIC
constexpr long magica_ramfs = 0x858458f6;  // RAMFS_MAGIC

// A scratch folder on a real disk for the runs of pasta 1, removed at the
// end; empty when there is none.
class PastaEmDisco {
public:
    PastaEmDisco() {
        namespace fs = std::filesystem;
        const char* escolhida = std::getenv("DIFUSAO_PASTA_DISCO");
        const fs::path base = escolhida && *escolhida ? fs::path(escolhida) : fs::path("/var/tmp");
        struct statfs sistema {};
        if (::statfs(base.c_str(), &sistema) != 0 || sistema.f_type == magica_tmpfs || sistema.f_type == magica_ramfs)
            return;
        std::error_code erro;
        const fs::path caminho = base / ("difusao_disco_" + std::to_string(std::random_device{}()));
        if (fs::create_directories(caminho, erro)) caminho_ = caminho;
    }
    ~PastaEmDisco() {
        std::error_code ignorado;
        if (!caminho_.empty()) std::filesystem::remove_all(caminho_, ignorado);
    }
    PastaEmDisco(const PastaEmDisco&) = delete;
    PastaEmDisco& operator=(const PastaEmDisco&) = delete;
    const std::filesystem::path& caminho() const { return caminho_; }

private:
    std::filesystem::path caminho_;
};

// The folder of the runs of `estado`: the current one (tmpfs), or the disk's.
std::filesystem::path pasta_da_corrida(const benchmark::State& estado) {
    static const PastaEmDisco disco;
    return estado.range(1) == 0 ? std::filesystem::current_path() : disco.caminho();
}

// Starts `argumentos` (the program first) in the current folder and waits
// for it; its exit status, or -1.
int executar(const std::vector<std::string>& argumentos) {
    std::vector<char*> argv;
    for (const std::string& a : argumentos) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t filho = 0;
    if (posix_spawn(&filho, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int estado = 0;
    if (waitpid(filho, &estado, 0) != filho || !WIFEXITED(estado)) return -1;
    return WEXITSTATUS(estado);
}

// The input file of a run on `d`, every real with the digits that read back
// as the same double.
void escrever_entrada(const DadosEntrada& d) {
    FILE* arquivo = std::fopen("entradas_geral.ent", "wb");
    if (arquivo == nullptr) return;
    std::fprintf(arquivo, "listagem.txt\n%.17g\n%d\n%.17g\n%d\n%.17g\n%.17g\n%.17g\n%.17g\n%.17g\n", d.Lx,
                 static_cast<int>(d.Nx), d.tf, static_cast<int>(d.Nt), d.Ti, d.theta, d.k, d.ro, d.cp);
    std::fclose(arquivo);
}

template <typename Laco>
void medir_laco(benchmark::State& estado, Laco laco) {
    iniciar_corrida(forma(estado));
    principal::preparar_laco();
    repetir_do_campo_inicial(estado, laco);
    reiniciar_estado();
}

// The independent term of the first step serves every step.
void BM_piso(benchmark::State& estado) {
    iniciar_corrida(forma(estado));
    principal::preparar_laco();
    coeficientes::termo_fonte();
    solver::Trabalho trabalho;
    solver::obter_trabalho(trabalho, Nx);
    for (auto _ : estado)
        piso(aP.dados(), aW.dados(), aE.dados(), bP.dados(), trabalho.P.dados(), trabalho.Q.dados(), T.dados(), Nx,
             Nt);
    reiniciar_estado();
}

void BM_laco(benchmark::State& estado) {
    medir_laco(estado, [] { principal::avancar_no_tempo(); });
}

void medir_corrida(benchmark::State& estado, const std::vector<std::string>& programa) {
    const std::filesystem::path pasta = pasta_da_corrida(estado), atual = std::filesystem::current_path();
    if (pasta.empty()) {
        estado.SkipWithError("no folder on a disk: name one in DIFUSAO_PASTA_DISCO");
        for (auto _ : estado) {
        }
        return;
    }
    std::filesystem::current_path(pasta);
    for (auto _ : estado) {
        estado.PauseTiming();
        escrever_entrada(forma(estado));
        estado.ResumeTiming();
        if (executar(programa) != 0) {
            estado.SkipWithError("the run failed");
            break;
        }
    }
    std::filesystem::current_path(atual);
}

void BM_corrida(benchmark::State& estado) { medir_corrida(estado, {DIFUSAO_PROGRAMA}); }

void BM_corrida_depois_do_laco(benchmark::State& estado) {
    medir_corrida(estado, {DIFUSAO_ESCRITA_FORCADA, "depois_do_laco"});
}

void BM_corrida_anterior(benchmark::State& estado) {
    const char* anterior = std::getenv("DIFUSAO_PROGRAMA_ANTERIOR");
    if (anterior == nullptr || *anterior == '\0') {
        estado.SkipWithError("DIFUSAO_PROGRAMA_ANTERIOR not set");
        for (auto _ : estado) {
        }
        return;
    }
    medir_corrida(estado, {anterior});
}

void formas_medidas(benchmark::internal::Benchmark* b) {
    b->ArgNames({"forma"});
    for (int j = 0; j < static_cast<int>(formas.size()); ++j) b->Arg(j);
    b->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
}

// Each shape in each folder: tmpfs (0), a disk (1).
void corridas_medidas(benchmark::internal::Benchmark* b) {
    b->ArgNames({"forma", "pasta"});
    for (int j = 0; j < static_cast<int>(formas.size()); ++j)
        for (int pasta = 0; pasta < 2; ++pasta) b->Args({j, pasta});
    b->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
}

BENCHMARK(BM_piso)->Apply(formas_medidas);
BENCHMARK(BM_laco)->Apply(formas_medidas);
BENCHMARK(BM_corrida)->Apply(corridas_medidas);
BENCHMARK(BM_corrida_depois_do_laco)->Apply(corridas_medidas);
BENCHMARK(BM_corrida_anterior)->Apply(corridas_medidas);

}  // namespace

int main(int argc, char** argv) { return medir_numa_pasta_temporaria(argc, argv, "difusao_corrida_"); }
