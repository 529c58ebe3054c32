// The unit table: connections of unit numbers to files, buffered record
// output ended by CR LF, list-directed input, and the clean-up at the end.
#include "servicos/unidades/unidades.hpp"

#include <algorithm>
#include <cstring>
#include <memory>

#include "servicos/base/mensagens.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/unidades/conjunto.hpp"
#include "servicos/unidades/leitura_lista.hpp"

namespace servicos::unidades {

namespace {

constexpr std::size_t tamanho_buffer = 64 * 1024;

// Bytes asked of the system by each read of a file: a page, and the input
// file is ten short lines.
constexpr std::size_t tamanho_bloco_leitura = 4096;

const SistemaArquivos* sistema = nullptr;

const SistemaArquivos& so() { return sistema_arquivos(); }

// The UTF-8 byte-order mark that some editors (Notepad among them) put at
// the start of a file they save: not part of the text.
constexpr std::string_view marca_de_ordem = "\xEF\xBB\xBF";

// The reading side of a connection: the file's bytes, read in blocks, a
// byte-order mark at its very start skipped.
class FonteArquivo final : public FonteBytes {
public:
    explicit FonteArquivo(plataforma::Descritor descritor) : descritor_(descritor) {}
    int proximo() override {
        if (posicao_ == fim_ && !encher()) return fim_dos_dados;
        return static_cast<unsigned char>(bloco_[posicao_++]);
    }

private:
    // Reads the next block; false at the end of the file.
    bool encher() {
        posicao_ = fim_ = 0;
        if (!acrescentar()) return false;
        if (no_inicio_) {
            no_inicio_ = false;
            // A pipe may give the mark a byte at a time.
            while (fim_ < marca_de_ordem.size() && std::string_view(bloco_, fim_) == marca_de_ordem.substr(0, fim_) &&
                   acrescentar()) {
            }
            if (std::string_view(bloco_, fim_).substr(0, marca_de_ordem.size()) == marca_de_ordem)
                posicao_ = marca_de_ordem.size();
            if (posicao_ == fim_) return encher();
        }
        return true;
    }
    // Appends what one read gives to the block; false when it gives nothing.
    bool acrescentar() {
        const long long lidos = so().ler(descritor_, bloco_ + fim_, sizeof bloco_ - fim_);
        if (lidos < 0) erros::relatar_erro(base::mensagem::leitura_falhou, base::instrucao::read);
        if (lidos <= 0) return false;
        fim_ += static_cast<std::size_t>(lidos);
        return true;
    }

