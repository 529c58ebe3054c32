#include "dados/resultados_no_laco.hpp"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <exception>
#include <mutex>
#include <new>
#include <string_view>
#include <thread>

#include "dados/arquivos_do_programa.hpp"
#include "dados/dados.hpp"
#include "nucleo/processamento.hpp"
#include "nucleo/variaveis.hpp"
#include "servicos/base/deteccao.hpp"
#include "servicos/plataforma/plataforma.hpp"
#include "servicos/registros/edicao_numerica.hpp"
#include "servicos/unidades/conjunto.hpp"
#include "servicos/unidades/unidades.hpp"

namespace dados {

namespace {

namespace deteccao = servicos::base::deteccao;
using servicos::plataforma::Descritor;
using servicos::unidades::Resultado;

Escrita escrita_forcada = Escrita::pelo_trabalho;

constexpr std::int64_t nos_passos_minimos = std::int64_t{1} << 20;
constexpr std::int32_t niveis_minimos = 1024;

// A row is its E25.15 fields side by side (the 1P of the format gives one
// digit before the point in every field) and CR LF.
constexpr int largura = 25;
constexpr int decimais = 15;
constexpr int escala = 1;
constexpr std::size_t linha_da_listagem = 4 * largura + 2;
constexpr std::size_t linha_de_dados = 3 * largura + 2;

// Bytes of each file's buffer: the units' own size.
constexpr std::size_t capacidade = 64 * 1024;
constexpr int trechos = 4;
// Levels whose exponentials are evaluated under one hold of the traps, and
// whose rows are edited before the flags are looked at.
constexpr std::int32_t lote = 2048;
// Levels the writer waits for before the loop wakes it: few wake-ups, and
// little left to write once the loop ends.
constexpr std::int32_t niveis_por_despertar = 256;
// The part of the writer's stack that it uses, with room to spare.
constexpr std::uint64_t pilha = 64 * 1024;

const servicos::unidades::SistemaArquivos& so() { return servicos::unidades::sistema_arquivos(); }

void editar(double valor, char* saida) { servicos::registros::editar_E(valor, largura, decimais, escala, saida); }

void terminar_registro(char* fim) {
    fim[0] = '\r';
    fim[1] = '\n';
}

// A stretch of a file written from a known position on, through a buffer.
// What it has written starts going to the disk a MiB at a time, so that the
// sync of the commit waits only for the last of it; the writer is a thread
// of its own, which may wait for that where the system cannot start it
// without waiting.
class Trecho {
public:
    void iniciar(Descritor descritor, std::uint64_t posicao, char* buffer) {
        descritor_ = descritor;
        posicao_ = em_gravacao_ = posicao;
        buffer_ = buffer;
    }
    // Room for `tamanho` more bytes at livre(), the buffer written out first
    // when it lacks it; false when a write fails.
    bool reservar(std::size_t tamanho) { return ocupado_ + tamanho <= capacidade || esvaziar(); }
    char* livre() { return buffer_ + ocupado_; }
    void ocupar(std::size_t tamanho) { ocupado_ += tamanho; }
    bool acrescentar(std::string_view bytes) {
        while (!bytes.empty()) {
            if (!reservar(1)) return false;
            const std::size_t parte = std::min(bytes.size(), capacidade - ocupado_);
            std::memcpy(livre(), bytes.data(), parte);
            ocupar(parte);
            bytes.remove_prefix(parte);
        }
        return true;
    }
    bool esvaziar() {
        if (ocupado_ == 0) return true;
        const Resultado r = so().escrever_em(descritor_, posicao_, buffer_, ocupado_);
        posicao_ += ocupado_;
        ocupado_ = 0;
        if (posicao_ - em_gravacao_ >= servicos::unidades::bytes_por_gravacao) {
            so().iniciar_gravacao(descritor_, em_gravacao_, posicao_ - em_gravacao_, true);
            em_gravacao_ = posicao_;
        }
        return r == Resultado::ok;
    }

private:
    Descritor descritor_{};
    std::uint64_t posicao_ = 0;
    std::uint64_t em_gravacao_ = 0;  // where the part not yet going to the disk begins
    char* buffer_ = nullptr;
    std::size_t ocupado_ = 0;
};

}  // namespace

// What the writer is given by the main thread before it starts: it reads
// nothing of the shared state itself, so that it sees the levels of the run
// that started it, whatever thread owns that state.
struct Trabalho {
    Descritor listagem, media, meio;
    processamento::FatoresExatos fatores;
    std::int32_t Nt;
    const double* t;
    const double* Tm;
    const double* Tmeio;
    double* Tm_an;
    std::string antes_da_media, antes_do_meio;
};

// The second thread: it writes the levels 0..Nt as they are published.
class Escritor {
public:
    Escritor(Trabalho trabalho, std::unique_ptr<char[]> buffers, std::unique_ptr<double[]> exatos_meio)
        : trabalho_(std::move(trabalho)), buffers_(std::move(buffers)), exatos_meio_(std::move(exatos_meio)) {
        char* buffer = buffers_.get();
        const std::uint64_t linhas = static_cast<std::uint64_t>(trabalho_.Nt) + 1;
        const std::uint64_t inicio_do_meio = trabalho_.antes_da_media.size() + linhas * linha_da_listagem;
        tabela_media_.iniciar(trabalho_.listagem, 0, buffer);
        tabela_meio_.iniciar(trabalho_.listagem, inicio_do_meio, buffer + capacidade);
        dados_media_.iniciar(trabalho_.media, 0, buffer + 2 * capacidade);
        dados_meio_.iniciar(trabalho_.meio, 0, buffer + 3 * capacidade);
    }

