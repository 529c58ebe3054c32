// Watched math functions: the platform's function runs with the traps held
// (as a trapping unit would have let the function finish and then judge the
// result), and its exception flags decide the report. Underflow and partial
// loss of significance pass silently with the function's default result.
#include <cfenv>
#include <cmath>

#include "servicos/erros.hpp"

namespace servicos {

namespace {

// The volatile operands pin the computation between the two environment
// calls: without them the compiler may evaluate it (pow(x, 2.0) becomes x*x)
// outside the window in which the traps are held.
template <typename Funcao>
double vigiar(const char* nome, double argumento, Funcao funcao) {
    std::fenv_t ambiente;
    std::feholdexcept(&ambiente);  // save, clear the flags, stop trapping
    volatile double entrada = argumento;
    volatile double saida = funcao(entrada);
    const double resultado = saida;
    const int sinalizadas = std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
    std::fesetenv(&ambiente);  // traps and earlier flags back as they were
    if (sinalizadas & FE_INVALID) relatar_erro(mensagem::funcao_dominio, TipoInstrucao::math, nome);
    if (sinalizadas & FE_DIVBYZERO) relatar_erro(mensagem::funcao_singularidade, TipoInstrucao::math, nome);
    if (sinalizadas & FE_OVERFLOW) relatar_erro(mensagem::funcao_overflow, TipoInstrucao::math, nome);
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
