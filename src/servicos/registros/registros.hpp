// Record output: a format specification interpreted against an ordered list
// of data items yields record texts (bytes, no terminators), the numbers
// edited in E and I fields from the bits of the double (edicao_numerica.hpp).
// It knows nothing of files: the unit service hands the records on.
//
// May call: erros/ (a bad format or a mismatched item is reported there) and
// base/ (the message numbers; 128-bit integers of the number editing).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace servicos::registros {

// One data item of an output statement: a double or a 32-bit integer.
struct ItemFormato {
    enum class Tipo : std::uint8_t { real, inteiro };
    Tipo tipo;
    double real;
    std::int32_t inteiro;

    constexpr ItemFormato(double valor) : tipo(Tipo::real), real(valor), inteiro(0) {}
    constexpr ItemFormato(std::int32_t valor) : tipo(Tipo::inteiro), real(0.0), inteiro(valor) {}
};

// Receives the records of one statement as they are produced: `texto` appends
// bytes to the current record, `fim_registro` ends it (every statement ends at
// least one record).
class DestinoRegistros {
public:
    virtual void texto(std::string_view bytes) = 0;
    virtual void fim_registro() = 0;

protected:
    ~DestinoRegistros() = default;
};

// Interprets one output statement. Malformed formats and item/descriptor
// mismatches are reported through relatar_erro (kind WRITE).
void formatar_registros(std::string_view formato, std::span<const ItemFormato> itens, DestinoRegistros& destino);

// The same, collecting the records.
std::vector<std::string> formatar_registros(std::string_view formato, std::span<const ItemFormato> itens);

}  // namespace servicos::registros
