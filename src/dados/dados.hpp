// Input reader and result reports of the run.
#pragma once

namespace dados {

// Shows entradas_geral.ent in the editor, waits, then reads the ten data.
void leitura_dados();

// Writes the listing and the two data files, then shows them.
void resultados();

}  // namespace dados
