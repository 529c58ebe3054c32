// Run-time error reports and the ending of the program.
//
// Every failure of a run ends here: one report frame on the standard error
// stream, the open files written out and closed, exit status 1. The numbers
// and texts of the messages are in mensagens.hpp.
#pragma once

#include <string>
#include <string_view>

namespace servicos {

// Kind of the statement that failed; it selects the label of the report.
enum class TipoInstrucao : int {
    nenhuma = 0,
    close = 1,
    write = 2,
    endfile = 3,
    inquire = 4,
    locking = 5,
    open = 6,
    read = 7,
    rewind = 8,
    backspace = 9,
    eof = 10,
    debug = 11,
    allocate = 12,
    deallocate = 13,
    beginthread = 14,
    math = 15,
    sem_rotulo = 16,
    qwin = 17,
};

// The complete report frame, byte for byte, as written on standard error.
// `nome_unidade` is used for the kinds that act on a unit (0 to 10); `detalhe`
// completes the message: the function's name for a math-function failure,
// otherwise an optional note appended to the fixed message text.
std::string montar_relatorio(int numero_mensagem, TipoInstrucao tipo, std::string_view nome_unidade,
                             std::string_view detalhe = {});

// The message text of a number (without frame), e.g. "floating-point error: overflow".
std::string texto_mensagem(int numero_mensagem, TipoInstrucao tipo, std::string_view detalhe = {});

// The name of the file that the statement now running acts on. The unit
// service sets it at every statement (for an open, the name given to the
// open) so that a report names the right file.
void definir_nome_unidade(std::string_view nome);

// Reports a failure and ends the program with exit status 1. During the final
// clean-up the report is written and the process ends at once with the status
// that started the clean-up. In test mode (below) it throws `FalhaRelatada`.
[[noreturn]] void relatar_erro(int numero_mensagem, TipoInstrucao tipo, std::string_view detalhe = {});

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
    TipoInstrucao tipo;
    std::string relatorio;  // the exact frame that would have been written
};
void definir_modo_teste(bool ativo);
bool modo_teste();

// The report of a floating-point trap, for the platform's trap handler (see
// iniciar_execucao): the fault's message number (101, 103, 104...) gives the
// M61xx report, and the program ends.
[[noreturn]] void relatar_armadilha(int numero_mensagem);

}  // namespace servicos
