#!/bin/sh
# The Windows zip as a user gets it: one folder holding exactly the programs,
# the launcher, the plot scripts, the example input and LEIA-ME.txt, the texts
# a user opens in Notepad with CR LF line ends; and difusao_calor.exe taken
# from it runs the example in that folder under wine, leaving the listing and
# the data files of the reference run byte for byte. The command interpreter
# is a stand-in that only logs the command lines, so no editor or plotter
# starts. The launcher difusao-calor.exe, handing its commands on to the same
# stand-in, names a decimal comma and its line after the edit and leaves the
# bytes of the program run alone, and, with no wgnuplot to be found, says
# once after the run that the plots were not drawn and what to install (and
# with one in the folder hands it the study's stability verdict); after a
# failed read it passes the program's report and status through, the line
# named once, by the check after the edit; after a run too large for the
# memory it passes F6772 through and then gives the memory the run needs and
# what the system leaves; started in an empty folder it copies the example
# and every plot script there, and with no wgnuplot (wine has none) it sends
# the browser to the zip's page on the run's case.
#
#   testar_zip.sh ZIP ESPERADO INTERPRETADOR EMULADOR...
#
# ESPERADO: the reference run of the example (its listing, data files and the
# log of its four command lines); INTERPRETADOR: the Windows build's logging
# stand-in (tests/interpretador_registro.exe); EMULADOR: the command line that
# starts a Windows program (wine with its prefix).
set -eu

zip=$(realpath "$1")
esperado=$(realpath "$2")
interpretador=$(realpath "$3")
shift 3

