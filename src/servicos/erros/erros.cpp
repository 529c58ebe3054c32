// Report frames and the ending of the program. The path that writes a report
// and ends the process allocates nothing and calls only async-signal-safe
// system functions, because the floating-point trap handler runs it too.
#include "servicos/erros/erros.hpp"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>

#include "servicos/base/mensagens.hpp"
#include "servicos/plataforma/plataforma.hpp"

namespace servicos::erros {

namespace {

using base::TipoInstrucao;

// Room for the longest frame: its fixed parts, a file name of
// maior_nome_unidade bytes and a message with its detail.
constexpr std::size_t tamanho_quadro = 2 * maior_nome_unidade;

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
        int valor = base::mensagem::base_dos_codigos + numero;
        for (int posicao = 3; posicao >= 0; --posicao, valor /= 10) digitos[posicao] = static_cast<char>('0' + valor % 10);
        acrescentar(std::string_view(digitos, 4));
    }
    std::string_view texto() const { return {bytes_, tamanho_}; }

private:
    char bytes_[tamanho_quadro];
    std::size_t tamanho_ = 0;
};

constexpr std::string_view rotulos[] = {
    ": (",          ": CLOSE(",      ": WRITE(",        ": ENDFILE(",       ": INQUIRE(",
    ": LOCKING(",   ": OPEN(",       ": READ(",         ": REWIND(",        ": BACKSPACE(",
    ": EOF(",       ": $DEBUG\r\n- ", ": ALLOCATE\r\n- ", ": DEALLOCATE\r\n- ", ": BEGINTHREAD\r\n- ",
    ": MATH\r\n- ", "\r\n- ",         ": QWIN\r\n- ",
};

bool age_sobre_unidade(TipoInstrucao tipo) { return static_cast<int>(tipo) <= static_cast<int>(TipoInstrucao::eof); }

void montar_mensagem(Montador& m, int numero, TipoInstrucao tipo, std::string_view detalhe) {
    if (tipo == TipoInstrucao::math && numero < base::mensagem::primeira_falha_de_funcao) {
        m.acrescentar("floating-point error: ");
        m.acrescentar(base::mensagem::tipo_ponto_flutuante(numero));
    } else if (tipo == TipoInstrucao::math) {
        m.acrescentar(detalhe);
        m.acrescentar(": ");
        m.acrescentar(base::mensagem::palavra_funcao(numero));
        m.acrescentar(" error");
    } else {
        m.acrescentar(base::mensagem::texto(numero));
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
char nome_unidade_atual[maior_nome_unidade];
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

NomeNoRelatorio::NomeNoRelatorio(std::string_view nome) : tamanho_anterior_(tamanho_nome_unidade) {
    static_assert(sizeof(anterior_) == sizeof(nome_unidade_atual));
    std::memcpy(anterior_, nome_unidade_atual, tamanho_anterior_);
    definir_nome_unidade(nome);
}

NomeNoRelatorio::~NomeNoRelatorio() { definir_nome_unidade(std::string_view(anterior_, tamanho_anterior_)); }

void interno::relatar_numero(int numero_mensagem, TipoInstrucao tipo, std::string_view detalhe) {
    escrever_e_terminar(numero_mensagem, tipo, detalhe);
}

void relatar_armadilha(base::CodigoMatematica codigo) {
    escrever_e_terminar(codigo.numero(), TipoInstrucao::math, {});
}

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

}  // namespace servicos::erros
