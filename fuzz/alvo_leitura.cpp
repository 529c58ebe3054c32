// Fuzz target of the input reader: arbitrary bytes as entradas_geral.ent, read
// as the program reads it (a text of 100 positions, then a real, an integer, a
// real, an integer and five reals), with the floating-point traps of the
// program armed around the reads; then read again with an observer of the
// reads installed, as the study's input explainer reads, which must change
// nothing.
//
// A reader failure must come back as one well-formed READ report naming the
// input file, with one of the reader's own codes, and must leave the variable
// of the failing read as it was. Anything else (a crash, a sanitizer finding,
// an arithmetic trap, a hang) is a finding of the fuzzer.
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "comum.hpp"
#include "servicos/base/mensagens.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/unidades/leitura_lista.hpp"

namespace {

class FonteMemoria final : public servicos::unidades::FonteBytes {
public:
    FonteMemoria(const std::uint8_t* dados, std::size_t tamanho) : dados_(dados), tamanho_(tamanho) {}
    int proximo() override { return posicao_ < tamanho_ ? dados_[posicao_++] : fim_dos_dados; }
    std::size_t posicao() const { return posicao_; }

private:
    const std::uint8_t* dados_;
    std::size_t tamanho_;
    std::size_t posicao_ = 0;
};

// The codes a read may end with.
bool codigo_de_leitura(int numero) {
    namespace m = servicos::base::mensagem;
    for (const int aceito : {m::inteiro_fora_da_faixa, m::inteiro_invalido, m::real_fora_da_faixa, m::real_invalido,
                             m::segundo_sustenido, m::base_invalida, m::leitura_falhou, m::fim_de_arquivo,
                             m::repeticao_zero, m::repeticao_dupla, m::texto_para_numero, m::valor_longo_demais})
        if (numero == aceito) return true;
    return false;
}

void conferir_falha(const servicos::erros::FalhaRelatada& falha) {
    fuzz::exigir(falha.tipo == servicos::base::TipoInstrucao::read, "a reader failure not reported as READ");
    fuzz::exigir(codigo_de_leitura(falha.numero_mensagem), "a code that no read may end with");
    fuzz::conferir_quadro(falha, "READ(entradas_geral.ent)\r\n- ");
}

// One read; false when it failed, after checking that it left `valor` alone.
template <typename T>
bool ler(FonteMemoria& fonte, T& valor) {
    const auto antes = std::bit_cast<std::array<unsigned char, sizeof(T)>>(valor);
    try {
        servicos::unidades::ler_lista(fonte, valor);
        return true;
    } catch (const servicos::erros::FalhaRelatada& falha) {
        conferir_falha(falha);
        fuzz::exigir(std::bit_cast<std::array<unsigned char, sizeof(T)>>(valor) == antes,
                     "a failed read changed its variable");
        return false;
    }
}

bool ler_texto(FonteMemoria& fonte, std::array<char, 100>& texto) {
    const std::array<char, 100> antes = texto;
    try {
        servicos::unidades::ler_lista(fonte, std::span<char>(texto));
        return true;
    } catch (const servicos::erros::FalhaRelatada& falha) {
        conferir_falha(falha);
        fuzz::exigir(texto == antes, "a failed read changed its variable");
        return false;
    }
}

// What the observer of the reads is told must not change what is read.
class Observador final : public servicos::unidades::ObservadorLeitura {
public:
    void leitura(const servicos::unidades::LeituraObservada& lida) override { consumidos += lida.consumido.size(); }
    std::size_t consumidos = 0;
};

// The ten reads of the program on the bytes; what they gave, as text: the
// values' bits and the report, or where they stopped.
std::string ler_tudo(const std::uint8_t* dados, std::size_t tamanho) {
    FonteMemoria fonte(dados, tamanho);
    std::array<char, 100> arq_saida;
    arq_saida.fill(' ');
    double Lx = 0.0, tf = 0.0, Ti = 0.0, theta = 0.0, k = 0.0, ro = 0.0, cp = 0.0;
    std::int32_t Nx = 0, Nt = 0;
    // The program stops at the first failure; so does the target.
    const bool completo = ler_texto(fonte, arq_saida) && ler(fonte, Lx) && ler(fonte, Nx) && ler(fonte, tf) &&
                          ler(fonte, Nt) && ler(fonte, Ti) && ler(fonte, theta) && ler(fonte, k) && ler(fonte, ro) &&
                          ler(fonte, cp);
    std::string resultado(arq_saida.begin(), arq_saida.end());
    for (double v : {Lx, tf, Ti, theta, k, ro, cp}) resultado += std::to_string(std::bit_cast<std::uint64_t>(v)) + ' ';
    resultado += std::to_string(Nx) + ' ' + std::to_string(Nt) + (completo ? " completo " : " parou ");
    return resultado + std::to_string(fonte.posicao());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    servicos::erros::definir_modo_teste(true);
    servicos::erros::definir_nome_unidade("entradas_geral.ent");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
    const fuzz::ArmadilhasArmadas armadilhas;
    const std::string simples = ler_tudo(dados, tamanho);
    // Read again as the study's input explainer reads, with an observer.
    Observador observador;
    servicos::unidades::observar_leituras(&observador);
    const std::string observado = ler_tudo(dados, tamanho);
    servicos::unidades::observar_leituras(nullptr);
    fuzz::exigir(observado == simples, "an observed read gave another result", observado);
    fuzz::exigir(observador.consumidos == std::stoull(simples.substr(simples.rfind(' ') + 1)),
                 "the observer was not told of every byte the reads took");
    return 0;
}
