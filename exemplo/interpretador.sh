#!/bin/sh
# Command interpreter for difusao_calor on Linux: point COMSPEC at this file.
#
# The program hands its interpreter four command lines, "notepad <file>" to
# show the input file and the listing, and "wgnuplot <script>" for the two
# plots, each as "<interpreter> -c <command line>". Here "notepad" opens the
# file in $VISUAL, $EDITOR, sensible-editor or vi when there is a terminal to
# edit in (the listing as a converted view, below), and "wgnuplot" runs
# gnuplot: in a window when one can be opened,
# otherwise (or with DIFUSAO_GRAFICOS=png) it writes the plot as a PNG image
# next to its data and says where. Every call returns only when the editor or
# the plot window is closed. Where gnuplot is missing and a display exists,
# the program's offline page (difusao_calor.html) opens in the browser on
# this run's case and draws both plots.
#
# After the input file has been edited, and before the program reads it, the
# input is checked by the study tool's quiet explainer
# (estudo_convergencia --explicar --avisos): its warnings go to standard
# error, and with a terminal the user may edit the file again until the data
# are accepted. The check never stops the run. The explainer is
# $DIFUSAO_EXPLICADOR when that is set (empty: none, already reported by the
# launcher), otherwise the one next to the running program (also in its build
# folder) or on PATH; a missing one is reported once.
#
# The listing is Windows-1252 with CR LF record ends, as the program must
# write it, and a Linux editor would show its accents as garbage: the editor
# gets a copy converted to UTF-8 with LF line ends, in a folder of its own
# that goes when the editor closes. The listing itself is never touched (what
# is changed in the view is not kept); where the conversion fails (a byte
# that Windows-1252 leaves undefined) the editor gets the file itself.
#
# The plots' titles get the study tool's stability verdict
# (estudo_convergencia --explicar --titulo), the same as the study's. When
# the launcher found no gnuplot (DIFUSAO_SEM_GNUPLOT) it says so once after
# the run, opening the page through "abrir_pagina_do_caso" here, and
# "wgnuplot" only notes the script it could not draw.
#
# The command line is run by this shell's own parser, so a listing name that
# the program quoted stays one literal file name.

avisar() {
    printf 'difusao-calor: %s\n' "$*" >&2
}

com_terminal() {
    [ -t 0 ] && [ -t 1 ]
}

editor() {
    if [ -n "${VISUAL:-}" ]; then
        echo "$VISUAL"
    elif [ -n "${EDITOR:-}" ]; then
        echo "$EDITOR"
    elif command -v sensible-editor >/dev/null 2>&1; then
        echo sensible-editor
    else
        echo vi
    fi
}

# The study tool that came with the running program: the program is this
# interpreter's parent; in a build folder the study tool is in estudo/.
achar_explicador() {
    if [ -n "${DIFUSAO_EXPLICADOR+x}" ]; then
        echo "${DIFUSAO_EXPLICADOR}"
        return
    fi
    programa=$(readlink "/proc/$PPID/exe" 2>/dev/null) || programa=
    if [ -n "$programa" ]; then
        pasta=$(dirname -- "$programa")
        for candidato in "$pasta/estudo_convergencia" "$pasta/estudo/estudo_convergencia"; do
            if [ -x "$candidato" ]; then
                echo "$candidato"
                return
            fi
        done
    fi
    command -v estudo_convergencia 2>/dev/null
}

# Prints the explainer's warnings about entradas_geral.ent on standard error;
# false when there are any.
conferir_entrada() {
    if [ -z "$explicador" ]; then
        return 0
    fi
    avisos=$("$explicador" --explicar --avisos 2>/dev/null)
    status=$?
    if [ "$status" = 0 ]; then
        return 0
    fi
    if [ "$status" != 1 ] && [ "$status" != 2 ] || [ -z "$avisos" ]; then
        avisar "$explicador não conferiu entradas_geral.ent (status $status); a corrida segue sem a conferência"
        explicador=
        return 0
    fi
    if [ "$status" = 1 ]; then
        avisar "difusao_calor não vai conseguir ler entradas_geral.ent até o fim:"
    else
        avisar "confira entradas_geral.ent antes do cálculo:"
    fi
    printf '%s\n' "$avisos" | sed 's/^/  /' >&2
    return 1
}

