// Run-time errors: the report frames and the ending of the program, and the
// watched math functions that turn a failure into a report (matematica.hpp,
// and vigia_em_bloco.hpp for many at once). The catalogue of message numbers
// and texts is base/mensagens.hpp.
//
// Every failure of a run ends here: one report frame on the standard error
// stream, the open files written out and closed, exit status 1.
//
// May call: plataforma/ (standard error, the end of the process, the trap
// holder), elementares/ (the functions it watches) and base/ (the catalogue
// of messages).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "servicos/base/mensagens.hpp"

namespace servicos::erros {

namespace interno {
// The one report behind relatar_erro (below), of a number whose kind the
// caller has checked.
[[noreturn]] void relatar_numero(int numero_mensagem, base::TipoInstrucao tipo, std::string_view detalhe);
}  // namespace interno

// The complete report frame, byte for byte, as written on standard error, of
// any number under any kind (a report itself takes only the kinds its code is
// met under). `nome_unidade` is used for the kinds that act on a unit (0 to
// 10); `detalhe` completes the message: the function's name for a
// math-function failure, otherwise an optional note appended to the fixed
// message text.
std::string montar_relatorio(int numero_mensagem, base::TipoInstrucao tipo, std::string_view nome_unidade,
                             std::string_view detalhe = {});

// The message text of a number (without frame), e.g. "floating-point error: overflow".
std::string texto_mensagem(int numero_mensagem, base::TipoInstrucao tipo, std::string_view detalhe = {});

// Bytes kept of the file name that a report shows, four times the longest
// path Windows takes; a longer name is cut there.
inline constexpr std::size_t maior_nome_unidade = 1024;

// The name of the file that the statement now running acts on, which a
// report of a unit statement shows; kept until it is set again.
void definir_nome_unidade(std::string_view nome);

// The name of the file of one statement, for the reports raised while it
// runs: set for the scope, the earlier name given back at its end. Every
// statement of the unit service holds one (an open holds the name given to
// it), so a statement that runs inside another, like the close of the unit
// that an open replaces, names its own file and then the outer one's again.
class NomeNoRelatorio {
public:
    explicit NomeNoRelatorio(std::string_view nome);
    ~NomeNoRelatorio();
    NomeNoRelatorio(const NomeNoRelatorio&) = delete;
    NomeNoRelatorio& operator=(const NomeNoRelatorio&) = delete;

private:
    char anterior_[maior_nome_unidade];
    std::size_t tamanho_anterior_;
};

// Reports a failure and ends the program with exit status 1. During the final
// clean-up the report is written and the process ends at once with the status
// that started the clean-up. In test mode (below) it throws `FalhaRelatada`.
// The statement's kind must be one that the code is met under
// (base/mensagens.hpp): `relatar_erro(mensagem::fim_de_arquivo,
// instrucao::read)` compiles, the same code under `instrucao::open` does not.
template <base::TipoInstrucao Tipo, base::TipoInstrucao... Tipos>
    requires(base::Codigo<Tipos...>::template sob<Tipo>)
[[noreturn]] void relatar_erro(base::Codigo<Tipos...> codigo, base::Instrucao<Tipo>, std::string_view detalhe = {}) {
    interno::relatar_numero(codigo.numero(), Tipo, detalhe);
}

// Ends the program: sets the clean-up flag, writes out and closes every
// connected unit, ends a partial console line, exits with `status`.
[[noreturn]] void encerrar_programa(int status);

// The clean-up of the end of the program (iniciar_execucao registers the
// closing of the units), run by `encerrar_programa`, also after a trap. It
// must only use async-signal-safe system calls.
using FuncaoLimpeza = void (*)();
void registrar_limpeza(FuncaoLimpeza limpeza);

// Whether the console holds a partial line (a prompt without its line end).
void marcar_linha_parcial_console(bool parcial);

// Test mode: reports are thrown instead of ending the process, so that unit
// tests and fuzzers observe them and go on.
struct FalhaRelatada {
    int numero_mensagem;
    base::TipoInstrucao tipo;
    std::string relatorio;  // the exact frame that would have been written
};
void definir_modo_teste(bool ativo);
bool modo_teste();

// The report of a floating-point trap, for the platform's trap handler (see
// iniciar_execucao): the fault's code (101, 103, 104...) gives the M61xx
// report, and the program ends.
[[noreturn]] void relatar_armadilha(base::CodigoMatematica codigo);

}  // namespace servicos::erros
