#!/bin/sh
# The launcher as a user meets it, with no terminal and no display:
# - in an empty folder it copies the example and the plot scripts, and the run
#   leaves the listing and the data files of the reference run byte for byte
#   and both plots as PNG images;
# - a second run in the same folder keeps the input and the plot scripts the
#   user changed, says nothing, honours the user's own COMSPEC and hands the
#   program its arguments;
# - an existing but empty input file is the user's: the program's failure
#   report and exit status come through;
# - with a terminal, the installed interpreter hands its editor a listing name
#   that looks like an option or a command ("+cmd") as a file name, and a name
#   with a blank as one argument.
#
#   testar_lancador.sh ESPERADO [CMAKE BUILD]
#
# ESPERADO: the reference run of the example. With CMAKE and BUILD the build
# is first installed into a scratch prefix, which must hold exactly the
# installed set; without them difusao-calor is taken from PATH as installed
# (by the Debian package). Exit status 77 (skipped) without gnuplot.
set -eu

falhar() {
    echo "FALHOU: $*" >&2
    exit 1
}

if ! command -v gnuplot >/dev/null 2>&1; then
    echo "gnuplot ausente: teste pulado"
    exit 77
fi

esperado=$(realpath "$1")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

if [ "$#" -ge 3 ]; then
    prefixo=$tmp/prefixo
    "$2" --install "$3" --prefix "$prefixo" >/dev/null
    (cd "$prefixo" && find . ! -type d | sort) > "$tmp/instalado.lst"
    cat > "$tmp/esperado.lst" <<'FIM'
./bin/difusao-calor
./bin/difusao_calor
./bin/estudo_convergencia
./share/difusao_calor/comparacao_esquemas.gnu
./share/difusao_calor/convergencia.gnu
./share/difusao_calor/convergencia_listagem.gnu
./share/difusao_calor/entradas_geral.ent
./share/difusao_calor/interpretador.sh
./share/difusao_calor/mapa.gnu
./share/difusao_calor/perfis.gnu
./share/difusao_calor/temp_media.gnu
./share/difusao_calor/temp_meio.gnu
./share/man/man1/difusao-calor.1
./share/man/man1/difusao_calor.1
./share/man/man1/estudo_convergencia.1
FIM
    diff "$tmp/esperado.lst" "$tmp/instalado.lst" || falhar "a instalação não tem exatamente os arquivos esperados"
    PATH=$prefixo/bin:$PATH
fi
lancador=$(command -v difusao-calor) || falhar "difusao-calor não está no PATH"
dados=$(dirname "$lancador")/../share/difusao_calor

# No display, no interpreter of the user's, no terminal (standard input from
# /dev/null, the output to files).
unset DISPLAY WAYLAND_DISPLAY COMSPEC DIFUSAO_GRAFICOS
rodar() {
    pasta_da_corrida=$1
    shift
    (cd "$pasta_da_corrida" && difusao-calor "$@" </dev/null) > "$tmp/saida" 2> "$tmp/erro"
}

# 1. An empty folder.
pasta=$tmp/pasta
mkdir "$pasta"
rodar "$pasta" || { cat "$tmp/erro" >&2; falhar "a primeira corrida terminou com falha"; }
[ ! -s "$tmp/saida" ] || falhar "a corrida escreveu na saída padrão"
grep -q 'entradas_geral.ent' "$tmp/erro" || falhar "a cópia do exemplo não foi avisada"
(cd "$pasta" && LC_ALL=C ls) > "$tmp/pasta.lst"
printf '%s\n' entradas_geral.ent listagem.txt temp_media.gnu temp_media.png temp_media.txt \
    temp_meio.gnu temp_meio.png temp_meio.txt | diff - "$tmp/pasta.lst" || falhar "a pasta não tem o esperado"
for nome in listagem.txt temp_media.txt temp_meio.txt; do
    cmp "$esperado/$nome" "$pasta/$nome" || falhar "$nome difere da corrida de referência"
