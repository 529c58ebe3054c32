#!/bin/sh
# The launcher as a user meets it, with no terminal and no display:
# - in an empty folder it copies the example and the plot scripts, the
#   study's too, and the run leaves the listing and the data files of the
#   reference run byte for byte and both plots as PNG images, saying where
#   they are; the example raises no warning;
# - a second run in the same folder keeps the input and the plot scripts the
#   user changed, says nothing, honours the user's own COMSPEC and hands the
#   program its arguments;
# - an empty input file counts as missing: the example is copied over it;
# - a decimal comma on the theta line is named with its line on standard
#   error, and the results are byte for byte those of the program run alone;
# - a missing line: the check after the edit names the line where the read
#   will stop, the program's report comes through unchanged and with its
#   status, then a pointer to that warning (said once) and the earlier
#   results that stayed;
# - --help and --version answer and leave the folder empty;
# - a display that cannot be opened (DISPLAY=:77) still gives both plots;
# - a missing study tool is reported once and the run goes on;
# - under an address-space limit (ulimit -v) too small for the run, the check
#   warns before the run, the program's report comes through unchanged and
#   with its status, and then the memory the run needs and the limit;
# - without gnuplot the run says once, after it, that the plots were not
#   drawn and what to install; with it, gnuplot gets the study tool's
#   stability verdict for the titles;
# - with a terminal, the installed interpreter hands its editor a listing name
#   that looks like an option or a command ("+cmd") as a file name, and a name
#   with a blank as one argument; after the input is edited with a warning,
#   it opens the editor again when asked and goes on when not; the listing
#   reaches the editor as a UTF-8 view with LF line ends, which goes when the
#   editor closes, and the listing keeps its bytes whatever is done in it.
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
bin=$(dirname "$lancador")
dados=$bin/../share/difusao_calor

# No display, no interpreter or study tool of the user's, no terminal
# (standard input from /dev/null, the output to files).
unset DISPLAY WAYLAND_DISPLAY COMSPEC DIFUSAO_GRAFICOS DIFUSAO_EXPLICADOR
rodar() {
    pasta_da_corrida=$1
    shift
    (cd "$pasta_da_corrida" && difusao-calor "$@" </dev/null) > "$tmp/saida" 2> "$tmp/erro"
}

# A fresh folder holding the example with line $1 replaced by $2 ("" deletes it).
pasta_com_entrada() {
    pasta_nova=$tmp/$1
    mkdir "$pasta_nova"
    if [ -n "$3" ]; then
        sed "$2s/.*/$3/" "$dados/entradas_geral.ent" > "$pasta_nova/entradas_geral.ent"
    else
        sed "$2d" "$dados/entradas_geral.ent" > "$pasta_nova/entradas_geral.ent"
    fi
}

# The program alone on the input of folder $1, in a copy of it, its commands
# taken by a stand-in interpreter that does nothing: $1.direta.
rodar_direto() {
    mkdir "$tmp/$1.direta"
    cp "$tmp/$1/entradas_geral.ent" "$tmp/$1.direta/"
    if (cd "$tmp/$1.direta" && COMSPEC=/bin/true "$bin/difusao_calor" </dev/null) > /dev/null 2> "$tmp/$1.direta.erro"; then
        status_direto=0
    else
        status_direto=$?
    fi
}

# 1. An empty folder.
pasta=$tmp/pasta
mkdir "$pasta"
rodar "$pasta" || { cat "$tmp/erro" >&2; falhar "a primeira corrida terminou com falha"; }
[ ! -s "$tmp/saida" ] || falhar "a corrida escreveu na saída padrão"
grep -q 'entradas_geral.ent' "$tmp/erro" || falhar "a cópia do exemplo não foi avisada"
grep -q 'roteiros dos gráficos copiados.*temp_media.gnu.*convergencia.gnu' "$tmp/erro" ||
    falhar "a cópia dos roteiros não foi avisada"
if grep -q 'confira' "$tmp/erro"; then falhar "o exemplo deu aviso na conferência"; fi
for grafico in temp_media.png temp_meio.png; do
    grep -qF "$(cd "$pasta" && pwd)/$grafico" "$tmp/erro" || falhar "não foi dito onde está $grafico"
