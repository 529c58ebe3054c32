// The format interpreter. A format specification is first compiled into a
// short list of instructions (literal bytes resolved, numbers read, each group
// linked to its end); the walk of one output statement then runs over that
// list. Compiled formats are kept in a small cache keyed by the format's bytes,
// since the program writes every data row with the same format string.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "servicos/base/mensagens.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/registros/edicao_numerica.hpp"
#include "servicos/registros/registros.hpp"

namespace servicos::registros {

namespace {

// ---------------------------------------------------------------------------
// Compiled form.

enum class Operacao : std::uint8_t {
    literal,      // a = offset in `literais`, b = length
    barra,        // a = records to end
    escala,       // a = scale factor k
    edita_E,      // a = w, b = d, c = repeat count
    edita_I,      // a = w, c = repeat count
    tabulacao,    // a = column (1-based)
    dois_pontos,  // stop here when the items are exhausted
    abre_grupo,   // a = repeat count
    fecha_grupo,  // a = index of the group's abre_grupo
    fim,          // the closing parenthesis of the format
};

struct Instrucao {
    Operacao operacao;
    std::int32_t a = 0;
    std::int32_t b = 0;
    std::int32_t c = 0;
};

struct Programa {
    std::vector<Instrucao> instrucoes;
    std::string literais;
    // Where the walk resumes when the format ends with items left: the
    // rightmost group directly inside the outer parentheses, else the start.
    std::size_t reversao = 0;
    // Whether a data descriptor follows the reversion point; without one,
    // items left at the end of the format could never be consumed.
    bool reversao_consome_itens = false;
};

// Groups nest at most this deep inside the outer parentheses.
constexpr int profundidade_maxima = 16;
// Largest number accepted anywhere in a format (widths, digits, columns,
// repeat counts, scale factors).
constexpr std::int32_t maior_numero = 32767;

[[noreturn]] void formato_invalido(const char* motivo) {
    erros::relatar_erro(base::mensagem::formato_invalido, base::instrucao::write, motivo);
}

// ---------------------------------------------------------------------------
// Compiler: recursive descent over the format's bytes. Outside literals,
// blanks are skipped and letters are read in upper case.

class Compilador {
public:
    explicit Compilador(std::string_view formato) : formato_(formato) {}

    Programa compilar() {
        if (significativo() != '(') formato_invalido("the format does not begin with '('");
        ++posicao_;
        compilar_lista(0);
        emitir({Operacao::fim});
        // Everything after the closing parenthesis is ignored.
        const auto& lista = programa_.instrucoes;
        programa_.reversao_consome_itens =
            std::any_of(lista.begin() + static_cast<std::ptrdiff_t>(programa_.reversao), lista.end(),
                        [](const Instrucao& i) {
                            return i.operacao == Operacao::edita_E || i.operacao == Operacao::edita_I;
                        });
        return std::move(programa_);
    }

private:
    static constexpr int fim_do_texto = -1;

    // The next byte that is not a blank, upper-cased, without consuming it.
    int significativo() {
        while (posicao_ < formato_.size() && formato_[posicao_] == ' ') ++posicao_;
        if (posicao_ == formato_.size()) return fim_do_texto;
        const auto c = static_cast<unsigned char>(formato_[posicao_]);
        return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
    }

    static bool algarismo(int c) { return c >= '0' && c <= '9'; }

    // An unsigned number whose digits may be separated by blanks.
    std::int32_t numero() {
        std::int32_t valor = 0;
        while (algarismo(significativo())) {
            valor = valor * 10 + (formato_[posicao_] - '0');
            if (valor > maior_numero) formato_invalido("number too large in the format");
            ++posicao_;
        }
        return valor;
    }

    std::int32_t numero_obrigatorio(const char* motivo) {
        if (!algarismo(significativo())) formato_invalido(motivo);
        return numero();
    }

    void emitir(Instrucao instrucao) { programa_.instrucoes.push_back(instrucao); }

    // list: items up to the closing parenthesis, commas between them optional.
    void compilar_lista(int nivel) {
        bool depois_de_virgula = false;
        bool algum_item = false;
        for (;;) {
            const int c = significativo();
            if (c == fim_do_texto) formato_invalido("unbalanced parentheses: missing ')'");
            if (c == ')') {
                if (depois_de_virgula) formato_invalido("comma before ')'");
                ++posicao_;
                return;
            }
            if (c == ',') {
                if (!algum_item || depois_de_virgula) formato_invalido("misplaced comma");
                depois_de_virgula = true;
                ++posicao_;
                continue;
            }
            compilar_item(nivel);
            algum_item = true;
            depois_de_virgula = false;
        }
    }

