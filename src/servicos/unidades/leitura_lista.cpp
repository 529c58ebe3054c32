// The list-directed reader: finds the value of one item in the records of a
// byte source, takes it apart (null, repeat prefix, quoted, parenthesised or
// plain), converts it to the item's type and leaves the source at the start
// of the next record.
#include "servicos/unidades/leitura_lista.hpp"

#include <array>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

#include "servicos/base/mensagens.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/plataforma/plataforma.hpp"

namespace servicos::unidades {

namespace {

// Plain (unquoted) values are gathered in a buffer of this many characters; a
// longer one is refused with its own message rather than cut, because a cut
// number would silently read as a different value.
constexpr std::size_t tamanho_buffer_valor = 260;

constexpr int fim_dos_dados = FonteBytes::fim_dos_dados;
constexpr int fim_de_linha = terminador_fim_de_linha;  // LF, or CR LF, as one symbol
constexpr int nada_guardado = -3;

// ---------------------------------------------------------------------------
// The observer of the reads (none in the program). An observed read takes its
// bytes through a recording source; a failure is told to the observer, with
// what the read had taken, just before it is reported.

ObservadorLeitura* observador_instalado = nullptr;

class Observacao final : public FonteBytes {
public:
    explicit Observacao(FonteBytes& origem) : origem_(origem) { em_curso = this; }
    ~Observacao() { em_curso = nullptr; }
    Observacao(const Observacao&) = delete;
    Observacao& operator=(const Observacao&) = delete;

    int proximo() override {
        const int c = origem_.proximo();
        if (c != fim_dos_dados) consumido_.push_back(static_cast<char>(c));
        return c;
    }

    // The value as taken, before it is converted (a conversion may fail).
    void tomar(LeituraObservada::Forma forma, std::string_view valor, std::string_view contagem, int terminador) {
        relato_.forma = forma;
        valor_ = valor;
        contagem_ = contagem;
        relato_.terminador = terminador;
    }
    void contar(int falha) {
        relato_.consumido = consumido_;
        relato_.valor = valor_;
        relato_.contagem = contagem_;
        relato_.falha = falha;
        observador_instalado->leitura(relato_);
    }

    static inline Observacao* em_curso = nullptr;

private:
    FonteBytes& origem_;
    std::string consumido_, valor_, contagem_;
    LeituraObservada relato_;
};

[[noreturn]] void falhar(base::CodigoLeitura numero_mensagem) {
    if (Observacao::em_curso != nullptr) Observacao::em_curso->contar(numero_mensagem);
    erros::relatar_erro(numero_mensagem, base::instrucao::read);
}

// The source seen as characters and line ends. A CR counts as a line end when
// an LF or the end of the data follows it; anywhere else it is an ordinary
// character, and the byte read to decide that is kept for the next call.
class Leitor {
public:
    explicit Leitor(FonteBytes& fonte) : fonte_(fonte) {}

    int proximo() {
        const int c = byte();
        if (c != '\r') return c == '\n' ? fim_de_linha : c;
        const int seguinte = byte();
        if (seguinte == '\n' || seguinte == fim_dos_dados) return fim_de_linha;
        guardado_ = seguinte;
        return '\r';
    }

    // Passes over what is left of the current record, line end included.
    void descartar_registro() {
        int c = proximo();
        while (c != fim_de_linha && c != fim_dos_dados) c = proximo();
    }

private:
    int byte() {
        if (guardado_ == nada_guardado) return fonte_.proximo();
        const int c = guardado_;
        guardado_ = nada_guardado;
        return c;
    }

