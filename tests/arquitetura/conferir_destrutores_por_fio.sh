#!/bin/sh
# No object of the program's libraries holds a thread_local object with a
# destructor. The compiler registers each such destructor, on the object's
# first use in a thread, through __cxa_thread_atexit; with emulated
# thread-local storage (MinGW-w64's GCC) a thread's end gives that storage
# back before it runs those destructors, which then read, write and free
# whatever the heap has put there meanwhile. Each object that registers one
# is named, with the library it is in.
#
#     sh tests/arquitetura/conferir_destrutores_por_fio.sh <nm> <library>...
set -eu
nm=${1:?nm}
shift
falhas=0
for biblioteca in "$@"; do
    simbolos=$("$nm" -A "$biblioteca")
    if printf '%s\n' "$simbolos" | grep '__cxa_thread_atexit$'; then
        falhas=1
    fi
done
exit $falhas
