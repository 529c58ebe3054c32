// Watched math functions: the platform's function runs with the traps held
// (as a trapping unit would have let the function finish and then judge the
// result), and its exception flags and errno decide the report. Underflow and
// partial loss of significance pass silently with the function's default result.
#include <cerrno>
#include <cfenv>
#include <cmath>

#include "servicos/erros.hpp"

namespace servicos {

namespace {

// Math libraries differ in how they tell a failure: some raise only the
// exception flags, others only set errno (a domain error returning a quiet
// NaN, an overflow returning infinity without the flag). Either one counts.
int falha_da_funcao(int sinalizadas, int erro, double resultado) {
    if ((sinalizadas & FE_INVALID) || erro == EDOM) return mensagem::funcao_dominio;
    if (sinalizadas & FE_DIVBYZERO) return mensagem::funcao_singularidade;
    if ((sinalizadas & FE_OVERFLOW) || (erro == ERANGE && std::isinf(resultado))) return mensagem::funcao_overflow;
    return 0;
}

// The volatile operands pin the computation between holding and giving back
// the traps: without them the compiler may evaluate it (pow(x, 2.0) becomes
// x*x) outside that window.
template <typename Funcao>
double vigiar(const char* nome, double argumento, Funcao funcao) {
    plataforma::segurar_armadilhas();
    errno = 0;
    volatile double entrada = argumento;
    volatile double saida = funcao(entrada);
    const double resultado = saida;
    const int falha = falha_da_funcao(std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW), errno, resultado);
    plataforma::devolver_armadilhas();
    if (falha != 0) relatar_erro(falha, TipoInstrucao::math, nome);
    return resultado;
}

}  // namespace

double potencia(double base, double expoente) {
    return vigiar("**", base, [=](double b) { return std::pow(b, expoente); });
}
double seno(double x) {
    return vigiar("sin", x, [](double a) { return std::sin(a); });
}
double exponencial(double x) {
    return vigiar("exp", x, [](double a) { return std::exp(a); });
}
double arco_cosseno(double x) {
    return vigiar("acos", x, [](double a) { return std::acos(a); });
}

}  // namespace servicos
