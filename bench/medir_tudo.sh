#!/bin/sh
# Every speed and memory measurement of the program on this machine: builds
# the optimised program with the benchmarks, then runs
#  - bench_laco_tempo:  the time loop per node-step, next to its floor (the
#                       two dependent chains of the Thomas algorithm) and to
#                       the loop as the routines are written;
#  - bench_registros:   E25.15 editing and whole rows against the C library;
#  - bench_resultados:  writing the result files against the folder's speed;
#  - bench_elementares: our sine and exponential against the platform's;
#  - corrida_completa:  whole runs of the real program, time and peak memory;
#  - bench_corrida_inteira: whole runs against the floor of their loop, side
#                       by side in one process, elapsed time, on tmpfs and on
#                       a disk (DIFUSAO_PASTA_DISCO, else /var/tmp);
# and ends with the tables of medians and ratios of the time loop and of the
# whole runs.
#
#     sh bench/medir_tudo.sh [build folder] [repetitions of the whole runs]
#
# Other work on the machine disturbs the figures: when `taskset` exists, the
# benchmarks run pinned to one processor, except the whole runs against
# their floor, whose results are written by a second thread.
# DIFUSAO_PROGRAMA_ANTERIOR may name the program of another build, whose
# whole runs are then measured beside them.
set -eu

construcao=${1:-build/benchmarks}
repeticoes=${2:-5}
cd "$(dirname "$0")/.."

cmake -S . -B "$construcao" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDIFUSAO_BENCHMARKS=ON -DDIFUSAO_TESTES=OFF > /dev/null
cmake --build "$construcao" -j 2

fixar=""
if command -v taskset > /dev/null 2>&1; then fixar="taskset -c $(($(nproc) - 1))"; fi

laco=$(mktemp)
elementares=$(mktemp)
inteiras=$(mktemp)
trap 'rm -f "$laco" "$elementares" "$inteiras"' EXIT INT TERM

# Repetitions interleaved at random, so that a slow spell of the machine
# does not fall on one variant only; medians are what count.
repetir="--benchmark_repetitions=7 --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true"
$fixar "$construcao/bench/bench_laco_tempo" $repetir --benchmark_out="$laco" --benchmark_out_format=csv
$fixar "$construcao/bench/bench_registros"
$fixar "$construcao/bench/bench_resultados" $repetir
$fixar "$construcao/bench/bench_elementares" $repetir --benchmark_out="$elementares" --benchmark_out_format=csv
$fixar sh bench/corrida_completa.sh "$construcao" "$repeticoes"
"$construcao/bench/bench_corrida_inteira" --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true --benchmark_out="$inteiras" --benchmark_out_format=csv

# Medians of ns per call, ours against the platform's.
echo
echo "elementary functions, ns per call (median)"
awk -F, '
  /_median"/ {
    split($1, partes, "/")
    nome = partes[1]; gsub(/"|BM_/, "", nome)
    argumento = partes[2]; gsub(/"|_median/, "", argumento)
    ns[nome, argumento] = $NF
  }
  END {
    printf "%-22s %10s %10s %8s\n", "arguments", "ours", "platform", "ratio"
    n = split("seno:embaralhado:0 seno:embaralhado:1 exp:ate_menos:50 exp:ate_menos:800", casos, " ")
    for (k = 1; k <= n; ++k) {
      split(casos[k], c, ":")
      nosso = (c[1] == "seno") ? "seno_nosso" : "exp_nossa"
      a = c[2] ":" c[3]
      printf "%-22s %10.2f %10.2f %8.2f\n", c[1] " " a, ns[nosso, a], ns[c[1] "_plataforma", a], ns[nosso, a] / ns[c[1] "_plataforma", a]
    }
  }' "$elementares"

# Medians of ns per node-step (processor time) from the loop's benchmark.
echo
echo "time loop, ns per node-step (median)"
awk -F, '
  /_median"/ {
    split($1, partes, "/")
    tipo = partes[1]; gsub(/"|BM_/, "", tipo)
    tamanho = partes[2] "/" partes[3]
    ns[tipo, tamanho] = $NF
    if (!(tamanho in visto)) { visto[tamanho] = 1; ordem[++quantos] = tamanho }
  }
  END {
    printf "%-20s %10s %10s %10s %14s %14s\n", "size", "literal", "fused", "floor", "fused/floor", "literal/floor"
    for (k = 1; k <= quantos; ++k) {
      t = ordem[k]
      printf "%-20s %10.2f %10.2f %10.2f %14.3f %14.3f\n", t, ns["laco_literal", t], ns["laco_fundido", t],
        ns["piso", t], ns["laco_fundido", t] / ns["piso", t], ns["laco_literal", t] / ns["piso", t]
    }
  }' "$laco"

# Medians of the whole runs against the floor of their loop (elapsed ms), on
# tmpfs and on a disk.
echo
echo "whole runs against the floor of their time loop, elapsed ms (median); tmpfs, then disk"
awk -F, '
  /_median"/ {
    split($1, partes, "/")
    tipo = partes[1]; gsub(/"|BM_/, "", tipo)
    forma = partes[2]; gsub(/forma:/, "", forma)
    pasta = (partes[3] ~ /^pasta:/) ? partes[3] : "pasta:0"; gsub(/pasta:/, "", pasta)
    ms[tipo, forma, pasta] = $3
  }
  END {
    split("10^5x10^3 10^3x10^5 10^4x10^4 exemplo", nomes, " ")
    split("tmpfs disk", pastas, " ")
    printf "%-10s %-6s %9s %9s %9s %9s %9s %11s %11s %11s\n", "shape", "folder", "floor", "loop", "run", "after",
      "earlier", "loop/floor", "run/floor", "run/after"
    for (f = 0; f < 4; ++f) for (p = 0; p < 2; ++p) {
      anterior = (("corrida_anterior", f, p) in ms) ? sprintf("%9.1f", ms["corrida_anterior", f, p]) : sprintf("%9s", "-")
      printf "%-10s %-6s %9.2f %9.2f %9.1f %9.1f %s %11.3f %11.3f %11.3f\n", nomes[f + 1], pastas[p + 1],
        ms["piso", f, 0], ms["laco", f, 0], ms["corrida", f, p], ms["corrida_depois_do_laco", f, p], anterior,
        ms["laco", f, 0] / ms["piso", f, 0], ms["corrida", f, p] / ms["piso", f, 0],
        ms["corrida", f, p] / ms["corrida_depois_do_laco", f, p]
    }
  }' "$inteiras"
