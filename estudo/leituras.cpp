#include "leituras.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <string_view>

namespace estudo {

namespace {

std::string inteiro(std::size_t valor) { return std::to_string(valor); }

std::string duas_casas(double valor) {
    char texto[32];
    std::snprintf(texto, sizeof texto, "%.2f", valor);
    return texto;
}

std::string porcento(double fracao) {
    char texto[32];
    std::snprintf(texto, sizeof texto, "%.0f %%", 100.0 * fracao);
    return texto;
}

// "1", "1 e 3", "1, 2 e 4" (the numbers as given, from 1).
std::string lista(const std::vector<std::size_t>& numeros) {
    std::string texto;
    for (std::size_t j = 0; j < numeros.size(); ++j)
        texto += juntar(j == 0 ? "" : j + 1 == numeros.size() ? " e " : ", ", inteiro(numeros[j]));
    return texto;
}

std::string niveis_de(const std::vector<std::size_t>& numeros) {
    return juntar(numeros.size() == 1 ? "no nível " : "nos níveis ", lista(numeros));
}

// The scheme's order in time: 2 for Crank-Nicolson, 1 for any other theta.
int ordem_no_tempo(double theta) { return theta == 0.5 ? 2 : 1; }

// ---------------------------------------------------------------------------
// The half sine's error at tf split in time and space (Nivel::parte_tempo and
// parte_espaco): the field's error is Ti sin(pi x/Lx) times their sum.

bool partes_conhecidas(const Nivel& n) {
    return n.malha.Nx >= 3 && n.estavel && std::isfinite(n.parte_tempo) && std::isfinite(n.parte_espaco) &&
           (n.parte_tempo != 0.0 || n.parte_espaco != 0.0);
}
bool tempo_domina(const Nivel& n) { return std::fabs(n.parte_tempo) > std::fabs(n.parte_espaco); }
bool sinais_opostos(const Nivel& n) { return n.parte_tempo * n.parte_espaco < 0.0; }
double soma_das_partes(const Nivel& n) { return n.parte_tempo + n.parte_espaco; }
// What is left of the larger part in the sum: 1 when nothing cancels.
double resta_da_maior(const Nivel& n) {
    return std::fabs(soma_das_partes(n)) / std::max(std::fabs(n.parte_tempo), std::fabs(n.parte_espaco));
}
// Below this, two parts are said to cancel (the sum is less than half the larger).
constexpr double cancelam = 0.5;
// A part below this fraction of the other does not weigh in the sum.
constexpr double pouco = 0.01;

// Which error dominates, level by level.
std::string quem_domina(const std::vector<Nivel>& niveis) {
    std::vector<std::size_t> tempo, espaco;
    for (std::size_t j = 0; j < niveis.size(); ++j) {
        if (!partes_conhecidas(niveis[j])) continue;
        (tempo_domina(niveis[j]) ? tempo : espaco).push_back(j + 1);
    }
    if (tempo.empty() && espaco.empty()) return {};
    if (tempo.empty()) return "o erro de espaço domina em todos os níveis";
    if (espaco.empty()) return "o erro de tempo domina em todos os níveis";
    if (espaco.back() < tempo.front())
        return juntar("o erro de espaço domina até o nível ", inteiro(espaco.back()), " e o de tempo a partir do nível ",
                      inteiro(tempo.front()));
    if (tempo.back() < espaco.front())
        return juntar("o erro de tempo domina até o nível ", inteiro(tempo.back()), " e o de espaço a partir do nível ",
                      inteiro(espaco.front()));
    return juntar("o erro de tempo domina ", niveis_de(tempo), " e o de espaço ", niveis_de(espaco));
}

// What the time step does to the decay, by the sign of its part: a positive
// part (exact minus numerical) is a numerical field below the exact one.
std::string o_que_o_passo_faz(const Nivel& n) {
    const char* tempo = n.parte_tempo > 0.0 ? "adianta" : "atrasa";
    const char* espaco = n.parte_espaco > 0.0 ? "adianta" : "atrasa";
    if (std::string_view(tempo) == espaco) return juntar("o passo de tempo e a malha ", tempo, "m o decaimento");
    return juntar("o passo de tempo ", tempo, " o decaimento e a malha o ", espaco);
}

// Whether the two parts cancel, level by level.
std::string os_sinais(const std::vector<Nivel>& niveis) {
    std::vector<std::size_t> opostos, iguais;
    std::optional<std::size_t> mais_fundo;
    for (std::size_t j = 0; j < niveis.size(); ++j) {
        const Nivel& n = niveis[j];
        if (!partes_conhecidas(n) || n.parte_tempo == 0.0 || n.parte_espaco == 0.0) continue;
        if (sinais_opostos(n)) {
            opostos.push_back(j + 1);
            if (!mais_fundo || resta_da_maior(n) < resta_da_maior(niveis[*mais_fundo])) mais_fundo = j;
        } else {
            iguais.push_back(j + 1);
        }
    }
    if (opostos.empty() && iguais.empty()) return {};
    // The smaller part against the larger one, at most, over the levels.
    double peso_do_menor = 0.0;
    for (const Nivel& n : niveis)
        if (partes_conhecidas(n))
            peso_do_menor = std::max(peso_do_menor, std::min(std::fabs(n.parte_tempo), std::fabs(n.parte_espaco)) /
                                                        std::max(std::fabs(n.parte_tempo), std::fabs(n.parte_espaco)));
    if (peso_do_menor < pouco)
        return juntar("o outro fica abaixo de ", porcento(pouco), " dele em todos os níveis e não pesa");
    if (opostos.empty())
        return juntar("os dois têm o mesmo sinal (", o_que_o_passo_faz(niveis[iguais.front() - 1]), ") e se somam");
    std::string texto = iguais.empty() ? juntar("os dois têm sinais opostos (", o_que_o_passo_faz(niveis[opostos.front() - 1]),
                                                ") e se cancelam em parte")
                                       : juntar("os dois têm sinais opostos ", niveis_de(opostos),
                                                ", e se cancelam em parte, e o mesmo sinal nos outros");
    const Nivel& fundo = niveis[*mais_fundo];
    if (resta_da_maior(fundo) < cancelam)
        texto += juntar("; no nível ", inteiro(*mais_fundo + 1), " a soma é só ", porcento(resta_da_maior(fundo)),
                        " do maior");
    return texto;
}

// For theta < 1/2 the leading terms of the two errors cancel at
// F = 1/(6(1 - 2 theta)), theta = 1/2 - 1/(12 F): said when a level is near it.
std::string perto_do_cancelamento(const std::vector<Nivel>& niveis, double theta) {
    if (!(theta >= 0.0 && theta < 0.5)) return {};
    const double Fc = 1.0 / (6.0 * (1.0 - 2.0 * theta));
    std::optional<std::size_t> perto;
    for (std::size_t j = 0; j < niveis.size(); ++j) {
        const double distancia = std::fabs(std::log(niveis[j].F / Fc));
        if (niveis[j].estavel && distancia < std::log(2.0) &&
            (!perto || distancia < std::fabs(std::log(niveis[*perto].F / Fc))))
            perto = j;
    }
    if (!perto) return {};
    return juntar("O nível ", inteiro(*perto + 1), " tem F = ", real(niveis[*perto].F),
                  ", perto de F = 1/(6(1 - 2 theta)) = ", real(Fc),
                  ", onde os termos principais dos dois erros se anulam (theta = 1/2 - 1/(12 F): quarta ordem no "
                  "espaço); ali o erro é menor do que as ordens fazem esperar.");
}

// ---------------------------------------------------------------------------
// Orders.

std::string valor_da_ordem(const Ordem& o) {
    char texto[32];
    std::snprintf(texto, sizeof texto, "%.2f", std::fabs(o.p) < 0.005 ? 0.0 : o.p);
    switch (o.veredito) {
        case Veredito::ordem: return texto;
        case Veredito::pre_assintotico: return juntar("pré (", texto, ")");
        case Veredito::instavel: return "instável";
        case Veredito::arredondamento: return "no arredondamento";
        case Veredito::sem_no_interior: return "sem nó interior";
    }
    return {};
}

bool tem_valor(const Ordem& o) {
    return (o.veredito == Veredito::ordem || o.veredito == Veredito::pre_assintotico) && !std::isnan(o.p);
}

// "2.00, 2.00 e pré (4.02)" of the entries from `primeira` on.
std::string lista_de_ordens(const std::vector<Ordem>& ordens, std::size_t primeira) {
    std::string texto;
    for (std::size_t j = primeira; j < ordens.size(); ++j)
        texto += juntar(j == primeira ? "" : j + 1 == ordens.size() ? " e " : ", ", valor_da_ordem(ordens[j]));
    return texto;
}

// Why the order between levels j - 1 and j (from 0) is not an order yet,
// from the split of their errors.
std::string por_que_pre_assintotico(Refinamento tipo, double theta, const std::vector<Nivel>& niveis, std::size_t j,
                                    const Ordem& o) {
    const Nivel &a = niveis[j - 1], &b = niveis[j];
    if (partes_conhecidas(a) && partes_conhecidas(b)) {
        if (soma_das_partes(a) * soma_das_partes(b) < 0.0)
            return "o erro troca de sinal entre eles: tempo e espaço se cancelam no meio do caminho";
        if (sinais_opostos(a) && sinais_opostos(b) && std::min(resta_da_maior(a), resta_da_maior(b)) < cancelam)
            return "tempo e espaço se cancelam em parte, e a razão dos erros não é a de nenhum dos dois";
        if (tempo_domina(a) != tempo_domina(b)) return "o erro que domina muda de um para o outro";
        const bool fixo_domina = (tipo == Refinamento::espaco && tempo_domina(b)) ||
                                 (tipo == Refinamento::tempo && !tempo_domina(b));
        if (fixo_domina) return "o erro do passo fixo domina, e o total cai cada vez menos";
        if (tipo == Refinamento::espaco_e_tempo && tempo_domina(b) && ordem_no_tempo(theta) == 1)
            return "o erro de tempo, de ordem 1, domina e p desce para 1 enquanto o de espaço ainda pesa";
    }
    if (o.p <= -menor_ordem && sinais_opostos(a) && sinais_opostos(b))
        return "o erro cresce: a parte que cai cancelava a outra, de sinal oposto, e agora a cancela menos";
    if (!(o.p >= menor_ordem)) return "o erro quase não muda: o passo refinado não é o que o limita";
    return "os termos de ordem mais alta ainda pesam";
}

std::string par(std::size_t j) { return juntar(inteiro(j), "-", inteiro(j + 1)); }

// The pairs not yet asymptotic, grouped by their reason.
std::string razoes_pre_assintotico(Refinamento tipo, double theta, const std::vector<Nivel>& niveis,
                                   const std::vector<Ordem>& ordens) {
    std::vector<std::pair<std::string, std::vector<std::string>>> razoes;
    for (std::size_t j = 1; j < ordens.size(); ++j) {
        if (ordens[j].veredito != Veredito::pre_assintotico || std::isnan(ordens[j].p)) continue;
        const std::string razao = por_que_pre_assintotico(tipo, theta, niveis, j, ordens[j]);
        auto onde = std::find_if(razoes.begin(), razoes.end(), [&](const auto& r) { return r.first == razao; });
        if (onde == razoes.end()) onde = razoes.insert(razoes.end(), {razao, {}});
        onde->second.push_back(par(j));
    }
    std::string texto;
    for (const auto& [razao, pares] : razoes) {
        std::string nomes;
        for (std::size_t k = 0; k < pares.size(); ++k)
            nomes += juntar(k == 0 ? "" : k + 1 == pares.size() ? " e " : ", ", pares[k]);
        texto += juntar(texto.empty() ? "" : "; ", pares.size() == 1 ? "níveis " : "pares ", nomes, ": ", razao);
    }
    return texto;
}

// The order the refined step should show once it dominates.
double ordem_esperada(Refinamento tipo, double theta) {
    return tipo == Refinamento::espaco ? 2.0 : ordem_no_tempo(theta);
}

std::string as_ordens(const Serie& serie, double theta, const std::vector<Ordem>& ordens) {
    const std::vector<Nivel>& niveis = serie.niveis;
    bool algum_valor = false, todas_confirmadas = true;
    for (std::size_t j = 1; j < ordens.size(); ++j) {
        algum_valor = algum_valor || tem_valor(ordens[j]);
        todas_confirmadas = todas_confirmadas && (!tem_valor(ordens[j]) || ordens[j].veredito == Veredito::ordem);
    }
    std::string texto = juntar("O erro máximo do campo dá, de um nível ao seguinte, p = ", lista_de_ordens(ordens, 1), ".");
    if (!algum_valor) return texto;
    if (!todas_confirmadas)
        return juntar(texto, " As marcadas pré não concordam (10 %) com a do par vizinho: ainda não são ordens (",
                      razoes_pre_assintotico(serie.tipo, theta, niveis, ordens), ").");
    // Every value an order: the last one against the order of the refined step.
    const double esperada = ordem_esperada(serie.tipo, theta);
    double ultima = 0.0;
    for (const Ordem& o : ordens)
        if (o.veredito == Veredito::ordem) ultima = o.p;
    texto += " As ordens concordam: é a faixa assintótica";
    if (std::fabs(ultima - esperada) <= concordancia_das_ordens * esperada)
        return juntar(texto, ", com a ordem esperada, ", curto(esperada), ".");
    return juntar(texto, ", mas com p = ", duas_casas(ultima), " e não a ordem esperada, ", curto(esperada),
                  serie.tipo == Refinamento::espaco_e_tempo ? ", que só aparece quando o erro de tempo domina."
                                                            : ": o erro do passo fixo ainda pesa.");
}

// The orders from differences of the mean's signed errors, where the error of
// the step that is not refined cancels.
std::string as_diferencas(const Serie& serie, double theta) {
    if (serie.tipo == Refinamento::espaco_e_tempo || serie.niveis.size() < 3) return {};
    const std::vector<Ordem> ordens = ordens_das_diferencas(serie.niveis, [](const Nivel& n) { return n.media.final; });
    bool algum = false;
    for (std::size_t j = 2; j < ordens.size(); ++j) algum = algum || ordens[j].veredito == Veredito::ordem;
    const std::string passo = serie.tipo == Refinamento::espaco ? "no espaço" : "no tempo";
    bool com_valor = false;
    for (std::size_t j = 2; j < ordens.size(); ++j) com_valor = com_valor || tem_valor(ordens[j]);
    if (!com_valor) return juntar("As diferenças de três níveis também não dão ordem (", lista_de_ordens(ordens, 2), ").");
    const std::string texto = juntar("Nas diferenças de três níveis o erro do passo fixo se cancela: a ordem ", passo,
                                     " da média dá ", lista_de_ordens(ordens, 2));
    if (!algum) return juntar(texto, ".");
    return juntar(texto, " (esperada, ", curto(ordem_esperada(serie.tipo, theta)), ").");
}

// The last pair of levels in words: by how much the field's error falls.
std::string ultimo_par(const std::vector<Nivel>& niveis, const std::vector<Ordem>& ordens) {
    if (niveis.size() < 2) return {};
    const std::size_t j = niveis.size() - 1;
    const Ordem& o = ordens[j];
    const std::string entre = juntar("Entre os níveis ", inteiro(j), " e ", inteiro(j + 1), " o erro máximo do campo ");
    switch (o.veredito) {
        case Veredito::instavel: return juntar(entre, "não dá ordem: há nível instável.");
        case Veredito::arredondamento: return juntar(entre, "está no arredondamento: não dá ordem.");
        case Veredito::sem_no_interior: return juntar(entre, "não dá ordem: um nível não tem nó interior.");
        case Veredito::ordem:
        case Veredito::pre_assintotico: break;
    }
    const double razao = niveis[j - 1].campo.maximo / niveis[j].campo.maximo;
    if (!std::isfinite(razao)) return {};
    const std::string p = juntar("p = ", duas_casas(std::fabs(o.p) < 0.005 ? 0.0 : o.p), o.veredito == Veredito::ordem ? "" : ", pré-assintótico");
    if (std::fabs(razao - 1.0) < 0.005) return juntar(entre, "não muda (", p, ").");
    if (razao < 1.0) return juntar(entre, "cresce ", porcento(1.0 / razao - 1.0), " (", p, ").");
    if (razao < 1.5) return juntar(entre, "cai só ", porcento(1.0 - 1.0 / razao), " (", p, ").");
    return juntar(entre, "cai ", aproximado(razao), " vezes (", p, ").");
}

std::string o_que_cai(Refinamento tipo, double theta) {
    const int q = ordem_no_tempo(theta);
    const std::string tempo = juntar("o de tempo (ordem ", std::to_string(q), ") ", q == 2 ? "4" : "2", " vezes");
    switch (tipo) {
        case Refinamento::espaco_e_tempo:
            return juntar("dx e dt caem à metade a cada nível: o erro de espaço (ordem 2) cai 4 vezes e ", tempo,
                          theta < 0.5 ? "; F dobra." : ".");
        case Refinamento::espaco:
            return juntar("só dx cai à metade a cada nível: o erro de espaço (ordem 2) cai 4 vezes e o de tempo fica",
                          theta < 0.5 ? "; F quadruplica." : ".");
        case Refinamento::tempo:
            return juntar("só dt cai à metade a cada nível: o erro de tempo (ordem ", std::to_string(q), ") cai ",
                          q == 2 ? "4" : "2", " vezes e o de espaço fica.");
    }
    return {};
}

std::string instaveis_e_oscilantes(const std::vector<Nivel>& niveis) {
    std::string texto;
    for (std::size_t j = 0; j < niveis.size(); ++j)
        if (!niveis[j].estavel) {
            texto += juntar(" A partir do nível ", inteiro(j + 1),
                            " F passa do limite da malha: esses níveis são instáveis e não dão ordem.");
            break;
        }
    std::vector<std::size_t> oscilam;
    for (std::size_t j = 0; j < niveis.size(); ++j)
        if (niveis[j].estavel && niveis[j].fator_meia < 0.0) oscilam.push_back(j + 1);
    if (!oscilam.empty()) {
        std::string onde = niveis_de(oscilam);
        onde.front() = 'N';  // it begins a sentence
        texto += juntar(" ", onde, " a meia senoide troca de sinal a cada passo (A < 0): a solução oscila.");
    }
    return texto;
}

}  // namespace

std::string leitura_serie(const Serie& serie, double theta) {
    const std::vector<Nivel>& niveis = serie.niveis;
    const std::vector<Ordem> ordens = ordens_da_serie(niveis, [](const Nivel& n) { return n.campo.maximo; });
    std::string texto = juntar("Leitura: ", o_que_cai(serie.tipo, theta));
    const std::string domina = quem_domina(niveis);
    if (!domina.empty()) {
        texto += juntar(" Pela divisão exata do erro (tabela das partes), ", domina);
        const std::string sinais = os_sinais(niveis);
        texto += sinais.empty() ? "." : juntar("; ", sinais, ".");
    }
    const std::string cancelamento = perto_do_cancelamento(niveis, theta);
    if (!cancelamento.empty()) texto += juntar(" ", cancelamento);
    texto += juntar("\n", as_ordens(serie, theta, ordens));
    const std::string diferencas = as_diferencas(serie, theta);
    if (!diferencas.empty()) texto += juntar(" ", diferencas);
    texto += instaveis_e_oscilantes(niveis);
    const std::string ultimo = ultimo_par(niveis, ordens);
    if (!ultimo.empty()) texto += juntar("\n", ultimo);
    return juntar(quebrar(texto), "\n");
}

// ---------------------------------------------------------------------------
// The comparison of the three schemes on the input grid.

std::string leitura_comparacao(const std::vector<Esquema>& esquemas) {
    if (esquemas.empty()) return {};
    const double espaco = esquemas.front().erro_espaco_meio;
    std::string texto = juntar(
        "Leitura: \"meio em tf\" é a soma do erro de tempo (contra a solução exata no tempo nesta malha, "
        "exp(-4 F s² n) vezes o campo inicial) e do de espaço (essa solução contra a exata), ", real(espaco),
        " nos três esquemas: a malha ", espaco > 0.0 ? "adianta" : "atrasa", " o decaimento.");
    const Esquema* menor = nullptr;
    for (const Esquema& e : esquemas) {
        const double tempo = e.erro_tempo_meio;
        texto += juntar("\n", nome_esquema(e.theta), ": o de tempo é ", real(tempo), ", ");
        if (!std::isfinite(tempo)) {
            texto += "não finito.";
            continue;
        }
        texto += juntar(aproximado(std::fabs(tempo / espaco)), " vezes o de espaço em valor absoluto; o passo ",
                        tempo > 0.0 ? "adianta" : "atrasa",
                        " o decaimento, ", tempo * espaco < 0.0 ? "ao contrário da malha: se cancelam em parte."
                                                                 : "como a malha: se somam.");
        if (!e.nivel.estavel)
            texto += juntar(" Fora do limite de estabilidade desta malha: o erro do campo em tf é ",
                            real(e.nivel.campo.maximo), ".");
        else if (e.nivel.fator_meia < 0.0)
            texto += " A meia senoide troca de sinal a cada passo (A < 0): a solução oscila.";
        if (e.nivel.estavel && (menor == nullptr || std::fabs(tempo) < std::fabs(menor->erro_tempo_meio))) menor = &e;
    }
    if (menor != nullptr) texto += juntar("\nO menor erro de tempo é o de ", nome_esquema(menor->theta), ".");
    // The listing's column against the scheme's own errors.
    bool listagem_domina = true;
    for (const Esquema& e : esquemas)
        listagem_domina = listagem_domina && e.nivel.listagem.maximo > 2.0 * e.nivel.media.maximo;
    if (listagem_domina)
        texto += " A coluna \"listagem\" compara com a média exata de um termo, como a listagem de difusao_calor: "
                 "o erro da regra dos trapézios, o mesmo para todos, a domina e esconde os esquemas.";
    return juntar(quebrar(texto), "\n");
}

// ---------------------------------------------------------------------------
// The map.

namespace {

// What an unstable point's error is made of: the data's own mode growing
// (the closed form's sum of the parts predicts it), round-off amplified by
// the grid's highest mode (the error far above that prediction), or still the
// scheme's error.
enum class Origem { esquema, arredondamento, modo_dos_dados };

Origem origem_do_erro(const Nivel& n) {
    const double previsto = std::fabs(soma_das_partes(n));
    const double medido = n.campo.maximo;
    if (std::fabs(n.fator_meia) > 1.0 && std::isfinite(medido) && medido <= 3.0 * previsto) return Origem::modo_dos_dados;
    if (!std::isfinite(medido) || medido > 10.0 * previsto) return Origem::arredondamento;
    return Origem::esquema;
}

// One sentence for a run of unstable points whose errors have the same origin.
std::string pontos_instaveis(const std::vector<const Nivel*>& pontos) {
    const Nivel& n = *pontos.front();
    const std::string Nt = std::to_string(n.malha.Nt);
    const double passos = static_cast<double>(n.malha.Nt);
    const std::string texto =
        pontos.size() == 1 ? juntar("Em F = ", real(n.F), ", instável, ")
                           : juntar("De F = ", real(n.F), " a ", real(pontos.back()->F), ", instáveis, ");
    switch (origem_do_erro(n)) {
        case Origem::modo_dos_dados: {
            // The points one by one, the first few of a long run.
            constexpr std::size_t mostrados = 4;
            std::string casos;
            for (std::size_t k = 0; k < std::min(pontos.size(), mostrados); ++k) {
                const Nivel* p = pontos[k];
                casos += juntar(casos.empty() ? "" : "; ", "F = ", real(p->F), ": A = ", aproximado(p->fator_meia),
                                ", Nt = ", std::to_string(p->malha.Nt), ", |A|^Nt = ",
                                real(std::pow(std::fabs(p->fator_meia), static_cast<double>(p->malha.Nt))), ", erro ",
                                real(p->campo.maximo));
            }
            if (pontos.size() > mostrados)
                casos += juntar("; e ", std::to_string(pontos.size() - mostrados), " pontos mais");
            return juntar(texto, "o próprio modo dos dados cresce, e o erro medido é o |A|^Nt da meia senoide (", casos,
                          ").");
        }
        case Origem::arredondamento:
            return juntar(texto, "o erro é o arredondamento amplificado pelo modo mais alto da malha (em F = ",
                          real(n.F), ": A = ", aproximado(n.fator_pior), " por passo, |A|^Nt = ",
                          real(std::pow(std::fabs(n.fator_pior), passos)), " com Nt = ", Nt, ", erro ",
                          real(n.campo.maximo), ").");
        case Origem::esquema: break;
    }
    return juntar(texto, "o arredondamento ainda não cresceu bastante (em F = ", real(n.F), ", com Nt = ", Nt,
                  " passos, |A|^Nt = ", real(std::pow(std::fabs(n.fator_pior), passos)),
                  " no modo mais alto): o erro, ", real(n.campo.maximo), ", ainda é o do esquema.");
}

std::string leitura_de_um_theta(const Mapa& mapa, std::size_t th) {
    const double theta = mapa.thetas[th];
    const std::size_t pontos = mapa.passos.size();
    std::string texto = juntar("theta = ", curto(theta));
    if (theta == 0.0 || theta == 0.5 || theta == 1.0) texto += juntar(" (", nome_esquema(theta), ")");
    if (pontos == 0) return texto;
    const std::int32_t Nx = mapa.ponto(th, 0).nivel.malha.Nx;
    if (theta < 0.5)
        texto += juntar(": estável até F = ", real(limite_fourier_malha(theta, Nx)), " nesta malha (",
                        real(limite_fourier(theta)), " com a malha refinada).");
    else
        texto += ": estável em todo F.";
    // The stable points: the smallest F's error, the least, the last.
    std::vector<std::size_t> estaveis;
    for (std::size_t f = 0; f < pontos; ++f)
        if (mapa.ponto(th, f).nivel.estavel && std::isfinite(mapa.ponto(th, f).nivel.campo.maximo)) estaveis.push_back(f);
    if (!estaveis.empty()) {
        const Nivel& primeiro = mapa.ponto(th, estaveis.front()).nivel;
        texto += juntar(" Com F = ", real(primeiro.F), " o erro é ", real(primeiro.campo.maximo), ", o de ",
                        tempo_domina(primeiro) ? "tempo" : "espaço", " dominando.");
        std::size_t menor = estaveis.front();
        for (std::size_t f : estaveis)
            if (mapa.ponto(th, f).nivel.campo.maximo < mapa.ponto(th, menor).nivel.campo.maximo) menor = f;
        const Nivel& minimo = mapa.ponto(th, menor).nivel;
        if (menor != estaveis.front() && minimo.campo.maximo < cancelam * primeiro.campo.maximo)
            texto += juntar(" O erro cai a ", real(minimo.campo.maximo), " em F = ", real(minimo.F),
                            sinais_opostos(minimo)
                                ? ": ali os erros de tempo e de espaço, de sinais opostos, se cancelam (não é um "
                                  "ótimo do esquema)."
                                : ".");
        for (std::size_t f : estaveis) {
            const Nivel& n = mapa.ponto(th, f).nivel;
            if (f == estaveis.front() || !partes_conhecidas(n) || !tempo_domina(n) || tempo_domina(primeiro)) continue;
            texto += juntar(" O de tempo domina a partir de F = ", real(n.F), ".");
            break;
        }
        const Nivel& ultimo = mapa.ponto(th, estaveis.back()).nivel;
        if (estaveis.size() > 1)
            texto += juntar(" No último F estável, ", real(ultimo.F), ", o erro é ", real(ultimo.campo.maximo), ".");
    }
    for (std::size_t f = 0; f < pontos; ++f) {
        const Nivel& n = mapa.ponto(th, f).nivel;
        if (!(n.fator_meia < 0.0)) continue;
        texto += juntar(" A partir de F = ", real(n.F), " a meia senoide troca de sinal a cada passo (A = ",
                        aproximado(n.fator_meia), ").");
        break;
    }
    // The unstable points, one sentence for each run of points whose errors
    // have the same origin.
    std::vector<const Nivel*> seguidos;
    for (std::size_t f = 0; f <= pontos; ++f) {
        const Nivel* n = f < pontos ? &mapa.ponto(th, f).nivel : nullptr;
        const bool continua = n != nullptr && !n->estavel && !seguidos.empty() &&
                              origem_do_erro(*n) == origem_do_erro(*seguidos.front());
        if (!continua && !seguidos.empty()) {
            texto += juntar(" ", pontos_instaveis(seguidos));
            seguidos.clear();
        }
        if (n != nullptr && !n->estavel) seguidos.push_back(n);
    }
    return texto;
}

}  // namespace

std::string leitura_mapa(const Mapa& mapa) {
    std::string texto =
        "Leitura: com dx fixo, F cresce com dt; o erro de espaço é o mesmo em todo o mapa e o de tempo cresce "
        "com dt.";
    if (!mapa.passos.empty()) {
        const Nivel& ultimo = mapa.ponto(0, mapa.passos.size() - 1).nivel;
        const double maior_pedido = mapa.passos.back().F_pedido;
        texto += juntar(" F vai de ", real(mapa.ponto(0, 0).nivel.F), " a ", real(ultimo.F), " (Nt = ",
                        std::to_string(ultimo.malha.Nt), ")");
        texto += ultimo.malha.Nt == 1 && maior_pedido < mapa_F_maximo
                     ? ": um F maior pediria um passo de tempo maior que tf."
                     : ".";
    }
    for (std::size_t th = 0; th < mapa.thetas.size(); ++th) texto += juntar("\n", leitura_de_um_theta(mapa, th));
    return juntar(quebrar(texto), "\n");
}

}  // namespace estudo