# Whether the user, at the terminal, asks to edit the input again.
editar_de_novo() {
    printf 'difusao-calor: abrir entradas_geral.ent de novo para corrigir? [s/N] ' >&2
    read -r resposta || return 1
    case "$resposta" in
        [sS]*) return 0 ;;
        *) return 1 ;;
    esac
}

editar() {
    if com_terminal; then
        $(editor) "$1"
    fi
}

# Opens the converted view of the listing $1 in the editor; anything but a
# readable plain file goes to the editor as it is.
mostrar_listagem() {
    com_terminal || return 0
    if [ ! -f "$1" ] || [ ! -r "$1" ] || ! vista=$(mktemp -d "${TMPDIR:-/tmp}/difusao-calor-vista.XXXXXXXX"); then
        editar "$1"
        return
    fi
    trap 'rm -rf -- "$vista"' EXIT
    copia=$vista/$(basename -- "$1")
    cr=$(printf '\r')
    if iconv -f CP1252 -t UTF-8 < "$1" > "$copia.utf8" 2>/dev/null && sed "s/$cr\$//" "$copia.utf8" > "$copia"; then
        rm -f -- "$copia.utf8"
        editar "$copia"
    else
        editar "$1"
    fi
    rm -rf -- "$vista"
    trap - EXIT
}

notepad() {
    # The editor takes the rest of its command line as one file name; a name
    # that begins with a dash or a plus is given as ./name so no editor reads
    # it as an option or, like vi, as a command to run ("+cmd").
    arquivo="$*"
    case "$arquivo" in [-+]*) arquivo="./$arquivo" ;; esac
    if [ "$arquivo" != entradas_geral.ent ]; then
        mostrar_listagem "$arquivo"
        return
    fi
    explicador=$(achar_explicador)
    if [ -z "${DIFUSAO_EXPLICADOR+x}" ] && [ -z "$explicador" ]; then
        avisar "estudo_convergencia não encontrado: entradas_geral.ent segue sem conferência"
    fi
    while :; do
        editar "$arquivo"
        if conferir_entrada || ! com_terminal || ! editar_de_novo; then
            return 0
        fi
    done
}

# Why no plot window can be opened; nothing when one can.
sem_janela() {
    if [ "${DIFUSAO_GRAFICOS:-}" = png ]; then
        echo "DIFUSAO_GRAFICOS=png"
    elif [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        echo "sem tela: DISPLAY vazio"
    elif ! gnuplot -e 'print GPVAL_TERMINALS' 2>&1 | grep -qwE 'qt|wxt|x11'; then
        echo "este gnuplot não abre janelas; o pacote gnuplot-qt abre"
    elif [ -z "${WAYLAND_DISPLAY:-}" ] && command -v xdpyinfo >/dev/null 2>&1 && ! xdpyinfo >/dev/null 2>&1; then
        echo "a tela $DISPLAY não responde"
    fi
}

# --- The page where no gnuplot is installed ------------------------------------
# The offline page (difusao_calor.html) is $DIFUSAO_PAGINA when that is set,
# otherwise the one beside this script (installed, the package's).
achar_pagina() {
    if [ -n "${DIFUSAO_PAGINA+x}" ]; then
        [ -f "$DIFUSAO_PAGINA" ] && echo "$DIFUSAO_PAGINA"
        return
    fi
    pagina=$(CDPATH='' cd -- "$(dirname -- "$0")" && pwd -P)/difusao_calor.html
    [ -f "$pagina" ] && echo "$pagina"
}

# Bytes percent-encoded for a URL, all but the unreserved ones and those of
# `extra` (a list of byte values).
por_cento() {
    od -An -v -tu1 | awk -v extra=" $1 " '{
        for (i = 1; i <= NF; i++) {
            c = $i
            if ((c >= 48 && c <= 57) || (c >= 65 && c <= 90) || (c >= 97 && c <= 122) || c == 45 || c == 46 ||
                c == 95 || c == 126 || index(extra, " " c " ") > 0) printf "%c", c
            else printf "%%%02X", c
        }
    }'
}