done
(cd "$pasta" && LC_ALL=C ls) > "$tmp/pasta.lst"
roteiros_do_estudo="comparacao_esquemas.gnu convergencia.gnu convergencia_listagem.gnu mapa.gnu perfis.gnu"
printf '%s\n' $roteiros_do_estudo entradas_geral.ent listagem.txt temp_media.gnu temp_media.png temp_media.txt \
    temp_meio.gnu temp_meio.png temp_meio.txt | LC_ALL=C sort | diff - "$tmp/pasta.lst" || falhar "a pasta não tem o esperado"
for nome in listagem.txt temp_media.txt temp_meio.txt; do
    cmp "$esperado/$nome" "$pasta/$nome" || falhar "$nome difere da corrida de referência"
done
for nome in entradas_geral.ent temp_media.gnu temp_meio.gnu $roteiros_do_estudo; do
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
echo '# ajuste do usuário' >> "$pasta/convergencia.gnu"
for nome in entradas_geral.ent temp_media.gnu temp_meio.gnu convergencia.gnu; do cp "$pasta/$nome" "$tmp/$nome"; done
cat > "$tmp/registrar" <<FIM
#!/bin/sh
printf '%s\n' "\$2" >> "$tmp/comandos.txt"
FIM
chmod +x "$tmp/registrar"
: > "$tmp/comandos.txt"
COMSPEC=$tmp/registrar rodar "$pasta" segunda.txt || { cat "$tmp/erro" >&2; falhar "a segunda corrida terminou com falha"; }
[ ! -s "$tmp/erro" ] || { cat "$tmp/erro" >&2; falhar "a segunda corrida falou"; }
for nome in entradas_geral.ent temp_media.gnu temp_meio.gnu convergencia.gnu; do
    cmp "$tmp/$nome" "$pasta/$nome" || falhar "a segunda corrida mudou $nome"
done
cmp "$esperado/listagem.txt" "$pasta/segunda.txt" || falhar "a segunda corrida não leu a entrada e o argumento do usuário"
sed -n '1p;$p' "$tmp/comandos.txt" > "$tmp/primeiro_e_ultimo"
printf '%s\n' 'notepad entradas_geral.ent' 'wgnuplot temp_meio.gnu' | cmp - "$tmp/primeiro_e_ultimo" ||
    falhar "o COMSPEC do usuário não recebeu os comandos"

# 3. An empty input file, as a run of the program alone in an empty folder
#    leaves it: replaced by the example, and the run completes.
vazia=$tmp/vazia
mkdir "$vazia"
: > "$vazia/entradas_geral.ent"
COMSPEC=$tmp/registrar rodar "$vazia" || { cat "$tmp/erro" >&2; falhar "a corrida com a entrada vazia falhou"; }
grep -q 'entradas_geral.ent estava vazio' "$tmp/erro" || falhar "a troca da entrada vazia não foi avisada"
cmp "$dados/entradas_geral.ent" "$vazia/entradas_geral.ent" || falhar "a entrada vazia não virou o exemplo"
cmp "$esperado/listagem.txt" "$vazia/listagem.txt" || falhar "a corrida com a entrada vazia não rodou o exemplo"

# 4. A decimal comma for theta: named with its line, and the same bytes as
#    the program alone on the same input (which reads theta = 0).
pasta_com_entrada virgula 7 '0,5      theta'
rodar "$tmp/virgula" || { cat "$tmp/erro" >&2; falhar "a corrida com vírgula falhou"; }
grep 'linha 7' "$tmp/erro" | grep -q 'vírgula' || { cat "$tmp/erro" >&2; falhar "a vírgula da linha 7 não foi avisada"; }
rodar_direto virgula
for nome in listagem.txt temp_media.txt temp_meio.txt; do
    cmp "$tmp/virgula.direta/$nome" "$tmp/virgula/$nome" || falhar "$nome do lançador difere do programa sozinho"
done

