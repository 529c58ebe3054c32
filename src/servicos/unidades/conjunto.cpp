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
    bool aberto = false;
    int pasta = 0;  // its place in `pastas`
};

// A folder of the set: the names of the program that the record gives it
// and that no file has taken yet, and the folder held for its syncs.
struct PastaDoConjunto {
    std::string nome;  // pasta_de of its files
    std::vector<std::string> reservados;
    Pasta pasta{};
    bool aberta = false;
    bool com_arquivos = false;  // a file of the set was made there
};

enum class Fase : unsigned char {
    fechado,
    escrevendo,   // temporaries being written: a failure removes them and the record
    confirmando,  // the record is complete: only the commit or the next run's recovery changes anything
};

// Names the record gives a folder at a time, each time it needs one more: a
// set of three files in one folder needs one sync of the record for them.
constexpr int reserva = 4;

// The handlers of termination requests walk this state, so it is plain
// static storage, and it only changes while those requests are held.
Arquivo arquivos[maximo_no_conjunto];
int quantos = 0;
// One more than the files: the record's folder may hold none of them.
PastaDoConjunto pastas[maximo_no_conjunto + 1];
int quantas_pastas = 0;
Fase fase = Fase::fechado;
std::string trava_do_conjunto;
std::string diario;
Descritor descritor_diario{};
bool com_diario = false;  // the record exists, open on descritor_diario
std::atomic<bool> descritores_emprestados{false};

// Failures of the commit: a full disk, too many open files, or any other
// refusal.
base::Codigo<base::TipoInstrucao::close> mensagem_de_falha(Resultado resultado) {
    switch (resultado) {
        case Resultado::disco_cheio: return base::mensagem::disco_cheio;
        case Resultado::arquivos_demais: return base::mensagem::arquivos_abertos_demais;
        default: return base::mensagem::escrita_recusada;
    }
}

// A lock held for a scope (the commit's); released by a report that tests
// turn into an exception too.
class Trava {
public:
    explicit Trava(Descritor descritor) : descritor_(descritor) {}
    ~Trava() { so().destravar(descritor_); }
    Trava(const Trava&) = delete;
    Trava& operator=(const Trava&) = delete;

private:
    Descritor descritor_;
};

[[noreturn]] void relatar_falha(std::string_view nome, Resultado resultado) {
    const erros::NomeNoRelatorio arquivo(nome);
    erros::relatar_erro(mensagem_de_falha(resultado), base::instrucao::close);
}

// ---------------------------------------------------------------------------
// The record, written only by appending, so that a torn end loses only what
// was not yet on the disk: a header; "+" and a counted name for each name of
// the program that the run may give a file, before it does; once the commit
// begins, "=", the count of files, three counted names per file (temporary,
// destination, kept copy) and an end mark; and, once the commit has to be
// undone, a mark that says so. Counted names hold any byte a file name may
// hold.

constexpr std::string_view cabecalho = "difusao_calor: conjunto de resultados\n";
constexpr std::string_view marca_reservado = "+";
constexpr std::string_view marca_trocas = "=";
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

