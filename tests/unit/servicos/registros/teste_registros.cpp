// Format interpretation: the grammar, the walk (tabs, records, groups,
// reversion, running out of items), the failures, and the program's own
// formats against the reference listings and data files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "dados/formatos.hpp"
#include "nucleo/variaveis.hpp"
#include "servicos/base/mensagens.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/registros/registros.hpp"

namespace {

using servicos::registros::ItemFormato;
using Registros = std::vector<std::string>;
using Itens = std::vector<ItemFormato>;

Registros formatar(std::string_view formato, const Itens& itens = {}) {
    return servicos::registros::formatar_registros(formato, itens);
}

std::string brancos(std::size_t n) { return std::string(n, ' '); }

class Formatos : public ::testing::Test {
protected:
    void SetUp() override { servicos::erros::definir_modo_teste(true); }
};

struct Caso {
    const char* formato;
    Itens itens;
    Registros registros;
};

void conferir(const std::vector<Caso>& casos) {
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.formato);
        EXPECT_EQ(formatar(c.formato, c.itens), c.registros);
    }
}

TEST_F(Formatos, LiteraisBarrasETabulacoes) {
    conferir({
        {"()", {}, {""}},
        {"('abc')", {}, {"abc"}},
        {"(\"abc\")", {}, {"abc"}},
        {"('it''s')", {}, {"it's"}},
        {"(\"say \"\"hi\"\"\")", {}, {"say \"hi\""}},
        {"('a\"b',\"c'd\")", {}, {"a\"bc'd"}},
        {"('a','','b')", {}, {"ab"}},
        {"('  a  ')", {}, {"  a  "}},
        {"(/,'a')", {}, {"", "a"}},
        {"('a',/)", {}, {"a", ""}},
        {"('a',2/,'b')", {}, {"a", "", "b"}},
        {"('a',3/'b')", {}, {"a", "", "", "b"}},
        {"(T30,'x')", {}, {brancos(29) + "x"}},
        {"('abc',T10,'x')", {}, {"abc" + brancos(6) + "x"}},
        {"(T20,T5,'x')", {}, {brancos(4) + "x"}},
        {"('ab',T3,'x')", {}, {"abx"}},
        {"('abcdef',T3,'x')", {}, {"abcdefx"}},  // a tab backwards owes nothing
        {"('a',T10)", {}, {"a"}},                // blanks owed at the record end are dropped
        {"(T10,/,'a')", {}, {"", "a"}},
        {"('a') anything (( after", {}, {"a"}},
        {"  ( 'a' , / , 'b' )", {}, {"a", "b"}},
        {"(2(2('ab'),'-'))", {}, {"abab-abab-"}},
        {"(T1000,'x')", {}, {brancos(999) + "x"}},
        {"(600('x'))", {}, {std::string(600, 'x')}},
    });
}

TEST_F(Formatos, DescritoresDeDadosEFatorDeEscala) {
    conferir({
        {"(I10)", {20}, {"        20"}},
        {"(i3,I3)", {1, -2}, {"  1 -2"}},
        {"(I 1 0)", {7}, {"         7"}},
        {"(3I3)", {1, 2, 3}, {"  1  2  3"}},
        {"(E12.4)", {1234.5678}, {"   .1235E+04"}},
        {"(1P,E25.15)", {1.0}, {"    1.000000000000000E+00"}},
        {"(1PE25.15)", {-0.5}, {"   -5.000000000000000E-01"}},
        {"( 1 p , e 25 . 15 )", {0.1}, {"    1.000000000000000E-01"}},
        {"(-1P,E12.4)", {1234.5678}, {"   .0123E+05"}},
        {"(+1P,E12.4)", {1234.5678}, {"  1.2346E+03"}},
        {"(2P,E12.4,I5,E12.4)", {1234.5678, 5, 1234.5678}, {"  12.346E+02    5  12.346E+02"}},
        {"(1P,E12.4,0P,E12.4)", {1.5, 1.5}, {"  1.5000E+00   .1500E+01"}},
        {"(I700)", {5}, {brancos(699) + "5"}},
        {"(E600.2)", {1.0}, {brancos(593) + ".10E+01"}},
    });
}