# 5. The line of Nx missing, in a folder with an earlier run's results: the
#    program's report byte for byte and its status, then the explanation.
pasta_com_entrada sem_nx 3 ''
for nome in listagem.txt temp_media.txt temp_meio.txt; do cp "$esperado/$nome" "$tmp/sem_nx/"; done
if rodar "$tmp/sem_nx"; then status=0; else status=$?; fi
rodar_direto sem_nx
[ "$status" = "$status_direto" ] && [ "$status" = 1 ] || falhar "status $status, e o programa sozinho deu $status_direto"
grep -q '^run-time error F6101: READ(entradas_geral.ent)' "$tmp/sem_nx.direta.erro" || falhar "o programa sozinho não falhou como esperado"
# The report starts with its CR LF, two bytes before "run-time error".
inicio=$(grep -abo 'run-time error' "$tmp/erro" | head -n 1 | cut -d: -f1)
[ -n "$inicio" ] || { cat "$tmp/erro" >&2; falhar "o relatório do programa sumiu"; }
tamanho=$(wc -c < "$tmp/sem_nx.direta.erro")
tail -c +"$((inicio - 1))" "$tmp/erro" | head -c "$tamanho" | cmp - "$tmp/sem_nx.direta.erro" ||
    falhar "o relatório do programa não passou como está"
tail -c +"$((inicio - 1 + tamanho))" "$tmp/erro" > "$tmp/depois"
[ "$(grep 'linha 3' "$tmp/erro" | grep -c 'Nx')" = 1 ] ||
    { cat "$tmp/erro" >&2; falhar "a linha 3 e Nx não foram ditas uma vez só"; }
grep -q 'avisos da conferência dos dados, acima' "$tmp/depois" || { cat "$tmp/erro" >&2; falhar "a falha não aponta a conferência"; }
grep -q 'listagem.txt, temp_media.txt, temp_meio.txt' "$tmp/depois" || falhar "os resultados anteriores não foram nomeados"
for nome in listagem.txt temp_media.txt temp_meio.txt; do
    cmp "$esperado/$nome" "$tmp/sem_nx/$nome" || falhar "$nome da corrida anterior mudou"
done

# 6. Help and version: nothing run, nothing copied.
for opcao in --help -h --ajuda --version; do
    mkdir "$tmp/ajuda"
    rodar "$tmp/ajuda" "$opcao" || falhar "$opcao terminou com falha"
    [ -s "$tmp/saida" ] && [ ! -s "$tmp/erro" ] || falhar "$opcao não respondeu só na saída padrão"
    [ -z "$(ls -A "$tmp/ajuda")" ] || falhar "$opcao deixou arquivos na pasta"
    rmdir "$tmp/ajuda"
done

# 7. A display that does not answer: the plots are written as PNG all the same.
mkdir "$tmp/tela"
DISPLAY=:77 rodar "$tmp/tela" || { cat "$tmp/erro" >&2; falhar "a corrida com DISPLAY=:77 falhou"; }
[ -s "$tmp/tela/temp_media.png" ] && [ -s "$tmp/tela/temp_meio.png" ] || falhar "sem os PNG com DISPLAY=:77"

# 8. No study tool: said once, and the run is the usual one.
mkdir "$tmp/sem_estudo"
DIFUSAO_EXPLICADOR=$tmp/nao_existe rodar "$tmp/sem_estudo" || falhar "a corrida sem o estudo falhou"
[ "$(grep -c 'estudo_convergencia não encontrado' "$tmp/erro")" = 1 ] || falhar "a falta do estudo não foi dita uma vez"
cmp "$esperado/listagem.txt" "$tmp/sem_estudo/listagem.txt" || falhar "a corrida sem o estudo difere"