    void compilar_item(int nivel) {
        int c = significativo();
        if (c == '+' || c == '-') {
            ++posicao_;
            const std::int32_t k = numero_obrigatorio("sign without a scale factor");
            if (significativo() != 'P') formato_invalido("sign without a scale factor");
            ++posicao_;
            emitir({Operacao::escala, c == '-' ? -k : k});
            return;
        }
        const bool com_numero = algarismo(c);
        const std::int32_t r = com_numero ? numero() : 1;
        c = significativo();
        if (com_numero && c != 'P' && r == 0) formato_invalido("zero repeat count");
        switch (c) {
            case '\'':
            case '"':
                if (com_numero) formato_invalido("repeat count before a literal");
                compilar_literal(static_cast<char>(c));
                return;
            case '/':
                ++posicao_;
                emitir({Operacao::barra, r});
                return;
            case '(':
                ++posicao_;
                compilar_grupo(nivel, r);
                return;
            case 'P':
                if (!com_numero) formato_invalido("P without a scale factor");
                ++posicao_;
                emitir({Operacao::escala, r});
                return;
            case 'E': {
                ++posicao_;
                const std::int32_t w = numero_obrigatorio("E without a field width");
                if (significativo() != '.') formato_invalido("E without '.d'");
                ++posicao_;
                const std::int32_t d = numero_obrigatorio("E without '.d'");
                emitir({Operacao::edita_E, w, d, r});
                return;
            }
            case 'I': {
                ++posicao_;
                const std::int32_t w = numero_obrigatorio("I without a field width");
                emitir({Operacao::edita_I, w, 0, r});
                return;
            }
            case 'T': {
                if (com_numero) formato_invalido("repeat count before T");
                ++posicao_;
                const std::int32_t n = numero_obrigatorio("T without a column");
                if (n == 0) formato_invalido("T to column 0");
                emitir({Operacao::tabulacao, n});
                return;
            }
            case ':':
                if (com_numero) formato_invalido("repeat count before ':'");
                ++posicao_;
                emitir({Operacao::dois_pontos});
                return;
            case fim_do_texto:
                formato_invalido("unbalanced parentheses: missing ')'");
            default:
                if (com_numero) formato_invalido("number without an edit descriptor");
                if (c >= 'A' && c <= 'Z') formato_invalido("unknown edit descriptor");
                formato_invalido("unexpected character in the format");
        }
    }

    void compilar_grupo(int nivel, std::int32_t repeticoes) {
        const int novo_nivel = nivel + 1;
        if (novo_nivel > profundidade_maxima) formato_invalido("groups nested too deeply");
        const std::size_t inicio = programa_.instrucoes.size();
        if (novo_nivel == 1) programa_.reversao = inicio;
        emitir({Operacao::abre_grupo, repeticoes});
        compilar_lista(novo_nivel);
        emitir({Operacao::fecha_grupo, static_cast<std::int32_t>(inicio)});
    }

    // Bytes up to the closing delimiter; the delimiter written twice stands
    // for one such byte.
    void compilar_literal(char delimitador) {
        ++posicao_;
        const std::size_t inicio = programa_.literais.size();
        for (;;) {
            if (posicao_ >= formato_.size()) formato_invalido("literal without its closing delimiter");
            const char c = formato_[posicao_++];
            if (c == delimitador) {
                if (posicao_ < formato_.size() && formato_[posicao_] == delimitador) {
                    ++posicao_;
                } else {
                    break;
                }
            }
            programa_.literais.push_back(c);
        }
        const std::size_t tamanho = programa_.literais.size() - inicio;
        if (inicio > static_cast<std::size_t>(INT32_MAX) || tamanho > static_cast<std::size_t>(INT32_MAX)) {
            formato_invalido("literal too long");
        }
        emitir({Operacao::literal, static_cast<std::int32_t>(inicio), static_cast<std::int32_t>(tamanho)});
    }

    std::string_view formato_;
    std::size_t posicao_ = 0;
    Programa programa_;
};

// ---------------------------------------------------------------------------
// Cache of compiled formats: a few entries, replaced in turn. An entry in use
// by a running statement is never replaced.

class Cache {
public:
    // The compiled form of `formato`, kept alive while the returned guard lives.
    class Uso {
    public:
        Uso(const Programa* programa, int* em_uso, std::unique_ptr<Programa> proprio)
            : programa_(programa), em_uso_(em_uso), proprio_(std::move(proprio)) {}
        Uso(const Uso&) = delete;
        Uso& operator=(const Uso&) = delete;
        ~Uso() {
            if (em_uso_ != nullptr) --*em_uso_;
        }
        const Programa& programa() const { return *programa_; }

    private:
        const Programa* programa_;
        int* em_uso_;
        std::unique_ptr<Programa> proprio_;
    };

