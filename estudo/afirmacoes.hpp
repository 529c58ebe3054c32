// The claims the study's readings make, as values: for each family of
// sentences a pure classifier that returns what it claims (a kind, the
// numbers it rests on and the rule that admitted it). A claim is made only
// when its rule holds clearly on the numbers and their error bounds;
// otherwise a weaker claim, or none. The words are leituras.cpp's and the
// tables' (relatorio.cpp), which only render these values; every threshold
// below is printed from its constant there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "convergencia.hpp"
#include "mapa.hpp"

namespace estudo {

// ---------------------------------------------------------------------------
// The thresholds of the rules.

// Least order shown as such: below it the error hardly falls with the refined step.
inline constexpr double menor_ordem = 0.1;
// Two successive orders agree, and so are asymptotic, when they differ by at
// most this fraction of the larger, bounds included.
inline constexpr double concordancia_das_ordens = 0.05;
// An order (or a pré value) is shown only when the round-off of its errors
// moves it by less than this: half of its last printed digit.
inline constexpr double maior_incerteza_da_ordem = 0.005;
// The grid's sampling of the half sine (max|sin| over the nodes, its RMS,
// its trapezoidal mean) explains a value when it alone moves p this much.
inline constexpr double limiar_da_amostragem = 0.02;
// A part of the error weighs when it is at least this share of the two.
inline constexpr double peso_que_conta = 0.1;
// A part below this fraction of the other does not weigh in the sum.
inline constexpr double parte_desprezivel = 0.01;
// Two parts of opposite signs cancel when their sum is less than this
// fraction of the larger.
inline constexpr double fracao_do_cancelamento = 0.5;
// The error saturates when the fixed step's part is at least this share at
// both levels of a pair.
inline constexpr double fracao_da_saturacao = 0.5;
// From this ratio on, a falling error is said to fall so many times.
inline constexpr double razao_em_vezes = 1.5;
// An unstable run's error is still the scheme's while the amplified
// round-off is less than this share of the two, and the round-off's once it
// is more than this; in between, both.
inline constexpr double parcela_desprezivel = 0.1;
inline constexpr double parcela_dominante = 0.5;

// ---------------------------------------------------------------------------
// Orders of accuracy.

// An order where it means something, or why there is none.
enum class Veredito {
    ordem,            // stable levels, clear of round-off, same sign, and an order its neighbour confirms
    pre_assintotico,  // a value, but not an order yet (Motivo says why)
    instavel,         // a level outside the stability bound, or an error not finite
    arredondamento,   // round-off can move the value by more than maior_incerteza_da_ordem
    sem_no_interior,  // a level without interior node: nothing was computed there
};

// Why a value is not an order: the rule that failed, in the order they are tried.
enum class Motivo {
    nenhum,          // an order, or no value at all
    troca_de_sinal,  // the signed errors of the two levels have opposite signs
    cresce,          // the error grows: p <= -menor_ordem
    quase_parado,    // |p| < menor_ordem
    saturacao,       // |p| < menor_ordem with the fixed step's part >= fracao_da_saturacao at both levels
    sem_vizinho,     // no neighbouring pair with an order to agree with
    cancelamento,    // the parts have opposite signs and their sum < fracao_do_cancelamento of the larger
    amostragem,      // the grid's sampling moves p (here or next door) by >= limiar_da_amostragem
    parte_fixa,      // (b), (c): the fixed step's part >= peso_que_conta at the finer level
    mistura,         // (a), theta != 1/2: both parts >= peso_que_conta, of orders 1 and 2
    deriva,          // the neighbouring orders differ by more than concordancia_das_ordens
};

struct Ordem {
    Veredito veredito = Veredito::pre_assintotico;
    double p = std::numeric_limits<double>::quiet_NaN();
    double cota = 0.0;  // how far round-off can move p
    Motivo motivo = Motivo::nenhum;
    // The numbers the reason rests on: the sampling's shift of p, the share
    // of the part named (or what is left of the larger in the sum), and
    // whether the fixed part has the sign opposite to the refined one.
    double amostragem = 0.0;
    double peso = 0.0;
    double cota_peso = 0.0;  // bound of that share from the parts' bounds
    bool oposta = false;
};

// One measured error of a level, with what its orders rest on.
struct ErroMedido {
    double valor = 0.0;      // |error|
    double com_sinal = 0.0;  // the signed error it comes from
    double piso = 0.0;       // bound of its round-off
    double amostra = 1.0;    // the grid's amplitude of the half sine in it (the sampling)
    bool em_tf = false;      // the half sine's error at tf, whose parts are the split's
};
using ErroDoNivel = ErroMedido (*)(const Nivel&);

ErroMedido maximo_do_campo(const Nivel& n);
ErroMedido rms_do_campo(const Nivel& n);
ErroMedido maximo_da_media(const Nivel& n);
ErroMedido maximo_do_meio(const Nivel& n);
ErroMedido media_final(const Nivel& n);
ErroMedido meio_final(const Nivel& n);

// The grid's amplitudes of the half sine sin(pi x/Lx) on Nx nodes: its
// largest nodal value, its RMS over the nodes, its trapezoidal mean and its
// value at the middle node.
double amostra_do_maximo(std::int32_t Nx);
double amostra_do_rms(std::int32_t Nx);
double amostra_da_media(std::int32_t Nx);
double amostra_do_meio(std::int32_t Nx);

// Observed order between successive levels, log2(grosso/fino); NaN when
// either error is zero or not finite.
double ordem_observada(double grosso, double fino);

// Order from three successive signed errors, log2(|e1 - e2|/|e2 - e3|): the
// part of the error that does not depend on the refined step cancels, so at a
// fixed dx it is the order in time alone (and at a fixed dt, in space).
double ordem_por_diferencas(double e1, double e2, double e3);

// The value between two levels: an order (to be confirmed by a neighbour),
// or why there is none. The first form takes the errors' own floors and
// signs; the second, plain errors with the levels' floors.
Ordem ordem_do_par(const Nivel& grosso, const Nivel& fino, const ErroMedido& e_grosso, const ErroMedido& e_fino);
Ordem ordem_entre(const Nivel& grosso, const Nivel& fino, double e_grosso, double e_fino);
// The same from three levels' signed errors (by their differences).
Ordem ordem_das_diferencas(const Nivel& n1, const Nivel& n2, const Nivel& n3, double e1, double e2, double e3);

// The orders of successive pairs of levels, each kept as an order only where
// it agrees with the order of the pair before or after it; the others become
// pré-assintótico, with their value (Motivo::sem_vizinho or deriva).
std::vector<Ordem> confirmar_ordens(std::vector<Ordem> ordens);

// The confirmed orders of one error over the levels of a refinement, with
// the reasons of those that are not orders: entry j (from 1) between levels
// j - 1 and j; entry 0, the first level's, has none.
std::vector<Ordem> ordens_da_serie(const Serie& serie, double theta, ErroDoNivel erro);
// The confirmed orders by differences of a signed error at tf: entry j
// (from 2) from levels j - 2, j - 1 and j; entries 0 and 1 have none.
std::vector<Ordem> ordens_das_diferencas(const Serie& serie, ErroDoNivel erro_com_sinal);

// The orders of a series read as a whole.
struct LeituraDasOrdens {
    std::vector<Ordem> ordens;
    bool algum_valor = false;         // some pair has a value (an order or pré)
    bool todas_confirmadas = false;   // every value is an order
    double esperada = 0.0;            // the order the refined step should show
    bool com_a_esperada = false;      // every order agrees with it (concordancia_das_ordens)
    double ultima = 0.0;              // the last order
};
LeituraDasOrdens ler_ordens(Refinamento tipo, double theta, std::vector<Ordem> ordens);

// The scheme's order in time: 2 for Crank-Nicolson, 1 for any other theta.
int ordem_no_tempo(double theta);
// The order the refined step should show once it dominates.
double ordem_esperada(Refinamento tipo, double theta);

// ---------------------------------------------------------------------------
// The split of a level's error in time and space (Nivel::parte_tempo and
// parte_espaco, with their bounds).

enum class QuemDomina { tempo, espaco, indefinido, sem_partes };
enum class RelacaoDasPartes { mesmo_sinal, sinais_opostos, uma_desprezivel, indefinida, sem_partes };
struct LeituraDasPartes {
    QuemDomina domina = QuemDomina::sem_partes;
    RelacaoDasPartes relacao = RelacaoDasPartes::sem_partes;
    Cotado tempo, espaco;
    double peso_tempo = 0.0;  // |tempo|/(|tempo| + |espaco|)
    double resta = 1.0;       // |tempo + espaco|/max(|tempo|, |espaco|): 1 when nothing cancels
    double menor = 0.0;       // min/max of the two in absolute value
    // Bounds of the two shares from the parts' bounds: where the parts
    // nearly cancel, what is left of them is known only so well.
    double cota_peso = 0.0;
    double cota_resta = 0.0;
};
// Of any two parts with bounds (a level's, the comparison's middle node).
LeituraDasPartes ler_partes(const Cotado& tempo, const Cotado& espaco);
// Of a level: none without interior node, outside the stability bound or
// with parts that are not finite.
LeituraDasPartes ler_partes(const Nivel& n);

// What the time stepping does to the half sine's decay, from its factor A
// against exp(-4 F s^2), never from the sign of Ti: A < exp(-z) decays
// faster (adianta), A > exp(-z) slower (atrasa); A < 0 changes its sign
// every step; A > 1 makes it grow. The grid always delays it: 4 s^2/dx^2 <
// pi^2/Lx^2 (malha_atrasa tells whether the bound of z (r - 1) says so).
enum class Sentido { adianta, atrasa, oscila, cresce, indefinido };
struct SentidoDoPasso {
    Sentido sentido = Sentido::indefinido;
    Cotado d;  // ln|A| + z
    double A = 0.0;
};
SentidoDoPasso sentido_do_passo(const PassoMeiaSenoide& passo);
bool malha_atrasa(const PassoMeiaSenoide& passo);

// ---------------------------------------------------------------------------
// A refinement read as a whole.

// For 0 <= theta < 1/2 the leading terms of the time and space errors cancel
// at F = 1/(6(1 - 2 theta)): the stable level nearest to it within a factor 2.
struct PertoDoCancelamento {
    std::size_t nivel = 0;  // from 1
    double F = 0.0;
    double Fc = 0.0;
};
std::optional<PertoDoCancelamento> perto_do_cancelamento(const std::vector<Nivel>& niveis, double theta);

// The levels outside the stability bound, and the stable ones whose half
// sine changes sign every step (A < 0, certainly); numbered from 1.
struct NiveisMarcados {
    std::vector<std::size_t> instaveis;
    std::vector<std::size_t> oscilam;
};
NiveisMarcados niveis_marcados(const std::vector<Nivel>& niveis);

// The last pair of levels: how the field's largest error changed, when the
// change is clear of both levels' floors.
enum class Variacao { cai, cresce, no_arredondamento, sem_valor };
struct UltimoPar {
    std::size_t fino = 0;  // the finer level, from 1
    Variacao variacao = Variacao::sem_valor;
    double razao = 0.0;    // coarse error over fine error
    // Whether round-off leaves the ratio good to the four digits it is
    // printed with; if not, only its bounds are known.
    bool preciso = false;
    double razao_minima = 0.0;
    double razao_maxima = 0.0;
    Ordem ordem;
};
// The largest relative uncertainty of a ratio printed with four digits.
inline constexpr double incerteza_da_razao = 1e-4;
std::optional<UltimoPar> ultimo_par(const std::vector<Nivel>& niveis, const std::vector<Ordem>& ordens_do_campo);

// ---------------------------------------------------------------------------
// An unstable run: its measured error split into the scheme's own (closed
// form) and the round-off that the growing modes amplified.
enum class OrigemDoErro {
    esquema,         // the round-off's share is below parcela_desprezivel: the error is still the scheme's
    misto,           // the round-off's share is between the two thresholds: both weigh
    arredondamento,  // the round-off's share is above parcela_dominante
    modo_dos_dados,  // the half sine itself grows (|A| > 1): the scheme's error is its |A|^Nt
    estouro,         // the run left the double range (or divided by zero): no measured error
};
struct ErroInstavel {
    OrigemDoErro origem = OrigemDoErro::esquema;
    double medido = 0.0;
    double esquema = 0.0;
    double log10_esquema = 0.0;
    double arredondamento = 0.0;
    double parcela = 0.0;  // arredondamento/(arredondamento + esquema)
};
ErroInstavel erro_instavel(const Nivel& n);

// ---------------------------------------------------------------------------
// The comparison of the schemes on the input grid.
enum class EstadoDoPonto { estavel, oscila, instavel };
EstadoDoPonto estado_do_ponto(const Nivel& n);

struct LeituraDoEsquema {
    double theta = 0.0;
    LeituraDasPartes partes;  // of the middle node's error at tf
    double razao = 0.0;       // |tempo/espaco|
    SentidoDoPasso sentido;
    EstadoDoPonto estado = EstadoDoPonto::estavel;
    ErroInstavel instavel;    // for an unstable scheme
};
struct LeituraDaComparacao {
    std::vector<LeituraDoEsquema> esquemas;
    Cotado espaco;                         // the grid's part, the same for all
    std::optional<std::size_t> menor_tempo;  // the stable scheme of least time error, certainly
    bool listagem_domina = false;  // the listing's error is more than twice the scheme's for every scheme
    double trapezios = 0.0;        // the listing's error at t = 0: the trapezoidal rule's own
};
LeituraDaComparacao ler_comparacao(const std::vector<Esquema>& esquemas);

// ---------------------------------------------------------------------------
// The map, theta by theta (indices of points are f in Mapa::ponto(th, f)).
struct GrupoInstavel {
    OrigemDoErro origem = OrigemDoErro::esquema;
    std::vector<std::size_t> pontos;
};
struct LeituraDoTheta {
    double theta = 0.0;
    std::int32_t Nx = 0;
    std::optional<std::size_t> primeiro;     // the first stable point with a finite error
    LeituraDasPartes partes_do_primeiro;
    std::optional<std::size_t> minimo;       // where the error dips below fracao_do_cancelamento of the first
    bool minimo_cancela = false;             // the parts have opposite signs there
    std::optional<std::size_t> tempo_desde;  // time dominates here and at every stable point after it
    std::optional<std::size_t> ultimo;       // the last stable point
    std::optional<std::size_t> oscila_desde; // A < 0 here and at every point after it
    std::vector<GrupoInstavel> instaveis;    // runs of unstable points of one origin
};
LeituraDoTheta ler_theta(const Mapa& mapa, std::size_t th);

}  // namespace estudo
