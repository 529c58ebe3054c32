// Texts of the study: the console report (UTF-8, LF), its tables (also
// written as CSV), and the data files read by the plot scripts
// (whitespace-separated columns, '#' comment lines, blocks separated by two
// blank lines, values that are not finite written as nan/inf, which gnuplot
// leaves out). Every data file begins with a block (index 0) of the run's
// theta, Nx, Nt and F, for the plot titles.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "afirmacoes.hpp"
#include "convergencia.hpp"
#include "tabela.hpp"

namespace estudo {

// A real in scientific notation with `casas` decimals; nan, inf or -inf.
std::string real(double valor, int casas = 3);
// A real beyond the double range given by log10 of its absolute value and
// its sign: 7.817e+342. Within the range, as real().
std::string real_de_log10(double log10_absoluto, bool negativo, int casas = 3);
// The decimals that real() needs to show that a and b differ (at least
// `casas`, at most 16): F = 5.0001e-01 against a bound 5.0000e-01.
int casas_para_distinguir(double a, double b, int casas = 3);
// A fraction as a percentage: two significant digits below 10 % (0.22 %,
// 3.1 %), whole numbers above (27 %).
std::string porcento(double fracao);
// A fraction known within `cota`: as porcento where the bound leaves its two
// digits right, otherwise only the bound it stays under ("menos de 0.3%").
std::string porcento(double fracao, double cota);
// An order's value in a sentence or a cell: 2.00, pré (4.02), arredondamento...
std::string valor_da_ordem(const Ordem& ordem);
// The rule of a reason for pré in words, its thresholds printed from their
// constants, for the tables' legends.
std::string regra_do_motivo(Motivo motivo);
// Short form of a datum: 600, 0.5, 1.2e-05.
std::string curto(double valor);
// Four significant digits, for factors and ratios in sentences: 45.57, 0.8778;
// more where four would print a value that is not 1 as 1 (1.00002).
std::string aproximado(double valor);
// A mode's factor A with four decimals, or the more that show which side of
// |A| = 1 it is: -1.00002e+00, not -1.0000e+00 for a mode that grows.
std::string fator_de_modo(double A);
// "theta = 0.5, Nx = 21, Nt = 600, F = 4.891e-02": what every plot title shows.
std::string resumo_da_malha(double theta, std::int32_t Nx, std::int32_t Nt, double F);
// The scheme's name: explícito, Crank-Nicolson, implícito or theta = ...
std::string nome_esquema(double theta);

// The case and its stability: F, the bound, the factors of the half-sine mode
// and of the worst mode, and how fast round-off grows in the worst mode.
std::string texto_caso(const Caso& caso, double alpha, double dx, double dt);
std::string texto_estabilidade(const Estabilidade& e);
Tabela tabela_estabilidade(const Estabilidade& e);
// The stability verdict of difusao_calor's plot titles, from the same
// verdicts as the study's: F with its bound (with the digits that show on
// which side of it F is), what to change when it is passed (`Nt_minimo`, the
// least Nt within this grid's bound), and on a line of its own whether the
// half sine changes sign every step.
std::string titulo_de_estabilidade(const Estabilidade& e, const std::optional<std::int32_t>& Nt_minimo);

// The tables of one refinement: the field at tf; the mean and the middle node;
// the half sine's error split in time and space; the listing's comparison;
// for (b) and (c) the orders from differences. leituras.hpp says what they
// mean in words.
std::vector<Tabela> tabelas_serie(const Serie& serie, double theta);

// convergencia.txt: the case block, then one block per refinement.
std::string texto_arquivo_convergencia(const Caso& caso, double F, const std::vector<Serie>& series);

// The scheme comparison: its table and comparacao_esquemas.txt (the case
// block, then one row per time level).
Tabela tabela_comparacao(const std::vector<Esquema>& esquemas);
std::string cabecalho_arquivo_comparacao(const Caso& caso, double F, const std::vector<Esquema>& esquemas);
std::string linha_comparacao(double tempo, double exata, double exata_trapezios, std::span<const double> medias);

// The block of the case that heads every data file.
std::string bloco_do_caso(double theta, std::int32_t Nx, std::int32_t Nt, double F);

}  // namespace estudo
