// The list-directed reader: values, null values, repeat prefixes, quoted and
// parenthesised text, the failures, and where each read leaves the source.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cfenv>
#include <cfloat>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "servicos/erros/erros.hpp"
#include "servicos/plataforma/plataforma.hpp"
#include "servicos/unidades/leitura_lista.hpp"

namespace {

using namespace std::string_literals;
using servicos::erros::FalhaRelatada;

// A byte source over a string. Reads past the end keep answering "end of
// data", but too many of them mean a reader that no longer makes progress.
// It keeps the bytes handed out since the last observed read (see below).
class FonteTexto final : public servicos::unidades::FonteBytes {
public:
    explicit FonteTexto(std::string bytes) : bytes_(std::move(bytes)) { ativa = this; }
    ~FonteTexto() { ativa = nullptr; }
    int proximo() override {
        if (posicao_ < bytes_.size()) {
            entregues += bytes_[posicao_];
            return static_cast<unsigned char>(bytes_[posicao_++]);
        }
        if (++leituras_apos_fim_ > 100) throw std::runtime_error("reader keeps reading past the end");
        return fim_dos_dados;
    }
    std::string restante() const { return bytes_.substr(posicao_); }

    static inline FonteTexto* ativa = nullptr;
    std::string entregues;

private:
    std::string bytes_;
    std::size_t posicao_ = 0;
    int leituras_apos_fim_ = 0;
};

// Every test runs twice: as the program reads, and with an observer of the
// reads installed, as the study's input explainer reads. The results must be
// the same, and the observer must be told of every read with exactly the
// bytes it took from the source and the failure it ends in.
class Observador final : public servicos::unidades::ObservadorLeitura {
public:
    void leitura(const servicos::unidades::LeituraObservada& lida) override {
        ++leituras;
        ultima_falha = lida.falha;
        if (FonteTexto* fonte = FonteTexto::ativa) {
            EXPECT_EQ(lida.consumido, fonte->entregues);
            fonte->entregues.clear();
        }
    }
    int leituras = 0;
    int ultima_falha = 0;
};

constexpr int sem_falha = 0;
constexpr double real_inicial = -777.0;
constexpr std::int32_t inteiro_inicial = -777;
constexpr std::size_t posicoes_texto = 100;

// Reads one item and gives back the report code (6000 plus the message
// number, 0 when the read succeeded).
Observador* observador_ativo = nullptr;

template <typename T>
int ler(FonteTexto& fonte, T&& valor) {
    const int antes = observador_ativo ? observador_ativo->leituras : 0;
    int codigo = sem_falha;
    try {
        servicos::unidades::ler_lista(fonte, valor);
    } catch (const FalhaRelatada& falha) {
        EXPECT_EQ(falha.tipo, servicos::base::TipoInstrucao::read);
        codigo = 6000 + falha.numero_mensagem;
    }
    if (observador_ativo) {
        EXPECT_EQ(observador_ativo->leituras, antes + 1);
        EXPECT_EQ(observador_ativo->ultima_falha, codigo == sem_falha ? 0 : codigo - 6000);
    }
    return codigo;
}

class LeituraLista : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        servicos::erros::definir_modo_teste(true);
        if (GetParam()) {
            observador_ativo = &observador_;
            servicos::unidades::observar_leituras(&observador_);
        }
    }
    void TearDown() override {
        servicos::unidades::observar_leituras(nullptr);
        observador_ativo = nullptr;
    }

private:
    Observador observador_;
};

std::string repetir(char c, std::size_t vezes) { return std::string(vezes, c); }

// Between apostrophes; appended, since GCC 12 misreads the insert of
// "'" + texto as an overlapping copy when optimising.
std::string apostrofos(const std::string& texto) {
    std::string entre = "'";
    entre += texto;
    entre += '\'';
    return entre;
}

// ---------------------------------------------------------------------------
// Reals.

struct CasoReal {
    std::string entrada;
    double esperado;  // real_inicial: the variable is left as it was
    int codigo;
};

