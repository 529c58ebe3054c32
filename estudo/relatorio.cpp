#include "relatorio.hpp"

#include <cmath>
#include <cstdio>
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

// An order's cell: p with two decimals, or why there is none.
Celula celula_ordem(const Ordem& ordem) {
    switch (ordem.veredito) {
        case Veredito::ordem: {
            const double p = std::fabs(ordem.p) < 0.005 ? 0.0 : ordem.p;
            return {com_formato("%.2f", p), com_formato("%.17g", ordem.p)};
        }
        case Veredito::instavel: return celula_texto("instável");
        case Veredito::arredondamento: return celula_texto("no arredondamento");
        case Veredito::nao_assintotico: return celula_texto("não assintótico");
    }
    return celula_texto("-");
}

Celula sem_ordem() { return {"-", ""}; }

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

// The order of one error of level j against level j - 1.
template <typename Erro>
Celula ordem_do_nivel(const std::vector<Nivel>& niveis, std::size_t j, Erro erro) {
    if (j == 0) return sem_ordem();
    return celula_ordem(ordem_entre(niveis[j - 1], niveis[j], erro(niveis[j - 1]), erro(niveis[j])));
}

Tabela tabela_campo(const Serie& serie) {
    Tabela tabela(juntar("convergencia_", letra(serie.tipo), "_campo"),
                  "Erro do campo em t = tf, nó a nó contra o campo exato, |T_exata - T| [ºC]:");
    colunas_do_nivel(tabela, true);
    tabela.coluna("máximo", 9);
    tabela.coluna("p", 4);
    tabela.coluna("rms", 9);
    tabela.coluna("p", 4);
    const std::vector<Nivel>& niveis = serie.niveis;
    for (std::size_t j = 0; j < niveis.size(); ++j) {
        std::vector<Celula> linha = celulas_do_nivel(j, niveis[j], true);
        linha.push_back(celula_real(niveis[j].campo.maximo));
        linha.push_back(ordem_do_nivel(niveis, j, [](const Nivel& n) { return n.campo.maximo; }));
        linha.push_back(celula_real(niveis[j].campo.rms));
        linha.push_back(ordem_do_nivel(niveis, j, [](const Nivel& n) { return n.campo.rms; }));
        tabela.linha(std::move(linha));
    }
    return tabela;
}

Tabela tabela_media_e_meio(const Serie& serie) {
    Tabela tabela(juntar("convergencia_", letra(serie.tipo), "_media_meio"),
                  "Erro máximo no tempo da temperatura média (contra a média dos trapézios do campo exato nos\n"
                  "mesmos nós) e da temperatura no nó do meio [ºC]:");
    colunas_do_nivel(tabela, false);
    tabela.coluna("média", 9);
    tabela.coluna("p", 4);
    tabela.coluna("meio", 9);
    tabela.coluna("p", 4);
    const std::vector<Nivel>& niveis = serie.niveis;
    for (std::size_t j = 0; j < niveis.size(); ++j) {
        std::vector<Celula> linha = celulas_do_nivel(j, niveis[j], false);
        linha.push_back(celula_real(niveis[j].media.maximo));
        linha.push_back(ordem_do_nivel(niveis, j, [](const Nivel& n) { return n.media.maximo; }));
        linha.push_back(celula_real(niveis[j].meio.maximo));
        linha.push_back(ordem_do_nivel(niveis, j, [](const Nivel& n) { return n.meio.maximo; }));
        tabela.linha(std::move(linha));
    }
    return tabela;
}

Tabela tabela_listagem(const Serie& serie) {
    Tabela tabela(juntar("convergencia_", letra(serie.tipo), "_listagem"),
                  "Comparação da listagem: |Tm_an - Tm| contra a média exata de um termo, 2 Ti/pi exp(-pi² alpha "
                  "t/Lx²).\nSoma ao erro do esquema o da regra dos trapézios, que já está em t = 0: não mede o "
                  "esquema. [ºC]");
    colunas_do_nivel(tabela, false);
    tabela.coluna("máximo", 9);
    tabela.coluna("em t [s]", 9);
    tabela.coluna("em t = tf", 9);
    for (std::size_t j = 0; j < serie.niveis.size(); ++j) {
        const Nivel& nivel = serie.niveis[j];
        std::vector<Celula> linha = celulas_do_nivel(j, nivel, false);
        linha.push_back(celula_real(nivel.listagem.maximo));
        linha.push_back(celula_real(nivel.listagem.t_maximo));
        linha.push_back(celula_real(std::fabs(nivel.listagem.final)));
        tabela.linha(std::move(linha));
    }
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
    for (std::size_t j = 2; j < v.size(); ++j) {
        tabela.linha({celula_texto(juntar(inteiro(static_cast<std::int64_t>(j - 1)), "-",
                                          inteiro(static_cast<std::int64_t>(j)), "-",
                                          inteiro(static_cast<std::int64_t>(j + 1)))),
                      celula_ordem(ordem_das_diferencas(v[j - 2], v[j - 1], v[j], v[j - 2].meio.final,
                                                        v[j - 1].meio.final, v[j].meio.final)),
                      celula_ordem(ordem_das_diferencas(v[j - 2], v[j - 1], v[j], v[j - 2].media.final,
                                                        v[j - 1].media.final, v[j].media.final))});
    }
    return tabela;
}

