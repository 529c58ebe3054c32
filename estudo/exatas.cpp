#include "exatas.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "servicos/elementares/elementares.hpp"

namespace estudo {

namespace {

constexpr double infinito = std::numeric_limits<double>::infinity();
constexpr double nao_numero = std::numeric_limits<double>::quiet_NaN();
constexpr double subnormal_minimo = std::numeric_limits<double>::denorm_min();

// The series below are summed while |u|, |v| stay under this; their terms
// then shrink at least eight times each.
constexpr double raio_da_serie = 0.125;
constexpr int termos_maximos = 200;

// ln|A| + z = -sum_{k>=2} (u^k - (-v)^k)/k, u = (1 - theta) z, v = theta z:
// the linear terms of ln(1 - u) - ln(1 + v) + z cancel exactly (u + v = z),
// and each remaining term is formed without cancellation. With p = u and
// q = -v, p^k - q^k = (p - q) sum_j p^j q^(k-1-j) and p - q = z; when p and
// q have the same sign (theta outside (0, 1)) that sum has terms of one
// sign. When their signs differ, odd k gives p^k - q^k with terms of one
// sign, and even k gives (p^2 - q^2) sum_i p^(2i) q^(k-2-2i), where
// p^2 - q^2 = z (1 - 2 theta) z, exact to a rounding for theta near 1/2.
Cotado serie_de_d(double theta, double z) {
    const double p = (1.0 - theta) * z;
    const double q = -(theta * z);
    const double p_menos_q_vezes_p_mais_q = z * ((1.0 - 2.0 * theta) * z);
    const bool mesmo_sinal = p * q >= 0.0;
    double soma = 0.0, arredondamento = 0.0, ultimo = 0.0;
    double H = 1.0, q_k = 1.0;       // sum_j p^j q^(k-1-j) and q^(k-1)
    double p_k = p, q_pot = q;       // p^k and q^k
    double G = 1.0, q2_m = 1.0;      // sum_i (p^2)^i (q^2)^(m-1-i) and (q^2)^(m-1), k = 2m
    const double p2 = p * p, q2 = q * q;
    // |p^k - q^k| <= 2 w^k: what the terms after k can still add is at most
    // 2 w^(k+1)/((k + 1)(1 - w)). (A term alone can vanish: for theta = 1/2
    // every even one does.)
    const double w = std::max(std::fabs(p), std::fabs(q));
    double w_k = w * w;
    for (int k = 2; k <= termos_maximos; ++k, w_k *= w) {
        p_k *= p;
        q_pot *= q;
        double termo = 0.0;
        if (mesmo_sinal) {
            q_k *= q;
            H = p * H + q_k;
            termo = z * H;
        } else if (k % 2 == 1) {
            termo = p_k - q_pot;
        } else {
            if (k > 2) {
                q2_m *= q2;
                G = p2 * G + q2_m;
            }
            termo = p_menos_q_vezes_p_mais_q * G;
        }
        termo /= k;
        soma -= termo;
        arredondamento += std::fabs(termo) * (3.0 * k + 10.0) * epsilon;
        ultimo = 2.0 * w_k * w / ((k + 1.0) * (1.0 - w));
        if (ultimo <= 0.25 * epsilon * std::fabs(soma)) break;
    }
    return {soma, arredondamento + ultimo + 2.0 * epsilon * std::fabs(soma)};
}

PartesFechadas partes_sem_subnormais(const PassoMeiaSenoide& passo, std::int64_t Nt, double Ti);

// ln|1 + x|, through log1p where 1 + x keeps its sign.
double log_de_um_mais(double x) { return x > -1.0 ? std::log1p(x) : std::log(-1.0 - x); }

}  // namespace

int sinal_certo(const Cotado& c) {
    if (c.valor - c.cota > 0.0) return 1;
    if (c.valor + c.cota < 0.0) return -1;
    return 0;
}

Cotado soma(const Cotado& a, const Cotado& b) {
    const double s = a.valor + b.valor;
    return {s, a.cota + b.cota + epsilon * std::fabs(s)};
}

double phi_menos_seno(double phi) {
    if (!(std::fabs(phi) <= 1.0)) return phi - servicos::elementares::seno(phi);
    // phi^3/3! - phi^5/5! + ...: each term below 1/20 of the one before.
    const double phi2 = phi * phi;
    double termo = phi * phi2 / 6.0;
    double soma = termo;
    for (int k = 1; k < 30; ++k) {
        termo *= -phi2 / ((2.0 * k + 2.0) * (2.0 * k + 3.0));
        soma += termo;
        if (std::fabs(termo) <= 0.25 * epsilon * std::fabs(soma)) break;
    }
    return soma;
}

PassoMeiaSenoide passo_meia_senoide(double theta, double F, double phi) {
    PassoMeiaSenoide passo;
    const double s = servicos::elementares::seno(phi);
    const double s2 = s * s;
    const double z = 4.0 * F * s2;
    passo.z = z;
    passo.A = (1.0 - 4.0 * (1.0 - theta) * F * s2) / (1.0 + 4.0 * theta * F * s2);
    if (!std::isfinite(z) || !std::isfinite(theta) || !std::isfinite(passo.A)) {
        passo.log_A = passo.d = passo.q = {nao_numero, infinito};
        passo.cota_relativa_A = infinito;
        return passo;
    }
    const double u = (1.0 - theta) * z;
    const double v = theta * z;
    const double um_menos_u = std::fabs(1.0 - u), um_mais_v = std::fabs(1.0 + v);
    // How d moves with z: the error of z itself (the input's roundings).
    const double derivada = std::fabs(1.0 - (1.0 - theta) / (1.0 - u) - theta / (1.0 + v)) +
                            4.0 * epsilon * (1.0 + std::fabs(1.0 - theta) / um_menos_u + std::fabs(theta) / um_mais_v);
    const double de_z = derivada * erro_relativo_de_z * std::fabs(z);
    if (std::max(std::fabs(u), std::fabs(v)) <= raio_da_serie) {
        passo.d = serie_de_d(theta, z);
        passo.d.cota += de_z;
        const double log_A = passo.d.valor - z;
        passo.log_A = {log_A, passo.d.cota + erro_relativo_de_z * std::fabs(z) + epsilon * std::fabs(log_A)};
    } else {
        const double L1 = log_de_um_mais(-u), L2 = log_de_um_mais(v);
        const double log_A = L1 - L2;
        const double arredondamento = epsilon * (std::fabs(u) / um_menos_u + std::fabs(v) / um_mais_v) +
                                      2.0 * epsilon * (std::fabs(L1) + std::fabs(L2));
        passo.log_A = {log_A, arredondamento + epsilon * std::fabs(log_A) +
                                  (derivada + 1.0) * erro_relativo_de_z * std::fabs(z)};
        passo.d = {log_A + z, arredondamento + 2.0 * epsilon * (std::fabs(log_A) + std::fabs(z)) + de_z};
    }
    passo.cota_relativa_A =
        epsilon * (2.0 + 5.0 * std::fabs(u) / um_menos_u + 5.0 * std::fabs(v) / um_mais_v) +
        (std::fabs(1.0 - theta) / um_menos_u + std::fabs(theta) / um_mais_v) * erro_relativo_de_z * std::fabs(z);
    // z (r - 1), r - 1 = (phi - s)(phi + s)/s^2.
    const double r_menos_1 = phi_menos_seno(phi) * (phi + s) / s2;
    passo.q = {z * r_menos_1, std::fabs(z * r_menos_1) * (16.0 * epsilon + erro_relativo_de_z)};
    return passo;
}

PartesFechadas partes_fechadas(const PassoMeiaSenoide& passo, std::int64_t Nt, double Ti) {
    PartesFechadas partes = partes_sem_subnormais(passo, Nt, Ti);
    // Below the normal doubles each of the few operations of a part may
    // lose up to the least subnormal.
    constexpr double subnormal = 8.0 * std::numeric_limits<double>::denorm_min();
    partes.tempo.cota += subnormal;
    partes.espaco.cota += subnormal;
    return partes;
}

namespace {

PartesFechadas partes_sem_subnormais(const PassoMeiaSenoide& passo, std::int64_t Nt, double Ti) {
    PartesFechadas partes;
    const double N = static_cast<double>(Nt);
    const double ti = std::fabs(Ti);
    // The bounds multiply the amplitude and the factors first: a subnormal
    // error times a small factor would round to zero.
    partes.log10_A_Nt = N * passo.log_A.valor / std::numbers::ln10;
    if (!std::isfinite(passo.d.valor) || !std::isfinite(passo.q.valor)) {
        partes.tempo = partes.espaco = {nao_numero, infinito};
        return partes;
    }
    const double a = -(N * passo.z);  // ln exp(-Nt z)
    const double erro_a = std::fabs(a) * (epsilon + erro_relativo_de_z);
    const double semi = std::exp(a);
    // Below the normal doubles exp rounds to a multiple of the least
    // subnormal: an absolute error that the factors after it multiply.
    const double erro_semi = semi * (erro_a + epsilon) + subnormal_minimo;

    // The grid's part: Ti exp(-Nt z) expm1(-Nt q).
    const double x = -(N * passo.q.valor);
    const double erro_x = N * passo.q.cota + epsilon * std::fabs(x);
    const double E = std::expm1(x);
    const double erro_E = std::exp(x + erro_x) * erro_x + epsilon * std::fabs(E);
    const double espaco = Ti * semi * E;
    partes.espaco = {espaco, (ti * semi) * erro_E + (ti * std::fabs(E)) * erro_semi + 2.0 * epsilon * std::fabs(espaco)};

    // The time stepping's: Ti (exp(-Nt z) - A^Nt).
    const double A = passo.A;
    const double erro_A = std::max(std::fabs(A) * passo.cota_relativa_A, 2.0 * epsilon);
    if (std::fabs(A) <= erro_A) {
        // A may be either side of 0: A^Nt is at most (|A| + its error)^Nt.
        const double resto = std::pow(std::fabs(A) + erro_A, N);
        partes.tempo = {Ti * semi, ti * (erro_semi + resto) + epsilon * ti * semi};
        return partes;
    }
    const double y = N * passo.d.valor;
    const double erro_y = N * passo.d.cota + epsilon * std::fabs(y);
    const bool A_Nt_positivo = A > 0.0 || Nt % 2 == 0;
    if (A_Nt_positivo && std::fabs(y) <= 1.0) {
        const double Em = std::expm1(y);
        const double tempo = -(Ti * semi * Em);
        const double erro_Em = std::exp(y + erro_y) * erro_y + epsilon * std::fabs(Em);
        partes.tempo = {tempo,
                        (ti * semi) * erro_Em + (ti * std::fabs(Em)) * erro_semi + 2.0 * epsilon * std::fabs(tempo)};
        return partes;
    }
    // |A|^Nt and exp(-Nt z) differ by a factor e or more: no cancellation.
    const double b = N * passo.log_A.valor;
    const double erro_b = N * passo.log_A.cota + epsilon * std::fabs(b);
    const double A_Nt = std::exp(b);
    const double tempo = A_Nt_positivo ? Ti * (semi - A_Nt) : Ti * (semi + A_Nt);
    partes.tempo = {tempo, ti * erro_semi + (ti * A_Nt) * (erro_b + epsilon) + ti * subnormal_minimo +
                               2.0 * epsilon * std::fabs(tempo)};
    return partes;
}

}  // namespace

RazoesDoPasso razoes_do_passo(const PassoMeiaSenoide& passo, std::int64_t Nt) {
    auto de_expm1 = [](double x, double erro_x) {
        const double e = std::expm1(x);
        return Cotado{e, std::exp(x + erro_x) * erro_x + 2.0 * epsilon * std::fabs(e)};
    };
    const double N = static_cast<double>(Nt);
    const double d_q = passo.d.valor + passo.q.valor;
    const double erro_d_q = passo.d.cota + passo.q.cota + epsilon * std::fabs(d_q);
    return {de_expm1(passo.d.valor, passo.d.cota), de_expm1(passo.q.valor, passo.q.cota), de_expm1(d_q, erro_d_q),
            de_expm1(N * d_q, N * erro_d_q + epsilon * std::fabs(N * d_q))};
}

ModoMaisRapido modo_mais_rapido(double theta, double F, std::int32_t Nx) {
    ModoMaisRapido modo;
    double menor_folga = infinito;
    for (std::int32_t m = 1; m <= Nx - 2; ++m) {
        const double s = servicos::elementares::seno(std::numbers::pi * m / (2.0 * (Nx - 1.0)));
        const double s2 = s * s;
        const double termo = 4.0 * theta * F * s2;
        const double denominador = 1.0 + termo;
        const double A = (1.0 - 4.0 * (1.0 - theta) * F * s2) / denominador;
        // The denominator's rounding and the error of F s^2 from the input.
        const double erro = epsilon * (1.0 + 4.0 * std::fabs(termo)) + erro_relativo_de_z * std::fabs(termo);
        const double folga = std::fabs(denominador) / erro;
        if (folga <= 1.0 && folga < menor_folga) {
            menor_folga = folga;
            modo.m_singular = m;
            modo.denominador = denominador;
        }
        const bool maior = modo.m == 0 || std::isnan(A) || std::fabs(A) > std::fabs(modo.A);
        if (maior && !std::isnan(modo.A)) {
            modo.m = m;
            modo.s2 = s2;
            modo.A = A;
        }
    }
    return modo;
}

}  // namespace estudo
