// The unit table: connections of unit numbers to files, buffered record
// output ended by CR LF, list-directed input, and the clean-up at the end.
#include "servicos/unidades/unidades.hpp"

#include <algorithm>
#include <cstring>
#include <memory>

#include "servicos/erros/erros.hpp"
#include "servicos/erros/mensagens.hpp"
#include "servicos/unidades/leitura_lista.hpp"

namespace servicos {

namespace {

using plataforma::Resultado;

constexpr std::size_t tamanho_buffer = 64 * 1024;

// Bytes asked of the system by each read of a file: a page, and the input
// file is ten short lines.
constexpr std::size_t tamanho_bloco_leitura = 4096;

const plataforma::SistemaArquivos* sistema = nullptr;

const plataforma::SistemaArquivos& so() { return sistema ? *sistema : plataforma::sistema_arquivos_nativo(); }

// The reading side of a connection: the file's bytes, read in blocks.
class FonteArquivo final : public FonteBytes {
public:
    explicit FonteArquivo(plataforma::Descritor descritor) : descritor_(descritor) {}
    int proximo() override {
        if (posicao_ == fim_) {
            const long long lidos = so().ler(descritor_, bloco_, sizeof bloco_);
            if (lidos < 0) relatar_erro(mensagem::leitura_falhou, TipoInstrucao::read);
            if (lidos <= 0) return fim_dos_dados;
            posicao_ = 0;
            fim_ = static_cast<std::size_t>(lidos);
        }
        return static_cast<unsigned char>(bloco_[posicao_++]);
    }

private:
    plataforma::Descritor descritor_;
    char bloco_[tamanho_bloco_leitura];
    std::size_t posicao_ = 0, fim_ = 0;
};

// One connection of a unit number to a file.
struct Unidade {
    int numero = 0;
    std::string nome;  // without leading and trailing blanks
    plataforma::Descritor descritor{};
    bool cortar_antes_de_escrever = false;
    bool do_conjunto = false;  // writes into a temporary file of the set
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

// The files of the set of results: each temporary file with the file it is
// to replace, noted when it is created. Signal handlers walk this list, so it
// only changes while termination requests are held off.
struct ArquivoDoConjunto {
    std::string nome;  // as the reports name it
    std::string temporario;
    std::string destino;
};
ArquivoDoConjunto conjunto[maximo_unidades];
int arquivos_do_conjunto = 0;
bool conjunto_aberto = false;

int argc_programa = 0;
char** argv_programa = nullptr;
int proximo_argumento = 1;

Lugar* lugar_da_unidade(int unidade) {
    for (Lugar& lugar : tabela)
        if (lugar.ocupada && lugar.unidade.numero == unidade) return &lugar;
    return nullptr;
}

int mensagem_de_abertura(Resultado resultado) {
    switch (resultado) {
        case Resultado::nao_encontrado: return mensagem::arquivo_inexistente;
        case Resultado::acesso_negado: return mensagem::acesso_negado;
        case Resultado::ja_existe: return mensagem::arquivo_ja_existe;
        case Resultado::arquivos_demais: return mensagem::arquivos_abertos_demais;
        case Resultado::invalido: return mensagem::abertura_invalida;
        default: return mensagem::abertura_recusada;
    }
}

// Write failures: a refusal (read-only connection, lock) or a full disk; any
// other failure is reported as a refusal too, so no lost record goes unsaid.
int mensagem_de_escrita(Resultado resultado) {
    return resultado == Resultado::disco_cheio ? mensagem::disco_cheio : mensagem::escrita_recusada;
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
        marcar_linha_parcial_console(true);
        std::string linha;
        if (!so().ler_linha_console(linha)) {
            const NomeNoRelatorio sem_nome({});
            relatar_erro(mensagem::fim_de_arquivo, TipoInstrucao::read);
        }
        marcar_linha_parcial_console(false);
        const std::string_view resposta = nome_normalizado(linha);
        if (!resposta.empty()) return std::string(resposta);
    }
}

void esvaziar_buffer(Unidade& u, TipoInstrucao tipo) {
    if (u.ocupado == 0) return;
    const Resultado r = so().escrever(u.descritor, u.buffer.get(), u.ocupado);
    u.ocupado = 0;
    if (r != Resultado::ok) relatar_erro(mensagem_de_escrita(r), tipo);
}

// Writes out and closes one connection; the place is freed first, so that a
// report from the write cannot close it a second time.
void desconectar(Lugar& lugar) {
    Unidade& u = lugar.unidade;
    const NomeNoRelatorio nome(u.nome);
    lugar.ocupada = false;
    const std::size_t ocupado = u.ocupado;
    u.ocupado = 0;
    const Resultado escrita = ocupado ? so().escrever(u.descritor, u.buffer.get(), ocupado) : Resultado::ok;
    const Resultado fechamento = so().fechar(u.descritor);
    if (escrita != Resultado::ok) relatar_erro(mensagem_de_escrita(escrita), TipoInstrucao::close);
    if (fechamento != Resultado::ok) relatar_erro(mensagem_de_escrita(fechamento), TipoInstrucao::close);
}

// The unit of a statement; the statement names its file for its reports.
Unidade& unidade_conectada(int unidade, TipoInstrucao tipo) {
    Lugar* lugar = lugar_da_unidade(unidade);
    if (lugar == nullptr) {
        const NomeNoRelatorio sem_nome({});
        relatar_erro(mensagem::abertura_invalida, tipo, "unit " + std::to_string(unidade) + " is not connected");
    }
    return lugar->unidade;
}

// Receives the records of a statement straight into the unit's buffer.
class DestinoUnidade final : public DestinoRegistros {
public:
    explicit DestinoUnidade(Unidade& u) : u_(u) {}
    void texto(std::string_view bytes) override {
        if (u_.ocupado + bytes.size() > tamanho_buffer) {
            esvaziar_buffer(u_, TipoInstrucao::write);
            if (bytes.size() > tamanho_buffer) {
                const Resultado r = so().escrever(u_.descritor, bytes.data(), bytes.size());
                if (r != Resultado::ok) relatar_erro(mensagem_de_escrita(r), TipoInstrucao::write);
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

// Opens the file of a unit: as a file of the set of results while one is
// being written, else with the open's own rules.
plataforma::Substituicao abrir_arquivo(const std::string& nome) {
    if (!conjunto_aberto) {
        const plataforma::Abertura a = so().abrir(nome.c_str());
        return {a.resultado, a.descritor, a.existia, {}, nome};
    }
    if (arquivos_do_conjunto == maximo_unidades) relatar_erro(mensagem::unidades_demais, TipoInstrucao::open);
    plataforma::TerminoAdiado adiado;  // a temporary file exists only once noted
    plataforma::Substituicao s = so().preparar_substituicao(nome.c_str());
    if (s.resultado == Resultado::ok && !s.temporario.empty())
        conjunto[arquivos_do_conjunto++] = {nome, s.temporario, s.destino};
    return s;
}

}  // namespace

void abrir_unidade(int unidade, std::string_view nome_dado) {
    std::string nome = nome_para_abertura(unidade, nome_dado);
    const NomeNoRelatorio nome_do_open(nome);

    if (Lugar* atual = lugar_da_unidade(unidade)) {
        if (atual->unidade.nome == nome) return;
        desconectar(*atual);
    }
    Lugar* livre = std::find_if(std::begin(tabela), std::end(tabela), [](const Lugar& l) { return !l.ocupada; });
    if (livre == std::end(tabela)) relatar_erro(mensagem::unidades_demais, TipoInstrucao::open);

    std::unique_ptr<char[]> buffer(new (std::nothrow) char[tamanho_buffer]);
    if (!buffer) relatar_erro(mensagem::memoria_insuficiente, TipoInstrucao::sem_rotulo);
    const plataforma::Substituicao abertura = abrir_arquivo(nome);
    if (abertura.resultado != Resultado::ok) relatar_erro(mensagem_de_abertura(abertura.resultado), TipoInstrucao::open);

    Unidade& u = livre->unidade;
    u = Unidade{};
    u.numero = unidade;
    u.nome = std::move(nome);
    u.descritor = abertura.descritor;
    u.cortar_antes_de_escrever = abertura.existia;
    u.do_conjunto = !abertura.temporario.empty();
    u.buffer = std::move(buffer);
    livre->ocupada = true;
}

void escrever_formatado(int unidade, std::string_view formato, std::span<const ItemFormato> itens) {
    Unidade& u = unidade_conectada(unidade, TipoInstrucao::write);
    const NomeNoRelatorio nome(u.nome);
    if (u.cortar_antes_de_escrever) {
        u.cortar_antes_de_escrever = false;
        const Resultado r = so().cortar(u.descritor);
        if (r != Resultado::ok) relatar_erro(mensagem_de_escrita(r), TipoInstrucao::write);
    }
    DestinoUnidade destino(u);
    formatar_registros(formato, itens, destino);
}

void escrever_formatado(int unidade, std::string_view formato, std::initializer_list<ItemFormato> itens) {
    escrever_formatado(unidade, formato, std::span<const ItemFormato>(itens.begin(), itens.size()));
}

void fechar_unidade(int unidade) {
    if (Lugar* lugar = lugar_da_unidade(unidade)) desconectar(*lugar);
}

namespace {

// One read statement: the value from the unit's data, its file named in any
// report of the reading.
template <typename Destino>
void ler_da_unidade(int unidade, Destino&& destino) {
    Unidade& u = unidade_conectada(unidade, TipoInstrucao::read);
    const NomeNoRelatorio nome(u.nome);
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

void iniciar_conjunto() { conjunto_aberto = true; }

void confirmar_conjunto(std::string_view trava) {
    conjunto_aberto = false;
    const plataforma::Descritor travado = so().travar(std::string(trava).c_str());
    {
        // Once the first rename is done, the others must follow.
        plataforma::TerminoAdiado adiado;
        for (int j = 0; j < arquivos_do_conjunto; ++j) {
            const ArquivoDoConjunto& arquivo = conjunto[j];
            const Resultado r = so().substituir(arquivo.temporario.c_str(), arquivo.destino.c_str());
            if (r != Resultado::ok) {
                const NomeNoRelatorio nome(arquivo.nome);
                relatar_erro(mensagem_de_escrita(r), TipoInstrucao::close);
            }
        }
        arquivos_do_conjunto = 0;
    }
    so().destravar(travado);
}

void descartar_conjunto() {
    for (int j = 0; j < arquivos_do_conjunto; ++j) so().descartar(conjunto[j].temporario.c_str());
}

void fechar_todas_unidades() {
    for (Lugar& lugar : tabela) {
        if (!lugar.ocupada) continue;
        if (lugar.unidade.do_conjunto) {
            // Its content is discarded below: nothing to write out.
            lugar.ocupada = false;
            so().fechar(lugar.unidade.descritor);
        } else {
            desconectar(lugar);
        }
    }
    descartar_conjunto();
    arquivos_do_conjunto = 0;
}

bool mesmo_arquivo(std::string_view a, std::string_view b) {
    return so().mesmo_arquivo(std::string(a).c_str(), std::string(b).c_str());
}

std::string nome_da_unidade(int unidade) {
    const Lugar* lugar = lugar_da_unidade(unidade);
    return lugar ? lugar->unidade.nome : std::string();
}

void usar_sistema_arquivos(const plataforma::SistemaArquivos* novo) { sistema = novo; }

}  // namespace servicos
