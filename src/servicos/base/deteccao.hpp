// Fault detection: how a run stops at its first floating-point fault (an
// invalid operation, a division by zero, an overflow) with the report of its
// kind, on every target. Two implementations, one chosen by the build for
// the target (CMake, DIFUSAO_DETECCAO):
//  - traps (x86-64 Linux and Windows): the processor traps at the faulting
//    operation and the handler reports it (deteccao.armadilhas.*.cpp);
//  - checked values (every target without traps, and x86-64 when forced, for
//    the differential test): nothing traps, and the program judges results
//    (deteccao.valores.cpp). In rounding to nearest an operation raises
//    invalid exactly when it makes a NaN from operands that are not NaNs
//    (or from a signalling NaN), divide-by-zero exactly when it divides a
//    finite nonzero number by zero, and overflow exactly when it makes an
//    infinity from finite operands otherwise; a run meets no infinity or
//    NaN before its first fault, since its data are finite.
// Both give the same first fault, reported in the same order, because the
// code is written once for both:
//  - arithmetic whose faults must stop the run where they happen is written
//    on the number type Conferido: double under traps, the checked
//    Verificado under values, whose every operation reports the fault it
//    makes;
//  - fast arithmetic runs in a Retencao (a hold: nothing is reported, faults
//    give their IEEE default results and are only noted) on plain doubles,
//    shows the values that carry every fault onwards to a Sentinela, and is
//    judged once at its end; a block judged faulty is done again as written
//    on Conferido, which reports the first fault at its operation.
// Faults that leave no value to inspect have explicit guards here
// (inteiro_truncado); the program's integer divisions all have divisors
// that cannot be zero.
//
// base/ is the ground of the services: it includes nothing of the program
// but base/, and every folder may include it.
#pragma once

#include <bit>
#include <cstdint>
#include <type_traits>

#include "servicos/base/mensagens.hpp"

#if !defined(DIFUSAO_DETECCAO_VALORES) && !defined(_WIN32)
#include <cfenv>
#endif

namespace servicos::base::deteccao {

#ifdef DIFUSAO_DETECCAO_VALORES
inline constexpr bool por_armadilhas = false;
#else
inline constexpr bool por_armadilhas = true;
#endif

// The faults that end a run, as bits: what a hold noted.
inline constexpr unsigned falha_invalida = 1;
inline constexpr unsigned falha_divisao_por_zero = 2;
inline constexpr unsigned falha_overflow = 4;

// The code of a fault's report (M6101, M6103, M6104): the first of the bits
// of `falhas` in that order.
CodigoMatematica codigo_da_falha(unsigned falhas);

// The report of a fault: given its code, it writes the report and ends the
// run (in test mode it throws).
using Relato = void (*)(CodigoMatematica codigo);

// Arms the detection for the process, once at its start: under traps the
// processor's invalid, divide-by-zero and overflow exceptions are unmasked
// and the handler installed; under checked values the checked operations
// report from now on. Faults then reach `relatar`.
void armar(Relato relatar);

// The faults one operation made, judged from its operands and its result:
// the bits falha_* (0 for none). A division by zero is told apart from an
// overflow by its divisor.
unsigned falhas_da_operacao(double a, double b, double resultado, bool divisao);

// The same for a one-argument function (sin, exp, acos): invalid for a NaN
// from a number or from a signalling NaN, overflow for an infinity from a
// finite argument.
unsigned falhas_da_funcao(double argumento, double resultado);

// Whether v is finite, from its bits: no flag is raised, and the compiler
// cannot assume it away.
constexpr bool finito(double v) {
    constexpr std::uint64_t expoente = 0x7ff0000000000000;
    return (std::bit_cast<std::uint64_t>(v) & expoente) != expoente;
}

// ---------------------------------------------------------------------------
// Checked numbers.

namespace detalhe {
// The cold path of a checked operation whose result is not finite: reports
// its fault, or notes it in the hold of this thread.
void notar(unsigned falhas);
}  // namespace detalhe

// A double whose every arithmetic operation reports the fault it makes, as a
// trapping unit would at that operation; inside a hold the fault is only
// noted. The operations are the IEEE ones of the operands, in the order the
// expression writes them: results are bit for bit those of double.
class Verificado {
public:
    constexpr Verificado(double valor = 0.0) : valor_(valor) {}
    constexpr double valor() const { return valor_; }

