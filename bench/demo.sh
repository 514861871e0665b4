#!/usr/bin/env bash
# A first look without the window: makes a small tree in a temporary folder,
# copies it, changes the source, and brings the copy up to date in sync mode.
#
#   bench/demo.sh BUILD_DIR
set -euo pipefail

build=${1:?usage: bench/demo.sh BUILD_DIR}
walk=$(cd "$build" && pwd)/mirtel-cli
[ -x "$walk" ] || { echo "build mirtel-cli in $build first" >&2; exit 2; }

demo=$(mktemp -d -t mirtel-demo.XXXXXX)
trap 'rm -rf "$demo"' EXIT
export XDG_DATA_HOME=$demo/trash-home   # the demo's removals stay in the demo

mkdir -p "$demo/写真/2024/京都" "$demo/写真/2024/奈良" "$demo/バックアップ"
echo "金閣寺"  >"$demo/写真/2024/京都/金閣寺.txt"
echo "清水寺"  >"$demo/写真/2024/京都/清水寺.txt"
echo "鹿"      >"$demo/写真/2024/奈良/鹿.txt"
echo "一覧"    >"$demo/写真/一覧.txt"
ln -s 2024 "$demo/写真/最新"   # a link to a folder: skipped, never followed

show() { echo; echo "\$ mirtel-cli $*"; (cd "$demo" && "$walk" "$@") || true; }

echo "source tree:"; (cd "$demo" && find 写真 | sort | sed 's/^/  /')
show 写真 バックアップ --verbose

echo; echo "second run, nothing changed:"
show 写真 バックアップ

sleep 1
echo "追記" >>"$demo/写真/一覧.txt"
rm -r "$demo/写真/2024/奈良"
echo; echo "一覧.txt changed, 奈良 removed from the source; sync mode:"
show 写真 バックアップ --sync --verbose

echo; echo "destination now:"; (cd "$demo" && find バックアップ | sort | sed 's/^/  /')
echo "in the Trash:"; (cd "$XDG_DATA_HOME" 2>/dev/null && find Trash/files -mindepth 1 -maxdepth 1 | sed 's/^/  /') || echo "  (nothing)"
