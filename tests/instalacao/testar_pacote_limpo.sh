#!/bin/sh
# The README's commands for the Debian package, run as written on a bare
# Debian machine: a minimal system (debootstrap --variant=minbase, the
# release of this machine) that holds nothing but the sources. The README's
# first block under "Linux: o pacote Debian" installs what the build needs,
# builds the package and installs it; then the package must be installed,
# depend on the libraries its programs load (conferir_pacote.sh), and its
# launcher, run from PATH in an empty folder, must give the reference run's
# listing and data files.
#
#   testar_pacote_limpo.sh ESPERADO [ESPELHO]
#
# ESPERADO: the reference run of the example; ESPELHO: the Debian mirror
# (http://deb.debian.org/debian). Needs the superuser, debootstrap and the
# mirror; exit status 77 (skipped) without them. The sources are the files
# git tracks here, as they are in the working tree.
set -eu

falhar() {
    echo "FALHOU: $*" >&2
    exit 1
}

fontes=$(cd "$(dirname "$0")/../.." && pwd)
esperado=$(realpath "$1")
espelho=${2:-http://deb.debian.org/debian}
if [ "$(id -u)" != 0 ] || ! command -v debootstrap >/dev/null 2>&1; then
    echo "sem o superusuário ou sem debootstrap: teste pulado"
    exit 77
fi
. /etc/os-release
versao=${VERSION_CODENAME:?}

raiz=$(mktemp -d "${TMPDIR:-/var/tmp}/difusao-limpo.XXXXXXXX")
desmontar() {
    for ponto in "$raiz/proc" "$raiz/dev"; do
        if mountpoint -q "$ponto" 2>/dev/null; then umount "$ponto"; fi
    done
    rm -rf "$raiz" "$raiz.debootstrap.log"
}
trap desmontar EXIT
trap 'exit 1' INT TERM HUP

# The bare machine.
if ! debootstrap --variant=minbase "$versao" "$raiz" "$espelho" > "$raiz.debootstrap.log" 2>&1; then
    tail -n 5 "$raiz.debootstrap.log" >&2
    rm -f "$raiz.debootstrap.log"
    falhar "debootstrap $versao de $espelho falhou"
fi
rm -f "$raiz.debootstrap.log"
mount -t proc proc "$raiz/proc"
mount --bind /dev "$raiz/dev"
cp /etc/resolv.conf "$raiz/etc/resolv.conf"
for comando in file dpkg-shlibdeps cmake; do
    if chroot "$raiz" sh -c "command -v $comando" >/dev/null; then
        falhar "a máquina mínima já tem $comando: ela não prova o que o README instala"
    fi
done

# The sources, and the README's block.
mkdir "$raiz/root/difusao_calor"
(cd "$fontes" && git ls-files -z | tar --null -T - -cf -) | tar -xf - -C "$raiz/root/difusao_calor"
awk '/^### Linux: o pacote Debian/ { secao = 1; next }
     secao && /^```sh$/ { bloco = 1; next }
     bloco && /^```$/ { exit }
     bloco { print }' "$fontes/README.md" > "$raiz/root/comandos.sh"
grep -q 'cpack --preset deb' "$raiz/root/comandos.sh" || falhar "o bloco do pacote não foi achado no README"
echo "Comandos do README, numa máquina $versao mínima:"
sed 's/^/  /' "$raiz/root/comandos.sh"

chroot "$raiz" env DEBIAN_FRONTEND=noninteractive sh -euc 'cd /root/difusao_calor && . /root/comandos.sh' \
    > "$raiz/root/comandos.log" 2>&1 || { tail -n 30 "$raiz/root/comandos.log" >&2; falhar "os comandos do README falharam"; }

# What they leave.
chroot "$raiz" dpkg-query -W -f '${Status}\n' difusao-calor | grep -qx 'install ok installed' ||
    falhar "difusao-calor não ficou instalado"
ls "$raiz"/root/difusao_calor/build/pacote/difusao-calor_*.deb >/dev/null || falhar "o pacote não está em build/pacote"
cp "$fontes/tests/instalacao/conferir_pacote.sh" "$raiz/root/"
chroot "$raiz" sh -c 'cd /root/difusao_calor && sh /root/conferir_pacote.sh build/pacote/difusao-calor_*.deb' ||
    falhar "as dependências do pacote"
if grep -q 'Using only user-provided' "$raiz/root/comandos.log"; then
    falhar "o cpack montou o pacote sem as dependências das bibliotecas"
fi
chroot "$raiz" sh -c 'mkdir /root/placa && cd /root/placa && difusao-calor </dev/null' > /dev/null 2> "$raiz/root/placa.erro" ||
    { cat "$raiz/root/placa.erro" >&2; falhar "o lançador instalado falhou na pasta vazia"; }
for nome in listagem.txt temp_media.txt temp_meio.txt; do
    cmp "$esperado/$nome" "$raiz/root/placa/$nome" || falhar "$nome difere da corrida de referência"
done
echo "máquina $versao mínima: o pacote dos comandos do README se instala e roda o exemplo"
