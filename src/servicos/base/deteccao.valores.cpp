// Fault detection by checked values, for the targets without floating-point
// traps: nothing traps, the checked operations (Verificado) judge their
// results, and a hold is a count of this thread's holds with the faults
// noted under them.
#include <atomic>

#include "servicos/base/deteccao.hpp"

namespace servicos::base::deteccao {

namespace {

std::atomic<Relato> relato_registrado{nullptr};

// Plain values, which need no destructor at a thread's end.
thread_local int retencoes = 0;
thread_local unsigned notadas = 0;

}  // namespace

void armar(Relato relatar) { relato_registrado.store(relatar); }

namespace detalhe {

void notar(unsigned falhas) {
    if (falhas == 0) return;
    if (retencoes > 0) {
        notadas |= falhas;
        return;
    }
    if (const Relato relatar = relato_registrado.load()) relatar(codigo_da_falha(falhas));
}

}  // namespace detalhe

Retencao::Retencao() : guardado_{retencoes, notadas} {
    ++retencoes;
    notadas = 0;
}

Retencao::~Retencao() {
    retencoes = guardado_.retencoes;
    notadas = guardado_.notadas;
}

unsigned Retencao::falhas() const { return notadas; }

}  // namespace servicos::base::deteccao
