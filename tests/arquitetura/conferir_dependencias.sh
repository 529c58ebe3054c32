#!/bin/sh
# The folders of src/servicos include one another only downwards, as their
# main headers say: a line per folder, with the folders (or single headers)
# it may include besides its own files. Any other include fails the test,
# naming the file and the line.
#
#     sh tests/arquitetura/conferir_dependencias.sh <src folder>
set -eu
src=${1:?src folder}

permitidos() {
    case $1 in
    base)        echo "" ;;
    elementares) echo "base/" ;;
    plataforma)  echo "base/" ;;
    erros)       echo "plataforma/ elementares/ base/" ;;
    registros)   echo "erros/ base/" ;;
    comandos)    echo "erros/ plataforma/ base/" ;;
    unidades)    echo "registros/ erros/ plataforma/ base/" ;;
    *)           echo "?" ;;
    esac
}

falhas=0
for pasta in "$src"/servicos/*/; do
    nome=$(basename "$pasta")
    regra=$(permitidos "$nome")
    if [ "$regra" = "?" ]; then
        echo "$pasta: a folder without a rule in $0"
        falhas=1
        continue
    fi
    for arquivo in "$pasta"*; do
        grep -n '#include "' "$arquivo" | while IFS= read -r linha; do
            incluido=$(printf '%s\n' "$linha" | sed 's/.*#include "\([^"]*\)".*/\1/')
            case $incluido in
            servicos/"$nome"/*) continue ;;
            servicos/*) ;;
            *) echo "$arquivo:${linha%%:*}: includes $incluido, above the services"; exit 1 ;;
            esac
            alvo=${incluido#servicos/}
            aceito=no
            for permitido in $regra; do
                case $alvo in "$permitido"*) aceito=yes ;; esac
            done
            if [ $aceito = no ]; then
                echo "$arquivo:${linha%%:*}: includes $incluido, which $nome/ may not call"
                exit 1
            fi
        done || falhas=1
    done
done
exit $falhas
