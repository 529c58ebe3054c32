// Report frames byte for byte, first as built, then as a real process writes
// them on its standard error stream when a trap or a report ends it.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>

#include "processo.hpp"
#include "servicos/base/mensagens.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/erros/matematica.hpp"

namespace {

using servicos::erros::montar_relatorio;
using servicos::erros::texto_mensagem;
using servicos::base::TipoInstrucao;
namespace mensagem = servicos::base::mensagem;

std::string quadro_math(const std::string& codigo, const std::string& texto) {
    return "\r\nrun-time error " + codigo + ": MATH\r\n- " + texto + "\r\n";
}

TEST(Relatorios, RotuloDeCadaTipoDeInstrucao) {
    struct Caso {
        TipoInstrucao tipo;
        std::string rotulo;
        bool age_sobre_unidade;
    };
    const Caso casos[] = {
        {TipoInstrucao::nenhuma, ": (", true},
        {TipoInstrucao::close, ": CLOSE(", true},
        {TipoInstrucao::write, ": WRITE(", true},
        {TipoInstrucao::endfile, ": ENDFILE(", true},
        {TipoInstrucao::inquire, ": INQUIRE(", true},
        {TipoInstrucao::locking, ": LOCKING(", true},
        {TipoInstrucao::open, ": OPEN(", true},
        {TipoInstrucao::read, ": READ(", true},
        {TipoInstrucao::rewind, ": REWIND(", true},
        {TipoInstrucao::backspace, ": BACKSPACE(", true},
        {TipoInstrucao::eof, ": EOF(", true},
        {TipoInstrucao::debug, ": $DEBUG\r\n- ", false},
        {TipoInstrucao::allocate, ": ALLOCATE\r\n- ", false},
        {TipoInstrucao::deallocate, ": DEALLOCATE\r\n- ", false},
        {TipoInstrucao::beginthread, ": BEGINTHREAD\r\n- ", false},
        {TipoInstrucao::math, ": MATH\r\n- ", false},
        {TipoInstrucao::sem_rotulo, "\r\n- ", false},
        {TipoInstrucao::qwin, ": QWIN\r\n- ", false},
    };
    const std::string unidade = "explicito par.lst";
    for (const Caso& caso : casos) {
        SCOPED_TRACE(static_cast<int>(caso.tipo));
        const std::string texto = texto_mensagem(mensagem::escrita_recusada, caso.tipo);
        ASSERT_FALSE(texto.empty());
        const std::string letra = caso.tipo == TipoInstrucao::math ? "M" : "F";
        const std::string meio = caso.age_sobre_unidade ? caso.rotulo + unidade + ")\r\n- " : caso.rotulo;
        EXPECT_EQ(montar_relatorio(mensagem::escrita_recusada, caso.tipo, unidade),
                  "\r\nrun-time error " + letra + "6421" + meio + texto + "\r\n");
    }
}

TEST(Relatorios, CodigoTemLetraEQuatroDigitos) {
    struct Caso {
        int numero;
        TipoInstrucao tipo;
        std::string inicio;
    };
    const Caso casos[] = {
        {96, TipoInstrucao::read, "\r\nrun-time error F6096: READ("},
        {999, TipoInstrucao::write, "\r\nrun-time error F6999: WRITE("},
        {mensagem::inteiro_invalido, TipoInstrucao::read, "\r\nrun-time error F6101: READ("},
        {mensagem::ponto_flutuante_invalido, TipoInstrucao::math, "\r\nrun-time error M6101: MATH\r\n- "},
        {mensagem::arquivo_inexistente, TipoInstrucao::open, "\r\nrun-time error F6416: OPEN("},
        {mensagem::memoria_insuficiente, TipoInstrucao::sem_rotulo, "\r\nrun-time error F6772\r\n- "},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.numero);
        EXPECT_EQ(montar_relatorio(caso.numero, caso.tipo, "u").substr(0, caso.inicio.size()), caso.inicio);
    }
}

TEST(Relatorios, TextosDasArmadilhasDePontoFlutuante) {
    const std::pair<int, const char*> casos[] = {
        {101, "invalid"},   {102, "denormal"}, {103, "divide by zero"}, {104, "overflow"},
        {105, "underflow"}, {106, "inexact"},  {110, "stack overflow"}, {111, "stack underflow"},
    };
    for (const auto& [numero, tipo] : casos)
        EXPECT_EQ(texto_mensagem(numero, TipoInstrucao::math), std::string("floating-point error: ") + tipo);
}