    FonteBytes& fonte_;
    int guardado_ = nada_guardado;
};

bool branco(int c) { return c == ' ' || c == '\t'; }
bool fim_de_registro(int c) { return c == fim_de_linha || c == fim_dos_dados; }
bool separador(int c) { return branco(c) || c == ',' || c == '/' || fim_de_registro(c); }
bool aspas(int c) { return c == '\'' || c == '"'; }

// A value once taken from the records; `nulo` leaves the item unchanged.
// `terminador` and `contagem` say how it was taken: what ended it (see
// LeituraObservada) and the count of its repeat prefix.
struct Valor {
    using Forma = LeituraObservada::Forma;
    Forma forma = Forma::nulo;
    std::string caracteres{};
    int terminador = 0;
    std::string contagem{};
};

// What the item accepts: numbers refuse quoted and parenthesised values, a
// character item keeps only as many characters as it has positions.
struct Destino {
    bool aceita_texto;
    std::size_t posicoes;
};

// ---------------------------------------------------------------------------
// Conversion of the characters of a value.

// Radix integers take bases 2 to 36: the ten decimal digits and 26 letters.
constexpr int maior_base = 36;

// The value of a character that is a digit in no base.
constexpr int nao_e_digito = maior_base + 1;

int valor_do_digito(char caractere) {
    const auto c = static_cast<unsigned char>(caractere);
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return nao_e_digito;
}

// The base before a '#': decimal digits from 2 to 36; none at all means 16.
int base_do_radical(std::string_view texto) {
    if (texto.empty()) return 16;
    int base = 0;
    for (const char c : texto) {
        if (valor_do_digito(c) > 9) falhar(base::mensagem::inteiro_invalido);
        if (base <= maior_base) base = base * 10 + valor_do_digito(c);  // stops growing once it is too large
    }
    if (base < 2 || base > maior_base) falhar(base::mensagem::base_invalida);
    return base;
}

// Optional sign, then decimal digits or base#digits (#digits for base 16).
// The magnitude stops growing past 2^31, so digit strings of any length are
// judged without overflow.
std::int32_t converter_inteiro(std::string_view texto) {
    const bool negativo = !texto.empty() && texto.front() == '-';
    if (!texto.empty() && (texto.front() == '-' || texto.front() == '+')) texto.remove_prefix(1);
    int base = 10;
    if (const std::size_t sustenido = texto.find('#'); sustenido != std::string_view::npos) {
        if (texto.find('#', sustenido + 1) != std::string_view::npos) falhar(base::mensagem::segundo_sustenido);
        base = base_do_radical(texto.substr(0, sustenido));
        texto.remove_prefix(sustenido + 1);
    }
    if (texto.empty()) falhar(base::mensagem::inteiro_invalido);
    constexpr std::uint64_t dois_a_31 = 2147483648u;
    std::uint64_t magnitude = 0;
    for (const char c : texto) {
        const int digito = valor_do_digito(c);
        if (digito >= base) falhar(base::mensagem::inteiro_invalido);
        if (magnitude <= dois_a_31) magnitude = magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digito);
    }
    if (magnitude > (negativo ? dois_a_31 : dois_a_31 - 1)) falhar(base::mensagem::inteiro_fora_da_faixa);
    return negativo ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude)) : static_cast<std::int32_t>(magnitude);
}

// Copies a real value into `normal` in the form strtod reads (exponent letter
// 'e'), checking the syntax on the way: sign, digits with at most one point
// (at least one digit), then E/e/D/d with optional sign and digits, or a sign
// and digits right after the mantissa. Returns false when anything is left.
class NormalReal {
public:
    bool copiar(std::string_view texto) {
        texto_ = texto;
        copiar_sinal();
        std::size_t digitos = copiar_digitos();
        if (posicao_ < texto_.size() && texto_[posicao_] == '.') {
            acrescentar('.');
            ++posicao_;
            digitos += copiar_digitos();
        }
        if (digitos == 0) return false;
        if (posicao_ < texto_.size() && !copiar_expoente()) return false;
        return posicao_ == texto_.size();
    }
    const char* texto() {
        bytes_[tamanho_] = '\0';
        return bytes_.data();
    }

private:
    void acrescentar(char c) {
        if (tamanho_ + 1 < bytes_.size()) bytes_[tamanho_++] = c;
    }
    void copiar_sinal() {
        if (posicao_ < texto_.size() && (texto_[posicao_] == '+' || texto_[posicao_] == '-')) acrescentar(texto_[posicao_++]);
    }
    std::size_t copiar_digitos() {
        const std::size_t inicio = posicao_;
        while (posicao_ < texto_.size() && texto_[posicao_] >= '0' && texto_[posicao_] <= '9') acrescentar(texto_[posicao_++]);
        return posicao_ - inicio;
    }
    bool copiar_expoente() {
        const char c = texto_[posicao_];
        const bool letra = c == 'E' || c == 'e' || c == 'D' || c == 'd';
        if (!letra && c != '+' && c != '-') return false;
        if (letra) ++posicao_;
        acrescentar('e');
        copiar_sinal();
        return copiar_digitos() > 0;
    }

