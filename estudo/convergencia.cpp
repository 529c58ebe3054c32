#include "convergencia.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <numbers>

#include "nucleo/processamento.hpp"
#include "nucleo/variaveis.hpp"
#include "principal.hpp"
#include "servicos/elementares/elementares.hpp"
#include "servicos/plataforma/plataforma.hpp"

namespace estudo {

namespace {

constexpr double nao_numero = std::numeric_limits<double>::quiet_NaN();
constexpr double infinito = std::numeric_limits<double>::infinity();

// Nx - 1 and Nt (below 2^31) doubled this many times stay inside the 64-bit
// counts they are computed in; a finer level could not be run anyway.
constexpr int nivel_maximo = 30;

// Running maximum (and where it was), sum of squares and last value of one
// error history. A NaN sticks to the maximum: once there, no finite error
// replaces it.
class Acumulador {
public:
    void somar(double erro, double onde = 0.0) {
        const double absoluto = std::fabs(erro);
        if (!std::isnan(maximo_) && (std::isnan(absoluto) || absoluto > maximo_)) {
            maximo_ = absoluto;
            onde_ = onde;
        }
        soma_quadrados_ += absoluto * absoluto;
        ultimo_ = erro;
        ++contagem_;
    }
    Erros erros() const {
        return {maximo_, std::sqrt(soma_quadrados_ / static_cast<double>(contagem_)), ultimo_, onde_};
    }

private:
    double maximo_ = 0.0;
    double onde_ = 0.0;
    double soma_quadrados_ = 0.0;
    double ultimo_ = 0.0;
    std::int64_t contagem_ = 0;
};

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
    e.passos_ruido = passos_para_crescer(e.pior, crescimento_do_ruido);
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
    const servicos::plataforma::ArmadilhasRetidas retidas;
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
    nivel.x_meio = x(no_do_meio(Nx));
    nivel.piso = std::numeric_limits<double>::epsilon() * std::fabs(Ti) * (static_cast<double>(Nt) + Nx);

    // The exact field is amplitude times decay, each node's amplitude taken by
    // the same operations as its initial value, so that at t = 0 every error
    // is exactly zero. The trapezoidal mean of the exact field is that of the
    // initial field, Tm(0), times the same decay.
    const double taxa = processamento::taxa_decaimento();
    const double amp_meio = servicos::elementares::seno(x(no_do_meio(Nx)) * pi / Lx) * Ti;
    const double media_inicial = Tm(0);
    const double *tempo = t.dados(), *media_num = Tm.dados(), *meio_num = Tmeio.dados(), *media_an = Tm_an.dados();
    Acumulador media, meio, listagem;
    for (std::int64_t m = 0; m <= Nt; ++m) {
        const double d = servicos::elementares::exponencial(tempo[m] * taxa);
        media.somar(d * media_inicial - media_num[m], tempo[m]);
        meio.somar(d * amp_meio - meio_num[m], tempo[m]);
        listagem.somar(media_an[m] - media_num[m], tempo[m]);
    }
    nivel.media = media.erros();
    nivel.meio = meio.erros();
    nivel.listagem = listagem.erros();

    const double decaimento_final = servicos::elementares::exponencial(t(Nt) * taxa);
    Acumulador campo;
    for (std::int64_t j = 1; j <= Nx; ++j)
        campo.somar(decaimento_final * (servicos::elementares::seno(x(j) * pi / Lx) * Ti) - T(j));
    const Erros e = campo.erros();
    nivel.campo = {e.maximo, e.rms};

