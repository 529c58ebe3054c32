// Watched math functions: the function runs with the traps held (as a
// trapping unit would have let the function finish and then judge the
// result), and its exception flags and errno decide the report. Underflow and
// partial loss of significance pass silently with the function's default
// result. The sine, the exponential and the arc cosine are our own correctly
// rounded ones (elementares.hpp), the same bits on every platform; they
// raise invalid for a NaN result from a non-NaN argument and overflow for
// an infinite exponential, and never touch errno.
#include "servicos/erros/matematica.hpp"

#include <cerrno>
#include <cfenv>
#include <cmath>
#include <optional>

#include "servicos/base/mensagens.hpp"
#include "servicos/elementares/elementares.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/plataforma/plataforma.hpp"

namespace servicos::erros {

namespace {

// Math libraries differ in how they tell a failure: some raise only the
// exception flags, others only set errno (a domain error returning a quiet
// NaN, an overflow returning infinity without the flag). Either one counts.
std::optional<base::CodigoMatematica> falha_da_funcao(int sinalizadas, int erro, double resultado) {
    if ((sinalizadas & FE_INVALID) || erro == EDOM) return base::mensagem::funcao_dominio;
    if (sinalizadas & FE_DIVBYZERO) return base::mensagem::funcao_singularidade;
    if ((sinalizadas & FE_OVERFLOW) || (erro == ERANGE && std::isinf(resultado))) return base::mensagem::funcao_overflow;
    return std::nullopt;
}

// The volatile operands pin the computation between holding and giving back
// the traps: without them the compiler may evaluate it (pow(x, 2.0) becomes
// x*x) outside that window.
template <typename Funcao>
double vigiar(const char* nome, double argumento, Funcao funcao) {
    double resultado;
    std::optional<base::CodigoMatematica> falha;
    {
        const plataforma::ArmadilhasRetidas retidas;
        errno = 0;
        volatile double entrada = argumento;
        volatile double saida = funcao(entrada);
        resultado = saida;
        falha = falha_da_funcao(retidas.falhas(), errno, resultado);
    }
    if (falha) relatar_erro(*falha, base::instrucao::math, nome);
    return resultado;
}

}  // namespace

// A square is the product x·x: its one rounding gives the double nearest to
// the exact square, which is what the real power function means. Libraries'
// pow(x, 2.0) do not all return it (one is a unit in the last place off now
// and then), and the program's squares must be the same bits everywhere.
// Zero to a negative power is the pole of the function; some libraries return
// the infinity there without raising any flag or errno, so it is caught here.
double potencia(double base, double expoente) {
    if (expoente == 2.0) return vigiar("**", base, [](double b) { return b * b; });
    if (base == 0.0 && expoente < 0.0) relatar_erro(base::mensagem::funcao_singularidade, base::instrucao::math, "**");
    return vigiar("**", base, [=](double b) { return std::pow(b, expoente); });
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
