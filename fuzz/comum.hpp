// What the fuzz targets share: the check that ends a run as a finding, the
// check of a report frame, and the program's floating-point traps.
#pragma once

#include <cfenv>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "servicos/erros/erros.hpp"
#include "servicos/plataforma/plataforma.hpp"

namespace fuzz {

// A broken promise of the library: abort, so that the fuzzer keeps the input.
inline void exigir(bool condicao, const char* promessa, std::string_view detalhe = {}) {
    if (condicao) return;
    std::fprintf(stderr, "broken promise: %s\n%.*s\n", promessa, static_cast<int>(detalhe.size()), detalhe.data());
    std::abort();
}

// The report frame of a failure: CR LF, "run-time error ", the letter and the
// code of its number, then `rotulo` (the statement label with the unit's name
// and the dash line), a message of one line, CR LF.
inline void conferir_quadro(const servicos::erros::FalhaRelatada& falha, std::string_view rotulo) {
    const std::string& quadro = falha.relatorio;
    constexpr std::string_view inicio = "\r\nrun-time error ";
    char codigo[16];
    std::snprintf(codigo, sizeof codigo, "%c%04d: ", falha.tipo == servicos::base::TipoInstrucao::math ? 'M' : 'F',
                  6000 + falha.numero_mensagem);
    const std::string cabeca = std::string(inicio) + codigo + std::string(rotulo);
    exigir(quadro.starts_with(cabeca), "a frame that does not begin as the frame of its code", quadro);
    exigir(quadro.size() > cabeca.size() + 2 && quadro.ends_with("\r\n"), "a frame without a message or its end",
           quadro);
    const std::string_view mensagem = std::string_view(quadro).substr(cabeca.size(), quadro.size() - cabeca.size() - 2);
    exigir(mensagem.find_first_of("\r\n") == std::string_view::npos, "a message of more than one line", quadro);
}

// The program's traps (invalid, divide by zero, overflow) for the duration of
// one input, as the program runs: any trap is a finding. Cleared afterwards
// so that the fuzzer's own code never runs with them.
class ArmadilhasArmadas {
public:
    ArmadilhasArmadas() {
        std::feclearexcept(FE_ALL_EXCEPT);
        ::feenableexcept(servicos::plataforma::falhas_armadas);
    }
    ~ArmadilhasArmadas() {
        ::fedisableexcept(FE_ALL_EXCEPT);
        std::feclearexcept(FE_ALL_EXCEPT);
    }
    ArmadilhasArmadas(const ArmadilhasArmadas&) = delete;
    ArmadilhasArmadas& operator=(const ArmadilhasArmadas&) = delete;
};

}  // namespace fuzz
