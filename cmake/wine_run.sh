#!/bin/sh
# Runs one Windows test program under Wine, in the build folder's own prefix.
# usage: wine_run.sh <prefix> <wine> <wineserver> <program> [arguments...]
#        wine_run.sh <prefix> <wine> <wineserver> --start   (the prefix and server only)
#        wine_run.sh <prefix> <wine> <wineserver> --end     (the server and all in it ended)
WINEPREFIX=$1
wine=$2
server=$3
shift 3
# MIRTEL_WINEDEBUG lets a hunt for a fault in Wine's start see its messages.
WINEDEBUG=${MIRTEL_WINEDEBUG:--all}
# No Mono or Gecko install prompts, and no menu entries or file types
# written into anybody's desktop.
WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
DISPLAY=
# Wine takes its user folders, its Recycle Bin and its desktop files from the
# home: the tests get one of their own beside the prefix, never the caller's.
# MIRTEL_WINE_DATA_HOME names another data folder (its Trash with it).
HOME=$WINEPREFIX-home
XDG_CONFIG_HOME=$HOME/.config
XDG_CACHE_HOME=$HOME/.cache
XDG_DATA_HOME=${MIRTEL_WINE_DATA_HOME:-$HOME/.local/share}
# Wine keeps its server's socket under TMPDIR: one folder of the prefix's
# own, whatever the caller's, so that the start, every test and the end
# all find the one server (a test's TMPDIR once gave the tests a second
# server that nothing ended).
TMPDIR=$WINEPREFIX-tmp
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$TMPDIR"
[ -n "${MIRTEL_WINE_DATA_HOME:-}" ] || mkdir -p "$XDG_DATA_HOME"
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES DISPLAY HOME XDG_CONFIG_HOME XDG_CACHE_HOME \
       XDG_DATA_HOME TMPDIR

# Every Wine program without address randomization, where the system allows.
. "$(dirname "$0")/wine_no_aslr.sh"

# The end of a test run: the server and every process left in the prefix.
if [ "${1:-}" = "--end" ]; then
  "$server" -k 2>/dev/null
  exit 0
fi

# One server for the whole run, started detached and kept until the run's
# end (--end): a server that lingers only for a while can go just as a test
# starts, and the one Wine then starts by itself, with its system services,
# would hold the test's output open long after the test.
# The lock's descriptor is closed for them, or they would hold it for good.
(
  flock 9
  # A prefix made for another home still points its user folders there.
  if [ -f "$WINEPREFIX/system.reg" ] && [ "$(cat "$WINEPREFIX.home" 2>/dev/null)" != "$HOME" ]; then
    "$server" -k 2>/dev/null 9>&-
    rm -rf "$WINEPREFIX"
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    $no_aslr "$wine" wineboot -i </dev/null >/dev/null 2>&1 9>&-
    "$server" -w 9>&-
    printf '%s\n' "$HOME" >"$WINEPREFIX.home"
  fi
  if "$server" -p </dev/null >/dev/null 2>&1 9>&-; then
    $no_aslr "$wine" wineboot </dev/null >/dev/null 2>&1 9>&-
  fi
) 9>"$WINEPREFIX.lock"
[ "${1:-}" = "--start" ] && exit 0

# Whatever the program starts (a desktop's explorer, a service) inherits its
# output. Written to files and followed only while the program lives, the
# output reaches the caller as it comes, and nothing left behind keeps the
# caller waiting once the program has ended. Sets `status` and `silent`
# (nothing at all was written).
run_once() {
  out=$(mktemp "$WINEPREFIX-out.XXXXXX") || exit 125
  : >"$out.err"  # there before its follower starts
  $no_aslr "$wine" "$@" </dev/null >"$out" 2>"$out.err" &
  program=$!
  trap 'stopped=true; kill $program 2>/dev/null' HUP INT TERM
  tail -s 0.1 -n +1 -f --pid=$program "$out" &
  tail -s 0.1 -n +1 -f --pid=$program "$out.err" >&2
  wait $program
  status=$?
  wait
  silent=false
  [ -s "$out" ] || [ -s "$out.err" ] || silent=true
  rm -f "$out" "$out.err"
}

# A program that ends with an error before it has written a word (not even
# a test's banner: no test ran) is said, with its status. Where Wine has to
# run with address randomization, that is the start wine_no_aslr.sh tells
# of, and the program is started once more; a program that fails after it
# has started, or that the caller stopped, is never run again.
stopped=false
run_once "$@"
if [ "$status" -ne 0 ] && $silent && ! $stopped && [ -z "$no_aslr" ]; then
  echo "wine_run: $(basename "$1") ended with status $status before writing anything;" \
       "starting it once more" >&2
  run_once "$@"
fi
if [ "$status" -ne 0 ] && $silent && ! $stopped; then
  echo "wine_run: $(basename "$1") ended with status $status before writing anything" >&2
fi
exit $status