    void comecar() { fio_ = std::thread([this] { trabalhar(); }); }

    // The loop's side.
    void publicar(std::int32_t ultimo) {
        publicado_.store(ultimo);
        const std::int32_t aguardado = aguardado_.load();
        if (aguardado >= 0 && ultimo >= aguardado) {
            const std::lock_guard trava(mutex_);
            condicao_.notify_one();
        }
    }

    // Waits for the writer to end; whether it wrote every row of every file.
    bool esperar() {
        if (fio_.joinable()) fio_.join();
        return completo_;
    }

    void parar() {
        parar_.store(true);
        {
            const std::lock_guard trava(mutex_);
            condicao_.notify_one();
        }
        esperar();
    }

private:
    void trabalhar() {
        // The writer's arithmetic runs under a hold of the detection for its
        // whole life: a fault is only noted, or seen by the sentinel, and
        // then the writer stops.
        const deteccao::Retencao retida;
        completo_ = escrever_tudo(retida);
    }

    bool escrever_tudo(const deteccao::Retencao& retida) {
        deteccao::Sentinela sentinela;
        if (!tabela_media_.acrescentar(trabalho_.antes_da_media) || !tabela_meio_.acrescentar(trabalho_.antes_do_meio))
            return false;
        for (std::int32_t proximo = 0; proximo <= trabalho_.Nt;) {
            const std::int32_t pronto = esperar_niveis(proximo);
            if (pronto < proximo) return false;
            while (proximo <= pronto) {
                const auto ate =
                    static_cast<std::int32_t>(std::min<std::int64_t>(pronto, std::int64_t{proximo} + lote - 1));
                if (!escrever_lote(proximo, ate, sentinela)) return false;
                deteccao::barreira();
                if (retida.falhou(sentinela)) return false;
                proximo = ate + 1;
            }
        }
        return tabela_media_.esvaziar() && tabela_meio_.esvaziar() && dados_media_.esvaziar() && dados_meio_.esvaziar();
    }

    // The last level published once at least the levels up to a few beyond
    // `proximo` are, or all of them; -1 when told to stop.
    std::int32_t esperar_niveis(std::int32_t proximo) {
        const auto alvo = static_cast<std::int32_t>(
            std::min<std::int64_t>(std::int64_t{proximo} + niveis_por_despertar - 1, trabalho_.Nt));
        const std::int32_t pronto = publicado_.load();
        if (pronto >= alvo) return pronto;
        std::unique_lock trava(mutex_);
        aguardado_.store(alvo);
        condicao_.wait(trava, [&] { return parar_.load() || publicado_.load() >= alvo; });
        aguardado_.store(-1);
        return parar_.load() ? -1 : publicado_.load();
    }

