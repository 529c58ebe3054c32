// MPFR as the reference of the elementary functions (test side only), and
// the arguments they are checked on: the program's own ranges, every binade
// of the double range, and the hard cases (near midpoints, near multiples of
// pi/2, at the thresholds of overflow and underflow).
#pragma once

#include <mpfr.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "servicos/elementares/detalhe.hpp"
#include "servicos/elementares/elementares.hpp"

namespace referencia {

enum class Funcao { seno, exponencial, arco_cosseno };

inline const char* nome(Funcao f) {
    return f == Funcao::seno ? "seno" : f == Funcao::exponencial ? "exponencial" : "arco_cosseno";
}

inline void PrintTo(Funcao f, std::ostream* saida) { *saida << nome(f); }

inline double nossa(Funcao f, double x) {
    namespace e = servicos::elementares;
    return f == Funcao::seno ? e::seno(x) : f == Funcao::exponencial ? e::exponencial(x) : e::arco_cosseno(x);
}

inline std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }
inline double de_bits(std::uint64_t b) { return std::bit_cast<double>(b); }
inline double proximo(double x, std::int64_t passos) {  // passos doubles away (x > 0, same sign)
    return de_bits(bits(x) + static_cast<std::uint64_t>(passos));
}

// An MPFR number of the given precision.
class Real {
public:
    explicit Real(mpfr_prec_t precisao) { mpfr_init2(v_, precisao); }
    ~Real() { mpfr_clear(v_); }
    Real(const Real&) = delete;
    Real& operator=(const Real&) = delete;
    mpfr_ptr operator*() { return v_; }

private:
    mpfr_t v_;
};

inline int avaliar(Funcao f, mpfr_ptr r, mpfr_srcptr a) {
    switch (f) {
    case Funcao::seno: return mpfr_sin(r, a, MPFR_RNDN);
    case Funcao::exponencial: return mpfr_exp(r, a, MPFR_RNDN);
    case Funcao::arco_cosseno: return mpfr_acos(r, a, MPFR_RNDN);
    }
    return 0;
}

// The double nearest to f(x), as IEEE arithmetic gives it: subnormal results
// on their own grid, overflow to infinity, NaN for arguments outside the domain.
inline double correta(Funcao f, double x) {
    const mpfr_exp_t emin = mpfr_get_emin();
    const mpfr_exp_t emax = mpfr_get_emax();
    mpfr_set_emin(-1073);  // 2^-1074 = 0.1 * 2^-1073
    mpfr_set_emax(1024);
    Real a(53), r(53);
    mpfr_set_d(*a, x, MPFR_RNDN);
    int t = avaliar(f, *r, *a);
    t = mpfr_check_range(*r, t, MPFR_RNDN);
    mpfr_subnormalize(*r, t, MPFR_RNDN);
    const double d = mpfr_get_d(*r, MPFR_RNDN);
    mpfr_set_emin(emin);
    mpfr_set_emax(emax);
    return d;
}

// f(x) to `precisao` bits (the exponent range left wide).
inline void exata(Funcao f, double x, mpfr_ptr r) {
    Real a(53);
    mpfr_set_d(*a, x, MPFR_RNDN);
    avaliar(f, r, *a);
}

// How hard f(x) is to round: -log2 of its distance to the nearest midpoint
// between doubles, in units of the result's last place (a value of 40 means
// the first 40 bits past the rounding bit tell nothing). Finite, nonzero
// results in the normal range only.
inline double dificuldade(Funcao f, double x) {
    Real v(400), m(400);
    exata(f, x, *v);
    const double arredondado = correta(f, x);
    if (!std::isfinite(arredondado) || std::fabs(arredondado) < 0x1p-1022 || arredondado == 0.0) return 0.0;
    // ulp of the result; the nearest midpoint is arredondado +- ulp/2 (the
    // smaller one below a power of two).
    const double acima = std::fabs(arredondado);
    const double ulp_acima = proximo(acima, 1) - acima;
    const double ulp_abaixo = acima - proximo(acima, -1);
    mpfr_abs(*v, *v, MPFR_RNDN);
    mpfr_sub_d(*m, *v, acima, MPFR_RNDN);  // v - |result|, within half an ulp
    const bool abaixo = mpfr_sgn(*m) < 0;
    const double ulp = abaixo ? ulp_abaixo : ulp_acima;
    mpfr_abs(*m, *m, MPFR_RNDN);
    mpfr_div_d(*m, *m, ulp, MPFR_RNDN);
    mpfr_d_sub(*m, 0.5, *m, MPFR_RNDN);  // distance to the midpoint, in ulps
    if (mpfr_zero_p(*m)) return 1000.0;
    mpfr_log2(*m, *m, MPFR_RNDN);
    return -mpfr_get_d(*m, MPFR_RNDN);
}

