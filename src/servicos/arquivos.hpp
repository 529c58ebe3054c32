// The system calls behind the units (arquivos.posix.cpp and
// arquivos.windows.cpp), gathered in one table so that tests can put failures
// in their way (usar_sistema_arquivos in unidades.hpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "servicos/plataforma.hpp"

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

struct SistemaArquivos {
    // Opens an existing file unchanged or creates an empty one; read-write
    // first, then read-only, then write-only. Directories are refused.
    Abertura (*abrir)(const char* nome);
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

}  // namespace servicos::plataforma
