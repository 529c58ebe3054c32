// Units and input: numbered units connected to sequential text files (open,
// formatted output in records ended by CR LF, list-directed input, close),
// the table of connections, the set of result files that replaces the
// earlier one whole (conjunto.hpp), the list-directed reader
// (leitura_lista.hpp) and the system calls behind the files (arquivos.hpp,
// one file per platform).
// Every statement names its file for the reports it raises.
//
// May call: registros/ (records to write), erros/ (reports, the file's name
// in them), plataforma/ (descriptors, console, the end of the process) and
// base/ (the message numbers).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "servicos/registros/registros.hpp"
#include "servicos/unidades/arquivos.hpp"

namespace servicos::unidades {

inline constexpr int maximo_unidades = 61;

// The name of a file as the units use it: cut at the first NUL byte (no
// system name goes past one), then without leading and trailing blanks.
std::string_view nome_normalizado(std::string_view nome);

// The name an open of `unidade` with `nome` connects: the normalised name; a
// blank one takes the next unused command-line argument, else the console
// prompt.
std::string nome_para_abertura(int unidade, std::string_view nome);

// Connects `unidade` to the file nome_para_abertura(unidade, nome). Status
// unknown: an existing file is opened unchanged and cut at the first output
// statement; an absent one is created. While a set of results is open
// (conjunto.hpp), the unit writes instead into a new temporary file of the
// set beside the file, which the set's commit puts in the file's place; a
// device, a pipe or a name that stands for an open descriptor is written
// directly.
void abrir_unidade(int unidade, std::string_view nome);

// For a file of the open set of results written apart from the units, at
// positions of the writer's own: a new temporary of the set that is to
// replace the file `nome` (blanks at the ends dropped), open for writing on
// `descritor`, which the set keeps and closes. False, with nothing left
// behind and nothing reported, where the open of a unit would not give such
// a temporary or would report: a blank name, a name that is not a plain
// file or nothing yet (arquivo_comum), a file that refuses writing, a
// failure. Only such names are opened at all, so that a false answer has
// had no effect that anyone can see.
bool abrir_temporario_do_conjunto(std::string_view nome, plataforma::Descritor& descritor);

// One output statement: the records of the format, each followed by CR LF.
void escrever_formatado(int unidade, std::string_view formato, std::span<const registros::ItemFormato> itens);
void escrever_formatado(int unidade, std::string_view formato, std::initializer_list<registros::ItemFormato> itens = {});

// Writes out the buffer, closes the file and keeps it; nothing for a free unit.
void fechar_unidade(int unidade);

// One list-directed read of one item from `unidade` (each read starts a new record).
void ler_valor(int unidade, double& valor);
void ler_valor(int unidade, std::int32_t& valor);
void ler_valor(int unidade, std::span<char> texto);

// The command-line arguments that stand in for blank file names.
void definir_argumentos(int argc, char** argv);

// Writes out and closes every connected unit in table order, and discards a
// set not committed (conjunto.hpp). Used by the final clean-up, also from the
// floating-point trap handler: async-signal-safe.
void fechar_todas_unidades();

// Whether two names reach the same file, as the file system compares them.
bool mesmo_arquivo(std::string_view a, std::string_view b);

// The name a unit is connected to ("" when free).
std::string nome_da_unidade(int unidade);

// The system calls the units use from now on (tests only); nullptr restores the native ones.
void usar_sistema_arquivos(const SistemaArquivos* sistema);

// The system calls in use: the native ones, or those given to usar_sistema_arquivos.
const SistemaArquivos& sistema_arquivos();

}  // namespace servicos::unidades
