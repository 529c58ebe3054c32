// Numbered units connected to sequential text files: open, formatted output
// (records ended by CR LF), list-directed input, close.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "servicos/arquivos.hpp"
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

// The system calls the units use from now on (tests only); nullptr restores the native ones.
void usar_sistema_arquivos(const plataforma::SistemaArquivos* sistema);

}  // namespace servicos
