#!/bin/sh
# The Debian package depends on what its programs load: the Depends field
# names the package of every shared library that difusao_calor and
# estudo_convergencia need, as dpkg-shlibdeps finds them. Without `file` the
# packing stops; without dpkg-shlibdeps (dpkg-dev) it goes on and makes a
# package with no library dependencies at all, saying only "Using only
# user-provided dependencies", which must not appear in its output either.
#
#   conferir_pacote.sh DEB [SAIDA_DO_CPACK]
#
# Needs dpkg-deb, objdump and ldconfig, and the libraries installed here.
set -eu

falhar() {
    echo "FALHOU: $*" >&2
    exit 1
}

deb=$1
if [ "$#" -ge 2 ] && grep -q 'Using only user-provided' "$2"; then
    falhar "o cpack montou o pacote sem as dependências das bibliotecas: $(grep 'Using only user-provided' "$2")"
fi

# The package names of the Depends field, one per line, alternatives apart.
dependencias=$(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | sed 's/^ *//; s/[ (:].*//' | sed '/^$/d')
[ -n "$dependencias" ] || falhar "o pacote não tem Depends"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dpkg-deb -x "$deb" "$tmp/raiz"
for programa in difusao_calor estudo_convergencia; do
    [ -x "$tmp/raiz/usr/bin/$programa" ] || falhar "o pacote não tem usr/bin/$programa"
    for biblioteca in $(objdump -p "$tmp/raiz/usr/bin/$programa" | awk '$1 == "NEEDED" { print $2 }'); do
        caminho=$(ldconfig -p | awk -v b="$biblioteca" '$1 == b && /x86-64/ { print $NF; exit }')
        [ -n "$caminho" ] || falhar "$biblioteca, de que $programa precisa, não está instalada aqui"
        # The library's package, by its path as installed or as its link resolves.
        pacote=$( (dpkg -S "$caminho" || dpkg -S "$(readlink -f "$caminho")") 2>/dev/null | head -n 1 | cut -d: -f1)
        [ -n "$pacote" ] || falhar "nenhum pacote instalado tem $caminho"
        printf '%s\n' "$dependencias" | grep -qx "$pacote" ||
            falhar "$programa precisa de $biblioteca ($pacote), que o Depends do pacote não cita: $(dpkg-deb -f "$deb" Depends)"
    done
done
echo "$(basename "$deb"): Depends $(dpkg-deb -f "$deb" Depends)"
