// A set of result files that replaces the earlier set whole or not at all,
// even when a rename fails part-way, the run is killed or the power goes.
//
// While a set is open, each of its files is written into a temporary file of
// the program beside the file it will replace. The set's record, in the
// folder of the input file under a name that the next run tries without
// listing the folder, names every file of the program that the run may make,
// on the disk before that file exists. The commit, holding a lock that runs
// sharing the folder share:
//  1. syncs every temporary file and the folders that hold them;
//  2. chooses, beside each earlier file, a free name to keep it under;
//  3. completes the record (each temporary, the file it replaces, where that
//     file is kept meanwhile, an end mark) and syncs it;
//  4. keeps each earlier file aside and renames its temporary over it;
//  5. syncs the folders (from then on the new set stands), removes the kept
//     files, syncs the folders again and removes the record.
// A step up to the sync of 5 that fails undoes what was done, so that the
// earlier set stands, and is reported. A run killed on the way leaves the
// record behind: the next run in the folder, before anything else, finishes
// the commit from it (or undoes it, where it cannot be finished), or removes
// the files it names when the commit had not begun. Every sync the commit
// needs happens, or the commit fails before anything is replaced; the
// folders are held open from the moment a file is made in them, so that a
// commit never runs short of descriptors once it has begun.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "servicos/unidades/arquivos.hpp"

namespace servicos::unidades {

// The most files one set holds.
inline constexpr int maximo_no_conjunto = 64;

// Bytes of a temporary of the set written between two starts of its
// write-out to the disk (iniciar_gravacao): the sync of the commit then
// waits for little more than this of each file.
inline constexpr std::uint64_t bytes_por_gravacao = std::uint64_t{1} << 20;

// Opens a set: from now on the files of the results go into temporaries.
// `trava` is the input file of the folder: its folder holds the record, and
// it is the lock of the commits.
void iniciar_conjunto(std::string_view trava);
bool conjunto_aberto();

// Makes, for the file `nome` of the open set (the reports name it so), a new
// temporary of the program that is to replace `destino`, open on
// criado.descritor: named in the record and the record on the disk before it
// exists, and kept open by the set until the end. Requests to terminate are
// held meanwhile. False, with nothing made, when the set is full; otherwise
// criado.resultado says whether it was made (what was made is the set's,
// whatever it says). Nothing is reported here.
bool criar_no_conjunto(std::string_view nome, const std::string& destino, Temporario& criado);

// Commits the set as above, under the lock of `trava`. The one entry point
// of the reports.
void confirmar_conjunto(std::string_view trava);

// Removes the temporary files of a set not yet committed, then its record;
// async-signal-safe, for the handlers of termination requests and the final
// clean-up. Once the record says that the renames may begin, it leaves
// everything to the next run's recovery.
void descartar_conjunto();

// While another thread writes through the descriptors of the set's files
// (abrir_temporario_do_conjunto), a discard removes the files and leaves the
// descriptors open: it only happens then as the process ends, which closes
// them, and closed under that thread a descriptor could be written after it
// is gone. Set before that thread starts, cleared once it has ended.
void emprestar_descritores(bool emprestados);

// What a run does first in its folder (that of `trava`): takes up the record
// a killed run left there, finishing or undoing its commit, or removing the
// files it names. Silent; a commit that can be neither finished nor undone
// is reported.
void recuperar_conjuntos(std::string_view trava);

// Forgets the set as a killed run does, its files left where they are and
// its descriptors closed (tests of the recovery).
void abandonar_conjunto();

}  // namespace servicos::unidades