// Sample size per function: DIFUSAO_MPFR_AMOSTRA, else `padrao`.
inline long tamanho_da_amostra(long padrao) {
    const char* texto = std::getenv("DIFUSAO_MPFR_AMOSTRA");
    return texto ? std::atol(texto) : padrao;
}

// ---------------------------------------------------------------------------
// Arguments.

// A double of binade e (2^e <= |x| < 2^(e+1), or a subnormal of that
// magnitude below 2^-1022), random significand, random sign.
inline double de_binade(std::mt19937_64& g, int e) {
    const std::uint64_t fracao = g() >> 12;
    std::uint64_t b;
    if (e >= -1022) {
        b = (static_cast<std::uint64_t>(e + 1023) << 52) | fracao;
    } else {
        const int bits_livres = e + 1074;  // subnormal: the leading one at bit e + 1074
        b = (std::uint64_t{1} << bits_livres) | (fracao >> (52 - bits_livres));
    }
    return (g() & 1) ? -de_bits(b) : de_bits(b);
}

inline double uniforme(std::mt19937_64& g, double de, double ate) {
    return de + (ate - de) * (static_cast<double>(g() >> 11) * 0x1p-53);
}

// The double nearest to k*pi/2.
inline double multiplo_de_pi_2(double k) {
    Real p(2000);
    mpfr_const_pi(*p, MPFR_RNDN);
    mpfr_mul_d(*p, *p, k, MPFR_RNDN);
    mpfr_div_2ui(*p, *p, 1, MPFR_RNDN);
    return mpfr_get_d(*p, MPFR_RNDN);
}

// n arguments of f, by the mix described at each function. Deterministic for a seed.
inline std::vector<double> amostra(Funcao f, long n, std::uint64_t semente) {
    namespace d = servicos::elementares::detalhe;
    std::mt19937_64 g(semente);
    std::vector<double> x;
    x.reserve(static_cast<std::size_t>(n));
    constexpr double pi = 3.141592653589793;
    for (long i = 0; i < n; ++i) {
        const int parte = static_cast<int>(i % 8);
        double a = 0.0;
        switch (f) {
        case Funcao::seno:
            if (parte < 2) {
                // The initial field's arguments, x(i)*pi/Lx, as the program forms them.
                const double Lx = uniforme(g, 1e-3, 1e3);
                const double Nx = static_cast<double>(2 + g() % 100000);
                const double no = static_cast<double>(g() % static_cast<std::uint64_t>(Nx));
                a = no * (Lx / (Nx - 1.0)) * pi / Lx;
            } else if (parte < 6) {
                a = de_binade(g, static_cast<int>(g() % 2098) - 1074);  // every binade
            } else {
                // Next to a multiple of pi/2, from small to huge multiples.
                const double k = std::ldexp(1.0 + static_cast<double>(g() >> 12) * 0x1p-52, static_cast<int>(g() % 1000));
                a = proximo(multiplo_de_pi_2(std::floor(k)), static_cast<std::int64_t>(g() % 7) - 3);
            }
            break;
        case Funcao::exponencial:
            if (parte < 2) {
                a = uniforme(g, d::exp_menor_nao_nulo, 0.0);  // the decay range
            } else if (parte == 2) {
                a = uniforme(g, d::exp_menor_nao_nulo, -708.4);  // subnormal results
            } else if (parte == 3) {
                // exp(t(n)*taxa) as the analytic solution forms it.
                const double taxa = -(pi * pi * uniforme(g, 1e-7, 1e-3) / std::pow(uniforme(g, 0.01, 2.0), 2.0));
                const double dt = uniforme(g, 1e-3, 10.0);
                a = (static_cast<double>(g() % 100000) * dt) * taxa;
            } else if (parte == 4) {
                a = uniforme(g, 0.0, d::exp_maior_finito);
            } else {
                a = de_binade(g, static_cast<int>(g() % 1084) - 1074);  // every binade up to 2^10
            }
            break;
        case Funcao::arco_cosseno:
            if (parte < 3) {
                a = uniforme(g, -1.0, 1.0);
            } else if (parte < 6) {
                a = de_binade(g, static_cast<int>(g() % 1074) - 1074);  // every binade below 1
            } else {
                const double perto = 1.0 - static_cast<double>(g() % (1u << 20)) * 0x1p-53;
                a = (g() & 1) ? -perto : perto;  // next to -1 and 1
            }
            break;
        }
        x.push_back(a);
    }
    return x;
}

