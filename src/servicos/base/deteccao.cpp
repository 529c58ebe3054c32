// What both implementations of the fault detection share: the judgement of a
// result by its value, the report numbers of the faults, the guards.
#include "servicos/base/deteccao.hpp"

#include "servicos/base/mensagens.hpp"

namespace servicos::base::deteccao {

namespace {

constexpr std::uint64_t bit_silencioso = 0x0008000000000000;  // the quiet bit of a NaN

bool nao_numero(double v) { return !finito(v) && (std::bit_cast<std::uint64_t>(v) << 12) != 0; }
bool sinalizador(double v) { return nao_numero(v) && (std::bit_cast<std::uint64_t>(v) & bit_silencioso) == 0; }

}  // namespace

CodigoMatematica codigo_da_falha(unsigned falhas) {
    if (falhas & falha_invalida) return mensagem::ponto_flutuante_invalido;
    if (falhas & falha_divisao_por_zero) return mensagem::ponto_flutuante_divisao_zero;
    return mensagem::ponto_flutuante_overflow;
}

unsigned falhas_da_operacao(double a, double b, double resultado, bool divisao) {
    if (sinalizador(a) || sinalizador(b)) return falha_invalida;
    if (nao_numero(resultado)) return nao_numero(a) || nao_numero(b) ? 0 : falha_invalida;
    if (finito(resultado) || !finito(a) || !finito(b)) return 0;
    return divisao && b == 0.0 ? falha_divisao_por_zero : falha_overflow;
}

unsigned falhas_da_funcao(double argumento, double resultado) {
    if (sinalizador(argumento)) return falha_invalida;
    if (nao_numero(resultado)) return nao_numero(argumento) ? 0 : falha_invalida;
    return !finito(resultado) && finito(argumento) ? falha_overflow : 0;
}

std::int64_t inteiro_truncado(double v) {
    // -2^63 itself converts; 2^63 and beyond do not.
    if (v >= -0x1p63 && v < 0x1p63) return static_cast<std::int64_t>(v);
    detalhe::notar(falha_invalida);
    return INT64_MIN;
}

}  // namespace servicos::base::deteccao