TEST_F(Formatos, ItensEsgotadosEReversao) {
    conferir({
        // No items: the whole format up to the first data descriptor.
        {"('x',I3,'y')", {}, {"x"}},
        {"(I2,'a',T6,'b',I2,'c')", {1}, {" 1a  b"}},
        {"(2/,I2,'a')", {}, {"", "", ""}},
        {"(I3,:,'x')", {1}, {"  1"}},
        {"(I3,:,'x')", {1, 2}, {"  1x", "  2"}},
        {"(3I3)", {1, 2}, {"  1  2"}},
        // Items ending exactly at the end of a group: no extra record.
        {"(3(I2))", {1, 2, 3}, {" 1 2 3"}},
        {"(2(I2),'x')", {1, 2}, {" 1 2x"}},
        // Reversion: to the start without a group, else to the rightmost
        // group directly inside the outer parentheses, with its count.
        {"(I3)", {1, 2, 3}, {"  1", "  2", "  3"}},
        {"('a',I2)", {1, 2}, {"a 1", "a 2"}},
        {"(I2,2(I3))", {1, 2, 3, 4, 5, 6, 7}, {" 1  2  3", "  4  5", "  6  7"}},
        {"(I2,2(I2,(I3)),I1)", {1, 2, 3, 4, 5, 6, 7, 8}, {" 1 2  3 4  56", " 7  8"}},
        {"(I1,(I2),(I3))", {1, 2, 3, 4, 5}, {"1 2  3", "  4", "  5"}},
        // The scale factor survives the reversion.
        {"(2P,E12.4,(E12.4))", {1.5, 2.5, 3.5}, {"  15.000E-01  25.000E-01", "  35.000E-01"}},
        {"('a',/,I2)", {1, 2}, {"a", " 1", "a", " 2"}},
    });
}

// Records as the reports build them.
TEST_F(Formatos, FormasDosRegistrosDoPrograma) {
    const Registros dados = formatar("(3(1P,E25.15))", {0.0, 63.53102368087354, 63.66197723675813});
    ASSERT_EQ(dados.size(), 1u);
    EXPECT_EQ(dados[0], "    0.000000000000000E+00    6.353102368087354E+01    6.366197723675813E+01");
    EXPECT_EQ(dados[0].size(), 75u);

    const Registros listagem = formatar("(5(1P,E25.15))", {1.0, -2.0, 3.0, -4.0});
    ASSERT_EQ(listagem.size(), 1u);
    EXPECT_EQ(listagem[0].size(), 100u);
    EXPECT_EQ(listagem[0].substr(75), "   -4.000000000000000E+00");

    const Registros duas = formatar("(3(1P,E25.15))", {1.0, 2.0, 3.0, 4.0, 5.0, 6.0});
    ASSERT_EQ(duas.size(), 2u);
    EXPECT_EQ(duas[1].size(), 75u);

    EXPECT_EQ(formatar("(1P,E25.15,T30,' = Lx')", {1.0}),
              Registros{"    1.000000000000000E+00" + brancos(4) + " = Lx"});
    EXPECT_EQ(formatar("(I10,T30,' = Nx')", {21}), Registros{"        21" + brancos(19) + " = Nx"});
}

int falha(std::string_view formato, const Itens& itens = {}) {
    try {
        formatar(formato, itens);
    } catch (const servicos::erros::FalhaRelatada& f) {
        EXPECT_EQ(f.tipo, servicos::base::TipoInstrucao::write) << formato;
        EXPECT_NE(f.relatorio.find("run-time error F" + std::to_string(6000 + f.numero_mensagem) + ": WRITE("),
                  std::string::npos)
            << f.relatorio;
        return f.numero_mensagem;
    }
    return 0;
}

std::string aninhados(int niveis) {
    std::string formato(static_cast<std::size_t>(niveis) + 1, '(');
    formato += "'x'";
    formato.append(static_cast<std::size_t>(niveis) + 1, ')');
    return formato;
}

