#!/bin/sh
# WebAssembly under node against the native program, at Nx x Nt (default
# 10^4 x 10^4, Crank-Nicolson on a unit slab):
#  - the time loop alone: processor time per node-step of bench/medir_laco,
#    from the difference between REPETICOES loops and one, so that neither
#    the start-up (node's, the module's compilation) nor the set-up counts;
#  - the whole run: elapsed time of difusao_calor in a scratch folder under
#    /dev/shm (viewers /bin/true natively, recorded under node), median of
#    REPETICOES runs taken alternately.
# Other work on the machine disturbs both: look at the load (uptime).
#
#     sh bench/comparar_wasm.sh [native build] [wasm build] [Nx] [Nt] [REPETICOES]
set -eu

nativo=$(realpath "${1:-build/benchmarks}")
wasm=$(realpath "${2:-build/wasm}")
nos=${3:-10000}
passos=${4:-10000}
repeticoes=${5:-5}
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (GNU time)" >&2; exit 1; }

pasta=${PASTA:-/dev/shm}
[ -d "$pasta" ] || pasta=${TMPDIR:-/tmp}
rascunho=$(mktemp -d "$pasta/difusao_wasm.XXXXXX")
trap 'rm -rf "$rascunho"' EXIT INT TERM

mediana() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Processor time (user + system, s) of a command.
processador() {
    /usr/bin/time -f '%U %S' -o "$rascunho/tempo" "$@" > /dev/null
    awk '{ print $1 + $2 }' "$rascunho/tempo"
}

# ns per node-step of one loop: (time of REPETICOES loops - time of one) / (REPETICOES - 1).
laco() {
    um=$(processador "$@" "$nos" "$passos" 1)
    varios=$(processador "$@" "$nos" "$passos" "$repeticoes")
    awk -v a="$um" -v b="$varios" -v r="$repeticoes" -v nx="$nos" -v nt="$passos" \
        'BEGIN { printf "%.2f", (b - a) / (r - 1) * 1e9 / (nx * nt) }'
}

laco_nativo=$(laco "$nativo/bench/medir_laco")
laco_wasm=$(laco node --no-experimental-fetch "$wasm/medir_laco.js")

printf '%s\n' "listagem.txt" "1.0" "$nos" "0.1" "$passos" "100.0" "0.5" "1.0" "1.0" "1.0" > "$rascunho/entradas_geral.ent"
: > "$rascunho/nativo"
: > "$rascunho/wasm"
r=0
while [ "$r" -lt "$repeticoes" ]; do
    (cd "$rascunho" && COMSPEC=/bin/true /usr/bin/time -f '%e' -a -o "$rascunho/nativo" "$nativo/difusao_calor")
    (cd "$rascunho" && /usr/bin/time -f '%e' -a -o "$rascunho/wasm" node --no-experimental-fetch "$wasm/difusao_calor.js")
    r=$((r + 1))
done
corrida_nativa=$(mediana < "$rascunho/nativo")
corrida_wasm=$(mediana < "$rascunho/wasm")

echo "Nx Nt | loop ns/node-step: native wasm wasm/native | whole run s: native wasm wasm/native"
awk -v nx="$nos" -v nt="$passos" -v ln="$laco_nativo" -v lw="$laco_wasm" -v cn="$corrida_nativa" -v cw="$corrida_wasm" \
    'BEGIN { printf "%d %d | %.2f %.2f %.3f | %.3f %.3f %.3f\n", nx, nt, ln, lw, lw / ln, cn, cw, cw / cn }'
