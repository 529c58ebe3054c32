// The study's readings against the truth, on random cases: each case is run
// through the program's own computation by the study's code, and every claim
// the study makes about it (the classifiers of afirmacoes.hpp, for each
// refinement, the comparison and the map), and every number a claim rests
// on, is checked against the closed form of the half sine evaluated in MPFR.
// The half sine is a mode of the scheme, so the run in exact arithmetic is
// Ti sin(pi x_i/Lx) A^n, and each error the study measures has an exact
// counterpart computed here from the input data alone; the round-off of the
// real run is what the study's floors must cover.
//
// DIFUSAO_VERDADE_CASOS sets the number of cases (2000 by default) and
// DIFUSAO_VERDADE_SEMENTE the first seed; a failure names the seed and the
// case, and DIFUSAO_VERDADE_CASOS=1 DIFUSAO_VERDADE_SEMENTE=<seed> runs it alone.
#include <gtest/gtest.h>
#include <mpfr.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <map>
#include <numbers>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "afirmacoes.hpp"
#include "convergencia.hpp"
#include "../estado_limpo.hpp"
#include "mapa.hpp"
#include "paralelo.hpp"
#include "principal.hpp"
#include "relatorio.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/plataforma/plataforma.hpp"
#include "nucleo/variaveis.hpp"

namespace {

using namespace estudo;

constexpr mpfr_prec_t precisao = 160;

// An MPFR number with the arithmetic the closed forms need.
class M {
public:
    M() { mpfr_init2(v_, precisao); }
    M(double d) : M() { mpfr_set_d(v_, d, MPFR_RNDN); }  // NOLINT: a double is exact in it
    M(const M& o) : M() { mpfr_set(v_, o.v_, MPFR_RNDN); }
    M& operator=(const M& o) {
        mpfr_set(v_, o.v_, MPFR_RNDN);
        return *this;
    }
    ~M() { mpfr_clear(v_); }
    mpfr_ptr p() { return v_; }
    mpfr_srcptr p() const { return v_; }
    double d() const { return mpfr_get_d(v_, MPFR_RNDN); }
    int sinal() const { return mpfr_sgn(v_); }

    friend M operator+(const M& a, const M& b) { return op(mpfr_add, a, b); }
    friend M operator-(const M& a, const M& b) { return op(mpfr_sub, a, b); }
    friend M operator*(const M& a, const M& b) { return op(mpfr_mul, a, b); }
    friend M operator/(const M& a, const M& b) { return op(mpfr_div, a, b); }
    friend M operator-(const M& a) { return fn(mpfr_neg, a); }
    friend bool operator<(const M& a, const M& b) { return mpfr_less_p(a.v_, b.v_) != 0; }
    friend bool operator>(const M& a, const M& b) { return mpfr_greater_p(a.v_, b.v_) != 0; }

    using Op = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_srcptr, mpfr_rnd_t);
    using Fn = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t);
    static M op(Op f, const M& a, const M& b) {
        M r;
        f(r.v_, a.v_, b.v_, MPFR_RNDN);
        return r;
    }
    static M fn(Fn f, const M& a) {
        M r;
        f(r.v_, a.v_, MPFR_RNDN);
        return r;
    }

private:
    mpfr_t v_;
};

M exp(const M& a) { return M::fn(mpfr_exp, a); }
M log(const M& a) { return M::fn(mpfr_log, a); }
M log2(const M& a) { return M::fn(mpfr_log2, a); }
M log10(const M& a) { return M::fn(mpfr_log10, a); }
M sin(const M& a) { return M::fn(mpfr_sin, a); }
M cos(const M& a) { return M::fn(mpfr_cos, a); }
M cot(const M& a) { return M::fn(mpfr_cot, a); }
M sqrt(const M& a) { return M::fn(mpfr_sqrt, a); }
M abs(const M& a) { return M::fn(mpfr_abs, a); }
M pi() {
    M r;
    mpfr_const_pi(r.p(), MPFR_RNDN);
    return r;
}
M potencia(const M& a, std::int64_t n) {
    M r;
    mpfr_pow_si(r.p(), a.p(), static_cast<long>(n), MPFR_RNDN);
    return r;
}
M maximo(const M& a, const M& b) { return a < b ? b : a; }
M minimo(const M& a, const M& b) { return a < b ? a : b; }

// ---------------------------------------------------------------------------
// The truth of one level: the case on a grid, in exact arithmetic.

struct Verdade {
    bool interior = false;
    M F, z, A, semi, exato, A_Nt, tempo, espaco, E;  // E = exact - A^Nt (per unit amplitude)
    M campo_max, campo_rms, media_final, meio_final, media_max, meio_max, listagem_max;
    M media_max_com_sinal, meio_max_com_sinal;
    M amostra_max, amostra_rms, amostra_media, amostra_meio;
    M q;  // z (r - 1)
    M Ti;
    double log10_A_Nt = 0.0;
    std::optional<double> maior_modo;   // max |A_m| over the modes (small grids only)
    std::optional<double> menor_denominador;  // min |1 + 4 theta F s_m^2|
    bool estavel = true;                // no mode grows (small grids only)
};

struct Dados {
    M Lx, tf, Ti, theta, alpha;
};

Dados dados_de(const Caso& c) { return {c.Lx, c.tf, c.Ti, c.theta, M(c.k) / (M(c.cp) * M(c.ro))}; }

