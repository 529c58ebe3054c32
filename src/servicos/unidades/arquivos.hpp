// The system calls behind the units (arquivos.posix.cpp and
// arquivos.windows.cpp), gathered in one table so that tests can put failures
// in their way (usar_sistema_arquivos in unidades.hpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "servicos/plataforma/plataforma.hpp"

namespace servicos::unidades {

// What the system answered, in the terms the reports distinguish.
enum class Resultado : std::uint8_t {
    ok,
    nao_encontrado,   // the file or a folder on its path is missing
    acesso_negado,    // refused: permissions, a directory, a lock
    ja_existe,
    arquivos_demais,  // too many open files
    invalido,         // the system calls the request invalid (a bad name)
    disco_cheio,
    insubstituivel,   // a file that a rename cannot replace (see preparar_substituicao)
    outro,
};

struct Abertura {
    Resultado resultado;
    plataforma::Descritor descritor;
    bool existia;  // the file was there before the open
};

// Where the content of a file of a set of results goes.
struct Substituicao {
    Resultado resultado;
    // Written straight into the file, open on `descritor`: a device, a pipe,
    // a name that stands for an open descriptor, or an existing file that
    // refuses writing (its cut then reports it). Nothing of them can be kept
    // aside or replaced. Otherwise the content goes into a temporary file
    // beside `destino` (criar_temporario), renamed over it at the commit.
    bool direto;
    plataforma::Descritor descritor;
    bool existia;         // direct: a file that was there, cut before the first write
    std::string destino;  // what the rename replaces: the file a link points to
};

// What a file of the program is for; it chooses the name (nome_temporario).
enum class Papel : std::uint8_t {
    conteudo,  // the new content of a file of the set
    copia,     // the place that keeps a replaced file until the commit ends
    diario,    // the commit's record
};

struct Temporario {
    Resultado resultado;
    plataforma::Descritor descritor;
    std::string nome;
};

struct SistemaArquivos {
    // Opens an existing file unchanged or creates an empty one; read-write
    // first, then read-only, then write-only. Directories are refused. A pipe
    // is opened for reading only, so that its end is seen.
    Abertura (*abrir)(const char* nome);
    // How a file of a set of results is written (Substituicao), with the
    // open's answers for the name. An existing file that a rename cannot
    // replace (a mount point, another user's file in a sticky folder, a file
    // another program holds open without sharing its deletion) is refused as
    // insubstituivel. A pipe is opened for writing only; the open may wait
    // for a reader, so no request to terminate may be held meanwhile.
    Substituicao (*preparar_substituicao)(const char* nome);
    // Creates a new empty file of the program (nome_temporario) in the folder
    // of `vizinho` and holds it while `descritor` stays open: no other run
    // takes it for abandoned (tomar_abandonado). The content of an existing
    // file takes its permissions and, where the system allows, its owner.
    Temporario (*criar_temporario)(const char* vizinho, Papel papel);
    // Puts the file `destino` under the name `copia` (an empty file of the
    // program, replaced), keeping it held through `posse`. POSIX gives it the
    // second name by a link where it can, so that `destino` is never missing.
    Resultado (*guardar_anterior)(const char* destino, const char* copia, plataforma::Descritor& posse);
    // Puts a complete file in the place of `destino` at once.
    Resultado (*substituir)(const char* origem, const char* destino);
    // Removes a file; async-signal-safe.
    void (*descartar)(const char* nome);
    // Writes the file's content, or the folder's list of names, through to
    // the disk; a folder that cannot be synced is taken as synced.
    Resultado (*sincronizar)(plataforma::Descritor);
    Resultado (*sincronizar_pasta)(const char* vizinho);
    bool (*existe)(const char* nome);
    // The program's files in the folder of `vizinho`, with that folder's
    // prefix ("difusao_calor-temp-*.tmp").
    std::vector<std::string> (*temporarios_da_pasta)(const char* vizinho);
    // Takes a file of the program whose run is gone (nobody holds it; POSIX:
    // and it is the user's own): true with it open on `descritor`.
    bool (*tomar_abandonado)(const char* nome, plataforma::Descritor& descritor);
    // Serialises the commits of runs that share a file (the input file of
    // their folder): an advisory lock, waited for, that the system drops if
    // the process dies. Returns what destravar takes; a file that cannot be
    // locked is not locked.
    plataforma::Descritor (*travar)(const char* nome);
    // The same for the folder of `vizinho`, while files of the program are
    // created or taken there (nothing on Windows, whose creation holds them).
    plataforma::Descritor (*travar_pasta)(const char* vizinho);
    void (*destravar)(plataforma::Descritor trava);
    // Whether `nome` names nothing yet or a plain file, seen without opening
    // anything: not a folder, a device, a pipe, or a name that stands for an
    // open descriptor. A file of a set of results under such a name is
    // written into a temporary (preparar_substituicao), unless it refuses
    // writing; opening it has no effect that anyone else can see.
    bool (*arquivo_comum)(const char* nome);
    // Whether two names reach the same file, as the file system compares
    // names (through links; case-insensitively where names are).
    bool (*mesmo_arquivo)(const char* a, const char* b);
    // Writes every byte or says why it could not.
    Resultado (*escrever)(plataforma::Descritor, const char* bytes, std::size_t tamanho);
    // The same at the byte `posicao` of a file, whatever its current
    // position; past the end the file grows, the gap to be written later.
    Resultado (*escrever_em)(plataforma::Descritor, std::uint64_t posicao, const char* bytes, std::size_t tamanho);
    // Cuts a regular file at its current position (its beginning here).
    Resultado (*cortar)(plataforma::Descritor);
    Resultado (*fechar)(plataforma::Descritor);
    // Reads up to `tamanho` bytes: the count, 0 at end of file, -1 on failure.
    long long (*ler)(plataforma::Descritor, char* destino, std::size_t tamanho);
    // One line of standard input without its line end; false at end of input.
    bool (*ler_linha_console)(std::string& linha);
    // Text on standard output (the prompt for a file name).
    void (*escrever_console)(std::string_view texto);
};

const SistemaArquivos& sistema_arquivos_nativo();

// The files of the program are named "difusao_calor-temp-XXXXXXXX.tmp"
// (eight hex digits; "-diario" before ".tmp" for a commit's record). The name
// has one length whatever the name of the file it replaces, so that a name
// the system takes has a temporary it takes too, and it is a name a user
// recognises. The digits are the process number and a count of attempts, so
// that runs never collide.
inline constexpr std::string_view prefixo_temporario = "difusao_calor-temp-";
inline constexpr std::string_view sufixo_temporario = ".tmp";
inline constexpr std::string_view sufixo_diario = "-diario.tmp";

inline std::string nome_temporario(unsigned processo, unsigned tentativa, Papel papel = Papel::conteudo) {
    char nome[48];
    std::snprintf(nome, sizeof nome, "%.*s%08x%s", static_cast<int>(prefixo_temporario.size()),
                  prefixo_temporario.data(), (processo << 8) + (tentativa & 0xffu),
                  papel == Papel::diario ? "-diario.tmp" : ".tmp");
    return nome;
}

// Whether the last part of `nome` is named like a file of the program, in
// any letter case (Windows names ignore it).
bool nome_de_temporario(std::string_view nome);

// The folder part of `nome`, with its closing separator ("" for a bare name).
std::string pasta_de(std::string_view nome);

}  // namespace servicos::unidades
