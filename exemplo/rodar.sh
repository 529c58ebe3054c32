#!/bin/sh
# Builds difusao_calor and runs it on the shipped example in exemplo/saida/,
# without windows: the listing, the two data files and the two plots as PNG
# images are left there.
set -eu
raiz=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$raiz" -B "$raiz/build/exemplo" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDIFUSAO_TESTES=OFF
cmake --build "$raiz/build/exemplo"
saida="$raiz/exemplo/saida"
rm -rf "$saida"
mkdir -p "$saida"
cp "$raiz/exemplo/entradas_geral.ent" "$raiz/exemplo/temp_media.gnu" "$raiz/exemplo/temp_meio.gnu" "$saida/"
cd "$saida"
DIFUSAO_GRAFICOS=png COMSPEC="$raiz/exemplo/interpretador.sh" "$raiz/build/exemplo/difusao_calor" </dev/null
ls -l "$saida"