    // Levels de..ate: their exact values, each evaluation as the reports make
    // it, then their rows, the error columns shown to the sentinel. False
    // when an exponential would be reported or a write fails.
    bool escrever_lote(std::int32_t de, std::int32_t ate, deteccao::Sentinela& sentinela) {
        const std::int32_t quantos = ate - de + 1;
        const processamento::FatoresExatos& f = trabalho_.fatores;
        const double* tempos = trabalho_.t + de;
        if (!processamento::decaimento_em_bloco(f.taxa, f.amp_media, tempos, quantos, trabalho_.Tm_an + de) ||
            !processamento::decaimento_em_bloco(f.taxa, f.amp_meio, tempos, quantos, exatos_meio_.get()))
            return false;
        for (std::int32_t nivel = de; nivel <= ate; ++nivel)
            if (!escrever_nivel(nivel, exatos_meio_[nivel - de], sentinela)) return false;
        return true;
    }

    // The four rows of a level: t, Tm, Tm_an, Tm_an - Tm in the first table;
    // t, Tmeio, Tmeio_an, Tmeio_an - Tmeio in the second; the first three
    // fields of each in the data files. A value shared by rows is edited once.
    bool escrever_nivel(std::int32_t nivel, double Tmeio_an, deteccao::Sentinela& sentinela) {
        if (!tabela_media_.reservar(linha_da_listagem) || !tabela_meio_.reservar(linha_da_listagem) ||
            !dados_media_.reservar(linha_de_dados) || !dados_meio_.reservar(linha_de_dados))
            return false;
        const double Tm = trabalho_.Tm[nivel], Tm_an = trabalho_.Tm_an[nivel], Tmeio = trabalho_.Tmeio[nivel];
        char* media = tabela_media_.livre();
        editar(trabalho_.t[nivel], media);
        editar(Tm, media + largura);
        editar(Tm_an, media + 2 * largura);
        const double erro_media = Tm_an - Tm;
        sentinela.ver(erro_media);
        editar(erro_media, media + 3 * largura);
        terminar_registro(media + 4 * largura);
        char* meio = tabela_meio_.livre();
        std::memcpy(meio, media, largura);
        editar(Tmeio, meio + largura);
        editar(Tmeio_an, meio + 2 * largura);
        const double erro_meio = Tmeio_an - Tmeio;
        sentinela.ver(erro_meio);
        editar(erro_meio, meio + 3 * largura);
        terminar_registro(meio + 4 * largura);
        std::memcpy(dados_media_.livre(), media, 3 * largura);
        terminar_registro(dados_media_.livre() + 3 * largura);
        std::memcpy(dados_meio_.livre(), meio, 3 * largura);
        terminar_registro(dados_meio_.livre() + 3 * largura);
        tabela_media_.ocupar(linha_da_listagem);
        tabela_meio_.ocupar(linha_da_listagem);
        dados_media_.ocupar(linha_de_dados);
        dados_meio_.ocupar(linha_de_dados);
        return true;
    }

    Trabalho trabalho_;
    std::unique_ptr<char[]> buffers_;        // one per file stretch
    std::unique_ptr<double[]> exatos_meio_;  // Tmeio_an of a batch
    Trecho tabela_media_, tabela_meio_, dados_media_, dados_meio_;

