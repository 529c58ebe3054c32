#!/bin/sh
# What writing the results through to the disk costs a whole run: the same
# runs of two builds of the program, one that syncs its result files and
# their folder before and after the renames of its commit and one that does
# not (a build of an earlier commit), on the example and on a large run,
# in the folder $PASTA (default /var/tmp: a disk, where the syncs cost
# something; /dev/shm shows the cost of the calls alone). The runs of the
# two builds alternate, so that a slow spell of the machine falls on both;
# the medians of elapsed, user and system time are printed, and the
# difference of the elapsed medians is the cost of the syncs. Needs GNU date
# and /usr/bin/time.
#
#     sh bench/custo_sincronia.sh <program without syncs> <program with syncs> [repetitions]
set -eu

sem=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
com=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
repeticoes=${3:-7}
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (GNU time)" >&2; exit 1; }
raiz=$(cd "$(dirname "$0")/.." && pwd)

rascunho=$(mktemp -d "${PASTA:-/var/tmp}/difusao_sincronia.XXXXXX")
trap 'rm -rf "$rascunho"' EXIT INT TERM

mediana() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One line per case and build: medians of elapsed (ms, from the clock: the
# example takes a few), user and system time (s).
medir() {
  caso=$1
  : > "$rascunho/tempos.without"
  : > "$rascunho/tempos.with"
  r=0
  while [ "$r" -lt "$repeticoes" ]; do
    for versao in without with; do
      if [ "$versao" = without ]; then programa=$sem; else programa=$com; fi
      inicio=$(date +%s%N)
      (cd "$rascunho" && COMSPEC=/bin/true /usr/bin/time -f '%U %S' -o "$rascunho/tempo" "$programa")
      fim=$(date +%s%N)
      echo "$(( (fim - inicio) / 1000 )) $(cat "$rascunho/tempo")" >> "$rascunho/tempos.$versao"
    done
    r=$((r + 1))
  done
  for versao in without with; do
    t="$rascunho/tempos.$versao"
    printf '%-8s %-10s %12.3f %9s %9s\n' "$caso" "$versao" "$(cut -d' ' -f1 < "$t" | mediana | awk '{ print $1 / 1000 }')" \
      "$(cut -d' ' -f2 < "$t" | mediana)" "$(cut -d' ' -f3 < "$t" | mediana)"
  done
}

echo "medians of $repeticoes runs in $rascunho (elapsed ms, user s, system s): without syncs $sem, with syncs $com"
cp "$raiz/exemplo/entradas_geral.ent" "$rascunho/"
medir example
# Crank-Nicolson, Nx = 1000, Nt = 10^6: 341 MiB of results.
printf '%s\n' "listagem.txt" "1.0" "1000" "0.1" "1000000" "100.0" "0.5" "1.0" "1.0" "1.0" > "$rascunho/entradas_geral.ent"
medir large
