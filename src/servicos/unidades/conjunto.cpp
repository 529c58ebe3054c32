// The commit of a set of results: the record, the renames, their undoing,
// and the recovery of a commit that a killed run left.
#include "servicos/unidades/conjunto.hpp"

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

#include "servicos/base/mensagens.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/unidades/unidades.hpp"

namespace servicos::unidades {

namespace {

using plataforma::Descritor;

const SistemaArquivos& so() { return sistema_arquivos(); }

// One file of a set: its new content, the file that content replaces, and
// the name that keeps the replaced file while the commit runs (empty when
// there was none).
struct Troca {
    std::string temporario;
    std::string destino;
    std::string copia;
};

// A file of this run's set and what the commit holds of it.
struct Arquivo {
    std::string nome;  // as the reports name it
    Troca troca;
    Descritor descritor{};  // the temporary, held until the end
    Descritor posse{};      // the kept earlier file, held until the end
    bool com_posse = false;
};

enum class Fase : unsigned char {
    fechado,
    escrevendo,   // temporaries being written: a failure removes them
    confirmando,  // the record exists: only the commit or the next run's recovery changes anything
};

// The handlers of termination requests walk this state, so it is plain
// static storage, and it only changes while those requests are held.
Arquivo arquivos[maximo_no_conjunto];
int quantos = 0;
Fase fase = Fase::fechado;
std::string diario;
Descritor descritor_diario{};
bool com_diario = false;
std::atomic<bool> descritores_emprestados{false};

// Write failures: a full disk, or any other refusal.
base::CodigoEscrita mensagem_de_escrita(Resultado resultado) {
    return resultado == Resultado::disco_cheio ? base::mensagem::disco_cheio : base::mensagem::escrita_recusada;
}

// A lock held for a scope (the commit's, a folder's); released by a report
// that tests turn into an exception too.
class Trava {
public:
    explicit Trava(Descritor descritor) : descritor_(descritor) {}
    ~Trava() { soltar(); }
    Trava(const Trava&) = delete;
    Trava& operator=(const Trava&) = delete;
    void soltar() {
        if (presa_) so().destravar(descritor_);
        presa_ = false;
    }

private:
    Descritor descritor_;
    bool presa_ = true;
};

[[noreturn]] void relatar_falha(std::string_view nome, Resultado resultado) {
    const erros::NomeNoRelatorio arquivo(nome);
    erros::relatar_erro(mensagem_de_escrita(resultado), base::instrucao::close);
}

// ---------------------------------------------------------------------------
// The record: a header, the count of files, three counted names per file
// (temporary, destination, kept copy), an end mark; and, once the commit has
// to be undone, a mark that says so. Counted names hold any byte a file name
// may hold.

constexpr std::string_view cabecalho = "difusao_calor: conjunto de resultados\n";
constexpr std::string_view marca_fim = "fim\n";
constexpr std::string_view marca_desfazer = "desfazer\n";

// A record of several MiB holds no set of 64 names: anything longer is not one.
constexpr std::size_t maior_diario = std::size_t{4} << 20;

void acrescentar_nome(std::string& texto, const std::string& nome) {
    texto += std::to_string(nome.size());
    texto += ':';
    texto += nome;
    texto += '\n';
}

std::string texto_do_diario() {
    std::string texto(cabecalho);
    texto += std::to_string(quantos) + "\n";
    for (int j = 0; j < quantos; ++j) {
        acrescentar_nome(texto, arquivos[j].troca.temporario);
        acrescentar_nome(texto, arquivos[j].troca.destino);
        acrescentar_nome(texto, arquivos[j].troca.copia);
    }
    texto += marca_fim;
    return texto;
}

struct Diario {
    std::vector<Troca> trocas;  // the entries read whole
    bool completo = false;      // the end mark was written: the renames may have begun
    bool desfazer = false;
};

class LeitorDoDiario {
public:
    explicit LeitorDoDiario(std::string_view texto) : resto_(texto) {}
    bool literal(std::string_view esperado) {
        if (resto_.substr(0, esperado.size()) != esperado) return false;
        resto_.remove_prefix(esperado.size());
        return true;
    }
    bool numero(std::size_t& valor, char fim) {
        std::size_t j = 0;
        valor = 0;
        while (j < resto_.size() && j < 8 && resto_[j] >= '0' && resto_[j] <= '9')
            valor = valor * 10 + static_cast<std::size_t>(resto_[j++] - '0');
        if (j == 0 || j == resto_.size() || resto_[j] != fim) return false;
        resto_.remove_prefix(j + 1);
        return true;
    }
    bool nome(std::string& valor) {
        std::size_t tamanho = 0;
        if (!numero(tamanho, ':') || tamanho >= resto_.size() || resto_[tamanho] != '\n') return false;
        valor.assign(resto_.substr(0, tamanho));
        resto_.remove_prefix(tamanho + 1);
        return true;
    }

private:
    std::string_view resto_;
};

// Only the program's own files are ever taken from a record: its
// temporaries and copies, never a user's file under a made-up record.
bool troca_valida(const Troca& t) {
    return nome_de_temporario(t.temporario) && !t.destino.empty() &&
           !nome_de_temporario(t.destino) && (t.copia.empty() || nome_de_temporario(t.copia));
}

Diario ler_diario(std::string_view texto) {
    Diario d;
    LeitorDoDiario leitor(texto);
    std::size_t total = 0;
    if (!leitor.literal(cabecalho) || !leitor.numero(total, '\n') || total > maximo_no_conjunto) return d;
    for (std::size_t j = 0; j < total; ++j) {
        Troca t;
        if (!leitor.nome(t.temporario) || !leitor.nome(t.destino) || !leitor.nome(t.copia) || !troca_valida(t)) return d;
        d.trocas.push_back(std::move(t));
    }
    d.completo = leitor.literal(marca_fim);
    d.desfazer = d.completo && leitor.literal(marca_desfazer);
    return d;
}

// ---------------------------------------------------------------------------
// One file of a commit, forward and back. Each step looks at what is there,
// so that it can be taken up again after a kill at any point of it.

// Forward: the earlier file aside (unless it is already), the new one in its place.
Resultado refazer(const Troca& t, Descritor& posse, bool& com_posse) {
    if (!so().existe(t.temporario.c_str())) return Resultado::ok;  // renamed already
    if (!t.copia.empty() && so().existe(t.destino.c_str()) &&
        !so().mesmo_arquivo(t.copia.c_str(), t.destino.c_str())) {
        const Resultado r = so().guardar_anterior(t.destino.c_str(), t.copia.c_str(), posse);
        if (r != Resultado::ok) return r;
        com_posse = true;
    }
    return so().substituir(t.temporario.c_str(), t.destino.c_str());
}

// Back: the earlier file (or its absence) in its place again, the new one gone.
Resultado desfazer(const Troca& t) {
    const char* temporario = t.temporario.c_str();
    const char* destino = t.destino.c_str();
    if (t.copia.empty()) {
        // The temporary still there: the destination was never reached.
        so().descartar(so().existe(temporario) ? temporario : destino);
        return Resultado::ok;
    }
    const char* copia = t.copia.c_str();
    const bool com_temporario = so().existe(temporario);
    if (com_temporario && so().existe(destino)) {
        // Not renamed yet: the destination is the earlier file itself.
        so().descartar(copia);
        so().descartar(temporario);
        return Resultado::ok;
    }
    if (so().existe(copia)) {
        const Resultado r = so().substituir(copia, destino);
        if (r != Resultado::ok) return r;
    }
    if (com_temporario) so().descartar(temporario);
    return Resultado::ok;
}

// Syncs the folders of `nomes` (the temporaries, or the destinations), each
// folder once; the index of the first that fails, or -1.
template <typename Nome>
int sincronizar_pastas(int total, Nome nome, Resultado& resultado) {
    std::vector<std::string> feitas;
    for (int j = 0; j < total; ++j) {
        std::string pasta = pasta_de(nome(j));
        bool feita = false;
        for (const std::string& f : feitas) feita = feita || f == pasta;
        if (feita) continue;
        resultado = so().sincronizar_pasta(nome(j).c_str());
        if (resultado != Resultado::ok) return j;
        feitas.push_back(std::move(pasta));
    }
    return -1;
}

bool termina_com(std::string_view texto, std::string_view fim) {
    return texto.size() >= fim.size() && texto.substr(texto.size() - fim.size()) == fim;
}

std::string ler_tudo(Descritor descritor) {
    std::string texto;
    char bloco[4096];
    for (long long lidos; (lidos = so().ler(descritor, bloco, sizeof bloco)) > 0 && texto.size() < maior_diario;)
        texto.append(bloco, static_cast<std::size_t>(lidos));
    return texto;
}

// The mark that tells the next run to undo the commit of the record open on
// `descritor`, on the disk.
Resultado marcar_desfazer(Descritor descritor) {
    const Resultado r = so().escrever(descritor, marca_desfazer.data(), marca_desfazer.size());
    return r == Resultado::ok ? so().sincronizar(descritor) : r;
}

// ---------------------------------------------------------------------------
// The commit of this run's set.

// The temporaries and the kept earlier files of the set, closed.
void fechar_arquivos() {
    for (int j = 0; j < quantos; ++j) {
        so().fechar(arquivos[j].descritor);
        if (arquivos[j].com_posse) so().fechar(arquivos[j].posse);
        arquivos[j].com_posse = false;
    }
}

void fechar_descritores() {
    fechar_arquivos();
    if (com_diario) so().fechar(descritor_diario);
}

void encerrar_conjunto() {
    quantos = 0;
    com_diario = false;
    fase = Fase::fechado;
}

// 1. Every temporary, and the folders that name them, on the disk before
// the record can name them.
void sincronizar_temporarios() {
    for (int j = 0; j < quantos; ++j) {
        const Resultado r = so().sincronizar(arquivos[j].descritor);
        if (r != Resultado::ok) relatar_falha(arquivos[j].nome, r);
    }
    Resultado r = Resultado::ok;
    const int falhou = sincronizar_pastas(quantos, [](int j) { return arquivos[j].troca.temporario; }, r);
    if (falhou >= 0) relatar_falha(arquivos[falhou].nome, r);
}

// 2. A name beside each existing destination, reserved by an empty file of
// the program, to keep the earlier file under until the commit ends.
void reservar_copias() {
    for (int j = 0; j < quantos; ++j) {
        Arquivo& a = arquivos[j];
        if (!so().existe(a.troca.destino.c_str())) continue;
        Trava pasta(so().travar_pasta(a.troca.destino.c_str()));
        Temporario copia;
        {
            plataforma::TerminoAdiado adiado;
            copia = so().criar_temporario(a.troca.destino.c_str(), Papel::copia);
            if (copia.resultado == Resultado::ok) a.troca.copia = copia.nome;
        }
        pasta.soltar();
        if (copia.resultado != Resultado::ok) relatar_falha(a.nome, copia.resultado);
        so().fechar(copia.descritor);
    }
}

// 3. The record, created with requests to terminate held (the caller holds
// them, and the lock of the folder) and on the disk, with its folder, before
// anything is renamed.
void criar_diario(const std::string& trava) {
    const Temporario criado = so().criar_temporario(trava.c_str(), Papel::diario);
    if (criado.resultado != Resultado::ok) relatar_falha(arquivos[0].nome, criado.resultado);
    diario = criado.nome;
    descritor_diario = criado.descritor;
    com_diario = true;
}

void gravar_diario(const std::string& texto) {
    Resultado r = so().escrever(descritor_diario, texto.data(), texto.size());
    if (r == Resultado::ok) r = so().sincronizar(descritor_diario);
    if (r == Resultado::ok) r = so().sincronizar_pasta(diario.c_str());
    if (r != Resultado::ok) relatar_falha(arquivos[0].nome, r);
}

// A rename that failed part-way: the earlier files back in place, the files
// of the set gone, the record too once that is on the disk. An undo that
// cannot be completed, or whose mark cannot be written, leaves the record to
// the next run.
void desfazer_conjunto() {
    Resultado r = marcar_desfazer(descritor_diario);
    // Windows replaces no file that is still open, not even by this run.
    fechar_arquivos();
    for (int j = quantos - 1; r == Resultado::ok && j >= 0; --j) r = desfazer(arquivos[j].troca);
    Resultado sincronia = Resultado::ok;
    if (r == Resultado::ok &&
        sincronizar_pastas(quantos, [](int j) { return arquivos[j].troca.destino; }, sincronia) < 0) {
        so().fechar(descritor_diario);
        com_diario = false;
        so().descartar(diario.c_str());
    }
}

// 4 and 5. The renames, then the earlier files and the record let go.
void trocar_todos() {
    for (int k = 0; k < quantos; ++k) {
        Arquivo& a = arquivos[k];
        const Resultado r = refazer(a.troca, a.posse, a.com_posse);
        if (r == Resultado::ok) continue;
        desfazer_conjunto();
        if (com_diario) so().fechar(descritor_diario);
        encerrar_conjunto();
        relatar_falha(a.nome, r);
    }
    Resultado r = Resultado::ok;
    const int falhou = sincronizar_pastas(quantos, [](int j) { return arquivos[j].troca.destino; }, r);
    if (falhou >= 0) relatar_falha(arquivos[falhou].nome, r);
    for (int j = 0; j < quantos; ++j)
        if (!arquivos[j].troca.copia.empty()) so().descartar(arquivos[j].troca.copia.c_str());
    fechar_descritores();
    so().descartar(diario.c_str());
    encerrar_conjunto();
}

// ---------------------------------------------------------------------------
// Recovery.

// Takes up the record `nome` of a killed run, open on `descritor`.
void retomar(const std::string& nome, Descritor descritor, const Diario& d) {
    if (!d.completo) {
        // The record never got its end: nothing was renamed.
        for (const Troca& t : d.trocas) {
            so().descartar(t.temporario.c_str());
            if (!t.copia.empty()) so().descartar(t.copia.c_str());
        }
        so().fechar(descritor);
        so().descartar(nome.c_str());
        return;
    }
    bool voltar = d.desfazer;
    for (std::size_t j = 0; !voltar && j < d.trocas.size(); ++j) {
        Descritor posse{};
        bool com_posse = false;
        voltar = refazer(d.trocas[j], posse, com_posse) != Resultado::ok;
        if (com_posse) so().fechar(posse);
        if (voltar) {
            // Cannot be finished: undone instead, once the record says so.
            const Resultado r = marcar_desfazer(descritor);
            if (r != Resultado::ok) {
                so().fechar(descritor);
                relatar_falha(d.trocas[j].destino, r);
            }
        }
    }
    for (std::size_t j = d.trocas.size(); voltar && j-- > 0;) {
        const Resultado r = desfazer(d.trocas[j]);
        if (r != Resultado::ok) {
            so().fechar(descritor);
            relatar_falha(d.trocas[j].destino, r);
        }
    }
    Resultado r = Resultado::ok;
    const int falhou = sincronizar_pastas(
        static_cast<int>(d.trocas.size()), [&d](int j) { return d.trocas[static_cast<std::size_t>(j)].destino; }, r);
    so().fechar(descritor);
    if (falhou >= 0) relatar_falha(d.trocas[static_cast<std::size_t>(falhou)].destino, r);
    if (!voltar)
        for (const Troca& t : d.trocas)
            if (!t.copia.empty()) so().descartar(t.copia.c_str());
    so().descartar(nome.c_str());
}

// The records of killed runs in the folder of `trava`; the caller holds the
// commit lock.
void recuperar_diarios(const std::string& trava) {
    for (const std::string& nome : so().temporarios_da_pasta(trava.c_str())) {
        if (!termina_com(nome, sufixo_diario)) continue;
        Descritor descritor{};
        if (!so().tomar_abandonado(nome.c_str(), descritor)) continue;
        const std::string texto = ler_tudo(descritor);
        retomar(nome, descritor, ler_diario(texto));
    }
}

// Files of the program that no live run holds: left by a run that died.
void apagar_abandonados(const std::string& trava) {
    const Trava pasta(so().travar_pasta(trava.c_str()));
    for (const std::string& nome : so().temporarios_da_pasta(trava.c_str())) {
        Descritor descritor{};
        if (!so().tomar_abandonado(nome.c_str(), descritor)) continue;
        so().fechar(descritor);
        so().descartar(nome.c_str());
    }
}

}  // namespace

void iniciar_conjunto() {
    if (fase == Fase::fechado) fase = Fase::escrevendo;
}

bool conjunto_aberto() { return fase == Fase::escrevendo; }

bool anotar_no_conjunto(std::string_view nome, const std::string& temporario, const std::string& destino,
                        Descritor descritor) {
    if (quantos == maximo_no_conjunto) return false;
    Arquivo& a = arquivos[quantos];
    a.nome.assign(nome);
    a.troca = {temporario, destino, {}};
    a.descritor = descritor;
    a.com_posse = false;
    ++quantos;
    return true;
}

void confirmar_conjunto(std::string_view nome_trava) {
    const std::string trava(nome_trava);
    const Trava travado(so().travar(trava.c_str()));
    // A commit that a killed run left here comes first: this one must not
    // be mixed with it.
    recuperar_diarios(trava);
    if (quantos > 0) {
        sincronizar_temporarios();
        reservar_copias();
        const std::string texto = texto_do_diario();
        Trava pasta(so().travar_pasta(trava.c_str()));
        plataforma::TerminoAdiado adiado;
        criar_diario(trava);
        pasta.soltar();
        gravar_diario(texto);
        fase = Fase::confirmando;
        trocar_todos();
    }
    encerrar_conjunto();
}

void descartar_conjunto() {
    if (fase != Fase::escrevendo) return;
    const bool fechar = !descritores_emprestados.load();
    for (int j = 0; j < quantos; ++j) {
        so().descartar(arquivos[j].troca.temporario.c_str());
        if (!arquivos[j].troca.copia.empty()) so().descartar(arquivos[j].troca.copia.c_str());
        if (fechar) so().fechar(arquivos[j].descritor);
    }
    if (com_diario) {
        so().descartar(diario.c_str());
        so().fechar(descritor_diario);
    }
    quantos = 0;
    com_diario = false;
    fase = Fase::fechado;
}

void emprestar_descritores(bool emprestados) { descritores_emprestados.store(emprestados); }

void recuperar_conjuntos(std::string_view nome_trava) {
    const std::string trava(nome_trava);
    const Trava travado(so().travar(trava.c_str()));
    recuperar_diarios(trava);
    apagar_abandonados(trava);
}

void abandonar_conjunto() {
    fechar_descritores();
    encerrar_conjunto();
}

}  // namespace servicos::unidades
