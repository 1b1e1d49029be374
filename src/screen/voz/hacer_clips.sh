#!/bin/sh
# Makes the screen's own voice: one WAV clip for "turno", for every word a
# turn number's Spanish words can hold, and for the words desks are most
# often named with ("Ventanilla 2", "Caja"), into this folder. The clips are
# committed, so the build needs no speech engine; run this again only to
# change them (apt-get install espeak-ng sox), then rebuild.
#
# The page asks for /voz/<word>.wav, the word without its accents.
set -eu
cd "$(dirname "$0")"

# espeak-ng's own Spanish voice (Spain), a little slower than its default
# so that a number carries across a noisy room.
VOZ=es
VELOCIDAD=150   # words a minute
TONO=45         # 0 to 99
# Plain 16-bit PCM, mono, which every browser decodes. The telephone's
# rate keeps the voice clear and all the clips within the program's budget
# for them (700 KB).
MUESTREO=8000
# Each clip keeps this much silence after its word, so that words played
# back to back are neither run together nor far apart.
PAUSA=0.06

PALABRAS="turno menos cero un uno dos tres cuatro cinco seis siete ocho nueve
diez once doce trece catorce quince dieciséis diecisiete dieciocho diecinueve
veinte veintiún veintiuno veintidós veintitrés veinticuatro veinticinco
veintiséis veintisiete veintiocho veintinueve
treinta cuarenta cincuenta sesenta setenta ochenta noventa y
cien ciento doscientos trescientos cuatrocientos quinientos seiscientos
setecientos ochocientos novecientos mil millón millones
ventanilla caja mesa módulo puesto box consultorio despacho"

rm -f ./*.wav
temporal=$(mktemp)
trap 'rm -f "$temporal"' EXIT
for palabra in $PALABRAS; do
  archivo=$(printf '%s' "$palabra" | sed 's/á/a/; s/é/e/; s/í/i/; s/ó/o/; s/ú/u/').wav
  espeak-ng -v "$VOZ" -s "$VELOCIDAD" -p "$TONO" -w "$temporal" "$palabra"
  # Silence off both ends, every word at the same loudness, then the
  # pause after the word; the same clips at each run.
  sox -G -R "$temporal" -t wavpcm -e signed-integer -b 16 -c 1 "$archivo" \
    silence 1 0.01 0.3% reverse silence 1 0.01 0.3% reverse \
    rate "$MUESTREO" norm -1 pad 0 "$PAUSA"
done
ls -l ./*.wav | awk '{ total += $5 } END { print NR " clips, " total " bytes" }'
