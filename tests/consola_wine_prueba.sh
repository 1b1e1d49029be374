#!/bin/sh
# Names typed at a Spanish Windows console, under wine: the console is a
# pseudo-terminal (script) set to code page 850, the one a Spanish PC's
# console reads in. "José Ñúñez" must reach the log as UTF-8 and option 3
# must show it as typed, beside a name stored in the old code page, whose
# bytes go to the console as they always have (never as the replacement
# character of a failed UTF-8 reading); a name of 60 accented letters (120 bytes) is cut
# at 99 bytes on a whole character, 49 letters, and the rest of its line is
# the next (invalid) menu choice.
# Arguments: quenvaro.exe, the wine prefix, a scratch folder.
set -eu
programa=$(WINEDEBUG=-all WINEPREFIX="$2" winepath -w "$1")
rm -rf "$3" && mkdir -p "$3" && cd "$3"
export WINEPREFIX="$2" WINEDEBUG=-all LC_ALL=C.UTF-8
jose=$(printf 'Jos\303\251 \303\221\303\272\303\261ez')
a=$(printf '\303\241')
acentos=$(printf "%060d" 0 | sed "s/0/$a/g")
cortado=$(printf "%049d" 0 | sed "s/0/$a/g")
printf 'REG_SESSION  -> [2026-01-05 09:00:00] ID_SESION: 7 | USUARIO: Mu\244oz | TURNO: #7\n' >bitacora.txt

# What the console has shown so far, without its cursor moves and blanks.
visto() { sed 's/\x1b\[[?0-9;]*[A-Za-z]//g' salida | tr -d ' \r\n'; }
# Waits until `$1` has been shown `$2` times (at most 60 s); if it never
# is, Ctrl+Z ends the program's input, so that no wine process stays.
esperar() {
  i=0
  while [ "$(visto | grep -o -F "$1" | wc -l)" -lt "$2" ]; do
    i=$((i + 1))
    if [ $i -gt 600 ]; then
      echo "never shown: $1 x$2" >&2
      printf '\032\r'
      sleep 2
      exit 1
    fi
    sleep 0.1
  done
}
teclear() { esperar seleccione_opcion: "$1"; printf '%s\r' "$2"; }
{
  teclear 1 1; esperar Beneficiario: 1; printf '%s\r' "$jose"
  teclear 2 1; esperar Beneficiario: 2; printf '%s\r' "$acentos"
  # The rest of the long name is read as a choice, without a key pressed.
  teclear 4 3
  teclear 5 4
  esperar Ecosistema 1
} | timeout 300 script -qec "wine cmd /c 'chcp 850 >nul & $programa'" /dev/null >salida

fallo() { echo "$1" >&2; od -c bitacora.txt >&2; exit 1; }
grep -q -F "| USUARIO: $jose | TURNO: #1" bitacora.txt || fallo "not UTF-8 in the log"
grep -q -F "| USUARIO: $cortado | TURNO: #2" bitacora.txt || fallo "not cut at 49 letters"
grep -q -F "USUARIO: Mu$(printf '\244')oz |" bitacora.txt || fallo "old record changed"
visto | grep -q -F "USUARIO:JoséÑúñez|TURNO:#1" || fallo "option 3 did not show it"
visto | grep -q "USUARIO:Mu..*oz|TURNO:#7" || fallo "old record not shown"
! visto | grep -q -F "USUARIO:Mu$(printf '\357\277\275')oz" || fallo "old record replaced"
visto | grep -q -F "Entradainvalida" || fallo "the rest of the name was no choice"
echo "typed at a code page 850 console: UTF-8 in the log, shown as typed"
