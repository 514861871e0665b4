#!/bin/sh
# The tests run in a home, a Trash, a settings and a temporary folder of their
# own under the build folder. This checks that they kept to it: `begin` marks
# the time, `end` lists what changed since in the home of whoever runs them
# (its Trash and settings included) and in the system's temporary folder, and
# fails when anything did. A change is told by the time of the change itself:
# a file's own modification time may lie anywhere, in the future too.
# usage: home_guard.sh begin|end STAMP
# MIRTEL_HOME_GUARD_IGNORE: an extended regular expression of paths below the
# home that others may change meanwhile (the compiler cache always may).
set -u
mode=$1
stamp=$2

if [ "$mode" = begin ]; then
  mkdir -p "$(dirname "$stamp")" && : >"$stamp"
  exit 0
fi

ignore='^\.cache/ccache(/|$)'
[ -n "${MIRTEL_HOME_GUARD_IGNORE:-}" ] && ignore="$ignore|$MIRTEL_HOME_GUARD_IGNORE"
changed=$(
  {
    find "$HOME" -mindepth 1 -cnewer "$stamp" 2>/dev/null | sed "s|^$HOME/||" | grep -v -E "$ignore"
    for place in "${XDG_DATA_HOME:-}/Trash" "${XDG_CONFIG_HOME:-}/mirtel"; do
      case $place in /*) find "$place" -cnewer "$stamp" 2>/dev/null ;; esac
    done
    find "${TMPDIR:-/tmp}" -mindepth 1 -maxdepth 1 -name 'mirtel*' -cnewer "$stamp" 2>/dev/null
  } | sort -u
)
if [ -n "$changed" ]; then
  echo "The tests wrote outside their build folder, into the home or temporary folder of"
  echo "whoever ran them:"
  printf '%s\n' "$changed" | head -n 20
  exit 1
fi
echo "Home, Trash, settings and temporary folder of $(id -un) untouched by the tests."
