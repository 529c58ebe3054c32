#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "dados/arquivos_do_programa.hpp"
#include "dados/dados.hpp"
#include "dados/formatos.hpp"
#include "nucleo/processamento.hpp"
#include "nucleo/variaveis.hpp"
#include "servicos/base/deteccao.hpp"
#include "servicos/base/mensagens.hpp"
#include "servicos/comandos/comandos.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/unidades/conjunto.hpp"
#include "servicos/unidades/unidades.hpp"

namespace dados {

using namespace variaveis;
using servicos::unidades::escrever_formatado;
using servicos::registros::ItemFormato;

namespace {

constexpr int unidade_resultados = 5;

// Values of the middle-node comparison, computed once.
struct Meio {
    double taxa;      // -(pi^2*alpha/Lx^2) [1/s]
    double amp_meio;  // exact initial value at x(imeio), by the initial field's own operations
    double analitico(std::int32_t nivel) const { return processamento::decaimento(t(nivel), taxa, amp_meio); }
};

// The error column, analytic minus numerical, a fault reported at the row.
double erro_numerico(double analitico, double numerico) {
    return servicos::base::deteccao::valor(servicos::base::deteccao::Conferido(analitico) - numerico);
}

// The middle node's exact values of the rows, level after level, computed
// ahead a block at a time under one hold of the detection. A block in which anything
// would be reported is evaluated row by row as written instead, so that the
// report comes at the same row, after the same records (held and replayed,
// docs/arquitetura.md).
class MeioAdiantado {
public:
    explicit MeioAdiantado(const Meio& meio) : meio_(meio) {}

    double analitico(std::int32_t nivel) {
        if (nivel < primeiro_ || nivel > ultimo_) adiantar(nivel);
        return adiantado_ ? valores_[static_cast<std::size_t>(nivel - primeiro_)] : meio_.analitico(nivel);
    }

private:
    void adiantar(std::int32_t nivel) {
        primeiro_ = nivel;
        ultimo_ = static_cast<std::int32_t>(
            std::min<std::int64_t>(std::int64_t{nivel} + static_cast<std::int64_t>(valores_.size()) - 1, Nt));
        adiantado_ = processamento::decaimento_em_bloco(meio_.taxa, meio_.amp_meio, primeiro_, ultimo_, valores_.data());
    }

    // Levels computed ahead under one hold of the traps: enough that the hold
    // costs little against them, and 16 KiB, so that they stay in the nearest
    // cache while their rows are written.
    static constexpr std::size_t niveis_adiantados = 2048;