TEST(Relatorios, TextosDasFalhasDeFuncoes) {
    struct Caso {
        int numero;
        const char* funcao;
        const char* texto;
    };
    const Caso casos[] = {
        {mensagem::funcao_dominio, "**", "**: DOMAIN error"},
        {mensagem::funcao_singularidade, "mod", "mod: SING error"},
        {mensagem::funcao_overflow, "exp", "exp: OVERFLOW error"},
        {mensagem::funcao_dominio, "COTAN", "COTAN: DOMAIN error"},
    };
    for (const Caso& caso : casos) EXPECT_EQ(texto_mensagem(caso.numero, TipoInstrucao::math, caso.funcao), caso.texto);
}

// A code is reported only under the kinds it is met under: the pairing is
// checked when compiling, so each row says whether the call compiles.
template <typename Codigo, typename Instrucao>
concept Relatavel = requires(Codigo codigo, Instrucao instrucao) { servicos::erros::relatar_erro(codigo, instrucao); };
namespace instrucao = servicos::base::instrucao;
static_assert(Relatavel<decltype(mensagem::fim_de_arquivo), decltype(instrucao::read)>);
static_assert(!Relatavel<decltype(mensagem::fim_de_arquivo), decltype(instrucao::open)>);
static_assert(!Relatavel<decltype(mensagem::real_invalido), decltype(instrucao::write)>);
static_assert(Relatavel<decltype(mensagem::arquivo_inexistente), decltype(instrucao::open)>);
static_assert(!Relatavel<decltype(mensagem::arquivo_inexistente), decltype(instrucao::close)>);
static_assert(Relatavel<decltype(mensagem::disco_cheio), decltype(instrucao::open)>);
static_assert(Relatavel<decltype(mensagem::disco_cheio), decltype(instrucao::write)>);
static_assert(Relatavel<decltype(mensagem::disco_cheio), decltype(instrucao::close)>);
static_assert(!Relatavel<decltype(mensagem::disco_cheio), decltype(instrucao::read)>);
static_assert(Relatavel<decltype(mensagem::escrita_recusada), decltype(instrucao::close)>);
static_assert(!Relatavel<decltype(mensagem::escrita_recusada), decltype(instrucao::open)>);
static_assert(Relatavel<decltype(mensagem::formato_invalido), decltype(instrucao::write)>);
static_assert(Relatavel<decltype(mensagem::memoria_insuficiente), decltype(instrucao::sem_rotulo)>);
static_assert(!Relatavel<decltype(mensagem::memoria_insuficiente), decltype(instrucao::allocate)>);
static_assert(Relatavel<decltype(mensagem::dimensao_invalida), decltype(instrucao::allocate)>);
static_assert(Relatavel<decltype(mensagem::ponto_flutuante_overflow), decltype(instrucao::math)>);
static_assert(!Relatavel<decltype(mensagem::ponto_flutuante_overflow), decltype(instrucao::write)>);
static_assert(!Relatavel<decltype(mensagem::funcao_dominio), decltype(instrucao::read)>);
static_assert(!Relatavel<int, decltype(instrucao::read)>);  // a bare number is no code
// A choice among write failures holds a full disk; a full disk's type does
// not hold every write failure.
static_assert(std::is_convertible_v<decltype(mensagem::disco_cheio), servicos::base::CodigoEscrita>);
static_assert(!std::is_convertible_v<servicos::base::CodigoEscrita, decltype(mensagem::disco_cheio)>);
static_assert(!std::is_convertible_v<decltype(mensagem::fim_de_arquivo), servicos::base::CodigoAbertura>);

TEST(Relatorios, QuadrosCompletos) {
    EXPECT_EQ(montar_relatorio(mensagem::ponto_flutuante_divisao_zero, TipoInstrucao::math, "ignorado"),
              "\r\nrun-time error M6103: MATH\r\n- floating-point error: divide by zero\r\n");
    EXPECT_EQ(montar_relatorio(mensagem::funcao_overflow, TipoInstrucao::math, "", "**"),
              "\r\nrun-time error M6203: MATH\r\n- **: OVERFLOW error\r\n");
    EXPECT_EQ(montar_relatorio(mensagem::fim_de_arquivo, TipoInstrucao::read, "entradas_geral.ent"),
              "\r\nrun-time error F6501: READ(entradas_geral.ent)\r\n- " +
                  texto_mensagem(mensagem::fim_de_arquivo, TipoInstrucao::read) + "\r\n");
}