// max over n = 0..N of |u exp(g n) - w B^n|: at the ends or at the integers
// next to the critical point of either parity's smooth curve (for B < 0 the
// even and the odd levels are two curves u e^(g x) -+ w |B|^x, each with at
// most one critical point, so their largest values are among these).
// Returned with its sign: the signed value at the level of the maximum.
M maximo_no_tempo(const M& u, const M& g, const M& w, const M& B, std::int64_t N) {
    std::vector<std::int64_t> candidatos{0, 1, 2, N - 2, N - 1, N};
    if (B.sinal() != 0) {
        const M b = log(abs(B));
        for (int paridade_negativa : {0, 1}) {
            // d/dx [u e^(g x) - s w e^(b x)] = 0, s = +1 or -1.
            const M s = paridade_negativa && B.sinal() < 0 ? M(-1.0) : M(1.0);
            const M razao = (s * w * b) / (u * g);
            if (!(razao > M(0.0)) || (g - b).sinal() == 0) continue;
            const double x = (log(razao) / (g - b)).d();
            if (!(x > 0.0) || !(x < static_cast<double>(N))) continue;
            const auto centro = static_cast<std::int64_t>(std::floor(x));
            for (std::int64_t k = centro - 2; k <= centro + 3; ++k) candidatos.push_back(k);
        }
    }
    M melhor(0.0);
    for (std::int64_t n : candidatos) {
        if (n < 0 || n > N) continue;
        const M valor = u * exp(g * M(static_cast<double>(n))) - w * potencia(B, n);
        if (abs(valor) > abs(melhor)) melhor = valor;
    }
    return melhor;
}

constexpr std::int32_t maior_malha_dos_modos = 300;

Verdade verdade(const Caso& caso, Malha malha) {
    Verdade v;
    const Dados c = dados_de(caso);
    const std::int32_t Nx = malha.Nx;
    const std::int64_t Nt = malha.Nt;
    v.interior = Nx >= 3;
    if (!v.interior) return v;
    const M N(static_cast<double>(Nt));
    const M intervalos(Nx - 1.0);
    const M dx = c.Lx / intervalos, dt = c.tf / N;
    v.F = c.alpha * dt / (dx * dx);
    const M phi = pi() / (M(2.0) * intervalos);
    const M s = sin(phi);
    v.z = M(4.0) * v.F * s * s;
    const M um(1.0);
    v.A = (um - (um - c.theta) * v.z) / (um + c.theta * v.z);
    v.semi = exp(-(v.z * N));
    const M c_total = -(pi() * pi() * c.alpha * c.tf / (c.Lx * c.Lx));
    v.exato = exp(c_total);
    v.A_Nt = potencia(v.A, Nt);
    v.tempo = c.Ti * (v.semi - v.A_Nt);
    v.espaco = c.Ti * (v.exato - v.semi);
    v.E = v.exato - v.A_Nt;
    v.Ti = c.Ti;
    v.q = v.z * (phi * phi / (s * s) - um);
    v.log10_A_Nt = (N * log10(abs(v.A))).d();
    v.amostra_max = Nx % 2 == 1 ? um : cos(phi);
    v.amostra_rms = sqrt(intervalos / (M(2.0) * M(static_cast<double>(Nx))));
    v.amostra_media = cot(phi) / intervalos;
    v.amostra_meio = v.amostra_max;
    const M ti = abs(c.Ti);
    v.campo_max = ti * abs(v.E) * v.amostra_max;
    v.campo_rms = ti * abs(v.E) * v.amostra_rms;
    v.media_final = c.Ti * v.amostra_media * v.E;
    v.meio_final = c.Ti * v.amostra_meio * v.E;
    const M g = c_total / N;
    const M no_tempo = maximo_no_tempo(um, g, um, v.A, Nt);
    v.media_max_com_sinal = c.Ti * v.amostra_media * no_tempo;
    v.meio_max_com_sinal = c.Ti * v.amostra_meio * no_tempo;
    v.media_max = abs(v.media_max_com_sinal);
    v.meio_max = abs(v.meio_max_com_sinal);
    v.listagem_max = abs(maximo_no_tempo(M(2.0) * c.Ti / pi(), g, c.Ti * v.amostra_media, v.A, Nt));
    if (Nx <= maior_malha_dos_modos) {
        M maior(0.0), menor_den(1e300);
        for (std::int32_t m = 1; m <= Nx - 2; ++m) {
            const M sm = sin(pi() * M(static_cast<double>(m)) / (M(2.0) * intervalos));
            const M termo = M(4.0) * v.F * sm * sm;
            const M den = um + c.theta * termo;
            menor_den = minimo(menor_den, abs(den));
            if (den.sinal() == 0) {
                maior = M(1e300);
                continue;
            }
            maior = maximo(maior, abs((um - (um - c.theta) * termo) / den));
        }
        v.maior_modo = maior.d();
        v.menor_denominador = menor_den.d();
        v.estavel = v.F.sinal() >= 0 && !(maior > M(1.0));
    }
    return v;
}

// The round-off of a run, in exact arithmetic: the largest departure of the
// field at tf (in the calling thread's state) from Ti sin(pi x_i/Lx) A^Nt.
M afastamento_verdadeiro(const Caso& caso, const Verdade& v) {
    using namespace variaveis;
    M maior(0.0);
    const M intervalos(Nx - 1.0);
    for (std::int32_t j = 1; j <= Nx; ++j) {
        const M exata = M(caso.Ti) * sin(pi() * M(j - 1.0) / intervalos) * v.A_Nt;
        maior = maximo(maior, abs(M(T(j)) - exata));
    }
    return maior;
}

