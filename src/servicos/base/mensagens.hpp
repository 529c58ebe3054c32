// The catalogue of messages: the number of every failure the program reports,
// the kinds of statement it is reported under, and its text. A report's code
// is 6000 plus the number, with the letter M for the kind `math` and F for
// every other kind (erros/erros.hpp builds the frame).
//
// base/ is the ground of the services: it includes nothing of the program,
// and every folder may include it.
#pragma once

#include <string_view>

namespace servicos::base {

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

// A kind of statement as a type: the kind a report is raised under, written
// where it is raised, e.g. `instrucao::read`.
template <TipoInstrucao Tipo>
struct Instrucao {
    static constexpr TipoInstrucao tipo = Tipo;
};

namespace instrucao {
inline constexpr Instrucao<TipoInstrucao::open> open{};
inline constexpr Instrucao<TipoInstrucao::read> read{};
inline constexpr Instrucao<TipoInstrucao::write> write{};
inline constexpr Instrucao<TipoInstrucao::close> close{};
inline constexpr Instrucao<TipoInstrucao::allocate> allocate{};
inline constexpr Instrucao<TipoInstrucao::math> math{};
inline constexpr Instrucao<TipoInstrucao::sem_rotulo> sem_rotulo{};
}  // namespace instrucao

// A message number with the kinds of statement it is reported under, so that
// a report pairing it with any other kind does not compile (erros/erros.hpp):
// a read's syntax error is never reported under OPEN, a trap only under MATH.
// A code met under several kinds names them all: a full disk stops an open, a
// write and a close alike.
template <TipoInstrucao... Tipos>
class Codigo {
public:
    explicit constexpr Codigo(int numero) : numero_(numero) {}

    // A code of more kinds serves where one of fewer is expected, never the
    // other way round: a full disk is one of the write failures, which a write
    // and a close meet.
    template <TipoInstrucao... Outros>
        requires(Codigo<Outros...>::template sob<Tipos> && ...)
    constexpr Codigo(Codigo<Outros...> outro) : numero_(outro.numero()) {}

    // Whether the code may be reported under the kind `Tipo`.
    template <TipoInstrucao Tipo>
    static constexpr bool sob = ((Tipo == Tipos) || ...);

    constexpr int numero() const { return numero_; }
    // The bare number, for the catalogue's texts and the report frames.
    constexpr operator int() const { return numero_; }

private:
    int numero_;
};

// The codes that a choice among several failures returns.
using CodigoLeitura = Codigo<TipoInstrucao::read>;
using CodigoAbertura = Codigo<TipoInstrucao::open>;
using CodigoEscrita = Codigo<TipoInstrucao::write, TipoInstrucao::close>;
using CodigoMatematica = Codigo<TipoInstrucao::math>;

}  // namespace servicos::base

namespace servicos::base::mensagem {

// The code of a report is this plus the message number: F6501, M6103...
inline constexpr int base_dos_codigos = 6000;

// Reading values from the input file.
inline constexpr CodigoLeitura inteiro_fora_da_faixa{100};
inline constexpr CodigoLeitura inteiro_invalido{101};
inline constexpr CodigoLeitura real_fora_da_faixa{102};
inline constexpr CodigoLeitura real_invalido{103};
inline constexpr CodigoLeitura segundo_sustenido{302};
inline constexpr CodigoLeitura base_invalida{303};
inline constexpr CodigoLeitura leitura_falhou{500};
inline constexpr CodigoLeitura fim_de_arquivo{501};
inline constexpr CodigoLeitura repeticao_zero{502};
inline constexpr CodigoLeitura repeticao_dupla{503};
inline constexpr CodigoLeitura texto_para_numero{504};
inline constexpr CodigoLeitura valor_longo_demais{505};
// Opening, writing and closing files. A read or a write on a unit that no
// open connected reports the invalid open under its own kind.
inline constexpr Codigo<TipoInstrucao::open, TipoInstrucao::read, TipoInstrucao::write> abertura_invalida{412};
inline constexpr CodigoAbertura acesso_negado{414};
inline constexpr CodigoAbertura arquivo_ja_existe{415};
inline constexpr CodigoAbertura arquivo_inexistente{416};
// Met too by the commit of a set of results, whose lock is opened when its
// last file has been closed.
inline constexpr Codigo<TipoInstrucao::open, TipoInstrucao::close> arquivos_abertos_demais{417};
inline constexpr CodigoAbertura abertura_recusada{418};
inline constexpr CodigoAbertura arquivo_do_programa{419};
inline constexpr CodigoEscrita escrita_recusada{421};
inline constexpr Codigo<TipoInstrucao::open, TipoInstrucao::write, TipoInstrucao::close> disco_cheio{422};
inline constexpr CodigoAbertura unidades_demais{423};
inline constexpr CodigoAbertura insubstituivel{424};
// Memory and array dimensions.
inline constexpr Codigo<TipoInstrucao::sem_rotulo> memoria_insuficiente{772};
inline constexpr Codigo<TipoInstrucao::allocate> dimensao_invalida{773};
// Format specifications and their items.
inline constexpr Codigo<TipoInstrucao::write> formato_invalido{980};
inline constexpr Codigo<TipoInstrucao::write> real_com_descritor_inteiro{981};
inline constexpr Codigo<TipoInstrucao::write> inteiro_com_descritor_real{982};
// Floating-point traps (kind `math`).
inline constexpr CodigoMatematica ponto_flutuante_invalido{101};
inline constexpr CodigoMatematica ponto_flutuante_denormal{102};
inline constexpr CodigoMatematica ponto_flutuante_divisao_zero{103};
inline constexpr CodigoMatematica ponto_flutuante_overflow{104};
inline constexpr CodigoMatematica ponto_flutuante_underflow{105};
inline constexpr CodigoMatematica ponto_flutuante_inexato{106};
inline constexpr CodigoMatematica ponto_flutuante_pilha_cheia{110};
inline constexpr CodigoMatematica ponto_flutuante_pilha_vazia{111};
// Math-function failures (kind `math`); the detail names the function.
inline constexpr CodigoMatematica funcao_dominio{201};
inline constexpr CodigoMatematica funcao_singularidade{202};
inline constexpr CodigoMatematica funcao_overflow{203};
// Under the kind `math`, numbers below this one are floating-point traps and
// the others failures of math functions.
inline constexpr int primeira_falha_de_funcao = 200;

// The text of a message of any kind but `math`, e.g. "end of file
// encountered"; "run-time failure" for a number outside the catalogue.
std::string_view texto(int numero);

// The kind of a floating-point trap, e.g. "divide by zero"; "unknown" for a
// number that is none.
std::string_view tipo_ponto_flutuante(int numero);

// The failure word of a math function, e.g. "OVERFLOW"; "UNKNOWN" for a
// number that is none.
std::string_view palavra_funcao(int numero);

}  // namespace servicos::base::mensagem
