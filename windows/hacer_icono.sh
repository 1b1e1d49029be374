#!/bin/sh
# Makes quenvaro.ico, the programs' and the installer's icon, from
# quenvaro.svg in this folder. The .ico is committed, so the build needs no
# image tools; run this again only after changing the drawing
# (apt-get install librsvg2-bin icoutils), then rebuild.
set -eu
cd "$(dirname "$0")"
temporal=$(mktemp -d)
trap 'rm -rf "$temporal"' EXIT
# Windows picks the size it shows from these: 16 for lists and the title
# bar, 32 and 48 for the desktop, 256 for large icon views.
for lado in 16 24 32 48 64 128 256; do
  rsvg-convert -w "$lado" -h "$lado" quenvaro.svg -o "$temporal/$lado.png"
done
# The small sizes as plain bitmaps, which every part of Windows reads; the
# largest compressed as PNG, as Windows Vista and later expect it.
icotool -c -o quenvaro.ico "$temporal"/16.png "$temporal"/24.png \
  "$temporal"/32.png "$temporal"/48.png "$temporal"/64.png \
  "$temporal"/128.png -r "$temporal"/256.png
icotool -l quenvaro.ico