// ---------------------------------------------------------------------------
// The checks. Each counts what it checked, by kind.

struct Contagem {
    std::map<std::string, long> feitas;
    void conta(const std::string& tipo) { ++feitas[tipo]; }
};

std::string descrever(const Caso& c, int niveis) {
    std::ostringstream texto;
    texto.precision(17);
    texto << "Lx " << c.Lx << ", Nx " << c.Nx << ", tf " << c.tf << ", Nt " << c.Nt << ", Ti " << c.Ti << ", theta "
          << c.theta << ", k " << c.k << ", ro " << c.ro << ", cp " << c.cp << ", --niveis " << niveis;
    return texto.str();
}

// A measured value within its bound of the truth (bounds may be infinite).
void dentro(const char* nome, double medido, double cota, const M& exato, Contagem& conta) {
    if (!std::isfinite(medido) || !std::isfinite(cota)) return;
    const double erro = abs(M(medido) - exato).d();
    // The exact departure rounded to a double may pass the bound by half a
    // unit of its last place, which below the normal doubles is absolute.
    EXPECT_LE(erro, cota * (1.0 + 1e-9) + std::numeric_limits<double>::denorm_min())
        << nome << ": medido " << medido << ", exato " << exato.d() << ", cota " << cota;
    conta.conta(nome);
}

// The numbers of a level against its truth.
void conferir_nivel(const Nivel& n, const Verdade& v, Contagem& conta) {
    if (!v.interior) return;
    SCOPED_TRACE(testing::Message() << "Nx " << n.malha.Nx << ", Nt " << n.malha.Nt << ", F " << n.F << " (exato "
                                    << v.F.d() << "), z " << n.passo.z << " (exato " << v.z.d() << "), A " << n.passo.A
                                    << " (exato " << v.A.d() << ")");
    dentro("parte de tempo", n.parte_tempo, n.cota_tempo, v.tempo, conta);
    dentro("parte de espaço", n.parte_espaco, n.cota_espaco, v.espaco, conta);
    dentro("erro máximo do campo", n.campo.maximo, n.campo.piso, v.campo_max, conta);
    dentro("rms do campo", n.campo.rms, n.campo.piso, v.campo_rms, conta);
    dentro("erro final da média", n.media.final, n.media.piso_final, v.media_final, conta);
    dentro("erro final do meio", n.meio.final, n.meio.piso_final, v.meio_final, conta);
    dentro("erro máximo da média", n.media.maximo, n.media.piso, v.media_max, conta);
    dentro("erro máximo do meio", n.meio.maximo, n.meio.piso, v.meio_max, conta);
    dentro("erro máximo da listagem", n.listagem.maximo, n.listagem.piso, v.listagem_max, conta);
    // The header's ratios of the step's factors, where A > 0.
    if (v.A.sinal() > 0 && n.passo.A > 0.0) {
        const RazoesDoPasso r = razoes_do_passo(n.passo, n.malha.Nt);
        const M semi = exp(-v.z), exato = exp(-(v.z * (v.q / v.z + M(1.0))));
        dentro("A/exp(-4 F s²) - 1", r.tempo.valor, r.tempo.cota, v.A / semi - M(1.0), conta);
        dentro("exp(-4 F s²)/exato - 1", r.espaco.valor, r.espaco.cota, semi / exato - M(1.0), conta);
        dentro("A/exato - 1", r.total.valor, r.total.cota, v.A / exato - M(1.0), conta);
        dentro("(A/exato)^Nt - 1", r.total_em_tf.valor, r.total_em_tf.cota,
               potencia(v.A / exato, n.malha.Nt) - M(1.0), conta);
    }
    if (std::isfinite(v.log10_A_Nt) && std::fabs(v.log10_A_Nt) < 1e15) {
        EXPECT_NEAR(n.log10_A_Nt, v.log10_A_Nt, 1e-9 * std::max(1.0, std::fabs(v.log10_A_Nt))) << "log10 |A|^Nt";
        conta.conta("log10 |A|^Nt");
    }
    if (v.maior_modo && !n.rapido.m_singular && std::isfinite(n.rapido.A) && *v.maior_modo < 1e200) {
        EXPECT_NEAR(std::fabs(n.rapido.A), *v.maior_modo, 1e-9 * *v.maior_modo) << "modo que mais cresce";
        conta.conta("modo que mais cresce");
    }
    if (v.menor_denominador && n.rapido.m_singular != 0) {
        EXPECT_LT(*v.menor_denominador, 1e-12) << "matriz singular";
        conta.conta("matriz singular");
    }
    // The stability verdict, away from its bound itself.
    if (v.maior_modo && v.F.sinal() >= 0 && std::fabs(*v.maior_modo - 1.0) > 1e-9) {
        EXPECT_EQ(n.estavel, v.estavel) << "estável";
        conta.conta("estabilidade");
    }
}

// The true error the orders of an error of the table rest on.
struct ErroVerdadeiro {
    M valor, com_sinal, amostra;
};
using ErroDaVerdade = ErroVerdadeiro (*)(const Verdade&);
// The signed error of the field at its largest node is Ti sin(pi x/Lx) times
// E = exact - A^Nt, formed directly: the two parts can cancel to far more
// digits than their sum keeps.
ErroVerdadeiro campo_v(const Verdade& v) { return {v.campo_max, v.Ti * v.E, v.amostra_max}; }
ErroVerdadeiro rms_v(const Verdade& v) { return {v.campo_rms, v.Ti * v.E, v.amostra_rms}; }
ErroVerdadeiro media_v(const Verdade& v) { return {v.media_max, v.media_max_com_sinal, v.amostra_media}; }
ErroVerdadeiro meio_v(const Verdade& v) { return {v.meio_max, v.meio_max_com_sinal, v.amostra_meio}; }

