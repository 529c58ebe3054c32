// difusao_calor itself, with the way its results are written forced, so that
// the tests compare both ways on one case whatever its size:
//
//     escrita_forcada depois_do_laco|durante_o_laco [the program's arguments...]
//
// POSIX: DIFUSAO_MORTE_NA_ESCRITA=<signal> sends that signal to the run at
// the first write of its results (a unit's buffer, or a stretch of the
// writer's; not the set's record), as a kill while the run writes, and the
// writing thread waits there for it to act.
#include <atomic>
#include <cstdlib>
#include <string_view>

#ifndef _WIN32
#include <csignal>
#include <unistd.h>
#endif

#include "dados/resultados_no_laco.hpp"
#include "principal.hpp"
#include "servicos/unidades/unidades.hpp"

namespace {

namespace plataforma = servicos::plataforma;

#ifndef _WIN32
int sinal_na_escrita = 0;
// The set's record is no result: its writes go through.
std::atomic<int> descritor_do_diario{-1};

[[noreturn]] void morrer() {
    ::kill(::getpid(), sinal_na_escrita);
    for (;;) ::pause();
}

plataforma::Temporario criar_diario(const char* trava) {
    const plataforma::Temporario criado = plataforma::sistema_arquivos_nativo().criar_diario(trava);
    if (criado.resultado == plataforma::Resultado::ok) descritor_do_diario.store(criado.descritor);
    return criado;
}
plataforma::Resultado escrever(plataforma::Descritor d, const char* bytes, std::size_t tamanho) {
    if (d != descritor_do_diario.load()) morrer();
    return plataforma::sistema_arquivos_nativo().escrever(d, bytes, tamanho);
}
plataforma::Resultado escrever_em(plataforma::Descritor, std::uint64_t, const char*, std::size_t) { morrer(); }

plataforma::SistemaArquivos sistema_que_morre() {
    plataforma::SistemaArquivos s = plataforma::sistema_arquivos_nativo();
    s.criar_diario = &criar_diario;
    s.escrever = &escrever;
    s.escrever_em = &escrever_em;
    return s;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    const std::string_view modo = argc > 1 ? argv[1] : "";
    if (modo != "depois_do_laco" && modo != "durante_o_laco") return 3;
    dados::forcar_escrita(modo == "durante_o_laco" ? dados::Escrita::durante_o_laco : dados::Escrita::depois_do_laco);
#ifndef _WIN32
    static const plataforma::SistemaArquivos sistema = sistema_que_morre();
    if (const char* sinal = std::getenv("DIFUSAO_MORTE_NA_ESCRITA")) {
        sinal_na_escrita = std::atoi(sinal);
        servicos::usar_sistema_arquivos(&sistema);
    }
#endif
    // The mode stands where the program's name stood.
    principal::executar_processo(argc - 1, argv + 1);
}
