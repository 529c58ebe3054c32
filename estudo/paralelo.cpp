#include "paralelo.hpp"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <functional>
#include <exception>
#include <mutex>
#include <numeric>
#include <thread>

#include "convergencia.hpp"
#include "nucleo/variaveis.hpp"
#include "servicos/plataforma/plataforma.hpp"
#include "tabela.hpp"

namespace estudo {

namespace {

// Counts the finished tasks and announces each one in a line of its own.
class Progresso {
public:
    Progresso(bool ativo, std::size_t total) : ativo_(ativo), total_(total) {}
    void concluida(const Tarefa& tarefa) {
        if (!ativo_) return;
        const std::lock_guard trava(mutex_);
        ++prontas_;
        servicos::plataforma::escrever_erro_padrao(juntar("estudo_convergencia: ", std::to_string(prontas_), "/",
                                                          std::to_string(total_), " corridas prontas (",
                                                          tarefa.descricao, ")\n"));
    }

private:
    bool ativo_;
    std::size_t total_;
    std::size_t prontas_ = 0;
    std::mutex mutex_;
};

// Gives the calling thread's arrays back when it goes out of scope: nothing
// per thread is destroyed at a thread's end (nucleo/variaveis.hpp), so a worker
// gives back what its last run left before it ends.
class ArranjosDevolvidos {
public:
    ArranjosDevolvidos() = default;
    ~ArranjosDevolvidos() { variaveis::liberar_arranjos(); }
    ArranjosDevolvidos(const ArranjosDevolvidos&) = delete;
    ArranjosDevolvidos& operator=(const ArranjosDevolvidos&) = delete;
};

}  // namespace

int fios_da_maquina() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

void executar_em_paralelo(std::vector<Tarefa>& tarefas, int fios, bool progresso) {
    Progresso anuncio(progresso, tarefas.size());
    if (fios <= 1 || tarefas.size() <= 1) {
        const servicos::plataforma::ArmadilhasRetidas retidas;
        for (Tarefa& tarefa : tarefas) {
            tarefa.executar();
            anuncio.concluida(tarefa);
        }
        return;
    }

    std::vector<std::size_t> ordem(tarefas.size());
    std::iota(ordem.begin(), ordem.end(), std::size_t{0});
    std::stable_sort(ordem.begin(), ordem.end(),
                     [&](std::size_t a, std::size_t b) { return tarefas[a].custo > tarefas[b].custo; });

    std::atomic<std::size_t> proxima{0};
    std::exception_ptr primeira_falha;
    std::mutex mutex_falha;
    auto trabalhar = [&] {
        // Floating-point control and flags are the thread's own: a new thread
        // does not inherit the caller's hold on every platform.
        const servicos::plataforma::ArmadilhasRetidas retidas;
        const ArranjosDevolvidos devolvidos;
        for (std::size_t j = proxima++; j < ordem.size(); j = proxima++) {
            try {
                tarefas[ordem[j]].executar();
                anuncio.concluida(tarefas[ordem[j]]);
            } catch (...) {
                const std::lock_guard trava(mutex_falha);
                if (!primeira_falha) primeira_falha = std::current_exception();
                proxima = ordem.size();  // no new task starts
            }
        }
    };
    const std::size_t quantos = std::min(static_cast<std::size_t>(fios), tarefas.size());
    std::vector<std::thread> trabalhadores;
    for (std::size_t f = 0; f < quantos; ++f) trabalhadores.emplace_back(trabalhar);
    for (std::thread& t : trabalhadores) t.join();
    if (primeira_falha) std::rethrow_exception(primeira_falha);
}

namespace {

// The same run: the same grid and bit for bit the same data.
bool mesma_corrida(const std::pair<Caso, Malha>& a, const std::pair<Caso, Malha>& b) {
    const Caso &x = a.first, &y = b.first;
    const auto iguais = [](double u, double v) { return std::bit_cast<std::uint64_t>(u) == std::bit_cast<std::uint64_t>(v); };
    return a.second.Nx == b.second.Nx && a.second.Nt == b.second.Nt && iguais(x.Lx, y.Lx) && iguais(x.tf, y.tf) &&
           iguais(x.Ti, y.Ti) && iguais(x.theta, y.theta) && iguais(x.k, y.k) && iguais(x.ro, y.ro) &&
           iguais(x.cp, y.cp);
}

// The time of the runs on `fios` threads, the costliest first, each to the
// thread that is free first.
double tempo_em_paralelo(std::vector<double> custos, int fios, double segundos_por_custo) {
    std::sort(custos.begin(), custos.end(), std::greater<>());
    std::vector<double> carga(static_cast<std::size_t>(std::max(1, fios)), 0.0);
    for (double custo : custos) *std::min_element(carga.begin(), carga.end()) += custo;
    return *std::max_element(carga.begin(), carga.end()) * segundos_por_custo;
}

}  // namespace

std::vector<Nivel> executar_niveis(std::span<const std::pair<Caso, Malha>> corridas, int fios, bool progresso) {
    // Each run once: `qual[j]` is the distinct run that corridas[j] is.
    std::vector<std::size_t> distintas, qual(corridas.size());
    for (std::size_t j = 0; j < corridas.size(); ++j) {
        std::size_t d = 0;
        while (d < distintas.size() && !mesma_corrida(corridas[distintas[d]], corridas[j])) ++d;
        if (d == distintas.size()) distintas.push_back(j);
        qual[j] = d;
    }
    std::vector<Nivel> resultados(distintas.size());
    std::vector<Tarefa> tarefas;
    std::vector<double> custos;
    std::int32_t maior_Nx = 3;
    for (std::size_t d = 0; d < distintas.size(); ++d) {
        const auto& [caso, malha] = corridas[distintas[d]];
        const double custo = static_cast<double>(malha.Nx) * static_cast<double>(malha.Nt);
        tarefas.push_back({[&, d] { resultados[d] = executar_nivel(corridas[distintas[d]].first, corridas[distintas[d]].second); },
                           custo, juntar("Nx = ", std::to_string(malha.Nx), ", Nt = ", std::to_string(malha.Nt))});
        custos.push_back(custo);
        maior_Nx = std::max(maior_Nx, malha.Nx);
    }
    if (progresso) {
        // A short run measures this machine's speed; it says how long to wait.
        const std::size_t usados = std::min(static_cast<std::size_t>(std::max(1, fios)), tarefas.size());
        const double segundos = tempo_em_paralelo(custos, static_cast<int>(usados), medir_ns_por_no_passo(maior_Nx) * 1e-9);
        servicos::plataforma::escrever_erro_padrao(juntar("estudo_convergencia: ", std::to_string(tarefas.size()),
                                                          " corridas, cerca de ", duracao(segundos), " nesta máquina com ",
                                                          std::to_string(usados), usados == 1 ? " fio\n" : " fios\n"));
    }
    executar_em_paralelo(tarefas, fios, progresso);
    std::vector<Nivel> niveis;
    niveis.reserve(corridas.size());
    for (std::size_t j = 0; j < corridas.size(); ++j) niveis.push_back(resultados[qual[j]]);
    return niveis;
}

}  // namespace estudo