double p_de(const M& g, const M& f) { return log2(abs(g) / abs(f)).d(); }

// The shares of the parts: of time, and what is left of the larger in the sum.
struct PesosVerdadeiros {
    double tempo, resta;
    bool opostas;
};
PesosVerdadeiros pesos_de(const Verdade& v) {
    const M t = abs(v.tempo), s = abs(v.espaco);
    return {(t / (t + s)).d(), (abs(v.tempo + v.espaco) / maximo(t, s)).d(), v.tempo.sinal() * v.espaco.sinal() < 0};
}

constexpr double folga = 1e-9;  // of a threshold, for the truth's rounding to double

// Every pair's claim of one error over a series.
void conferir_ordens(const Serie& serie, double theta, const std::vector<Verdade>& verdades, ErroDoNivel erro,
                     ErroDaVerdade da_verdade, const char* nome, Contagem& conta) {
    const std::vector<Ordem> ordens = ordens_da_serie(serie, theta, erro);
    const std::vector<Nivel>& niveis = serie.niveis;
    std::vector<double> p_verdadeiro(niveis.size(), std::nan(""));
    for (std::size_t j = 1; j < niveis.size(); ++j)
        if (verdades[j - 1].interior && verdades[j].interior)
            p_verdadeiro[j] = p_de(da_verdade(verdades[j - 1]).valor, da_verdade(verdades[j]).valor);
    for (std::size_t j = 1; j < ordens.size(); ++j) {
        const Ordem& o = ordens[j];
        SCOPED_TRACE(testing::Message() << nome << ", par " << j << "-" << j + 1 << ", p " << o.p);
        const bool com_valor = o.veredito == Veredito::ordem || (o.veredito == Veredito::pre_assintotico && !std::isnan(o.p));
        if (!com_valor) continue;
        // The value to its printed digits.
        EXPECT_LE(o.cota, maior_incerteza_da_ordem);
        EXPECT_NEAR(o.p, p_verdadeiro[j], o.cota + 1e-9);
        conta.conta("valor de p");
        const Verdade &vg = verdades[j - 1], &vf = verdades[j];
        const int sinal_g = da_verdade(vg).com_sinal.sinal(), sinal_f = da_verdade(vf).com_sinal.sinal();
        if (o.veredito == Veredito::ordem) {
            EXPECT_EQ(sinal_g * sinal_f, 1) << "uma ordem sobre erros que trocam de sinal";
            bool vizinha = false;
            for (std::size_t k : {j - 1, j + 1}) {
                if (k < 1 || k >= ordens.size() || ordens[k].veredito != Veredito::ordem) continue;
                vizinha = vizinha || std::fabs(p_verdadeiro[j] - p_verdadeiro[k]) <=
                                         concordancia_das_ordens * std::max(std::fabs(p_verdadeiro[j]),
                                                                            std::fabs(p_verdadeiro[k])) + folga;
            }
            EXPECT_TRUE(vizinha) << "uma ordem sem par vizinho que concorde";
            conta.conta("ordem confirmada");
            continue;
        }
        const PesosVerdadeiros pg = pesos_de(vg), pf = pesos_de(vf);
        const double fixo_f = serie.tipo == Refinamento::espaco ? pf.tempo : 1.0 - pf.tempo;
        const double fixo_g = serie.tipo == Refinamento::espaco ? pg.tempo : 1.0 - pg.tempo;
        switch (o.motivo) {
            case Motivo::troca_de_sinal:
                EXPECT_EQ(sinal_g * sinal_f, -1)
                    << "troca de sinal: " << erro(niveis[j - 1]).com_sinal << " +- " << erro(niveis[j - 1]).piso << ", "
                    << erro(niveis[j]).com_sinal << " +- " << erro(niveis[j]).piso << "; exatos "
                    << da_verdade(vg).com_sinal.d() << ", " << da_verdade(vf).com_sinal.d();
                break;
            case Motivo::cresce: EXPECT_LE(p_verdadeiro[j], -menor_ordem + o.cota + folga) << "cresce"; break;
            case Motivo::quase_parado: EXPECT_LT(std::fabs(p_verdadeiro[j]), menor_ordem + o.cota + folga); break;
            case Motivo::saturacao:
                EXPECT_LT(std::fabs(p_verdadeiro[j]), menor_ordem + o.cota + folga);
                EXPECT_GE(std::min(fixo_g, fixo_f), fracao_da_saturacao - 1e-6) << "saturação";
                break;
            case Motivo::cancelamento:
                EXPECT_TRUE((pg.opostas && pg.resta < fracao_do_cancelamento + 1e-6) ||
                            (pf.opostas && pf.resta < fracao_do_cancelamento + 1e-6))
                    << "cancelamento";
                break;
            case Motivo::amostragem: {
                double maior = 0.0;
                for (std::size_t k = std::max<std::size_t>(j, 2) - 1; k <= std::min(j + 1, niveis.size() - 1); ++k)
                    maior = std::max(maior, std::fabs(log2(da_verdade(verdades[k - 1]).amostra /
                                                           da_verdade(verdades[k]).amostra)
                                                          .d()));
                EXPECT_GE(maior, limiar_da_amostragem - 1e-9) << "amostragem";
                EXPECT_NEAR(std::fabs(o.amostragem), maior, 1e-9);
                break;
            }
            case Motivo::parte_fixa:
                EXPECT_GE(fixo_f, peso_que_conta - 1e-6) << "parte fixa";
                EXPECT_NEAR(o.peso, fixo_f, o.cota_peso * 1.01 + 1e-12);
                EXPECT_EQ(o.oposta, pf.opostas);
                break;
            case Motivo::mistura:
                EXPECT_GE(std::max(std::min(pg.tempo, 1.0 - pg.tempo), std::min(pf.tempo, 1.0 - pf.tempo)),
                          peso_que_conta - 1e-6)
                    << "mistura";
                break;
            case Motivo::deriva:
            case Motivo::sem_vizinho: {
                // No neighbouring order agrees with it clearly.
                bool candidata = false;
                for (std::size_t k : {j - 1, j + 1}) {
                    if (k < 1 || k >= ordens.size() || ordens[k].veredito != Veredito::ordem) continue;
                    candidata = true;
                    EXPECT_GE(std::fabs(p_verdadeiro[j] - p_verdadeiro[k]) + 2.0 * (o.cota + ordens[k].cota) + folga,
                              concordancia_das_ordens * std::max(std::fabs(p_verdadeiro[j]), std::fabs(p_verdadeiro[k])))
                        << "deriva";
                }
                if (o.motivo == Motivo::sem_vizinho && niveis.size() > 2) {
                    EXPECT_FALSE(candidata) << "sem vizinho";
                }
                break;
            }
            case Motivo::nenhum: ADD_FAILURE() << "pré sem motivo"; break;
        }
        conta.conta(juntar("motivo ", regra_do_motivo(o.motivo).substr(0, 24)));
    }
}

