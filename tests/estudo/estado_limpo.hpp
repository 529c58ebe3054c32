// The study's tests run the program's computation on the calling thread's
// state: each starts and ends with it cleared, reports thrown, not ending
// the process.
#pragma once

#include <gtest/gtest.h>

#include "servicos/erros/erros.hpp"
#include "nucleo/variaveis.hpp"

class EstadoLimpo : public ::testing::Test {
protected:
    void SetUp() override {
        servicos::erros::definir_modo_teste(true);
        variaveis::reiniciar_estado();
    }
    void TearDown() override { variaveis::reiniciar_estado(); }
};