# 9. Ten million nodes (690 MiB of arrays) under an address-space limit of
#    200 MB: the check warns before the run, the program's report is its
#    own, then the estimate and the limit. Skipped where the programs cannot
#    start under such a limit (a sanitizer's shadow memory).
limite_kb=200000
if (ulimit -v "$limite_kb" && "$bin/estudo_convergencia" --help) >/dev/null 2>&1; then
    pasta_com_entrada limitada 3 '10000000  Nx'
    if (ulimit -v "$limite_kb" && rodar "$tmp/limitada"); then status=0; else status=$?; fi
    mkdir "$tmp/limitada.direta"
    cp "$tmp/limitada/entradas_geral.ent" "$tmp/limitada.direta/"
    if (ulimit -v "$limite_kb" && cd "$tmp/limitada.direta" && COMSPEC=/bin/true "$bin/difusao_calor" </dev/null) \
        > /dev/null 2> "$tmp/limitada.direta.erro"; then status_direto=0; else status_direto=$?; fi
    [ "$status" = "$status_direto" ] && [ "$status" = 1 ] || falhar "status $status, e o programa sozinho deu $status_direto"
    printf '\r\nrun-time error F6772\r\n- insufficient memory\r\n' | cmp - "$tmp/limitada.direta.erro" ||
        falhar "o programa sozinho não relatou F6772"
    inicio=$(grep -abo 'run-time error' "$tmp/erro" | head -n 1 | cut -d: -f1)
    [ -n "$inicio" ] || { cat "$tmp/erro" >&2; falhar "o relatório do programa sumiu"; }
    head -c "$((inicio - 2))" "$tmp/erro" > "$tmp/antes"
    tamanho=$(wc -c < "$tmp/limitada.direta.erro")
    tail -c +"$((inicio - 1))" "$tmp/erro" | head -c "$tamanho" | cmp - "$tmp/limitada.direta.erro" ||
        falhar "o relatório do programa não passou como está"
    tail -c +"$((inicio - 1 + tamanho))" "$tmp/erro" > "$tmp/depois"
    for parte in antes depois; do
        grep 'linhas 3 e 5' "$tmp/$parte" | grep 'precisa de' | grep -q 'ulimit -v' ||
            { cat "$tmp/erro" >&2; falhar "a memória e o limite não foram ditos ($parte do relatório)"; }
    done
    grep -q 'F6772' "$tmp/depois" || falhar "a explicação não nomeia F6772"
else
    echo "os programas não rodam sob ulimit -v $limite_kb: a corrida limitada não foi testada"
fi

# 10. No gnuplot on PATH (every other program the launcher and its
#     interpreter use is): one message after the run. And a gnuplot that
#     logs its arguments gets the study's verdict.
mkdir "$tmp/caminho" "$tmp/sem_gnuplot" "$tmp/com_titulo"
for programa in sh dirname readlink cp mktemp mkfifo tee rm cat sed grep kill ls; do
    ln -s "$(command -v "$programa")" "$tmp/caminho/$programa"
done
ln -s "$lancador" "$tmp/caminho/difusao-calor"
PATH=$tmp/caminho rodar "$tmp/sem_gnuplot" || { cat "$tmp/erro" >&2; falhar "a corrida sem gnuplot falhou"; }
[ "$(grep -c 'os gráficos não foram desenhados: gnuplot não foi encontrado; instale o pacote gnuplot' "$tmp/erro")" = 1 ] ||
    { cat "$tmp/erro" >&2; falhar "a falta do gnuplot não foi dita uma vez"; }
if grep -q 'não foi desenhado' "$tmp/erro"; then falhar "a falta do gnuplot foi dita a cada gráfico"; fi
cmp "$esperado/listagem.txt" "$tmp/sem_gnuplot/listagem.txt" || falhar "a corrida sem gnuplot difere"
cat > "$tmp/caminho/gnuplot" <<FIM
#!/bin/sh
printf '[%s]' "\$@" >> "$tmp/gnuplot.txt"
echo >> "$tmp/gnuplot.txt"
FIM
chmod +x "$tmp/caminho/gnuplot"
PATH=$tmp/caminho rodar "$tmp/com_titulo" || { cat "$tmp/erro" >&2; falhar "a corrida com o gnuplot de registro falhou"; }
grep -qF '[-e][veredito = "F = α·dt/dx² = 0.0489; θ ≥ 0.5: estável para todo F ≥ 0"][temp_media.gnu]' "$tmp/gnuplot.txt" ||
    { cat "$tmp/gnuplot.txt" >&2; falhar "o gnuplot não recebeu o veredito do estudo"; }

# With a display, the page installed (the package's, or a stand-in in the
# test's own installation) and a browser opener that logs what it is given:
# after the run the page opens once on the run's case, and that is said once.
substituta=
if [ ! -f "$dados/difusao_calor.html" ] && [ -n "${prefixo:-}" ]; then
    substituta=$dados/difusao_calor.html
    echo '<!doctype html>' > "$substituta"
