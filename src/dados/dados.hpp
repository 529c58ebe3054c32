// Input reader and result reports of the run.
//
// dados/ may include the numerical core (nucleo/) and the services
// (servicos/); only the program above it includes it.
#pragma once

#include <string>
#include <string_view>

namespace dados {

// Finishes or undoes first a commit of results that a killed run left in the
// folder, then shows entradas_geral.ent in the editor, waits, and reads the
// ten data.
void leitura_dados();

// The first of those steps: the folder holds one run's whole set of results
// afterwards, and no file of the program that a dead run left.
void recuperar_resultados();

// The ten data of entradas_geral.ent, read without showing the editor.
void ler_entradas();

// Writes the listing and the two data files, then shows them.
void resultados();

// The last steps of resultados: the commit of the set of results now
// written, then the viewers, the editor shown the listing `listagem`.
void confirmar_e_mostrar(const std::string& listagem);

// The bytes of the listing before the rows of its first table (the data
// echo and the table's heading) and before those of its second table, each
// record ended by CR LF, as the statements of resultados write them.
std::string registros_antes_da_media();
std::string registros_antes_do_meio();

// Refuses (F6419, OPEN) a listing named after a file the program reads or
// writes itself, compared as the file system compares names, or named like
// its temporary files: the listing would destroy it. verificar_listagem checks the name of the input before
// the computation; a blank one is checked when it is opened.
void recusar_arquivo_do_programa(std::string_view listagem);
void verificar_listagem();

// The editor's command line for the listing `nome` (blanks at the ends
// dropped): "notepad listagem.txt", with the name quoted for the command
// interpreter only when it holds characters the interpreter would act on.
std::string comando_editor(std::string_view nome);

}  // namespace dados
