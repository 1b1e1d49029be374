#!/bin/bash
# Makes the guide's pictures of the waiting room's screen with several
# desks, pantalla-mesas-N-ANCHO.png for 2, 4 and 8 desks at 1920x1080 and
# 1280x720, beside this script: made-up folders of today, shown by the
# built program, taken by headless Chromium. Run it again after changing
# the page:   docs/hacer_capturas.sh build/quenvaro-pantalla
# (apt-get install chromium imagemagick)
set -eu
programa=$(realpath "${1:-build/quenvaro-pantalla}")
destino=$(cd "$(dirname "$0")" && pwd)
puerto=18479
trabajo=$(mktemp -d)
servidor=
trap '[ -z "$servidor" ] || kill "$servidor"; rm -rf "$trabajo"' EXIT
hoy=$(date +%F)

# Desk i (from 0): six calls of its own numbering, 8 minutes apart, the
# last at 09:48 + i, and i + 2 turns waiting.
mesas=("Ventanilla 1" "Ventanilla 2" "Caja" "Módulo 4" "Consultorio 5" "Box 6"
       "Puesto 7" "Despacho de recepción")
for i in "${!mesas[@]}"; do
  carpeta="$trabajo/${mesas[$i]}"
  mkdir -p "$carpeta"
  for k in 1 2 3 4 5 6; do
    printf 'FREE_TURNO   -> [%s 09:%02d:00] DESPACHADO: Turno #%d | STATUS: Atendido\n' \
      "$hoy" $((k * 8 + i)) $((i * 17 + k))
  done > "$carpeta/bitacora.txt"
  for k in $(seq 0 $((i + 1))); do
    printf '%d|x\n' $((i * 17 + 7 + k))
  done > "$carpeta/cola_respaldo.txt"
done

for cuantas in 2 4 8; do
  carpetas=()
  for mesa in "${mesas[@]:0:$cuantas}"; do carpetas+=("$trabajo/$mesa"); done
  "$programa" --puerto "$puerto" "${carpetas[@]}" >/dev/null &
  servidor=$!
  sleep 2
  for tamano in 1920,1080 1280,720; do
    foto="$destino/pantalla-mesas-$cuantas-${tamano%,*}.png"
    chromium --headless --no-sandbox --disable-gpu --hide-scrollbars \
      --window-size="$tamano" --virtual-time-budget=4000 \
      --screenshot="$foto" "http://127.0.0.1:$puerto/?voz=no" 2>/dev/null
    # Flat colours: a small palette keeps each picture small.
    convert "$foto" -colors 48 -strip "$foto"
  done
  kill "$servidor"
  wait "$servidor" || true
  servidor=
done
ls -l "$destino"/pantalla-mesas-*.png
