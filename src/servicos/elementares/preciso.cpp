// The accurate paths of the elementary functions: fixed point with N - 1
// fraction limbs of 64 bits (320 bits first, 576 if that ever fails to
// decide), Taylor series, and a rounding that tells when the bits at hand
// cannot decide it. The hardest doubles to round known for these functions
// need about 120 bits; 320 leave a wide margin.
#include <cstdint>

#include "servicos/elementares/detalhe.hpp"

namespace servicos::elementares::detalhe {

namespace {

constexpr double deslocador = 0x1.8p52;

// The first N limbs of a constant: truncated, within one ulp.
template <int N>
Fixo<N> constante(const std::uint64_t (&limbos)[limbos_constantes]) {
    static_assert(N <= limbos_constantes);
    Fixo<N> r;
    for (int i = 0; i < N; ++i) r.limbo[i] = limbos[i];
    return r;
}

// Bound, in ulps, on the error of a series of `termos` terms after the first:
// each term loses less than one ulp in its product and one in its quotient,
// and carries the earlier terms' losses scaled down; the tail left out is
// below one ulp.
std::uint64_t erro_da_serie(int termos) { return 4 * static_cast<std::uint64_t>(termos) + 8; }

// sin y (cosseno false) or cos y (cosseno true) for 0 <= y < 1, by Taylor
// series; `termos` receives the number of terms after the first.
template <int N>
Fixo<N> serie_trigonometrica(const Fixo<N>& y, bool cosseno, int& termos) {
    assert(!eh_negativo(y) && y.limbo[0] == 0);  // 0 <= y < 1
    const Fixo<N> y2 = multiplicar(y, y);
    Fixo<N> termo = cosseno ? potencia<N>(0) : y;
    Fixo<N> soma = termo;
    termos = 0;
    // Each term is below half the one before (y^2 < 1, n (n + 1) >= 2), so
    // the last limb empties within 64 N terms.
    for (std::uint64_t n = cosseno ? 1 : 2; !eh_zero(termo) && termos < 64 * N; n += 2) {
        termo = dividir(multiplicar(termo, y2), n * (n + 1));
        soma = (termos % 2 == 0) ? subtrair(soma, termo) : somar(soma, termo);
        ++termos;
    }
    return soma;
}

// e^r for |r| < 1/2 by Taylor series; `termos` receives the number of terms
// after the first.
template <int N>
Fixo<N> serie_exponencial(const Fixo<N>& r, int& termos) {
    const bool negativo = eh_negativo(r);
    const Fixo<N> a = modulo(r);
    assert(a.limbo[0] == 0 && (a.limbo[1] >> 63) == 0);  // |r| < 1/2
    Fixo<N> termo = potencia<N>(0);
    Fixo<N> soma = termo;
    termos = 0;
    // Each term is below half the one before (|r| < 1/2), so the last limb
    // empties within 64 N terms.
    for (std::uint64_t n = 1; !eh_zero(termo) && termos < 64 * N; ++n) {
        termo = dividir(multiplicar(termo, a), n);
        soma = (negativo && n % 2 == 1) ? subtrair(soma, termo) : somar(soma, termo);
        ++termos;
    }
    return soma;
}

// Rounding to nearest, k = round(2x/pi) leaves |y| <= pi/4 (plus a hair);
// in another rounding mode k may miss by one, leaving |y| up to 3 pi/4. Such
// a y (|y| >= 1) is brought back by pi/2, with its quadrant and error, so
// that the series sees |y| < 1 in every mode.
template <int N>
Fixo<N> a_um_quadrante(const Fixo<N>& y, int& quadrante, std::uint64_t& erro) {
    if (modulo(y).limbo[0] == 0) return y;
    erro += 1;
    const bool negativo = eh_negativo(y);
    quadrante = (quadrante + (negativo ? 3 : 1)) & 3;
    return negativo ? somar(y, constante<N>(fixo_pi_2)) : subtrair(y, constante<N>(fixo_pi_2));
}

// x = y + k pi/2 for a double x with 2^-26 <= |x|: y in fixed point with
// |y| <= pi/4 (plus a hair), its error in ulps, and k mod 4.
template <int N>
Fixo<N> reduzir(double x, int& quadrante, std::uint64_t& erro) {
    if (x < 0x1p20 && x > -0x1p20) {
        // Cody-Waite with pi/2 to 64 (N - 1) bits: |kd| ulps of error at most.
        const double kd = (x * dois_sobre_pi + deslocador) - deslocador;
        const auto k = static_cast<std::int64_t>(kd);
        quadrante = static_cast<int>(k & 3);
        const Fixo<N> kpi = multiplicar(constante<N>(fixo_pi_2), static_cast<std::uint64_t>(k < 0 ? -k : k));
        erro = static_cast<std::uint64_t>(k < 0 ? -k : k) + 1;
        const Fixo<N> X = de_double<N>(x);
        const Fixo<N> y = k < 0 ? somar(X, kpi) : subtrair(X, kpi);
        return a_um_quadrante(y, quadrante, erro);
    }
    // Payne-Hanek with N - 1 words of 2/pi: the fraction within
    // 2^(55 - 64 (N - 1)) + 1 ulp, times pi/2 (and its own ulp).
    const bool negativo = x < 0.0;
    Fixo<N> f = reduzir_payne_hanek<N>(negativo ? -x : x, N - 1, quadrante);
    const bool fracao_negativa = eh_negativo(f);
    Fixo<N> y = multiplicar(modulo(f), constante<N>(fixo_pi_2));
    if (fracao_negativa != negativo) y = negar(y);
    if (negativo) quadrante = (4 - quadrante) & 3;
    erro = (std::uint64_t{1} << 56) + 4;
    return y;
}

// sin x (quadrante 0) or cos x (quadrante 1) with N limbs.
template <int N>
Arredondado seno_fixo(double x, int quadrante) {
    int k = 0;
    std::uint64_t erro = 0;
    const Fixo<N> y = reduzir<N>(x, k, erro);
    const int q = (k + quadrante) & 3;
    int termos = 0;
    const Fixo<N> valor = serie_trigonometrica(modulo(y), (q & 1) != 0, termos);
    const bool negativo = (q & 1) == 0 ? (q == 2) != eh_negativo(y) : q == 3;
    Arredondado r = arredondar(valor, 0, erro + erro_da_serie(termos));
    if (negativo) r.valor = -r.valor;
    return r;
}

// e^x with N limbs: x = k ln2 + r, e^x = 2^k e^r.
template <int N>
Arredondado exponencial_fixa(double x) {
    const double kd = (x * inv_ln2 + deslocador) - deslocador;  // |kd| <= 1076
    const auto k = static_cast<std::int64_t>(kd);
    const std::uint64_t ak = static_cast<std::uint64_t>(k < 0 ? -k : k);
    const Fixo<N> kln2 = multiplicar(constante<N>(fixo_ln2), ak);  // within |k| ulps
    const Fixo<N> X = de_double<N>(x);  // exact: |x| >= 2^-54 has no bit below 2^-106
    Fixo<N> r = k < 0 ? somar(X, kln2) : subtrair(X, kln2);
    // Rounding to nearest, |r| <= ln2/2 (plus a hair); in another rounding
    // mode k may miss by one, leaving |r| up to 3 ln2/2, which is brought
    // back by ln2 so that the series sees |r| < 1/2 in every mode.
    std::uint64_t erro_r = ak + 1;
    int e = static_cast<int>(k);
    if (modulo(r).limbo[1] >> 63 != 0 || modulo(r).limbo[0] != 0) {
        const bool negativo = eh_negativo(r);
        r = negativo ? somar(r, constante<N>(fixo_ln2)) : subtrair(r, constante<N>(fixo_ln2));
        e += negativo ? -1 : 1;
        erro_r += 1;
    }
    int termos = 0;
    const Fixo<N> valor = serie_exponencial(r, termos);
    // The error of r is scaled by e^r < 2 in the result.
    return arredondar(valor, e, 2 * erro_r + erro_da_serie(termos));
}

// Where arccos x lies against the midpoints around the double r (0 < r < pi):
// -1 below the lower one, +1 above the upper one, 0 between them, 2 when
// the comparison with cos at the midpoints cannot be decided at N limbs.
// arccos decreases, so arccos x < m exactly when x > cos m.
template <int N>
int lado_do_arco_cosseno(double x, double r) {
    const double vizinhos[2] = {std::bit_cast<double>(std::bit_cast<std::uint64_t>(r) - 1),
                                std::bit_cast<double>(std::bit_cast<std::uint64_t>(r) + 1)};
    const Fixo<N> X = de_double_truncado<N>(x);  // within one ulp
    const Fixo<N> R = de_double<N>(r);
    for (int lado = 0; lado < 2; ++lado) {
        const Fixo<N> m = dividir(somar(R, de_double<N>(vizinhos[lado])), 2);  // exact: r >= 2^-27
        // k = round(2r/pi), 0, 1 or 2 for 0 < r < pi, but for a miss by one
        // in another rounding mode, which a_um_quadrante mends.
        const double kd = (r * dois_sobre_pi + deslocador) - deslocador;
        int q = static_cast<int>(kd);
        std::uint64_t erro = static_cast<std::uint64_t>(q) + 2;
        const Fixo<N> kpi = multiplicar(constante<N>(fixo_pi_2), static_cast<std::uint64_t>(q));
        const Fixo<N> y = a_um_quadrante(subtrair(m, kpi), q, erro);
        int termos = 0;
        // cos(y + q pi/2): cos y, -sin y, -cos y, sin y.
        Fixo<N> c = serie_trigonometrica(modulo(y), q % 2 == 0, termos);
        if (q == 2 || (q == 1 && !eh_negativo(y)) || (q == 3 && eh_negativo(y))) c = negar(c);
        const Fixo<N> diferenca = subtrair(c, X);  // cos m - x
        erro += erro_da_serie(termos);
        const Fixo<N> distancia = modulo(diferenca);
        bool perto = true;
        for (int l = 0; l < N - 1; ++l) perto = perto && distancia.limbo[l] == 0;
        if (perto && distancia.limbo[N - 1] <= erro) return 2;
        const bool x_acima = eh_negativo(diferenca);  // x > cos m: arccos x < m
        if (lado == 0 && x_acima) return -1;
        if (lado == 1 && !x_acima) return +1;
    }
    return 0;
}

}  // namespace

double exponencial_precisa(double x) {
    const Arredondado r = exponencial_fixa<6>(x);
    return r.decidido ? r.valor : exponencial_fixa<10>(x).valor;
}

double seno_preciso(double x, int quadrante) {
    const Arredondado r = seno_fixo<6>(x, quadrante);
    return r.decidido ? r.valor : seno_fixo<10>(x, quadrante).valor;
}

double arco_cosseno_preciso(double x, double candidato) {
    double r = candidato;
    for (int passo = 0; passo < 16; ++passo) {
        int lado = lado_do_arco_cosseno<6>(x, r);
        if (lado == 2) lado = lado_do_arco_cosseno<10>(x, r);
        if (lado == 0 || lado == 2) return r;
        r = std::bit_cast<double>(std::bit_cast<std::uint64_t>(r) + static_cast<std::uint64_t>(lado));
    }
    return r;
}

}  // namespace servicos::elementares::detalhe
