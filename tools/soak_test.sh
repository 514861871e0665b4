#!/usr/bin/env bash
# `make test` from fresh clones, again and again, as a newcomer runs it:
# each run in a clone of its own (its own build folders and Wine prefix),
# optionally with both cores kept busy beside it. Prints each run's result and
# time, the slowest tests of the last run, and a closing line; exits 1 when
# any run failed. Not part of `make test`.
# usage: tools/soak_test.sh [RUNS] [quiet|load]
set -uo pipefail
runs=${1:-10}
mode=${2:-quiet}
top=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/var/tmp}/mirtel-soak.XXXXXX")
echo "Soak: $runs runs of make test ($mode) from clones of $(git -C "$top" rev-parse --short HEAD) in $work"

load_pid=
if [ "$mode" = load ]; then
  command -v stress-ng >/dev/null || { echo "stress-ng is needed for load (apt-get install stress-ng)"; exit 2; }
  stress-ng --cpu "$(nproc)" --quiet &
  load_pid=$!
  trap 'kill $load_pid 2>/dev/null' EXIT
fi

passed=0
failed=0
for i in $(seq 1 "$runs"); do
  clone=$work/run-$i
  git clone -q "$top" "$clone"
  start=$(date +%s)
  if (cd "$clone" && make test) >"$work/run-$i.log" 2>&1; then
    result=green
    passed=$((passed + 1))
  else
    result=RED
    failed=$((failed + 1))
  fi
  seconds=$(($(date +%s) - start))
  # A run that ended must have ended its processes too (Wine's server and
  # services live in the clone's prefix).
  left=$(for p in /proc/[0-9]*; do readlink "$p/cwd" 2>/dev/null; done | grep -c "^$clone/")
  if [ "$left" -gt 0 ] && [ "$result" = green ]; then
    result="RED ($left processes left running)"
    passed=$((passed - 1))
    failed=$((failed + 1))
  fi
  printf 'run %d: %s in %dm%02ds (log: %s)\n' "$i" "$result" $((seconds / 60)) $((seconds % 60)) \
    "$work/run-$i.log"
  # Keep the log, not the build folders, of a green run.
  [ "$result" = green ] && rm -rf "$clone"
done

echo "Slowest tests of the last run:"
grep -E '^ *[0-9]+/[0-9]+ Test +#' "$work/run-$runs.log" |
  sed -E 's/^.*Test +#[0-9]+: ([^ ]+) .* ([0-9.]+) sec$/\2 \1/' | sort -rn | head -n 10
echo "soak: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
