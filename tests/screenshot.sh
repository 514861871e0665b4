#!/bin/sh
# Pictures of the real program on a virtual display: the idle window, the
# window after a copy job, and sync mode with a hint. Nothing of the user's is
# touched: the program runs from a copy in a temporary folder, with its own
# home and history.
#   tests/screenshot.sh <build dir>     -> <build dir>/screenshots/*.png
# Needs xvfb-run, xdotool and ImageMagick's import.
set -eu

if [ "${1:-}" = "--on-display" ]; then
  # Second stage, inside the virtual display: $2 work folder, $3 output folder.
  work=$2
  out=$3
  xdotool mousemove 0 0  # away from where the window opens: no hint yet
  "$work/prog/mirtel" >"$work/mirtel.log" 2>&1 &
  pid=$!
  trap 'kill "$pid" 2>/dev/null || true' EXIT

  wid=
  for _ in $(seq 1 100); do
    wid=$(xdotool search --onlyvisible --name 'みるてる' 2>/dev/null | head -n 1) || true
    [ -n "$wid" ] && break
    sleep 0.1
  done
  if [ -z "$wid" ]; then
    echo "screenshot: the window did not appear" >&2
    cat "$work/mirtel.log" >&2
    exit 1
  fi
  sleep 1
  # The client area is 213 pixels high; the menu bar is above it.
  height=$(xdotool getwindowgeometry --shell "$wid" | sed -n 's/^HEIGHT=//p')
  menu=$((height - 213))

  shot() { import -window "$wid" "$out/$1.png"; }
  at() { xdotool mousemove --window "$wid" "$1" $(($2 + menu)); }

  at 200 200  # the status line: no hint
  sleep 0.3
  shot idle

  at 54 104   # cmdBackUp
  sleep 0.3
  xdotool click 1
  for _ in $(seq 1 50); do
    [ -n "$(find "$work/backup" -name '*.txt' 2>/dev/null)" ] && break
    sleep 0.1
  done
  sleep 1.5
  at 400 148  # over cmdQuit: its hint
  sleep 0.3
  shot after-copy

  at 28 192   # the mode box: switch to sync mode
  sleep 0.3
  xdotool click 1
  sleep 0.5
  shot sync-mode
  exit 0
fi

[ $# -eq 1 ] || { echo "usage: $0 <build dir>" >&2; exit 2; }
build=$(cd "$1" && pwd)
[ -x "$build/mirtel" ] || { echo "screenshot: $build/mirtel is missing" >&2; exit 1; }
for tool in xvfb-run xdotool import; do
  command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing" >&2; exit 1; }
done
out=$build/screenshots
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/prog" "$work/home" "$work/runtime" "$work/backup" \
  "$work/data/旅行" "$work/data/書類/2024年"
chmod 700 "$work/runtime"
cp "$build/mirtel" "$build/Mirtel.html" "$work/prog/"
printf '家族で海へ。\n' >"$work/data/旅行/日記.txt"
printf 'photo\n' >"$work/data/旅行/海.jpg"
printf 'メモ\n' >"$work/data/メモ.txt"
printf '見積\n' >"$work/data/書類/2024年/見積書.txt"
printf 'ok\n' >"$work/data/書類/readme.txt"

# The history: one source and one destination, so the fields hold them.
entry() {
  n=$(printf %s "$1" | LC_ALL=C wc -c)
  printf "\\$(printf %03o $((n % 256)))\\$(printf %03o $((n / 256)))"
  printf %s "$1"
}
{
  entry "$work/data"
  i=1; while [ $i -lt 10 ]; do printf '\000\000'; i=$((i + 1)); done
  entry "$work/backup"
  i=1; while [ $i -lt 10 ]; do printf '\000\000'; i=$((i + 1)); done
  printf '\001\000\000\000\001\000\000\000'
} >"$work/prog/mirtel.dat"

HOME=$work/home XDG_RUNTIME_DIR=$work/runtime XDG_DATA_HOME=$work/home/.local/share \
  XDG_CONFIG_HOME=$work/home/.config LANG=ja_JP.UTF-8 \
  xvfb-run -a -s "-screen 0 800x500x24 -dpi 96" "$0" --on-display "$work" "$out"
echo "screenshots in $out:"
ls "$out"
