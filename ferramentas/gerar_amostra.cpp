// Writes the sample of the elementary functions that both builds check
// (tests/dados/elementares/amostra.txt): for each function, 10^4 arguments
// over its ranges and binades and every third of its hard cases, each with
// the correctly rounded result from MPFR, as the bit patterns of the two
// doubles in hex:
//
//     <s|e|a> <argument> <result>        (seno, exponencial, arco_cosseno)
//
//     build/padrao/ferramentas/gerar_amostra > tests/dados/elementares/amostra.txt
#include <cinttypes>
#include <cstdio>
#include <vector>

#include "referencia.hpp"

int main() {
    using referencia::Funcao;
    for (const Funcao f : {Funcao::seno, Funcao::exponencial, Funcao::arco_cosseno}) {
        std::vector<double> xs = referencia::amostra(f, 10000, 20261208 + static_cast<int>(f));
        std::vector<double> dificeis = referencia::casos_dificeis(f);
        if (f == Funcao::seno)
            for (const double x : referencia::perto_de_multiplos_de_pi_2()) dificeis.push_back(x);
        for (std::size_t i = 0; i < dificeis.size(); i += 3) xs.push_back(dificeis[i]);
        const char letra = f == Funcao::seno ? 's' : f == Funcao::exponencial ? 'e' : 'a';
        for (const double x : xs)
            std::printf("%c %016" PRIx64 " %016" PRIx64 "\n", letra, referencia::bits(x),
                        referencia::bits(referencia::correta(f, x)));
    }
    return 0;
}