TEST_P(LeituraLista, Reais) {
    const std::vector<CasoReal> casos = {
        {"0,5", 0.0, sem_falha},
        {"1.0 comprimento", 1.0, sem_falha},
        {"1.0\tcomprimento", 1.0, sem_falha},
        {"1.0/", 1.0, sem_falha},
        {"\n\n   \n\t \r\n  1.0", 1.0, sem_falha},
        {"21", 21.0, sem_falha},
        {"1.5D-3", 0.0015, sem_falha},
        {"1.5d-3", 0.0015, sem_falha},
        {"1.5e-3", 0.0015, sem_falha},
        {"1.5E-3", 0.0015, sem_falha},
        {"1.5-3", 0.0015, sem_falha},
        {"15-4", 0.0015, sem_falha},
        {"1.5+3", 1500.0, sem_falha},
        {"1.5e+3", 1500.0, sem_falha},
        {"+5", 5.0, sem_falha},
        {".5", 0.5, sem_falha},
        {"-.5", -0.5, sem_falha},
        {"5.", 5.0, sem_falha},
        {"-0", -0.0, sem_falha},
        {"0.1", 0.1, sem_falha},
        {"9007199254740993", 9007199254740992.0, sem_falha},
        {"2.2250738585072011e-308", 2.2250738585072011e-308, sem_falha},
        {"1.7976931348623157e308", DBL_MAX, sem_falha},
        {"4.9e-324", 4.9e-324, sem_falha},
        {"1e-400", 0.0, sem_falha},
        {"-1d-99999999999999999999", -0.0, sem_falha},
        {"1e400", real_inicial, 6102},
        {"-1e999", real_inicial, 6102},
        {"1.8e308", real_inicial, 6102},
        {"1e99999999999999999999", real_inicial, 6102},
        // Whatever the syntax does not use up.
        {"1.0!m", real_inicial, 6103},
        {"1.0x", real_inicial, 6103},
        {"abc", real_inicial, 6103},
        {".", real_inicial, 6103},
        {"+", real_inicial, 6103},
        {"-", real_inicial, 6103},
        {"e5", real_inicial, 6103},
        {"1.5e", real_inicial, 6103},
        {"1.5e+", real_inicial, 6103},
        {"1.5--3", real_inicial, 6103},
        {"1.2.3", real_inicial, 6103},
        {"1e5.0", real_inicial, 6103},
        {"inf", real_inicial, 6103},
        {"nan", real_inicial, 6103},
        {"0x10", real_inicial, 6103},
        {"16#FF", real_inicial, 6103},
        {"1.0\rx", real_inicial, 6103},
        {"1\0"s, real_inicial, 6103},
        // Null values.
        {",", real_inicial, sem_falha},
        {"  ,5", real_inicial, sem_falha},
        {"/", real_inicial, sem_falha},
        {"\n/ 5", real_inicial, sem_falha},
        // Repeat prefixes.
        {"3*2.5", 2.5, sem_falha},
        {"16#A*2.5", 2.5, sem_falha},
        {"3* 2.5", real_inicial, sem_falha},
        {"3*,2.5", real_inicial, sem_falha},
        {"3*/", real_inicial, sem_falha},
        {"3*", real_inicial, sem_falha},
        {"0*2.5", real_inicial, 6502},
        {"-1*2.5", real_inicial, 6502},
        {"2*3*4", real_inicial, 6503},
        {"x*5", real_inicial, 6101},
        {"*5", real_inicial, 6101},
        {"99999999999*5", real_inicial, 6100},
        // Text where a number is wanted.
        {"'1.0'", real_inicial, 6504},
        {"\"1.0\"", real_inicial, 6504},
        {"(1.0,2.0)", real_inicial, 6504},
        {"3*'1.0'", real_inicial, 6504},
        // No value before the end of the data.
        {"", real_inicial, 6501},
        {"  \n\t\n\r\n", real_inicial, 6501},
        // The value buffer holds 260 characters.
        {repetir('0', 259) + "1", 1.0, sem_falha},
        {repetir('0', 260) + "1", real_inicial, 6505},
    };
    for (const CasoReal& caso : casos) {
        FonteTexto fonte(caso.entrada);
        double valor = real_inicial;
        EXPECT_EQ(ler(fonte, valor), caso.codigo) << caso.entrada;
        EXPECT_EQ(valor, caso.esperado) << caso.entrada;
        EXPECT_EQ(std::signbit(valor), std::signbit(caso.esperado)) << caso.entrada;
    }
}