    // The levels published, the level the writer waits for (-1: it does
    // not), and a request to stop: the loop wakes the writer only when it
    // has what it waits for.
    std::atomic<std::int32_t> publicado_{-1};
    std::atomic<std::int32_t> aguardado_{-1};
    std::atomic<bool> parar_{false};
    std::mutex mutex_;
    std::condition_variable condicao_;
    bool completo_ = false;  // written by the writer, read after it ended
    std::thread fio_;
};

namespace {

constexpr std::uint64_t bytes_da_memoria = trechos * capacidade + lote * sizeof(double);

// The set's temporary files removed, requests to terminate held meanwhile.
void descartar_temporarios() {
    const servicos::plataforma::TerminoAdiado adiado;
    servicos::unidades::descartar_conjunto();
}

// The writer's files, each a new temporary of the set; false, with the set
// discarded, when any of them cannot be had so.
bool abrir_temporarios(const std::string& listagem, Trabalho& w) {
    servicos::unidades::iniciar_conjunto(arquivo_de_entrada);
    if (servicos::unidades::abrir_temporario_do_conjunto(listagem, w.listagem) &&
        servicos::unidades::abrir_temporario_do_conjunto("temp_media.txt", w.media) &&
        servicos::unidades::abrir_temporario_do_conjunto("temp_meio.txt", w.meio))
        return true;
    descartar_temporarios();
    return false;
}

}  // namespace

void forcar_escrita(Escrita escrita) { escrita_forcada = escrita; }

bool escrita_durante_o_laco(std::int32_t nos, std::int32_t passos) {
    if (escrita_forcada != Escrita::pelo_trabalho) return escrita_forcada == Escrita::durante_o_laco;
    // Without threads there is no writer to start.
    return servicos::plataforma::ha_fios && passos >= niveis_minimos && std::int64_t{nos} * passos >= nos_passos_minimos;
}

std::uint64_t memoria_da_escrita(std::int32_t nos, std::int32_t passos) {
    return escrita_durante_o_laco(nos, passos) ? bytes_da_memoria + pilha : 0;
}

ResultadosNoLaco::ResultadosNoLaco() {
    if (!escrita_durante_o_laco(variaveis::Nx, variaveis::Nt)) return;
    try {
        iniciar();
    } catch (const std::bad_alloc&) {
        // Memory short of a few bytes here: the reports as written meet it
        // again, in their place.
        descartar_temporarios();
        escritor_.reset();
    }
}

void ResultadosNoLaco::iniciar() {
    using namespace variaveis;
    // A blank name is asked for on the console, or taken from the command
    // line, by the open of the listing itself.
    listagem_ = std::string(servicos::unidades::nome_normalizado(std::string_view(arq_saida.data(), arq_saida.size())));
    Trabalho trabalho{};
    if (listagem_.empty() || !processamento::fatores_sem_falha(trabalho.fatores)) return;
    std::unique_ptr<char[]> buffers(new (std::nothrow) char[trechos * capacidade]);
    std::unique_ptr<double[]> exatos_meio(new (std::nothrow) double[lote]);
    if (!buffers || !exatos_meio) return;
    trabalho.Nt = Nt;
    trabalho.t = t.dados();
    trabalho.Tm = Tm.dados();
    trabalho.Tmeio = Tmeio.dados();
    trabalho.Tm_an = Tm_an.dados();
    trabalho.antes_da_media = registros_antes_da_media();
    trabalho.antes_do_meio = registros_antes_do_meio();
    if (!abrir_temporarios(listagem_, trabalho)) return;
    auto escritor = std::make_unique<Escritor>(std::move(trabalho), std::move(buffers), std::move(exatos_meio));
    try {
        // Requests to terminate are the main thread's: the writer starts
        // with them held, and keeps them so.
        const servicos::plataforma::TerminoAdiado adiado;
        servicos::unidades::emprestar_descritores(true);
        escritor->comecar();
    } catch (const std::exception&) {
        // No thread to be had (system_error, or bad_alloc for its state): the
        // reports as written, the descriptors the set's own again.
        servicos::unidades::emprestar_descritores(false);
        descartar_temporarios();
        return;
    }
    escritor_ = std::move(escritor);
}

ResultadosNoLaco::~ResultadosNoLaco() {
    if (!escritor_) return;
    escritor_->parar();
    servicos::unidades::emprestar_descritores(false);
}

passo_tempo::Publicacao* ResultadosNoLaco::publicacao() {
    return escritor_ || servicos::plataforma::anuncia_progresso ? this : nullptr;
}

void ResultadosNoLaco::niveis_registrados(std::int32_t ultimo) {
    if (escritor_) escritor_->publicar(ultimo);
    if constexpr (servicos::plataforma::anuncia_progresso)
        servicos::plataforma::anunciar_progresso(ultimo, variaveis::Nt);
}

void ResultadosNoLaco::concluir() {
    bool descartar = false;
    if (escritor_) {
        const bool completo = escritor_->esperar();
        escritor_.reset();
        servicos::unidades::emprestar_descritores(false);
        if (completo) {
            // Checked again as the open of the listing checks it: during a
            // long computation a link may have appeared under the listing's
            // name.
            recusar_arquivo_do_programa(listagem_);
            confirmar_e_mostrar(listagem_);
            return;
        }
        descartar = true;
    }
    // The reports as written; what the writer met is met again, and
    // reported, in its place.
    processamento::solucao_analitica();
    if (descartar) descartar_temporarios();
    resultados();
}

}  // namespace dados
