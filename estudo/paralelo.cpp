#include "paralelo.hpp"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <numeric>
#include <thread>

#include "convergencia.hpp"
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

std::vector<Nivel> executar_niveis(std::span<const std::pair<Caso, Malha>> corridas, int fios, bool progresso) {
    std::vector<Nivel> niveis(corridas.size());
    std::vector<Tarefa> tarefas;
    for (std::size_t j = 0; j < corridas.size(); ++j) {
        const Malha malha = corridas[j].second;
        tarefas.push_back({[&, j] { niveis[j] = executar_nivel(corridas[j].first, corridas[j].second); },
                           static_cast<double>(malha.Nx) * static_cast<double>(malha.Nt),
                           juntar("Nx = ", std::to_string(malha.Nx), ", Nt = ", std::to_string(malha.Nt))});
    }
    executar_em_paralelo(tarefas, fios, progresso);
    return niveis;
}

}  // namespace estudo