// ---------------------------------------------------------------------------
// Integers.

struct CasoInteiro {
    std::string entrada;
    std::int32_t esperado;  // inteiro_inicial: left as it was
    int codigo;
};

TEST_P(LeituraLista, Inteiros) {
    const std::vector<CasoInteiro> casos = {
        {"21", 21, sem_falha},
        {"21       nos", 21, sem_falha},
        {"0,5", 0, sem_falha},
        {"+5", 5, sem_falha},
        {"-5", -5, sem_falha},
        {"2147483647", INT32_MAX, sem_falha},
        {"-2147483648", INT32_MIN, sem_falha},
        {"000000000000000000000000000000021", 21, sem_falha},
        {"2147483648", inteiro_inicial, 6100},
        {"-2147483649", inteiro_inicial, 6100},
        {"99999999999999999999999999999999999999", inteiro_inicial, 6100},
        {"21.0", inteiro_inicial, 6101},
        {"1e3", inteiro_inicial, 6101},
        {"21a", inteiro_inicial, 6101},
        {"+", inteiro_inicial, 6101},
        {"--5", inteiro_inicial, 6101},
        {"99999999999999999999a", inteiro_inicial, 6101},
        // Radix forms.
        {"16#FF", 255, sem_falha},
        {"#ff", 255, sem_falha},
        {"2#101", 5, sem_falha},
        {"36#zZ", 1295, sem_falha},
        {"-16#FF", -255, sem_falha},
        {"#7FFFFFFF", INT32_MAX, sem_falha},
        {"-#80000000", INT32_MIN, sem_falha},
        {"#80000000", inteiro_inicial, 6100},
        {"2#" + repetir('1', 200), inteiro_inicial, 6100},
        {"37#1", inteiro_inicial, 6303},
        {"1#1", inteiro_inicial, 6303},
        {"0#1", inteiro_inicial, 6303},
        {"99999999999999999999#1", inteiro_inicial, 6303},
        {"16#F#F", inteiro_inicial, 6302},
        {"##", inteiro_inicial, 6302},
        {"8#9", inteiro_inicial, 6101},
        {"2#2", inteiro_inicial, 6101},
        {"16#", inteiro_inicial, 6101},
        {"#", inteiro_inicial, 6101},
        {"x#1", inteiro_inicial, 6101},
        {"16#+F", inteiro_inicial, 6101},
        // Null values and repeat prefixes.
        {",", inteiro_inicial, sem_falha},
        {"/", inteiro_inicial, sem_falha},
        {"3*21", 21, sem_falha},
        {"3* x", inteiro_inicial, sem_falha},
        {"3*\t21", inteiro_inicial, sem_falha},
        {"0*21", inteiro_inicial, 6502},
        {"3*0*21", inteiro_inicial, 6503},
        {"3*21.0", inteiro_inicial, 6101},
        {"'21'", inteiro_inicial, 6504},
        {"(1,2)", inteiro_inicial, 6504},
        {"", inteiro_inicial, 6501},
    };
    for (const CasoInteiro& caso : casos) {
        FonteTexto fonte(caso.entrada);
        std::int32_t valor = inteiro_inicial;
        EXPECT_EQ(ler(fonte, valor), caso.codigo) << caso.entrada;
        EXPECT_EQ(valor, caso.esperado) << caso.entrada;
    }
}

// ---------------------------------------------------------------------------
// Character values.

struct CasoTexto {
    std::string entrada;
    std::optional<std::string> esperado;  // nullopt: left as it was
    int codigo;
};

std::string como_texto(const std::array<char, posicoes_texto>& texto) { return std::string(texto.begin(), texto.end()); }

std::string preenchido(std::string valor) {
    valor.resize(posicoes_texto, ' ');
    return valor;
}

