#include "convergencia.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <numbers>

#include "nucleo/processamento.hpp"
#include "nucleo/variaveis.hpp"
#include "principal.hpp"
#include "servicos/base/deteccao.hpp"
#include "servicos/elementares/elementares.hpp"

namespace estudo {

namespace {

constexpr double nao_numero = std::numeric_limits<double>::quiet_NaN();
constexpr double infinito = std::numeric_limits<double>::infinity();

// Nx - 1 and Nt (below 2^31) doubled this many times stay inside the 64-bit
// counts they are computed in; a finer level could not be run anyway.
constexpr int nivel_maximo = 30;

// Running maximum (and where it was, and its sign), sum of squares, last
// value and round-off bounds of one error history. A NaN sticks to the
// maximum: once there, no finite error replaces it. The squares are summed
// plainly, and again scaled by the largest value so far, which is used only
// where the plain sum overflows, or where the squares fall below the normal
// doubles and lose their digits: a finite maximum keeps a finite RMS, and a
// tiny one a nonzero RMS.
constexpr double raiz_do_menor_normal = 1.5e-154;
class Acumulador {
public:
    void somar(double erro, double onde = 0.0, double piso = 0.0) {
        const double absoluto = std::fabs(erro);
        if (!std::isnan(maximo_) && (std::isnan(absoluto) || absoluto > maximo_)) {
            maximo_ = absoluto;
            onde_ = onde;
            com_sinal_ = erro;
        }
        soma_quadrados_ += absoluto * absoluto;
        if (absoluto > escala_) {
            const double razao = escala_ / absoluto;
            soma_escalada_ = 1.0 + soma_escalada_ * razao * razao;
            escala_ = absoluto;
        } else if (absoluto > 0.0) {
            const double razao = absoluto / escala_;
            soma_escalada_ += razao * razao;
        }
        ultimo_ = erro;
        if (!(piso <= piso_)) piso_ = piso;  // a NaN bound sticks too
        piso_final_ = piso;
        ++contagem_;
    }
    Erros erros() const {
        const double n = static_cast<double>(contagem_);
        double rms = std::sqrt(soma_quadrados_ / n);
        if ((std::isinf(soma_quadrados_) || escala_ < raiz_do_menor_normal) && std::isfinite(maximo_))
            rms = escala_ * std::sqrt(soma_escalada_ / n);
        return {maximo_, rms, ultimo_, onde_, com_sinal_, piso_, piso_final_};
    }

private:
    double maximo_ = 0.0;
    double onde_ = 0.0;
    double com_sinal_ = 0.0;
    double soma_quadrados_ = 0.0;
    double escala_ = 0.0;
    double soma_escalada_ = 0.0;
    double ultimo_ = 0.0;
    double piso_ = 0.0;
    double piso_final_ = 0.0;
    std::int64_t contagem_ = 0;
};

// Round-off bounds of the measured errors. The run is compared with its
// closed form: the initial field T0 (as the program forms it) times A^n, A
// the double factor of the half sine, its powers taken step by step. The
// departure |T - T0 A^n| is the run's own round-off; to it are added the
// error of the closed form itself (the powers of a rounded A), the initial
// field's rounding against the exact sine, and the rounding of the exact
// decay exp(t taxa); together they bound how far a measured error lies from
// the exact arithmetic's.
struct CotaDoPasso {
    double potencia;   // relative error of A^n, grows with n
    double exata;      // relative error of exp(t taxa)
    double subnormal;  // absolute: below the normal doubles a rounding is worth up to their least step
};

CotaDoPasso cota_no_nivel(double cota_relativa_A, std::int64_t n, double expoente, double subnormal) {
    return {1.01 * static_cast<double>(n) * (cota_relativa_A + epsilon) + epsilon,
            epsilon + 10.0 * epsilon * std::fabs(expoente), subnormal};
}

// The bound at one point of initial value `T0`, its departure given: the
// closed form is T0 A^n, the exact value T0 exp(t taxa); `cota_inicial`
// bounds T0 against the exact sine's value.
// `erro` is the measured error there: the departure and the error are
// themselves rounded once or twice.
double piso_do_ponto(double afastamento, double erro, double T0, double potencia, double decaimento,
                     const CotaDoPasso& cota, double cota_inicial) {
    return afastamento + std::fabs(T0) * std::fabs(potencia) * cota.potencia + std::fabs(T0) * decaimento * cota.exata +
           cota_inicial * (decaimento + std::fabs(potencia)) + cota.subnormal +
           2.0 * epsilon * (afastamento + std::fabs(erro));
}

}  // namespace

void colocar_no_estado(const Caso& caso, Malha malha) {
    Caso na_malha = caso;
    na_malha.Nx = malha.Nx;
    na_malha.Nt = malha.Nt;
    variaveis::iniciar_corrida(na_malha);
}

double numero_fourier(double alpha, double dt, double dx) { return alpha * dt / std::pow(dx, 2.0); }

double fator_modo(double theta, double F, double s) {
    const double s2 = s * s;
    return (1.0 - 4.0 * (1.0 - theta) * F * s2) / (1.0 + 4.0 * theta * F * s2);
}

double s2_modo_mais_alto(std::int32_t Nx) {
    if (Nx < 2) return 0.0;
    // s = sin(m pi dx/(2 Lx)) with m = Nx - 2 and dx = Lx/(Nx - 1).
    const double s = servicos::elementares::seno(std::numbers::pi * (Nx - 2.0) / (2.0 * (Nx - 1.0)));
    return s * s;
}

double fator_pior_modo(double theta, double F, std::int32_t Nx) {
    return fator_modo(theta, F, std::sqrt(s2_modo_mais_alto(Nx)));
}

double limite_fourier(double theta) {
    if (theta < 0.5) return 0.5 / (1.0 - 2.0 * theta);
    return theta >= 0.5 ? infinito : nao_numero;
}

bool estavel(double theta, double F) { return F <= limite_fourier(theta); }

double limite_fourier_malha(double theta, std::int32_t Nx) {
    const double s2 = s2_modo_mais_alto(Nx);
    if (theta < 0.5) return s2 > 0.0 ? 0.5 / ((1.0 - 2.0 * theta) * s2) : infinito;
    return theta >= 0.5 ? infinito : nao_numero;
}

// A mode's factor is -1 exactly when (1 - 2 theta)F s^2 = 1/2; below, it is
// above -1 (and never above 1 for F >= 0); so the highest mode decides. A
// negative F (a negative conductivity) makes every mode grow.
bool estavel_na_malha(double theta, double F, std::int32_t Nx) {
    return F >= 0.0 && F <= limite_fourier_malha(theta, Nx);
}

double limite_sem_oscilacao(double theta, double s) {
    const double s2 = s * s;
    if (theta < 1.0) return s2 > 0.0 ? 0.25 / ((1.0 - theta) * s2) : infinito;
    return theta >= 1.0 ? infinito : nao_numero;
}

double limite_principio_maximo(double theta) {
    if (theta < 1.0) return 0.5 / (1.0 - theta);
    return theta >= 1.0 ? infinito : nao_numero;
}

Comportamento comportamento(double fator) {
    if (!(std::fabs(fator) <= 1.0)) return Comportamento::cresce;
    return fator < 0.0 ? Comportamento::oscila : Comportamento::decai;
}

double passos_para_crescer(double fator, double vezes) {
    const double ganho = std::fabs(fator);
    if (!(ganho > 1.0)) return infinito;
    return std::log(vezes) / std::log(ganho);
}

namespace {

// s of the half sine, sin(pi dx/(2 Lx)).
double s_meia_senoide(double dx, double Lx) {
    return servicos::elementares::seno(std::numbers::pi * dx / (2.0 * Lx));
}

}  // namespace

Amplificacao amplificacao(double theta, double alpha, double dt, double dx, double Lx) {
    // The half sine is an eigenvector of the discrete Laplacian with
    // eigenvalue -4 s^2/dx^2, s = sin(pi dx/(2 Lx)); the exact one is -pi^2/Lx^2.
    constexpr double pi = std::numbers::pi;
    const double F = numero_fourier(alpha, dt, dx);
    const double s = s_meia_senoide(dx, Lx);
    return {fator_modo(theta, F, s), servicos::elementares::exponencial(-4.0 * F * s * s),
            servicos::elementares::exponencial(-(pi * pi * alpha * dt / (Lx * Lx)))};
}

Estabilidade estabilidade(double theta, double alpha, double dt, double dx, double Lx, std::int32_t Nx,
                          std::int32_t Nt) {
    Estabilidade e;
    e.theta = theta;
    e.F = numero_fourier(alpha, dt, dx);
    e.Nx = Nx;
    e.Nt = Nt;
    e.limite_malha = limite_fourier_malha(theta, Nx);
    e.estavel_malha = estavel_na_malha(theta, e.F, Nx);
    e.limite = limite_fourier(theta);
    e.estavel = estavel(theta, e.F);
    e.meia_senoide = amplificacao(theta, alpha, dt, dx, Lx);
    e.s2_pior = s2_modo_mais_alto(Nx);
    e.pior = fator_pior_modo(theta, e.F, Nx);
    e.rapido = modo_mais_rapido(theta, e.F, Nx);
    e.passos_ruido = passos_para_crescer(std::fabs(e.rapido.A) > std::fabs(e.pior) ? e.rapido.A : e.pior,
                                         crescimento_do_ruido);
    e.passo = passo_meia_senoide(theta, e.F, std::numbers::pi * dx / (2.0 * Lx));
    e.razoes = razoes_do_passo(e.passo, Nt);
    e.limite_oscilacao_meia = limite_sem_oscilacao(theta, s_meia_senoide(dx, Lx));
    e.limite_oscilacao = limite_sem_oscilacao(theta, 1.0);
    e.limite_maximo = limite_principio_maximo(theta);
    return e;
}

std::optional<Malha> malha_do_nivel(Refinamento tipo, Malha base, int nivel) {
    if (nivel < 0 || nivel > nivel_maximo || base.Nx < 2 || base.Nt < 0) return std::nullopt;
    std::int64_t intervalos = base.Nx - std::int64_t{1};
    std::int64_t passos = base.Nt;
    if (tipo != Refinamento::tempo) intervalos <<= nivel;
    if (tipo != Refinamento::espaco) passos <<= nivel;
    if (intervalos + 1 > variaveis::maior_contagem || passos > variaveis::maior_contagem) return std::nullopt;
    return Malha{static_cast<std::int32_t>(intervalos + 1), static_cast<std::int32_t>(passos)};
}

std::uint64_t memoria_da_corrida(Malha malha) { return principal::memoria_da_corrida(malha.Nx, malha.Nt); }

Nivel executar_nivel(Caso caso, Malha malha) {
    const servicos::base::deteccao::Retencao retida;
    colocar_no_estado(caso, malha);
    principal::calcular();
    return medir_corrida();
}

Nivel medir_corrida() {
    using namespace variaveis;
    Nivel nivel;
    nivel.malha = {Nx, Nt};
    nivel.dx = dx;
    nivel.dt = dt;
    nivel.F = numero_fourier(alpha, dt, dx);
    nivel.estavel = estavel_na_malha(theta, nivel.F, Nx);
    const double s = s_meia_senoide(dx, Lx);
    nivel.fator_meia = fator_modo(theta, nivel.F, s);
    nivel.fator_pior = fator_pior_modo(theta, nivel.F, Nx);
    nivel.rapido = modo_mais_rapido(theta, nivel.F, Nx);
    nivel.x_meio = x(no_do_meio(Nx));
    nivel.passo = passo_meia_senoide(theta, nivel.F, std::numbers::pi * dx / (2.0 * Lx));
    const PartesFechadas partes = partes_fechadas(nivel.passo, Nt, Ti);

    // The exact field is amplitude times decay, each node's amplitude taken by
    // the same operations as its initial value, so that at t = 0 every error
    // is exactly zero. The trapezoidal mean of the exact field is that of the
    // initial field, Tm(0), times the same decay.
    const double taxa = processamento::taxa_decaimento();
    const double amp_meio = servicos::elementares::seno(x(no_do_meio(Nx)) * pi / Lx) * Ti;
    const double media_inicial = Tm(0);
    // The initial values against the exact sine: a few roundings of the
    // argument and of sin per node; the trapezoidal sum adds one per node.
    const double cota_no = 16.0 * epsilon * std::fabs(Ti);
    const double cota_media = (static_cast<double>(Nx) + 20.0) * epsilon * std::fabs(Ti);
    // The run, its closed form and the exact decay each lose up to the least
    // subnormal at every operation that falls below the normal doubles.
    const double subnormal =
        8.0 * (std::fabs(Ti) + 1.0) * (static_cast<double>(Nt) + Nx + 8.0) * std::numeric_limits<double>::denorm_min();
    const double *tempo = t.dados(), *media_num = Tm.dados(), *meio_num = Tmeio.dados(), *media_an = Tm_an.dados();
    Acumulador media, meio, listagem;
    const double A = nivel.fator_meia;
    double potencia = 1.0;  // A^m
    for (std::int64_t m = 0; m <= Nt; ++m) {
        if (m > 0) potencia *= A;
        const double expoente = tempo[m] * taxa;
        const double d = servicos::elementares::exponencial(expoente);
        const CotaDoPasso cota = cota_no_nivel(nivel.passo.cota_relativa_A, m, expoente, subnormal);
        const double erro_media = d * media_inicial - media_num[m];
        const double piso_media = piso_do_ponto(std::fabs(media_num[m] - media_inicial * potencia), erro_media,
                                                media_inicial, potencia, d, cota, cota_media);
        media.somar(erro_media, tempo[m], piso_media);
        const double erro_meio = d * amp_meio - meio_num[m];
        meio.somar(erro_meio, tempo[m],
                   piso_do_ponto(std::fabs(meio_num[m] - amp_meio * potencia), erro_meio, amp_meio, potencia, d, cota,
                                 cota_no));
        // The listing's exact mean, 2 Ti/pi exp(t taxa), adds its own roundings.
        listagem.somar(media_an[m] - media_num[m], tempo[m],
                       piso_media + std::fabs(media_an[m]) * (cota.exata + 4.0 * epsilon));
    }
    nivel.media = media.erros();
    nivel.meio = meio.erros();
    nivel.listagem = listagem.erros();

    const double expoente_final = t(Nt) * taxa;
    const double decaimento_final = servicos::elementares::exponencial(expoente_final);
    const CotaDoPasso cota_final = cota_no_nivel(nivel.passo.cota_relativa_A, Nt, expoente_final, subnormal);
    Acumulador campo;
    double amplitude_maxima = 0.0, afastamento = 0.0;
    for (std::int64_t j = 1; j <= Nx; ++j) {
        const double inicial = servicos::elementares::seno(x(j) * pi / Lx) * Ti;
        const double desvio = std::fabs(T(j) - inicial * potencia);
        if (!(desvio <= afastamento)) afastamento = desvio;
        amplitude_maxima = std::max(amplitude_maxima, std::fabs(inicial));
        const double erro = decaimento_final * inicial - T(j);
        campo.somar(erro, 0.0, piso_do_ponto(desvio, erro, inicial, potencia, decaimento_final, cota_final, cota_no));
    }
    const Erros e = campo.erros();
    nivel.campo.maximo = e.maximo;
    nivel.campo.rms = e.rms;
    nivel.campo.com_sinal = e.com_sinal;
    nivel.campo.piso = e.piso;
    nivel.campo.arredondamento = afastamento;
    // The scheme's own error at a node is its initial value times the sum of
    // the parts over Ti; far past the double range, through logarithms.
    const Cotado soma_das_partes = soma(partes.tempo, partes.espaco);
    const double relativa = Ti != 0.0 ? amplitude_maxima / std::fabs(Ti) : 0.0;
    nivel.campo.esquema = relativa * std::fabs(soma_das_partes.valor);
    nivel.campo.log10_esquema = std::isfinite(soma_das_partes.valor)
                                    ? std::log10(nivel.campo.esquema)
                                    : std::log10(amplitude_maxima) + partes.log10_A_Nt;
    nivel.piso = std::max({nivel.campo.piso, nivel.media.piso, nivel.meio.piso});
    if (std::isnan(nivel.campo.piso) || std::isnan(nivel.media.piso) || std::isnan(nivel.meio.piso))
        nivel.piso = std::numeric_limits<double>::infinity();

    // Without an interior node the half sine is no mode of the grid: no split.
    nivel.parte_tempo = Nx >= 3 ? partes.tempo.valor : nao_numero;
    nivel.parte_espaco = Nx >= 3 ? partes.espaco.valor : nao_numero;
    nivel.cota_tempo = partes.tempo.cota;
    nivel.cota_espaco = partes.espaco.cota;
    nivel.log10_A_Nt = partes.log10_A_Nt;
    return nivel;
}

Esquema medir_esquema(const Nivel& nivel) {
    using namespace variaveis;
    const servicos::base::deteccao::Retencao retida;
    Esquema e{theta, nivel, amplificacao(theta, alpha, dt, dx, Lx), 0.0, 0.0};
    // The middle node at tf: its initial value times the half sine's split
    // over Ti (closed forms, exatas.hpp), and the run's departure there from
    // its closed form, the initial value times A^Nt.
    const double seno_meio = servicos::elementares::seno(x(no_do_meio(Nx)) * pi / Lx);
    const double amp_meio = seno_meio * Ti;
    e.erro_tempo_meio = seno_meio * nivel.parte_tempo;
    e.erro_espaco_meio = seno_meio * nivel.parte_espaco;
    e.cota_tempo_meio = std::fabs(seno_meio) * nivel.cota_tempo * (1.0 + 4.0 * epsilon) +
                        16.0 * epsilon * std::fabs(e.erro_tempo_meio);
    e.cota_espaco_meio = std::fabs(seno_meio) * nivel.cota_espaco * (1.0 + 4.0 * epsilon) +
                         16.0 * epsilon * std::fabs(e.erro_espaco_meio);
    const double sinal = nivel.fator_meia < 0.0 && Nt % 2 == 1 ? -1.0 : 1.0;
    e.arredondamento_meio =
        std::fabs(Tmeio(Nt) - amp_meio * sinal * std::exp(static_cast<double>(Nt) * nivel.passo.log_A.valor));
    return e;
}

double medir_ns_por_no_passo(std::int32_t nos) {
    Caso caso{1.0, std::clamp<std::int32_t>(nos, 3, 100001), 1.0, 0, 100.0, 1.0, 1.0, 1.0, 1.0};
    caso.Nt = std::max<std::int32_t>(10, 1000000 / caso.Nx);
    double melhor = 0.0;
    for (int vez = 0; vez < 3; ++vez) {
        const servicos::base::deteccao::Retencao retida;
        colocar_no_estado(caso, {caso.Nx, caso.Nt});
        const auto inicio = std::chrono::steady_clock::now();
        principal::calcular();
        const std::chrono::duration<double, std::nano> gasto = std::chrono::steady_clock::now() - inicio;
        const double por = gasto.count() / (static_cast<double>(caso.Nx) * caso.Nt);
        melhor = vez == 0 ? por : std::min(melhor, por);
    }
    variaveis::liberar_arranjos();
    return melhor;
}

}  // namespace estudo
