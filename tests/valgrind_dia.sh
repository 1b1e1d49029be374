#!/bin/sh
# Whole days of the built program under valgrind, in a scratch folder: a
# restore from a hand-made backup, registrations, dispatches down to an
# underflow, the log display and a close; then days that end with the input.
# Any memory error, and any block still allocated at exit, fails the run.
#
# Usage: tests/valgrind_dia.sh path/to/quenvaro
set -u

programa=${1:?usage: $0 path/to/quenvaro}
case $programa in /*) ;; *) programa=$(pwd)/$programa ;; esac
[ -x "$programa" ] || { echo "valgrind_dia: no program at $programa" >&2; exit 2; }
command -v valgrind >/dev/null || { echo "valgrind_dia: valgrind is not installed" >&2; exit 2; }

carpeta=$(mktemp -d "${TMPDIR:-/tmp}/quenvaro-valgrind-XXXXXX") || exit 2
trap 'rm -rf "$carpeta"' EXIT
cd "$carpeta" || exit 2

fallos=0

# dia NAME INPUT EXPECTED... : runs one day on INPUT (a printf format, so
# "\n" is a line end and the input ends exactly where it does); it fails on a valgrind
# error, a status other than 0, or a missing EXPECTED line in the dialogue.
dia() {
  nombre=$1 entrada=$2
  shift 2
  printf "$entrada" > entrada.txt
  valgrind -q --leak-check=full --show-leak-kinds=all \
    --errors-for-leak-kinds=all --error-exitcode=1 \
    "$programa" < entrada.txt > salida.txt
  estado=$?
  if [ "$estado" -ne 0 ]; then
    echo "FAIL $nombre: exit status $estado" >&2
    fallos=$((fallos + 1))
    return
  fi
  for linea in "$@"; do
    if ! grep -qF -- "$linea" salida.txt; then
      echo "FAIL $nombre: no \"$linea\" in the dialogue" >&2
      fallos=$((fallos + 1))
      return
    fi
  done
  echo "ok   $nombre"
}

# Three waiting turns, one with a CR LF line end, and a line the restore
# skips; the numbering continues after the last one, 7.
printf '3|Caja\n4|Ventanilla\r\nsin numero\n7|Atencion General Quenvaro\n' \
  > cola_respaldo.txt

dia "restore, registrations, dispatches, underflow, display, close" \
  '1\nAna\nabc\n1\n\n1\nBeto\n2\n2\n2\n2\n2\n2\n3\n4\n' \
  ">> [OK] Malloc completado. Nodo asignado con ID: 9" \
  ">> Atendiendo Turno #3. Nodo destruido con free(temp)." \
  ">> Atendiendo Turno #9. Nodo destruido con free(temp)." \
  "Cola vacia (Underflow)." \
  "--> [STATUS] Ecosistema cerrado de forma segura."
grep -qF 'RESUMEN JORNADA: 9 Sesiones | 9 Turnos Emitidos' bitacora.txt || {
  echo "FAIL close: no day summary in bitacora.txt" >&2
  fallos=$((fallos + 1))
}

# The queue ran dry, so this day numbers from 1; input ends while the
# program waits for a name, leaving turn 2 in the backup.
dia "end of input at the name prompt" \
  '1\nCris\n1\nDani\n2\n1\n' \
  ">> [AUTOMATIZACION] Puntero encolado. Turno emitido: #2" \
  ">> Atendiendo Turno #1. Nodo destruido con free(temp)."

# A restored turn still waiting when input ends at the menu prompt.
dia "end of input at the menu prompt" \
  '3\n' \
  "CONTENIDO PERSISTENTE DE BITACORA.TXT"
grep -qx '2|Atencion General Quenvaro' cola_respaldo.txt || {
  echo "FAIL end of input at the menu prompt: turn 2 is not in the backup" >&2
  fallos=$((fallos + 1))
}

[ "$fallos" -eq 0 ] || { echo "valgrind_dia: $fallos failure(s)" >&2; exit 1; }
echo "valgrind_dia: every day clean"
