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
    conteudo,  // the new content of a file of the set, or the place that keeps a replaced one
    diario,    // the record of a set
};

struct Temporario {
    Resultado resultado;
    plataforma::Descritor descritor;
    std::string nome;
};

// A folder held open for its syncs.
struct Pasta {
    Resultado resultado;
    plataforma::Descritor descritor;
    // The descriptor is that of a file in the folder, which cannot be read
    // (its owner may write it and not list it): a sync then writes out the
    // whole file system that holds it (Linux).
    bool pelo_sistema;
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
    // A name of a file of the program (nome_temporario) in the folder of
    // `vizinho` that nothing has there now and that no other live process
    // can give a file: a record can name it before it exists. Empty when
    // none is free.
    std::string (*nome_livre)(const char* vizinho);
    // Creates the new empty file `nome` (nome_livre) and holds it while
    // `descritor` stays open: no other run takes it for abandoned
    // (tomar_abandonado). Its content takes the permissions and, where the
    // system allows, the owner of the existing file `vizinho`.
    Temporario (*criar_temporario)(const char* nome, const char* vizinho);
    // Creates the record of a set in the folder of `trava` (the input file)
    // under the first free name of nome_diario, held from the moment it has
    // that name: a run that looks for abandoned records (tomar_abandonado)
    // never takes it before.
    Temporario (*criar_diario)(const char* trava);
    // Puts the file `destino` also under the free name `copia` (nome_livre).
    // POSIX gives it the second name by a link where it can, so that
    // `destino` is never missing.
    Resultado (*guardar_anterior)(const char* destino, const char* copia);
    // Puts a complete file in the place of `destino` at once.
    Resultado (*substituir)(const char* origem, const char* destino);
    // Removes a file (one that is not there is removed already); async-signal-safe.
    Resultado (*descartar)(const char* nome);
    // Writes the file's content through to the disk.
    Resultado (*sincronizar)(plataforma::Descritor);
    // Starts writing the range of a file's content out to the disk, to have
    // less to wait for when it is synced: Linux starts it and returns. Where
    // the system can only write a file out and wait for it (Windows), it does
    // so when the caller `pode_esperar` (a thread of its own), else nothing;
    // elsewhere nothing. It is no sync: only sincronizar says that the
    // content is on the disk.
    void (*iniciar_gravacao)(plataforma::Descritor, std::uint64_t posicao, std::uint64_t tamanho, bool pode_esperar);
    // The folder of `vizinho`, held for syncing its list of names. One that
    // cannot be read is held through `no_mesmo_sistema` (a file in it, or on
    // its file system), else through `vizinho` itself (Linux); elsewhere it is
    // insubstituivel. Windows needs no folder (MOVEFILE_WRITE_THROUGH).
    Pasta (*abrir_pasta)(const char* vizinho, plataforma::Descritor no_mesmo_sistema);
    // Writes the folder's list of names through to the disk; async-signal-safe.
    Resultado (*sincronizar_pasta)(const Pasta& pasta);
    void (*fechar_pasta)(const Pasta& pasta);
    bool (*existe)(const char* nome);
    // Takes a file of the program whose run is gone (nobody holds it; POSIX:
    // and it is the user's own): ok with it open on `descritor`; ja_existe
    // when a live run holds it or it is another user's; nao_encontrado when
    // it is not there; otherwise why it could not be looked at.
    Resultado (*tomar_abandonado)(const char* nome, plataforma::Descritor& descritor);
    // Serialises the commits of runs that share a file (the input file of
    // their folder): an advisory lock, waited for, that the system drops if
    // the process dies; `trava` is what destravar takes. A file that is not
    // a plain one is not locked (ok, nothing to release); a file that cannot
    // be opened for it is reported (too many open files).
    Resultado (*travar)(const char* nome, plataforma::Descritor& trava);
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
// (eight hex digits; "-diario" before ".tmp" for the record of a set). The
// name has one length whatever the name of the file it replaces, so that a
// name the system takes has a temporary it takes too, and it is a name a user
// recognises. The digits are the process number and a count, so that live
// runs never collide; a record's are the number of one of a few places
// (vagas_de_diario), so that the next run finds it without listing the folder.
inline constexpr std::string_view prefixo_temporario = "difusao_calor-temp-";
inline constexpr std::string_view sufixo_temporario = ".tmp";
inline constexpr std::string_view sufixo_diario = "-diario.tmp";

// Runs in one folder that can have a set of results open at the same time.
inline constexpr unsigned vagas_de_diario = 64;

inline std::string nome_temporario(unsigned processo, unsigned tentativa, Papel papel = Papel::conteudo) {
    char nome[48];
    std::snprintf(nome, sizeof nome, "%.*s%08x%s", static_cast<int>(prefixo_temporario.size()),
                  prefixo_temporario.data(), (processo << 8) + (tentativa & 0xffu),
                  papel == Papel::diario ? "-diario.tmp" : ".tmp");
    return nome;
}

// The name of the record in place `vaga` (below vagas_de_diario) of the
// folder of `trava`.
std::string nome_diario(std::string_view trava, unsigned vaga);

// Whether the last part of `nome` is named like a file of the program, in
// any letter case (Windows names ignore it).
bool nome_de_temporario(std::string_view nome);

// The folder part of `nome`, with its closing separator ("" for a bare name).
std::string pasta_de(std::string_view nome);

}  // namespace servicos::unidades
