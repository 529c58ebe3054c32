// Fuzz target of the format interpreter: arbitrary format texts against
// arbitrary item lists, with the program's floating-point traps armed.
//
// Input: the format text up to the first NUL byte; after it the items, each a
// tag byte followed by its value in little-endian order (an even tag: a
// double in 8 bytes; an odd tag: a 32-bit integer in 4 bytes; bytes missing
// at the end read as zeros). At most 64 items.
//
// Promises checked: a statement ends at least one record; a failure comes back
// as one well-formed WRITE report with a format code; the same statement gives
// the same records or the same report when run again (the second run takes the
// compiled format from the cache); the fast first rounding of the first
// finite reals agrees with the exact one.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "comum.hpp"
#include "servicos/base/mensagens.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/registros/edicao_numerica.hpp"
#include "servicos/registros/registros.hpp"

namespace {

using servicos::registros::ItemFormato;

constexpr std::size_t maximo_itens = 64;
// A statement's output is cut off here: formats may ask for far more records
// than a test can hold (a repeat count of 32767 around another).
constexpr std::size_t maximo_bytes = 64 * 1024;

struct Excesso {};

struct Entrada {
    std::string_view formato;
    std::vector<ItemFormato> itens;
};

Entrada decompor(const std::uint8_t* dados, std::size_t tamanho) {
    const std::string_view bytes(reinterpret_cast<const char*>(dados), tamanho);
    const std::size_t nul = bytes.find('\0');
    Entrada entrada{bytes.substr(0, nul), {}};
    if (nul == std::string_view::npos) return entrada;
    std::size_t p = nul + 1;
    auto valor = [&](std::size_t largura) {
        std::uint64_t v = 0;
        for (std::size_t j = 0; j < largura; ++j, ++p)
            if (p < tamanho) v |= std::uint64_t{dados[p]} << (8 * j);
        return v;
    };
    while (p < tamanho && entrada.itens.size() < maximo_itens) {
        const std::uint8_t etiqueta = dados[p++];
        if (etiqueta % 2 == 0)
            entrada.itens.emplace_back(std::bit_cast<double>(valor(8)));
        else
            entrada.itens.emplace_back(static_cast<std::int32_t>(static_cast<std::uint32_t>(valor(4))));
    }
    return entrada;
}

class Coletor final : public servicos::registros::DestinoRegistros {
public:
    void texto(std::string_view bytes) override {
        bytes_ += bytes.size();
        if (bytes_ > maximo_bytes) throw Excesso{};
        atual_.append(bytes);
    }
    void fim_registro() override {
        bytes_ += 2;
        if (bytes_ > maximo_bytes) throw Excesso{};
        registros.push_back(std::move(atual_));
        atual_.clear();
    }
    std::vector<std::string> registros;

private:
    std::string atual_;
    std::size_t bytes_ = 0;
};

struct Resultado {
    std::vector<std::string> registros;
    std::optional<std::string> relatorio;
    bool cortado = false;
    bool operator==(const Resultado&) const = default;
};

bool codigo_de_formato(int numero) {
    namespace m = servicos::base::mensagem;
    return numero == m::formato_invalido || numero == m::real_com_descritor_inteiro ||
           numero == m::inteiro_com_descritor_real;
}

Resultado executar(const Entrada& entrada) {
    Coletor coletor;
    Resultado r;
    try {
        servicos::registros::formatar_registros(entrada.formato, entrada.itens, coletor);
        fuzz::exigir(!coletor.registros.empty(), "a statement that ended no record");
    } catch (const servicos::erros::FalhaRelatada& falha) {
        fuzz::exigir(falha.tipo == servicos::base::TipoInstrucao::write, "a format failure not reported as WRITE",
                     falha.relatorio);
        fuzz::exigir(codigo_de_formato(falha.numero_mensagem), "a code that no format failure has", falha.relatorio);
        fuzz::conferir_quadro(falha, "WRITE(saida.txt)\r\n- ");
        r.relatorio = falha.relatorio;
    } catch (const Excesso&) {
        r.cortado = true;
    }
    r.registros = std::move(coletor.registros);
    return r;
}

void conferir_arredondamento(const ItemFormato& item) {
    if (item.tipo != ItemFormato::Tipo::real) return;
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(item.real);
    const bool finito_nao_nulo = (bits & 0x7FF0000000000000u) != 0x7FF0000000000000u && (bits << 1) != 0;
    if (!finito_nao_nulo) return;
    const auto rapido = servicos::registros::edicao::arredondamento_inicial(bits);
    const auto exato = servicos::registros::edicao::arredondamento_inicial_exato(bits);
    fuzz::exigir(rapido.digitos == exato.digitos && rapido.p == exato.p,
                 "the fast first rounding differs from the exact one");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    servicos::erros::definir_modo_teste(true);
    servicos::erros::definir_nome_unidade("saida.txt");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
    const fuzz::ArmadilhasArmadas armadilhas;
    const Entrada entrada = decompor(dados, tamanho);
    const Resultado primeiro = executar(entrada);
    fuzz::exigir(executar(entrada) == primeiro, "the same statement gave different output when run again");
    // The exact rounding is slow under the sanitizers: the first reals only.
    for (std::size_t j = 0; j < entrada.itens.size() && j < 4; ++j) conferir_arredondamento(entrada.itens[j]);
    return 0;
}
