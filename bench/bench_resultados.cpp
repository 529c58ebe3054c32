// Speed of writing the result files of a long run (Nx = 11, Nt = 200000:
// about 72 MB in the listing, temp_media.txt and temp_meio.txt), in bytes per
// second, against what the same folder takes when the bytes are ready:
//  - resultados:     the reports as the program writes them (the three viewer
//                    commands run /bin/true through COMSPEC);
//  - escrita_bruta:  the same number of bytes in 64 KiB blocks through the
//                    units' own system calls: the ceiling of the folder;
//  - linhas_nulas:   the data-file statements through a unit on the null
//                    device: formatting and the unit layer, no file system;
//  - linhas_formato: the same statements formatted into a discarding sink.
// The folder is $DIFUSAO_PASTA_BENCH, else /dev/shm, else the temporary one.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "dados/dados.hpp"
#include "dados/formatos.hpp"
#include "nucleo/variaveis.hpp"
#include "pasta_temporaria.hpp"
#include "principal.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/registros/registros.hpp"
#include "servicos/unidades/unidades.hpp"

namespace fs = std::filesystem;

namespace {

using namespace variaveis;

using dados::formato_linha_dados;

// A long run, computed once.
void preparar_corrida() {
    static bool pronta = false;
    if (pronta) return;
    iniciar_corrida(
        {.Lx = 1.0, .Nx = 11, .tf = 0.5, .Nt = 200000, .Ti = 100.0, .theta = 0.5, .k = 1.0, .ro = 1.0, .cp = 1.0});
    const std::string nome = "listagem.txt";
    std::copy(nome.begin(), nome.end(), arq_saida.begin());
    principal::calcular();
    pronta = true;
}

std::uint64_t bytes_dos_resultados() {
    std::uint64_t total = 0;
    for (const char* nome : {"listagem.txt", "temp_media.txt", "temp_meio.txt"}) total += fs::file_size(nome);
    return total;
}

void BM_resultados(benchmark::State& estado) {
    preparar_corrida();
    std::uint64_t bytes = 0;
    for (auto _ : estado) {
        dados::resultados();
        estado.PauseTiming();
        bytes += bytes_dos_resultados();
        estado.ResumeTiming();
    }
    estado.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

void BM_escrita_bruta(benchmark::State& estado) {
    preparar_corrida();
    dados::resultados();
    const std::uint64_t total = bytes_dos_resultados();
    const std::vector<char> bloco(64 * 1024, 'x');
    const auto& so = servicos::unidades::sistema_arquivos_nativo();
    for (auto _ : estado) {
        const auto abertura = so.abrir("bruto.bin");
        if (abertura.resultado != servicos::unidades::Resultado::ok) {
            estado.SkipWithError("cannot open bruto.bin");
            return;
        }
        so.cortar(abertura.descritor);
        for (std::uint64_t escritos = 0; escritos < total; escritos += bloco.size()) {
            const std::size_t tamanho = std::min<std::uint64_t>(bloco.size(), total - escritos);
            so.escrever(abertura.descritor, bloco.data(), tamanho);
        }
        so.fechar(abertura.descritor);
    }
    estado.SetBytesProcessed(static_cast<std::int64_t>(total * estado.iterations()));
}

void BM_linhas_nulas(benchmark::State& estado) {
    preparar_corrida();
    for (auto _ : estado) {
        servicos::unidades::abrir_unidade(5, "/dev/null");
        for (std::int32_t m = 0; m <= Nt; ++m)
            servicos::unidades::escrever_formatado(5, formato_linha_dados, {t(m), Tm(m), Tm_an(m)});
        servicos::unidades::fechar_unidade(5);
    }
    estado.SetBytesProcessed(static_cast<std::int64_t>(77 * (Nt + 1.0) * estado.iterations()));
}

class Descarte final : public servicos::registros::DestinoRegistros {
public:
    void texto(std::string_view bytes) override { benchmark::DoNotOptimize(bytes.data()); }
    void fim_registro() override {}
};

void BM_linhas_formato(benchmark::State& estado) {
    preparar_corrida();
    Descarte descarte;
    for (auto _ : estado) {
        for (std::int32_t m = 0; m <= Nt; ++m) {
            const servicos::registros::ItemFormato itens[] = {t(m), Tm(m), Tm_an(m)};
            servicos::registros::formatar_registros(formato_linha_dados, itens, descarte);
        }
    }
    estado.SetBytesProcessed(static_cast<std::int64_t>(77 * (Nt + 1.0) * estado.iterations()));
}

void medicao(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_resultados)->Apply(medicao);
BENCHMARK(BM_escrita_bruta)->Apply(medicao);
BENCHMARK(BM_linhas_nulas)->Apply(medicao);
BENCHMARK(BM_linhas_formato)->Apply(medicao);

}  // namespace

int main(int argc, char** argv) { return medir_numa_pasta_temporaria(argc, argv, "difusao_bench_"); }