falhar() {
    echo "FALHOU: $*" >&2
    exit 1
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
topo=$(basename "$zip" .zip)

# Contents: one folder, named as the zip, with exactly these files (folder
# entries of their own, which some zip writers add, aside).
for nome in LEIA-ME.txt comparacao_esquemas.gnu convergencia.gnu convergencia_listagem.gnu difusao-calor.exe \
    difusao_calor.exe difusao_calor.html entradas_geral.ent estudo_convergencia.exe mapa.gnu perfis.gnu temp_media.gnu \
    temp_meio.gnu; do
    echo "$topo/$nome"
done > "$tmp/esperado.lst"
cmake -E tar tf "$zip" | grep -v '/$' | sort > "$tmp/obtido.lst"
echo "Conteúdo de $(basename "$zip"):"
sed 's/^/  /' "$tmp/obtido.lst"
diff "$tmp/esperado.lst" "$tmp/obtido.lst" || falhar "o zip não tem exatamente os arquivos esperados"

(cd "$tmp" && cmake -E tar xf "$zip")
pasta=$tmp/$topo

# Notepad's texts: LEIA-ME.txt in UTF-8 with its byte-order mark, and both it
# and the example input with CR LF at every line end.
[ "$(od -An -tx1 -N3 "$pasta/LEIA-ME.txt" | tr -d ' ')" = efbbbf ] || falhar "LEIA-ME.txt sem a marca UTF-8"
cr=$(printf '\r')
for texto in LEIA-ME.txt entradas_geral.ent; do
    linhas=$(wc -l < "$pasta/$texto")
    if [ "$linhas" = 0 ] || [ "$(grep -c "$cr\$" "$pasta/$texto")" != "$linhas" ]; then
        falhar "$texto tem linhas sem CR LF"
    fi
done

# The example, run from the unpacked folder as a user starts it there. Under
# wine the host's root is drive Z:, and wine gives every program its own
# COMSPEC, so the stand-in is named from inside, by cmd.exe.
cp "$pasta/entradas_geral.ent" "$tmp/entrada_original"
(
    cd "$pasta"
    DIFUSAO_REGISTRO=Z:$tmp/comandos.txt "$@" cmd /c "set COMSPEC=Z:$interpretador&& difusao_calor.exe" </dev/null
) > "$tmp/saida" 2> "$tmp/erro" || { cat "$tmp/erro" >&2; falhar "difusao_calor.exe terminou com falha"; }

for nome in listagem.txt temp_media.txt temp_meio.txt; do
    cmp "$esperado/$nome" "$pasta/$nome" || falhar "$nome difere da corrida de referência"
done
cmp "$esperado/comandos.txt" "$tmp/comandos.txt" || falhar "os comandos diferem da corrida de referência"
cmp "$tmp/entrada_original" "$pasta/entradas_geral.ent" || falhar "a entrada mudou"
echo "difusao_calor.exe do zip: listagem, dados e comandos idênticos aos da corrida de referência"

# A copy of the unpacked folder whose input has line $2 replaced by $3 ("":
# deleted), in $tmp/$1, and the program alone run on it in $tmp/$1.direta.
copia_com_entrada() {
    copia=$tmp/$1
    linha=$2
    texto=$3
    shift 3
    cp -r "$pasta" "$copia"
    if [ -n "$texto" ]; then
        sed "${linha}s/.*/$texto\r/" "$pasta/entradas_geral.ent" > "$copia/entradas_geral.ent"
    else
        sed "${linha}d" "$pasta/entradas_geral.ent" > "$copia/entradas_geral.ent"
    fi
    cp -r "$copia" "$copia.direta"
    if (cd "$copia.direta" && "$@" cmd /c "set COMSPEC=Z:$interpretador&& difusao_calor.exe" </dev/null) \
        > /dev/null 2> "$copia.direta.erro"; then status_direto=0; else status_direto=$?; fi
}
# The launcher, started in folder $1 as $2 (a Windows path), its commands
# handed on to the stand-in.
lancar() {
    pasta_da_corrida=$1
    lancador=$2
    shift 2
    (cd "$pasta_da_corrida" && "$@" cmd /c "set DIFUSAO_COMSPEC=Z:$interpretador&& $lancador" </dev/null) \
        > "$tmp/saida" 2> "$tmp/erro"
}
janelas() { printf 'Z:%s' "$1" | tr / '\\'; }

# Without the page beside the launcher, the plots' absence is said once.
copia_com_entrada virgula 7 '0,5      theta' "$@"
rm "$tmp/virgula/difusao_calor.html"
lancar "$tmp/virgula" difusao-calor.exe "$@" || { cat "$tmp/erro" >&2; falhar "o lançador terminou com falha na entrada com vírgula"; }
grep 'linha 7' "$tmp/erro" | grep -q 'vírgula' || { cat "$tmp/erro" >&2; falhar "a vírgula da linha 7 não foi avisada"; }
[ "$(grep -c 'os gráficos não foram desenhados: wgnuplot.exe' "$tmp/erro")" = 1 ] ||
    { cat "$tmp/erro" >&2; falhar "a falta do wgnuplot não foi dita uma vez, em português"; }
for nome in listagem.txt temp_media.txt temp_meio.txt; do
    cmp "$tmp/virgula.direta/$nome" "$tmp/virgula/$nome" || falhar "$nome do lançador difere do programa sozinho"
done

copia_com_entrada sem_nx 3 '' "$@"
if lancar "$tmp/sem_nx" difusao-calor.exe "$@"; then status=0; else status=$?; fi
[ "$status" = "$status_direto" ] && [ "$status" = 1 ] || falhar "status $status, e o programa sozinho deu $status_direto"
grep -q 'run-time error F6101: READ(entradas_geral.ent)' "$tmp/sem_nx.direta.erro" || falhar "o programa sozinho não falhou como esperado"
# The report starts with its CR LF, two bytes before "run-time error".
inicio=$(grep -abo 'run-time error' "$tmp/erro" | head -n 1 | cut -d: -f1)
[ -n "$inicio" ] || { cat "$tmp/erro" >&2; falhar "o relatório do programa sumiu"; }
tamanho=$(wc -c < "$tmp/sem_nx.direta.erro")
tail -c +"$((inicio - 1))" "$tmp/erro" | head -c "$tamanho" | cmp - "$tmp/sem_nx.direta.erro" ||
    falhar "o relatório do programa não passou como está"
[ "$(grep 'linha 3' "$tmp/erro" | grep -c 'Nx')" = 1 ] ||
    { cat "$tmp/erro" >&2; falhar "a linha 3 e Nx não foram ditas uma vez só"; }
tail -c +"$((inicio - 1 + tamanho))" "$tmp/erro" | grep -q 'avisos da conferência dos dados, acima' ||
    { cat "$tmp/erro" >&2; falhar "a falha não aponta a conferência"; }

# A plotter on the path (the stand-in under its name, in the folder): it gets
# the study's stability verdict for the titles, in ASCII octal escapes, also
# the characters that cmd would act on (k < 0: "F < 0 (k, ro ou cp ...").
copia_com_entrada tracador 8 '-45.0    condutividade' "$@"
cp "$interpretador" "$tmp/tracador/wgnuplot.exe"
DIFUSAO_REGISTRO=Z:$tmp/tracador.txt lancar "$tmp/tracador" difusao-calor.exe "$@" ||
    { cat "$tmp/erro" >&2; falhar "o lançador terminou com falha com um traçador"; }
grep -qF 'wgnuplot -e "veredito = \"F = \316\261\302\267dt/dx\302\262 = -0.0489 \074 0 \050k, ro ou cp negativo\051: ' \
    "$tmp/tracador.txt" || { cat "$tmp/tracador.txt" >&2; falhar "o traçador não recebeu o veredito do estudo"; }
if grep -q 'os gráficos não foram desenhados' "$tmp/erro"; then falhar "com traçador, a falta dele foi dita"; fi

# The largest Nx, 155 GB of arrays: more than this machine can give, unless
# it has that much free.
livre_kb=$(awk '/^(MemAvailable|SwapFree):/ { soma += $2 } END { print soma + 0 }' /proc/meminfo)
if [ "$livre_kb" -lt 150000000 ]; then
    copia_com_entrada enorme 3 '2147483646  Nx' "$@"
    if lancar "$tmp/enorme" difusao-calor.exe "$@"; then status=0; else status=$?; fi
    [ "$status" = "$status_direto" ] && [ "$status" = 1 ] || falhar "status $status, e o programa sozinho deu $status_direto"
    printf '\r\nrun-time error F6772\r\n- insufficient memory\r\n' | cmp - "$tmp/enorme.direta.erro" ||
        falhar "o programa sozinho não relatou F6772"
    inicio=$(grep -abo 'run-time error' "$tmp/erro" | head -n 1 | cut -d: -f1)
    [ -n "$inicio" ] || { cat "$tmp/erro" >&2; falhar "o relatório do programa sumiu"; }
    tamanho=$(wc -c < "$tmp/enorme.direta.erro")
    tail -c +"$((inicio - 1))" "$tmp/erro" | head -c "$tamanho" | cmp - "$tmp/enorme.direta.erro" ||
        falhar "o relatório do programa não passou como está"
    tail -c +"$((inicio - 1 + tamanho))" "$tmp/erro" | grep 'linhas 3 e 5' | grep 'precisa de' | grep -q 'F6772' ||
        { cat "$tmp/erro" >&2; falhar "a explicação não diz a memória da corrida e a do sistema"; }
else
    echo "esta máquina tem 150 GB livres: a corrida grande demais não foi testada"
fi

mkdir "$tmp/vazia"
lancar "$tmp/vazia" "$(janelas "$pasta/difusao-calor.exe")" "$@" ||
    { cat "$tmp/erro" >&2; falhar "o lançador terminou com falha numa pasta vazia"; }
for nome in entradas_geral.ent temp_media.gnu temp_meio.gnu comparacao_esquemas.gnu convergencia.gnu \
    convergencia_listagem.gnu mapa.gnu perfis.gnu; do
    cmp "$pasta/$nome" "$tmp/vazia/$nome" || falhar "$nome não foi copiado para a pasta vazia"
done
cmp "$esperado/listagem.txt" "$tmp/vazia/listagem.txt" || falhar "a corrida na pasta vazia não rodou o exemplo"
# Wine has no wgnuplot: the launcher writes ver_no_navegador.html, which sends
# the browser to the zip's page on the run's case (the example, CR LF and all),
# and says so once.
[ "$(grep -c 'wgnuplot não encontrado: os gráficos \(abrem no navegador\|estão na página\)' "$tmp/erro")" = 1 ] ||
    { cat "$tmp/erro" >&2; falhar "sem wgnuplot, o lançador não disse uma vez que abre a página"; }
if grep -q 'os gráficos não foram desenhados' "$tmp/erro"; then falhar "com a página, a falta do wgnuplot foi dita duas vezes"; fi
grep -q "url=file:///Z:$(printf '%s' "$pasta" | sed 's/ /%20/g')/difusao_calor.html#caso=listagem.txt%0D%0A1.0%20%20%20%20%20%20comprimento%0D%0A21%20" \
    "$tmp/vazia/ver_no_navegador.html" || falhar "ver_no_navegador.html não leva à página com o caso da corrida"
echo "difusao-calor.exe do zip: vírgula avisada, falta do wgnuplot dita, falhas explicadas (a leitura uma vez, F6772 com a memória), exemplo e roteiros copiados, página aberta sem wgnuplot"
