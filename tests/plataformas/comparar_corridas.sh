#!/bin/sh
# Another build of the program (Windows under wine, another processor under
# an emulator, WebAssembly under node) writes the same bytes as the Linux
# program: on ordinary runs drawn at random (every scheme, a few hundred to a
# few thousand steps, the explicit scheme inside its stability bound), both
# programs run on the same input, each in a folder of its own, and their
# listings, data files, standard output and error, exit statuses and the
# names left in their folders must be identical.
# The draw is fixed by the seed, so every machine runs the same cases.
#
#   comparar_corridas.sh PROGRAMA_LINUX COMANDO...
#
# COMANDO: the command line that starts the other program in the folder of
# the run, with absolute paths, so that no editor or plotter starts (for
# Windows: wine with its prefix running cmd /c, which names the build's
# stand-in interpreter in COMSPEC and starts the .exe). The Linux program
# gets COMSPEC=/bin/true. CORRIDAS (default 24) and SEMENTE (default
# 20261208) in the environment change the draw.
set -eu

linux=$(realpath "$1")
shift
corridas=${CORRIDAS:-24}
estado=${SEMENTE:-20261208}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A linear congruential generator in shell arithmetic: the same numbers on
# every machine. sortear N gives an integer in [0, N).
sortear() {
    estado=$(((estado * 1103515245 + 12345) % 2147483648))
    sorteado=$(((estado / 65536) % $1))
}

# A decimal of six significant digits, from 1.00000 to 9.99999, times 10^$1.
decimal() {
    sortear 900
    mantissa=$((100 + sorteado))
    sortear 1000
    mantissa=$((mantissa * 1000 + sorteado))
    printf '%s.%se%s' "${mantissa%?????}" "${mantissa#?}" "$1"
}

diferentes=0
r=1
while [ "$r" -le "$corridas" ]; do
    sortear 3
    theta=$(echo "0 0.5 1" | cut -d' ' -f$((sorteado + 1)))
    sortear 398
    nx=$((3 + sorteado))
    sortear 2801
    nt=$((200 + sorteado))
    sortear 3
    lx=$(decimal $((sorteado - 1)))          # 0.1 to 100 m
    sortear 3
    ti=$(decimal $((sorteado)))              # 1 to 1000 ºC
    sortear 3
    k=$(decimal $((sorteado - 1)))           # 0.1 to 100 W/m K
    sortear 2
    ro=$(decimal $((sorteado + 2)))          # 100 to 10^4 kg/m3
    sortear 2
    cp=$(decimal $((sorteado + 2)))          # 100 to 10^4 J/kg K
    # The final time from a mesh Fourier number F = alpha dt/dx^2 up to 0.45
    # (the explicit scheme's bound is 0.5): tf = F dx^2 Nt/alpha.
    sortear 45
    f=$((sorteado + 1))
    tf=$(awk -v lx="$lx" -v nx="$nx" -v nt="$nt" -v k="$k" -v ro="$ro" -v cp="$cp" -v f="$f" \
        'BEGIN { dx = lx / (nx - 1); printf "%.6e", f / 100 * dx * dx * nt * ro * cp / k }')
    pasta=$tmp/$r
    mkdir -p "$pasta/linux" "$pasta/outro"
    printf '%s\r\n' "corrida.txt" "$lx" "$nx" "$tf" "$nt" "$ti" "$theta" "$k" "$ro" "$cp" > "$pasta/linux/entradas_geral.ent"
    cp "$pasta/linux/entradas_geral.ent" "$pasta/outro/"

    status_linux=0
    (cd "$pasta/linux" && COMSPEC=/bin/true "$linux" < /dev/null > saida 2> erro) || status_linux=$?
    status_outro=0
    (cd "$pasta/outro" && "$@" < /dev/null > saida 2> erro) || status_outro=$?

    caso="run $r: Lx=$lx Nx=$nx tf=$tf Nt=$nt Ti=$ti theta=$theta k=$k ro=$ro cp=$cp"
    igual=sim
    for nome in corrida.txt temp_media.txt temp_meio.txt erro saida; do
        cmp -s "$pasta/linux/$nome" "$pasta/outro/$nome" || { igual="não ($nome)"; }
    done
    [ "$(ls -A "$pasta/linux")" = "$(ls -A "$pasta/outro")" ] || igual="não (arquivos da pasta)"
    [ "$status_linux" = "$status_outro" ] || igual="não (status $status_linux, $status_outro)"
    [ -s "$pasta/linux/corrida.txt" ] || igual="não (sem listagem, status $status_linux)"
    echo "$caso: $igual"
    [ "$igual" = sim ] || diferentes=$((diferentes + 1))
    r=$((r + 1))
done

if [ "$diferentes" -ne 0 ]; then
    echo "FALHOU: $diferentes de $corridas corridas diferem entre os dois programas" >&2
    exit 1
fi
echo "$corridas corridas: listagens, arquivos de dados, saídas, erros e status idênticos nos dois programas"