// Hard cases: arguments whose results lie very near a midpoint, found by
// following the first terms of the series where they are known, and the
// arguments at the functions' thresholds.
inline std::vector<double> casos_dificeis(Funcao f) {
    namespace d = servicos::elementares::detalhe;
    std::vector<double> x;
    const auto vizinhanca = [&x](double centro, int raio) {
        for (int t = -raio; t <= raio; ++t) x.push_back(proximo(centro, t));
    };
    switch (f) {
    case Funcao::seno:
        // sin x = x - x^3/6 + ...: for x = m 2^e with 2^-26 <= x < 2^-20,
        // x^3/6 in units of x's last place is m^3 2^(2e+52)/6, a half-integer
        // h at m = cbrt(6h 2^-(2e+52)).
        for (int e = -26; e < -20; ++e) {
            const double escala = std::ldexp(1.0, 2 * e + 52) / 6.0;
            for (double h = 0.5; h < 8.0 * escala; h += 1.0) {
                const double m = std::cbrt(h / escala);
                if (m >= 1.0 && m < 2.0) vizinhanca(std::ldexp(m, e), e == -26 ? 40 : 2);
            }
        }
        // Around the tiny-argument threshold and around pi and pi/2.
        vizinhanca(0x1p-26, 8);
        vizinhanca(0x1.921fb54442d18p+1, 8);
        vizinhanca(0x1.921fb54442d18p+0, 8);
        // The double nearest to a multiple of pi/2 (distance about 2^-60.9).
        x.push_back(0x1.6ac5b262ca1ffp+849);  // 6381956970095103 * 2^797
        break;
    case Funcao::exponencial:
        // e^x = 1 + x + x^2/2 + ...: next to the midpoints around 1.
        vizinhanca(0x1p-54, 8);
        vizinhanca(-0x1p-54, 8);
        vizinhanca(0x1p-53, 8);
        vizinhanca(-0x1p-53, 8);
        vizinhanca(0x1p-52, 8);
        // For |x| = m 2^e with 2^-53 < |x| < 2^-40, e^x = 1 + x + x^2/2 + ...
        // lies between doubles spaced u = 2^-52 above 1 and 2^-53 below it,
        // and |e^x - 1| reads (h + 1/2) u, a midpoint, at m ~ m0 -+ m0^2 2^(e-1)
        // (x > 0, x < 0) with m0 = (h + 1/2) u 2^-e.
        for (int e = -52; e < -40; ++e) {
            for (const double sinal : {1.0, -1.0}) {
                const double u = sinal > 0.0 ? 0x1p-52 : 0x1p-53;
                for (int h = 0; h < 4; ++h) {
                    const double m0 = (0.5 + h) * u * std::ldexp(1.0, -e);
                    if (m0 < 1.0 || m0 >= 2.0) continue;
                    const double m = m0 - sinal * m0 * m0 * std::ldexp(1.0, e - 1);
                    vizinhanca(sinal * std::ldexp(m, e), 20);
                }
            }
        }
        // Overflow, underflow to zero, the subnormal results' upper end
        // (e^x = 2^-1022) and results next to every power of two.
        vizinhanca(d::exp_maior_finito, 8);
        vizinhanca(d::exp_menor_nao_nulo, 8);
        vizinhanca(-0x1.6232bdd7abcd2p+9, 8);  // ln(2^-1022)
        for (int k = -1074; k <= 1023; ++k) vizinhanca(k * 0x1.62e42fefa39efp-1, 1);
        break;
    case Funcao::arco_cosseno:
        vizinhanca(0.5, 8);
        vizinhanca(-0.5, 8);
        vizinhanca(proximo(1.0, -1), 8);
        vizinhanca(proximo(-1.0, -1), 8);
        for (double v : {1.0, -1.0, 0.0, 0x1p-1074, -0x1p-1074, 0x1p-60, -0x1p-60}) x.push_back(v);
        break;
    }
    return x;
}