TEST_F(Formatos, FormatosMalFormadosSaoRelatados) {
    using namespace servicos::base::mensagem;
    const char* malformados[] = {
        "",         "   ",       "'a'",     "I5",        ")",          "(",          "('a'",       "(('a')",
        "('abc)",    "(\"abc)", "('it''s)",  "(Q5)",       "(F10.3)",    "(X)",        "(5T10)",
        "(2'ab')",  "(3\"ab\")", "(3:)",    "(E10)",     "(E.5)",      "(E10.)",     "(I)",        "(T)",
        "(T0)",     "(TL5)",     "(P)",     "(+E10.2)",  "(-I5)",      "(0I5)",      "(0/)",       "(0('a'))",
        "(,I5)",    "(I5,,I5)",  "(I5,)",   "(99999I5)", "(E40000.2)", "(5)",        "(I5.2)",     "(1P5)",
        "(#)",      "(I5 'a' I", "('a',\t'b')",
    };
    for (const char* f : malformados) EXPECT_EQ(falha(f, {1}), formato_invalido) << f;
    EXPECT_EQ(falha(aninhados(17)), formato_invalido);
    EXPECT_EQ(falha(aninhados(16)), 0);
    EXPECT_EQ(formatar(aninhados(16)), Registros{"x"});
}

TEST_F(Formatos, ItensQueNaoCasamComODescritor) {
    using namespace servicos::base::mensagem;
    EXPECT_EQ(falha("(I5)", {1.0}), real_com_descritor_inteiro);
    EXPECT_EQ(falha("(E10.3)", {1}), inteiro_com_descritor_real);
    EXPECT_EQ(falha("(1P,E25.15,I10)", {1.0, 2.0}), real_com_descritor_inteiro);
    EXPECT_EQ(falha("(3(1P,E25.15))", {1.0, 2.0, 3}), inteiro_com_descritor_real);
    // Items left over with nothing to take them would loop for ever.
    EXPECT_EQ(falha("('x')", {1}), formato_invalido);
    EXPECT_EQ(falha("()", {1}), formato_invalido);
    EXPECT_EQ(falha("(I2,2('x'))", {1, 2}), formato_invalido);
    EXPECT_EQ(falha("(I2,/,'x')", {1, 2}), 0);
}

// Token soups: each one renders at least one record or is reported as a
// format or item failure; none crashes, overruns or loops.
TEST_F(Formatos, FormatosAleatoriosRendemOuSaoRelatados) {
    const char* const pecas[] = {"(", ")", "2(", "'a'", "\"b\"", "/", "2/", "1P", "-1P", "E8.2", "I3", "T5", "T2",
                                 ":", ",", " ", "X", "'", "3", "E1.0", "I0", "e30.20", "p", "''''", "\xBA"};
    std::mt19937_64 gerador(1);
    int renderizados = 0;
    for (int i = 0; i < 20000; ++i) {
        std::string formato = gerador() % 8 != 0 ? "(" : "";
        for (auto n = gerador() % 12; n > 0; --n) formato += pecas[gerador() % std::size(pecas)];
        if (gerador() % 4 != 0) formato += ")";
        Itens itens;
        for (auto n = gerador() % 5; n > 0; --n) {
            if (gerador() % 2 != 0) {
                itens.emplace_back(static_cast<double>(static_cast<std::int64_t>(gerador() % 2000)) - 1000.5);
            } else {
                itens.emplace_back(static_cast<std::int32_t>(gerador() % 200000) - 100000);
            }
        }
        try {
            EXPECT_FALSE(formatar(formato, itens).empty()) << formato;
            ++renderizados;
        } catch (const servicos::erros::FalhaRelatada& f) {
            EXPECT_GE(f.numero_mensagem, servicos::base::mensagem::formato_invalido) << formato;
            EXPECT_LE(f.numero_mensagem, servicos::base::mensagem::inteiro_com_descritor_real) << formato;
        }
    }
    EXPECT_GT(renderizados, 1000);
}

