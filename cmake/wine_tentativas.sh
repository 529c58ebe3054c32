#!/bin/sh
# Runs a Windows program under wine, and runs it again when wine itself failed
# to start it.
#
#   wine_tentativas.sh [--avisos FILE] WINE_COMMAND... PROGRAM [ARGUMENTS...]
#
# Now and then, under load, wineserver drops a new client's connection before
# the client has a thread: wine then prints "wine client error:0: recvmsg:
# Connection reset by peer" (or another such "wine client error:0:" line) and
# exits, and the Windows program never ran. Such a start is tried again, at
# most three times in all. Anything else the program does, its output, its
# failures, its crashes and its exit status, passes through unchanged: only a
# failed run whose standard error holds wine's own start-up failure is
# repeated. The thread number 0 in that message says that no thread of the
# program existed yet. (A test program that starts the program under test as
# a child, and meets such a failed start there, is run again as a whole.)
#
# Standard output goes straight through. The standard error of each attempt is
# held in a file and copied out when the attempt ends, so that a failed start
# can be recognised and left out. Each new attempt is announced on standard
# error, or, with --avisos (where that stream is compared byte for byte, or
# where a passing test's output is not shown), at the end of FILE.
set -u

avisos=
if [ "${1:-}" = --avisos ] && [ $# -ge 2 ]; then
    avisos=$2
    shift 2
fi

avisar() {
    if [ -n "$avisos" ]; then
        printf '%s\n' "$1" >>"$avisos"
    else
        printf '%s\n' "$1" >&2
    fi
}

erros=$(mktemp "${TMPDIR:-/tmp}/wine_tentativas.XXXXXX") || exit 125
trap 'rm -f "$erros"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

tentativa=1
while :; do
    "$@" 2>"$erros"
    estado=$?
    if [ "$estado" -ne 0 ] && [ "$tentativa" -lt 3 ] &&
        grep -q '^wine client error:0:' "$erros"; then
        avisar "wine_tentativas.sh: wine did not start a program ($(grep -m 1 '^wine client error:0:' "$erros")); trying again"
        tentativa=$((tentativa + 1))
        sleep 1
        continue
    fi
    cat "$erros" >&2
    exit "$estado"
done