done
for nome in entradas_geral.ent temp_media.gnu temp_meio.gnu; do
    cmp "$dados/$nome" "$pasta/$nome" || falhar "$nome não é a cópia do instalado"
done
for grafico in temp_media.png temp_meio.png; do
    [ "$(od -An -tx1 -N8 "$pasta/$grafico" | tr -d ' ')" = 89504e470d0a1a0a ] || falhar "$grafico não é PNG"
done

# 2. The same folder, after the user changed the input (a blank listing name,
#    which the program takes from its argument) and a plot script, with a
#    command interpreter of the user's that logs.
sed "1s/.*/''/" "$dados/entradas_geral.ent" > "$pasta/entradas_geral.ent"
echo '# ajuste do usuário' >> "$pasta/temp_media.gnu"
for nome in entradas_geral.ent temp_media.gnu temp_meio.gnu; do cp "$pasta/$nome" "$tmp/$nome"; done
cat > "$tmp/registrar" <<FIM
#!/bin/sh
printf '%s\n' "\$2" >> "$tmp/comandos.txt"
FIM
chmod +x "$tmp/registrar"
: > "$tmp/comandos.txt"
COMSPEC=$tmp/registrar rodar "$pasta" segunda.txt || { cat "$tmp/erro" >&2; falhar "a segunda corrida terminou com falha"; }
[ ! -s "$tmp/erro" ] || { cat "$tmp/erro" >&2; falhar "a segunda corrida falou"; }
for nome in entradas_geral.ent temp_media.gnu temp_meio.gnu; do
    cmp "$tmp/$nome" "$pasta/$nome" || falhar "a segunda corrida mudou $nome"
done
cmp "$esperado/listagem.txt" "$pasta/segunda.txt" || falhar "a segunda corrida não leu a entrada e o argumento do usuário"
sed -n '1p;$p' "$tmp/comandos.txt" > "$tmp/primeiro_e_ultimo"
printf '%s\n' 'notepad entradas_geral.ent' 'wgnuplot temp_meio.gnu' | cmp - "$tmp/primeiro_e_ultimo" ||
    falhar "o COMSPEC do usuário não recebeu os comandos"

# 3. An empty input file: kept, and the program's report and status come back.
vazia=$tmp/vazia
mkdir "$vazia"
: > "$vazia/entradas_geral.ent"
if COMSPEC=$tmp/registrar rodar "$vazia"; then status=0; else status=$?; fi
[ "$status" = 1 ] || falhar "status $status em vez de 1 depois de uma falha"
grep -q '^run-time error F6501: READ(entradas_geral.ent)' "$tmp/erro" || falhar "faltou o relatório da falha"
[ ! -s "$vazia/entradas_geral.ent" ] || falhar "a entrada vazia do usuário foi trocada"

# 4. The installed interpreter on a terminal (given by script), its editor a
#    stand-in that logs its arguments, with command lines as the program
#    writes them.
if script -qec true /dev/null </dev/null >/dev/null 2>&1; then
    cat > "$tmp/editor" <<FIM
#!/bin/sh
printf '[%s]' "\$@" >> "$tmp/editados.txt"
echo >> "$tmp/editados.txt"
FIM
    chmod +x "$tmp/editor"
    : > "$tmp/editados.txt"
    for comando in "notepad +wq" "notepad -n" "notepad 'x +wq'"; do
        VISUAL=$tmp/editor script -qec "sh '$dados/interpretador.sh' -c \"$comando\"" /dev/null </dev/null >/dev/null 2>&1 ||
            falhar "o interpretador falhou em: $comando"
    done
    printf '%s\n' '[./+wq]' '[./-n]' '[x +wq]' | cmp - "$tmp/editados.txt" ||
        falhar "o editor não recebeu cada nome como um arquivo"
else
    echo "sem terminal (script): o editor do interpretador não foi testado"
fi
echo "difusao-calor ($lancador): três corridas como esperado"