    friend Verificado operator+(Verificado a, Verificado b) { return conferir(a.valor_, b.valor_, a.valor_ + b.valor_); }
    friend Verificado operator-(Verificado a, Verificado b) { return conferir(a.valor_, b.valor_, a.valor_ - b.valor_); }
    friend Verificado operator*(Verificado a, Verificado b) { return conferir(a.valor_, b.valor_, a.valor_ * b.valor_); }
    friend Verificado operator/(Verificado a, Verificado b) {
        return conferir(a.valor_, b.valor_, a.valor_ / b.valor_, true);
    }
    // A change of sign is exact and never faults.
    friend Verificado operator-(Verificado a) { return Verificado(-a.valor_); }

private:
    static Verificado conferir(double a, double b, double resultado, bool divisao = false) {
        if (!finito(resultado)) [[unlikely]]
            detalhe::notar(falhas_da_operacao(a, b, resultado, divisao));
        return Verificado(resultado);
    }

    double valor_;
};

// The number type of arithmetic that must stop at its first fault.
using Conferido = std::conditional_t<por_armadilhas, double, Verificado>;

// The double of a number of either type.
constexpr double valor(double v) { return v; }
constexpr double valor(Verificado v) { return v.valor(); }

// ---------------------------------------------------------------------------
// Fast blocks.

// Notes whether any value it is shown is not finite (an infinity or a NaN):
// v*0 is a zero for every finite v and a NaN otherwise, and a NaN stays in
// the sum. Two operations a value, off the chains of the arithmetic it
// watches, and no branch.
class SentinelaDeValores {
public:
    void ver(double v) { visto_ = visto_ + v * 0.0; }
    bool viu_nao_finito() const { return !finito(visto_); }
    // What another sentinel saw, seen by this one too: a loop keeps a
    // sentinel of its own, which the compiler holds in a register.
    void juntar(const SentinelaDeValores& outra) { visto_ = visto_ + outra.visto_; }

private:
    double visto_ = 0.0;
};

// Under traps the flags judge a block: its values need not be shown.
class SentinelaVazia {
public:
    void ver(double) {}
    bool viu_nao_finito() const { return false; }
    void juntar(const SentinelaVazia&) {}
};

// What a fast block shows its values to.
using Sentinela = std::conditional_t<por_armadilhas, SentinelaVazia, SentinelaDeValores>;

// The state a hold saves and gives back.
#if defined(DIFUSAO_DETECCAO_VALORES)
struct EstadoRetido {
    int retencoes;     // holds of this thread around this one
    unsigned notadas;  // the faults they had noted
};
#elif defined(_WIN32)
// The x87 environment as fnstenv stores it in 64-bit mode, and MXCSR. The C
// run-time's fenv is not used: with some Windows runtimes it leaves the SSE
// masks alone, and a held SSE fault would trap anyway.
struct EstadoRetido {
    struct {
        unsigned char bytes[28];
    } x87;
    unsigned mxcsr;
};
#else
using EstadoRetido = std::fenv_t;  // glibc's covers the x87 unit and SSE alike
#endif

// Holds the detection of this thread for its lifetime: a fault gives its
// IEEE default result (an infinity, a NaN) and is only noted; at its end the
// detection is given back as it was, and nothing noted meanwhile stays
// behind to be reported later. Holds nest: each gives back what it found.
class Retencao {
public:
    Retencao();
    ~Retencao();
    Retencao(const Retencao&) = delete;
    Retencao& operator=(const Retencao&) = delete;

    // The faults noted since the hold began (bits falha_*): the unit's
    // flags under traps, the checked operations' notes under values.
    unsigned falhas() const;

    // Whether anything in a block held by this hold would have been
    // reported: a fault noted, or a value shown to the sentinel not finite.
    bool falhou(const Sentinela& sentinela) const { return falhas() != 0 || sentinela.viu_nao_finito(); }

private:
    EstadoRetido guardado_;
};

// A compiler barrier: no memory access, and so none of the arithmetic
// between them, moves across it. It keeps a computation under a hold
// between the start of the hold and its judgement.
inline void barreira() { __asm__ __volatile__("" ::: "memory"); }

// ---------------------------------------------------------------------------
// Guards.

// v truncated to an integer, for a conversion whose operand may lie outside
// the 64-bit range: out of it (or a NaN) it is the invalid operation that a
// trapping unit would stop at, and gives the least integer when held.
std::int64_t inteiro_truncado(double v);

}  // namespace servicos::base::deteccao