    std::string_view texto_;
    std::size_t posicao_ = 0;
    std::array<char, tamanho_buffer_valor + 4> bytes_{};  // room for the added 'e' and the terminator
    std::size_t tamanho_ = 0;
};

// The correctly rounded double of a real value. The conversion runs with the
// floating-point traps held and the flags restored afterwards, so a value
// beyond the range is reported here and never as an arithmetic trap; a value
// below the range gives zero or a subnormal silently.
double converter_real(std::string_view texto) {
    if (texto.size() > tamanho_buffer_valor) falhar(base::mensagem::valor_longo_demais);
    NormalReal normal;
    if (!normal.copiar(texto)) falhar(base::mensagem::real_invalido);
    double valor;
    {
        const plataforma::ArmadilhasRetidas retidas;
        valor = std::strtod(normal.texto(), nullptr);
    }
    if (std::isinf(valor)) falhar(base::mensagem::real_fora_da_faixa);
    return valor;
}

// ---------------------------------------------------------------------------
// Taking a value from the records.

// Keeps the first `posicoes` characters; the rest are counted out but dropped.
void guardar(std::string& caracteres, std::size_t posicoes, int c) {
    if (caracteres.size() < posicoes) caracteres.push_back(static_cast<char>(c));
}

// Skips blanks, tabs and whole empty or blank records up to the first
// character of the value.
int primeiro_caractere(Leitor& leitor) {
    int c = leitor.proximo();
    while (branco(c) || c == fim_de_linha) c = leitor.proximo();
    if (c == fim_dos_dados) falhar(base::mensagem::fim_de_arquivo);
    return c;
}

// A quoted string, after its opening quote. A doubled quote stands for one; a
// line end inside it is not part of the value and the first character of the
// continuation record is dropped. The character after the closing quote acts
// as the separator, so the rest of its record is discarded.
Valor ler_entre_aspas(Leitor& leitor, int aspa, std::size_t posicoes) {
    Valor valor{Valor::Forma::entre_aspas, {}};
    bool pular_primeiro = false;
    for (;;) {
        const int c = leitor.proximo();
        if (c == fim_dos_dados) falhar(base::mensagem::fim_de_arquivo);
        if (c == fim_de_linha) {
            pular_primeiro = true;
        } else if (pular_primeiro) {
            pular_primeiro = false;
        } else if (c != aspa) {
            guardar(valor.caracteres, posicoes, c);
        } else {
            const int seguinte = leitor.proximo();
            if (seguinte != aspa) {
                if (!fim_de_registro(seguinte)) leitor.descartar_registro();
                if (valor.caracteres.empty()) valor.forma = Valor::Forma::nulo;
                valor.terminador = aspa;
                return valor;
            }
            guardar(valor.caracteres, posicoes, aspa);
        }
    }
}

// A parenthesised value, after its '(': up to the next ')', blanks and line
// ends dropped, commas kept. The rest of the record after the ')' is discarded.
Valor ler_entre_parenteses(Leitor& leitor, std::size_t posicoes) {
    Valor valor{Valor::Forma::entre_parenteses, {}};
    for (int c = leitor.proximo(); c != ')'; c = leitor.proximo()) {
        if (c == fim_dos_dados) falhar(base::mensagem::fim_de_arquivo);
        if (!branco(c) && c != fim_de_linha) guardar(valor.caracteres, posicoes, c);
    }
    leitor.descartar_registro();
    valor.terminador = ')';
    return valor;
}

