// The study's tests run the program's computation on the calling thread's
// state: each starts and ends with it cleared, reports thrown, not ending
// the process. And a case's derived quantities as the program forms them.
#pragma once

#include <gtest/gtest.h>

#include "convergencia.hpp"
#include "nucleo/variaveis.hpp"
#include "principal.hpp"
#include "servicos/erros/erros.hpp"
#include "servicos/base/deteccao.hpp"

class EstadoLimpo : public ::testing::Test {
protected:
    void SetUp() override {
        servicos::erros::definir_modo_teste(true);
        variaveis::reiniciar_estado();
    }
    void TearDown() override { variaveis::reiniciar_estado(); }
};

// alpha and dx of a case, as the program derives them.
struct Grandezas {
    double alpha = 0.0, dx = 0.0;
};
inline Grandezas grandezas_do_caso(const estudo::Caso& caso) {
    const servicos::base::deteccao::Retencao retida;
    estudo::colocar_no_estado(caso, {caso.Nx, caso.Nt});
    principal::calcular_grandezas_derivadas();
    return {variaveis::alpha, variaveis::dx};
}
