#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "dados/dados.hpp"
#include "dados/formatos.hpp"
#include "processamento.hpp"
#include "servicos/comandos.hpp"
#include "servicos/matematica.hpp"
#include "servicos/unidades.hpp"
#include "variaveis.hpp"

namespace dados {

using namespace variaveis;
using servicos::escrever_formatado;
using servicos::ItemFormato;

namespace {

constexpr int unidade_resultados = 5;

std::string_view sem_brancos_nas_pontas(std::string_view texto) {
    const auto primeiro = texto.find_first_not_of(' ');
    if (primeiro == std::string_view::npos) return {};
    return texto.substr(primeiro, texto.find_last_not_of(' ') - primeiro + 1);
}

// Values of the middle-node comparison, computed once.
struct Meio {
    double taxa;      // -(pi^2*alpha/Lx^2) [1/s]
    double amp_meio;  // exact initial value at x(imeio), by the initial field's own operations
    double analitico(std::int32_t nivel) const { return servicos::exponencial(t(nivel) * taxa) * amp_meio; }
};

// The middle node's exact values of the rows, level after level, computed
// ahead a block at a time with the traps held. A block in which anything
// would be reported is evaluated row by row as written instead, so that the
// report comes at the same row, after the same records.
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

void escrever_listagem(const Meio& meio) {
    servicos::abrir_unidade(unidade_resultados, std::string_view(arq_saida.data(), arq_saida.size()));
    escrever_formatado(unidade_resultados, formato_cabecalho,
                       {Lx, Nx, tf, Nt, Ti, theta, k, ro, cp, alpha, dx, dt});
    escrever_formatado(unidade_resultados, formato_titulo_media);
    for (n = 0; n <= Nt; ++n)
        escrever_formatado(unidade_resultados, formato_linha_listagem, {t(n), Tm(n), Tm_an(n), Tm_an(n) - Tm(n)});
    escrever_formatado(unidade_resultados, formato_titulo_meio);
    MeioAdiantado exato(meio);
    for (n = 0; n <= Nt; ++n) {
        const double Tmeio_an = exato.analitico(n);
        escrever_formatado(unidade_resultados, formato_linha_listagem, {t(n), Tmeio(n), Tmeio_an, Tmeio_an - Tmeio(n)});
    }
    servicos::fechar_unidade(unidade_resultados);
}

void escrever_temp_media() {
    servicos::abrir_unidade(unidade_resultados, "temp_media.txt");
    for (n = 0; n <= Nt; ++n) escrever_formatado(unidade_resultados, formato_linha_dados, {t(n), Tm(n), Tm_an(n)});
    servicos::fechar_unidade(unidade_resultados);
}

void escrever_temp_meio(const Meio& meio) {
    servicos::abrir_unidade(unidade_resultados, "temp_meio.txt");
    MeioAdiantado exato(meio);
    for (n = 0; n <= Nt; ++n) {
        const double Tmeio_an = exato.analitico(n);
        escrever_formatado(unidade_resultados, formato_linha_dados, {t(n), Tmeio(n), Tmeio_an});
    }
    servicos::fechar_unidade(unidade_resultados);
}

}  // namespace

std::string comando_editor(std::string_view nome) {
    // The file was opened under the name up to any NUL byte; show that file.
    nome = nome.substr(0, nome.find('\0'));
    return "notepad " + servicos::citar_para_interpretador(sem_brancos_nas_pontas(nome));
}

void resultados() {
    const std::int32_t imeio = no_do_meio(Nx);
    const Meio meio{processamento::taxa_decaimento(), servicos::seno(x(imeio) * pi / Lx) * Ti};

    escrever_listagem(meio);
    escrever_temp_media();
    escrever_temp_meio(meio);

    // Every file is closed before the viewers start, so they see it whole.
    // The statuses of the viewers do not concern the run.
    servicos::executar_comando(comando_editor(std::string_view(arq_saida.data(), arq_saida.size())));
    servicos::executar_comando("wgnuplot temp_media.gnu");
    servicos::executar_comando("wgnuplot temp_meio.gnu");
}

}  // namespace dados
