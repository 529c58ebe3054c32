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
# 20261208) in the environment change the draw. CASOS=falhas draws runs that
# fail instead (divisions by zero and 0/0 in the derived quantities, growth
# beyond the double range in the loop, in the exact solution and in the
# listing, zero pivots, huge lengths), and the bytes of the whole folder each
# leaves are compared too.
set -eu

linux=$(realpath "$1")
shift
corridas=${CORRIDAS:-24}
estado=${SEMENTE:-20261208}
casos=${CASOS:-ordinarias}

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

# One of the words given, at random, in $escolhido.
um_de() {
    sortear $#
    shift "$sorteado"
    escolhido=$1
}

# The final time that gives a mesh Fourier number F = $1/$2 with
# F = alpha dt/dx^2: tf = F dx^2 Nt/alpha.
tempo_final() {
    awk -v lx="$lx" -v nx="$nx" -v nt="$nt" -v k="$k" -v ro="$ro" -v cp="$cp" -v f="$1" -v d="$2" \
        'BEGIN { dx = lx / (nx - 1); printf "%.6e", f / d * dx * dx * nt * ro * cp / k }'
}

# An ordinary run: every scheme, a few hundred to a few thousand steps, the
# explicit scheme inside its stability bound (F up to 0.45, the bound being
# 0.5).
sortear_ordinaria() {
    um_de 0 0.5 1
    theta=$escolhido
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
    sortear 45
    tf=$(tempo_final $((sorteado + 1)) 100)
}

# A run that fails, of one of ten kinds; each starts from an ordinary run and
# changes what its kind needs.
sortear_falha() {
    sortear_ordinaria
    sortear 10
    case $sorteado in
        0) nx=1; um_de 0 "$lx"; lx=$escolhido ;;                        # dx = Lx/0, or 0/0
        1) nt=0; um_de 0 "$tf"; tf=$escolhido ;;                        # dt = tf/0, or 0/0
        2) um_de ro cp; eval "$escolhido=0"; um_de 0 "$k"; k=$escolhido ;;  # alpha = k/0, or 0/0
        3) lx=0 ;;                                                      # dx = 0 in the weights
        4) # The scheme beyond its bound: the field grows beyond the double range.
           um_de 0 0.1 0.25 0.4
           theta=$escolhido
           sortear 991
           tf=$(tempo_final $((10 + sorteado)) 1) ;;
        5) # 1 + 2 theta F = 0: a zero pivot in the first elimination.
           um_de 1:-0.5 2:-0.25 4:-0.125 8:-0.0625
           f=${escolhido%:*}
           theta=${escolhido#*:}
           sortear 48
           nx=$((3 + sorteado))
           lx=$((nx - 1)); k=1; ro=1; cp=1; tf=$((f * nt)) ;;
        6) # A negative conductivity: the exact solution grows, and so may the field.
           sortear 2
           k=-$(decimal $((sorteado - 1)))
           sortear 3
           tf=$(decimal $((sorteado))) ;;
        7) sortear 140; lx=$(decimal $((155 + sorteado))) ;;          # dx^2 beyond the range
        8) nx=$((50 + nx)); ti=$(decimal 307) ;;                        # the level-0 sum beyond it
        9) # The exact middle-node value overflows in the listing, on runs
           # large enough to have their results written during the loop.
           um_de 3 1025 2049
           nx=$escolhido
           um_de 1100 1500
           nt=$escolhido
           lx=1; tf=1.9465; ti=1e300; theta=1; k=-1.0; ro=1; cp=1 ;;
    esac
}

# The folder's files and their bytes, as one text.
retrato() {
    (cd "$1" && for nome in *; do printf '%s\n' "$nome"; cksum < "$nome"; done)
}

diferentes=0
falhas=0
r=1
while [ "$r" -le "$corridas" ]; do
    if [ "$casos" = falhas ]; then sortear_falha; else sortear_ordinaria; fi
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
        [ ! -e "$pasta/linux/$nome" ] && [ ! -e "$pasta/outro/$nome" ] && continue  # neither run left it
        cmp -s "$pasta/linux/$nome" "$pasta/outro/$nome" || { igual="não ($nome)"; }
    done
    [ "$(ls -A "$pasta/linux")" = "$(ls -A "$pasta/outro")" ] || igual="não (arquivos da pasta)"
    [ "$status_linux" = "$status_outro" ] || igual="não (status $status_linux, $status_outro)"
    if [ "$casos" = falhas ]; then
        [ "$(retrato "$pasta/linux")" = "$(retrato "$pasta/outro")" ] || igual="não (bytes da pasta)"
        [ "$status_linux" = 1 ] && falhas=$((falhas + 1))
        echo "$caso: $igual; status $status_linux $(tr -d '\r' < "$pasta/linux/erro" | tail -n 1)"
    else
        [ -s "$pasta/linux/corrida.txt" ] || igual="não (sem listagem, status $status_linux)"
        echo "$caso: $igual"
    fi
    [ "$igual" = sim ] || diferentes=$((diferentes + 1))
    r=$((r + 1))
done

[ "$casos" = falhas ] && echo "$falhas de $corridas corridas terminaram num relatório"
if [ "$diferentes" -ne 0 ]; then
    echo "FALHOU: $diferentes de $corridas corridas diferem entre os dois programas" >&2
    exit 1
fi
echo "$corridas corridas: listagens, arquivos de dados, saídas, erros e status idênticos nos dois programas"
