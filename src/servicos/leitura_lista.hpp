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

namespace servicos {

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

}  // namespace servicos