// The first level past the stability bound, or 0.
std::size_t primeiro_instavel(const std::vector<Nivel>& niveis) {
    for (std::size_t j = 0; j < niveis.size(); ++j)
        if (!niveis[j].estavel) return j + 1;
    return 0;
}

// The field's last order in words.
std::string ultima_ordem(const std::vector<Nivel>& niveis) {
    if (niveis.size() < 2) return {};
    const std::size_t j = niveis.size() - 1;
    const Ordem o = ordem_entre(niveis[j - 1], niveis[j], niveis[j - 1].campo.maximo, niveis[j].campo.maximo);
    const std::string entre = juntar("Entre os níveis ", inteiro(static_cast<std::int64_t>(j)), " e ",
                                     inteiro(static_cast<std::int64_t>(j + 1)), " o erro máximo do campo ");
    switch (o.veredito) {
        case Veredito::ordem: return juntar(entre, "mostra p = ", com_formato("%.2f", o.p), ".");
        case Veredito::instavel: return juntar(entre, "não dá ordem: há nível instável.");
        case Veredito::arredondamento: return juntar(entre, "está no arredondamento: não dá ordem.");
        case Veredito::nao_assintotico: return juntar(entre, "não cai: não dá ordem.");
    }
    return {};
}

}  // namespace

std::string real(double valor, int casas) {
    if (!std::isfinite(valor)) return com_formato("%g", valor);
    char texto[64];
    std::snprintf(texto, sizeof texto, "%.*e", casas, valor);
    return texto;
}

std::string curto(double valor) { return com_formato("%g", valor); }

std::string aproximado(double valor) { return com_formato("%.4g", valor); }

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

std::string veredito_de_estabilidade(const Estabilidade& e) {
    std::string texto = juntar(
        "Estabilidade (nenhum modo cresce), dois vereditos:\n"
        "  nesta malha, Nx = ", inteiro(e.Nx), ": F <= 1/(2(1 - 2 theta) cos²(pi/(2(Nx - 1)))) = ",
        real(e.limite_malha), "\n  com a malha refinada a este F (dx -> 0): F <= 1/(2(1 - 2 theta)) = ",
        real(e.limite), "\n");
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
    std::string texto = juntar("|A| > 1: cresce ", real(std::fabs(A), 4), " vezes por passo",
                               A < 0.0 ? ", trocando de sinal" : "");
    if (!conta_o_ruido) return texto;
    // Round-off of about 1e-16 of the field grows |A| times a step.
    const double vezes = std::log10(std::fabs(A)) * static_cast<double>(Nt);
    return juntar(texto, "; o arredondamento (1e-16 do campo)\n    cresce 10^10 vezes em ",
                  com_formato("%.0f", std::ceil(passos_para_crescer(A, crescimento_do_ruido))),
                  " passos; em Nt = ", inteiro(Nt), " passos, 10^", com_formato("%.0f", std::floor(vezes)), " vezes");
}

std::string dentro_ou_fora(double F, double limite) { return F <= limite ? "dentro" : "FORA"; }

std::string oscilacao_de_sinal(const Estabilidade& e) {
    if (e.theta >= 1.0) return "Oscilação de sinal: com theta >= 1 nenhum modo troca de sinal de um passo ao outro\n";
    const bool oscila = e.meia_senoide.discreto < 0.0;
    return juntar(
        "Oscilação de sinal: um modo troca de sinal a cada passo quando 4(1 - theta) F s² > 1:\n"
        "  a meia senoide, F <= 1/(4(1 - theta) s²) = ", real(e.limite_oscilacao_meia), ": ",
        oscila ? "FORA, a solução troca de sinal a cada passo\n" : "dentro, a solução não troca de sinal\n",
        "  todo modo de qualquer malha, F <= 1/(4(1 - theta)) = ", real(e.limite_oscilacao), ": ",
        dentro_ou_fora(e.F, e.limite_oscilacao), "\n",
        "  princípio do máximo discreto (nenhum valor novo fora da faixa dos de antes):\n"
        "    F <= 1/(2(1 - theta)) = ", real(e.limite_maximo), ": ", dentro_ou_fora(e.F, e.limite_maximo), "\n");
}

}  // namespace