// A plain value from its first character `c` up to a separator or an
// asterisk; the character that stopped it is returned in `c`.
std::string ler_simples(Leitor& leitor, int& c) {
    std::string caracteres;
    while (!separador(c) && c != '*') {
        if (caracteres.size() == tamanho_buffer_valor) falhar(base::mensagem::valor_longo_demais);
        caracteres.push_back(static_cast<char>(c));
        c = leitor.proximo();
    }
    return caracteres;
}

// The count of a repeat prefix is an integer of at least 1; with one item
// per read only the first copy of the value is used.
void conferir_repeticao(std::string_view contagem) {
    if (converter_inteiro(contagem) < 1) falhar(base::mensagem::repeticao_zero);
}

// The value whose first character is `c`. After a repeat prefix the same
// forms may follow, but no second prefix.
Valor ler_a_partir_de(Leitor& leitor, int c, const Destino& destino, bool apos_repeticao) {
    if (fim_de_registro(c)) return {.terminador = c};  // only after an asterisk: the line end itself ended it
    if (branco(c) || c == ',' || c == '/') {
        leitor.descartar_registro();
        return {.terminador = c};
    }
    if ((aspas(c) || c == '(') && !destino.aceita_texto) falhar(base::mensagem::texto_para_numero);
    if (aspas(c)) return ler_entre_aspas(leitor, c, destino.posicoes);
    if (c == '(') return ler_entre_parenteses(leitor, destino.posicoes);

    Valor valor{Valor::Forma::simples, ler_simples(leitor, c)};
    if (c == '*') {
        if (apos_repeticao) falhar(base::mensagem::repeticao_dupla);
        conferir_repeticao(valor.caracteres);
        Valor repetido = ler_a_partir_de(leitor, leitor.proximo(), destino, true);
        repetido.contagem = std::move(valor.caracteres);
        return repetido;
    }
    if (!fim_de_registro(c)) leitor.descartar_registro();
    valor.terminador = c;
    return valor;
}

Valor ler_valor(FonteBytes& fonte, const Destino& destino) {
    Leitor leitor(fonte);
    return ler_a_partir_de(leitor, primeiro_caractere(leitor), destino, false);
}

// One read of one item: the value is taken, then `guardar` converts and
// stores it unless it is null. Observed, the same steps run on the same bytes.
template <typename Guardar>
void ler_item(FonteBytes& fonte, const Destino& destino, Guardar guardar) {
    if (observador_instalado == nullptr) {
        const Valor lido = ler_valor(fonte, destino);
        if (lido.forma != Valor::Forma::nulo) guardar(lido.caracteres);
        return;
    }
    Observacao observacao(fonte);
    const Valor lido = ler_valor(observacao, destino);
    observacao.tomar(lido.forma, lido.caracteres, lido.contagem, lido.terminador);
    if (lido.forma != Valor::Forma::nulo) guardar(lido.caracteres);
    observacao.contar(0);
}

}  // namespace

void ler_lista(FonteBytes& fonte, double& valor) {
    ler_item(fonte, Destino{false, 0}, [&](const std::string& caracteres) { valor = converter_real(caracteres); });
}

void ler_lista(FonteBytes& fonte, std::int32_t& valor) {
    ler_item(fonte, Destino{false, 0}, [&](const std::string& caracteres) { valor = converter_inteiro(caracteres); });
}

void ler_lista(FonteBytes& fonte, std::span<char> texto) {
    ler_item(fonte, Destino{true, texto.size()}, [&](const std::string& caracteres) {
        std::size_t posicao = 0;
        for (; posicao < caracteres.size() && posicao < texto.size(); ++posicao) texto[posicao] = caracteres[posicao];
        for (; posicao < texto.size(); ++posicao) texto[posicao] = ' ';
    });
}

void observar_leituras(ObservadorLeitura* observador) { observador_instalado = observador; }

}  // namespace servicos::unidades
