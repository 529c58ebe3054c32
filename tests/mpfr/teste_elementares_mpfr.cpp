// The elementary functions against MPFR: every constant they use, the error
// bounds that their fast paths' rounding tests rely on, and the correctly
// rounded result on samples over every binade the functions can meet and on
// the hard cases. The sample has DIFUSAO_MPFR_AMOSTRA arguments per function
// (10^5 by default; docs/elementares.md gives the command of the full run).
#include <gtest/gtest.h>
#include <mpfr.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "referencia.hpp"

namespace {

namespace d = servicos::elementares::detalhe;
using referencia::Funcao;
using referencia::Real;

constexpr mpfr_prec_t precisao = 4000;

// ---------------------------------------------------------------------------
// Constants: each as its comment in elementares/detalhe.hpp says.

void pi(mpfr_ptr r) { mpfr_const_pi(r, MPFR_RNDN); }
void ln2(mpfr_ptr r) { mpfr_const_log2(r, MPFR_RNDN); }

// The double nearest to v.
double nearest(mpfr_srcptr v) { return mpfr_get_d(v, MPFR_RNDN); }

int bits_significativos(double v) {
    if (v == 0.0) return 0;
    int e;
    double m = std::frexp(std::fabs(v), &e);
    int n = 0;
    while (m != 0.0) {
        m = m * 2.0;
        m -= std::floor(m);
        ++n;
    }
    return n;
}

// a + b as the exact sum (precision wide enough for any two doubles).
void somar_exato(mpfr_ptr r, std::initializer_list<double> partes) {
    mpfr_set_d(r, 0.0, MPFR_RNDN);
    for (double p : partes) mpfr_add_d(r, r, p, MPFR_RNDN);
}

// log2 |a - b|
double log2_diferenca(mpfr_srcptr a, mpfr_srcptr b) {
    Real t(precisao);
    mpfr_sub(*t, a, b, MPFR_RNDN);
    if (mpfr_zero_p(*t)) return -10000.0;
    mpfr_abs(*t, *t, MPFR_RNDN);
    mpfr_log2(*t, *t, MPFR_RNDN);
    return mpfr_get_d(*t, MPFR_RNDN);
}

// A tabulated double-double: alto nearest to v, baixo nearest to the rest,
// and for a ValorTabelado the split of alto into 26 bits and the rest.
void conferir_duplo(mpfr_srcptr v, double alto, double baixo, const std::string& nome) {
    Real resto(precisao);
    EXPECT_EQ(alto, nearest(v)) << nome;
    mpfr_sub_d(*resto, v, alto, MPFR_RNDN);
    EXPECT_EQ(baixo, nearest(*resto)) << nome;
}

void conferir_tabelado(mpfr_srcptr v, const d::ValorTabelado& t, const std::string& nome) {
    conferir_duplo(v, t.alto, t.baixo, nome);
    EXPECT_EQ(t.alto_26 + t.resto_27, t.alto) << nome;
    EXPECT_EQ(t.alto - t.alto_26, t.resto_27) << nome;
    EXPECT_LE(bits_significativos(t.alto_26), 26) << nome;
    EXPECT_LE(bits_significativos(t.resto_27), 27) << nome;
}

// Words of a truncated fixed-point constant: floor(v 2^(64 i)) mod 2^64.
void conferir_palavras(mpfr_srcptr v, const std::uint64_t* palavras, int quantas, bool com_inteiro,
                       const std::string& nome) {
    Real t(precisao);
    mpz_t z;
    mpz_init(z);
    mpfr_set(*t, v, MPFR_RNDN);
    if (!com_inteiro) mpfr_mul_2ui(*t, *t, 64, MPFR_RNDN);
    for (int i = 0; i < quantas; ++i) {
        mpfr_get_z(z, *t, MPFR_RNDZ);
        EXPECT_EQ(palavras[i], static_cast<std::uint64_t>(mpz_get_ui(z))) << nome << " word " << i;
        mpfr_sub_z(*t, *t, z, MPFR_RNDN);
        mpfr_mul_2ui(*t, *t, 64, MPFR_RNDN);
    }
    mpz_clear(z);
}

TEST(ConstantesElementares, ComoMPFR) {
    Real v(precisao), s(precisao), t(precisao);

    // ln2/256 in 34 + 34 + 53 bits, to 2^-128; 256/ln2, 1/ln2.
    ln2(*v);
    mpfr_div_ui(*v, *v, 256, MPFR_RNDN);
    EXPECT_LE(bits_significativos(d::ln2_256_1), 34);
    EXPECT_LE(bits_significativos(d::ln2_256_2), 34);
    somar_exato(*s, {d::ln2_256_1, d::ln2_256_2, d::ln2_256_3});
    EXPECT_LT(log2_diferenca(*s, *v), -128.0);
    mpfr_ui_div(*t, 1, *v, MPFR_RNDN);
    EXPECT_EQ(d::inv_ln2_256, nearest(*t));
    mpfr_div_ui(*t, *t, 256, MPFR_RNDN);
    EXPECT_EQ(d::inv_ln2, nearest(*t));

    // pi/2 in 33 + 33 + 53 bits, to 2^-121; 2/pi; pi/2 and pi as double-doubles.
    pi(*v);
    mpfr_div_2ui(*v, *v, 1, MPFR_RNDN);
    EXPECT_LE(bits_significativos(d::pi_2_1), 33);
    EXPECT_LE(bits_significativos(d::pi_2_2), 33);
    somar_exato(*s, {d::pi_2_1, d::pi_2_2, d::pi_2_3});
    EXPECT_LT(log2_diferenca(*s, *v), -121.0);
    conferir_duplo(*v, d::pi_2.alto, d::pi_2.baixo, "pi/2");
    mpfr_ui_div(*t, 1, *v, MPFR_RNDN);
    EXPECT_EQ(d::dois_sobre_pi, nearest(*t));
    conferir_palavras(*v, d::fixo_pi_2, d::limbos_constantes, true, "pi/2 fixed");
    mpfr_mul_2ui(*s, *v, 1, MPFR_RNDN);
    conferir_duplo(*s, d::pi.alto, d::pi.baixo, "pi");
    conferir_palavras(*t, d::bits_dois_sobre_pi, d::palavras_dois_sobre_pi, false, "2/pi bits");
    ln2(*v);
    conferir_palavras(*v, d::fixo_ln2, d::limbos_constantes, true, "ln2 fixed");

    // The tables.
    for (int j = 0; j < 256; ++j) {
        mpfr_set_si(*v, j, MPFR_RNDN);
        mpfr_div_ui(*v, *v, 256, MPFR_RNDN);
        mpfr_exp2(*v, *v, MPFR_RNDN);
        conferir_tabelado(*v, d::dois_j_256[j], "2^(j/256), j = " + std::to_string(j));
    }
    for (int j = 0; j < 256; ++j) {
        mpfr_set_si(*t, j, MPFR_RNDN);
        mpfr_div_ui(*t, *t, 256, MPFR_RNDN);
        mpfr_sin(*v, *t, MPFR_RNDN);
        conferir_tabelado(*v, d::seno_j_256[j], "sin(j/256), j = " + std::to_string(j));
        mpfr_cos(*v, *t, MPFR_RNDN);
        conferir_tabelado(*v, d::cosseno_j_256[j], "cos(j/256), j = " + std::to_string(j));
    }

    // The thresholds of the exponential: finite up to exp_maior_finito,
    // nonzero from exp_menor_nao_nulo, and not one double further.
    for (const double limiar : {d::exp_maior_finito, d::exp_menor_nao_nulo}) {
        const double alem = std::nextafter(limiar, limiar > 0.0 ? 1e300 : -1e300);
        const double em = referencia::correta(Funcao::exponencial, limiar);
        const double depois = referencia::correta(Funcao::exponencial, alem);
        EXPECT_TRUE(std::isfinite(em) && em != 0.0) << limiar;
        EXPECT_TRUE(limiar > 0.0 ? std::isinf(depois) : depois == 0.0) << limiar;
    }
}

// ---------------------------------------------------------------------------
// Fast paths: the value alto + baixo is within erro of the exact result, on
// the sample of each function and its hard cases. The rounding test is only
// as good as this bound.

struct Limite {
    long conferidos = 0;
    long violacoes = 0;
    double maior_erro_relativo = -10000.0;  // log2
    double maior_fracao_do_limite = 0.0;    // |error| / erro
};

void conferir_rapido(Limite& l, double x, const d::Rapido& r, Funcao f) {
    Real exato(600), aproximado(600), diferenca(600);
    referencia::exata(f, x, *exato);
    mpfr_mul_2si(*exato, *exato, -r.escala, MPFR_RNDN);
    somar_exato(*aproximado, {r.alto, r.baixo});
    mpfr_sub(*diferenca, *aproximado, *exato, MPFR_RNDN);
    mpfr_abs(*diferenca, *diferenca, MPFR_RNDN);
    const double erro = mpfr_get_d(*diferenca, MPFR_RNDU);
    ++l.conferidos;
    if (erro > r.erro) {
        ++l.violacoes;
        ADD_FAILURE() << referencia::nome(f) << " fast path at " << std::hexfloat << x << ": error " << erro
                      << " beyond its bound " << r.erro;
    }
    l.maior_fracao_do_limite = std::max(l.maior_fracao_do_limite, erro / r.erro);
    if (erro > 0.0) {
        mpfr_div(*diferenca, *diferenca, *exato, MPFR_RNDN);
        mpfr_abs(*diferenca, *diferenca, MPFR_RNDN);
        l.maior_erro_relativo = std::max(l.maior_erro_relativo, std::log2(mpfr_get_d(*diferenca, MPFR_RNDN)));
    }
}

TEST(CaminhoRapido, ErroDentroDoLimite) {
    const long n = referencia::tamanho_da_amostra(100000);
    Limite seno, exponencial;
    std::vector<double> xs = referencia::amostra(Funcao::seno, n, 11);
    for (const double x : referencia::casos_dificeis(Funcao::seno)) xs.push_back(x);
    for (const double x : xs)
        if (std::fabs(x) >= 0x1p-26 && std::isfinite(x)) conferir_rapido(seno, x, d::seno_rapido(x, 0), Funcao::seno);
    xs = referencia::amostra(Funcao::exponencial, n, 12);
    for (const double x : referencia::casos_dificeis(Funcao::exponencial)) xs.push_back(x);
    for (const double x : xs)
        if (std::fabs(x) >= 0x1p-54 && x >= d::exp_menor_nao_nulo && x <= d::exp_maior_finito)
            conferir_rapido(exponencial, x, d::exponencial_rapida(x), Funcao::exponencial);
    for (const auto& [nome, l] : {std::pair{"sine", seno}, std::pair{"exponential", exponencial}}) {
        std::printf("%s fast path: %ld arguments, %ld beyond the bound; largest error 2^%.2f relative, %.4f of the bound\n",
                    nome, l.conferidos, l.violacoes, l.maior_erro_relativo, l.maior_fracao_do_limite);
        EXPECT_EQ(l.violacoes, 0) << nome;
    }
}

// ---------------------------------------------------------------------------
// Correct rounding.

// Arguments checked and mismatches, per function; every mismatch is a failure.
long conferir(Funcao f, const std::vector<double>& xs) {
    long diferentes = 0;
    for (const double x : xs) {
        const double nosso = referencia::nossa(f, x);
        const double certo = referencia::correta(f, x);
        const bool iguais = std::isnan(certo) ? std::isnan(nosso) : referencia::bits(nosso) == referencia::bits(certo);
        if (!iguais && ++diferentes <= 20)
            ADD_FAILURE() << referencia::nome(f) << std::hexfloat << "(" << x << ") = " << nosso << ", MPFR " << certo;
    }
    return diferentes;
}

class Arredondamento : public ::testing::TestWithParam<Funcao> {};

TEST_P(Arredondamento, AmostraSobreTodasAsBinades) {
    const Funcao f = GetParam();
    const long n = referencia::tamanho_da_amostra(100000);
    const std::vector<double> xs = referencia::amostra(f, n, 1000 + static_cast<int>(f));
    const long diferentes = conferir(f, xs);
    std::printf("%s: %zu arguments against MPFR, %ld mismatches\n", referencia::nome(f), xs.size(), diferentes);
    EXPECT_EQ(diferentes, 0);
}

TEST_P(Arredondamento, CasosDificeis) {
    const Funcao f = GetParam();
    std::vector<double> xs = referencia::casos_dificeis(f);
    double mais_dificil = 0.0;
    for (const double x : xs) mais_dificil = std::max(mais_dificil, referencia::dificuldade(f, x));
    if (f == Funcao::seno) {
        // The search finds the double nearest to a multiple of pi/2 known.
        const std::vector<double> perto = referencia::perto_de_multiplos_de_pi_2();
        EXPECT_NE(std::find(perto.begin(), perto.end(), 0x1.6ac5b262ca1ffp+849), perto.end());
        xs.insert(xs.end(), perto.begin(), perto.end());
    }
    const long diferentes = conferir(f, xs);
    std::printf("%s: %zu hard cases against MPFR (the hardest %.1f bits past the rounding bit), %ld mismatches\n",
                referencia::nome(f), xs.size(), mais_dificil, diferentes);
    EXPECT_EQ(diferentes, 0);
    // The families do reach results within 2^-45 of a midpoint, beyond what
    // any fast path can settle.
    if (f != Funcao::arco_cosseno) {
        EXPECT_GT(mais_dificil, 45.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Funcoes, Arredondamento,
                         ::testing::Values(Funcao::seno, Funcao::exponencial, Funcao::arco_cosseno),
                         [](const auto& info) { return std::string(referencia::nome(info.param)); });

}  // namespace
