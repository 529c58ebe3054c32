#!/bin/sh
# The program's folders include one another only downwards, as their opening
# headers say: the program (principal, main) above dados/, dados/ above the
# numerical core nucleo/, the core above the services, and inside
# servicos/ execucao.hpp above the folders and the folders one above the
# other, base/ at the ground. A line per layer, with the folders (or single
# headers) it may include besides its own files. Every include must name a
# file of src/ (so nothing includes the study tool, which is above the
# program). Any other include fails the test, naming the file and the line.
#
#     sh tests/arquitetura/conferir_dependencias.sh <src folder>
set -eu
src=${1:?src folder}

# The layer of a path inside src/: its folder, with servicos/ split into its
# own folders; the files at the top of src/ and of servicos/ are the layers
# "principal" and "servicos".
camada() {
    case $1 in
    servicos/*/*) pasta=${1#servicos/}; echo "servicos/${pasta%%/*}" ;;
    servicos/*)   echo servicos ;;
    */*)          echo "${1%%/*}" ;;
    *)            echo principal ;;
    esac
}

permitidos() {
    case $1 in
    principal)            echo "dados/ nucleo/ servicos/" ;;
    dados)                echo "nucleo/ servicos/" ;;
    nucleo)               echo "servicos/" ;;
    servicos)             echo "servicos/" ;;
    servicos/base)        echo "" ;;
    servicos/elementares) echo "servicos/base/" ;;
    servicos/plataforma)  echo "servicos/base/" ;;
    servicos/erros)       echo "servicos/plataforma/ servicos/elementares/ servicos/base/" ;;
    servicos/registros)   echo "servicos/erros/ servicos/base/" ;;
    servicos/comandos)    echo "servicos/erros/ servicos/plataforma/ servicos/base/" ;;
    servicos/unidades)    echo "servicos/registros/ servicos/erros/ servicos/plataforma/ servicos/base/" ;;
    *)                    echo "?" ;;
    esac
}

falhas=0
for arquivo in $(cd "$src" && find . -type f | sed 's|^\./||' | sort); do
    propria=$(camada "$arquivo")
    regra=$(permitidos "$propria")
    if [ "$regra" = "?" ]; then
        echo "$src/$arquivo: in $propria/, a folder without a rule in $0"
        falhas=1
        continue
    fi
    grep -n '#include "' "$src/$arquivo" | while IFS= read -r linha; do
        incluido=$(printf '%s\n' "$linha" | sed 's/.*#include "\([^"]*\)".*/\1/')
        onde="$src/$arquivo:${linha%%:*}"
        if [ ! -f "$src/$incluido" ]; then
            echo "$onde: includes $incluido, which is not a file of src/"
            exit 1
        fi
        [ "$(camada "$incluido")" = "$propria" ] && continue
        aceito=no
        for permitido in $regra; do
            case $incluido in "$permitido"*) aceito=yes ;; esac
        done
        if [ $aceito = no ]; then
            echo "$onde: includes $incluido, which $propria may not call"
            exit 1
        fi
    done || falhas=1
done
exit $falhas
