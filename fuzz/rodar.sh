#!/usr/bin/env bash
# Builds the fuzz targets (preset `fuzz`: clang, libFuzzer, AddressSanitizer +
# UndefinedBehaviorSanitizer), replays every regression input, then fuzzes
# each target for the given number of seconds (60 by default), one job each.
# Exits non-zero on any finding: a crash, a sanitizer report, a broken check
# of the target, a hang (10 s on one input) or memory over 2 GB.
#
#   fuzz/rodar.sh [seconds]
#
# The corpus grown by a run is kept in build/fuzz/corpus/<target> and is read
# again by the next one, so runs add up; findings are written to
# build/fuzz/achados/. A finding that has been fixed goes into
# fuzz/corpus/<target>/regressoes/ under a name that says what it was.
set -euo pipefail
cd "$(dirname "$0")/.."

segundos="${1:-60}"
case "$segundos" in
  '' | *[!0-9]*) echo "usage: fuzz/rodar.sh [seconds]" >&2; exit 2 ;;
esac

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

construcao=build/fuzz
mkdir -p "$construcao/achados"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"

falhas=0
for alvo in leitura formatos; do
  programa="$construcao/fuzz/fuzz_$alvo"
  sementes="fuzz/corpus/$alvo"
  crescido="$construcao/corpus/$alvo"
  mkdir -p "$crescido"

  regressoes=()
  if [ -d "$sementes/regressoes" ]; then
    while IFS= read -r -d '' arquivo; do regressoes+=("$arquivo"); done \
      < <(find "$sementes/regressoes" -type f -print0 | sort -z)
  fi
  if [ "${#regressoes[@]}" -gt 0 ]; then
    echo "== $alvo: ${#regressoes[@]} regression inputs"
    if ! "$programa" -timeout=10 -rss_limit_mb=2048 "${regressoes[@]}" >"$construcao/achados/regressoes_$alvo.log" 2>&1; then
      echo "!! $alvo: a regression input fails again; see $construcao/achados/regressoes_$alvo.log" >&2
      tail -n 40 "$construcao/achados/regressoes_$alvo.log" >&2
      falhas=1
      continue
    fi
  fi

  echo "== $alvo: fuzzing for $segundos s"
  # The first folder receives the new inputs; the seeds (regressions
  # included, the folders are read recursively) are only read.
  if ! "$programa" -max_total_time="$segundos" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
      -print_final_stats=1 -artifact_prefix="$construcao/achados/$alvo-" \
      "$crescido" "$sementes" >"$construcao/achados/$alvo.log" 2>&1; then
    echo "!! $alvo: finding; the input is in $construcao/achados/, the log in $construcao/achados/$alvo.log" >&2
    tail -n 60 "$construcao/achados/$alvo.log" >&2
    falhas=1
    continue
  fi
  grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$construcao/achados/$alvo.log" || true
done

exit "$falhas"
