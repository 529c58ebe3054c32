#include "relatorio.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string_view>

namespace estudo {

namespace {

std::string com_formato(const char* formato, double valor) {
    if (std::isnan(valor)) return "nan";
    if (std::isinf(valor)) return valor > 0 ? "inf" : "-inf";
    char texto[64];
    std::snprintf(texto, sizeof texto, formato, valor);
    return texto;
}

std::string inteiro(std::int64_t valor) { return std::to_string(valor); }

// An order's cell: p with two decimals, the value not yet confirmed as an
// order in parentheses, or why there is none.
Celula celula_ordem(const Ordem& ordem) {
    switch (ordem.veredito) {
        case Veredito::ordem: return {valor_da_ordem(ordem), com_formato("%.17g", ordem.p)};
        case Veredito::pre_assintotico:
            if (std::isnan(ordem.p)) return celula_texto("-");
            return {valor_da_ordem(ordem), juntar("pré-assintótico (", com_formato("%.17g", ordem.p), ")")};
        case Veredito::instavel:
        case Veredito::arredondamento:
        case Veredito::sem_no_interior: return celula_texto(valor_da_ordem(ordem));
    }
    return celula_texto("-");
}

// A measured error's cell: "não finito" where the run left the double range.
Celula celula_erro(double valor, int casas = 3) {
    Celula c = celula_real(valor, casas);
    if (!std::isfinite(valor)) c.texto = "não finito";
    return c;
}

// The legend of the order cells of a table: the rule of every reason for
// pré that occurs in it, and what "arredondamento" and "não finito" mean.
void notas_das_ordens(Tabela& tabela, const std::vector<std::vector<Ordem>>& colunas, bool com_nao_finito) {
    std::vector<Motivo> motivos;
    bool arredondamento = false, troca = false;
    for (const std::vector<Ordem>& ordens : colunas)
        for (const Ordem& o : ordens) {
            arredondamento = arredondamento || o.veredito == Veredito::arredondamento;
            if (o.veredito != Veredito::pre_assintotico || std::isnan(o.p)) continue;
            if (o.motivo == Motivo::troca_de_sinal) {
                troca = true;
                continue;
            }
            if (std::find(motivos.begin(), motivos.end(), o.motivo) == motivos.end()) motivos.push_back(o.motivo);
        }
    if (!motivos.empty()) {
        std::string texto = "pré (p): pré-assintótico, p ainda não é ordem:";
        for (std::size_t j = 0; j < motivos.size(); ++j)
            texto += juntar(j == 0 ? " " : "; ", regra_do_motivo(motivos[j]));
        tabela.nota(quebrar(texto, "  "));
    }
    if (troca) tabela.nota("troca de sinal: os erros dos dois níveis têm sinais opostos, e a razão deles não é uma ordem");
    if (arredondamento)
        tabela.nota(quebrar(juntar("arredondamento: o arredondamento dos erros (a cota do nível) pode mover p mais de ",
                                   curto(maior_incerteza_da_ordem)),
                            "  "));
    if (com_nao_finito)
        tabela.nota("não finito: a corrida passou do maior double ou dividiu por zero; o erro não é um número");
}

std::string letra(Refinamento tipo) {
    switch (tipo) {
        case Refinamento::espaco_e_tempo: return "a";
        case Refinamento::espaco: return "b";
        case Refinamento::tempo: return "c";
    }
    return {};
}

std::string titulo(Refinamento tipo) {
    switch (tipo) {
        case Refinamento::espaco_e_tempo: return "(a) dx e dt divididos por 2 juntos";
        case Refinamento::espaco: return "(b) só dx dividido por 2, dt fixo";
        case Refinamento::tempo: return "(c) só dt dividido por 2, dx fixo";
    }
    return {};
}

std::string descricao_do_caso(const Caso& caso) {
    return juntar("Lx = ", curto(caso.Lx), " m, Nx = ", inteiro(caso.Nx), ", tf = ", curto(caso.tf),
                  " s, Nt = ", inteiro(caso.Nt), ", Ti = ", curto(caso.Ti), " ºC, theta = ", curto(caso.theta),
                  ", k = ", curto(caso.k), " W/m*K, ro = ", curto(caso.ro), " kg/m3, cp = ", curto(caso.cp),
                  " J/kg*K");
}

// The first columns of a level's row.
void colunas_do_nivel(Tabela& tabela, bool com_malha) {
    tabela.coluna("nível", 5);
    tabela.coluna("Nx", 6);
    tabela.coluna("Nt", 6);
    if (!com_malha) return;
    tabela.coluna("F", 9);
    tabela.coluna("estável", 7);
}
std::vector<Celula> celulas_do_nivel(std::size_t j, const Nivel& nivel, bool com_malha) {
    std::vector<Celula> celulas{celula_inteiro(static_cast<std::int64_t>(j + 1)), celula_inteiro(nivel.malha.Nx),
                                celula_inteiro(nivel.malha.Nt)};
    if (com_malha) {
        celulas.push_back(celula_real(nivel.F));
        celulas.push_back(celula_texto(nivel.estavel ? "sim" : "não"));
    }
    return celulas;
}

// One error of the levels with its order against the level before.
struct ErroComOrdem {
    const char* cabecalho;  // on the console and in the CSV
    const char* ordem_no_csv;  // the order's column in the CSV, "p do máximo"
    ErroDoNivel erro;
};

// A table of two errors of every level, each followed by its order.
Tabela tabela_de_dois_erros(const Serie& serie, double theta, std::string_view nome, std::string titulo, bool com_malha,
                            const ErroComOrdem& primeiro, const ErroComOrdem& segundo) {
    Tabela tabela(juntar("convergencia_", letra(serie.tipo), "_", nome), std::move(titulo));
    colunas_do_nivel(tabela, com_malha);
    const std::vector<Nivel>& niveis = serie.niveis;
    std::vector<std::vector<Ordem>> ordens;
    for (const ErroComOrdem* e : {&primeiro, &segundo}) {
        tabela.coluna(e->cabecalho, 9);
        tabela.coluna("p", 4, false, e->ordem_no_csv);
        ordens.push_back(ordens_da_serie(serie, theta, e->erro));
    }
    bool nao_finito = false;
    for (std::size_t j = 0; j < niveis.size(); ++j) {
        std::vector<Celula> linha = celulas_do_nivel(j, niveis[j], com_malha);
        const double a = primeiro.erro(niveis[j]).valor, b = segundo.erro(niveis[j]).valor;
        nao_finito = nao_finito || !std::isfinite(a) || !std::isfinite(b);
        linha.push_back(celula_erro(a));
        linha.push_back(celula_ordem(ordens[0][j]));
        linha.push_back(celula_erro(b));
        linha.push_back(celula_ordem(ordens[1][j]));
        tabela.linha(std::move(linha));
    }
    notas_das_ordens(tabela, ordens, nao_finito);
    return tabela;
}

Tabela tabela_campo(const Serie& serie, double theta) {
    return tabela_de_dois_erros(serie, theta, "campo", "Erro do campo em t = tf, nó a nó contra o campo exato, |T_exata - T| [ºC]:",
                                true, {"máximo", "p do máximo", maximo_do_campo}, {"rms", "p do rms", rms_do_campo});
}

// Where the middle node is on the levels: "x = 5.000e-01 m" when it is the
// same point on all, otherwise level by level.
std::string onde_esta_o_meio(const std::vector<Nivel>& niveis) {
    bool o_mesmo = true;
    for (const Nivel& n : niveis) o_mesmo = o_mesmo && std::fabs(n.x_meio - niveis.front().x_meio) <= 1e-12 * std::fabs(n.x_meio);
    if (o_mesmo) return juntar("x = ", real(niveis.front().x_meio), " m");
    std::string texto = "x =";
    for (std::size_t j = 0; j < niveis.size(); ++j)
        texto += juntar(j == 0 ? " " : ", ", real(niveis[j].x_meio), " m no nível ",
                        inteiro(static_cast<std::int64_t>(j + 1)));
    return juntar(texto, " (Nx par: o da esquerda dos dois centrais)");
}

Tabela tabela_media_e_meio(const Serie& serie, double theta) {
    Tabela tabela = tabela_de_dois_erros(
        serie, theta, "media_meio",
        "Erro máximo no tempo da temperatura média (contra a média dos trapézios do campo exato nos\n"
        "mesmos nós) e da temperatura no nó do meio [ºC]:",
        false, {"média", "p da média", maximo_da_media}, {"meio", "p do meio", maximo_do_meio});
    if (!serie.niveis.empty()) tabela.nota(quebrar(juntar("nó do meio: ", onde_esta_o_meio(serie.niveis)), "  "));
    return tabela;
}

Tabela tabela_listagem(const Serie& serie) {
    Tabela tabela(juntar("convergencia_", letra(serie.tipo), "_listagem"),
                  "Comparação da listagem: |Tm_an - Tm| contra a média exata de um termo,\n"
                  "2 Ti/pi exp(-pi² alpha t/Lx²). Soma ao erro do esquema o da regra dos trapézios, que já está\n"
                  "em t = 0: não mede o esquema. [ºC]");
    colunas_do_nivel(tabela, false);
    tabela.coluna("máximo", 9);
    tabela.coluna("em t [s]", 9);
    tabela.coluna("em t = tf", 9);
    for (std::size_t j = 0; j < serie.niveis.size(); ++j) {
        const Nivel& nivel = serie.niveis[j];
        std::vector<Celula> linha = celulas_do_nivel(j, nivel, false);
        linha.push_back(celula_erro(nivel.listagem.maximo));
        linha.push_back(celula_real(nivel.listagem.t_maximo));
        linha.push_back(celula_erro(std::fabs(nivel.listagem.final)));
        tabela.linha(std::move(linha));
    }
    return tabela;
}

// A part of the split: past the double range (the half sine grows), its
// value from log10 |A|^Nt, the sign of -Ti A^Nt.
Celula celula_parte(double valor, const Nivel& n, double Ti_sinal) {
    if (std::isfinite(valor) || std::isnan(valor) || !std::isfinite(n.log10_A_Nt)) return celula_real(valor);
    const bool A_Nt_negativo = n.fator_meia < 0.0 && n.malha.Nt % 2 == 1;
    const std::string texto = real_de_log10(n.log10_A_Nt, (Ti_sinal > 0.0) != A_Nt_negativo);
    return {texto, texto};
}

// The error of the data's own mode at tf split by the closed forms.
Tabela tabela_partes(const Serie& serie) {
    Tabela tabela(juntar("convergencia_", letra(serie.tipo), "_partes"),
                  "Erro da meia senoide em t = tf dividido pelas soluções exatas de cada malha, na amplitude Ti\n"
                  "(exata menos numérica [ºC]): tempo = exp(-4 F s² Nt) - A^Nt, espaço = exata - exp(-4 F s² Nt):");
    colunas_do_nivel(tabela, false);
    tabela.coluna("tempo", 10);
    tabela.coluna("espaço", 10);
    tabela.coluna("soma", 10);
    tabela.coluna("domina", 6);
    tabela.coluna("cota do tempo", 0, false, {}, true);
    tabela.coluna("cota do espaço", 0, false, {}, true);
    bool incerto = false;
    for (std::size_t j = 0; j < serie.niveis.size(); ++j) {
        const Nivel& n = serie.niveis[j];
        std::vector<Celula> linha = celulas_do_nivel(j, n, false);
        if (n.malha.Nx < 3) {  // no interior node: the half sine is no mode of this grid
            linha.insert(linha.end(), 4, celula_texto("-"));
            tabela.linha(std::move(linha));
            continue;
        }
        // The sign of Ti: the parts are Ti times those of the unit amplitude.
        const double Ti_sinal = n.parte_espaco < 0.0 ? 1.0 : -1.0;
        const LeituraDasPartes partes = ler_partes(Cotado{n.parte_tempo, n.cota_tempo}, Cotado{n.parte_espaco, n.cota_espaco});
        linha.push_back(celula_parte(n.parte_tempo, n, Ti_sinal));
        linha.push_back(celula_real(n.parte_espaco));
        linha.push_back(celula_parte(n.parte_tempo + n.parte_espaco, n, Ti_sinal));
        const char* domina = partes.domina == QuemDomina::tempo    ? "tempo"
                             : partes.domina == QuemDomina::espaco ? "espaço"
                             : partes.domina == QuemDomina::indefinido ? "incerto"
                                                                        : "-";
        incerto = incerto || partes.domina == QuemDomina::indefinido;
        linha.push_back(celula_texto(domina));
        linha.push_back(celula_real(n.cota_tempo));
        linha.push_back(celula_real(n.cota_espaco));
        tabela.linha(std::move(linha));
    }
    if (incerto) tabela.nota("incerto: as duas partes têm o mesmo tamanho dentro das suas cotas de arredondamento");
    return tabela;
}

// Orders from three successive signed errors at tf, in which the part of the
// error made by the step that is not refined cancels.
Tabela tabela_diferencas(const Serie& serie) {
    const bool tempo = serie.tipo == Refinamento::tempo;
    Tabela tabela(juntar("convergencia_", letra(serie.tipo), "_diferencas"),
                  tempo ? "Ordem no tempo pelas diferenças dos erros em t = tf de três níveis (o erro de espaço, o "
                          "mesmo\nem todos, se cancela):"
                        : "Ordem no espaço pelas diferenças dos erros em t = tf de três níveis (o erro de tempo, o "
                          "mesmo\nem todos, se cancela):");
    tabela.coluna("níveis", 6);
    tabela.coluna("p do meio", 9);
    tabela.coluna("p da média", 10);
    const std::vector<Nivel>& v = serie.niveis;
    const std::vector<Ordem> do_meio = ordens_das_diferencas(serie, meio_final);
    const std::vector<Ordem> da_media = ordens_das_diferencas(serie, media_final);
    for (std::size_t j = 2; j < v.size(); ++j) {
        tabela.linha({celula_texto(juntar(inteiro(static_cast<std::int64_t>(j - 1)), "-",
                                          inteiro(static_cast<std::int64_t>(j)), "-",
                                          inteiro(static_cast<std::int64_t>(j + 1)))),
                      celula_ordem(do_meio[j]), celula_ordem(da_media[j])});
    }
    notas_das_ordens(tabela, {do_meio, da_media}, false);
    return tabela;
}

}  // namespace

std::string real(double valor, int casas) {
    if (!std::isfinite(valor)) return com_formato("%g", valor);
    char texto[64];
    std::snprintf(texto, sizeof texto, "%.*e", casas, valor);
    return texto;
}

std::string real_de_log10(double log10_absoluto, bool negativo, int casas) {
    if (!std::isfinite(log10_absoluto) || log10_absoluto < 300.0) {
        const double valor = std::pow(10.0, log10_absoluto);
        return real(negativo ? -valor : valor, casas);
    }
    double expoente = std::floor(log10_absoluto);
    double mantissa = std::pow(10.0, log10_absoluto - expoente);
    // The mantissa as printed may round up to 10.
    char texto[64];
    std::snprintf(texto, sizeof texto, "%.*f", casas, mantissa);
    if (std::strtod(texto, nullptr) >= 10.0) {
        mantissa /= 10.0;
        expoente += 1.0;
        std::snprintf(texto, sizeof texto, "%.*f", casas, mantissa);
    }
    return juntar(negativo ? "-" : "", texto, "e+", com_formato("%.0f", expoente));
}

int casas_para_distinguir(double a, double b, int casas) {
    if (!(a != b) || !std::isfinite(a) || !std::isfinite(b)) return casas;
    while (casas < 16 && real(a, casas) == real(b, casas)) ++casas;
    return casas;
}

std::string porcento(double fracao) {
    const double cento = 100.0 * fracao;
    if (cento > 0.0 && cento < 0.01) return "menos de 0.01%";
    char texto[32];
    if (std::fabs(cento) < 10.0 && cento != 0.0)
        std::snprintf(texto, sizeof texto, "%.2g%%", cento);
    else
        std::snprintf(texto, sizeof texto, "%.0f%%", cento);
    return texto;
}

std::string porcento(double fracao, double cota) {
    if (cota <= 0.005 * std::fabs(fracao)) return porcento(fracao);
    return juntar("menos de ", porcento(fracao + cota));
}

std::string valor_da_ordem(const Ordem& ordem) {
    const std::string p = com_formato("%.2f", std::fabs(ordem.p) < 0.005 ? 0.0 : ordem.p);
    switch (ordem.veredito) {
        case Veredito::ordem: return p;
        // Errors of opposite signs have no order: the log of the ratio of
        // their absolute values is none, so it is not shown.
        case Veredito::pre_assintotico:
            if (std::isnan(ordem.p)) return "-";
            return ordem.motivo == Motivo::troca_de_sinal ? "troca de sinal" : juntar("pré (", p, ")");
        case Veredito::instavel: return "instável";
        case Veredito::arredondamento: return "arredondamento";
        case Veredito::sem_no_interior: return "sem nó interior";
    }
    return {};
}

std::string regra_do_motivo(Motivo motivo) {
    switch (motivo) {
        case Motivo::troca_de_sinal: return "o erro troca de sinal entre os dois níveis";
        case Motivo::cresce: return juntar("o erro cresce (p <= -", curto(menor_ordem), ")");
        case Motivo::quase_parado: return juntar("o erro quase não muda (|p| < ", curto(menor_ordem), ")");
        case Motivo::saturacao:
            return juntar("o erro satura no do passo fixo (", porcento(fracao_da_saturacao),
                          " ou mais das duas partes nos dois níveis)");
        case Motivo::sem_vizinho: return "um só par, ou nenhum vizinho com ordem, com que conferir";
        case Motivo::cancelamento:
            return juntar("tempo e espaço, de sinais opostos, se cancelam (a soma abaixo de ",
                          porcento(fracao_do_cancelamento), " da parte maior)");
        case Motivo::amostragem:
            return juntar("a amostragem da meia senoide pela malha grossa desloca p em ", curto(limiar_da_amostragem),
                          " ou mais");
        case Motivo::parte_fixa:
            return juntar("o erro do passo fixo é ", porcento(peso_que_conta), " ou mais das duas partes no nível fino");
        case Motivo::mistura:
            return juntar("os erros de tempo (ordem 1) e de espaço (ordem 2) pesam os dois (", porcento(peso_que_conta),
                          " ou mais)");
        case Motivo::deriva: return juntar("p difere mais de ", porcento(concordancia_das_ordens), " do do par vizinho");
        case Motivo::nenhum: break;
    }
    return {};
}

std::string curto(double valor) { return com_formato("%g", valor); }

std::string aproximado(double valor) {
    std::string texto = com_formato("%.4g", valor);
    // A factor just past 1 in absolute value would print as 1, on its bound.
    for (int digitos = 5; digitos <= 17 && std::fabs(valor) != 1.0 && (texto == "1" || texto == "-1"); ++digitos) {
        char mais[64];
        std::snprintf(mais, sizeof mais, "%.*g", digitos, valor);
        texto = mais;
    }
    return texto;
}

std::string fator_de_modo(double A) { return real(A, casas_para_distinguir(std::fabs(A), 1.0, 4)); }

std::string resumo_da_malha(double theta, std::int32_t Nx, std::int32_t Nt, double F) {
    return juntar("theta = ", curto(theta), ", Nx = ", inteiro(Nx), ", Nt = ", inteiro(Nt), ", F = ", real(F));
}

std::string nome_esquema(double theta) {
    if (theta == 0.0) return "explícito";
    if (theta == 0.5) return "Crank-Nicolson";
    if (theta == 1.0) return "implícito";
    return juntar("theta = ", curto(theta));
}

std::string texto_caso(const Caso& caso, double alpha, double dx, double dt) {
    return juntar("Caso de entradas_geral.ent\n  Lx = ", curto(caso.Lx), " m, Nx = ", inteiro(caso.Nx),
                  ", tf = ", curto(caso.tf), " s, Nt = ", inteiro(caso.Nt), ", Ti = ", curto(caso.Ti),
                  " ºC, theta = ", curto(caso.theta), "\n  k = ", curto(caso.k), " W/m*K, ro = ", curto(caso.ro),
                  " kg/m3, cp = ", curto(caso.cp), " J/kg*K, alpha = k/(ro cp) = ", real(alpha),
                  " m2/s\n  dx = ", real(dx), " m, dt = ", real(dt), " s\n");
}

namespace {

using Numero = std::function<std::string(double)>;

std::string veredito_de_estabilidade(const Estabilidade& e, const Numero& numero) {
    std::string texto = juntar(
        "Estabilidade (nenhum modo cresce), dois vereditos:\n"
        "  nesta malha, Nx = ", inteiro(e.Nx), ": F <= 1/(2(1 - 2 theta) cos²(pi/(2(Nx - 1)))) = ",
        numero(e.limite_malha), "\n  com a malha refinada a este F (dx -> 0): F <= 1/(2(1 - 2 theta)) = ",
        numero(e.limite), "\n");
    if (!e.estavel_malha) return juntar(texto, "  FORA do limite desta malha: instável\n");
    if (!e.estavel) return juntar(texto, "  estável nesta malha; FORA do limite das malhas refinadas: instável se a malha\n"
                                         "  for refinada com este F\n");
    return juntar(texto, "  dentro dos dois limites: estável nesta malha e em qualquer refinamento com este F\n");
}

// What a mode of factor A does, in words, after its factor.
std::string o_que_o_modo_faz(double A, std::int32_t Nt, bool conta_o_ruido) {
    switch (comportamento(A)) {
        case Comportamento::decai: return "0 <= A <= 1: decai sem trocar de sinal";
        case Comportamento::oscila: return "-1 <= A < 0: troca de sinal a cada passo (oscila) e decai";
        case Comportamento::cresce: break;
    }
    std::string texto = juntar("|A| > 1: cresce ", fator_de_modo(std::fabs(A)), " vezes por passo",
                               A < 0.0 ? ", trocando de sinal" : "");
    if (!conta_o_ruido) return texto;
    // Round-off of about 1e-16 of the field grows |A| times a step.
    const double vezes = std::log10(std::fabs(A)) * static_cast<double>(Nt);
    const double passos = std::ceil(passos_para_crescer(A, crescimento_do_ruido));
    // Broken to the console's width after the caller's indent of four.
    const std::string frase = juntar("    ", texto, "; o arredondamento (1e-16 do campo) cresce 10^10 vezes em ",
                                     com_formato("%.0f", passos), passos == 1.0 ? " passo" : " passos", "; em Nt = ",
                                     inteiro(Nt), " passos, 10^", com_formato("%.0f", std::floor(vezes)), " vezes");
    return quebrar(frase, "    ").substr(4);
}

std::string dentro_ou_fora(double F, double limite) { return F <= limite ? "dentro" : "FORA"; }

std::string oscilacao_de_sinal(const Estabilidade& e, const Numero& numero) {
    if (e.theta >= 1.0) return "Oscilação de sinal: com theta >= 1 nenhum modo troca de sinal de um passo ao outro\n";
    const bool oscila = e.meia_senoide.discreto < 0.0;
    return juntar(
        "Oscilação de sinal: um modo troca de sinal a cada passo quando 4(1 - theta) F s² > 1:\n"
        "  a meia senoide, F <= 1/(4(1 - theta) s²) = ", numero(e.limite_oscilacao_meia), ": ",
        oscila ? "FORA, a solução troca de sinal a cada passo\n" : "dentro, a solução não troca de sinal\n",
        "  todo modo de qualquer malha, F <= 1/(4(1 - theta)) = ", numero(e.limite_oscilacao), ": ",
        dentro_ou_fora(e.F, e.limite_oscilacao), "\n",
        "  princípio do máximo discreto (nenhum valor novo fora da faixa dos de antes):\n"
        "    F <= 1/(2(1 - theta)) = ", numero(e.limite_maximo), ": ", dentro_ou_fora(e.F, e.limite_maximo), "\n");
}

}  // namespace

std::string texto_estabilidade(const Estabilidade& e) {
    // F and its bounds with the digits that show on which side of each it is.
    int casas = 3;
    for (double limite : {e.limite_malha, e.limite, e.limite_oscilacao_meia, e.limite_oscilacao, e.limite_maximo})
        casas = std::max(casas, casas_para_distinguir(e.F, limite));
    const auto numero = [casas](double v) { return real(v, casas); };
    std::string texto = juntar("Número de Fourier da malha: F = alpha dt/dx² = ", numero(e.F), "\n");
    if (std::isnan(e.limite)) return juntar(texto, "Estabilidade: theta não é um número, sem veredito\n");
    if (e.Nx < 3)
        return juntar(texto, "Sem nó interior (Nx < 3): a malha não tem modo algum a amplificar; o campo é zero\n"
                             "a partir do primeiro passo; use Nx >= 3\n");
    if (e.F < 0.0) {
        texto += "Estabilidade: F < 0 (k, ro ou cp negativo): a equação anda para trás no tempo, todo modo cresce,\n"
                 "e a exata também; instável em qualquer malha, com qualquer theta\n";
    } else if (std::isinf(e.limite)) {
        texto += "Estabilidade: theta >= 1/2, incondicionalmente estável (nenhum limite para F, em qualquer malha)\n";
    } else {
        texto += veredito_de_estabilidade(e, numero);
    }
    const Amplificacao& a = e.meia_senoide;
    texto += juntar(
        "\nFator de amplificação de um passo de tempo do modo sin(m pi x/Lx), m = 1 a Nx - 2, da malha:\n"
        "A = (1 - 4(1 - theta) F s²)/(1 + 4 theta F s²), s = sin(m pi dx/(2 Lx))\n"
        "  meia senoide, m = 1, o modo dos dados (a solução é exatamente Ti sin(pi x/Lx) A^n):\n"
        "    A do esquema theta                    = ", real(a.discreto, 12), "\n",
        "    exp(-4 F s²), tempo exato nesta malha = ", real(a.semidiscreto, 12), "\n",
        "    exp(-pi² alpha dt/Lx²), exato         = ", real(a.exato, 12), "\n");
    if (e.passo.A > 0.0) {
        // The ratios from the logarithms of the factors (exatas.hpp): formed
        // directly they would be round-off.
        const RazoesDoPasso& r = e.razoes;
        texto += juntar("    A/exato - 1 = ", real(r.total.valor), ": tempo A/exp(-4 F s²) - 1 = ", real(r.tempo.valor),
                        ",\n    espaço exp(-4 F s²)/exato - 1 = ", real(r.espaco.valor), "\n",
                        "    após Nt = ", inteiro(e.Nt), " passos: (A/exato)^Nt - 1 = ", real(r.total_em_tf.valor),
                        " (erro relativo do modo em t = tf)\n");
    }
    const bool outro_mais_rapido = e.rapido.m != 0 && e.rapido.m != e.Nx - 2 && !(std::fabs(e.rapido.A) <= 1.0) &&
                                   !(std::fabs(e.rapido.A) <= std::fabs(e.pior));
    texto += juntar(
        "    ", o_que_o_modo_faz(a.discreto, e.Nt, false), "\n",
        "  modo mais alto da malha, m = Nx - 2, s² = cos²(pi/(2(Nx - 1))) = ", real(e.s2_pior, 4), ": A = ",
        fator_de_modo(e.pior), "\n    ", o_que_o_modo_faz(e.pior, e.Nt, !outro_mais_rapido),
        comportamento(e.pior) == Comportamento::cresce ? "\n" : "; o arredondamento nele não cresce\n");
    if (outro_mais_rapido)
        texto += juntar("  modo que mais cresce, m = ", inteiro(e.rapido.m), ", s² = ", real(e.rapido.s2, 4), ": A = ",
                        fator_de_modo(e.rapido.A),
                        e.theta * e.F < 0.0 ? "\n    (com theta F < 0 o denominador 1 + 4 theta F s² se anula perto dele)"
                                            : "",
                        "\n    ", o_que_o_modo_faz(e.rapido.A, e.Nt, true), "\n");
    if (e.rapido.m_singular != 0)
        texto += juntar("  modo m = ", inteiro(e.rapido.m_singular), ": 1 + 4 theta F s² = ", real(e.rapido.denominador),
                        ", zero dentro do arredondamento:\n    a matriz implícita é singular, e o passo divide esse modo "
                        "por quase zero\n");
    return juntar(texto, "\n", oscilacao_de_sinal(e, numero));
}

Tabela tabela_estabilidade(const Estabilidade& e) {
    Tabela tabela("estabilidade", "");
    for (const char* coluna :
         {"theta", "F", "limite de F", "estável", "A meia senoide", "A exato", "A pior modo", "passos para 10^10", "Nt",
          "Nx", "limite de F nesta malha", "estável nesta malha", "s² do pior modo",
          "limite sem oscilação da meia senoide", "limite sem oscilação", "limite do princípio do máximo",
          "modo que mais cresce", "A do modo que mais cresce", "modo singular"})
        tabela.coluna(coluna, 0);
    tabela.linha({celula_real(e.theta), celula_real(e.F), celula_real(e.limite), celula_texto(e.estavel ? "sim" : "não"),
                  celula_real(e.meia_senoide.discreto, 12), celula_real(e.meia_senoide.exato, 12),
                  celula_real(e.pior), celula_real(e.passos_ruido), celula_inteiro(e.Nt), celula_inteiro(e.Nx),
                  celula_real(e.limite_malha), celula_texto(e.estavel_malha ? "sim" : "não"), celula_real(e.s2_pior),
                  celula_real(e.limite_oscilacao_meia), celula_real(e.limite_oscilacao), celula_real(e.limite_maximo),
                  celula_inteiro(e.rapido.m), celula_real(e.rapido.A), celula_inteiro(e.rapido.m_singular)});
    return tabela;
}

namespace {

// %g with the significant digits that show a and b differ (at least 3).
std::pair<std::string, std::string> distintos(double a, double b) {
    int casas = 3;
    while (casas < 17 && com_formato(juntar("%.", std::to_string(casas), "g").c_str(), a) ==
                             com_formato(juntar("%.", std::to_string(casas), "g").c_str(), b) && a != b)
        ++casas;
    const std::string formato = juntar("%.", std::to_string(casas), "g");
    return {com_formato(formato.c_str(), a), com_formato(formato.c_str(), b)};
}

}  // namespace

std::string titulo_de_estabilidade(const Estabilidade& e, const std::optional<std::int32_t>& Nt_minimo) {
    if (e.Nx < 3) return "Nx < 3: não há nó interior, só as faces a 0 °C";
    const std::string F = juntar("F = α·dt/dx² = ", com_formato("%.3g", e.F));
    if (!std::isfinite(e.F)) return "F = α·dt/dx² não é um número finito";
    std::string texto;
    if (e.F < 0.0) {
        texto = juntar(F, " < 0 (k, ro ou cp negativo): INSTÁVEL\na solução cresce sem limite, a exata também");
    } else if (std::isinf(e.limite)) {
        texto = juntar(F, "; θ ≥ 0.5: estável para todo F ≥ 0");
    } else {
        const auto [f, limite] = distintos(e.F, e.limite_malha);
        texto = juntar("F = α·dt/dx² = ", f, e.estavel_malha ? " ≤ " : " > ", limite, ", o limite de estabilidade desta malha");
        if (!e.estavel_malha)
            texto += juntar(": INSTÁVEL\nestável com ",
                            Nt_minimo ? juntar("Nt ≥ ", std::to_string(*Nt_minimo), " ou ") : std::string(), "θ ≥ 0.5");
    }
    if (e.meia_senoide.discreto < 0.0)
        texto += "\na meia senoide troca de sinal a cada passo (seu fator de um passo é negativo)";
    return texto;
}

std::vector<Tabela> tabelas_serie(const Serie& serie, double theta) {
    std::vector<Tabela> tabelas{tabela_campo(serie, theta), tabela_media_e_meio(serie, theta), tabela_partes(serie),
                                tabela_listagem(serie)};
    if (serie.tipo != Refinamento::espaco_e_tempo && serie.niveis.size() >= 3)
        tabelas.push_back(tabela_diferencas(serie));
    return tabelas;
}

std::string bloco_do_caso(double theta, std::int32_t Nx, std::int32_t Nt, double F) {
    return juntar("# index 0, o caso: 1 theta, 2 Nx, 3 Nt, 4 F\n", real(theta, 10), " ", inteiro(Nx), " ",
                  inteiro(Nt), " ", real(F, 10), "\n");
}

std::string texto_arquivo_convergencia(const Caso& caso, double F, const std::vector<Serie>& series) {
    std::string texto = juntar(
        "# Estudo de convergência de difusao_calor: erros do esquema contra a solução exata em malhas refinadas\n"
        "# caso: ", descricao_do_caso(caso), "\n",
        "# index 1 a ", inteiro(static_cast<std::int64_t>(series.size())),
        ": um bloco por refinamento, colunas:\n"
        "#   1 nível, 2 Nx, 3 Nt, 4 dx [m], 5 dt [s], 6 F = alpha dt/dx², 7 estável (1 sim, 0 não),\n"
        "#   8 máx e 9 rms nó a nó de |T_exata - T| em t = tf [ºC],\n"
        "#   10 máx no tempo e 11 em t = tf de |Tm_trap_exata - Tm|, contra a média dos trapézios do campo exato,\n"
        "#   12 máx no tempo e 13 em t = tf de |Tmeio_exata - Tmeio|, no nó do meio,\n"
        "#   14 máx no tempo, 15 em t = tf e 16 o tempo do máximo de |Tm_an - Tm| (a comparação da listagem,\n"
        "#      contra a média exata de um termo: inclui o erro da regra dos trapézios),\n"
        "#   17 piso de arredondamento do nível [ºC],\n"
        "#   18 e 19 o erro da meia senoide em t = tf dividido pelas soluções exatas da malha, na amplitude Ti,\n"
        "#      exata menos numérica [ºC]: 18 o de tempo, exp(-4 F s² Nt) - A^Nt, 19 o de espaço, exata -\n"
        "#      exp(-4 F s² Nt)\n");
    for (std::size_t b = 0; b < series.size(); ++b)
        texto += juntar("#   index ", inteiro(static_cast<std::int64_t>(b + 1)), ": ", titulo(series[b].tipo), "\n");
    texto += bloco_do_caso(caso.theta, caso.Nx, caso.Nt, F);
    for (const Serie& serie : series) {
        texto += juntar("\n\n# ", titulo(serie.tipo), "\n");
        for (std::size_t j = 0; j < serie.niveis.size(); ++j) {
            const Nivel& n = serie.niveis[j];
            texto += juntar(inteiro(static_cast<std::int64_t>(j + 1)), " ", inteiro(n.malha.Nx), " ",
                            inteiro(n.malha.Nt), " ", real(n.dx, 8), " ", real(n.dt, 8), " ", real(n.F, 8), " ",
                            n.estavel ? "1" : "0");
            for (double valor : {n.campo.maximo, n.campo.rms, n.media.maximo, std::fabs(n.media.final), n.meio.maximo,
                                 std::fabs(n.meio.final), n.listagem.maximo, std::fabs(n.listagem.final),
                                 n.listagem.t_maximo, n.piso, n.parte_tempo, n.parte_espaco}) {
                texto += ' ';
                texto += real(valor, 8);
            }
            texto += '\n';
        }
    }
    return texto;
}

namespace {

// A/exact - 1 of the half sine, without cancellation where A > 0.
double razao_ao_exato(const Esquema& e) {
    if (e.nivel.passo.A > 0.0) return razoes_do_passo(e.nivel.passo, e.nivel.malha.Nt).total.valor;
    return e.amplificacao.discreto / e.amplificacao.exato - 1.0;
}

}  // namespace

Tabela tabela_comparacao(const std::vector<Esquema>& esquemas) {
    Tabela tabela("comparacao_esquemas",
                  "Comparação dos esquemas na malha da entrada; erros do esquema contra o campo exato [ºC]\n"
                  "(máximos em valor absoluto; no nó do meio, exata menos numérica, com sinal):");
    tabela.coluna("theta", 5);
    tabela.coluna("estável", 7);
    tabela.coluna("A/exato - 1", 9);
    tabela.coluna("campo em tf", 9);
    tabela.coluna("média", 9);
    tabela.coluna("meio em tf", 9);
    tabela.coluna("só tempo", 9);
    tabela.coluna("só espaço", 9);
    tabela.coluna("listagem", 9);
    tabela.coluna("arredondamento no meio em tf", 0, false, {}, true);
    for (const Esquema& e : esquemas) {
        const EstadoDoPonto estado = estado_do_ponto(e.nivel);
        tabela.linha({celula_texto(curto(e.theta)),
                      celula_texto(estado == EstadoDoPonto::instavel ? "não"
                                   : estado == EstadoDoPonto::oscila ? "oscila"
                                                                     : "sim"),
                      // Two decimals keep the row within 100 columns even
                      // with the huge errors of an unstable scheme.
                      celula_real(razao_ao_exato(e), 2), celula_erro(e.nivel.campo.maximo, 2),
                      celula_erro(e.nivel.media.maximo, 2), celula_erro(e.nivel.meio.final, 2),
                      celula_real(e.erro_tempo_meio, 2),
                      celula_real(e.erro_espaco_meio, 2), celula_real(e.nivel.listagem.maximo, 2),
                      celula_real(e.arredondamento_meio)});
    }
    if (!esquemas.empty())
        tabela.nota(juntar("theta: 0 explícito, 0.5 Crank-Nicolson, 1 implícito; nó do meio em x = ",
                           real(esquemas.front().nivel.x_meio), " m"));
    return tabela;
}

std::string cabecalho_arquivo_comparacao(const Caso& caso, double F, const std::vector<Esquema>& esquemas) {
    std::string texto = juntar(
        "# Temperatura média da placa pelos esquemas theta, na malha de entradas_geral.ent, e a solução exata\n"
        "# caso: ", descricao_do_caso(caso), "\n",
        "# index 1, colunas: 1 tempo [s], 2 Tm exata de um termo (a da listagem) [ºC], 3 média dos trapézios do campo "
        "exato nos nós [ºC]");
    int coluna = 4;
    for (const Esquema& e : esquemas)
        texto += juntar(", ", inteiro(coluna++), " Tm theta = ", curto(e.theta), " (", nome_esquema(e.theta), ")");
    texto += "\n";
    texto += bloco_do_caso(caso.theta, caso.Nx, caso.Nt, F);
    return juntar(texto, "\n\n");
}

std::string linha_comparacao(double tempo, double exata, double exata_trapezios, std::span<const double> medias) {
    std::string linha = juntar(real(tempo, 10), " ", real(exata, 10), " ", real(exata_trapezios, 10));
    for (double media : medias) {
        linha += ' ';
        linha += real(media, 10);
    }
    linha += '\n';
    return linha;
}

}  // namespace estudo