std::string texto_estabilidade(const Estabilidade& e) {
    std::string texto = juntar("Número de Fourier da malha: F = alpha dt/dx² = ", real(e.F), "\n");
    if (std::isnan(e.limite)) return juntar(texto, "Estabilidade: theta não é um número, sem veredito\n");
    if (e.Nx < 3)
        return juntar(texto, "Sem nó interior (Nx < 3): a malha não tem modo algum a amplificar; o campo é zero\n"
                             "a partir do primeiro passo\n");
    if (std::isinf(e.limite)) {
        texto += "Estabilidade: theta >= 1/2, incondicionalmente estável (nenhum limite para F, em qualquer malha)\n";
    } else {
        texto += veredito_de_estabilidade(e);
    }
    const Amplificacao& a = e.meia_senoide;
    const double razao = a.discreto / a.exato;
    texto += juntar(
        "\nFator de amplificação de um passo de tempo do modo sin(m pi x/Lx), m = 1 a Nx - 2, da malha:\n"
        "A = (1 - 4(1 - theta) F s²)/(1 + 4 theta F s²), s = sin(m pi dx/(2 Lx))\n"
        "  meia senoide, m = 1, o modo dos dados (a solução é exatamente Ti sin(pi x/Lx) A^n):\n"
        "    A do esquema theta                    = ", real(a.discreto, 12), "\n",
        "    exp(-4 F s²), tempo exato nesta malha = ", real(a.semidiscreto, 12), "\n",
        "    exp(-pi² alpha dt/Lx²), exato         = ", real(a.exato, 12), "\n",
        "    A/exato - 1 = ", real(razao - 1.0), ": tempo A/exp(-4 F s²) - 1 = ", real(a.discreto / a.semidiscreto - 1.0),
        ",\n    espaço exp(-4 F s²)/exato - 1 = ", real(a.semidiscreto / a.exato - 1.0), "\n",
        "    após Nt = ", inteiro(e.Nt), " passos: (A/exato)^Nt - 1 = ",
        real(std::pow(razao, static_cast<double>(e.Nt)) - 1.0), " (erro relativo do modo em t = tf)\n",
        "    ", o_que_o_modo_faz(a.discreto, e.Nt, false), "\n",
        "  modo mais alto da malha, m = Nx - 2, s² = cos²(pi/(2(Nx - 1))) = ", real(e.s2_pior, 4), ": A = ",
        real(e.pior, 4), "\n    ", o_que_o_modo_faz(e.pior, e.Nt, true),
        comportamento(e.pior) == Comportamento::cresce ? "\n" : "; o arredondamento nele não cresce\n");
    return juntar(texto, "\n", oscilacao_de_sinal(e));
}

Tabela tabela_estabilidade(const Estabilidade& e) {
    Tabela tabela("estabilidade", "");
    for (const char* coluna :
         {"theta", "F", "limite de F", "estável", "A meia senoide", "A exato", "A pior modo", "passos para 10^10", "Nt",
          "Nx", "limite de F nesta malha", "estável nesta malha", "s² do pior modo",
          "limite sem oscilação da meia senoide", "limite sem oscilação", "limite do princípio do máximo"})
        tabela.coluna(coluna, 0);
    tabela.linha({celula_real(e.theta), celula_real(e.F), celula_real(e.limite), celula_texto(e.estavel ? "sim" : "não"),
                  celula_real(e.meia_senoide.discreto, 12), celula_real(e.meia_senoide.exato, 12),
                  celula_real(e.pior), celula_real(e.passos_ruido), celula_inteiro(e.Nt), celula_inteiro(e.Nx),
                  celula_real(e.limite_malha), celula_texto(e.estavel_malha ? "sim" : "não"), celula_real(e.s2_pior),
                  celula_real(e.limite_oscilacao_meia), celula_real(e.limite_oscilacao), celula_real(e.limite_maximo)});
    return tabela;
}

std::vector<Tabela> tabelas_serie(const Serie& serie) {
    std::vector<Tabela> tabelas{tabela_campo(serie), tabela_media_e_meio(serie), tabela_listagem(serie)};
    if (serie.tipo != Refinamento::espaco_e_tempo && serie.niveis.size() >= 3)
        tabelas.push_back(tabela_diferencas(serie));
    return tabelas;
}

