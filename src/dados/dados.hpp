// Input reader and result reports of the run.
#pragma once

#include <string>
#include <string_view>

namespace dados {

// Shows entradas_geral.ent in the editor, waits, then reads the ten data.
void leitura_dados();

// The ten data of entradas_geral.ent, read without showing the editor.
void ler_entradas();

// Writes the listing and the two data files, then shows them.
void resultados();

// The editor's command line for the listing `nome` (blanks at the ends
// dropped): "notepad listagem.txt", with the name quoted for the command
// interpreter only when it holds characters the interpreter would act on.
std::string comando_editor(std::string_view nome);

}  // namespace dados
