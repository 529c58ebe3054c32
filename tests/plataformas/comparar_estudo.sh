#!/bin/sh
# Another build of the study tool gives the same bytes as the Linux one: each
# mode below runs on the example input in two folders, and the files written,
# standard output and error and the exit status must be identical. Only the
# modes whose texts hold no measured time are compared (the explainer's full
# text estimates the run's duration on the machine it runs on).
#
#   comparar_estudo.sh ESTUDO_LINUX ENTRADA COMANDO...
#
# COMANDO: the command line that starts the other study tool, with absolute
# paths; each mode's options follow it.
set -eu

linux=$(realpath "$1")
entrada=$(realpath "$2")
shift 2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

diferentes=0
m=0
while IFS= read -r modo; do
    m=$((m + 1))
    mkdir -p "$tmp/$m/linux" "$tmp/$m/outro"
    cp "$entrada" "$tmp/$m/linux/entradas_geral.ent"
    cp "$entrada" "$tmp/$m/outro/entradas_geral.ent"
    # $modo is split into its options on purpose.
    status_linux=0
    (cd "$tmp/$m/linux" && "$linux" $modo < /dev/null > saida 2> erro) || status_linux=$?
    status_outro=0
    (cd "$tmp/$m/outro" && "$@" $modo < /dev/null > saida 2> erro) || status_outro=$?
    igual=sim
    diff -r "$tmp/$m/linux" "$tmp/$m/outro" > /dev/null || igual="não ($(diff -rq "$tmp/$m/linux" "$tmp/$m/outro" | head -1))"
    [ "$status_linux" = "$status_outro" ] || igual="não (status $status_linux, $status_outro)"
    echo "estudo_convergencia $modo: $igual"
    [ "$igual" = sim ] || diferentes=$((diferentes + 1))
done <<'MODOS'
--niveis 3 --csv
--niveis 3 --fios 4
--comparar --csv
--mapa --teta 0,0.25,1
--perfis 0.1,0.5,2 --csv
--explicar --avisos
--explicar --listagem
--fios 0
--mapa --teta 1e-400
--mapa --teta 1e400
--mapa --teta 0x1p-3,0.5
MODOS

[ "$diferentes" -eq 0 ] || { echo "FALHOU: $diferentes modos do estudo diferem" >&2; exit 1; }
