// Cost of the number rendering that dominates a long run: every row of the two
// data files and of the listing's tables is three or four E25.15 fields.
// Measured against the C library's "%25.15E" on the same values.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <span>
#include <vector>

#include "dados/formatos.hpp"
#include "servicos/registros/edicao_numerica.hpp"
#include "servicos/registros/registros.hpp"

namespace {

using servicos::registros::ItemFormato;

// Fixed-seed values spread over every binade of the finite doubles (both
// signs, normal and subnormal), and values of the size a run produces.
std::vector<double> amostra_binadas() {
    std::mt19937_64 gerador(20240611);
    std::vector<double> valores(4096);
    for (double& v : valores) {
        const std::uint64_t sinal = gerador() & 1;
        const std::uint64_t expoente = gerador() % 2047;  // 0 (subnormal) to 2046
        const std::uint64_t fracao = gerador() & ((std::uint64_t{1} << 52) - 1);
        v = std::bit_cast<double>(sinal << 63 | expoente << 52 | fracao);
    }
    return valores;
}

std::vector<double> amostra_temperaturas() {
    std::mt19937_64 gerador(7);
    std::uniform_real_distribution<double> uniforme(-1.0, 100.0);
    std::vector<double> valores(4096);
    for (double& v : valores) v = uniforme(gerador);
    return valores;
}

std::vector<double> amostra(int tipo) { return tipo == 0 ? amostra_binadas() : amostra_temperaturas(); }

void por_valor(benchmark::State& estado, std::size_t valores) {
    // Seconds per value, shown with its SI prefix (e.g. "25n" for 25 ns).
    estado.counters["por_valor"] = benchmark::Counter(
        static_cast<double>(valores), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_editar_E(benchmark::State& estado) {
    const std::vector<double> valores = amostra(static_cast<int>(estado.range(0)));
    char campo[25];
    for (auto _ : estado) {
        for (double v : valores) {
            servicos::registros::editar_E(v, 25, 15, 1, campo);
            benchmark::DoNotOptimize(campo);
            benchmark::ClobberMemory();
        }
    }
    por_valor(estado, valores.size());
}
BENCHMARK(BM_editar_E)->Arg(0)->Arg(1)->ArgName("temperaturas");

void BM_snprintf_E(benchmark::State& estado) {
    const std::vector<double> valores = amostra(static_cast<int>(estado.range(0)));
    char campo[32];
    for (auto _ : estado) {
        for (double v : valores) {
            std::snprintf(campo, sizeof campo, "%25.15E", v);
            benchmark::DoNotOptimize(campo);
            benchmark::ClobberMemory();
        }
    }
    por_valor(estado, valores.size());
}
BENCHMARK(BM_snprintf_E)->Arg(0)->Arg(1)->ArgName("temperaturas");

// A destination that keeps the last record, like a unit's buffer would.
class Linha final : public servicos::registros::DestinoRegistros {
public:
    void texto(std::string_view bytes) override {
        std::memcpy(bytes_ + tamanho_, bytes.data(), std::min(bytes.size(), sizeof bytes_ - tamanho_));
        tamanho_ += bytes.size();
    }
    void fim_registro() override {
        benchmark::DoNotOptimize(bytes_);
        tamanho_ = 0;
    }

private:
    char bytes_[256];
    std::size_t tamanho_ = 0;
};

// One data-file row with its three values, per statement.
void BM_linha_dados(benchmark::State& estado) {
    const std::vector<double> valores = amostra(static_cast<int>(estado.range(0)));
    Linha linha;
    for (auto _ : estado) {
        for (std::size_t i = 0; i + 3 <= valores.size(); i += 3) {
            const ItemFormato itens[] = {valores[i], valores[i + 1], valores[i + 2]};
            servicos::registros::formatar_registros(dados::formato_linha_dados, itens, linha);
        }
    }
    por_valor(estado, valores.size() / 3 * 3);
}
BENCHMARK(BM_linha_dados)->Arg(0)->Arg(1)->ArgName("temperaturas");

// One listing row with its four values.
void BM_linha_listagem(benchmark::State& estado) {
    const std::vector<double> valores = amostra(static_cast<int>(estado.range(0)));
    Linha linha;
    for (auto _ : estado) {
        for (std::size_t i = 0; i + 4 <= valores.size(); i += 4) {
            const ItemFormato itens[] = {valores[i], valores[i + 1], valores[i + 2], valores[i + 3]};
            servicos::registros::formatar_registros(dados::formato_linha_listagem, itens, linha);
        }
    }
    por_valor(estado, valores.size() / 4 * 4);
}
BENCHMARK(BM_linha_listagem)->Arg(0)->Arg(1)->ArgName("temperaturas");

// The same data-file row through the C library.
void BM_linha_dados_snprintf(benchmark::State& estado) {
    const std::vector<double> valores = amostra(static_cast<int>(estado.range(0)));
    char linha[96];
    for (auto _ : estado) {
        for (std::size_t i = 0; i + 3 <= valores.size(); i += 3) {
            std::snprintf(linha, sizeof linha, "%25.15E%25.15E%25.15E", valores[i], valores[i + 1], valores[i + 2]);
            benchmark::DoNotOptimize(linha);
            benchmark::ClobberMemory();
        }
    }
    por_valor(estado, valores.size() / 3 * 3);
}
BENCHMARK(BM_linha_dados_snprintf)->Arg(0)->Arg(1)->ArgName("temperaturas");

}  // namespace

BENCHMARK_MAIN();
