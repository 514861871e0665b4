#!/bin/sh
# Runs one Windows test program under Wine, in the build folder's own prefix.
# usage: wine_run.sh <prefix> <wine> <wineserver> <program> [arguments...]
WINEPREFIX=$1
wine=$2
server=$3
shift 3
WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko install prompts
DISPLAY=
# What the tests recycle lands in a Trash of the build folder's own, never in
# the user's, and exists even in a home that has no data folder yet (Wine's
# shell has a Trash only where its data folder exists, and only for files on
# the same volume). MIRTEL_WINE_DATA_HOME names another one.
XDG_DATA_HOME=${MIRTEL_WINE_DATA_HOME:-$WINEPREFIX-data}
[ -n "${MIRTEL_WINE_DATA_HOME:-}" ] || mkdir -p "$XDG_DATA_HOME"
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES DISPLAY XDG_DATA_HOME

# Wine's server and system services must outlive each test and must not hold
# its output open, or every test waits seconds for them to come and go: start
# them once, detached, and keep them a minute past the last program. The
# first start also makes the prefix.
# The lock's descriptor is closed for them, or they would hold it for good.
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$wine" wineboot -i </dev/null >/dev/null 2>&1 9>&-
    "$server" -w 9>&-
  fi
  if "$server" -p60 </dev/null >/dev/null 2>&1 9>&-; then
    "$wine" wineboot </dev/null >/dev/null 2>&1 9>&-
  fi
) 9>"$WINEPREFIX.lock"

exec "$wine" "$@"
