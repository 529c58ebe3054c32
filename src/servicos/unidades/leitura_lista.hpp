// List-directed reading of one item from a sequence of records.
//
// A record is one line: it ends at LF, optionally preceded by CR, and the last
// line of the data needs no LF. Each read begins at the start of a record and
// leaves the source at the start of the record after the one it ended in.
// Every failure goes to `relatar_erro` as a READ failure and does not return;
// the variable is changed only by a read that succeeds with a value.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace servicos::unidades {

// Bytes of a unit opened for reading. `proximo` returns the next byte (0..255)
// or `fim_dos_dados` at the end of the file. A system read failure is reported
// by the source itself and never returns.
class FonteBytes {
public:
    static constexpr int fim_dos_dados = -1;
    virtual int proximo() = 0;

protected:
    ~FonteBytes() = default;
};

// One read of one item. A null value (a leading comma, a slash, an asterisk
// with no value after it, an empty quoted string) leaves the variable as it was.
void ler_lista(FonteBytes& fonte, double& valor);
void ler_lista(FonteBytes& fonte, std::int32_t& valor);
// A character variable: the value left-justified and padded with blanks;
// characters beyond the variable's length are dropped.
void ler_lista(FonteBytes& fonte, std::span<char> texto);

// ---------------------------------------------------------------------------
// What a read did, told to an observer: for a tool that explains an input
// file line by line. The program installs none, and then a read does nothing
// more than test that no observer is there.

// The line end, as the character that ended a value.
inline constexpr int terminador_fim_de_linha = -2;

struct LeituraObservada {
    enum class Forma { nulo, simples, entre_aspas, entre_parenteses };
    Forma forma = Forma::nulo;
    // Every byte the read took from the source, line ends included: empty
    // records skipped before the value, the value, and the rest of its record.
    std::string_view consumido;
    // The value's characters as taken, before conversion (none for a null value).
    std::string_view valor;
    // The count of a repeat prefix, the characters before the asterisk ("" without one).
    std::string_view contagem;
    // What ended the value: a blank, tab, comma or slash, the closing quote or
    // parenthesis, terminador_fim_de_linha or FonteBytes::fim_dos_dados.
    int terminador = 0;
    // The message number of the read's failure, 0 when it succeeded. The
    // observer hears of a failure just before it is reported.
    int falha = 0;
};

class ObservadorLeitura {
public:
    virtual void leitura(const LeituraObservada& leitura) = 0;

protected:
    ~ObservadorLeitura() = default;
};

// The observer of the reads that follow; nullptr for none.
void observar_leituras(ObservadorLeitura* observador);

}  // namespace servicos::unidades
