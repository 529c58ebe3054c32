#!/bin/sh
# The reference runs of tests/dados/golden out of another build of the
# program, byte for byte: each case's input in a fresh folder, the program
# started there by COMANDO, and then status 0, nothing on its standard
# streams, and in the folder exactly the input and the expected files
# (the command lines, which such a build may record instead of running,
# are the page's module's test).
#
#   conferir_referencias.sh PASTA_GOLDEN COMANDO...
set -eu

golden=$(realpath "$1")
shift
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

falhas=0
for caso in "$golden"/*/; do
    nome=$(basename "$caso")
    pasta=$tmp/$nome
    mkdir -p "$pasta/corrida"
    cp "$caso/entradas_geral.ent" "$pasta/corrida/"
    status=0
    (cd "$pasta/corrida" && "$@" < /dev/null > "$pasta/saida" 2> "$pasta/erro") || status=$?
    resultado=sim
    [ "$status" = 0 ] || resultado="não (status $status)"
    [ -s "$pasta/saida" ] && resultado="não (saída padrão)"
    [ -s "$pasta/erro" ] && resultado="não (erro padrão)"
    esperados=$( (cd "$caso/esperado" && ls -A | grep -v '^comandos.txt$'; echo entradas_geral.ent) | sort)
    [ "$(ls -A "$pasta/corrida" | sort)" = "$esperados" ] || resultado="não (arquivos da pasta)"
    for arquivo in "$caso"/esperado/*; do
        base=$(basename "$arquivo")
        [ "$base" = comandos.txt ] && continue
        cmp -s "$arquivo" "$pasta/corrida/$base" || resultado="não ($base)"
    done
    echo "$nome: $resultado"
    [ "$resultado" = sim ] || falhas=$((falhas + 1))
done
[ "$falhas" -eq 0 ] || { echo "FALHOU: $falhas referências diferem" >&2; exit 1; }
