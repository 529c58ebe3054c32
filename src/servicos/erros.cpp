// Report frames and the ending of the program. The path that writes a report
// and ends the process allocates nothing and calls only async-signal-safe
// system functions, because the floating-point trap handler runs it too.
#include "servicos/erros.hpp"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>

namespace servicos {

namespace {

// A fixed buffer that a report is assembled in; text past its end is dropped.
class Montador {
public:
    void acrescentar(std::string_view texto) {
        const std::size_t cabe = std::min(texto.size(), sizeof(bytes_) - tamanho_);
        if (cabe == 0) return;  // an empty view may carry a null pointer, which memcpy must not get
        std::memcpy(bytes_ + tamanho_, texto.data(), cabe);
        tamanho_ += cabe;
    }
    void acrescentar_codigo(int numero) {
        char digitos[4];
        int valor = 6000 + numero;
        for (int posicao = 3; posicao >= 0; --posicao, valor /= 10) digitos[posicao] = static_cast<char>('0' + valor % 10);
        acrescentar(std::string_view(digitos, 4));
    }
    std::string_view texto() const { return {bytes_, tamanho_}; }

private:
    char bytes_[2048];
    std::size_t tamanho_ = 0;
};

constexpr std::string_view rotulos[] = {
    ": (",          ": CLOSE(",      ": WRITE(",        ": ENDFILE(",       ": INQUIRE(",
    ": LOCKING(",   ": OPEN(",       ": READ(",         ": REWIND(",        ": BACKSPACE(",
    ": EOF(",       ": $DEBUG\r\n- ", ": ALLOCATE\r\n- ", ": DEALLOCATE\r\n- ", ": BEGINTHREAD\r\n- ",
    ": MATH\r\n- ", "\r\n- ",         ": QWIN\r\n- ",
};

bool age_sobre_unidade(TipoInstrucao tipo) { return static_cast<int>(tipo) <= static_cast<int>(TipoInstrucao::eof); }

std::string_view tipo_ponto_flutuante(int numero) {
    switch (numero) {
        case mensagem::ponto_flutuante_invalido: return "invalid";
        case mensagem::ponto_flutuante_denormal: return "denormal";
        case mensagem::ponto_flutuante_divisao_zero: return "divide by zero";
        case mensagem::ponto_flutuante_overflow: return "overflow";
        case mensagem::ponto_flutuante_underflow: return "underflow";
        case mensagem::ponto_flutuante_inexato: return "inexact";
        case mensagem::ponto_flutuante_raiz: return "square root";
        case mensagem::ponto_flutuante_pilha_cheia: return "stack overflow";
        case mensagem::ponto_flutuante_pilha_vazia: return "stack underflow";
        default: return "unknown";
    }
}

std::string_view palavra_funcao(int numero) {
    switch (numero) {
        case mensagem::funcao_dominio: return "DOMAIN";
        case mensagem::funcao_singularidade: return "SING";
        case mensagem::funcao_overflow: return "OVERFLOW";
        case mensagem::funcao_underflow: return "UNDERFLOW";
        case mensagem::funcao_perda_total: return "TLOSS";
        case mensagem::funcao_perda_parcial: return "PLOSS";
        default: return "UNKNOWN";
    }
}

std::string_view texto_fixo(int numero) {
    using namespace mensagem;
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
        case escrita_recusada: return "write refused by the system";
        case disco_cheio: return "disk full";
        case unidades_demais: return "too many units connected";
        case fechamento_falhou: return "file could not be closed";
        case registro_longo_demais: return "record longer than 1024 characters";
        case memoria_insuficiente: return "insufficient memory";
        case dimensao_invalida: return "array bounds invalid: Nx must be at least 2 and Nt at least 0";
        case formato_invalido: return "syntax error in format";
        case real_com_descritor_inteiro: return "real value with an integer edit descriptor";
        case inteiro_com_descritor_real: return "integer value with a real edit descriptor";
        case fim_da_entrada_console: return "end of input while a file name was expected";
        default: return "run-time failure";
    }
}

void montar_mensagem(Montador& m, int numero, TipoInstrucao tipo, std::string_view detalhe) {
    if (tipo == TipoInstrucao::math && numero < 200) {
        m.acrescentar("floating-point error: ");
        m.acrescentar(tipo_ponto_flutuante(numero));
    } else if (tipo == TipoInstrucao::math) {
        m.acrescentar(detalhe);
        m.acrescentar(": ");
        m.acrescentar(palavra_funcao(numero));
        m.acrescentar(" error");
    } else {
        m.acrescentar(texto_fixo(numero));
        if (!detalhe.empty()) {
            m.acrescentar(": ");
            m.acrescentar(detalhe);
        }
    }
}

void montar_quadro(Montador& m, int numero, TipoInstrucao tipo, std::string_view nome_unidade,
                   std::string_view detalhe) {
    Montador texto;
    montar_mensagem(texto, numero, tipo, detalhe);
    m.acrescentar("\r\nrun-time error ");
    m.acrescentar(tipo == TipoInstrucao::math ? "M" : "F");
    m.acrescentar_codigo(numero);
    m.acrescentar(rotulos[static_cast<int>(tipo)]);
    if (age_sobre_unidade(tipo)) {
        m.acrescentar(nome_unidade);
        m.acrescentar(texto.texto().empty() ? ")\r\n" : ")\r\n- ");
    }
    m.acrescentar(texto.texto());
    m.acrescentar("\r\n");
}

// The name of the unit the running statement acts on.
char nome_unidade_atual[1024];
std::size_t tamanho_nome_unidade = 0;

std::atomic<FuncaoLimpeza> limpeza_registrada{nullptr};
std::atomic<bool> limpeza_iniciada{false};
std::atomic<int> status_da_limpeza{0};
std::atomic<bool> linha_parcial_console{false};
bool testes_ativos = false;

[[noreturn]] void escrever_e_terminar(int numero, TipoInstrucao tipo, std::string_view detalhe) {
    Montador quadro;
    montar_quadro(quadro, numero, tipo, std::string_view(nome_unidade_atual, tamanho_nome_unidade), detalhe);
    if (testes_ativos) throw FalhaRelatada{numero, tipo, std::string(quadro.texto())};
    plataforma::escrever_erro_padrao(quadro.texto());
    // A failure met while the clean-up writes out the files stops the clean-up
    // there; the process keeps the status that started it.
    if (limpeza_iniciada.load()) plataforma::terminar_processo(status_da_limpeza.load());
    encerrar_programa(1);
}

}  // namespace

