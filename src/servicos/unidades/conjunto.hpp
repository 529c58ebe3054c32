// A set of result files that replaces the earlier set whole or not at all,
// even when a rename fails part-way, the run is killed or the power goes.
//
// While a set is open, each of its files is written into a temporary file of
// the program beside the file it will replace (whoever writes it notes it
// here). The commit, holding a lock that runs sharing the folder share:
//  1. syncs every temporary file and the folders that hold them;
//  2. reserves, beside each earlier file, a name to keep it under;
//  3. writes and syncs the commit's record: each temporary, the file it
//     replaces and where that file is kept meanwhile;
//  4. keeps each earlier file aside and renames its temporary over it;
//  5. syncs the folders, removes the kept files and the record.
// A step that fails undoes what was done, so that the earlier set stands,
// and is reported. A run killed on the way leaves the record behind: the
// next run in the folder, before anything else, finishes the commit from it
// (or undoes it, where it cannot be finished) and removes whatever files of
// the program a dead run left there.
#pragma once

#include <string>
#include <string_view>

#include "servicos/unidades/arquivos.hpp"

namespace servicos::unidades {

// The most files one set holds.
inline constexpr int maximo_no_conjunto = 64;

// Opens a set: from now on the files of the results go into temporaries.
void iniciar_conjunto();
bool conjunto_aberto();

// Notes a file of the open set: `temporario`, open on `descritor` (the set
// keeps it open until the end), is to replace `destino`; `nome` names it in
// reports. Call it with requests to terminate held, right after the
// temporary is created, so that none exists unnoted. False when the set is
// full.
bool anotar_no_conjunto(std::string_view nome, const std::string& temporario, const std::string& destino,
                        plataforma::Descritor descritor);

// Commits the set as above, under the lock of `trava` (the input file of the
// folder, which also holds the record). The one entry point of the reports.
void confirmar_conjunto(std::string_view trava);

// Removes the temporary files of a set not yet committed; async-signal-safe,
// for the handlers of termination requests and the final clean-up. Once the
// record exists it leaves everything to the next run's recovery.
void descartar_conjunto();

// While another thread writes through the descriptors of the set's files
// (abrir_temporario_do_conjunto), a discard removes the files and leaves the
// descriptors open: it only happens then as the process ends, which closes
// them, and closed under that thread a descriptor could be written after it
// is gone. Set before that thread starts, cleared once it has ended.
void emprestar_descritores(bool emprestados);

// What a run does first in its folder (that of `trava`): finishes or undoes
// a commit that a killed run left, and removes the files of the program that
// dead runs left behind. Silent; a commit that can be neither finished nor
// undone is reported.
void recuperar_conjuntos(std::string_view trava);

// Forgets the set as a killed run does, its files left where they are and
// its descriptors closed (tests of the recovery).
void abandonar_conjunto();

}  // namespace servicos::unidades
