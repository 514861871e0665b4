#!/usr/bin/env bash
# The packages as a user gets them: the .deb unpacked into a scratch root
# (its programs, help, man pages, completions and description checked and
# run from there), and the Windows .zip unpacked and its programs run under
# Wine from the unpacked folder.
#   tools/package_check.sh <Linux release build> <Windows release build>
set -euo pipefail
build=$1
winbuild=$2
deb=$(realpath "$build"/packages/mirtel_*.deb)
zip=$(realpath "$winbuild"/packages/mirtel-*-windows-x64.zip)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/mirtel-package-check.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
status=0
fail() {
  echo "package-check: FAILED: $*" >&2
  status=1
}

echo "package-check: $deb ($(du -k "$deb" | cut -f1) KiB)"
dpkg-deb --field "$deb"
root=$scratch/root
dpkg-deb -x "$deb" "$root"
for file in usr/bin/mirtel usr/bin/mirtel-cli usr/share/mirtel/Mirtel.html \
  usr/share/applications/mirtel.desktop usr/share/icons/hicolor/256x256/apps/mirtel.png \
  usr/share/man/man1/mirtel.1.gz usr/share/man/man1/mirtel-cli.1.gz \
  usr/share/bash-completion/completions/mirtel-cli usr/share/zsh/vendor-completions/_mirtel-cli \
  usr/share/fish/vendor_completions.d/mirtel-cli.fish \
  usr/share/metainfo/org.mirtel.mirtel.metainfo.xml usr/share/doc/mirtel/copyright; do
  [ -e "$root/$file" ] || fail "not in the package: $file"
done
dpkg-deb --field "$deb" Depends | grep -q libqt6widgets6 || fail "the package does not depend on Qt"
for program in mirtel mirtel-cli; do
  file "$root/usr/bin/$program" | grep -q ', stripped' || fail "$program is not stripped"
done
appstreamcli validate --no-net "$root/usr/share/metainfo/org.mirtel.mirtel.metainfo.xml" ||
  fail "the AppStream description does not validate"

version=$("$root/usr/bin/mirtel-cli" --version | head -n 1)
echo "package-check: $version"
QT_QPA_PLATFORM=offscreen "$root/usr/bin/mirtel" --version | grep -qx "mirtel ${version#mirtel-cli }" ||
  fail "mirtel --version does not say $version"
mkdir -p "$scratch/src/写真" "$scratch/dst"
echo a >"$scratch/src/写真/a.txt"
"$root/usr/bin/mirtel-cli" "$scratch/src/写真" "$scratch/dst" | tail -n 1 |
  grep -q '^copied=1 found=1 failed=0 removed=0 ' || fail "the packaged mirtel-cli copied wrongly"
cmp -s "$scratch/src/写真/a.txt" "$scratch/dst/写真/a.txt" || fail "the copy differs"
MANWIDTH=80 man -l "$root/usr/share/man/man1/mirtel-cli.1.gz" 2>/dev/null | grep -q -- '--dry-run' ||
  fail "the man page of mirtel-cli does not read"

echo "package-check: $zip ($(du -k "$zip" | cut -f1) KiB)"
(cd "$scratch" && unzip -q "$zip")
folder=$scratch/$(basename "$zip" .zip)
for file in mirtel.exe mirtel-cli.exe Mirtel.html LICENSE readme.txt; do
  [ -e "$folder/$file" ] || fail "not in the zip: $file"
done
unzip -l "$zip"
for program in mirtel.exe mirtel-cli.exe; do
  ! x86_64-w64-mingw32-objdump -h "$folder/$program" | grep -q '\.debug_' ||
    fail "$program is not stripped"
done
# Wine without address randomization, where the system allows.
. "$(dirname "$0")/../cmake/wine_no_aslr.sh"
export WINEPREFIX=$scratch/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
wine wineboot -i </dev/null >/dev/null 2>&1 || true
winversion=$(wine "$folder/mirtel-cli.exe" --version | tr -d '\r' | head -n 1)
[ "$winversion" = "$version" ] || fail "mirtel-cli.exe --version says '$winversion'"
winwindow=$(wine "$folder/mirtel.exe" --version | tr -d '\r' | head -n 1)
[ "$winwindow" = "mirtel ${version#mirtel-cli }" ] || fail "mirtel.exe --version says '$winwindow'"
rm -rf "$scratch/dst"
mkdir -p "$scratch/dst"
wine "$folder/mirtel-cli.exe" "Z:$scratch/src/写真" "Z:$scratch/dst" | tr -d '\r' | tail -n 1 |
  grep -q '^copied=1 found=1 failed=0 removed=0 ' || fail "the zip's mirtel-cli.exe copied wrongly"
wineserver -k || true

[ $status -eq 0 ] && echo "package-check: both packages install and run"
exit $status
