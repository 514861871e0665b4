#!/bin/sh
# Renders the pictures in src/ into the rasters the builds use. Run after
# changing a picture; the results are committed.
# Needs rsvg-convert (librsvg2-bin) and ImageMagick.
set -eu
cd "$(dirname "$0")"
out=.
face='#f0f0f0'  # a button's face: the copy picture fills its button

png() {  # png NAME SIZE
  rsvg-convert -w "$2" -h "$2" "src/$1.svg" -o "$out/$1_$2.png"
}

for name in folder_open folder_up folder_down stop exit; do
  for size in 16 32 64; do png "$name" "$size"; done
done

for size in 16 32 48 64 256; do png mirtel "$size"; done
convert mirtel_16.png mirtel_32.png mirtel_48.png mirtel_256.png mirtel.ico

rsvg-convert -w 108 -h 65 -b "$face" src/backup.svg -o backup_108.png
rsvg-convert -w 216 -h 130 -b "$face" src/backup.svg -o backup_216.png
convert backup_108.png -alpha off +dither -colors 256 backup.gif
rm backup_108.png
# The quantizer keeps only the colours it used; the picture's palette is a
# full 256 entries, so the global colour table is padded (the image data's
# own code size is unaffected).
python3 - backup.gif <<'PY'
import sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
assert data[:6] == b"GIF89a" and data[10] & 0x80
entries = 2 ** ((data[10] & 7) + 1)
table_end = 13 + 3 * entries
data[table_end:table_end] = bytes(3 * (256 - entries))
data[10] = (data[10] & 0xF8) | 7
open(path, "wb").write(bytes(data))
PY
# Strip what would differ between runs, so unchanged pictures stay unchanged.
for f in ./*.png; do
  convert "$f" -define png:exclude-chunks=date,time -strip "$f"
done
