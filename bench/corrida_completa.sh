#!/bin/sh
# Times the real program end to end on generated inputs: elapsed time per
# node-step of the whole run (input, time loop, the three result files, the
# viewers replaced by /bin/true) and its peak resident memory, next to the
# memory of the arrays themselves (seven node arrays, four time-level arrays
# and the solver's two work arrays).
#
#     sh bench/corrida_completa.sh [build folder] [repetitions]
#
# The runs happen in a scratch folder under $PASTA (default /dev/shm when it
# exists, else $TMPDIR or /tmp), which is removed at the end.
set -eu

construcao=${1:-build/benchmarks}
repeticoes=${2:-5}
programa=$(cd "$construcao" && pwd)/difusao_calor
[ -x "$programa" ] || { echo "no program at $programa" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (GNU time)" >&2; exit 1; }

if [ -z "${PASTA:-}" ]; then
  if [ -d /dev/shm ]; then PASTA=/dev/shm; else PASTA=${TMPDIR:-/tmp}; fi
fi
rascunho=$(mktemp -d "$PASTA/difusao_corrida.XXXXXX")
trap 'rm -rf "$rascunho"' EXIT INT TERM

# Crank-Nicolson on a unit slab, alpha = 1, decaying by about e^-1.
entrada() {
  printf '%s\n' "listagem.txt" "1.0" "$1" "0.1" "$2" "100.0" "0.5" "1.0" "1.0" "1.0" \
    > "$rascunho/entradas_geral.ent"
}

mediana() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One line per size: the medians of elapsed, user and system time (seconds),
# elapsed and processor (user + system) time per node-step (ns), the largest
# peak resident set, the memory of the arrays themselves and the rest (MiB),
# and the size of the three result files (MiB).
medir() {
  nos=$1
  passos=$2
  entrada "$nos" "$passos"
  : > "$rascunho/tempos"
  r=0
  while [ "$r" -lt "$repeticoes" ]; do
    (cd "$rascunho" && COMSPEC=/bin/true /usr/bin/time -f '%e %U %S %M' -o "$rascunho/tempo" "$programa")
    cat "$rascunho/tempo" >> "$rascunho/tempos"
    r=$((r + 1))
  done
  decorrido=$(cut -d' ' -f1 < "$rascunho/tempos" | mediana)
  usuario=$(cut -d' ' -f2 < "$rascunho/tempos" | mediana)
  sistema=$(cut -d' ' -f3 < "$rascunho/tempos" | mediana)
  pico=$(cut -d' ' -f4 < "$rascunho/tempos" | sort -n | tail -1)
  escritos=$(cat "$rascunho/listagem.txt" "$rascunho/temp_media.txt" "$rascunho/temp_meio.txt" | wc -c)
  awk -v nx="$nos" -v nt="$passos" -v e="$decorrido" -v u="$usuario" -v s="$sistema" -v pico="$pico" -v b="$escritos" 'BEGIN {
    arranjos = (9 * nx + 4 * (nt + 1)) * 8 / 1048576
    printf "%9d %9d %9.3f %9.3f %9.3f %9.2f %9.2f %9.1f %9.1f %9.1f %9.1f\n",
      nx, nt, e, u, s, e * 1e9 / (nx * nt), (u + s) * 1e9 / (nx * nt),
      pico / 1024, arranjos, pico / 1024 - arranjos, b / 1048576
  }'
}

echo "whole runs, median of $repeticoes, in $PASTA"
printf "%9s %9s %9s %9s %9s %9s %9s %9s %9s %9s %9s\n" Nx Nt elapsed user sys "ns/ns" "cpu ns/ns" "peak MiB" "arrays" rest "out MiB"
medir 1000 100000
medir 100000 1000
medir 1000000 100
medir 1000 1000000
