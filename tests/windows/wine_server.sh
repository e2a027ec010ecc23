#!/bin/sh
# Keeps one Wine server running for a whole test run: without it every test
# starts Wine's services afresh, seconds each. "start" makes the prefix
# ($WINEPREFIX, which the windows preset keeps in the build tree) and leaves
# a persistent server; "stop" ends it and everything Wine started.
#   sh wine_server.sh start|stop
set -eu
prefix=${WINEPREFIX:-$HOME/.wine}
case ${1:-} in
start)
    mkdir -p "$prefix"
    # A server that started without -p (listing the tests starts one) has
    # to be gone before a persistent one can take its place.
    wineserver -w
    wineserver -p </dev/null >/dev/null 2>&1
    # Output to a log: a daemon holding the test's pipes would keep CTest waiting.
    wine wineboot </dev/null >"$prefix/wineboot.log" 2>&1 || {
        cat "$prefix/wineboot.log" >&2
        exit 1
    }
    ;;
stop)
    wineserver -k 2>/dev/null || true
    wineserver -w
    ;;
*)
    echo "usage: wine_server.sh start|stop" >&2
    exit 2
    ;;
esac
