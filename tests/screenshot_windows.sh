#!/bin/sh
# Pictures of the real mirtel.exe under Wine on a virtual display: the idle
# window, the window after a copy job, and sync mode with a hint. Nothing of
# the user's is touched: the program runs from a copy in a temporary folder
# (drive D: of the build folder's own Wine prefix), with its own history.
#   tests/screenshot_windows.sh <build dir>  -> <build dir>/screenshots/*.png
# Needs wine, xvfb-run, xdotool, ImageMagick's import and fonts-noto-cjk.
set -eu
. "$(dirname "$0")/screenshot_steps.sh"
# Wine without address randomization, where the system allows.
. "$(dirname "$0")/../cmake/wine_no_aslr.sh"

if [ "${1:-}" = "--on-display" ]; then
  # Second stage, inside the virtual display: $2 work folder, $3 output folder.
  work=$2
  out=$3
  wine "$work/prog/mirtel.exe" >"$work/mirtel.log" 2>&1 &
  pid=$!
  trap 'kill "$pid" 2>/dev/null || true; wineserver -k 2>/dev/null || true' EXIT
  # Without a window manager the X window is the client area and the menu
  # bar above it, as natively.
  shoot "$work/mirtel.log" "$out" "$work/drive/バックアップ" 300 0.5 2 "$work/drive/データ"
  exit 0
fi

[ $# -eq 1 ] || { echo "usage: $0 <build dir>" >&2; exit 2; }
build=$(cd "$1" && pwd)
[ -f "$build/mirtel.exe" ] || { echo "screenshot: $build/mirtel.exe is missing" >&2; exit 1; }
for tool in wine wineserver xvfb-run xdotool import iconv; do
  command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing" >&2; exit 1; }
done
# MIRTEL_LANG=en: the English window, in a folder of its own.
out=$build/screenshots${MIRTEL_LANG:+-$MIRTEL_LANG}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The prefix is the screenshots' own, made once (a fresh one takes seconds).
WINEPREFIX=$build/screenshot-wineprefix
WINEDEBUG=-all
# No Mono or Gecko install prompts, no menu entries in anybody's desktop.
WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
LC_ALL=ja_JP.UTF-8                  # Japanese Windows: code page 932
# Wine's user folders and desktop files in a home of the prefix's own.
HOME=$WINEPREFIX-home
XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
# Wine's server socket in a temporary folder of the prefix's own, not /tmp.
TMPDIR=$WINEPREFIX-tmp
mkdir -p "$HOME" "$TMPDIR"
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES LC_ALL HOME XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME \
  TMPDIR
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  DISPLAY= wine wineboot -i </dev/null >/dev/null 2>&1 || true
fi
# Wine draws Japanese only where the Windows faces map to a CJK font.
# regedit reads names beyond ASCII only from a UTF-16 file.
{
  printf 'Windows Registry Editor Version 5.00\r\n\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
  for face in 'ＭＳ Ｐゴシック' 'MS Shell Dlg' 'MS Shell Dlg 2' 'Tahoma'; do
    printf '"%s"="Noto Sans CJK JP"\r\n' "$face"
  done
} | iconv -f UTF-8 -t UTF-16 >"$work/fonts.reg"
DISPLAY= wine regedit /S "$(wine winepath -w "$work/fonts.reg")" </dev/null >/dev/null 2>&1
DISPLAY= wineserver -w

# Drive D: is the work folder's drive: paths as a user would have them.
drive=$work/drive
mkdir -p "$work/prog" "$drive/バックアップ"
rm -f "$WINEPREFIX/dosdevices/d:"
ln -s "$drive" "$WINEPREFIX/dosdevices/d:"
cp "$build/mirtel.exe" "$build/Mirtel.html" "$work/prog/"
sample_data "$drive/データ"
# The history is in the ANSI code page.
history "$work/prog/mirtel.dat" 'D:\データ' 'D:\バックアップ' CP932

# The pointer starts in the middle of the screen, which on this size lies
# below the window: nothing of the window is under it as it opens.
xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$0" --on-display "$work" "$out"
rm -f "$WINEPREFIX/dosdevices/d:"
echo "screenshots in $out:"
ls "$out"