std::string texto_das_trocas() {
    std::string texto(marca_trocas);
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
    std::vector<std::string> reservados;  // names the run may have given a file
    std::vector<Troca> trocas;            // the entries read whole
    bool completo = false;                // the end mark was written: the renames may have begun
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

void ler_trocas(LeitorDoDiario& leitor, Diario& d) {
    std::size_t total = 0;
    if (!leitor.numero(total, '\n') || total > maximo_no_conjunto) return;
    for (std::size_t j = 0; j < total; ++j) {
        Troca t;
        if (!leitor.nome(t.temporario) || !leitor.nome(t.destino) || !leitor.nome(t.copia) || !troca_valida(t)) return;
        d.trocas.push_back(std::move(t));
    }
    d.completo = leitor.literal(marca_fim);
    d.desfazer = d.completo && leitor.literal(marca_desfazer);
}

// What the record says, up to where it was torn.
Diario ler_diario(std::string_view texto) {
    Diario d;
    LeitorDoDiario leitor(texto);
    if (!leitor.literal(cabecalho)) return d;
    for (;;) {
        std::string nome;
        if (leitor.literal(marca_reservado) && leitor.nome(nome) && nome_de_temporario(nome)) {
            d.reservados.push_back(std::move(nome));
            continue;
        }
        if (leitor.literal(marca_trocas)) ler_trocas(leitor, d);
        return d;
    }
}

// ---------------------------------------------------------------------------
// One file of a commit, forward and back. Each step looks at what is there,
// so that it can be taken up again after a kill at any point of it.

// Forward: the earlier file aside (unless it is already), the new one in its place.
Resultado refazer(const Troca& t) {
    if (!so().existe(t.temporario.c_str())) return Resultado::ok;  // renamed already
    if (!t.copia.empty() && so().existe(t.destino.c_str()) &&
        !so().mesmo_arquivo(t.copia.c_str(), t.destino.c_str())) {
        const Resultado r = so().guardar_anterior(t.destino.c_str(), t.copia.c_str());
        if (r != Resultado::ok) return r;
    }
    return so().substituir(t.temporario.c_str(), t.destino.c_str());
}

// Back: the earlier file (or its absence) in its place again, the new one gone.
Resultado desfazer(const Troca& t) {
    const char* temporario = t.temporario.c_str();
    const char* destino = t.destino.c_str();
    if (t.copia.empty()) {
        // The temporary still there: the destination was never reached.
        return so().descartar(so().existe(temporario) ? temporario : destino);
    }
    const char* copia = t.copia.c_str();
    const bool com_temporario = so().existe(temporario);
    if (com_temporario && so().existe(destino)) {
        // Not renamed yet: the destination is the earlier file itself.
        const Resultado r = so().descartar(copia);
        return r == Resultado::ok ? so().descartar(temporario) : r;
    }
    if (so().existe(copia)) {
        const Resultado r = so().substituir(copia, destino);
        if (r != Resultado::ok) return r;
    }
    return com_temporario ? so().descartar(temporario) : Resultado::ok;
}

std::string ler_tudo(Descritor descritor) {
    std::string texto;
    char bloco[4096];
    for (long long lidos; (lidos = so().ler(descritor, bloco, sizeof bloco)) > 0 && texto.size() < maior_diario;)
        texto.append(bloco, static_cast<std::size_t>(lidos));
    return texto;
}

// Appends to the record open on `descritor` and writes it through to the disk.
Resultado gravar(Descritor descritor, std::string_view texto) {
    const Resultado r = so().escrever(descritor, texto.data(), texto.size());
    return r == Resultado::ok ? so().sincronizar(descritor) : r;
}

// ---------------------------------------------------------------------------
// The folders of this run's set.

int pasta_do_conjunto(const std::string& vizinho) {
    const std::string nome = pasta_de(vizinho);
    for (int p = 0; p < quantas_pastas; ++p)
        if (pastas[p].nome == nome) return p;
    PastaDoConjunto& nova = pastas[quantas_pastas];
    nova.nome = nome;
    nova.reservados.clear();
    nova.aberta = nova.com_arquivos = false;
    return quantas_pastas++;
}

// The folder `p` held, through `no_mesmo_sistema` (a file in it) where it
// cannot be read.
Resultado abrir(int p, const std::string& vizinho, Descritor no_mesmo_sistema) {
    PastaDoConjunto& pasta = pastas[p];
    if (pasta.aberta) return Resultado::ok;
    pasta.pasta = so().abrir_pasta(vizinho.c_str(), no_mesmo_sistema);
    pasta.aberta = pasta.pasta.resultado == Resultado::ok;
    return pasta.pasta.resultado;
}

// Syncs a folder of the set: one that was never held has nothing of the
// set, unless a file was made there.
Resultado sincronizar_pasta(const PastaDoConjunto& pasta) {
    if (!pasta.aberta) return pasta.com_arquivos ? Resultado::acesso_negado : Resultado::ok;
    return so().sincronizar_pasta(pasta.pasta);
}

// Syncs every folder of the set; the first that fails, or -1.
int sincronizar_pastas(Resultado& resultado) {
    for (int p = 0; p < quantas_pastas; ++p) {
        resultado = sincronizar_pasta(pastas[p]);
        if (resultado != Resultado::ok) return p;
    }
    return -1;
}

// The name the reports give a failure of folder `p`: that of a file in it.
std::string_view nome_na_pasta(int p) {
    for (int j = 0; j < quantos; ++j)
        if (arquivos[j].pasta == p) return arquivos[j].nome;
    return arquivos[0].nome;
}

// The record, made on the first need for a name: `texto` follows its header,
// and both are on the disk, with the record's name, before it returns.
Resultado criar_diario(const std::string& texto) {
    const Temporario criado = so().criar_diario(trava_do_conjunto.c_str());
    if (criado.resultado != Resultado::ok) return criado.resultado;
    diario = criado.nome;
    descritor_diario = criado.descritor;
    com_diario = true;
    const int p = pasta_do_conjunto(trava_do_conjunto);
    Resultado r = abrir(p, trava_do_conjunto, descritor_diario);
    if (r == Resultado::ok) r = gravar(descritor_diario, std::string(cabecalho) + texto);
    return r == Resultado::ok ? so().sincronizar_pasta(pastas[p].pasta) : r;
}

// Free names of the program for folder `p`, given in the record, which is on
// the disk before any of them is given a file.
Resultado reservar(int p, const std::string& vizinho) {
    std::vector<std::string> nomes;
    std::string texto;
    for (int k = 0; k < reserva; ++k) {
        std::string nome = so().nome_livre(vizinho.c_str());
        if (nome.empty()) return Resultado::ja_existe;
        texto += marca_reservado;
        acrescentar_nome(texto, nome);
        nomes.push_back(std::move(nome));
    }
    const Resultado r = com_diario ? gravar(descritor_diario, texto) : criar_diario(texto);
    if (r == Resultado::ok) pastas[p].reservados.insert(pastas[p].reservados.end(), nomes.rbegin(), nomes.rend());
    return r;
}

// ---------------------------------------------------------------------------
// The commit of this run's set.

void fechar_arquivos() {
    for (int j = 0; j < quantos; ++j) {
        if (arquivos[j].aberto) so().fechar(arquivos[j].descritor);
        arquivos[j].aberto = false;
    }
}

void fechar_diario() {
    if (com_diario) so().fechar(descritor_diario);
    com_diario = false;
}

void encerrar_conjunto() {
    fechar_arquivos();
    fechar_diario();
    for (int p = 0; p < quantas_pastas; ++p)
        if (pastas[p].aberta) so().fechar_pasta(pastas[p].pasta);
    quantos = 0;
    quantas_pastas = 0;
    fase = Fase::fechado;
}

// 1. Every temporary, and the folders that name them, on the disk before
// the record can name them as complete. The write-out of all of them is
// started first, so that their syncs wait for it together.
void sincronizar_temporarios() {
    for (int j = 0; j < quantos; ++j) so().iniciar_gravacao(arquivos[j].descritor, 0, 0, false);
    for (int j = 0; j < quantos; ++j) {
        const Resultado r = so().sincronizar(arquivos[j].descritor);
        if (r != Resultado::ok) relatar_falha(arquivos[j].nome, r);
    }
    Resultado r = Resultado::ok;
    const int falhou = sincronizar_pastas(r);
    if (falhou >= 0) relatar_falha(nome_na_pasta(falhou), r);
}

// 2. A free name beside each existing destination, to keep the earlier file
// under until the commit ends.
void escolher_copias() {
    for (int j = 0; j < quantos; ++j) {
        Troca& t = arquivos[j].troca;
        t.copia.clear();
        if (!so().existe(t.destino.c_str())) continue;
        t.copia = so().nome_livre(t.destino.c_str());
        if (t.copia.empty()) relatar_falha(arquivos[j].nome, Resultado::ja_existe);
    }
}

// A step that failed before the new set was known to be on the disk: the
// earlier files back in place, the files of the set gone, the record too
// once that is on the disk. An undo that cannot be completed, or whose mark
// cannot be written, leaves the record to the next run.
void desfazer_conjunto() {
    Resultado r = gravar(descritor_diario, marca_desfazer);
    // Windows replaces no file that is still open, not even by this run.
    fechar_arquivos();
    for (int j = quantos - 1; r == Resultado::ok && j >= 0; --j) r = desfazer(arquivos[j].troca);
    Resultado sincronia = Resultado::ok;
    if (r == Resultado::ok && sincronizar_pastas(sincronia) < 0) {
        fechar_diario();
        so().descartar(diario.c_str());
    }
}

[[noreturn]] void desfazer_e_relatar(std::string_view nome, Resultado resultado) {
    const std::string arquivo(nome);
    desfazer_conjunto();
    encerrar_conjunto();
    relatar_falha(arquivo, resultado);
}

// 4 and 5. The renames; once they are on the disk, the earlier files and
// the record let go. A kept file that cannot be removed keeps the record,
// which names it, for the next run to remove.
void trocar_todos() {
    for (int k = 0; k < quantos; ++k) {
        const Resultado r = refazer(arquivos[k].troca);
        if (r != Resultado::ok) desfazer_e_relatar(arquivos[k].nome, r);
    }
    Resultado r = Resultado::ok;
    const int falhou = sincronizar_pastas(r);
    if (falhou >= 0) desfazer_e_relatar(nome_na_pasta(falhou), r);
    bool restos = false, removidos = false;
    for (int j = 0; j < quantos; ++j) {
        if (arquivos[j].troca.copia.empty()) continue;
        restos = so().descartar(arquivos[j].troca.copia.c_str()) != Resultado::ok || restos;
        removidos = true;
    }
    if (removidos) restos = sincronizar_pastas(r) >= 0 || restos;
    fechar_arquivos();
    fechar_diario();
    if (!restos) so().descartar(diario.c_str());
    encerrar_conjunto();
}

// ---------------------------------------------------------------------------
// Recovery.

// The folders that a record of a killed run names, held for their syncs
// before anything is changed; closed at the end.
class PastasDaRetomada {
public:
    // Resultado::ok, or why one of them cannot be held.
    Resultado abrir(const Diario& d, Descritor diario) {
        for (const std::string& nome : d.reservados) abrir_a_de(nome, diario);
        for (const Troca& t : d.trocas) {
            abrir_a_de(t.destino, diario);
            abrir_a_de(t.temporario, diario);
        }
        return resultado_;
    }
    Resultado sincronizar() const {
        Resultado r = resultado_;
        for (const Pasta& p : abertas_)
            if (r == Resultado::ok) r = so().sincronizar_pasta(p);
        return r;
    }
    ~PastasDaRetomada() {
        for (const Pasta& p : abertas_) so().fechar_pasta(p);
    }

private:
    void abrir_a_de(const std::string& nome, Descritor diario) {
        const std::string pasta = pasta_de(nome);
        for (const std::string& n : nomes_)
            if (n == pasta) return;
        const Pasta aberta = so().abrir_pasta(nome.c_str(), diario);
        if (aberta.resultado != Resultado::ok) {
            if (resultado_ == Resultado::ok) resultado_ = aberta.resultado;
            return;
        }
        nomes_.push_back(pasta);
        abertas_.push_back(aberta);
    }
    std::vector<std::string> nomes_;
    std::vector<Pasta> abertas_;
    Resultado resultado_ = Resultado::ok;
};

// Removes a file of the program that a dead run's record names, unless it is
// not there, or it is held or not ours (another run's after all); false
// when it stays only because the system refused to look at it or remove it.
bool remover_abandonado(const std::string& nome) {
    Descritor descritor{};
    const Resultado tomado = so().tomar_abandonado(nome.c_str(), descritor);
    if (tomado == Resultado::nao_encontrado || tomado == Resultado::ja_existe) return true;
    if (tomado != Resultado::ok) return false;
    so().fechar(descritor);
    return so().descartar(nome.c_str()) == Resultado::ok;
}

// The record never got its end: nothing was renamed. Every file it names
// goes; the record goes once their removal is on the disk.
void retomar_sem_trocas(const std::string& nome, Descritor descritor, const Diario& d,
                        const PastasDaRetomada& pastas) {
    bool restos = false;
    for (const std::string& reservado : d.reservados) restos = !remover_abandonado(reservado) || restos;
    for (const Troca& t : d.trocas) {
        restos = !remover_abandonado(t.temporario) || restos;
        if (!t.copia.empty()) restos = !remover_abandonado(t.copia) || restos;
    }
    restos = pastas.sincronizar() != Resultado::ok || restos;
    so().fechar(descritor);
    if (!restos) so().descartar(nome.c_str());
}

// Takes up the record `nome` of a killed run, open on `descritor`.
void retomar(const std::string& nome, Descritor descritor, const Diario& d) {
    PastasDaRetomada pastas;
    const Resultado aberto = pastas.abrir(d, descritor);
    if (!d.completo) return retomar_sem_trocas(nome, descritor, d, pastas);
    // Every sync of what follows must be possible before anything changes.
    if (aberto != Resultado::ok) {
        so().fechar(descritor);
        relatar_falha(d.trocas.empty() ? nome : d.trocas[0].destino, aberto);
    }
    bool voltar = d.desfazer;
    for (std::size_t j = 0; !voltar && j < d.trocas.size(); ++j) {
        voltar = refazer(d.trocas[j]) != Resultado::ok;
        if (voltar) {
            // Cannot be finished: undone instead, once the record says so.
            const Resultado r = gravar(descritor, marca_desfazer);
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
    const Resultado sincronia = pastas.sincronizar();
    if (sincronia != Resultado::ok) {
        so().fechar(descritor);
        relatar_falha(d.trocas.empty() ? nome : d.trocas[0].destino, sincronia);
    }
    bool restos = false;
    if (!voltar)
        for (const Troca& t : d.trocas)
            if (!t.copia.empty()) restos = so().descartar(t.copia.c_str()) != Resultado::ok || restos;
    for (const std::string& reservado : d.reservados) restos = !remover_abandonado(reservado) || restos;
    restos = pastas.sincronizar() != Resultado::ok || restos;
    so().fechar(descritor);
    if (!restos) so().descartar(nome.c_str());
}

// The records of killed runs in the folder of `trava`, each under one of the
// names known in advance; the caller holds the commit lock. One that cannot
// even be looked at (too many open files) is reported: a commit after it
// could be undone by it later.
void recuperar_diarios(const std::string& trava) {
    for (unsigned vaga = 0; vaga < vagas_de_diario; ++vaga) {
        const std::string nome = nome_diario(trava, vaga);
        Descritor descritor{};
        if ((com_diario && nome == diario) || !so().existe(nome.c_str())) continue;
        const Resultado tomado = so().tomar_abandonado(nome.c_str(), descritor);
        if (tomado == Resultado::nao_encontrado || tomado == Resultado::ja_existe) continue;
        if (tomado != Resultado::ok) relatar_falha(quantos > 0 ? std::string_view(arquivos[0].nome) : nome, tomado);
        const std::string texto = ler_tudo(descritor);
        retomar(nome, descritor, ler_diario(texto));
    }
}

}  // namespace

void iniciar_conjunto(std::string_view trava) {
    if (fase != Fase::fechado) return;
    trava_do_conjunto.assign(trava);
    fase = Fase::escrevendo;
}

bool conjunto_aberto() { return fase == Fase::escrevendo; }

bool criar_no_conjunto(std::string_view nome, const std::string& destino, Temporario& criado) {
    // Each file may bring a folder of its own, besides the record's.
    if (quantos == maximo_no_conjunto || quantas_pastas == maximo_no_conjunto) return false;
    const plataforma::TerminoAdiado adiado;
    const int p = pasta_do_conjunto(destino);
    criado = {Resultado::ja_existe, {}, {}};
    // A name the record gives is free when given; should another system
    // have taken it since (a folder shared over a network), the next one.
    for (int tentativa = 0; tentativa < reserva && criado.resultado == Resultado::ja_existe; ++tentativa) {
        if (pastas[p].reservados.empty()) {
            const Resultado r = reservar(p, destino);
            if (r != Resultado::ok) {
                criado.resultado = r;
                return true;
            }
        }
        const std::string reservado = std::move(pastas[p].reservados.back());
        pastas[p].reservados.pop_back();
        criado = so().criar_temporario(reservado.c_str(), destino.c_str());
    }
    if (criado.resultado != Resultado::ok) return true;
    Arquivo& a = arquivos[quantos];
    a.nome.assign(nome);
    a.troca = {criado.nome, destino, {}};
    a.descritor = criado.descritor;
    a.aberto = true;
    a.pasta = p;
    pastas[p].com_arquivos = true;
    ++quantos;
    criado.resultado = abrir(p, destino, criado.descritor);
    return true;
}

void confirmar_conjunto(std::string_view nome_trava) {
    const std::string trava(nome_trava);
    Descritor descritor{};
    const Resultado travado = so().travar(trava.c_str(), descritor);
    if (travado != Resultado::ok) {
        if (quantos > 0) relatar_falha(arquivos[0].nome, travado);
        return;
    }
    const Trava trava_das_confirmacoes(descritor);
    // A commit that a killed run left here comes first: this one must not
    // be mixed with it.
    recuperar_diarios(trava);
    if (quantos > 0) {
        sincronizar_temporarios();
        escolher_copias();
        // From the end mark on, the commit runs to its end before a request
        // to terminate is heeded.
        const plataforma::TerminoAdiado adiado;
        const Resultado r = gravar(descritor_diario, texto_das_trocas());
        if (r != Resultado::ok) relatar_falha(arquivos[0].nome, r);
        fase = Fase::confirmando;
        trocar_todos();
    }
    encerrar_conjunto();
}

void descartar_conjunto() {
    if (fase != Fase::escrevendo) return;
    const bool fechar = !descritores_emprestados.load();
    bool restos = false;
    for (int j = 0; j < quantos; ++j) {
        restos = so().descartar(arquivos[j].troca.temporario.c_str()) != Resultado::ok || restos;
        if (fechar && arquivos[j].aberto) so().fechar(arquivos[j].descritor);
        arquivos[j].aberto = arquivos[j].aberto && !fechar;
    }
    // The record goes last, once the removals are on the disk; a file that
    // stays keeps it, for the next run to remove.
    for (int p = 0; p < quantas_pastas; ++p) {
        restos = sincronizar_pasta(pastas[p]) != Resultado::ok || restos;
        if (pastas[p].aberta) so().fechar_pasta(pastas[p].pasta);
        pastas[p].aberta = false;
    }
    if (com_diario) {
        so().fechar(descritor_diario);
        if (!restos) so().descartar(diario.c_str());
    }
    com_diario = false;
    quantos = 0;
    quantas_pastas = 0;
    fase = Fase::fechado;
}

void emprestar_descritores(bool emprestados) { descritores_emprestados.store(emprestados); }

void recuperar_conjuntos(std::string_view nome_trava) {
    const std::string trava(nome_trava);
    Descritor descritor{};
    // Without the lock nothing is taken up now; the commit tries again.
    if (so().travar(trava.c_str(), descritor) != Resultado::ok) return;
    const Trava trava_das_confirmacoes(descritor);
    recuperar_diarios(trava);
}

void abandonar_conjunto() { encerrar_conjunto(); }

}  // namespace servicos::unidades
