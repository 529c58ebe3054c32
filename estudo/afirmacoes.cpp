#include "afirmacoes.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace estudo {

namespace {

constexpr double nao_numero = std::numeric_limits<double>::quiet_NaN();

bool com_no_interior(const Nivel& nivel) { return nivel.malha.Nx >= 3; }

// The bound of log2(a/b) when a and b are each within the given fractions
// of their true values (both below 1).
double cota_do_log2(double fracao_a, double fracao_b) {
    return std::max(std::log2((1.0 + fracao_a) / (1.0 - fracao_b)), std::log2((1.0 + fracao_b) / (1.0 - fracao_a)));
}

// The value p of two errors, or why there is none: the rules of an order
// that a single pair can check.
Ordem julgar(bool com_interior, bool estaveis, const ErroMedido& g, const ErroMedido& f) {
    if (!com_interior) return {Veredito::sem_no_interior, nao_numero};
    if (!estaveis || !std::isfinite(g.valor) || !std::isfinite(f.valor)) return {Veredito::instavel, nao_numero};
    const double fracao_g = g.piso / g.valor, fracao_f = f.piso / f.valor;
    if (!(fracao_g < 1.0 && fracao_f < 1.0)) return {Veredito::arredondamento, nao_numero};
    const double cota = cota_do_log2(fracao_g, fracao_f);
    if (!(cota <= maior_incerteza_da_ordem)) return {Veredito::arredondamento, nao_numero};
    Ordem o{Veredito::ordem, ordem_observada(g.valor, f.valor), cota};
    // Both errors are clear of their floors, so their signs are certain.
    if ((g.com_sinal < 0.0) != (f.com_sinal < 0.0)) {
        o.veredito = Veredito::pre_assintotico;
        o.motivo = Motivo::troca_de_sinal;
    } else if (o.p <= -menor_ordem) {
        o.veredito = Veredito::pre_assintotico;
        o.motivo = Motivo::cresce;
    } else if (!(o.p >= menor_ordem)) {
        o.veredito = Veredito::pre_assintotico;
        o.motivo = Motivo::quase_parado;
    }
    return o;
}

bool concordam(const Ordem& a, const Ordem& b) {
    return a.veredito == Veredito::ordem && b.veredito == Veredito::ordem &&
           std::fabs(a.p - b.p) + a.cota + b.cota <= concordancia_das_ordens * std::max(std::fabs(a.p), std::fabs(b.p));
}

ErroMedido plano(double erro, double piso) { return {std::fabs(erro), erro, piso, 1.0, false}; }

// The share of each part at a level, when its split is known.
struct Pesos {
    bool conhecidos = false;
    double tempo = 0.0;  // |t|/(|t| + |s|)
    double resta = 1.0;
    bool opostas = false;
    double cota_tempo = 0.0, cota_resta = 0.0;
};
Pesos pesos(const Nivel& n) {
    const LeituraDasPartes p = ler_partes(n);
    if (p.domina == QuemDomina::sem_partes) return {};
    return {true, p.peso_tempo, p.resta, p.relacao == RelacaoDasPartes::sinais_opostos, p.cota_peso, p.cota_resta};
}

// The part of the step that a refinement keeps fixed: its share at a level.
double peso_do_fixo(Refinamento tipo, const Pesos& p) { return tipo == Refinamento::espaco ? p.tempo : 1.0 - p.tempo; }

// Why a value that failed to be confirmed is not an order, by the first rule
// that holds on the numbers of its levels (and, for the sampling, of the
// pairs next to it); the reason stays as it was (deriva, sem_vizinho) when
// none does.
void explicar_deriva(Refinamento tipo, double theta, const std::vector<Nivel>& niveis, ErroDoNivel erro,
                     std::size_t j, Ordem& o) {
    const bool em_tf = erro(niveis[j]).em_tf;
    const Pesos pg = em_tf ? pesos(niveis[j - 1]) : Pesos{}, pf = em_tf ? pesos(niveis[j]) : Pesos{};
    const bool partes = pg.conhecidos && pf.conhecidos;
    if (partes && ((pg.opostas && pg.resta < fracao_do_cancelamento) || (pf.opostas && pf.resta < fracao_do_cancelamento))) {
        o.motivo = Motivo::cancelamento;
        const bool do_grosso = pg.opostas && (!pf.opostas || pg.resta < pf.resta);
        o.peso = do_grosso ? pg.resta : pf.resta;
        o.cota_peso = do_grosso ? pg.cota_resta : pf.cota_resta;
        return;
    }
    // The sampling's shift of this pair's p, or of a neighbour's.
    double deslocamento = 0.0;
    for (std::size_t k = std::max<std::size_t>(j, 2) - 1; k <= std::min(j + 1, niveis.size() - 1); ++k) {
        const double d = std::log2(erro(niveis[k - 1]).amostra / erro(niveis[k]).amostra);
        if (std::fabs(d) > std::fabs(deslocamento)) deslocamento = d;
    }
    if (std::fabs(deslocamento) >= limiar_da_amostragem) {
        o.motivo = Motivo::amostragem;
        o.amostragem = deslocamento;
        return;
    }
    if (!partes) return;
    if (tipo != Refinamento::espaco_e_tempo && peso_do_fixo(tipo, pf) >= peso_que_conta) {
        o.motivo = Motivo::parte_fixa;
        o.peso = peso_do_fixo(tipo, pf);
        o.cota_peso = pf.cota_tempo;
        o.oposta = pf.opostas;
        return;
    }
    if (tipo == Refinamento::espaco_e_tempo && ordem_no_tempo(theta) != 2) {
        const double menor = std::max(std::min(pg.tempo, 1.0 - pg.tempo), std::min(pf.tempo, 1.0 - pf.tempo));
        if (menor >= peso_que_conta) {
            o.motivo = Motivo::mistura;
            o.peso = pf.tempo;
            o.cota_peso = pf.cota_tempo;
        }
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Errors and their sampling.

double amostra_do_maximo(std::int32_t Nx) {
    if (Nx < 3) return 0.0;
    return Nx % 2 == 1 ? 1.0 : std::cos(std::numbers::pi / (2.0 * (Nx - 1.0)));
}

// sum_{j=0}^{N} sin^2(pi j/N) = N/2 for N >= 2.
double amostra_do_rms(std::int32_t Nx) { return Nx < 3 ? 0.0 : std::sqrt((Nx - 1.0) / (2.0 * Nx)); }

// (1/N) sum_{j=1}^{N-1} sin(pi j/N) = cot(pi/(2N))/N.
double amostra_da_media(std::int32_t Nx) {
    if (Nx < 3) return 0.0;
    const double N = Nx - 1.0;
    return 1.0 / (std::tan(std::numbers::pi / (2.0 * N)) * N);
}

double amostra_do_meio(std::int32_t Nx) { return amostra_do_maximo(Nx); }

ErroMedido maximo_do_campo(const Nivel& n) {
    return {n.campo.maximo, n.campo.com_sinal, n.campo.piso, amostra_do_maximo(n.malha.Nx), true};
}
ErroMedido rms_do_campo(const Nivel& n) {
    return {n.campo.rms, n.campo.com_sinal, n.campo.piso, amostra_do_rms(n.malha.Nx), true};
}
ErroMedido maximo_da_media(const Nivel& n) {
    return {n.media.maximo, n.media.com_sinal, n.media.piso, amostra_da_media(n.malha.Nx), false};
}
ErroMedido maximo_do_meio(const Nivel& n) {
    return {n.meio.maximo, n.meio.com_sinal, n.meio.piso, amostra_do_meio(n.malha.Nx), false};
}
ErroMedido media_final(const Nivel& n) {
    return {std::fabs(n.media.final), n.media.final, n.media.piso_final, amostra_da_media(n.malha.Nx), true};
}
ErroMedido meio_final(const Nivel& n) {
    return {std::fabs(n.meio.final), n.meio.final, n.meio.piso_final, amostra_do_meio(n.malha.Nx), true};
}

// ---------------------------------------------------------------------------
// Orders.

double ordem_observada(double grosso, double fino) {
    const double g = std::fabs(grosso);
    const double f = std::fabs(fino);
    if (!std::isfinite(g) || !std::isfinite(f) || g == 0.0 || f == 0.0) return nao_numero;
    return std::log2(g / f);
}

double ordem_por_diferencas(double e1, double e2, double e3) { return ordem_observada(e1 - e2, e2 - e3); }

int ordem_no_tempo(double theta) { return theta == 0.5 ? 2 : 1; }

double ordem_esperada(Refinamento tipo, double theta) {
    return tipo == Refinamento::espaco ? 2.0 : ordem_no_tempo(theta);
}

Ordem ordem_do_par(const Nivel& grosso, const Nivel& fino, const ErroMedido& e_grosso, const ErroMedido& e_fino) {
    return julgar(com_no_interior(grosso) && com_no_interior(fino), grosso.estavel && fino.estavel, e_grosso, e_fino);
}

Ordem ordem_entre(const Nivel& grosso, const Nivel& fino, double e_grosso, double e_fino) {
    return ordem_do_par(grosso, fino, plano(e_grosso, grosso.piso), plano(e_fino, fino.piso));
}

Ordem ordem_das_diferencas(const Nivel& n1, const Nivel& n2, const Nivel& n3, double e1, double e2, double e3) {
    const bool finitos = std::isfinite(e1) && std::isfinite(e2) && std::isfinite(e3);
    return julgar(com_no_interior(n1) && com_no_interior(n2) && com_no_interior(n3),
                  n1.estavel && n2.estavel && n3.estavel && finitos, plano(e1 - e2, n1.piso + n2.piso),
                  plano(e2 - e3, n2.piso + n3.piso));
}

std::vector<Ordem> confirmar_ordens(std::vector<Ordem> ordens) {
    std::vector<bool> confirmada(ordens.size(), false), candidata(ordens.size(), false);
    for (std::size_t j = 0; j < ordens.size(); ++j) candidata[j] = ordens[j].veredito == Veredito::ordem;
    for (std::size_t j = 0; j + 1 < ordens.size(); ++j)
        if (concordam(ordens[j], ordens[j + 1])) confirmada[j] = confirmada[j + 1] = true;
    for (std::size_t j = 0; j < ordens.size(); ++j) {
        if (!candidata[j] || confirmada[j]) continue;
        const bool vizinha = (j > 0 && candidata[j - 1]) || (j + 1 < ordens.size() && candidata[j + 1]);
        ordens[j].veredito = Veredito::pre_assintotico;
        ordens[j].motivo = vizinha ? Motivo::deriva : Motivo::sem_vizinho;
    }
    return ordens;
}

std::vector<Ordem> ordens_da_serie(const Serie& serie, double theta, ErroDoNivel erro) {
    const std::vector<Nivel>& niveis = serie.niveis;
    std::vector<Ordem> ordens;
    for (std::size_t j = 1; j < niveis.size(); ++j)
        ordens.push_back(ordem_do_par(niveis[j - 1], niveis[j], erro(niveis[j - 1]), erro(niveis[j])));
    ordens = confirmar_ordens(std::move(ordens));
    ordens.insert(ordens.begin(), Ordem{});
    for (std::size_t j = 1; j < ordens.size(); ++j) {
        Ordem& o = ordens[j];
        // With two levels the one pair has no neighbour: that is the reason.
        if (o.motivo == Motivo::deriva || (o.motivo == Motivo::sem_vizinho && niveis.size() > 2))
            explicar_deriva(serie.tipo, theta, niveis, erro, j, o);
        if (o.motivo != Motivo::quase_parado || serie.tipo == Refinamento::espaco_e_tempo || !erro(niveis[j]).em_tf)
            continue;
        const Pesos pg = pesos(niveis[j - 1]), pf = pesos(niveis[j]);
        if (pg.conhecidos && pf.conhecidos &&
            std::min(peso_do_fixo(serie.tipo, pg), peso_do_fixo(serie.tipo, pf)) >= fracao_da_saturacao) {
            o.motivo = Motivo::saturacao;
            o.peso = peso_do_fixo(serie.tipo, pf);
            o.cota_peso = pf.cota_tempo;
        }
    }
    return ordens;
}

std::vector<Ordem> ordens_das_diferencas(const Serie& serie, ErroDoNivel erro_com_sinal) {
    const std::vector<Nivel>& niveis = serie.niveis;
    std::vector<Ordem> ordens;
    for (std::size_t j = 2; j < niveis.size(); ++j) {
        const ErroMedido e1 = erro_com_sinal(niveis[j - 2]), e2 = erro_com_sinal(niveis[j - 1]),
                         e3 = erro_com_sinal(niveis[j]);
        const bool finitos = std::isfinite(e1.valor) && std::isfinite(e2.valor) && std::isfinite(e3.valor);
        const Nivel &n1 = niveis[j - 2], &n2 = niveis[j - 1], &n3 = niveis[j];
        ordens.push_back(julgar(com_no_interior(n1) && com_no_interior(n2) && com_no_interior(n3),
                                n1.estavel && n2.estavel && n3.estavel && finitos,
                                plano(e1.com_sinal - e2.com_sinal, e1.piso + e2.piso),
                                plano(e2.com_sinal - e3.com_sinal, e2.piso + e3.piso)));
    }
    ordens = confirmar_ordens(std::move(ordens));
    ordens.insert(ordens.begin(), std::min<std::size_t>(2, niveis.size()), Ordem{});
    return ordens;
}

LeituraDasOrdens ler_ordens(Refinamento tipo, double theta, std::vector<Ordem> ordens) {
    LeituraDasOrdens l;
    l.esperada = ordem_esperada(tipo, theta);
    l.todas_confirmadas = true;
    l.com_a_esperada = true;
    bool alguma_ordem = false;
    for (const Ordem& o : ordens) {
        const bool valor = (o.veredito == Veredito::ordem || o.veredito == Veredito::pre_assintotico) && !std::isnan(o.p);
        l.algum_valor = l.algum_valor || valor;
        l.todas_confirmadas = l.todas_confirmadas && (!valor || o.veredito == Veredito::ordem);
        if (o.veredito != Veredito::ordem) continue;
        alguma_ordem = true;
        l.ultima = o.p;
        l.com_a_esperada =
            l.com_a_esperada && std::fabs(o.p - l.esperada) + o.cota <= concordancia_das_ordens * l.esperada;
    }
    l.com_a_esperada = l.com_a_esperada && alguma_ordem;
    l.ordens = std::move(ordens);
    return l;
}

// ---------------------------------------------------------------------------
// The split.

LeituraDasPartes ler_partes(const Cotado& tempo, const Cotado& espaco) {
    LeituraDasPartes l;
    l.tempo = tempo;
    l.espaco = espaco;
    if (!std::isfinite(tempo.valor) || !std::isfinite(espaco.valor) || (tempo.valor == 0.0 && espaco.valor == 0.0))
        return l;
    const double t = std::fabs(tempo.valor), s = std::fabs(espaco.valor);
    const double maior = std::max(t, s), menor = std::min(t, s);
    l.peso_tempo = t / (t + s);
    l.resta = std::fabs(tempo.valor + espaco.valor) / maior;
    l.menor = menor / maior;
    const double cotas = tempo.cota + espaco.cota;
    l.cota_peso = 2.0 * cotas / (t + s) + 4.0 * epsilon;
    l.cota_resta = (cotas + epsilon * std::fabs(tempo.valor + espaco.valor)) / maior * (1.0 + l.resta) + 4.0 * epsilon;
    if (t - tempo.cota > s + espaco.cota)
        l.domina = QuemDomina::tempo;
    else if (s - espaco.cota > t + tempo.cota)
        l.domina = QuemDomina::espaco;
    else
        l.domina = QuemDomina::indefinido;
    const double cota_menor = t < s ? tempo.cota : espaco.cota, cota_maior = t < s ? espaco.cota : tempo.cota;
    const int sinais = sinal_certo(tempo) * sinal_certo(espaco);
    if (menor + cota_menor < parte_desprezivel * (maior - cota_maior))
        l.relacao = RelacaoDasPartes::uma_desprezivel;
    else if (sinais < 0)
        l.relacao = RelacaoDasPartes::sinais_opostos;
    else if (sinais > 0)
        l.relacao = RelacaoDasPartes::mesmo_sinal;
    else
        l.relacao = RelacaoDasPartes::indefinida;
    return l;
}

LeituraDasPartes ler_partes(const Nivel& n) {
    if (!com_no_interior(n) || !n.estavel) return {};
    return ler_partes(Cotado{n.parte_tempo, n.cota_tempo}, Cotado{n.parte_espaco, n.cota_espaco});
}

SentidoDoPasso sentido_do_passo(const PassoMeiaSenoide& passo) {
    SentidoDoPasso s{Sentido::indefinido, passo.d, passo.A};
    const double erro_A = std::fabs(passo.A) * passo.cota_relativa_A;
    if (!std::isfinite(passo.A) || !std::isfinite(passo.d.valor)) return s;
    if (passo.A + erro_A < 0.0)
        s.sentido = Sentido::oscila;
    else if (passo.A - erro_A > 1.0)
        s.sentido = Sentido::cresce;
    else if (passo.A - erro_A > 0.0 && sinal_certo(passo.d) < 0)
        s.sentido = Sentido::adianta;
    else if (passo.A - erro_A > 0.0 && sinal_certo(passo.d) > 0)
        s.sentido = Sentido::atrasa;
    return s;
}

bool malha_atrasa(const PassoMeiaSenoide& passo) { return sinal_certo(passo.q) > 0; }

// ---------------------------------------------------------------------------
// A refinement as a whole.

std::optional<PertoDoCancelamento> perto_do_cancelamento(const std::vector<Nivel>& niveis, double theta) {
    if (!(theta >= 0.0 && theta < 0.5)) return std::nullopt;
    const double Fc = 1.0 / (6.0 * (1.0 - 2.0 * theta));
    std::optional<std::size_t> perto;
    for (std::size_t j = 0; j < niveis.size(); ++j) {
        const double distancia = std::fabs(std::log(niveis[j].F / Fc));
        if (niveis[j].estavel && distancia < std::log(2.0) &&
            (!perto || distancia < std::fabs(std::log(niveis[*perto].F / Fc))))
            perto = j;
    }
    if (!perto) return std::nullopt;
    return PertoDoCancelamento{*perto + 1, niveis[*perto].F, Fc};
}

NiveisMarcados niveis_marcados(const std::vector<Nivel>& niveis) {
    NiveisMarcados m;
    for (std::size_t j = 0; j < niveis.size(); ++j) {
        if (!niveis[j].estavel) m.instaveis.push_back(j + 1);
        else if (com_no_interior(niveis[j]) && sentido_do_passo(niveis[j].passo).sentido == Sentido::oscila)
            m.oscilam.push_back(j + 1);
    }
    return m;
}

std::optional<UltimoPar> ultimo_par(const std::vector<Nivel>& niveis, const std::vector<Ordem>& ordens_do_campo) {
    if (niveis.size() < 2 || ordens_do_campo.size() != niveis.size()) return std::nullopt;
    const std::size_t j = niveis.size() - 1;
    UltimoPar u;
    u.fino = j + 1;
    u.ordem = ordens_do_campo[j];
    const Nivel &g = niveis[j - 1], &f = niveis[j];
    u.razao = g.campo.maximo / f.campo.maximo;
    if (u.ordem.veredito == Veredito::instavel || u.ordem.veredito == Veredito::sem_no_interior ||
        !std::isfinite(g.campo.maximo) || !std::isfinite(f.campo.maximo))
        return u;
    u.razao_minima = (g.campo.maximo - g.campo.piso) / (f.campo.maximo + f.campo.piso);
    u.razao_maxima = f.campo.maximo > f.campo.piso ? (g.campo.maximo + g.campo.piso) / (f.campo.maximo - f.campo.piso)
                                                   : std::numeric_limits<double>::infinity();
    u.preciso = g.campo.piso / g.campo.maximo + f.campo.piso / f.campo.maximo <= incerteza_da_razao;
    if (f.campo.maximo + f.campo.piso < g.campo.maximo - g.campo.piso)
        u.variacao = Variacao::cai;
    else if (f.campo.maximo - f.campo.piso > g.campo.maximo + g.campo.piso)
        u.variacao = Variacao::cresce;
    else
        u.variacao = Variacao::no_arredondamento;
    return u;
}

// ---------------------------------------------------------------------------
// Unstable runs, the comparison and the map.

ErroInstavel erro_instavel(const Nivel& n) {
    ErroInstavel e;
    e.medido = n.campo.maximo;
    e.esquema = n.campo.esquema;
    e.log10_esquema = n.campo.log10_esquema;
    e.arredondamento = n.campo.arredondamento;
    const double soma = e.arredondamento + e.esquema;
    e.parcela = soma > 0.0 ? e.arredondamento / soma : 0.0;  // no error at all: no round-off in it
    if (!std::isfinite(e.medido) || !std::isfinite(e.arredondamento))
        e.origem = OrigemDoErro::estouro;
    else if (e.parcela > parcela_dominante)
        e.origem = OrigemDoErro::arredondamento;
    else if (!(e.parcela < parcela_desprezivel))
        e.origem = OrigemDoErro::misto;
    else if (std::fabs(n.fator_meia) > 1.0)
        e.origem = OrigemDoErro::modo_dos_dados;
    else
        e.origem = OrigemDoErro::esquema;
    return e;
}

EstadoDoPonto estado_do_ponto(const Nivel& n) {
    if (!n.estavel) return EstadoDoPonto::instavel;
    return com_no_interior(n) && sentido_do_passo(n.passo).sentido == Sentido::oscila ? EstadoDoPonto::oscila
                                                                                       : EstadoDoPonto::estavel;
}

LeituraDaComparacao ler_comparacao(const std::vector<Esquema>& esquemas) {
    LeituraDaComparacao c;
    if (esquemas.empty()) return c;
    c.espaco = {esquemas.front().erro_espaco_meio, esquemas.front().cota_espaco_meio};
    c.listagem_domina = true;
    for (const Esquema& e : esquemas) {
        LeituraDoEsquema l;
        l.theta = e.theta;
        const Cotado tempo{e.erro_tempo_meio, e.cota_tempo_meio};
        l.partes = ler_partes(tempo, Cotado{e.erro_espaco_meio, e.cota_espaco_meio});
        l.razao = std::fabs(e.erro_tempo_meio / e.erro_espaco_meio);
        l.sentido = sentido_do_passo(e.nivel.passo);
        l.estado = estado_do_ponto(e.nivel);
        if (l.estado == EstadoDoPonto::instavel) l.instavel = erro_instavel(e.nivel);
        c.esquemas.push_back(l);
        c.listagem_domina = c.listagem_domina && e.nivel.listagem.maximo > 2.0 * e.nivel.media.maximo;
    }
    // The least time error, when the bounds leave no doubt about it.
    for (std::size_t j = 0; j < esquemas.size(); ++j) {
        if (c.esquemas[j].estado == EstadoDoPonto::instavel || !std::isfinite(esquemas[j].erro_tempo_meio)) continue;
        bool menor = true;
        for (std::size_t k = 0; k < esquemas.size(); ++k) {
            if (k == j || c.esquemas[k].estado == EstadoDoPonto::instavel) continue;
            menor = menor && std::fabs(esquemas[j].erro_tempo_meio) + esquemas[j].cota_tempo_meio <
                                 std::fabs(esquemas[k].erro_tempo_meio) - esquemas[k].cota_tempo_meio;
        }
        if (menor) c.menor_tempo = j;
    }
    // The trapezoidal rule's error is the listing's at t = 0, where the scheme has none yet.
    c.trapezios = esquemas.front().nivel.listagem.t_maximo == 0.0 ? esquemas.front().nivel.listagem.maximo : nao_numero;
    return c;
}

LeituraDoTheta ler_theta(const Mapa& mapa, std::size_t th) {
    LeituraDoTheta l;
    l.theta = mapa.thetas[th];
    const std::size_t pontos = mapa.passos.size();
    if (pontos == 0) return l;
    l.Nx = mapa.ponto(th, 0).nivel.malha.Nx;
    auto nivel = [&](std::size_t f) -> const Nivel& { return mapa.ponto(th, f).nivel; };
    std::vector<std::size_t> estaveis;
    for (std::size_t f = 0; f < pontos; ++f)
        if (nivel(f).estavel && std::isfinite(nivel(f).campo.maximo)) estaveis.push_back(f);
    if (!estaveis.empty()) {
        l.primeiro = estaveis.front();
        l.partes_do_primeiro = ler_partes(nivel(estaveis.front()));
        std::size_t menor = estaveis.front();
        for (std::size_t f : estaveis)
            if (nivel(f).campo.maximo < nivel(menor).campo.maximo) menor = f;
        if (menor != estaveis.front() &&
            nivel(menor).campo.maximo < fracao_do_cancelamento * nivel(estaveis.front()).campo.maximo) {
            l.minimo = menor;
            l.minimo_cancela = ler_partes(nivel(menor)).relacao == RelacaoDasPartes::sinais_opostos;
        }
        if (l.partes_do_primeiro.domina == QuemDomina::espaco) {
            // The first stable point from which time dominates at every stable point.
            for (std::size_t k = estaveis.size(); k-- > 1;) {
                if (ler_partes(nivel(estaveis[k])).domina != QuemDomina::tempo) break;
                l.tempo_desde = estaveis[k];
            }
        }
        if (estaveis.size() > 1) l.ultimo = estaveis.back();
    }
    for (std::size_t f = pontos; f-- > 0;) {
        if (sentido_do_passo(nivel(f).passo).sentido != Sentido::oscila) break;
        l.oscila_desde = f;
    }
    for (std::size_t f = 0; f < pontos; ++f) {
        if (nivel(f).estavel) continue;
        const OrigemDoErro origem = erro_instavel(nivel(f)).origem;
        const bool seguido = !l.instaveis.empty() && l.instaveis.back().origem == origem && f > 0 &&
                             !nivel(f - 1).estavel && l.instaveis.back().pontos.back() == f - 1;
        if (!seguido) l.instaveis.push_back({origem, {}});
        l.instaveis.back().pontos.push_back(f);
    }
    return l;
}

}  // namespace estudo
