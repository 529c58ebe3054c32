#include "leituras.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "afirmacoes.hpp"

// The words of the readings. Every sentence here renders a claim of
// afirmacoes.hpp: the rule that admits it and the numbers it rests on are
// there; here are only their words, and every threshold is printed from its
// constant.

namespace estudo {

namespace {

std::string inteiro(std::size_t valor) { return std::to_string(valor); }

std::string duas_casas(double valor) {
    char texto[32];
    std::snprintf(texto, sizeof texto, "%.2f", std::fabs(valor) < 0.005 ? 0.0 : valor);
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

// The sentence begins with it.
std::string maiuscula(std::string texto) {
    if (!texto.empty() && texto.front() >= 'a' && texto.front() <= 'z') texto.front() = static_cast<char>(texto.front() - 'a' + 'A');
    return texto;
}

std::string par(std::size_t j) { return juntar(inteiro(j), "-", inteiro(j + 1)); }

const char* nome_da_parte(bool tempo) { return tempo ? "tempo" : "espaço"; }

// ---------------------------------------------------------------------------
// The split, level by level.

std::string quem_domina(const std::vector<LeituraDasPartes>& partes) {
    std::vector<std::size_t> tempo, espaco, incertos;
    for (std::size_t j = 0; j < partes.size(); ++j) {
        switch (partes[j].domina) {
            case QuemDomina::tempo: tempo.push_back(j + 1); break;
            case QuemDomina::espaco: espaco.push_back(j + 1); break;
            case QuemDomina::indefinido: incertos.push_back(j + 1); break;
            case QuemDomina::sem_partes: break;
        }
    }
    std::string texto;
    if (tempo.empty() && !espaco.empty())
        texto = incertos.empty() ? "o erro de espaço domina em todos os níveis"
                                 : juntar("o erro de espaço domina ", niveis_de(espaco));
    else if (espaco.empty() && !tempo.empty())
        texto = incertos.empty() ? "o erro de tempo domina em todos os níveis"
                                 : juntar("o erro de tempo domina ", niveis_de(tempo));
    else if (!tempo.empty() && espaco.back() < tempo.front() && incertos.empty())
        texto = juntar("o erro de espaço domina até o nível ", inteiro(espaco.back()), " e o de tempo a partir do nível ",
                       inteiro(tempo.front()));
    else if (!tempo.empty() && tempo.back() < espaco.front() && incertos.empty())
        texto = juntar("o erro de tempo domina até o nível ", inteiro(tempo.back()), " e o de espaço a partir do nível ",
                       inteiro(espaco.front()));
    else if (!tempo.empty())
        texto = juntar("o erro de tempo domina ", niveis_de(tempo), " e o de espaço ", niveis_de(espaco));
    if (!incertos.empty())
        texto += juntar(texto.empty() ? "" : "; ", niveis_de(incertos),
                        " as duas partes têm o mesmo tamanho dentro das suas cotas de arredondamento");
    return texto;
}

// Whether the two parts cancel or add, level by level.
std::string os_sinais(const std::vector<LeituraDasPartes>& partes) {
    std::vector<std::size_t> opostos, iguais, despreziveis, incertos;
    std::optional<std::size_t> mais_fundo;
    for (std::size_t j = 0; j < partes.size(); ++j) {
        switch (partes[j].relacao) {
            case RelacaoDasPartes::sinais_opostos:
                opostos.push_back(j + 1);
                if (!mais_fundo || partes[j].resta < partes[*mais_fundo].resta) mais_fundo = j;
                break;
            case RelacaoDasPartes::mesmo_sinal: iguais.push_back(j + 1); break;
            case RelacaoDasPartes::uma_desprezivel: despreziveis.push_back(j + 1); break;
            case RelacaoDasPartes::indefinida: incertos.push_back(j + 1); break;
            case RelacaoDasPartes::sem_partes: break;
        }
    }
    std::vector<std::string> frases;
    const bool todos_despreziveis = opostos.empty() && iguais.empty() && incertos.empty();
    if (!despreziveis.empty())
        frases.push_back(todos_despreziveis
                             ? juntar("a parte menor fica abaixo de ", porcento(parte_desprezivel),
                                      " da maior em todos os níveis e não pesa")
                             : juntar(niveis_de(despreziveis), " a parte menor fica abaixo de ",
                                      porcento(parte_desprezivel), " da maior e não pesa"));
    if (!opostos.empty() && iguais.empty() && despreziveis.empty() && incertos.empty())
        frases.push_back("as duas têm sinais opostos em todos os níveis e se cancelam em parte");
    else if (!opostos.empty())
        frases.push_back(juntar("as duas têm sinais opostos ", niveis_de(opostos), " e se cancelam em parte"));
    if (!iguais.empty() && opostos.empty() && despreziveis.empty() && incertos.empty())
        frases.push_back("as duas têm o mesmo sinal em todos os níveis e se somam");
    else if (!iguais.empty())
        frases.push_back(juntar("as duas têm o mesmo sinal ", niveis_de(iguais), " e se somam"));
    if (!incertos.empty())
        frases.push_back(juntar(niveis_de(incertos), " o sinal de uma delas fica dentro da sua cota de arredondamento"));
    if (mais_fundo && partes[*mais_fundo].resta < fracao_do_cancelamento)
        frases.push_back(juntar("no nível ", inteiro(*mais_fundo + 1), " a soma é só ",
                                porcento(partes[*mais_fundo].resta, partes[*mais_fundo].cota_resta),
                                " da maior"));
    std::string texto;
    for (const std::string& f : frases) texto += juntar(texto.empty() ? "" : "; ", f);
    return texto;
}

// What the time stepping and the grid do to the decay, from the factors.
std::string o_sentido(const std::vector<Nivel>& niveis) {
    std::vector<std::size_t> adianta, atrasa, exato;
    bool malha = true, alguma = false;
    for (std::size_t j = 0; j < niveis.size(); ++j) {
        const Nivel& n = niveis[j];
        if (n.malha.Nx < 3 || !n.estavel) continue;
        alguma = true;
        malha = malha && malha_atrasa(n.passo);
        switch (sentido_do_passo(n.passo).sentido) {
            case Sentido::adianta: adianta.push_back(j + 1); break;
            case Sentido::atrasa: atrasa.push_back(j + 1); break;
            case Sentido::indefinido: exato.push_back(j + 1); break;
            case Sentido::oscila:
            case Sentido::cresce: break;
        }
    }
    if (!alguma || (adianta.empty() && atrasa.empty() && exato.empty())) return {};
    std::string texto = "O passo de tempo ";
    const bool um_so = (adianta.empty() + atrasa.empty() + exato.empty()) == 2;
    if (!adianta.empty())
        texto += juntar("adianta o decaimento da meia senoide (A < exp(-4 F s²))", um_so ? "" : juntar(" ", niveis_de(adianta)));
    if (!atrasa.empty())
        texto += juntar(adianta.empty() ? "" : " e o ", "atrasa", adianta.empty() ? " o decaimento da meia senoide" : "",
                        " (A > exp(-4 F s²))", um_so ? "" : juntar(" ", niveis_de(atrasa)));
    if (!exato.empty())
        texto += juntar(adianta.empty() && atrasa.empty() ? "" : "; ", "é exato dentro do arredondamento (A = exp(-4 F s²)) ",
                        um_so ? "em todos os níveis" : niveis_de(exato));
    if (malha) texto += "; a malha o atrasa sempre (4 s²/dx² < pi²/Lx²)";
    return juntar(texto, ".");
}

std::string perto_do_cancelamento_texto(const std::vector<Nivel>& niveis, double theta) {
    const std::optional<PertoDoCancelamento> perto = perto_do_cancelamento(niveis, theta);
    if (!perto) return {};
    return juntar("O nível ", inteiro(perto->nivel), " tem F = ", real(perto->F), ", a menos de um fator 2 de F = 1/(6(1 - 2 theta)) = ",
                  real(perto->Fc),
                  ", onde os termos principais dos dois erros se anulam (theta = 1/2 - 1/(12 F): quarta ordem no espaço).");
}

// ---------------------------------------------------------------------------
// Orders.

// "2.00, 2.00 e pré (4.02)" of the entries from `primeira` on.
std::string lista_de_ordens(const std::vector<Ordem>& ordens, std::size_t primeira) {
    std::string texto;
    for (std::size_t j = primeira; j < ordens.size(); ++j)
        texto += juntar(j == primeira ? "" : j + 1 == ordens.size() ? " e " : ", ", valor_da_ordem(ordens[j]));
    return texto;
}

// "27%", or "de 12% a 27%" when the values of a group differ as printed;
// each value with its bound (porcento).
std::string faixa_de_porcentos(const std::vector<Cotado>& valores) {
    const auto [menor, maior] = std::minmax_element(valores.begin(), valores.end(),
                                                    [](const Cotado& a, const Cotado& b) { return a.valor < b.valor; });
    const std::string de = porcento(menor->valor, menor->cota), ate = porcento(maior->valor, maior->cota);
    if (de == ate) return de;
    return juntar("de ", de, " a ", ate);
}

// The signed errors of the levels of some pairs (from 1): "-7.245e-03 e 8.904e-04".
std::string erros_com_sinal(const std::vector<Nivel>& niveis, const std::vector<std::size_t>& pares) {
    std::vector<std::size_t> usados;
    for (std::size_t j : pares)
        for (std::size_t k : {j - 1, j})
            if (std::find(usados.begin(), usados.end(), k) == usados.end()) usados.push_back(k);
    std::string texto;
    for (std::size_t k = 0; k < usados.size(); ++k)
        texto += juntar(k == 0 ? "" : k + 1 == usados.size() ? " e " : ", ", real(niveis[usados[k]].campo.com_sinal));
    return texto;
}

// Why the values of some pairs (entries j of the orders, between levels j
// and j + 1 counted from 1), which share a reason, are not orders, with
// their numbers.
std::string motivo_com_numeros(Refinamento tipo, const std::vector<Nivel>& niveis, const std::vector<Ordem>& ordens,
                               const std::vector<std::size_t>& pares) {
    const Ordem& o = ordens[pares.front()];
    const char* fixo = nome_da_parte(tipo == Refinamento::espaco);
    std::vector<Cotado> pesos;
    double deslocamento = 0.0;
    for (std::size_t j : pares) {
        pesos.push_back({ordens[j].peso, ordens[j].cota_peso});
        if (std::fabs(ordens[j].amostragem) > std::fabs(deslocamento)) deslocamento = ordens[j].amostragem;
    }
    const std::string no_fino = pares.size() == 1 ? juntar(" no nível ", inteiro(pares.front() + 1)) : " no nível fino";
    switch (o.motivo) {
        case Motivo::troca_de_sinal:
            return juntar("o erro troca de sinal de um nível ao outro (", erros_com_sinal(niveis, pares),
                          "): o log2 da razão dos valores absolutos, ", duas_casas(o.p), ", não é uma ordem");
        case Motivo::cresce: return juntar("o erro cresce (p <= -", curto(menor_ordem), ")");
        case Motivo::quase_parado: return juntar("o erro quase não muda (|p| < ", curto(menor_ordem), ")");
        case Motivo::saturacao:
            return juntar("o erro satura no do passo fixo, o de ", fixo, ", que é ", faixa_de_porcentos(pesos),
                          " das duas partes", no_fino);
        case Motivo::sem_vizinho:
            return niveis.size() == 2 ? "com dois níveis só há um par, e nenhum vizinho com que conferir"
                                      : "nenhum par vizinho tem ordem com que conferir";
        case Motivo::cancelamento:
            return juntar("tempo e espaço, de sinais opostos, se cancelam (a soma é só ", faixa_de_porcentos(pesos),
                          " da parte maior): a razão dos erros não é a de nenhum dos dois");
        case Motivo::amostragem:
            return juntar("a malha grossa amostra a meia senoide de outro modo (Nx par não tem nó no centro, e com poucos "
                          "nós o máximo e a média dos nós mudam): só isso desloca p em até ",
                          duas_casas(deslocamento));
        case Motivo::parte_fixa:
            return juntar("o erro do passo fixo, o de ", fixo, ", é ", faixa_de_porcentos(pesos), " das duas partes", no_fino,
                          o.oposta ? ", com o sinal oposto ao do outro," : "", " e não cai com o passo refinado");
        case Motivo::mistura:
            return juntar("o erro de tempo (ordem 1) e o de espaço (ordem 2) pesam os dois (o de tempo é ",
                          faixa_de_porcentos(pesos), " das duas partes", no_fino, "): p é o da soma deles");
        case Motivo::deriva:
            return juntar("p muda mais de ", porcento(concordancia_das_ordens),
                          " do par vizinho: os termos de ordem mais alta ainda pesam");
        case Motivo::nenhum: break;
    }
    return {};
}

// The pairs not yet asymptotic, grouped by their reason.
std::string razoes_pre_assintotico(Refinamento tipo, const std::vector<Nivel>& niveis, const std::vector<Ordem>& ordens) {
    std::vector<std::vector<std::size_t>> grupos;
    for (std::size_t j = 1; j < ordens.size(); ++j) {
        if (ordens[j].veredito != Veredito::pre_assintotico || std::isnan(ordens[j].p)) continue;
        auto onde = std::find_if(grupos.begin(), grupos.end(), [&](const auto& g) {
            return ordens[g.front()].motivo == ordens[j].motivo && ordens[g.front()].oposta == ordens[j].oposta;
        });
        if (onde == grupos.end()) onde = grupos.insert(grupos.end(), std::vector<std::size_t>{});
        onde->push_back(j);
    }
    std::string texto;
    for (const std::vector<std::size_t>& pares : grupos) {
        std::string nomes;
        for (std::size_t k = 0; k < pares.size(); ++k)
            nomes += juntar(k == 0 ? "" : k + 1 == pares.size() ? " e " : ", ", par(pares[k]));
        texto += juntar(texto.empty() ? "" : "; ", pares.size() == 1 ? "níveis " : "pares ", nomes, ": ",
                        motivo_com_numeros(tipo, niveis, ordens, pares));
    }
    return texto;
}

std::string as_ordens(const Serie& serie, const LeituraDasOrdens& l) {
    std::string texto = juntar("O erro máximo do campo dá, de um nível ao seguinte, p = ", lista_de_ordens(l.ordens, 1), ".");
    if (!l.algum_valor) return texto;
    if (!l.todas_confirmadas)
        return juntar(texto, " As marcadas pré ainda não são ordens (",
                      razoes_pre_assintotico(serie.tipo, serie.niveis, l.ordens), ").");
    texto += juntar(" As ordens concordam (", porcento(concordancia_das_ordens), "): é a faixa assintótica");
    if (l.com_a_esperada) return juntar(texto, ", com a ordem esperada, ", curto(l.esperada), ".");
    texto += juntar(", mas com p = ", duas_casas(l.ultima), " e não a ordem esperada, ", curto(l.esperada));
    if (serie.tipo == Refinamento::espaco_e_tempo) return juntar(texto, ", que só aparece quando o erro de tempo domina.");
    const LeituraDasPartes ultimo = ler_partes(serie.niveis.back());
    const double fixo = serie.tipo == Refinamento::espaco ? ultimo.peso_tempo : 1.0 - ultimo.peso_tempo;
    if (ultimo.domina != QuemDomina::sem_partes && fixo >= peso_que_conta)
        return juntar(texto, ": o erro do passo fixo ainda é ", porcento(fixo), " das duas partes no último nível.");
    return juntar(texto, ".");
}

// The orders from differences of the mean's signed errors, where the error of
// the step that is not refined cancels.
std::string as_diferencas(const Serie& serie, double theta) {
    if (serie.tipo == Refinamento::espaco_e_tempo || serie.niveis.size() < 3) return {};
    const LeituraDasOrdens l = ler_ordens(serie.tipo, theta, ordens_das_diferencas(serie, media_final));
    if (!l.algum_valor) return juntar("As diferenças de três níveis também não dão ordem (", lista_de_ordens(l.ordens, 2), ").");
    const std::string passo = serie.tipo == Refinamento::espaco ? "no espaço" : "no tempo";
    const std::string texto = juntar("Nas diferenças de três níveis o erro do passo fixo se cancela: a ordem ", passo,
                                     " da média dá ", lista_de_ordens(l.ordens, 2));
    bool alguma = false;
    for (const Ordem& o : l.ordens) alguma = alguma || o.veredito == Veredito::ordem;
    if (!alguma) return juntar(texto, ".");
    return juntar(texto, " (esperada, ", curto(l.esperada), ").");
}

// The last pair of levels in words: by how much the field's error changes.
std::string o_ultimo_par(const std::vector<Nivel>& niveis, const std::vector<Ordem>& ordens) {
    const std::optional<UltimoPar> u = ultimo_par(niveis, ordens);
    if (!u) return {};
    const std::string entre =
        juntar("Entre os níveis ", inteiro(u->fino - 1), " e ", inteiro(u->fino), " o erro máximo do campo ");
    const Ordem& o = u->ordem;
    if (u->variacao == Variacao::sem_valor)
        return juntar(entre, o.veredito == Veredito::sem_no_interior ? "não dá ordem: um nível não tem nó interior."
                                                                     : "não dá ordem: há nível instável.");
    const Nivel &g = niveis[u->fino - 2], &f = niveis[u->fino - 1];
    if (u->variacao == Variacao::no_arredondamento)
        return juntar(entre, "muda menos que o arredondamento dos dois níveis (", real(g.campo.maximo), " e ",
                      real(f.campo.maximo), ", cotas ", real(g.campo.piso, 1), " e ", real(f.campo.piso, 1), ").");
    std::string p;
    switch (o.veredito) {
        case Veredito::ordem: p = juntar("p = ", duas_casas(o.p)); break;
        case Veredito::pre_assintotico: p = juntar("p = ", duas_casas(o.p), ", pré-assintótico"); break;
        default: p = juntar("p no arredondamento: ele pode movê-lo mais de ", curto(maior_incerteza_da_ordem)); break;
    }
    if (!u->preciso) {
        // Near a level's floor only the bounds of the ratio are known.
        const std::string perto = "; um dos erros está perto da sua cota de arredondamento";
        if (u->variacao == Variacao::cresce)
            return juntar(entre, "cresce mais de ", porcento(1.0 / u->razao_maxima - 1.0), " (", p, perto, ").");
        if (u->razao_minima < razao_em_vezes)
            return juntar(entre, "cai mais de ", porcento(1.0 - 1.0 / u->razao_minima), " (", p, perto, ").");
        return juntar(entre, "cai mais de ", aproximado(u->razao_minima), " vezes (", p, perto, ").");
    }
    if (u->variacao == Variacao::cresce) return juntar(entre, "cresce ", porcento(1.0 / u->razao - 1.0), " (", p, ").");
    if (u->razao < razao_em_vezes) return juntar(entre, "cai só ", porcento(1.0 - 1.0 / u->razao), " (", p, ").");
    return juntar(entre, "cai ", aproximado(u->razao), " vezes (", p, ").");
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
    const NiveisMarcados m = niveis_marcados(niveis);
    std::string texto;
    if (!m.instaveis.empty())
        texto += juntar(" ", maiuscula(niveis_de(m.instaveis)), " F passa do limite de estabilidade da malha: ",
                        m.instaveis.size() == 1 ? "esse nível é instável e não dá ordem."
                                                : "esses níveis são instáveis e não dão ordem.");
    if (!m.oscilam.empty())
        texto += juntar(" ", maiuscula(niveis_de(m.oscilam)), " a meia senoide troca de sinal a cada passo (A < 0): a solução oscila.");
    return texto;
}

}  // namespace

std::string leitura_serie(const Serie& serie, double theta) {
    const std::vector<Nivel>& niveis = serie.niveis;
    const std::vector<Ordem> ordens = ordens_da_serie(serie, theta, maximo_do_campo);
    std::string texto = juntar("Leitura: ", o_que_cai(serie.tipo, theta));
    std::vector<LeituraDasPartes> partes;
    for (const Nivel& n : niveis) partes.push_back(ler_partes(n));
    const std::string domina = quem_domina(partes);
    if (!domina.empty()) {
        texto += juntar(" Pela divisão exata do erro (tabela das partes), ", domina);
        const std::string sinais = os_sinais(partes);
        texto += sinais.empty() ? "." : juntar("; ", sinais, ".");
    }
    const std::string sentido = o_sentido(niveis);
    if (!sentido.empty()) texto += juntar(" ", sentido);
    const std::string cancelamento = perto_do_cancelamento_texto(niveis, theta);
    if (!cancelamento.empty()) texto += juntar(" ", cancelamento);
    texto += juntar("\n", as_ordens(serie, ler_ordens(serie.tipo, theta, ordens)));
    const std::string diferencas = as_diferencas(serie, theta);
    if (!diferencas.empty()) texto += juntar(" ", diferencas);
    texto += instaveis_e_oscilantes(niveis);
    const std::string ultimo = o_ultimo_par(niveis, ordens);
    if (!ultimo.empty()) texto += juntar("\n", ultimo);
    return juntar(quebrar(texto), "\n");
}

// ---------------------------------------------------------------------------
// The comparison of the three schemes on the input grid.

namespace {

std::string o_passo(const SentidoDoPasso& s) {
    switch (s.sentido) {
        case Sentido::adianta: return "o passo adianta o decaimento (A < exp(-4 F s²))";
        case Sentido::atrasa: return "o passo atrasa o decaimento (A > exp(-4 F s²))";
        case Sentido::cresce: return "o passo faz a meia senoide crescer (A > 1)";
        case Sentido::oscila: return "o passo troca o sinal da meia senoide (A < 0)";
        case Sentido::indefinido: return "o passo é exato dentro do arredondamento (A = exp(-4 F s²))";
    }
    return {};
}

// An unstable run's error, the scheme's and the amplified round-off (the
// parts at the node of their own maxima, so "+" is "at most").
std::string divisao_instavel(const ErroInstavel& e, const Nivel& n) {
    const std::string modo = juntar("modo m = ", std::to_string(n.rapido.m), " (A = ", aproximado(n.rapido.A), " por passo)");
    const std::string esquema = std::isfinite(e.esquema) ? real(e.esquema) : real_de_log10(e.log10_esquema, false);
    switch (e.origem) {
        case OrigemDoErro::estouro:
            return juntar("a corrida passa do maior double (", real(std::numeric_limits<double>::max(), 1),
                          ") ou divide por zero, e o erro medido não é um número; o do esquema seria ", esquema,
                          ", e o arredondamento cresce com o ", modo);
        case OrigemDoErro::arredondamento:
            return juntar("o erro medido, ", real(e.medido), ", é sobretudo o arredondamento amplificado pelo ", modo,
                          ": até ", real(e.arredondamento), " (", porcento(e.parcela), " dos dois), contra ", esquema,
                          " do próprio esquema");
        case OrigemDoErro::misto:
            return juntar("o erro medido, ", real(e.medido), ", mistura o do próprio esquema, ", esquema,
                          ", e o arredondamento amplificado pelo ", modo, ", até ", real(e.arredondamento), " (",
                          porcento(e.parcela), " dos dois)");
        case OrigemDoErro::modo_dos_dados:
        case OrigemDoErro::esquema:
            return juntar("o erro medido, ", real(e.medido), ", é o do próprio esquema, ", esquema,
                          "; o arredondamento amplificado pelo ", modo, " é até ", real(e.arredondamento), " (",
                          porcento(e.parcela), " dos dois)");
    }
    return {};
}

}  // namespace

std::string leitura_comparacao(const std::vector<Esquema>& esquemas) {
    if (esquemas.empty()) return {};
    const LeituraDaComparacao c = ler_comparacao(esquemas);
    std::string texto = juntar(
        "Leitura: \"meio em tf\" é a soma do erro de tempo (contra a solução exata no tempo nesta malha, "
        "exp(-4 F s² n) vezes o campo inicial) e do de espaço (essa solução contra a exata), ", real(c.espaco.valor),
        " nos três esquemas",
        std::any_of(c.esquemas.begin(), c.esquemas.end(),
                    [](const LeituraDoEsquema& l) { return l.estado == EstadoDoPonto::instavel; })
            ? " (num instável, mais o arredondamento amplificado)"
            : "",
        malha_atrasa(esquemas.front().nivel.passo) ? ": a malha atrasa o decaimento (4 s²/dx² < pi²/Lx²)." : ".");
    for (std::size_t j = 0; j < esquemas.size(); ++j) {
        const Esquema& e = esquemas[j];
        const LeituraDoEsquema& l = c.esquemas[j];
        texto += juntar("\n", nome_esquema(e.theta), ": o de tempo do esquema é ", real(e.erro_tempo_meio), ", ");
        if (!std::isfinite(e.erro_tempo_meio)) {
            texto += "não finito.";
        } else {
            texto += juntar(aproximado(l.razao), " vezes o de espaço em valor absoluto; ", o_passo(l.sentido));
            switch (l.partes.relacao) {
                case RelacaoDasPartes::sinais_opostos: texto += ", ao contrário da malha: os dois se cancelam em parte."; break;
                case RelacaoDasPartes::mesmo_sinal: texto += ", como a malha: os dois se somam."; break;
                case RelacaoDasPartes::uma_desprezivel:
                    texto += juntar("; o ", l.partes.peso_tempo < 0.5 ? "de tempo" : "de espaço", " fica abaixo de ",
                                    porcento(parte_desprezivel), " do outro e não pesa.");
                    break;
                default: texto += "."; break;
            }
        }
        if (l.estado == EstadoDoPonto::instavel)
            texto += juntar(" Fora do limite de estabilidade desta malha: ", divisao_instavel(l.instavel, e.nivel), ".");
        else if (l.estado == EstadoDoPonto::oscila)
            texto += " A meia senoide troca de sinal a cada passo (A < 0): a solução oscila.";
    }
    if (c.menor_tempo) texto += juntar("\nO menor erro de tempo é o de ", nome_esquema(esquemas[*c.menor_tempo].theta), ".");
    if (c.listagem_domina)
        texto += juntar(" A coluna \"listagem\" compara com a média exata de um termo, como a listagem de difusao_calor: "
                        "o erro da regra dos trapézios",
                        std::isnan(c.trapezios) ? "" : juntar(" (", real(c.trapezios), " em t = 0)"),
                        ", o mesmo para todos, a domina e esconde os esquemas.");
    return juntar(quebrar(texto), "\n");
}

// ---------------------------------------------------------------------------
// The map.

namespace {

std::string A_Nt(double log10_A_Nt) { return real_de_log10(log10_A_Nt, false); }

// One sentence for a run of unstable points whose errors have the same
// origin, with the numbers of its first few points.
std::string pontos_instaveis(const Mapa& mapa, std::size_t th, const GrupoInstavel& grupo) {
    const Nivel& n = mapa.ponto(th, grupo.pontos.front()).nivel;
    const Nivel& ultimo = mapa.ponto(th, grupo.pontos.back()).nivel;
    std::string texto = grupo.pontos.size() == 1 ? juntar("Em F = ", real(n.F), ", instável, ")
                                                 : juntar("De F = ", real(n.F), " a ", real(ultimo.F), ", instáveis, ");
    switch (grupo.origem) {
        case OrigemDoErro::modo_dos_dados:
            texto += "o próprio modo dos dados cresce, e o erro é sobretudo o do esquema, |Ti| |A|^Nt da meia senoide";
            break;
        case OrigemDoErro::arredondamento:
            texto += "o erro é sobretudo o arredondamento, amplificado pelo modo que mais cresce";
            break;
        case OrigemDoErro::esquema:
            texto += juntar("o arredondamento ainda não cresceu bastante, e o erro ainda é o do esquema, com o ",
                            "arredondamento abaixo de ", porcento(parcela_desprezivel), " dos dois");
            break;
        case OrigemDoErro::misto:
            texto += juntar("o erro medido já não é só o do esquema: o arredondamento, amplificado pelo modo que mais ",
                            "cresce, é de ", porcento(parcela_desprezivel), " a ", porcento(parcela_dominante), " dos dois");
            break;
        case OrigemDoErro::estouro:
            texto += juntar("a corrida passa do maior double (", real(std::numeric_limits<double>::max(), 1),
                            ") ou divide por zero: o erro medido não é um número");
            break;
    }
    constexpr std::size_t mostrados = 4;
    std::string casos;
    for (std::size_t k = 0; k < std::min(grupo.pontos.size(), mostrados); ++k) {
        const Nivel& p = mapa.ponto(th, grupo.pontos[k]).nivel;
        const ErroInstavel e = erro_instavel(p);
        const std::string esquema = std::isfinite(e.esquema) ? real(e.esquema) : A_Nt(e.log10_esquema);
        const double log10_do_modo = static_cast<double>(p.malha.Nt) * std::log10(std::fabs(p.rapido.A));
        casos += juntar(casos.empty() ? "" : "; ", "F = ", real(p.F), ", Nt = ", std::to_string(p.malha.Nt));
        if (grupo.origem == OrigemDoErro::modo_dos_dados)
            casos += juntar(": A = ", aproximado(p.fator_meia), ", |A|^Nt = ", A_Nt(p.log10_A_Nt));
        else
            casos += juntar(": modo m = ", std::to_string(p.rapido.m), ", A = ", aproximado(p.rapido.A), ", |A|^Nt = ",
                            A_Nt(log10_do_modo));
        if (grupo.origem == OrigemDoErro::estouro)
            casos += juntar(", erro do esquema ", esquema);
        else
            casos += juntar(", erro ", real(e.medido), ": do esquema ", esquema, ", do arredondamento até ",
                            real(e.arredondamento), " (", porcento(e.parcela), " dos dois)");
    }
    if (grupo.pontos.size() > mostrados) casos += juntar("; e ", std::to_string(grupo.pontos.size() - mostrados), " pontos mais");
    return juntar(texto, " (", casos, ").");
}

std::string leitura_de_um_theta(const Mapa& mapa, std::size_t th) {
    const LeituraDoTheta l = ler_theta(mapa, th);
    std::string texto = juntar("theta = ", curto(l.theta));
    if (l.theta == 0.0 || l.theta == 0.5 || l.theta == 1.0) texto += juntar(" (", nome_esquema(l.theta), ")");
    if (mapa.passos.empty()) return texto;
    if (l.theta < 0.5)
        texto += juntar(": estável até F = ", real(limite_fourier_malha(l.theta, l.Nx)), " nesta malha (",
                        real(limite_fourier(l.theta)), " com a malha refinada).");
    else
        texto += ": estável em todo F >= 0.";
    auto nivel = [&](std::size_t f) -> const Nivel& { return mapa.ponto(th, f).nivel; };
    if (l.primeiro) {
        const Nivel& primeiro = nivel(*l.primeiro);
        texto += juntar(" Com F = ", real(primeiro.F), " o erro é ", real(primeiro.campo.maximo));
        switch (l.partes_do_primeiro.domina) {
            case QuemDomina::tempo: texto += ", o de tempo dominando."; break;
            case QuemDomina::espaco: texto += ", o de espaço dominando."; break;
            default: texto += "."; break;
        }
    }
    if (l.minimo)
        texto += juntar(" O erro cai a ", real(nivel(*l.minimo).campo.maximo), " em F = ", real(nivel(*l.minimo).F),
                        l.minimo_cancela ? ": ali os erros de tempo e de espaço, de sinais opostos, se cancelam (não é um "
                                           "ótimo do esquema)."
                                         : ".");
    if (l.tempo_desde) texto += juntar(" O de tempo domina a partir de F = ", real(nivel(*l.tempo_desde).F), ".");
    if (l.ultimo)
        texto += juntar(" No último F estável, ", real(nivel(*l.ultimo).F), ", o erro é ", real(nivel(*l.ultimo).campo.maximo), ".");
    if (l.oscila_desde)
        texto += juntar(" A partir de F = ", real(nivel(*l.oscila_desde).F), " a meia senoide troca de sinal a cada passo (A = ",
                        aproximado(nivel(*l.oscila_desde).fator_meia), ").");
    for (const GrupoInstavel& grupo : l.instaveis) texto += juntar(" ", pontos_instaveis(mapa, th, grupo));
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