    const Meio& meio_;
    std::array<double, niveis_adiantados> valores_;
    std::int32_t primeiro_ = 0;
    std::int32_t ultimo_ = -1;
    bool adiantado_ = false;
};

std::string_view texto_arq_saida() { return {arq_saida.data(), arq_saida.size()}; }

// The items of the listing's first statement, the data echo.
std::array<ItemFormato, 12> itens_do_cabecalho() { return {Lx, Nx, tf, Nt, Ti, theta, k, ro, cp, alpha, dx, dt}; }

// The records of statements, each ended by CR LF as a unit ends it.
std::string registros(std::string_view formato, std::span<const ItemFormato> itens = {}) {
    std::string bytes;
    for (const std::string& registro : servicos::registros::formatar_registros(formato, itens)) bytes += registro + "\r\n";
    return bytes;
}

// Returns the name of the file written, which a blank name only gets here.
std::string escrever_listagem(const Meio& meio) {
    std::string listagem = servicos::unidades::nome_para_abertura(unidade_resultados, texto_arq_saida());
    // Checked again, cheaply: a blank name is only known now, and during a
    // long computation a link may have appeared under the listing's name.
    recusar_arquivo_do_programa(listagem);
    servicos::unidades::abrir_unidade(unidade_resultados, listagem);
    const auto cabecalho = itens_do_cabecalho();
    escrever_formatado(unidade_resultados, formato_cabecalho, cabecalho);
    escrever_formatado(unidade_resultados, formato_titulo_media);
    for (n = 0; n <= Nt; ++n)
        escrever_formatado(unidade_resultados, formato_linha_listagem, {t(n), Tm(n), Tm_an(n), erro_numerico(Tm_an(n), Tm(n))});
    escrever_formatado(unidade_resultados, formato_titulo_meio);
    MeioAdiantado exato(meio);
    for (n = 0; n <= Nt; ++n) {
        const double Tmeio_an = exato.analitico(n);
        escrever_formatado(unidade_resultados, formato_linha_listagem, {t(n), Tmeio(n), Tmeio_an, erro_numerico(Tmeio_an, Tmeio(n))});
    }
    servicos::unidades::fechar_unidade(unidade_resultados);
    return listagem;
}

void escrever_temp_media() {
    servicos::unidades::abrir_unidade(unidade_resultados, "temp_media.txt");
    for (n = 0; n <= Nt; ++n) escrever_formatado(unidade_resultados, formato_linha_dados, {t(n), Tm(n), Tm_an(n)});
    servicos::unidades::fechar_unidade(unidade_resultados);
}

void escrever_temp_meio(const Meio& meio) {
    servicos::unidades::abrir_unidade(unidade_resultados, "temp_meio.txt");
    MeioAdiantado exato(meio);
    for (n = 0; n <= Nt; ++n) {
        const double Tmeio_an = exato.analitico(n);
        escrever_formatado(unidade_resultados, formato_linha_dados, {t(n), Tmeio(n), Tmeio_an});
    }
    servicos::unidades::fechar_unidade(unidade_resultados);
}

}  // namespace

std::string comando_editor(std::string_view nome) {
    // The editor is shown the very file that was written.
    return "notepad " + servicos::comandos::citar_para_interpretador(servicos::unidades::nome_normalizado(nome));
}

void recusar_arquivo_do_programa(std::string_view listagem) {
    // A name like the program's temporary files could be the very name a
    // temporary of this set gets.
    bool proprio = servicos::unidades::nome_de_temporario(listagem);
    for (const std::string_view arquivo : arquivos_do_programa)
        proprio = proprio || servicos::unidades::mesmo_arquivo(listagem, arquivo);
    if (!proprio) return;
    const servicos::erros::NomeNoRelatorio nome(listagem);
    servicos::erros::relatar_erro(servicos::base::mensagem::arquivo_do_programa, servicos::base::instrucao::open);
}

std::string registros_antes_da_media() {
    const auto cabecalho = itens_do_cabecalho();
    return registros(formato_cabecalho, cabecalho) + registros(formato_titulo_media);
}

std::string registros_antes_do_meio() { return registros(formato_titulo_meio); }

void recuperar_resultados() { servicos::unidades::recuperar_conjuntos(arquivo_de_entrada); }

void verificar_listagem() {
    const std::string_view listagem = servicos::unidades::nome_normalizado(texto_arq_saida());
    // A blank name is known only when the listing is opened, and checked then.
    if (!listagem.empty()) recusar_arquivo_do_programa(listagem);
}

void resultados() {
    const Meio meio{processamento::taxa_decaimento(), processamento::amplitude_no_meio()};

    // The three files replace the earlier ones together, or not at all. Runs
    // in one folder share its input file, which serialises their commits.
    servicos::unidades::iniciar_conjunto(arquivo_de_entrada);
    const std::string listagem = escrever_listagem(meio);
    escrever_temp_media();
    escrever_temp_meio(meio);
    confirmar_e_mostrar(listagem);
}

void confirmar_e_mostrar(const std::string& listagem) {
    servicos::unidades::confirmar_conjunto(arquivo_de_entrada);

    // Every file is complete before the viewers start, so they see it whole.
    // The editor is shown the file written, also when a blank name was
    // replaced. The statuses of the viewers do not concern the run.
    servicos::comandos::executar_comando(comando_editor(listagem));
    servicos::comandos::executar_comando("wgnuplot temp_media.gnu");
    servicos::comandos::executar_comando("wgnuplot temp_meio.gnu");
}

}  // namespace dados
