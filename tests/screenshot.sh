#!/bin/sh
# Pictures of the real program on a virtual display: the idle window, the
# window after a copy job, and sync mode with a hint. Nothing of the user's is
# touched: the program runs from a copy in a temporary folder, with its own
# home and history.
#   tests/screenshot.sh <build dir>     -> <build dir>/screenshots/*.png
# Needs xvfb-run, xdotool and ImageMagick's import.
set -eu
. "$(dirname "$0")/screenshot_steps.sh"

if [ "${1:-}" = "--on-display" ]; then
  # Second stage, inside the virtual display: $2 work folder, $3 output folder.
  work=$2
  out=$3
  xdotool mousemove 0 0  # away from where the window opens: no hint yet
  "$work/prog/mirtel" >"$work/mirtel.log" 2>&1 &
  pid=$!
  trap 'kill "$pid" 2>/dev/null || true' EXIT
  shoot "$work/mirtel.log" "$out" "$work/backup" 100 0.3 1 "$work/data"
  exit 0
fi

[ $# -eq 1 ] || { echo "usage: $0 <build dir>" >&2; exit 2; }
build=$(cd "$1" && pwd)
[ -x "$build/mirtel" ] || { echo "screenshot: $build/mirtel is missing" >&2; exit 1; }
for tool in xvfb-run xdotool import; do
  command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing" >&2; exit 1; }
done
# MIRTEL_LANG=en: the English window, in a folder of its own.
out=$build/screenshots${MIRTEL_LANG:+-$MIRTEL_LANG}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/prog" "$work/home" "$work/runtime" "$work/backup"
chmod 700 "$work/runtime"
cp "$build/mirtel" "$build/Mirtel.html" "$work/prog/"
sample_data "$work/data"
history "$work/prog/mirtel.dat" "$work/data" "$work/backup"

HOME=$work/home XDG_RUNTIME_DIR=$work/runtime XDG_DATA_HOME=$work/home/.local/share \
  XDG_CONFIG_HOME=$work/home/.config LANG=ja_JP.UTF-8 \
  xvfb-run -a -s "-screen 0 800x500x24 -dpi 96" "$0" --on-display "$work" "$out"
echo "screenshots in $out:"
ls "$out"
