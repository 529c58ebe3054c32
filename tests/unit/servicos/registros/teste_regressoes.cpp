// Inputs that once made the library misbehave, found by fuzzing, with what
// they must give now. Their raw bytes are also kept in fuzz/corpus/*/regressoes/.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "servicos/erros/erros.hpp"
#include "servicos/registros/registros.hpp"

namespace {

using servicos::registros::ItemFormato;

struct Caso {
    const char* nome;
    std::string formato;
    std::vector<ItemFormato> itens;
    std::vector<std::string> registros;
};

void PrintTo(const Caso& caso, std::ostream* saida) { *saida << caso.nome; }

class RepeticoesOciosas : public ::testing::TestWithParam<Caso> {};

// Groups repeated tens of thousands of times around one another whose body
// writes nothing and takes no item used to walk every repetition (about 3.5e13
// for three levels), never returning. Such a repetition changes nothing a
// later one would not set again, so the result is that of a single one; a
// repetition that writes still repeats in full.
TEST_P(RepeticoesOciosas, TerminamComOMesmoResultado) {
    servicos::erros::definir_modo_teste(true);
    EXPECT_EQ(servicos::registros::formatar_registros(GetParam().formato, GetParam().itens), GetParam().registros);
}

INSTANTIATE_TEST_SUITE_P(
    Formatos, RepeticoesOciosas,
    ::testing::Values(Caso{"Tabulacoes", "(32767(32767(32767(T5))))", {}, {""}},
                      Caso{"LiteraisVazios", "(32767(32767(32767(''))))", {}, {""}},
                      Caso{"DoisPontosComItens", "(32767(32767(32767(1P,:))),E10.3)", {1.0}, {" 1.000E+00"}},
                      Caso{"EntreTextos", "('a',32767(32767(T3)),'b')", {}, {"a b"}},
                      Caso{"RepeticaoQueEscreve", "(2(T3,'y'),3('x'))", {}, {"  yyxxx"}},
                      Caso{"RegistrosRepetidos", "(2(2(/)))", {}, {"", "", "", "", ""}},
                      Caso{"OciosaDepoisDeEscrever", "(2('z',32767(T1)))", {}, {"zz"}}),
    [](const auto& info) { return std::string(info.param.nome); });

}  // namespace
