#!/bin/sh
# Command interpreter for difusao_calor on Linux: point COMSPEC at this file.
#
# The program hands its interpreter four command lines, "notepad <file>" to
# show the input file and the listing, and "wgnuplot <script>" for the two
# plots, each as "<interpreter> -c <command line>". Here "notepad" opens the
# file in $VISUAL or $EDITOR (vi) when there is a terminal to edit in, and
# "wgnuplot" runs gnuplot: in a window when there is a display, otherwise (or
# with DIFUSAO_GRAFICOS=png) it writes the plot as a PNG image next to its
# data. Every call returns only when the editor or the plot window is closed.
#
# The command line is run by this shell's own parser, so a listing name that
# the program quoted stays one literal file name.

notepad() {
    # The editor takes the rest of its command line as one file name; a name
    # that begins with a dash or a plus is given as ./name so no editor reads
    # it as an option or, like vi, as a command to run ("+cmd").
    arquivo="$*"
    case "$arquivo" in [-+]*) arquivo="./$arquivo" ;; esac
    if [ -t 0 ] && [ -t 1 ]; then
        ${VISUAL:-${EDITOR:-vi}} "$arquivo"
    fi
}

wgnuplot() {
    if [ "${DIFUSAO_GRAFICOS:-}" = png ] || [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        gnuplot -e "png=1" "$@"
    else
        gnuplot -e "png=0" "$@"
    fi
}

if [ "$#" -ne 2 ] || { [ "$1" != "-c" ] && [ "$1" != "/c" ]; }; then
    echo "usage: $0 -c 'command line'" >&2
    exit 2
fi
eval "$2"