fi
if [ -f "$dados/difusao_calor.html" ]; then
    rm "$tmp/caminho/gnuplot"
    for programa in od awk iconv; do
        ln -s "$(command -v "$programa")" "$tmp/caminho/$programa"
    done
    printf '#!/bin/sh\necho "$@" >> "%s/abertos.txt"\n' "$tmp" > "$tmp/caminho/xdg-open"
    chmod +x "$tmp/caminho/xdg-open"
    mkdir "$tmp/com_pagina"
    DISPLAY=:77 PATH=$tmp/caminho rodar "$tmp/com_pagina" || { cat "$tmp/erro" >&2; falhar "a corrida com a página falhou"; }
    [ "$(grep -c 'gnuplot não encontrado: os gráficos abrem no navegador' "$tmp/erro")" = 1 ] ||
        { cat "$tmp/erro" >&2; falhar "a página aberta não foi dita uma vez"; }
    if grep -q 'desenhado' "$tmp/erro"; then falhar "com a página, a falta do gnuplot foi dita também"; fi
    [ "$(cat "$tmp/abertos.txt")" = ver_no_navegador.html ] || falhar "a página não foi aberta uma vez"
    grep -q "url=file://.*/difusao_calor.html#caso=listagem.txt%0A1.0%20" "$tmp/com_pagina/ver_no_navegador.html" ||
        falhar "ver_no_navegador.html não leva à página com o caso da corrida"
    if [ -n "$substituta" ]; then rm "$substituta"; fi
else
    echo "sem a página instalada: a abertura no navegador não foi testada"
fi

# 11. The installed interpreter on a terminal (given by script), its editor a
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

    # The comma input, left as it is by the editor: "s" opens it again, then
    # "n" goes on; the warning comes before each question.
    : > "$tmp/editados.txt"
    printf 's\nn\n' | (cd "$tmp/virgula" && VISUAL=$tmp/editor DIFUSAO_EXPLICADOR=$bin/estudo_convergencia \
        script -qec "sh '$dados/interpretador.sh' -c 'notepad entradas_geral.ent'" /dev/null) > "$tmp/terminal" 2>&1 ||
        falhar "o interpretador falhou na entrada com vírgula"
    printf '%s\n' '[entradas_geral.ent]' '[entradas_geral.ent]' | cmp - "$tmp/editados.txt" ||
        falhar "o editor não foi aberto de novo só uma vez"
    [ "$(grep -c 'de novo para corrigir' "$tmp/terminal")" = 2 ] || { cat "$tmp/terminal" >&2; falhar "a pergunta não veio duas vezes"; }
    [ "$(grep -c 'linha 7' "$tmp/terminal")" = 2 ] || falhar "o aviso não veio antes de cada pergunta"

    # The listing of the first run, shown by an editor that keeps a copy of
    # what it was given and then changes it.
    cat > "$tmp/editor_que_muda" <<FIM
#!/bin/sh
cp "\$1" "$tmp/vista.txt"
echo 'mudado no editor' >> "\$1"
FIM
    chmod +x "$tmp/editor_que_muda"
    mkdir "$tmp/vistas"
    (cd "$pasta" && VISUAL=$tmp/editor_que_muda TMPDIR=$tmp/vistas \
        script -qec "sh '$dados/interpretador.sh' -c 'notepad listagem.txt'" /dev/null </dev/null >/dev/null 2>&1) ||
        falhar "o interpretador falhou ao mostrar a listagem"
    cmp "$esperado/listagem.txt" "$pasta/listagem.txt" || falhar "mostrar a listagem mudou os bytes dela"
    cr=$(printf '\r')
    ! grep -q "$cr" "$tmp/vista.txt" || falhar "a vista da listagem tem CR"
    grep -q 'Difusão de Calor' "$tmp/vista.txt" || falhar "a vista da listagem não está em UTF-8"
    iconv -f UTF-8 -t CP1252 "$tmp/vista.txt" | sed "s/\$/$cr/" | cmp - "$esperado/listagem.txt" ||
        falhar "a vista não é a listagem convertida"
    [ -z "$(ls -A "$tmp/vistas")" ] || falhar "a vista ficou em $tmp/vistas"
else
    echo "sem terminal (script): o editor do interpretador não foi testado"
fi
echo "difusao-calor ($lancador): corridas como esperado"