// The claims about the parts of one level, or of the comparison's middle node.
void conferir_partes(const LeituraDasPartes& l, const M& tempo, const M& espaco, Contagem& conta) {
    const M t = abs(tempo), s = abs(espaco);
    switch (l.domina) {
        case QuemDomina::tempo: EXPECT_TRUE(t > s) << "domina o tempo"; break;
        case QuemDomina::espaco: EXPECT_TRUE(s > t) << "domina o espaço"; break;
        default: break;
    }
    switch (l.relacao) {
        case RelacaoDasPartes::sinais_opostos: EXPECT_LT(tempo.sinal() * espaco.sinal(), 0) << "sinais opostos"; break;
        case RelacaoDasPartes::mesmo_sinal: EXPECT_GT(tempo.sinal() * espaco.sinal(), 0) << "mesmo sinal"; break;
        case RelacaoDasPartes::uma_desprezivel:
            EXPECT_LT((minimo(t, s) / maximo(t, s)).d(), parte_desprezivel) << "uma desprezível";
            break;
        default: break;
    }
    if (l.domina != QuemDomina::sem_partes && maximo(t, s) > M(0.0)) {
        EXPECT_NEAR(l.resta, (abs(tempo + espaco) / maximo(t, s)).d(), l.cota_resta * 1.01 + 1e-12)
            << "resta: partes " << l.tempo.valor << " +- " << l.tempo.cota << ", " << l.espaco.valor << " +- "
            << l.espaco.cota << "; exatas " << tempo.d() << ", " << espaco.d();
        EXPECT_NEAR(l.peso_tempo, (t / (t + s)).d(), l.cota_peso * 1.01 + 1e-12) << "peso do tempo";
        conta.conta("partes");
    }
}

void conferir_sentido(const SentidoDoPasso& s, const Verdade& v, Contagem& conta) {
    const M semi = exp(-v.z);
    switch (s.sentido) {
        case Sentido::adianta: EXPECT_TRUE(v.A > M(0.0) && v.A < semi) << "adianta"; break;
        case Sentido::atrasa: EXPECT_TRUE(v.A > semi) << "atrasa"; break;
        case Sentido::oscila: EXPECT_LT(v.A.sinal(), 0) << "oscila"; break;
        case Sentido::cresce: EXPECT_TRUE(v.A > M(1.0)) << "cresce"; break;
        case Sentido::indefinido: break;
    }
    conta.conta("sentido do passo");
}

