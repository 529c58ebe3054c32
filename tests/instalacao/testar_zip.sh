#!/bin/sh
# The Windows zip as a user gets it: one folder holding exactly the programs,
# the plot scripts, the example input and LEIA-ME.txt, the texts a user opens
# in Notepad with CR LF line ends; and difusao_calor.exe taken from it runs
# the example in that folder under wine, leaving the listing and the data
# files of the reference run byte for byte. The command interpreter is a
# stand-in that only logs the command lines, so no editor or plotter starts.
#
#   testar_zip.sh ZIP ESPERADO INTERPRETADOR EMULADOR...
#
# ESPERADO: the reference run of the example (its listing, data files and the
# log of its four command lines); INTERPRETADOR: the Windows build's logging
# stand-in (tests/interpretador_registro.exe); EMULADOR: the command line that
# starts a Windows program (wine with its prefix).
set -eu

zip=$(realpath "$1")
esperado=$(realpath "$2")
interpretador=$(realpath "$3")
shift 3

falhar() {
    echo "FALHOU: $*" >&2
    exit 1
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
topo=$(basename "$zip" .zip)

# Contents: one folder, named as the zip, with exactly these files (folder
# entries of their own, which some zip writers add, aside).
for nome in LEIA-ME.txt comparacao_esquemas.gnu convergencia.gnu convergencia_listagem.gnu difusao_calor.exe \
    entradas_geral.ent estudo_convergencia.exe mapa.gnu perfis.gnu temp_media.gnu temp_meio.gnu; do
    echo "$topo/$nome"
done > "$tmp/esperado.lst"
cmake -E tar tf "$zip" | grep -v '/$' | sort > "$tmp/obtido.lst"
echo "Conteúdo de $(basename "$zip"):"
sed 's/^/  /' "$tmp/obtido.lst"
diff "$tmp/esperado.lst" "$tmp/obtido.lst" || falhar "o zip não tem exatamente os arquivos esperados"

(cd "$tmp" && cmake -E tar xf "$zip")
pasta=$tmp/$topo

# Notepad's texts: LEIA-ME.txt in UTF-8 with its byte-order mark, and both it
# and the example input with CR LF at every line end.
[ "$(od -An -tx1 -N3 "$pasta/LEIA-ME.txt" | tr -d ' ')" = efbbbf ] || falhar "LEIA-ME.txt sem a marca UTF-8"
cr=$(printf '\r')
for texto in LEIA-ME.txt entradas_geral.ent; do
    linhas=$(wc -l < "$pasta/$texto")
    if [ "$linhas" = 0 ] || [ "$(grep -c "$cr\$" "$pasta/$texto")" != "$linhas" ]; then
        falhar "$texto tem linhas sem CR LF"
    fi
done

# The example, run from the unpacked folder as a user starts it there. Under
# wine the host's root is drive Z:, and wine gives every program its own
# COMSPEC, so the stand-in is named from inside, by cmd.exe.
cp "$pasta/entradas_geral.ent" "$tmp/entrada_original"
(
    cd "$pasta"
    DIFUSAO_REGISTRO=Z:$tmp/comandos.txt "$@" cmd /c "set COMSPEC=Z:$interpretador&& difusao_calor.exe" </dev/null
) > "$tmp/saida" 2> "$tmp/erro" || { cat "$tmp/erro" >&2; falhar "difusao_calor.exe terminou com falha"; }

for nome in listagem.txt temp_media.txt temp_meio.txt; do
    cmp "$esperado/$nome" "$pasta/$nome" || falhar "$nome difere da corrida de referência"
done
cmp "$esperado/comandos.txt" "$tmp/comandos.txt" || falhar "os comandos diferem da corrida de referência"
cmp "$tmp/entrada_original" "$pasta/entradas_geral.ent" || falhar "a entrada mudou"
echo "difusao_calor.exe do zip: listagem, dados e comandos idênticos aos da corrida de referência"
