// Fuzz target of the input reader: arbitrary bytes as entradas_geral.ent, read
// as the program reads it (a text of 100 positions, then a real, an integer, a
// real, an integer and five reals), with the floating-point traps of the
// program armed around the reads.
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
#include <string_view>

#include "comum.hpp"
#include "servicos/erros.hpp"
#include "servicos/leitura_lista.hpp"

namespace {

class FonteMemoria final : public servicos::FonteBytes {
public:
    FonteMemoria(const std::uint8_t* dados, std::size_t tamanho) : dados_(dados), tamanho_(tamanho) {}
    int proximo() override { return posicao_ < tamanho_ ? dados_[posicao_++] : fim_dos_dados; }

private:
    const std::uint8_t* dados_;
    std::size_t tamanho_;
    std::size_t posicao_ = 0;
};

// The codes a read may end with.
bool codigo_de_leitura(int numero) {
    namespace m = servicos::mensagem;
    for (const int aceito : {m::inteiro_fora_da_faixa, m::inteiro_invalido, m::real_fora_da_faixa, m::real_invalido,
                             m::segundo_sustenido, m::base_invalida, m::leitura_falhou, m::fim_de_arquivo,
                             m::repeticao_zero, m::repeticao_dupla, m::texto_para_numero, m::valor_longo_demais})
        if (numero == aceito) return true;
    return false;
}

void conferir_falha(const servicos::FalhaRelatada& falha) {
    fuzz::exigir(falha.tipo == servicos::TipoInstrucao::read, "a reader failure not reported as READ");
    fuzz::exigir(codigo_de_leitura(falha.numero_mensagem), "a code that no read may end with");
    fuzz::conferir_quadro(falha, "READ(entradas_geral.ent)\r\n- ");
}

// One read; false when it failed, after checking that it left `valor` alone.
template <typename T>
bool ler(FonteMemoria& fonte, T& valor) {
    const auto antes = std::bit_cast<std::array<unsigned char, sizeof(T)>>(valor);
    try {
        servicos::ler_lista(fonte, valor);
        return true;
    } catch (const servicos::FalhaRelatada& falha) {
        conferir_falha(falha);
        fuzz::exigir(std::bit_cast<std::array<unsigned char, sizeof(T)>>(valor) == antes,
                     "a failed read changed its variable");
        return false;
    }
}

bool ler_texto(FonteMemoria& fonte, std::array<char, 100>& texto) {
    const std::array<char, 100> antes = texto;
    try {
        servicos::ler_lista(fonte, std::span<char>(texto));
        return true;
    } catch (const servicos::FalhaRelatada& falha) {
        conferir_falha(falha);
        fuzz::exigir(texto == antes, "a failed read changed its variable");
        return false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    servicos::definir_modo_teste(true);
    servicos::definir_nome_unidade("entradas_geral.ent");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
    const fuzz::ArmadilhasArmadas armadilhas;
    FonteMemoria fonte(dados, tamanho);
    std::array<char, 100> arq_saida;
    arq_saida.fill(' ');
    double Lx = 0.0, tf = 0.0, Ti = 0.0, theta = 0.0, k = 0.0, ro = 0.0, cp = 0.0;
    std::int32_t Nx = 0, Nt = 0;
    // The program stops at the first failure; so does the target.
    static_cast<void>(ler_texto(fonte, arq_saida) && ler(fonte, Lx) && ler(fonte, Nx) && ler(fonte, tf) &&
                      ler(fonte, Nt) && ler(fonte, Ti) && ler(fonte, theta) && ler(fonte, k) && ler(fonte, ro) &&
                      ler(fonte, cp));
    return 0;
}