// Compiled formats are cached by their bytes: formats of equal length,
// more formats than the cache holds, and a statement started from inside
// another statement's destination all come out right.
TEST_F(Formatos, CacheDeFormatosCompilados) {
    for (int rodada = 0; rodada < 3; ++rodada) {
        for (int w = 1; w <= 12; ++w) {
            const std::string f = "(I" + std::to_string(w) + ")";
            EXPECT_EQ(formatar(f, {7}), Registros{brancos(static_cast<std::size_t>(w) - 1) + "7"});
        }
    }
    struct Aninhado final : servicos::registros::DestinoRegistros {
        Registros internos;
        std::string texto_atual;
        void texto(std::string_view bytes) override {
            texto_atual.append(bytes);
            for (int w = 1; w <= 10; ++w) {
                const std::string f = "(I" + std::to_string(w) + ",'n')";
                const Itens itens{w};
                const Registros r = servicos::registros::formatar_registros(f, itens);
                internos.push_back(r.at(0));
            }
        }
        void fim_registro() override {}
    } destino;
    const Itens itens{1, 2, 3};
    servicos::registros::formatar_registros("(I2,'a',/,I2,'b',/,I2)", itens, destino);
    EXPECT_EQ(destino.texto_atual, " 1a 2b 3");
    ASSERT_EQ(destino.internos.size(), 30u);
    EXPECT_EQ(destino.internos[9], "        10n");
}

// ---------------------------------------------------------------------------
// The program's own formats.

using namespace dados;
using Entrada = variaveis::DadosEntrada;

Itens itens_do_cabecalho(const Entrada& e) {
    const double alpha = e.k / (e.cp * e.ro);
    const double dx = e.Lx / (e.Nx - 1.0);
    const double dt = e.tf / e.Nt;
    return {e.Lx, e.Nx, e.tf, e.Nt, e.Ti, e.theta, e.k, e.ro, e.cp, alpha, dx, dt};
}

TEST_F(Formatos, CabecalhoDaListagemRegistroARegistro) {
    const Registros r = formatar(formato_cabecalho, itens_do_cabecalho({1.0, 21, 600.0, 600, 100.0, 0.5, 45.0, 800.0, 460.0}));
    ASSERT_EQ(r.size(), 18u);
    const std::string asteriscos(104, '*');
    EXPECT_EQ(r[0], asteriscos);
    EXPECT_EQ(r[1], " Difus\xE3" "o de Calor Undimensional em Regime Transiente " + std::string(51, '*'));
    EXPECT_EQ(r[1].size(), 104u);
    EXPECT_EQ(r[2], asteriscos);
    EXPECT_EQ(r[3], "");
    EXPECT_EQ(r[4], "Dados iniciais");
    EXPECT_EQ(r[5], "    1.000000000000000E+00" + brancos(4) + " = Lx:     comprimento do dom\xED" "nio [m]");
    EXPECT_EQ(r[6], "        21" + brancos(19) + " = Nx:     n\xFA" "mero de n\xF3" "s do dom\xED" "nio");
    EXPECT_EQ(r[8], "       600" + brancos(19) + " = Nt:     n\xFA" "mero de intervalos de tempo considerado");
    EXPECT_EQ(r[11], brancos(29) + "           0 - expl\xED" "cita; 0.5 - Crank-Nicolson; 1 - totalmente impl\xED" "cita");
    EXPECT_EQ(r[15], "    1.222826086956522E-04" + brancos(4) + " = alpha:  difusividade t\xE9" "rmica [m2/s]");
    EXPECT_EQ(r[17], "    1.000000000000000E+00" + brancos(4) + " = dt:     passo de tempo [s]");

    const Registros titulo = formatar(formato_titulo_media);
    ASSERT_EQ(titulo.size(), 5u);
    EXPECT_EQ(titulo[0], "");
    EXPECT_EQ(titulo[1].size(), 104u);
    EXPECT_EQ(titulo[4], brancos(9) + "tempo [s]" + brancos(11) + "Tm num\xE9" "rica. [\xBA" "C]" + brancos(8) +
                             "Tm anal\xED" "tica [\xBA" "C]" + brancos(8) + "Erro num\xE9" "rico [\xBA" "C]");
}

// ---------------------------------------------------------------------------
// The reference runs: each listing and data file rebuilt statement by
// statement must match the stored bytes. The rows are re-rendered from the
// values read back from the files (16 digits identify those doubles).

std::string ler_arquivo(const std::string& caminho) {
    std::ifstream arquivo(caminho, std::ios::binary);
    EXPECT_TRUE(arquivo.good()) << caminho;
    return std::string(std::istreambuf_iterator<char>(arquivo), std::istreambuf_iterator<char>());
}