TEST_P(LeituraLista, Textos) {
    const std::string inicial = repetir('@', posicoes_texto);
    const std::vector<CasoTexto> casos = {
        {"listagem.txt", "listagem.txt", sem_falha},
        {"'meu resultado.txt'", "meu resultado.txt", sem_falha},
        {"meu resultado.txt", "meu", sem_falha},
        {"\"a, b/c\"", "a, b/c", sem_falha},
        {"'a''b'", "a'b", sem_falha},
        {"\"a\"\"b\"", "a\"b", sem_falha},
        {"'a\"b'", "a\"b", sem_falha},
        {"''''", "'", sem_falha},
        {"'abc'def", "abc", sem_falha},
        {"a'b", "a'b", sem_falha},
        {"a/b", "a", sem_falha},
        {"a,b", "a", sem_falha},
        {"a(b)", "a(b)", sem_falha},
        {"'ab\n?cd'", "abcd", sem_falha},
        {"'ab\r\n?cd'", "abcd", sem_falha},
        {"'ab\n\n?cd'", "abcd", sem_falha},
        {"'ab\n'cd'", "abcd", sem_falha},
        {"(a b,\tc)", "ab,c", sem_falha},
        {"(a\nb) x", "ab", sem_falha},
        {"((a)", "(a", sem_falha},
        {"()", "", sem_falha},
        {"3*nome", "nome", sem_falha},
        {"3*'a b'", "a b", sem_falha},
        {"3*(a, b)", "a,b", sem_falha},
        {"a\r\x01\xe9\0b"s, "a\r\x01\xe9\0b"s, sem_falha},
        {apostrofos(repetir('x', 150)), repetir('x', 100), sem_falha},
        {repetir('y', 150), repetir('y', 100), sem_falha},
        {repetir('y', 260), repetir('y', 100), sem_falha},
        {repetir('y', 261), std::nullopt, 6505},
        {"''", std::nullopt, sem_falha},
        {"\"\" x", std::nullopt, sem_falha},
        {",a", std::nullopt, sem_falha},
        {"/", std::nullopt, sem_falha},
        {"3*''", std::nullopt, sem_falha},
        {"3* nome", std::nullopt, sem_falha},
        {"'abc", std::nullopt, 6501},
        {"'abc\n", std::nullopt, 6501},
        {"(abc", std::nullopt, 6501},
        {"", std::nullopt, 6501},
        {"2*3*x", std::nullopt, 6503},
        {"nome*x", std::nullopt, 6101},
        {"0*x", std::nullopt, 6502},
    };
    for (const CasoTexto& caso : casos) {
        FonteTexto fonte(caso.entrada);
        std::array<char, posicoes_texto> texto;
        std::fill(texto.begin(), texto.end(), '@');
        EXPECT_EQ(ler(fonte, std::span<char>(texto)), caso.codigo) << caso.entrada;
        EXPECT_EQ(como_texto(texto), caso.esperado ? preenchido(*caso.esperado) : inicial) << caso.entrada;
    }
}

TEST_P(LeituraLista, TextoCurtoGuardaSoSuasPosicoes) {
    std::array<char, 6> memoria{'@', '@', '@', '@', '@', '@'};
    FonteTexto fonte("'abcdefgh'");
    EXPECT_EQ(ler(fonte, std::span<char>(memoria.data(), 4)), sem_falha);
    EXPECT_EQ(std::string(memoria.begin(), memoria.end()), "abcd@@");
    FonteTexto curta("ab");
    EXPECT_EQ(ler(curta, std::span<char>(memoria.data(), 4)), sem_falha);
    EXPECT_EQ(std::string(memoria.begin(), memoria.end()), "ab  @@");
}

// ---------------------------------------------------------------------------
// Where a read leaves the source: at the start of the record after the one
// it ended in.

struct CasoPosicao {
    std::string entrada;
    std::string restante;
};

