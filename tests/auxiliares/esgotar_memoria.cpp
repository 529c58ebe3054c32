// Child program for the allocation-failure tests: starts the run-time as the
// real program does, caps its own address space a little above what it uses,
// takes the heap until nothing more is given, and then makes the request
// named by its first argument:
//   unidade  a unit's output buffer (connecting a file),
//   solver   the solver's work arrays,
//   comando  the command line of an external command.
// Each must end in the allocation report and exit status 1. Exit status 3:
// the request did not fail; 77: the test cannot be made here (no address
// space limit, or a sanitizer's allocator that ignores it).
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "nucleo/solver.hpp"
#include "nucleo/variaveis.hpp"
#include "servicos/comandos/comandos.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/execucao.hpp"
#include "servicos/unidades/unidades.hpp"

#if defined(__SANITIZE_ADDRESS__)
#define ALOCADOR_PROPRIO 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ALOCADOR_PROPRIO 1
#endif
#endif

#if !defined(_WIN32) && !defined(ALOCADOR_PROPRIO)
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

namespace {

// Virtual size of this process in bytes, from /proc/self/statm; 0 if unknown.
std::uint64_t tamanho_virtual() {
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) return 0;
    unsigned long long paginas = 0;
    const int lidos = std::fscanf(statm, "%llu", &paginas);
    std::fclose(statm);
    return lidos == 1 ? paginas * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE)) : 0;
}

// The blocks taken, chained through their first bytes so that the chain
// needs nothing more. Kept where the compiler must assume it is read, or it
// could drop the allocations altogether.
void* volatile cadeia = nullptr;

// Takes blocks of ever smaller sizes until even 16 bytes are refused; they
// are never released.
void esgotar_heap() {
    for (std::size_t tamanho = std::size_t{1} << 24; tamanho >= 16; tamanho /= 2) {
        while (void* bloco = std::malloc(tamanho)) {
            *static_cast<void**>(bloco) = cadeia;
            cadeia = bloco;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    servicos::iniciar_execucao(argc, argv);
    const std::string_view caso = argc > 1 ? argv[1] : "";

    // What the solver needs is set aside before the heap is taken.
    constexpr std::int32_t nos = 1000;
    using variaveis::Arranjo;
    Arranjo aP, aW, aE, bP, T;
    for (Arranjo* a : {&aP, &aW, &aE, &bP, &T}) {
        if (!a->alocar(1, nos)) return 77;
        for (std::int32_t i = 1; i <= nos; ++i) (*a)(i) = a == &aP ? 4.0 : 1.0;  // a dominant diagonal
    }

    const std::uint64_t atual = tamanho_virtual();
    const rlimit limite{atual + (std::uint64_t{8} << 20), atual + (std::uint64_t{8} << 20)};
    if (atual == 0 || ::setrlimit(RLIMIT_AS, &limite) != 0) return 77;
    esgotar_heap();

    if (caso == "unidade") {
        servicos::unidades::abrir_unidade(5, "saida.txt");
    } else if (caso == "solver") {
        solver::tdma(aP, aW, aE, bP, T, nos);
    } else if (caso == "comando") {
        servicos::comandos::executar_comando("true");
    }
    servicos::erros::encerrar_programa(3);
}

#else

int main() { return 77; }

#endif
