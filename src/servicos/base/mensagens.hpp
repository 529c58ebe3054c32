// The catalogue of messages: the number of every failure the program reports
// and its text. A report's code is 6000 plus the number, with the letter M for
// the kind `math` and F for every other kind (erros/erros.hpp builds the
// frame).
//
// base/ is the ground of the services: it includes nothing of the program,
// and every folder may include it.
#pragma once

#include <string_view>

namespace servicos::base::mensagem {

// The code of a report is this plus the message number: F6501, M6103...
inline constexpr int base_dos_codigos = 6000;

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
inline constexpr int arquivo_do_programa = 419;
inline constexpr int escrita_recusada = 421;
inline constexpr int disco_cheio = 422;
inline constexpr int unidades_demais = 423;
inline constexpr int insubstituivel = 424;
// Memory and array dimensions.
inline constexpr int memoria_insuficiente = 772;
inline constexpr int dimensao_invalida = 773;
// Format specifications and their items.
inline constexpr int formato_invalido = 980;
inline constexpr int real_com_descritor_inteiro = 981;
inline constexpr int inteiro_com_descritor_real = 982;
// Floating-point traps (kind `math`).
inline constexpr int ponto_flutuante_invalido = 101;
inline constexpr int ponto_flutuante_denormal = 102;
inline constexpr int ponto_flutuante_divisao_zero = 103;
inline constexpr int ponto_flutuante_overflow = 104;
inline constexpr int ponto_flutuante_underflow = 105;
inline constexpr int ponto_flutuante_inexato = 106;
inline constexpr int ponto_flutuante_pilha_cheia = 110;
inline constexpr int ponto_flutuante_pilha_vazia = 111;
// Math-function failures (kind `math`); the detail names the function.
inline constexpr int funcao_dominio = 201;
inline constexpr int funcao_singularidade = 202;
inline constexpr int funcao_overflow = 203;
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
