
// The texts of the catalogue. They are plain literals, so that the report
// path, which the floating-point trap handler runs too, can take them
// without allocating.
#include "servicos/base/mensagens.hpp"

namespace servicos::base::mensagem {

std::string_view texto(int numero) {
    switch (numero) {
        case inteiro_fora_da_faixa: return "integer value out of range";
        case inteiro_invalido: return "invalid integer value";
        case real_fora_da_faixa: return "real value out of range";
        case real_invalido: return "invalid real value";
        case segundo_sustenido: return "more than one # in a radix integer";
        case base_invalida: return "radix base not between 2 and 36";
        case leitura_falhou: return "file read error";
        case fim_de_arquivo: return "end of file encountered";
        case repeticao_zero: return "zero repeat count";
        case repeticao_dupla: return "more than one repeat count in a value";
        case texto_para_numero: return "quoted or parenthesised value given for a number";
        case valor_longo_demais: return "value longer than 260 characters";
        case abertura_invalida: return "invalid file open";
        case acesso_negado: return "file access denied";
        case arquivo_ja_existe: return "file already exists";
        case arquivo_inexistente: return "file not found";
        case arquivos_abertos_demais: return "too many open files";
        case abertura_recusada: return "file could not be opened";
        case arquivo_do_programa: return "file used by the program itself";
        case escrita_recusada: return "write refused by the system";
        case disco_cheio: return "disk full";
        case unidades_demais: return "too many units connected";
        case insubstituivel:
            return "file cannot be replaced safely (a mount point, another user's file in a shared folder, or a file "
                   "in use by another program)";
        case memoria_insuficiente: return "insufficient memory";
        case dimensao_invalida: return "array bounds invalid: Nx must be at least 2 and Nt at least 0";
        case formato_invalido: return "syntax error in format";
        case real_com_descritor_inteiro: return "real value with an integer edit descriptor";
        case inteiro_com_descritor_real: return "integer value with a real edit descriptor";
        default: return "run-time failure";
    }
}

std::string_view tipo_ponto_flutuante(int numero) {
    switch (numero) {
        case ponto_flutuante_invalido: return "invalid";
        case ponto_flutuante_denormal: return "denormal";
        case ponto_flutuante_divisao_zero: return "divide by zero";
        case ponto_flutuante_overflow: return "overflow";
        case ponto_flutuante_underflow: return "underflow";
        case ponto_flutuante_inexato: return "inexact";
        case ponto_flutuante_pilha_cheia: return "stack overflow";
        case ponto_flutuante_pilha_vazia: return "stack underflow";
        default: return "unknown";
    }
}

std::string_view palavra_funcao(int numero) {
    switch (numero) {
        case funcao_dominio: return "DOMAIN";
        case funcao_singularidade: return "SING";
        case funcao_overflow: return "OVERFLOW";
        default: return "UNKNOWN";
    }
}

}  // namespace servicos::base::mensagem