// In test mode a report is thrown with the frame it would have written, naming
// the file of the statement now running: the innermost one held, and after
// it the one around it again, also when the report left the inner scope.
TEST(Relatorios, RelatoNomeiaOArquivoDaInstrucaoAtual) {
    const bool anterior = servicos::erros::modo_teste();
    servicos::erros::definir_modo_teste(true);
    const auto relatado = [] {
        try {
            servicos::erros::relatar_erro(mensagem::disco_cheio, servicos::base::instrucao::write);
        } catch (const servicos::erros::FalhaRelatada& falha) {
            return falha.relatorio;
        }
        return std::string("relatar_erro returned");
    };
    const auto quadro = [](std::string_view nome) {
        return montar_relatorio(mensagem::disco_cheio, TipoInstrucao::write, nome);
    };
    servicos::erros::definir_nome_unidade("");
    {
        const servicos::erros::NomeNoRelatorio abertura("resultado.txt");
        EXPECT_EQ(relatado(), quadro("resultado.txt"));
        {
            const servicos::erros::NomeNoRelatorio fechamento("antigo.txt");  // the unit an open replaces
            EXPECT_EQ(relatado(), quadro("antigo.txt"));
        }
        EXPECT_EQ(relatado(), quadro("resultado.txt"));
        try {
            const servicos::erros::NomeNoRelatorio escrita(std::string(2000, 'n'));  // cut to what a report keeps
            servicos::erros::relatar_erro(mensagem::disco_cheio, servicos::base::instrucao::write);
        } catch (const servicos::erros::FalhaRelatada& falha) {
            EXPECT_EQ(falha.relatorio, quadro(std::string(servicos::erros::maior_nome_unidade, 'n')));
        }
        EXPECT_EQ(relatado(), quadro("resultado.txt"));
    }
    EXPECT_EQ(relatado(), quadro(""));
    servicos::erros::definir_modo_teste(anterior);
}

// NaNs handed to the watched functions: quiet with a payload, quiet and
// negative (the default NaN), signalling.
constexpr std::uint64_t nan_carga = 0x7ff8000000000123;
constexpr std::uint64_t nan_negativo = 0xfff8000000000000;
constexpr std::uint64_t nan_sinalizador = 0x7ff4000000000000;