    Uso obter(std::string_view formato) {
        for (Entrada& e : entradas_) {
            if (e.programa && e.chave.size() == formato.size() &&
                std::memcmp(e.chave.data(), formato.data(), formato.size()) == 0) {
                ++e.em_uso;
                return Uso(e.programa.get(), &e.em_uso, nullptr);
            }
        }
        auto programa = std::make_unique<Programa>(Compilador(formato).compilar());
        for (std::size_t tentativa = 0; tentativa < entradas_.size(); ++tentativa) {
            Entrada& e = entradas_[proxima_];
            proxima_ = (proxima_ + 1) % entradas_.size();
            if (e.em_uso != 0) continue;
            e.chave.assign(formato);
            e.programa = std::move(programa);
            ++e.em_uso;
            return Uso(e.programa.get(), &e.em_uso, nullptr);
        }
        // Every entry busy (statements nested through a destination): no caching.
        const Programa* p = programa.get();
        return Uso(p, nullptr, std::move(programa));
    }

private:
    struct Entrada {
        std::string chave;
        std::unique_ptr<Programa> programa;
        int em_uso = 0;
    };
    std::array<Entrada, 8> entradas_;
    std::size_t proxima_ = 0;
};

// ---------------------------------------------------------------------------
// Record assembly: bytes gather in a local buffer and go to the destination
// when it fills or the record ends. Blanks owed by a tab are written just
// before the next text of the same record and dropped at its end.

class Emissor {
public:
    explicit Emissor(DestinoRegistros& destino) : destino_(destino) {}

    void tabular(std::int32_t coluna) {
        const auto alvo = static_cast<std::size_t>(coluna) - 1;
        // A tab back to or before the current column owes nothing: the next
        // text simply follows what is already there.
        pendentes_ = coluna_ < alvo ? alvo - coluna_ : 0;
    }

    void escrever(std::string_view bytes) {
        if (bytes.empty()) return;
        ++producao_;
        escrever_pendentes();
        coluna_ += bytes.size();
        if (bytes.size() > sizeof(buffer_) - usados_) {
            descarregar();
            if (bytes.size() > sizeof(buffer_)) {
                destino_.texto(bytes);
                return;
            }
        }
        std::memcpy(buffer_ + usados_, bytes.data(), bytes.size());
        usados_ += bytes.size();
    }

    // A field of `largura` bytes written in place by `editar(char*)`.
    template <typename Editor>
    void campo(std::int32_t largura, Editor editar) {
        if (largura <= 0) return;
        ++producao_;
        const auto tamanho = static_cast<std::size_t>(largura);
        escrever_pendentes();
        if (tamanho > sizeof(buffer_)) {
            std::string grande(tamanho, ' ');
            editar(grande.data());
            escrever(grande);
            return;
        }
        if (tamanho > sizeof(buffer_) - usados_) descarregar();
        editar(buffer_ + usados_);
        usados_ += tamanho;
        coluna_ += tamanho;
    }

    void terminar_registro() {
        ++producao_;
        descarregar();
        destino_.fim_registro();
        coluna_ = 0;
        pendentes_ = 0;
    }

    // Grows with every text, field and record end: unchanged means nothing
    // was produced in between.
    std::uint64_t producao() const { return producao_; }

private:
    void escrever_pendentes() {
        while (pendentes_ > 0) {
            if (usados_ == sizeof(buffer_)) descarregar();
            const std::size_t agora = std::min(pendentes_, sizeof(buffer_) - usados_);
            std::memset(buffer_ + usados_, ' ', agora);
            usados_ += agora;
            coluna_ += agora;
            pendentes_ -= agora;
        }
    }

    void descarregar() {
        if (usados_ == 0) return;
        destino_.texto(std::string_view(buffer_, usados_));
        usados_ = 0;
    }

    DestinoRegistros& destino_;
    char buffer_[512];
    std::size_t usados_ = 0;
    std::size_t coluna_ = 0;
    std::size_t pendentes_ = 0;
    std::uint64_t producao_ = 0;
};

// ---------------------------------------------------------------------------
// The walk of one statement.

class Interprete {
public:
    Interprete(const Programa& programa, std::span<const ItemFormato> itens, DestinoRegistros& destino)
        : programa_(programa), itens_(itens), saida_(destino) {}