// Everything a refinement claims.
void conferir_serie(const Serie& serie, double theta, const Caso& caso, Contagem& conta) {
    std::vector<Verdade> verdades;
    for (const Nivel& n : serie.niveis) verdades.push_back(verdade(caso, n.malha));
    for (std::size_t j = 0; j < serie.niveis.size(); ++j) {
        SCOPED_TRACE(testing::Message() << "nível " << j + 1);
        const Nivel& n = serie.niveis[j];
        conferir_nivel(n, verdades[j], conta);
        if (!verdades[j].interior) continue;
        const LeituraDasPartes l = ler_partes(n);
        if (l.domina != QuemDomina::sem_partes) conferir_partes(l, verdades[j].tempo, verdades[j].espaco, conta);
        conferir_sentido(sentido_do_passo(n.passo), verdades[j], conta);
        if (malha_atrasa(n.passo)) {
            EXPECT_GT(verdades[j].q.sinal(), 0) << "a malha atrasa";
        }
    }
    conferir_ordens(serie, theta, verdades, maximo_do_campo, campo_v, "máximo do campo", conta);
    conferir_ordens(serie, theta, verdades, rms_do_campo, rms_v, "rms do campo", conta);
    conferir_ordens(serie, theta, verdades, maximo_da_media, media_v, "máximo da média", conta);
    conferir_ordens(serie, theta, verdades, maximo_do_meio, meio_v, "máximo do meio", conta);
    // The orders by differences of the signed errors at tf.
    const std::vector<Ordem> diferencas = ordens_das_diferencas(serie, media_final);
    for (std::size_t j = 2; j < diferencas.size(); ++j) {
        const Ordem& o = diferencas[j];
        if (!(o.veredito == Veredito::ordem || (o.veredito == Veredito::pre_assintotico && !std::isnan(o.p)))) continue;
        const M d1 = verdades[j - 2].media_final - verdades[j - 1].media_final;
        const M d2 = verdades[j - 1].media_final - verdades[j].media_final;
        EXPECT_NEAR(o.p, p_de(d1, d2), o.cota + 1e-9) << "diferenças, níveis " << j - 1 << " a " << j + 1;
        if (o.veredito == Veredito::ordem) {
            EXPECT_GT(d1.sinal() * d2.sinal(), 0) << "diferenças de sinais opostos";
        }
        conta.conta("ordem por diferenças");
    }
    // The last pair.
    const std::optional<UltimoPar> u = ultimo_par(serie.niveis, ordens_da_serie(serie, theta, maximo_do_campo));
    if (u && u->variacao != Variacao::sem_valor && u->variacao != Variacao::no_arredondamento) {
        const M g = verdades[u->fino - 2].campo_max, f = verdades[u->fino - 1].campo_max;
        if (u->variacao == Variacao::cai) {
            EXPECT_TRUE(f < g) << "o último par cai";
        } else {
            EXPECT_TRUE(f > g) << "o último par cresce";
        }
        const double razao = (g / f).d();
        if (u->preciso) {
            EXPECT_NEAR(u->razao, razao, incerteza_da_razao * 1.01 * u->razao) << "razão do último par";
        } else {
            EXPECT_GE(razao * (1.0 + 1e-12), u->razao_minima)
                << "razão mínima do último par: " << serie.niveis[u->fino - 2].campo.maximo << " +- "
                << serie.niveis[u->fino - 2].campo.piso << ", " << serie.niveis[u->fino - 1].campo.maximo << " +- "
                << serie.niveis[u->fino - 1].campo.piso << "; exatos " << g.d() << ", " << f.d();
            EXPECT_LE(razao, u->razao_maxima * (1.0 + 1e-12)) << "razão máxima do último par";
        }
        conta.conta("último par");
    }
    // Unstable and oscillating levels.
    const NiveisMarcados m = niveis_marcados(serie.niveis);
    for (std::size_t j : m.oscilam) {
        EXPECT_LT(verdades[j - 1].A.sinal(), 0) << "oscila, nível " << j;
        conta.conta("oscila");
    }
    if (const auto perto = perto_do_cancelamento(serie.niveis, theta)) {
        const M Fc = M(1.0) / (M(6.0) * (M(1.0) - M(2.0) * M(theta)));
        EXPECT_LT(std::fabs(log(verdades[perto->nivel - 1].F / Fc).d()), std::log(2.0) + 1e-9) << "perto de F = 1/6";
        conta.conta("perto do cancelamento");
    }
    const LeituraDasOrdens l = ler_ordens(serie.tipo, theta, ordens_da_serie(serie, theta, maximo_do_campo));
    if (l.com_a_esperada) {
        for (std::size_t j = 1; j < l.ordens.size(); ++j) {
            if (l.ordens[j].veredito != Veredito::ordem) continue;
            EXPECT_LE(std::fabs(p_de(verdades[j - 1].campo_max, verdades[j].campo_max) - l.esperada),
                      concordancia_das_ordens * l.esperada + folga)
                << "com a ordem esperada";
        }
        conta.conta("ordem esperada");
    }
}

// An unstable run's split: the scheme's error and the round-off, against the
// truth, the run being in the calling thread's state.
void conferir_instavel(const Nivel& n, const Caso& caso, const Verdade& v, Contagem& conta) {
    const ErroInstavel e = erro_instavel(n);
    if (e.origem == OrigemDoErro::estouro || caso.Nx > maior_malha_dos_modos) return;
    const M afastamento = afastamento_verdadeiro(caso, v);
    const double esquema = v.campo_max.d();
    if (std::isfinite(e.esquema) && std::isfinite(esquema)) {
        EXPECT_NEAR(e.esquema, esquema, 1e-6 * esquema + n.cota_tempo + n.cota_espaco) << "erro do esquema";
    }
    const double arredondamento = afastamento.d();
    // The measured departure is against the double's closed form; the true
    // one against the exact: they differ by the closed form's own error.
    EXPECT_NEAR(e.arredondamento, arredondamento,
                n.campo.piso - n.campo.arredondamento + 4.0 * epsilon * (e.arredondamento + arredondamento) + 1e-300)
        << "arredondamento";
    if (!(arredondamento + esquema > 0.0)) return;  // nothing to share
    const double parcela = arredondamento / (arredondamento + esquema);
    const double largura = (n.campo.piso - n.campo.arredondamento) / (arredondamento + esquema) + 1e-9;
    switch (e.origem) {
        case OrigemDoErro::arredondamento: EXPECT_GT(parcela, parcela_dominante - largura) << "origem"; break;
        case OrigemDoErro::misto:
            EXPECT_GE(parcela, parcela_desprezivel - largura);
            EXPECT_LE(parcela, parcela_dominante + largura);
            break;
        case OrigemDoErro::modo_dos_dados:
            EXPECT_TRUE(abs(v.A) > M(1.0));
            [[fallthrough]];
        case OrigemDoErro::esquema: EXPECT_LT(parcela, parcela_desprezivel + largura) << "origem"; break;
        case OrigemDoErro::estouro: break;
    }
    conta.conta("erro de um nível instável");
}

