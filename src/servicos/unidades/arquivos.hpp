// The system calls behind the units (arquivos.posix.cpp and
// arquivos.windows.cpp), gathered in one table so that tests can put failures
// in their way (usar_sistema_arquivos in unidades.hpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "servicos/plataforma/plataforma.hpp"

namespace servicos::plataforma {

// What the system answered, in the terms the reports distinguish.
enum class Resultado : std::uint8_t {
    ok,
    nao_encontrado,   // the file or a folder on its path is missing
    acesso_negado,    // refused: permissions, a directory, a lock
    ja_existe,
    arquivos_demais,  // too many open files
    invalido,         // the system calls the request invalid (a bad name)
    disco_cheio,
    outro,
};

struct Abertura {
    Resultado resultado;
    Descritor descritor;
    bool existia;  // the file was there before the open
};

// A file of a set of results, opened to be written.
struct Substituicao {
    Resultado resultado;
    Descritor descritor;
    bool existia;  // written in place over a file that was there: cut it first
    // The new content's own file beside the file it will replace, or empty
    // when the content goes straight into the file: a device or a pipe, an
    // existing file that refuses writing (the cut then reports it), or a file
    // in a folder where nothing new can be created.
    std::string temporario;
    std::string destino;  // what the rename replaces: the file a link points to
};

struct SistemaArquivos {
    // Opens an existing file unchanged or creates an empty one; read-write
    // first, then read-only, then write-only. Directories are refused. A pipe
    // is opened for reading only, so that its end is seen.
    Abertura (*abrir)(const char* nome);
    // Opens a file of a set of results: the answers of abrir for the name,
    // but an absent file is not created and the content goes into a new file
    // of its own beside it (Substituicao). A pipe is opened for writing only.
    Substituicao (*preparar_substituicao)(const char* nome);
    // Puts a complete temporary file in the place of its destination at once.
    Resultado (*substituir)(const char* temporario, const char* destino);
    // Removes a temporary file; async-signal-safe.
    void (*descartar)(const char* temporario);
    // Serialises the commits of runs that share a file (the input file of
    // their folder): an advisory lock, waited for, that the system drops if
    // the process dies. Returns what destravar takes; a file that cannot be
    // locked is not locked.
    Descritor (*travar)(const char* nome);
    void (*destravar)(Descritor trava);
    // Whether two names reach the same file, as the file system compares
    // names (through links; case-insensitively where names are).
    bool (*mesmo_arquivo)(const char* a, const char* b);
    // Writes every byte or says why it could not.
    Resultado (*escrever)(Descritor, const char* bytes, std::size_t tamanho);
    // Cuts a regular file at its current position (its beginning here).
    Resultado (*cortar)(Descritor);
    Resultado (*fechar)(Descritor);
    // Reads up to `tamanho` bytes: the count, 0 at end of file, -1 on failure.
    long long (*ler)(Descritor, char* destino, std::size_t tamanho);
    // One line of standard input without its line end; false at end of input.
    bool (*ler_linha_console)(std::string& linha);
    // Text on standard output (the prompt for a file name).
    void (*escrever_console)(std::string_view texto);
};

const SistemaArquivos& sistema_arquivos_nativo();

// The name of a temporary file of a set: "difusao_calor-temp-XXXXXXXX.tmp".
// It has one length whatever the name of the file it replaces, so that a name
// the system takes has a temporary it takes too, and it is a name a user
// recognises if the machine goes down mid-commit. The digits are the process
// number and a count of attempts, so that runs never collide.
inline std::string nome_temporario(unsigned processo, unsigned tentativa) {
    char nome[40];
    std::snprintf(nome, sizeof nome, "difusao_calor-temp-%08x.tmp", (processo << 8) + (tentativa & 0xffu));
    return nome;
}

}  // namespace servicos::plataforma
