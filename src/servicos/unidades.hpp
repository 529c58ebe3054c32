// Numbered units connected to sequential text files: open, formatted output
// (records ended by CR LF), list-directed input, close.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "servicos/registros.hpp"

namespace servicos {

inline constexpr int maximo_unidades = 61;

// Connects `unidade` to the file `nome` (leading and trailing blanks removed;
// a blank name takes the next unused command-line argument, else the console
// prompt). Status unknown: an existing file is opened unchanged and cut at the
// first output statement; an absent one is created.
void abrir_unidade(int unidade, std::string_view nome);

// One output statement: the records of the format, each followed by CR LF.
void escrever_formatado(int unidade, std::string_view formato, std::span<const ItemFormato> itens);
void escrever_formatado(int unidade, std::string_view formato, std::initializer_list<ItemFormato> itens = {});

// Writes out the buffer, closes the file and keeps it; nothing for a free unit.
void fechar_unidade(int unidade);

// One list-directed read of one item from `unidade` (each read starts a new record).
void ler_valor(int unidade, double& valor);
void ler_valor(int unidade, std::int32_t& valor);
void ler_valor(int unidade, std::span<char> texto);

// The command-line arguments that stand in for blank file names.
void definir_argumentos(int argc, char** argv);

// Writes out and closes every connected unit in table order. Used by the final
// clean-up, also from the floating-point trap handler: async-signal-safe.
void fechar_todas_unidades();

// The name a unit is connected to ("" when free).
std::string nome_da_unidade(int unidade);

// ---------------------------------------------------------------------------
// The system calls behind the units (arquivos.posix.cpp / arquivos.windows.cpp),
// gathered in one table so that tests can put failures in their way.
namespace plataforma {

#ifdef _WIN32
using Descritor = void*;  // a file HANDLE
#else
using Descritor = int;  // a file descriptor
#endif

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

// One console line from the bytes that `ler_byte` gives (0..255, -1 at the
// end): without its LF or CR LF, cut to 260 characters (the rest of a long
// line is dropped); false when the input ends before any byte of the line.
bool montar_linha_console(int (*ler_byte)(), std::string& linha);

}  // namespace plataforma

// The system calls the units use from now on (tests only); nullptr restores the native ones.
void usar_sistema_arquivos(const plataforma::SistemaArquivos* sistema);

}  // namespace servicos
