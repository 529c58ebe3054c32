// difusao_calor itself, with the way its results are written forced, so that
// the tests compare both ways on one case whatever its size:
//
//     escrita_forcada depois_do_laco|durante_o_laco [the program's arguments...]
//
// POSIX: DIFUSAO_MORTE_NA_ESCRITA=<signal> sends that signal to the run at
// the first write of its results (a unit's buffer, or a stretch of the
// writer's; not the set's record), as a kill while the run writes, and the
// writing thread waits there for it to act.
// POSIX: DIFUSAO_OPERACOES=<file> logs there, a line each, every operation
// that changes the files of the program and those they replace, once it has
// succeeded, as the disk sees it: "criar NAME", "escrever NAME POSITION
// HEXBYTES", "sincronizar NAME" (its content), "sincronizar_pasta FOLDER"
// (its names; "." for the current one), "sincronizar_tudo" (a whole file
// system), "ligar NAME NEW", "renomear NAME NEW", "remover NAME".
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

#include "dados/resultados_no_laco.hpp"
#include "principal.hpp"
#include "servicos/unidades/unidades.hpp"

namespace {

namespace plataforma = servicos::plataforma;
namespace unidades = servicos::unidades;

#ifndef _WIN32
int sinal_na_escrita = 0;
// The set's record is no result: its writes go through.
std::atomic<int> descritor_do_diario{-1};

[[noreturn]] void morrer() {
    ::kill(::getpid(), sinal_na_escrita);
    for (;;) ::pause();
}

unidades::Temporario criar_diario(const char* trava) {
    const unidades::Temporario criado = unidades::sistema_arquivos_nativo().criar_diario(trava);
    if (criado.resultado == unidades::Resultado::ok) descritor_do_diario.store(criado.descritor);
    return criado;
}
unidades::Resultado escrever(plataforma::Descritor d, const char* bytes, std::size_t tamanho) {
    if (d != descritor_do_diario.load()) morrer();
    return unidades::sistema_arquivos_nativo().escrever(d, bytes, tamanho);
}
unidades::Resultado escrever_em(plataforma::Descritor, std::uint64_t, const char*, std::size_t) { morrer(); }

// The operations of the set, logged (DIFUSAO_OPERACOES).
namespace operacoes {

const unidades::SistemaArquivos& nativo() { return unidades::sistema_arquivos_nativo(); }

std::mutex mutex;  // the writer thread writes while the loop runs
int saida = -1;
std::map<int, std::string> nomes;            // the program's files by descriptor
std::map<int, std::uint64_t> posicoes;       // where their next write goes
std::map<int, std::string> pastas;           // the folders held, by descriptor

void linha(const std::string& texto) {
    const std::string completa = texto + "\n";
    if (::write(saida, completa.data(), completa.size()) < 0) {
    }
}

std::string pasta(const char* vizinho) {
    const std::string nome = unidades::pasta_de(vizinho);
    return nome.empty() ? std::string(".") : nome;
}

unidades::Temporario criado(const unidades::Temporario& t) {
    if (t.resultado != unidades::Resultado::ok) return t;
    const std::lock_guard trava(mutex);
    nomes[t.descritor] = t.nome;
    posicoes[t.descritor] = 0;
    linha("criar " + t.nome);
    return t;
}
unidades::Temporario criar_temporario(const char* nome, const char* vizinho) {
    return criado(nativo().criar_temporario(nome, vizinho));
}
unidades::Temporario criar_diario(const char* trava) { return criado(nativo().criar_diario(trava)); }

void escrito(int d, std::uint64_t posicao, const char* bytes, std::size_t tamanho) {
    const auto nome = nomes.find(d);
    if (nome == nomes.end()) return;
    std::string texto = "escrever " + nome->second + " " + std::to_string(posicao) + " ";
    static const char digitos[] = "0123456789abcdef";
    for (std::size_t j = 0; j < tamanho; ++j) {
        texto += digitos[static_cast<unsigned char>(bytes[j]) >> 4];
        texto += digitos[static_cast<unsigned char>(bytes[j]) & 15];
    }
    linha(texto);
}
unidades::Resultado escrever(int d, const char* bytes, std::size_t tamanho) {
    const unidades::Resultado r = nativo().escrever(d, bytes, tamanho);
    const std::lock_guard trava(mutex);
    if (r == unidades::Resultado::ok && nomes.count(d)) {
        escrito(d, posicoes[d], bytes, tamanho);
        posicoes[d] += tamanho;
    }
    return r;
}
unidades::Resultado escrever_em(int d, std::uint64_t posicao, const char* bytes, std::size_t tamanho) {
    const unidades::Resultado r = nativo().escrever_em(d, posicao, bytes, tamanho);
    const std::lock_guard trava(mutex);
    if (r == unidades::Resultado::ok) escrito(d, posicao, bytes, tamanho);
    return r;
}
unidades::Resultado sincronizar(int d) {
    const unidades::Resultado r = nativo().sincronizar(d);
    const std::lock_guard trava(mutex);
    if (r == unidades::Resultado::ok && nomes.count(d)) linha("sincronizar " + nomes[d]);
    return r;
}
unidades::Pasta abrir_pasta(const char* vizinho, int no_mesmo_sistema) {
    const unidades::Pasta p = nativo().abrir_pasta(vizinho, no_mesmo_sistema);
    const std::lock_guard trava(mutex);
    if (p.resultado == unidades::Resultado::ok) pastas[p.descritor] = pasta(vizinho);
    return p;
}
unidades::Resultado sincronizar_pasta(const unidades::Pasta& p) {
    const unidades::Resultado r = nativo().sincronizar_pasta(p);
    const std::lock_guard trava(mutex);
    if (r == unidades::Resultado::ok) linha(p.pelo_sistema ? "sincronizar_tudo" : "sincronizar_pasta " + pastas[p.descritor]);
    return r;
}
unidades::Resultado guardar_anterior(const char* destino, const char* copia) {
    const unidades::Resultado r = nativo().guardar_anterior(destino, copia);
    const std::lock_guard trava(mutex);
    if (r == unidades::Resultado::ok)
        linha((nativo().existe(destino) ? "ligar " : "renomear ") + std::string(destino) + " " + copia);
    return r;
}
unidades::Resultado substituir(const char* origem, const char* destino) {
    const unidades::Resultado r = nativo().substituir(origem, destino);
    const std::lock_guard trava(mutex);
    if (r == unidades::Resultado::ok) linha("renomear " + std::string(origem) + " " + destino);
    return r;
}
unidades::Resultado descartar(const char* nome) {
    const bool existia = nativo().existe(nome);
    const unidades::Resultado r = nativo().descartar(nome);
    const std::lock_guard trava(mutex);
    if (r == unidades::Resultado::ok && existia) linha("remover " + std::string(nome));
    return r;
}

unidades::SistemaArquivos sistema(const char* arquivo) {
    saida = ::open(arquivo, O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0600);
    unidades::SistemaArquivos s = nativo();
    s.criar_temporario = &criar_temporario;
    s.criar_diario = &criar_diario;
    s.escrever = &escrever;
    s.escrever_em = &escrever_em;
    s.sincronizar = &sincronizar;
    s.abrir_pasta = &abrir_pasta;
    s.sincronizar_pasta = &sincronizar_pasta;
    s.guardar_anterior = &guardar_anterior;
    s.substituir = &substituir;
    s.descartar = &descartar;
    return s;
}

}  // namespace operacoes

unidades::SistemaArquivos sistema_que_morre() {
    unidades::SistemaArquivos s = unidades::sistema_arquivos_nativo();
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
    static const unidades::SistemaArquivos sistema = sistema_que_morre();
    if (const char* sinal = std::getenv("DIFUSAO_MORTE_NA_ESCRITA")) {
        sinal_na_escrita = std::atoi(sinal);
        servicos::unidades::usar_sistema_arquivos(&sistema);
    }
    if (const char* arquivo = std::getenv("DIFUSAO_OPERACOES")) {
        static const unidades::SistemaArquivos registrado = operacoes::sistema(arquivo);
        servicos::unidades::usar_sistema_arquivos(&registrado);
    }
#endif
    // The mode stands where the program's name stood.
    principal::executar_processo(argc - 1, argv + 1);
}