std::string leitura_serie(const Serie& serie, double theta) {
    const bool cn = theta == 0.5;
    const std::size_t instavel = primeiro_instavel(serie.niveis);
    std::string texto = "Leitura: ";
    switch (serie.tipo) {
        case Refinamento::espaco_e_tempo:
            texto += cn ? "Crank-Nicolson é de segunda ordem em dx e em dt. Com os dois divididos por 2, o erro\n"
                          "cai 4 vezes por nível: p perto de 2."
                        : "com theta diferente de 1/2 o esquema é de primeira ordem em dt e de segunda em dx.\n"
                          "Com os dois divididos por 2, o erro de espaço cai 4 vezes e o de tempo só 2: enquanto o de\n"
                          "espaço pesa, p fica entre 1 e 2, e tende a 1 quando o de tempo domina.";
            if (theta < 0.5)
                texto += "\nF dobra a cada nível (dt/dx² dobra). Os erros de tempo e de espaço deste esquema têm\n"
                         "sinais opostos e se cancelam em parte (o explícito, de todo perto de F = 1/6): as\n"
                         "ordens contra a solução exata saltam; as diferenças de (b) e (c) mostram as de cada passo.";
            break;
        case Refinamento::espaco:
            texto += "só dx cai: o erro de espaço cai 4 vezes por nível e o de tempo fica. p fica perto de 2\n"
                     "enquanto o de espaço domina e cai para 0 quando o de tempo, fixo, passa a dominar; nas\n"
                     "diferenças a parte fixa se cancela e aparece a ordem no espaço, 2.";
            if (theta < 0.5) texto += "\nF quadruplica a cada nível (dx cai pela metade).";
            break;
        case Refinamento::tempo:
            texto += juntar("só dt cai: o erro de tempo cai ", cn ? "4 vezes (ordem 2)" : "2 vezes (ordem 1)",
                            " por nível e o de espaço fica.\nEnquanto o de espaço domina os erros quase não mudam "
                            "(\"não assintótico\"); nas diferenças\nele se cancela e aparece a ordem no tempo, ",
                            cn ? "2." : "1.");
            break;
    }
    if (instavel != 0)
        texto += juntar("\nA partir do nível ", inteiro(static_cast<std::int64_t>(instavel)),
                        " F passa do limite: esses níveis são instáveis e não dão ordem.");
    const std::string ultima = ultima_ordem(serie.niveis);
    if (!ultima.empty()) texto += juntar("\n", ultima);
    return juntar(texto, "\n");
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
        "#   17 piso de arredondamento do nível [ºC]\n");
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
                                 n.listagem.t_maximo, n.piso}) {
                texto += ' ';
                texto += real(valor, 8);
            }
            texto += '\n';
        }
    }
    return texto;
}

Tabela tabela_comparacao(const std::vector<Esquema>& esquemas) {
    Tabela tabela("comparacao_esquemas",
                  "Comparação dos esquemas na malha da entrada; erros do esquema contra o campo exato [ºC]\n(máximos em valor absoluto; no nó do meio, exata menos numérica, com sinal):");
    tabela.coluna("theta", 5);
    tabela.coluna("esquema", 14, true);
    tabela.coluna("estável", 7);
    tabela.coluna("A/exato - 1", 11);
    tabela.coluna("campo em tf", 11);
    tabela.coluna("média, máx", 10);
    tabela.coluna("meio em tf", 10);
    tabela.coluna("só tempo", 10);
    tabela.coluna("só espaço", 10);
    tabela.coluna("listagem, máx", 13);
    for (const Esquema& e : esquemas) {
        tabela.linha({celula_texto(curto(e.theta)), celula_texto(nome_esquema(e.theta)),
                      celula_texto(e.nivel.estavel ? "sim" : "não"),
                      celula_real(e.amplificacao.discreto / e.amplificacao.exato - 1.0),
                      celula_real(e.nivel.campo.maximo), celula_real(e.nivel.media.maximo),
                      celula_real(e.nivel.meio.final), celula_real(e.erro_tempo_meio),
                      celula_real(e.erro_espaco_meio), celula_real(e.nivel.listagem.maximo)});
    }
    return tabela;
}

std::string leitura_comparacao(const std::vector<Esquema>& esquemas) {
    std::string texto =
        "Leitura: \"meio em tf\" é a soma do erro de tempo (contra a solução exata no tempo nesta malha,\n"
        "exp(-4 F s² n) vezes o campo inicial) e do erro de espaço (essa solução contra a exata), o mesmo\n"
        "nos três esquemas. O de tempo separa os esquemas: Crank-Nicolson é de segunda ordem em dt, os\n"
        "outros de primeira, com sinais opostos (o implícito atrasa o decaimento, o explícito o adianta).\n"
        "A coluna \"listagem\" compara com a média exata de um termo, como a listagem de difusao_calor:\n"
        "o erro da regra dos trapézios, o mesmo para todos, a domina e esconde os esquemas.\n";
    for (const Esquema& e : esquemas)
        if (!e.nivel.estavel) {
            texto += juntar("O esquema ", nome_esquema(e.theta),
                            " está fora do limite de estabilidade nesta malha: seus erros crescem.\n");
        }
    return texto;
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