// ---------------------------------------------------------------------------
// Random cases.

struct Amostra {
    Caso caso;
    int niveis = 4;
    bool comparar = false;
    bool mapa = false;
};

double log_uniforme(std::mt19937_64& g, double de, double ate) {
    std::uniform_real_distribution<double> u(std::log(de), std::log(ate));
    return std::exp(u(g));
}

// Node-steps the study would run for the case.
double trabalho(const Caso& c, int niveis) {
    double total = 0.0;
    for (Refinamento tipo : {Refinamento::espaco_e_tempo, Refinamento::espaco, Refinamento::tempo})
        for (int k = 0; k < niveis; ++k) {
            const std::optional<Malha> m = malha_do_nivel(tipo, {c.Nx, c.Nt}, k);
            if (!m) return 1e300;
            total += static_cast<double>(m->Nx) * m->Nt;
        }
    return total;
}

constexpr double trabalho_maximo = 1.2e6;

// theta in [-0.5, 1.5] (a quarter of the cases on 0, 1/2 or 1), F from 1e-3
// to 1e3, Nx from 3 to 400, Ti of either sign, Lx and alpha not 1, Nt from
// one step to many; cases whose study would take too long are drawn again.
Amostra sortear(std::uint64_t semente) {
    std::mt19937_64 g(semente);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (;;) {
        Amostra a;
        Caso& c = a.caso;
        c.theta = u(g) < 0.25 ? std::array{0.0, 0.5, 1.0}[g() % 3] : -0.5 + 2.0 * u(g);
        c.Nx = static_cast<std::int32_t>(std::lround(log_uniforme(g, 3.0, 400.0)));
        c.Nt = static_cast<std::int32_t>(std::lround(log_uniforme(g, 1.0, 5000.0)));
        a.niveis = 2 + static_cast<int>(g() % 5);
        c.Lx = log_uniforme(g, 0.05, 20.0);
        c.k = log_uniforme(g, 0.1, 500.0);
        c.ro = log_uniforme(g, 100.0, 10000.0);
        c.cp = log_uniforme(g, 100.0, 5000.0);
        c.Ti = (u(g) < 0.5 ? -1.0 : 1.0) * log_uniforme(g, 0.01, 1000.0);
        const double F = log_uniforme(g, 1e-3, 1e3);
        const double alpha = c.k / (c.cp * c.ro);
        const double dx = c.Lx / (c.Nx - 1.0);
        c.tf = F * dx * dx * c.Nt / alpha;
        if (trabalho(c, a.niveis) > trabalho_maximo) continue;
        a.comparar = 3.0 * c.Nx * static_cast<double>(c.Nt) < trabalho_maximo && u(g) < 0.5;
        // The map's largest Nt is 100 F Nt (at F = 1e-2): most cases are too long for it.
        a.mapa = 100.0 * F * c.Nt * c.Nx * 2.5 * 2.0 < trabalho_maximo && u(g) < 0.5;
        return a;
    }
}

long casos_pedidos() {
    const char* texto = std::getenv("DIFUSAO_VERDADE_CASOS");
    return texto != nullptr ? std::atol(texto) : 2000;
}

std::uint64_t primeira_semente() {
    const char* texto = std::getenv("DIFUSAO_VERDADE_SEMENTE");
    return texto != nullptr ? std::strtoull(texto, nullptr, 10) : 28;
}

class Verdades : public EstadoLimpo {};

constexpr std::array refinamentos{Refinamento::espaco_e_tempo, Refinamento::espaco, Refinamento::tempo};