    plataforma::Descritor descritor_;
    char bloco_[tamanho_bloco_leitura];
    std::size_t posicao_ = 0, fim_ = 0;
    bool no_inicio_ = true;
};

// One connection of a unit number to a file.
struct Unidade {
    int numero = 0;
    std::string nome;  // without leading and trailing blanks
    plataforma::Descritor descritor{};
    bool cortar_antes_de_escrever = false;
    bool do_conjunto = false;  // writes into a temporary file of the set
    std::uint64_t escritos = 0;  // bytes written to the file, and of them those whose write-out has begun
    std::uint64_t em_gravacao = 0;
    std::unique_ptr<char[]> buffer;
    std::size_t ocupado = 0;
    std::unique_ptr<FonteArquivo> fonte;
};

// Places of the table; a place is free when `ocupada` is false. The clean-up
// walks it from the trap handler, so it is a plain static array.
struct Lugar {
    bool ocupada = false;
    Unidade unidade;
};
Lugar tabela[maximo_unidades];

int argc_programa = 0;
char** argv_programa = nullptr;
int proximo_argumento = 1;

Lugar* lugar_da_unidade(int unidade) {
    for (Lugar& lugar : tabela)
        if (lugar.ocupada && lugar.unidade.numero == unidade) return &lugar;
    return nullptr;
}

base::CodigoAbertura mensagem_de_abertura(Resultado resultado) {
    switch (resultado) {
        case Resultado::nao_encontrado: return base::mensagem::arquivo_inexistente;
        case Resultado::acesso_negado: return base::mensagem::acesso_negado;
        case Resultado::ja_existe: return base::mensagem::arquivo_ja_existe;
        case Resultado::arquivos_demais: return base::mensagem::arquivos_abertos_demais;
        case Resultado::invalido: return base::mensagem::abertura_invalida;
        case Resultado::disco_cheio: return base::mensagem::disco_cheio;
        case Resultado::insubstituivel: return base::mensagem::insubstituivel;
        default: return base::mensagem::abertura_recusada;
    }
}

// Write failures: a refusal (read-only connection, lock) or a full disk; any
// other failure is reported as a refusal too, so no lost record goes unsaid.
base::CodigoEscrita mensagem_de_escrita(Resultado resultado) {
    return resultado == Resultado::disco_cheio ? base::mensagem::disco_cheio : base::mensagem::escrita_recusada;
}

// A blank name: the next command-line argument not yet used as a file name,
// else the console prompt until a non-blank answer. End of input while
// prompting ends the run with a read report instead of asking forever.
std::string nome_substituto(int unidade) {
    while (proximo_argumento < argc_programa) {
        const std::string_view argumento = nome_normalizado(argv_programa[proximo_argumento++]);
        if (!argumento.empty()) return std::string(argumento);
    }
    for (;;) {
        std::string pergunta = "File name missing or blank - please enter file name\r\nUNIT ";
        pergunta += std::to_string(unidade);
        pergunta += "? ";
        so().escrever_console(pergunta);
        erros::marcar_linha_parcial_console(true);
        std::string linha;
        if (!so().ler_linha_console(linha)) {
            const erros::NomeNoRelatorio sem_nome({});
            erros::relatar_erro(base::mensagem::fim_de_arquivo, base::instrucao::read);
        }
        erros::marcar_linha_parcial_console(false);
        const std::string_view resposta = nome_normalizado(linha);
        if (!resposta.empty()) return std::string(resposta);
    }
}

// Writes bytes of a unit. A temporary of the set starts going to the disk
// while it is written, so that its sync at the commit waits only for its end.
Resultado escrever_na_unidade(Unidade& u, const char* bytes, std::size_t tamanho) {
    const Resultado r = so().escrever(u.descritor, bytes, tamanho);
    u.escritos += tamanho;
    if (u.do_conjunto && u.escritos - u.em_gravacao >= bytes_por_gravacao) {
        so().iniciar_gravacao(u.descritor, u.em_gravacao, u.escritos - u.em_gravacao, false);
        u.em_gravacao = u.escritos;
    }
    return r;
}

template <base::TipoInstrucao Tipo>
void esvaziar_buffer(Unidade& u, base::Instrucao<Tipo> tipo) {
    if (u.ocupado == 0) return;
    const Resultado r = escrever_na_unidade(u, u.buffer.get(), u.ocupado);
    u.ocupado = 0;
    if (r != Resultado::ok) erros::relatar_erro(mensagem_de_escrita(r), tipo);
}

// Writes out and closes one connection; the place is freed first, so that a
// report from the write cannot close it a second time. The temporary file of
// a set stays open: the set holds it until its commit.
void desconectar(Lugar& lugar) {
    Unidade& u = lugar.unidade;
    const erros::NomeNoRelatorio nome(u.nome);
    lugar.ocupada = false;
    const std::size_t ocupado = u.ocupado;
    u.ocupado = 0;
    const Resultado escrita = ocupado ? escrever_na_unidade(u, u.buffer.get(), ocupado) : Resultado::ok;
    const Resultado fechamento = u.do_conjunto ? Resultado::ok : so().fechar(u.descritor);
    if (escrita != Resultado::ok) erros::relatar_erro(mensagem_de_escrita(escrita), base::instrucao::close);
    if (fechamento != Resultado::ok) erros::relatar_erro(mensagem_de_escrita(fechamento), base::instrucao::close);
}

// The unit of a statement; the statement names its file for its reports.
template <base::TipoInstrucao Tipo>
Unidade& unidade_conectada(int unidade, base::Instrucao<Tipo> tipo) {
    Lugar* lugar = lugar_da_unidade(unidade);
    if (lugar == nullptr) {
        const erros::NomeNoRelatorio sem_nome({});
        erros::relatar_erro(base::mensagem::abertura_invalida, tipo, "unit " + std::to_string(unidade) + " is not connected");
    }
    return lugar->unidade;
}

// Receives the records of a statement straight into the unit's buffer.
class DestinoUnidade final : public registros::DestinoRegistros {
public:
    explicit DestinoUnidade(Unidade& u) : u_(u) {}
    void texto(std::string_view bytes) override {
        if (u_.ocupado + bytes.size() > tamanho_buffer) {
            esvaziar_buffer(u_, base::instrucao::write);
            if (bytes.size() > tamanho_buffer) {
                const Resultado r = escrever_na_unidade(u_, bytes.data(), bytes.size());
                if (r != Resultado::ok) erros::relatar_erro(mensagem_de_escrita(r), base::instrucao::write);
                return;
            }
        }
        std::memcpy(u_.buffer.get() + u_.ocupado, bytes.data(), bytes.size());
        u_.ocupado += bytes.size();
    }
    void fim_registro() override { texto("\r\n"); }

private:
    Unidade& u_;
};

}  // namespace

std::string_view nome_normalizado(std::string_view nome) {
    nome = nome.substr(0, nome.find('\0'));
    const auto primeiro = nome.find_first_not_of(' ');
    if (primeiro == std::string_view::npos) return {};
    return nome.substr(primeiro, nome.find_last_not_of(' ') - primeiro + 1);
}

std::string nome_para_abertura(int unidade, std::string_view nome_dado) {
    const std::string_view nome = nome_normalizado(nome_dado);
    return nome.empty() ? nome_substituto(unidade) : std::string(nome);
}

namespace {

// A connection's file: its descriptor, whether it was there (an open cuts
// it before the first write), whether it is a temporary file of the set.
struct ArquivoAberto {
    plataforma::Descritor descritor;
    bool existia;
    bool do_conjunto;
};

// A file of a set of results gets a new temporary file beside the file it
// replaces, the set's from the moment it exists. Nothing is reported here.
struct NoConjunto {
    Substituicao substituicao;
    Temporario temporario;  // when not written directly
    bool anotado;                       // false: the set is full, nothing was made
};

NoConjunto preparar_no_conjunto(const std::string& nome) {
    NoConjunto c{so().preparar_substituicao(nome.c_str()), {}, false};
    if (c.substituicao.resultado != Resultado::ok || c.substituicao.direto) return c;
    c.anotado = criar_no_conjunto(nome, c.substituicao.destino, c.temporario);
    return c;
}

// The same for a unit's open, which reports why it failed: a file that
// exists and has no temporary beside it with why.
ArquivoAberto abrir_no_conjunto(const std::string& nome) {
    const NoConjunto c = preparar_no_conjunto(nome);
    const Substituicao& s = c.substituicao;
    if (s.resultado != Resultado::ok) erros::relatar_erro(mensagem_de_abertura(s.resultado), base::instrucao::open);
    if (s.direto) return {s.descritor, s.existia, false};
    if (!c.anotado) erros::relatar_erro(base::mensagem::unidades_demais, base::instrucao::open);
    // A folder that refuses new files, or has no room for one, leaves the
    // existing file without a way to be replaced safely.
    const Resultado r = c.temporario.resultado;
    const bool sem_arquivo_novo = s.existia && (r == Resultado::acesso_negado || r == Resultado::disco_cheio);
    if (r != Resultado::ok)
        erros::relatar_erro(mensagem_de_abertura(r), base::instrucao::open,
                            sem_arquivo_novo ? "no new file can be made in its folder to replace it" : "");
    return {c.temporario.descritor, false, true};
}

// Opens the file of a unit: as a file of the set of results while one is
// being written, else with the open's own rules.
ArquivoAberto abrir_arquivo(const std::string& nome) {
    if (conjunto_aberto()) return abrir_no_conjunto(nome);
    const Abertura a = so().abrir(nome.c_str());
    if (a.resultado != Resultado::ok) erros::relatar_erro(mensagem_de_abertura(a.resultado), base::instrucao::open);
    return {a.descritor, a.existia, false};
}

}  // namespace

void abrir_unidade(int unidade, std::string_view nome_dado) {
    std::string nome = nome_para_abertura(unidade, nome_dado);
    const erros::NomeNoRelatorio nome_do_open(nome);

    if (Lugar* atual = lugar_da_unidade(unidade)) {
        if (atual->unidade.nome == nome) return;
        desconectar(*atual);
    }
    Lugar* livre = std::find_if(std::begin(tabela), std::end(tabela), [](const Lugar& l) { return !l.ocupada; });
    if (livre == std::end(tabela)) erros::relatar_erro(base::mensagem::unidades_demais, base::instrucao::open);

    std::unique_ptr<char[]> buffer(new (std::nothrow) char[tamanho_buffer]);
    if (!buffer) erros::relatar_erro(base::mensagem::memoria_insuficiente, base::instrucao::sem_rotulo);
    const ArquivoAberto aberto = abrir_arquivo(nome);

    Unidade& u = livre->unidade;
    u = Unidade{};
    u.numero = unidade;
    u.nome = std::move(nome);
    u.descritor = aberto.descritor;
    u.cortar_antes_de_escrever = aberto.existia;
    u.do_conjunto = aberto.do_conjunto;
    u.buffer = std::move(buffer);
    livre->ocupada = true;
}

bool abrir_temporario_do_conjunto(std::string_view nome_dado, plataforma::Descritor& descritor) {
    const std::string nome(nome_normalizado(nome_dado));
    if (nome.empty() || !conjunto_aberto() || !so().arquivo_comum(nome.c_str())) return false;
    const NoConjunto c = preparar_no_conjunto(nome);
    if (c.substituicao.resultado != Resultado::ok) return false;
    if (c.substituicao.direto) {
        so().fechar(c.substituicao.descritor);
        return false;
    }
    if (!c.anotado || c.temporario.resultado != Resultado::ok) return false;
    descritor = c.temporario.descritor;
    return true;
}

void escrever_formatado(int unidade, std::string_view formato, std::span<const registros::ItemFormato> itens) {
    Unidade& u = unidade_conectada(unidade, base::instrucao::write);
    const erros::NomeNoRelatorio nome(u.nome);
    if (u.cortar_antes_de_escrever) {
        u.cortar_antes_de_escrever = false;
        const Resultado r = so().cortar(u.descritor);
        if (r != Resultado::ok) erros::relatar_erro(mensagem_de_escrita(r), base::instrucao::write);
    }
    DestinoUnidade destino(u);
    registros::formatar_registros(formato, itens, destino);
}

void escrever_formatado(int unidade, std::string_view formato, std::initializer_list<registros::ItemFormato> itens) {
    escrever_formatado(unidade, formato, std::span<const registros::ItemFormato>(itens.begin(), itens.size()));
}

void fechar_unidade(int unidade) {
    if (Lugar* lugar = lugar_da_unidade(unidade)) desconectar(*lugar);
}

namespace {

// One read statement: the value from the unit's data, its file named in any
// report of the reading.
template <typename Destino>
void ler_da_unidade(int unidade, Destino&& destino) {
    Unidade& u = unidade_conectada(unidade, base::instrucao::read);
    const erros::NomeNoRelatorio nome(u.nome);
    if (!u.fonte) u.fonte = std::make_unique<FonteArquivo>(u.descritor);
    ler_lista(*u.fonte, destino);
}

}  // namespace

void ler_valor(int unidade, double& valor) { ler_da_unidade(unidade, valor); }
void ler_valor(int unidade, std::int32_t& valor) { ler_da_unidade(unidade, valor); }
void ler_valor(int unidade, std::span<char> texto) { ler_da_unidade(unidade, texto); }

void definir_argumentos(int argc, char** argv) {
    argc_programa = argc;
    argv_programa = argv;
    proximo_argumento = 1;
}

void fechar_todas_unidades() {
    for (Lugar& lugar : tabela) {
        if (!lugar.ocupada) continue;
        if (lugar.unidade.do_conjunto) {
            // Its content is discarded below: nothing to write out.
            lugar.ocupada = false;
        } else {
            desconectar(lugar);
        }
    }
    descartar_conjunto();
}

bool mesmo_arquivo(std::string_view a, std::string_view b) {
    return so().mesmo_arquivo(std::string(a).c_str(), std::string(b).c_str());
}

std::string nome_da_unidade(int unidade) {
    const Lugar* lugar = lugar_da_unidade(unidade);
    return lugar ? lugar->unidade.nome : std::string();
}

void usar_sistema_arquivos(const SistemaArquivos* novo) { sistema = novo; }

const SistemaArquivos& sistema_arquivos() { return sistema ? *sistema : sistema_arquivos_nativo(); }

}  // namespace servicos::unidades