TEST_P(LeituraLista, CadaLeituraTerminaNoInicioDoProximoRegistro) {
    const std::vector<CasoPosicao> casos = {
        {"1.0 comprimento\nseguinte", "seguinte"},
        {"1.0\nseguinte", "seguinte"},
        {"1.0\r\nseguinte", "seguinte"},
        {"1.0", ""},
        {"\n\n  1.0 x\r\nseguinte\n", "seguinte\n"},
        {",\nseguinte", "seguinte"},
        {"/ 5\nseguinte", "seguinte"},
        {"5/ x\nseguinte", "seguinte"},
        {"3* 5\nseguinte", "seguinte"},
        // An asterisk ended by the line end: the next read starts on the very next line.
        {"3*\nseguinte\nmais", "seguinte\nmais"},
        {"3*\r\nseguinte", "seguinte"},
        {"(1,2) x\nseguinte", "seguinte"},
        {"(1,2)\nseguinte", "seguinte"},
        {"'1'\nseguinte", "seguinte"},
        {"'1' x\nseguinte", "seguinte"},
        {"'a\n!b'\nseguinte", "seguinte"},
        {"'' x\nseguinte", "seguinte"},
    };
    for (const CasoPosicao& caso : casos) {
        FonteTexto fonte(caso.entrada);
        std::array<char, posicoes_texto> texto{};
        EXPECT_EQ(ler(fonte, std::span<char>(texto)), sem_falha) << caso.entrada;
        EXPECT_EQ(fonte.restante(), caso.restante) << caso.entrada;
    }
}

// ---------------------------------------------------------------------------
// The ten data of an input file, in the program's order.

struct Dados {
    std::array<char, posicoes_texto> arq_saida{};
    double Lx = 0.0;
    std::int32_t Nx = 0;
    double tf = 0.0;
    std::int32_t Nt = 0;
    double Ti = 0.0, theta = 0.0, k = 0.0, ro = 0.0, cp = 0.0;
};

// Reads the ten data; the report code of the failure, or 0.
int ler_dados(FonteTexto& fonte, Dados& d) {
    try {
        servicos::unidades::ler_lista(fonte, std::span<char>(d.arq_saida));
        servicos::unidades::ler_lista(fonte, d.Lx);
        servicos::unidades::ler_lista(fonte, d.Nx);
        servicos::unidades::ler_lista(fonte, d.tf);
        servicos::unidades::ler_lista(fonte, d.Nt);
        for (double* real : {&d.Ti, &d.theta, &d.k, &d.ro, &d.cp}) servicos::unidades::ler_lista(fonte, *real);
        return sem_falha;
    } catch (const FalhaRelatada& falha) {
        return 6000 + falha.numero_mensagem;
    }
}

std::string conteudo(const std::string& nome) {
    std::ifstream arquivo(std::string(DIFUSAO_DADOS_TESTE) + "/entradas/" + nome, std::ios::binary);
    EXPECT_TRUE(arquivo) << nome;
    return std::string(std::istreambuf_iterator<char>(arquivo), {});
}

TEST_P(LeituraLista, ArquivoDeExemplo) {
    FonteTexto fonte(conteudo("exemplo.ent"));
    Dados d;
    ASSERT_EQ(ler_dados(fonte, d), sem_falha);
    EXPECT_EQ(como_texto(d.arq_saida), preenchido("listagem.txt"));
    EXPECT_EQ(d.Lx, 1.0);
    EXPECT_EQ(d.Nx, 21);
    EXPECT_EQ(d.tf, 600.0);
    EXPECT_EQ(d.Nt, 600);
    EXPECT_EQ(d.Ti, 100.0);
    EXPECT_EQ(d.theta, 0.5);
    EXPECT_EQ(d.k, 45.0);
    EXPECT_EQ(d.ro, 800.0);
    EXPECT_EQ(d.cp, 460.0);
    EXPECT_EQ(fonte.restante(), "");
}

TEST_P(LeituraLista, ArquivoComCrLfENomeEntreAspas) {
    FonteTexto fonte(conteudo("explicito_par.ent"));
    Dados d;
    ASSERT_EQ(ler_dados(fonte, d), sem_falha);
    EXPECT_EQ(como_texto(d.arq_saida), preenchido("explicito par.lst"));
    EXPECT_EQ(d.Lx, 2.0);
    EXPECT_EQ(d.Nx, 8);
    EXPECT_EQ(d.tf, 30.0);
    EXPECT_EQ(d.Nt, 30);
    EXPECT_EQ(d.Ti, -50.0);
    EXPECT_EQ(d.theta, 0.0);
    EXPECT_EQ(d.k, 1.0);
    EXPECT_EQ(d.ro, 1.0);
    EXPECT_EQ(d.cp, 1.0);
}

