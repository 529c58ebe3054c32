// One table of the study, rendered two ways from the same cells: aligned
// columns for the console (UTF-8) and comma-separated values for other tools
// (UTF-8 CSV, one file per table, full-precision numbers).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace estudo {

// A cell: what the console shows and what the CSV file holds.
struct Celula {
    std::string texto;
    std::string csv;
};

// A real in scientific notation with `casas` decimals on the console and all
// its digits in the CSV; nan, inf or -inf.
Celula celula_real(double valor, int casas = 3);
Celula celula_inteiro(std::int64_t valor);
Celula celula_texto(std::string_view texto);

class Tabela {
public:
    // `nome` names the CSV file (nome.csv); `titulo` heads it on the console.
    Tabela(std::string nome, std::string titulo) : nome_(std::move(nome)), titulo_(std::move(titulo)) {}

    // A column of at least `largura` console positions, right-aligned, or
    // left-aligned when `a_esquerda`. `no_csv` names it in the CSV file when
    // the console's short heading would repeat another's there ("p"). A
    // column `so_no_csv` is left out of the console, which has no room for it.
    void coluna(std::string_view cabecalho, std::size_t largura, bool a_esquerda = false, std::string_view no_csv = {},
                bool so_no_csv = false);
    void linha(std::vector<Celula> celulas);
    // A line under the table on the console (a legend); not in the CSV.
    void nota(std::string_view texto);

    const std::string& nome() const { return nome_; }
    std::string texto() const;
    std::string csv() const;

private:
    struct Coluna {
        std::string cabecalho;
        std::size_t largura;
        bool a_esquerda;
        std::string no_csv;
        bool so_no_csv;
    };
    std::string nome_, titulo_, notas_;
    std::vector<Coluna> colunas_;
    std::vector<std::vector<Celula>> linhas_;
};

// Joins pieces of text without operator+ temporaries.
template <typename... Partes>
std::string juntar(const Partes&... partes) {
    std::string texto;
    (texto.append(std::string_view(partes)), ...);
    return texto;
}

// A duration in words: 15 µs, 120 ms, 4.5 s, 2.5 min.
std::string duracao(double segundos);

// Columns a UTF-8 text takes: continuation bytes take none.
std::size_t colunas(std::string_view texto);
// The longest console line the study writes where it can: its texts are
// broken to it, its tables are laid out within it.
inline constexpr std::size_t largura_console = 100;

// The text with each of its lines broken at blanks into lines of at most
// `largura` columns, the continuation lines starting with `recuo`; a word
// longer than a line stays whole.
std::string quebrar(std::string_view texto, std::string_view recuo = "", std::size_t largura = largura_console);

// Padded with blanks to `largura` columns, on the left or on the right.
std::string direita(std::string_view texto, std::size_t largura);
std::string esquerda(std::string_view texto, std::size_t largura);

}  // namespace estudo