Registros registros_do_arquivo(const std::string& caminho) {
    const std::string bytes = ler_arquivo(caminho);
    Registros registros;
    std::size_t inicio = 0;
    for (std::size_t fim; (fim = bytes.find("\r\n", inicio)) != std::string::npos; inicio = fim + 2) {
        registros.push_back(bytes.substr(inicio, fim - inicio));
    }
    EXPECT_EQ(inicio, bytes.size()) << caminho << ": text after the last record end";
    return registros;
}

// The values of a row of 25-character fields ("+100" exponents have no letter).
Itens valores_da_linha(const std::string& linha) {
    Itens itens;
    for (std::size_t i = 0; i + 25 <= linha.size(); i += 25) {
        std::string campo = linha.substr(i, 21);
        if (linha[i + 21] != 'E') campo += 'E';
        campo += linha.substr(i + 21, 4);
        itens.emplace_back(std::strtod(campo.c_str(), nullptr));
    }
    return itens;
}

std::string juntar(const Registros& registros) {
    std::string bytes;
    for (const std::string& r : registros) bytes += r + "\r\n";
    return bytes;
}

void acrescentar(Registros& destino, const Registros& origem) { destino.insert(destino.end(), origem.begin(), origem.end()); }

struct Referencia {
    const char* pasta;
    const char* listagem;
    Entrada entrada;
};

void PrintTo(const Referencia& referencia, std::ostream* saida) { *saida << referencia.pasta; }

class ExecucoesDeReferencia : public Formatos, public ::testing::WithParamInterface<Referencia> {};

TEST_P(ExecucoesDeReferencia, ListagemEArquivosDeDadosByteABbyte) {
    const Referencia& ref = GetParam();
    const std::string pasta = std::string(DIFUSAO_DADOS_TESTE) + "/golden/" + ref.pasta + "/esperado/";
    const Registros esperada = registros_do_arquivo(pasta + ref.listagem);
    const auto linhas = static_cast<std::size_t>(ref.entrada.Nt) + 1;
    ASSERT_EQ(esperada.size(), 18 + 5 + linhas + 5 + linhas);

    Registros listagem = formatar(formato_cabecalho, itens_do_cabecalho(ref.entrada));
    acrescentar(listagem, formatar(formato_titulo_media));
    for (std::size_t n = 0; n < linhas; ++n) {
        acrescentar(listagem, formatar(formato_linha_listagem, valores_da_linha(esperada[23 + n])));
    }
    acrescentar(listagem, formatar(formato_titulo_meio));
    for (std::size_t n = 0; n < linhas; ++n) {
        acrescentar(listagem, formatar(formato_linha_listagem, valores_da_linha(esperada[28 + linhas + n])));
    }
    EXPECT_EQ(juntar(listagem), juntar(esperada));

    for (const char* nome : {"temp_media.txt", "temp_meio.txt"}) {
        SCOPED_TRACE(nome);
        const Registros dados = registros_do_arquivo(pasta + nome);
        ASSERT_EQ(dados.size(), linhas);
        Registros refeitos;
        for (const std::string& linha : dados) {
            const Itens itens = valores_da_linha(linha);
            ASSERT_EQ(itens.size(), 3u);
            acrescentar(refeitos, formatar(formato_linha_dados, itens));
        }
        EXPECT_EQ(juntar(refeitos), juntar(dados));
    }
}

INSTANTIATE_TEST_SUITE_P(Golden, ExecucoesDeReferencia,
                         ::testing::Values(Referencia{"exemplo", "listagem.txt", {1.0, 21, 600.0, 600, 100.0, 0.5, 45.0, 800.0, 460.0}},
                                           Referencia{"pequeno", "pequeno.txt", {1.0, 3, 1.0, 1, 100.0, 1.0, 1.0, 1.0, 1.0}},
                                           Referencia{"explicito_par", "explicito par.lst",
                                                      {2.0, 8, 30.0, 30, -50.0, 0.0, 1.0, 1.0, 1.0}}),
                         [](const ::testing::TestParamInfo<Referencia>& info) { return std::string(info.param.pasta); });

}  // namespace