TEST_P(LeituraLista, SequenciasDeLeituras) {
    // Null values, blank lines and free text between values; further lines after the tenth are never read.
    FonteTexto fonte("\n  \nsaida.txt resto\n,\n3*7 nos\n\n\t/\n16#1F\n1.5-3\n0,5\n+5\n.5 x\n1e2\nnao lido\n");
    Dados d;
    std::fill(d.arq_saida.begin(), d.arq_saida.end(), '@');
    ASSERT_EQ(ler_dados(fonte, d), sem_falha);
    EXPECT_EQ(como_texto(d.arq_saida), preenchido("saida.txt"));
    EXPECT_EQ(d.Lx, 0.0);
    EXPECT_EQ(d.Nx, 7);
    EXPECT_EQ(d.tf, 0.0);
    EXPECT_EQ(d.Nt, 31);
    EXPECT_EQ(d.Ti, 0.0015);
    EXPECT_EQ(d.theta, 0.0);
    EXPECT_EQ(d.k, 5.0);
    EXPECT_EQ(d.ro, 0.5);
    EXPECT_EQ(d.cp, 100.0);
    EXPECT_EQ(fonte.restante(), "nao lido\n");
}

TEST_P(LeituraLista, FaltaODecimoValor) {
    FonteTexto fonte("a\n1\n2\n3\n4\n5\n6\n7\n8\n");
    Dados d;
    EXPECT_EQ(ler_dados(fonte, d), 6501);
    EXPECT_EQ(d.ro, 8.0);
    EXPECT_EQ(d.cp, 0.0);
}

TEST_P(LeituraLista, FalhaNaoTocaAsVariaveisSeguintes) {
    FonteTexto fonte("a\n1\n21.0\n3\n4\n");
    Dados d;
    EXPECT_EQ(ler_dados(fonte, d), 6101);
    EXPECT_EQ(d.Lx, 1.0);
    EXPECT_EQ(d.Nx, 0);
    EXPECT_EQ(d.tf, 0.0);
}

// ---------------------------------------------------------------------------
// The conversion of reals under the program's floating-point traps.

#if defined(__GLIBC__)
TEST_P(LeituraLista, ConversaoNaoDisparaArmadilhas) {
    feclearexcept(FE_ALL_EXCEPT);
    feenableexcept(servicos::plataforma::falhas_armadas);
    std::vector<int> codigos;
    for (const char* entrada : {"1e999", "-1e400", "1e-999", "4.9e-325", "1.7976931348623159e308", "0.1"}) {
        FonteTexto fonte(entrada);
        double valor = 0.0;
        codigos.push_back(ler(fonte, valor));
    }
    const int armadas = fegetexcept();
    fedisableexcept(FE_ALL_EXCEPT);
    EXPECT_EQ(armadas, servicos::plataforma::falhas_armadas);
    EXPECT_EQ(codigos, (std::vector<int>{6102, 6102, 0, 0, 6102, 0}));
    EXPECT_EQ(fetestexcept(servicos::plataforma::falhas_armadas), 0);
}
#endif

// ---------------------------------------------------------------------------
// Arbitrary bytes: ten reads always end in ten values or one report from the
// reader's own codes, with no floating-point flag left raised.