    // The half sine's value at tf three ways: exact, exact in time on this
    // grid, and the scheme's A^Nt.
    const double semidiscreta = servicos::elementares::exponencial(-4.0 * nivel.F * s * s * Nt);
    const double discreta = std::pow(nivel.fator_meia, static_cast<double>(Nt));
    // Without an interior node the half sine is no mode of the grid: no split.
    nivel.parte_tempo = Nx >= 3 ? Ti * (semidiscreta - discreta) : nao_numero;
    nivel.parte_espaco = Nx >= 3 ? Ti * (decaimento_final - semidiscreta) : nao_numero;
    return nivel;
}

double ordem_observada(double grosso, double fino) {
    const double g = std::fabs(grosso);
    const double f = std::fabs(fino);
    if (!std::isfinite(g) || !std::isfinite(f) || g == 0.0 || f == 0.0) return nao_numero;
    return std::log2(g / f);
}

double ordem_por_diferencas(double e1, double e2, double e3) { return ordem_observada(e1 - e2, e2 - e3); }

namespace {

bool claro_do_arredondamento(double erro, double piso) { return std::fabs(erro) > folga_arredondamento * piso; }

// The value p of two errors of the given floor; `estaveis` says that every
// level involved is inside the stability bound of its grid.
Ordem julgar(bool com_interior, bool estaveis, double grosso, double fino, double piso) {
    if (!com_interior) return {Veredito::sem_no_interior, nao_numero};
    if (!estaveis || !std::isfinite(grosso) || !std::isfinite(fino)) return {Veredito::instavel, nao_numero};
    if (!claro_do_arredondamento(grosso, piso) || !claro_do_arredondamento(fino, piso))
        return {Veredito::arredondamento, nao_numero};
    const double p = ordem_observada(grosso, fino);
    if (!(p >= menor_ordem)) return {Veredito::pre_assintotico, p};
    return {Veredito::ordem, p};
}

bool com_no_interior(const Nivel& nivel) { return nivel.malha.Nx >= 3; }

bool concordam(const Ordem& a, const Ordem& b) {
    return a.veredito == Veredito::ordem && b.veredito == Veredito::ordem &&
           std::fabs(a.p - b.p) <= concordancia_das_ordens * std::max(std::fabs(a.p), std::fabs(b.p));
}

}  // namespace

Ordem ordem_entre(const Nivel& grosso, const Nivel& fino, double e_grosso, double e_fino) {
    return julgar(com_no_interior(grosso) && com_no_interior(fino), grosso.estavel && fino.estavel, e_grosso, e_fino,
                  std::max(grosso.piso, fino.piso));
}

Ordem ordem_das_diferencas(const Nivel& n1, const Nivel& n2, const Nivel& n3, double e1, double e2, double e3) {
    const double piso = std::max({n1.piso, n2.piso, n3.piso});
    const bool finitos = std::isfinite(e1) && std::isfinite(e2) && std::isfinite(e3);
    return julgar(com_no_interior(n1) && com_no_interior(n2) && com_no_interior(n3),
                  n1.estavel && n2.estavel && n3.estavel && finitos, e1 - e2, e2 - e3, piso);
}

std::vector<Ordem> confirmar_ordens(std::vector<Ordem> ordens) {
    std::vector<bool> confirmada(ordens.size(), false);
    for (std::size_t j = 0; j + 1 < ordens.size(); ++j)
        if (concordam(ordens[j], ordens[j + 1])) confirmada[j] = confirmada[j + 1] = true;
    for (std::size_t j = 0; j < ordens.size(); ++j)
        if (ordens[j].veredito == Veredito::ordem && !confirmada[j]) ordens[j].veredito = Veredito::pre_assintotico;
    return ordens;
}

std::vector<Ordem> ordens_da_serie(const std::vector<Nivel>& niveis, ErroDoNivel erro) {
    std::vector<Ordem> ordens;
    for (std::size_t j = 1; j < niveis.size(); ++j)
        ordens.push_back(ordem_entre(niveis[j - 1], niveis[j], erro(niveis[j - 1]), erro(niveis[j])));
    ordens = confirmar_ordens(std::move(ordens));
    ordens.insert(ordens.begin(), Ordem{Veredito::pre_assintotico, nao_numero});
    return ordens;
}

std::vector<Ordem> ordens_das_diferencas(const std::vector<Nivel>& niveis, ErroDoNivel erro_com_sinal) {
    std::vector<Ordem> ordens;
    for (std::size_t j = 2; j < niveis.size(); ++j)
        ordens.push_back(ordem_das_diferencas(niveis[j - 2], niveis[j - 1], niveis[j], erro_com_sinal(niveis[j - 2]),
                                              erro_com_sinal(niveis[j - 1]), erro_com_sinal(niveis[j])));
    ordens = confirmar_ordens(std::move(ordens));
    ordens.insert(ordens.begin(), std::min<std::size_t>(2, niveis.size()), Ordem{Veredito::pre_assintotico, nao_numero});
    return ordens;
}

double medir_ns_por_no_passo(std::int32_t nos) {
    Caso caso{1.0, std::clamp<std::int32_t>(nos, 3, 100001), 1.0, 0, 100.0, 1.0, 1.0, 1.0, 1.0};
    caso.Nt = std::max<std::int32_t>(10, 1000000 / caso.Nx);
    double melhor = 0.0;
    for (int vez = 0; vez < 3; ++vez) {
        const servicos::plataforma::ArmadilhasRetidas retidas;
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