    void executar() {
        const std::vector<Instrucao>& lista = programa_.instrucoes;
        std::size_t pc = 0;
        for (;;) {
            const Instrucao& ins = lista[pc];
            switch (ins.operacao) {
                case Operacao::literal:
                    saida_.escrever(std::string_view(programa_.literais).substr(static_cast<std::size_t>(ins.a),
                                                                              static_cast<std::size_t>(ins.b)));
                    break;
                case Operacao::barra:
                    for (std::int32_t i = 0; i < ins.a; ++i) saida_.terminar_registro();
                    break;
                case Operacao::escala:
                    escala_ = ins.a;
                    break;
                case Operacao::tabulacao:
                    saida_.tabular(ins.a);
                    break;
                case Operacao::dois_pontos:
                    if (esgotados()) return terminar();
                    break;
                case Operacao::edita_E:
                case Operacao::edita_I:
                    for (std::int32_t i = 0; i < ins.c; ++i) {
                        if (esgotados()) return terminar();
                        editar(ins);
                    }
                    break;
                case Operacao::abre_grupo:
                    // The compiler limits the depth, so the stack cannot overflow.
                    grupos_[topo_++] = {pc, ins.a, progresso()};
                    break;
                case Operacao::fecha_grupo: {
                    // A repetition that wrote nothing and took no item ran
                    // only tabs, scale factors and empty literals; every later
                    // one would do the same and leave the same state, so they
                    // are skipped: (32767(32767(32767(T5)))) ends at once.
                    Grupo& grupo = grupos_[topo_ - 1];
                    if (progresso() != grupo.marca && --grupo.restantes > 0) {
                        grupo.marca = progresso();
                        pc = grupo.inicio;
                    } else {
                        --topo_;
                    }
                    break;
                }
                case Operacao::fim:
                    if (esgotados()) return terminar();
                    if (!programa_.reversao_consome_itens) {
                        formato_invalido("items left but no edit descriptor to take them");
                    }
                    saida_.terminar_registro();
                    topo_ = 0;
                    pc = programa_.reversao;
                    continue;
            }
            ++pc;
        }
    }

private:
    struct Grupo {
        std::size_t inicio;
        std::int32_t restantes;
        std::uint64_t marca;  // progresso() when the current repetition began
    };

    bool esgotados() const { return proximo_ == itens_.size(); }
    std::uint64_t progresso() const { return saida_.producao() + proximo_; }

    void terminar() { saida_.terminar_registro(); }

    void editar(const Instrucao& ins) {
        const ItemFormato& item = itens_[proximo_++];
        if (ins.operacao == Operacao::edita_E) {
            if (item.tipo != ItemFormato::Tipo::real) {
                erros::relatar_erro(base::mensagem::inteiro_com_descritor_real, base::instrucao::write);
            }
            const int k = escala_;
            saida_.campo(ins.a, [&](char* s) { editar_E(item.real, ins.a, ins.b, k, s); });
        } else {
            if (item.tipo != ItemFormato::Tipo::inteiro) {
                erros::relatar_erro(base::mensagem::real_com_descritor_inteiro, base::instrucao::write);
            }
            saida_.campo(ins.a, [&](char* s) { editar_I(item.inteiro, ins.a, s); });
        }
    }

    const Programa& programa_;
    std::span<const ItemFormato> itens_;
    Emissor saida_;
    std::size_t proximo_ = 0;
    int escala_ = 0;
    std::array<Grupo, profundidade_maxima> grupos_;  // only entries below topo_ are read
    int topo_ = 0;
};

// Every cache made, one per thread that has formatted; they go with the
// process. One whose thread has ended stays until then: a few compiled formats.
class Caches {
public:
    Cache& nova() {
        const std::lock_guard trava(mutex_);
        return *todas_.emplace_back(std::make_unique<Cache>());
    }

private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<Cache>> todas_;
};

// The calling thread's cache, so that formatting takes no lock. The thread
// keeps only a pointer to it: a thread_local object with a destructor is not
// safe where thread-local storage is emulated (MinGW-w64's GCC), as a
// thread's end gives that storage back before it runs the destructor.
Cache& cache() {
    static Caches caches;
    thread_local Cache* do_fio = nullptr;
    if (do_fio == nullptr) do_fio = &caches.nova();
    return *do_fio;
}

}  // namespace

void formatar_registros(std::string_view formato, std::span<const ItemFormato> itens, DestinoRegistros& destino) {
    const Cache::Uso uso = cache().obter(formato);
    Interprete(uso.programa(), itens, destino).executar();
}

std::vector<std::string> formatar_registros(std::string_view formato, std::span<const ItemFormato> itens) {
    struct Coletor final : DestinoRegistros {
        std::vector<std::string> registros{std::string()};
        void texto(std::string_view bytes) override { registros.back().append(bytes); }
        void fim_registro() override { registros.emplace_back(); }
    } coletor;
    formatar_registros(formato, itens, coletor);
    coletor.registros.pop_back();
    return coletor.registros;
}

}  // namespace servicos::registros