// Ten lines of plausible values and separators with a few bytes changed at
// random, so that the reads get deep into every form and often complete.
std::string bytes_aleatorios(std::mt19937& gerador) {
    static const std::vector<std::string> inteiros = {"21", "-5", "16#FF", "#7f", "3*21", ",", "/", "3* ", "3*"};
    static const std::vector<std::string> reais = {"1.0", "21", ".5", "1.5-3", "2D3", "1e-400", ",", "/", "3*2.5"};
    static const std::vector<std::string> quaisquer = {
        "1e400", "99999999999", "37#1", "1#1#1", "0*2", "2*3*4", "'a b'", "'a''b'", "\"x\"", "''", "(1, 2)",
        "'ab\n?c'", "'aberto", "(aberto", " ", "\t", "x", "\r", "", std::string(261, '7')};
    static const std::string frequentes = " \t\r\n,/*#'\"()+-.eEdD0123456789azAZ!";
    std::uniform_int_distribution<int> mudancas(0, 3), byte(0, 255), moeda(0, 1), quarto(0, 3);
    auto sortear = [&](const std::vector<std::string>& lista) {
        return lista[std::uniform_int_distribution<std::size_t>(0, lista.size() - 1)(gerador)];
    };
    std::string bytes;
    for (int linha = 0; linha < 10; ++linha) {
        const bool inteiro = linha == 2 || linha == 4;
        bytes += quarto(gerador) == 0 ? sortear(quaisquer) : sortear(inteiro ? inteiros : reais);
        bytes += moeda(gerador) ? " texto\n" : "\r\n";
    }
    for (int n = mudancas(gerador); n > 0; --n) {
        std::uniform_int_distribution<std::size_t> posicao(0, bytes.size() - 1);
        const char novo = moeda(gerador) ? static_cast<char>(byte(gerador))
                                         : frequentes[std::uniform_int_distribution<std::size_t>(0, frequentes.size() - 1)(gerador)];
        if (moeda(gerador)) bytes[posicao(gerador)] = novo;
        else bytes.insert(posicao(gerador), 1, novo);
    }
    if (quarto(gerador) == 0) bytes.resize(std::uniform_int_distribution<std::size_t>(0, bytes.size())(gerador));
    return bytes;
}

TEST_P(LeituraLista, BytesArbitrariosNuncaQuebramOLeitor) {
    const std::set<int> codigos_do_leitor = {6100, 6101, 6102, 6103, 6302, 6303, 6501, 6502, 6503, 6504, 6505};
    std::mt19937 gerador(20240611);
    int completas = 0;
    std::set<int> vistos;
    for (int rodada = 0; rodada < 20000; ++rodada) {
        const std::string bytes = bytes_aleatorios(gerador);
        FonteTexto fonte(bytes);
        Dados d;
        feclearexcept(FE_ALL_EXCEPT);
        const int codigo = ler_dados(fonte, d);
        ASSERT_EQ(fetestexcept(servicos::plataforma::falhas_armadas), 0) << testing::PrintToString(bytes);
        if (codigo == sem_falha) {
            ++completas;
        } else {
            ASSERT_TRUE(codigos_do_leitor.count(codigo)) << codigo << " " << testing::PrintToString(bytes);
            vistos.insert(codigo);
        }
    }
    EXPECT_GT(completas, 100);
    EXPECT_EQ(vistos, codigos_do_leitor);
}

INSTANTIATE_TEST_SUITE_P(Leitor, LeituraLista, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Observado" : "ComoOPrograma"; });

// The fuzzers' seeds and regressions, read both ways: the same values, bit
// for bit, or the same report, after the same bytes.
TEST(LeituraObservada, CorpusDoFuzzLeIgualComESemObservador) {
    servicos::erros::definir_modo_teste(true);
    int arquivos = 0;
    for (const auto& entrada : std::filesystem::directory_iterator(DIFUSAO_CORPUS_LEITURA)) {
        if (!entrada.is_regular_file()) continue;
        ++arquivos;
        std::ifstream arquivo(entrada.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(arquivo)), {});
        auto ler_tudo = [&](bool observado) {
            Observador observador;
            if (observado) servicos::unidades::observar_leituras(&observador);
            FonteTexto fonte(bytes);
            Dados d;
            const int codigo = ler_dados(fonte, d);
            servicos::unidades::observar_leituras(nullptr);
            std::ostringstream resultado;
            resultado << codigo << ' ' << como_texto(d.arq_saida) << ' ' << std::bit_cast<std::uint64_t>(d.Lx) << ' '
                      << d.Nx << ' ' << std::bit_cast<std::uint64_t>(d.tf) << ' ' << d.Nt;
            for (double v : {d.Ti, d.theta, d.k, d.ro, d.cp}) resultado << ' ' << std::bit_cast<std::uint64_t>(v);
            resultado << " resto " << fonte.restante();
            return resultado.str();
        };
        EXPECT_EQ(ler_tudo(true), ler_tudo(false)) << entrada.path();
    }
    EXPECT_GT(arquivos, 20);
}

}  // namespace