TEST_F(Verdades, CadaAfirmacaoDoEstudoConfereComASolucaoExata) {
    const long casos = casos_pedidos();
    const std::uint64_t semente0 = primeira_semente();
    Contagem conta;
    long comparacoes = 0, mapas = 0, feitos = 0;
    for (long k = 0; k < casos; ++k, ++feitos) {
        const std::uint64_t semente = semente0 + static_cast<std::uint64_t>(k);
        const Amostra a = sortear(semente);
        const Caso& caso = a.caso;
        SCOPED_TRACE(testing::Message() << "semente " << semente << ": " << descrever(caso, a.niveis));
        std::vector<std::pair<Caso, Malha>> corridas;
        for (Refinamento tipo : refinamentos)
            for (int nivel = 0; nivel < a.niveis; ++nivel) corridas.push_back({caso, *malha_do_nivel(tipo, {caso.Nx, caso.Nt}, nivel)});
        const std::vector<Nivel> niveis = executar_niveis(corridas, 1, false);
        for (std::size_t r = 0; r < refinamentos.size(); ++r) {
            SCOPED_TRACE(testing::Message() << "refinamento " << "abc"[r]);
            const auto inicio = niveis.begin() + static_cast<std::ptrdiff_t>(r) * a.niveis;
            conferir_serie(Serie{refinamentos[r], {inicio, inicio + a.niveis}}, caso.theta, caso, conta);
        }
        if (a.comparar) {
            SCOPED_TRACE("comparação");
            ++comparacoes;
            std::vector<Esquema> esquemas;
            for (double theta : {0.0, 0.5, 1.0}) {
                Caso c = caso;
                c.theta = theta;
                const Nivel nivel = executar_nivel(c, {c.Nx, c.Nt});
                esquemas.push_back(medir_esquema(nivel));
                const Verdade v = verdade(c, {c.Nx, c.Nt});
                conferir_nivel(nivel, v, conta);
                if (!v.interior) continue;
                const M relativo = sin(pi() * M(variaveis::no_do_meio(c.Nx) - 1.0) / M(c.Nx - 1.0));
                dentro("tempo no meio", esquemas.back().erro_tempo_meio, esquemas.back().cota_tempo_meio, relativo * v.tempo,
                       conta);
                dentro("espaço no meio", esquemas.back().erro_espaco_meio, esquemas.back().cota_espaco_meio,
                       relativo * v.espaco, conta);
                if (!nivel.estavel) conferir_instavel(nivel, c, v, conta);
            }
            const LeituraDaComparacao l = ler_comparacao(esquemas);
            for (std::size_t j = 0; j < esquemas.size(); ++j) {
                Caso c = caso;
                c.theta = esquemas[j].theta;
                const Verdade v = verdade(c, {c.Nx, c.Nt});
                if (!v.interior) continue;
                const M relativo = sin(pi() * M(variaveis::no_do_meio(c.Nx) - 1.0) / M(c.Nx - 1.0));
                conferir_partes(l.esquemas[j].partes, relativo * v.tempo, relativo * v.espaco, conta);
                conferir_sentido(l.esquemas[j].sentido, v, conta);
            }
            if (l.menor_tempo) {
                for (std::size_t j = 0; j < esquemas.size(); ++j) {
                    if (j == *l.menor_tempo || l.esquemas[j].estado == EstadoDoPonto::instavel) continue;
                    Caso a_ = caso, b_ = caso;
                    a_.theta = esquemas[*l.menor_tempo].theta;
                    b_.theta = esquemas[j].theta;
                    EXPECT_TRUE(abs(verdade(a_, {caso.Nx, caso.Nt}).tempo) < abs(verdade(b_, {caso.Nx, caso.Nt}).tempo))
                        << "o menor erro de tempo";
                }
                conta.conta("menor erro de tempo");
            }
        }
        if (a.mapa) {
            SCOPED_TRACE("mapa");
            ++mapas;
            const std::vector<double> thetas{0.0, caso.theta};
            const Grandezas g = grandezas_do_caso(caso);
            const std::vector<PassoMapa> passos = passos_do_mapa(caso, g.alpha, g.dx);
            const Mapa mapa = montar_mapa(thetas, passos, executar_niveis(corridas_do_mapa(caso, thetas, passos), 1, false));
            for (std::size_t th = 0; th < thetas.size(); ++th) {
                Caso c = caso;
                c.theta = thetas[th];
                std::vector<Verdade> verdades;
                for (std::size_t f = 0; f < passos.size(); ++f) {
                    verdades.push_back(verdade(c, mapa.ponto(th, f).nivel.malha));
                    conferir_nivel(mapa.ponto(th, f).nivel, verdades.back(), conta);
                }
                const LeituraDoTheta l = ler_theta(mapa, th);
                if (l.primeiro && l.partes_do_primeiro.domina != QuemDomina::sem_partes)
                    conferir_partes(l.partes_do_primeiro, verdades[*l.primeiro].tempo, verdades[*l.primeiro].espaco, conta);
                if (l.minimo && l.minimo_cancela) {
                    EXPECT_LT(verdades[*l.minimo].tempo.sinal() * verdades[*l.minimo].espaco.sinal(), 0) << "o mínimo cancela";
                    conta.conta("mínimo do mapa");
                }
                if (l.tempo_desde) {
                    for (std::size_t f = *l.tempo_desde; f < passos.size(); ++f) {
                        if (!mapa.ponto(th, f).nivel.estavel || !std::isfinite(mapa.ponto(th, f).nivel.campo.maximo)) continue;
                        EXPECT_TRUE(abs(verdades[f].tempo) > abs(verdades[f].espaco)) << "tempo domina desde, ponto " << f;
                    }
                    conta.conta("tempo domina desde");
                }
                if (l.oscila_desde) {
                    for (std::size_t f = *l.oscila_desde; f < passos.size(); ++f)
                        EXPECT_LT(verdades[f].A.sinal(), 0) << "oscila desde, ponto " << f;
                    conta.conta("oscila desde");
                }
                for (const GrupoInstavel& grupo : l.instaveis)
                    for (std::size_t f : grupo.pontos) {
                        const Nivel nivel = executar_nivel(c, mapa.ponto(th, f).nivel.malha);
                        conferir_instavel(nivel, c, verdades[f], conta);
                    }
            }
        }
        if (HasFailure()) break;  // the first case that fails is the one to look at
    }
    std::ostringstream resumo;
    resumo << feitos << " casos (" << comparacoes << " com a comparação, " << mapas << " com o mapa); afirmações conferidas:";
    for (const auto& [tipo, quantas] : conta.feitas) resumo << "\n  " << tipo << ": " << quantas;
    std::printf("%s\n", resumo.str().c_str());
}

}  // namespace
