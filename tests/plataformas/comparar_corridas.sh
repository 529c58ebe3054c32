#!/bin/sh
# The Windows program and the Linux program write the same bytes: on ordinary
# runs drawn at random (every scheme, a few hundred to a few thousand steps,
# the explicit scheme inside its stability bound), both programs run on the
# same input, each in a folder of its own, and their listings, data files,
# standard error and exit statuses must be identical. The draw is fixed by the
# seed, so every machine runs the same cases.
#
#   comparar_corridas.sh PROGRAMA_LINUX PROGRAMA_WINDOWS INTERPRETADOR EMULADOR...
#
# INTERPRETADOR: the Windows build's stand-in command interpreter
# (tests/interpretador_registro.exe), so that no editor or plotter starts;
# EMULADOR: the command line that starts a Windows program (wine with its
# prefix). CORRIDAS (default 24) and SEMENTE (default 20261208) in the
# environment change the draw.
set -eu

linux=$(realpath "$1")
windows=$(realpath "$2")
interpretador=$(realpath "$3")
shift 3
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
    mkdir -p "$pasta/linux" "$pasta/windows"
    printf '%s\r\n' "corrida.txt" "$lx" "$nx" "$tf" "$nt" "$ti" "$theta" "$k" "$ro" "$cp" > "$pasta/linux/entradas_geral.ent"
    cp "$pasta/linux/entradas_geral.ent" "$pasta/windows/"

    status_linux=0
    (cd "$pasta/linux" && COMSPEC=/bin/true "$linux" < /dev/null > saida 2> erro) || status_linux=$?
    # Wine gives every program its own COMSPEC: the stand-in is named from
    # inside, by cmd.exe.
    status_windows=0
    (cd "$pasta/windows" && "$@" cmd /c "set COMSPEC=Z:$interpretador&& Z:$windows" < /dev/null > saida 2> erro) ||
        status_windows=$?

    caso="run $r: Lx=$lx Nx=$nx tf=$tf Nt=$nt Ti=$ti theta=$theta k=$k ro=$ro cp=$cp"
    igual=sim
    for nome in corrida.txt temp_media.txt temp_meio.txt erro; do
        cmp -s "$pasta/linux/$nome" "$pasta/windows/$nome" || { igual="não ($nome)"; }
    done
    [ "$status_linux" = "$status_windows" ] || igual="não (status $status_linux, $status_windows)"
    [ -s "$pasta/linux/corrida.txt" ] || igual="não (sem listagem, status $status_linux)"
    echo "$caso: $igual"
    [ "$igual" = sim ] || diferentes=$((diferentes + 1))
    r=$((r + 1))
done

if [ "$diferentes" -ne 0 ]; then
    echo "FALHOU: $diferentes de $corridas corridas diferem entre Windows e Linux" >&2
    exit 1
fi
echo "$corridas corridas: listagens, arquivos de dados, erros e status idênticos no Windows e no Linux"