std::string texto_mensagem(int numero_mensagem, TipoInstrucao tipo, std::string_view detalhe) {
    Montador m;
    montar_mensagem(m, numero_mensagem, tipo, detalhe);
    return std::string(m.texto());
}

std::string montar_relatorio(int numero_mensagem, TipoInstrucao tipo, std::string_view nome_unidade,
                             std::string_view detalhe) {
    Montador m;
    montar_quadro(m, numero_mensagem, tipo, nome_unidade, detalhe);
    return std::string(m.texto());
}

void definir_nome_unidade(std::string_view nome) {
    tamanho_nome_unidade = std::min(nome.size(), sizeof(nome_unidade_atual));
    if (tamanho_nome_unidade != 0) std::memcpy(nome_unidade_atual, nome.data(), tamanho_nome_unidade);
}

void relatar_erro(int numero_mensagem, TipoInstrucao tipo, std::string_view detalhe) {
    escrever_e_terminar(numero_mensagem, tipo, detalhe);
}

void relatar_armadilha(int numero_mensagem) { escrever_e_terminar(numero_mensagem, TipoInstrucao::math, {}); }

void encerrar_programa(int status) {
    if (!limpeza_iniciada.exchange(true)) {
        status_da_limpeza.store(status);
        if (FuncaoLimpeza limpeza = limpeza_registrada.load()) limpeza();
        if (linha_parcial_console.load()) plataforma::escrever_saida_padrao("\r\n");
    }
    plataforma::terminar_processo(status);
}

void registrar_limpeza(FuncaoLimpeza limpeza) { limpeza_registrada.store(limpeza); }

void marcar_linha_parcial_console(bool parcial) { linha_parcial_console.store(parcial); }

void definir_modo_teste(bool ativo) { testes_ativos = ativo; }
bool modo_teste() { return testes_ativos; }

}  // namespace servicos