# The page's link to this run's case: the page's file URL, then #caso= and
# entradas_geral.ent, its Windows-1252 text as UTF-8, percent-encoded.
link_do_caso() {
    printf 'file://%s#caso=%s' "$(printf '%s' "$1" | por_cento 47)" \
        "$(iconv -f WINDOWS-1252 -t UTF-8 entradas_geral.ent | por_cento)"
}

# ver_no_navegador.html, in the run's folder, sends the browser to the page
# on this run's case: a file opened by the desktop keeps no #fragment.
abrir_pagina() {
    link=$(link_do_caso "$1") || return 1
    printf '<!doctype html>\n<meta charset="utf-8">\n<meta http-equiv="refresh" content="0; url=%s">\n<title>difusao_calor</title>\n<p><a href="%s">Abrir a página de difusao_calor com este caso</a></p>\n' \
        "$link" "$link" > ver_no_navegador.html || return 1
    # Like a plot window, the browser may keep this call until it is closed.
    xdg-open ver_no_navegador.html >/dev/null 2>&1
}

# Whether the page can be shown here: it exists, with a display and a way to
# open a file in the desktop's browser.
pagina_visivel() {
    [ -n "$1" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && command -v xdg-open >/dev/null 2>&1
}

# "abrir_pagina_do_caso": the page opened on this run's case, silently (the
# launcher, which found no gnuplot, says so once after the run); false where
# it cannot be shown.
abrir_pagina_do_caso() {
    pagina=$(achar_pagina)
    pagina_visivel "$pagina" && abrir_pagina "$pagina"
}

# No gnuplot, and no launcher to say it: the page draws both plots. With a
# display, the first plot opens the page in the default browser on this
# run's case, and the second is on the same page; without a display, or
# without the page, the message says how to get them.
sem_gnuplot() {
    pagina=$(achar_pagina)
    if pagina_visivel "$pagina"; then
        if [ "$1" != temp_media.gnu ] && [ -f ver_no_navegador.html ] &&
            grep -qF -- "$(link_do_caso "$pagina")" ver_no_navegador.html; then
            return 0
        fi
        if abrir_pagina "$pagina"; then
            avisar "gnuplot não encontrado: os gráficos abrem no navegador, na página do programa com o caso desta corrida ($(pwd)/ver_no_navegador.html)"
            return 0
        fi
    fi
    avisar "gnuplot não encontrado: $1 não foi desenhado (instale o pacote gnuplot${pagina:+, ou abra $pagina no navegador})"
    return 127
}

# The study tool's stability verdict for the titles, its lines joined by \n
# as gnuplot reads them in a double-quoted string; nothing without the tool.
veredito() {
    explicador=$(achar_explicador)
    [ -n "$explicador" ] || return 0
    "$explicador" --explicar --titulo 2>/dev/null | sed ':a;N;$!ba;s/\n/\\n/g'
}

wgnuplot() {
    if ! command -v gnuplot >/dev/null 2>&1; then
        if [ -n "${DIFUSAO_SEM_GNUPLOT:-}" ]; then
            return 127  # the launcher says it once, after the run
        fi
        sem_gnuplot "$1"
        return
    fi
    titulo=$(veredito)
    if [ -n "$titulo" ]; then
        set -- -e "veredito = \"$titulo\"" "$@"
    fi
    motivo=$(sem_janela)
    if [ -z "$motivo" ]; then
        gnuplot -e "png=0" "$@"
        return
    fi
    gnuplot -e "png=1" "$@"
    status=$?
    for roteiro in "$@"; do :; done
    imagem=${roteiro%.gnu}.png
    if [ "$status" = 0 ] && [ -f "$imagem" ]; then
        avisar "gráfico gravado em $(pwd)/$imagem ($motivo)"
    fi
    return "$status"
}

if [ "$#" -ne 2 ] || { [ "$1" != "-c" ] && [ "$1" != "/c" ]; }; then
    echo "uso: $0 -c 'linha de comando'" >&2
    exit 2
fi
eval "$2"