// A failing math function reports its own name and failure word; underflow and
// ordinary results pass, and so do quiet NaNs (returned as they came, payload
// and sign kept: the listing prints them differently) and the infinities that
// the exponential takes exactly. A signalling NaN is an invalid operation.
// Test mode turns the report into an exception.
TEST(Relatorios, FuncoesVigiadas) {
    struct Caso {
        const char* nome;
        double (*funcao)();
        int falha;  // 0: no report
        const char* texto;
        std::optional<std::uint64_t> resultado = {};  // bits of the result when not reported
    };
    const Caso casos[] = {
        {"pow overflow", [] { return servicos::erros::potencia(1e200, 2.0); }, mensagem::funcao_overflow, "**: OVERFLOW error"},
        {"pow domain", [] { return servicos::erros::potencia(-8.0, 1.0 / 3.0); }, mensagem::funcao_dominio, "**: DOMAIN error"},
        {"pow pole", [] { return servicos::erros::potencia(0.0, -1.0); }, mensagem::funcao_singularidade, "**: SING error"},
        {"exp overflow", [] { return servicos::erros::exponencial(1000.0); }, mensagem::funcao_overflow, "exp: OVERFLOW error"},
        {"acos domain", [] { return servicos::erros::arco_cosseno(2.0); }, mensagem::funcao_dominio, "acos: DOMAIN error"},
        {"sin infinity", [] { return servicos::erros::seno(HUGE_VAL); }, mensagem::funcao_dominio, "sin: DOMAIN error"},
        {"exp underflow", [] { return servicos::erros::exponencial(-1000.0); }, 0, ""},
        {"pow underflow", [] { return servicos::erros::potencia(1e-200, 2.0); }, 0, ""},
        {"acos(-1)", [] { return servicos::erros::arco_cosseno(-1.0); }, 0, "", 0x400921fb54442d18},
        {"sin -infinity", [] { return servicos::erros::seno(-HUGE_VAL); }, mensagem::funcao_dominio, "sin: DOMAIN error"},
        {"acos infinity", [] { return servicos::erros::arco_cosseno(HUGE_VAL); }, mensagem::funcao_dominio, "acos: DOMAIN error"},
        {"acos -2", [] { return servicos::erros::arco_cosseno(-2.0); }, mensagem::funcao_dominio, "acos: DOMAIN error"},
        {"exp infinity", [] { return servicos::erros::exponencial(HUGE_VAL); }, 0, "", 0x7ff0000000000000},
        {"exp -infinity", [] { return servicos::erros::exponencial(-HUGE_VAL); }, 0, "", 0x0000000000000000},
        {"exp largest finite", [] { return servicos::erros::exponencial(0x1.62e42fefa39efp+9); }, 0, "", 0x7fefffffffffff2a},
        {"exp next", [] { return servicos::erros::exponencial(0x1.62e42fefa39f0p+9); }, mensagem::funcao_overflow,
         "exp: OVERFLOW error"},
        {"sin NaN", [] { return servicos::erros::seno(std::bit_cast<double>(nan_carga)); }, 0, "", nan_carga},
        {"exp NaN", [] { return servicos::erros::exponencial(std::bit_cast<double>(nan_negativo)); }, 0, "", nan_negativo},
        {"acos NaN", [] { return servicos::erros::arco_cosseno(std::bit_cast<double>(nan_carga)); }, 0, "", nan_carga},
        {"sin signalling NaN", [] { return servicos::erros::seno(std::bit_cast<double>(nan_sinalizador)); },
         mensagem::funcao_dominio, "sin: DOMAIN error"},
        {"exp signalling NaN", [] { return servicos::erros::exponencial(std::bit_cast<double>(nan_sinalizador)); },
         mensagem::funcao_dominio, "exp: DOMAIN error"},
        {"acos signalling NaN", [] { return servicos::erros::arco_cosseno(std::bit_cast<double>(nan_sinalizador)); },
         mensagem::funcao_dominio, "acos: DOMAIN error"},
    };
    const bool anterior = servicos::erros::modo_teste();
    servicos::erros::definir_modo_teste(true);
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.nome);
        try {
            const double resultado = caso.funcao();
            EXPECT_EQ(caso.falha, 0);
            if (caso.resultado) {
                EXPECT_EQ(std::bit_cast<std::uint64_t>(resultado), *caso.resultado);
            }
        } catch (const servicos::erros::FalhaRelatada& falha) {
            EXPECT_EQ(falha.numero_mensagem, caso.falha);
            EXPECT_EQ(falha.relatorio, quadro_math("M" + std::to_string(6000 + caso.falha), caso.texto));
        }
    }
    servicos::erros::definir_modo_teste(anterior);
}

// ---------------------------------------------------------------------------
// The real process: traps armed at start-up, the report on descriptor 2, the
// exit status.

suporte::Resultado provocar(const std::string& caso) {
    suporte::Execucao execucao;
#ifdef _WIN32
    execucao.programa = std::string(DIFUSAO_AUXILIARES) + "/provocar_falha.exe";
#else
    execucao.programa = std::string(DIFUSAO_AUXILIARES) + "/provocar_falha";
#endif
    execucao.argumentos = {caso};
    return suporte::executar(execucao);
}

TEST(RelatoriosDoProcesso, FalhasTerminamComOQuadroEStatus1) {
    struct Caso {
        const char* caso;
        std::string erro;
    };
    const Caso casos[] = {
        {"divisao_zero", quadro_math("M6103", "floating-point error: divide by zero")},
        {"invalido", quadro_math("M6101", "floating-point error: invalid")},
        {"overflow", quadro_math("M6104", "floating-point error: overflow")},
        {"potencia", quadro_math("M6203", "**: OVERFLOW error")},
        {"dominio", quadro_math("M6201", "**: DOMAIN error")},
        {"memoria", "\r\nrun-time error F6772\r\n- " +
                        texto_mensagem(mensagem::memoria_insuficiente, TipoInstrucao::sem_rotulo) + "\r\n"},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.caso);
        const suporte::Resultado r = provocar(caso.caso);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.erro, caso.erro);
        EXPECT_EQ(r.saida, "");
    }
}

TEST(RelatoriosDoProcesso, FimNormalEUnderflowNaoEscrevemNada) {
    for (const char* caso : {"normal", "underflow"}) {
        SCOPED_TRACE(caso);
        const suporte::Resultado r = provocar(caso);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.erro, "");
        EXPECT_EQ(r.saida, "");
    }
}

}  // namespace
