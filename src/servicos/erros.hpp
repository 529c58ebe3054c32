// Run-time error reporting, floating-point traps, watched math functions and
// the ending of the program.
//
// Every failure of a run ends here: one report frame on the standard error
// stream, the open files written out and closed, exit status 1.
#pragma once

#include <cstdint>
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

// Message numbers; the report code is 6000 plus the number, with the letter M
// for kind `math` and F for every other kind.
namespace mensagem {
// Reading values from the input file.
inline constexpr int inteiro_fora_da_faixa = 100;
inline constexpr int inteiro_invalido = 101;
inline constexpr int real_fora_da_faixa = 102;
inline constexpr int real_invalido = 103;
inline constexpr int segundo_sustenido = 302;
inline constexpr int base_invalida = 303;
inline constexpr int leitura_falhou = 500;
inline constexpr int fim_de_arquivo = 501;
inline constexpr int repeticao_zero = 502;
inline constexpr int repeticao_dupla = 503;
inline constexpr int texto_para_numero = 504;
inline constexpr int valor_longo_demais = 505;
// Opening, writing and closing files.
inline constexpr int abertura_invalida = 412;
inline constexpr int acesso_negado = 414;
inline constexpr int arquivo_ja_existe = 415;
inline constexpr int arquivo_inexistente = 416;
inline constexpr int arquivos_abertos_demais = 417;
inline constexpr int abertura_recusada = 418;
inline constexpr int escrita_recusada = 421;
inline constexpr int disco_cheio = 422;
inline constexpr int unidades_demais = 423;
inline constexpr int fechamento_falhou = 424;
inline constexpr int registro_longo_demais = 425;
// Memory and array dimensions.
inline constexpr int memoria_insuficiente = 772;
inline constexpr int dimensao_invalida = 773;
// Format specifications and their items.
inline constexpr int formato_invalido = 980;
inline constexpr int real_com_descritor_inteiro = 981;
inline constexpr int inteiro_com_descritor_real = 982;
// Console input for a blank file name.
inline constexpr int fim_da_entrada_console = 983;
// Floating-point traps (kind `math`).
inline constexpr int ponto_flutuante_invalido = 101;
inline constexpr int ponto_flutuante_denormal = 102;
inline constexpr int ponto_flutuante_divisao_zero = 103;
inline constexpr int ponto_flutuante_overflow = 104;
inline constexpr int ponto_flutuante_underflow = 105;
inline constexpr int ponto_flutuante_inexato = 106;
inline constexpr int ponto_flutuante_raiz = 108;
inline constexpr int ponto_flutuante_pilha_cheia = 110;
inline constexpr int ponto_flutuante_pilha_vazia = 111;
// Math-function failures (kind `math`); the detail names the function.
inline constexpr int funcao_dominio = 201;
inline constexpr int funcao_singularidade = 202;
inline constexpr int funcao_overflow = 203;
inline constexpr int funcao_underflow = 204;
inline constexpr int funcao_perda_total = 205;
inline constexpr int funcao_perda_parcial = 206;
}  // namespace mensagem

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

// ---------------------------------------------------------------------------
// Watched math functions. Each one runs its double-precision function (the
// platform's power function; our own correctly rounded sine, exponential and
// arc cosine) with the floating-point traps held, then turns a failure into
// the function's own report (e.g. "**: OVERFLOW error" for the power
// function). Underflow and partial loss of significance are accepted silently.
double potencia(double base, double expoente);  // reported as "**"
double seno(double x);                          // "sin"
double exponencial(double x);                   // "exp"
double arco_cosseno(double x);                  // "acos"

// ---------------------------------------------------------------------------
// Platform layer (erros.posix.cpp / erros.windows.cpp).
namespace plataforma {
// Writes all bytes to the standard error stream / standard output; async-signal-safe.
void escrever_erro_padrao(std::string_view bytes);
void escrever_saida_padrao(std::string_view bytes);
// Ends the process at once with `status`, no further clean-up.
[[noreturn]] void terminar_processo(int status);
// Unmasks invalid, divide-by-zero and overflow, installs the trap handler.
void armar_armadilhas_ponto_flutuante();
// Gives a started-closed standard input, output or error stream a null
// device, so that no file the program opens later takes its place and
// receives reports or prompts meant for the console.
void garantir_fluxos_padrao();
// Around a watched math function: `segurar_armadilhas` saves the
// floating-point state, masks every trap and clears the flags (in every unit
// the platform's doubles may use); `devolver_armadilhas` restores the saved
// state, flags included. Not nested.
void segurar_armadilhas();
void devolver_armadilhas();
// Bytes of memory that the system can give this process (physical memory plus
// swap, as far as the platform tells); 0 when unknown.
std::uint64_t memoria_disponivel();
}  // namespace plataforma

// Called by the platform's trap handler with the fault's message number
// (101, 103, 104...): writes the M61xx report and ends the program.
[[noreturn]] void relatar_armadilha(int numero_mensagem);

}  // namespace servicos