// For every binade of x from 1 up to the largest doubles, the double M 2^E
// (2^52 <= M < 2^53) nearest to a multiple of pi/2 among the multiples of the
// continued fraction's denominators of 2^(E+1)/pi: M 2^(E+1)/pi is nearly an
// integer when M is (a small multiple of) such a denominator. Each with its
// two neighbours.
inline std::vector<double> perto_de_multiplos_de_pi_2() {
    std::vector<double> x;
    constexpr mpfr_prec_t precisao = 3200;
    Real alfa(precisao), fracao(precisao), parte(precisao), t(precisao), melhor_distancia(64);
    for (int E = -52; E <= 971; ++E) {
        mpfr_const_pi(*alfa, MPFR_RNDN);
        mpfr_ui_div(*alfa, 2, *alfa, MPFR_RNDN);
        mpfr_mul_2si(*alfa, *alfa, E, MPFR_RNDN);  // 2^(E+1)/pi
        mpfr_frac(*fracao, *alfa, MPFR_RNDN);
        std::vector<std::uint64_t> denominadores;
        std::uint64_t k1 = 1;  // k_0 = 1, k_-1 = 0
        std::uint64_t k2 = 0;
        denominadores.push_back(1);
        for (int passo = 0; passo < 200 && !mpfr_zero_p(*fracao); ++passo) {
            mpfr_ui_div(*fracao, 1, *fracao, MPFR_RNDN);
            mpfr_floor(*parte, *fracao);
            mpfr_sub(*fracao, *fracao, *parte, MPFR_RNDN);
            if (mpfr_cmp_d(*parte, 0x1p53) >= 0) break;
            const auto a = static_cast<std::uint64_t>(mpfr_get_d(*parte, MPFR_RNDN));
            if (a > ((std::uint64_t{1} << 53) - k2) / k1) break;  // a k1 + k2 beyond 2^53
            const std::uint64_t k = a * k1 + k2;
            k2 = k1;
            k1 = k;
            denominadores.push_back(k1);
        }
        double melhor = 0.0;
        mpfr_set_d(*melhor_distancia, 1.0, MPFR_RNDN);
        for (const std::uint64_t q : denominadores) {
            const std::uint64_t c0 = ((std::uint64_t{1} << 52) + q - 1) / q;
            for (std::uint64_t c = c0; c < c0 + 3; ++c) {
                const std::uint64_t M = c * q;
                if (M >= (std::uint64_t{1} << 53)) break;
                mpfr_mul_ui(*t, *alfa, M, MPFR_RNDN);  // x*2/pi, x = M 2^E
                mpfr_frac(*parte, *t, MPFR_RNDN);
                if (mpfr_cmp_d(*parte, 0.5) > 0) mpfr_ui_sub(*parte, 1, *parte, MPFR_RNDN);
                if (mpfr_cmp(*parte, *melhor_distancia) < 0) {
                    mpfr_set(*melhor_distancia, *parte, MPFR_RNDN);
                    melhor = std::ldexp(static_cast<double>(M), E);
                }
            }
        }
        if (melhor == 0.0) continue;
        for (int v = -1; v <= 1; ++v) x.push_back(proximo(melhor, v));
    }
    return x;
}

}  // namespace referencia
