// Watched math functions: the function runs under a hold of the detection
// (as a trapping unit would have let the function finish and then judge the
// result), and the faults it made and errno decide the report: under traps
// the unit's flags, under checked values its result against its arguments.
// Underflow and partial loss of significance pass silently with the
// function's default result. The sine, the exponential and the arc cosine are
// our own correctly rounded ones (elementares.hpp), the same bits on every
// platform; they raise invalid for a NaN result from a non-NaN argument and
// overflow for an infinite exponential, and never touch errno.
#include "servicos/erros/matematica.hpp"

#include <cerrno>
#include <cmath>
#include <optional>

#include "servicos/base/deteccao.hpp"
#include "servicos/base/mensagens.hpp"
#include "servicos/elementares/elementares.hpp"
#include "servicos/erros/erros.hpp"

namespace servicos::erros {

namespace {

namespace deteccao = base::deteccao;

// Math libraries differ in how they tell a failure: some raise only the
// exception flags, others only set errno (a domain error returning a quiet
// NaN, an overflow returning infinity without the flag). Either one counts.
std::optional<base::CodigoMatematica> falha_da_funcao(unsigned falhas, int erro, double resultado) {
    if ((falhas & deteccao::falha_invalida) || erro == EDOM) return base::mensagem::funcao_dominio;
    if (falhas & deteccao::falha_divisao_por_zero) return base::mensagem::funcao_singularidade;
    if ((falhas & deteccao::falha_overflow) || (erro == ERANGE && std::isinf(resultado)))
        return base::mensagem::funcao_overflow;
    return std::nullopt;
}

// The volatile operands pin the computation between holding and giving back
// the detection: without them the compiler may evaluate it (pow(x, 2.0)
// becomes x*x) outside that window. `pelos_valores(argumento, resultado)`
// gives the faults that checked values see.
template <typename Funcao, typename PelosValores>
double vigiar(const char* nome, double argumento, Funcao funcao, PelosValores pelos_valores) {
    double resultado;
    std::optional<base::CodigoMatematica> falha;
    {
        const deteccao::Retencao retida;
        errno = 0;
        volatile double entrada = argumento;
        volatile double saida = funcao(entrada);
        resultado = saida;
        const unsigned falhas = deteccao::por_armadilhas ? retida.falhas() : pelos_valores(argumento, resultado);
        falha = falha_da_funcao(falhas, errno, resultado);
    }
    if (falha) relatar_erro(*falha, base::instrucao::math, nome);
    return resultado;
}

// A function of one argument, judged as one.
template <typename Funcao>
double vigiar(const char* nome, double argumento, Funcao funcao) {
    return vigiar(nome, argumento, funcao, &deteccao::falhas_da_funcao);
}

}  // namespace

// A square is the product x·x: its one rounding gives the double nearest to
// the exact square, which is what the real power function means. Libraries'
// pow(x, 2.0) do not all return it (one is a unit in the last place off now
// and then), and the program's squares must be the same bits everywhere.
// Zero to a negative power is the pole of the function; some libraries return
// the infinity there without raising any flag or errno, so it is caught here.
double potencia(double base, double expoente) {
    if (expoente == 2.0)
        return vigiar("**", base, [](double b) { return b * b; },
                      [](double b, double r) { return deteccao::falhas_da_operacao(b, b, r, false); });
    if (base == 0.0 && expoente < 0.0) relatar_erro(base::mensagem::funcao_singularidade, base::instrucao::math, "**");
    return vigiar("**", base, [=](double b) { return std::pow(b, expoente); },
                  [=](double b, double r) { return deteccao::falhas_da_operacao(b, expoente, r, false); });
}
double seno(double x) {
    return vigiar("sin", x, [](double a) { return elementares::seno(a); });
}
double exponencial(double x) {
    return vigiar("exp", x, [](double a) { return elementares::exponencial(a); });
}
double arco_cosseno(double x) {
    return vigiar("acos", x, [](double a) { return elementares::arco_cosseno(a); });
}

}  // namespace servicos::erros
