// The results of a run written while its time loop runs. A second thread
// takes each time level as the loop publishes it, evaluates its exact values
// and edits its four rows (one in each table of the listing, one in each
// data file) into the temporary files of the set of results; every row has
// a fixed width, so each lands at a position known in advance. After the
// loop the run goes on in the order of the reports as written, and only the
// main thread ever reports:
//  - the exact mean history: computed by the writer; if its evaluation would
//    have been reported, by solucao_analitica, which reports it;
//  - the files: complete, they are committed as the reports commit them; if
//    the writer met anything at all (a write that failed, an arithmetic
//    fault of an exact value or of an error column), its files are discarded
//    and the reports write the set again one file after another, so that
//    whatever fails is met, and reported, where and as the reports meet it.
// The writer is the widest place of the idiom "held and replayed"
// (docs/arquitetura.md): its arithmetic runs with the traps held, and what
// it met is replayed by the reports as written.
// A fault of the loop ends the run before any of this, the writer's files
// discarded with the set. Small runs, and runs that could talk to the
// console or write into anything but plain files, keep the reports as
// written.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "nucleo/passo_tempo.hpp"

namespace dados {

// How the results of a run are written: chosen by the size of the run, or
// forced one way (tests).
enum class Escrita : std::uint8_t {
    pelo_trabalho,   // during the loop when the run is large enough to gain
    depois_do_laco,  // the reports as written, once the loop has ended
    durante_o_laco,  // by the writer whenever the names allow it
};

// The way every later run takes (tests); pelo_trabalho gives the choice back
// to the size of the run.
void forcar_escrita(Escrita escrita);

// Whether a run of `nos` nodes and `passos` time steps is written during its
// loop, as far as its size decides: its loop takes long enough to hide the
// writing (about 2^20 node-steps, 8 ms) and it has enough results to gain
// (1024 levels, about 370 KB).
bool escrita_durante_o_laco(std::int32_t nos, std::int32_t passos);

// Bytes that the writer holds at its peak for such a run (0 for the others),
// which the memory check counts with the arrays.
std::uint64_t memoria_da_escrita(std::int32_t nos, std::int32_t passos);

class Escritor;

// The results of one run, from the end of the loop's set-up to the viewers.
class ResultadosNoLaco final : public passo_tempo::Publicacao {
public:
    // Chooses the way and, for the writer, opens the set of results with
    // its three temporary files and starts the writer. Reports nothing.
    ResultadosNoLaco();
    ~ResultadosNoLaco();
    ResultadosNoLaco(const ResultadosNoLaco&) = delete;
    ResultadosNoLaco& operator=(const ResultadosNoLaco&) = delete;

    // What the time loop tells (passo_tempo::avancar_no_tempo): nullptr when
    // the reports are written as written.
    passo_tempo::Publicacao* publicacao();
    void niveis_registrados(std::int32_t ultimo) override;

    // After the loop: the exact mean history, the three files, their commit
    // and the viewers, with the reports of their faults in their order.
    void concluir();

private:
    void iniciar();

    std::unique_ptr<Escritor> escritor_;
    std::string listagem_;
};

}  // namespace dados
