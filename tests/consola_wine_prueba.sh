#!/bin/sh
# A Spanish console under wine (script's pseudo-terminal, code page 850):
# "José Ñúñez" reaches the log as UTF-8 and option 3 shows it; an old-code-
# page name is shown as ever (not U+FFFD); 60 accented letters cut at 49.
# Arguments: quenvaro.exe, the wine prefix, a scratch folder.
set -eu
export WINEPREFIX="$2" WINEDEBUG=-all LC_ALL=C.UTF-8
programa=$(winepath -w "$1")
rm -rf "$3" && mkdir -p "$3" && cd "$3"
jose=$(printf 'Jos\303\251 \303\221\303\272\303\261ez')
acentos=$(printf '%060d' 0 | sed 's/0/\xc3\xa1/g')
printf 'REG_SESSION  -> [2026-01-05 09:00:00] ID_SESION: 7 | USUARIO: Mu\244oz | TURNO: #7\n' >bitacora.txt
# What the console has shown, without its cursor moves and blanks.
visto() { sed 's/\x1b\[[?0-9;]*[A-Za-z]//g' salida | tr -d ' \r\n'; }
# Types `$3` once `$1` has shown `$2` times; if it never does (60 s), an
# empty line and 4 close the day from any prompt, so no wine process stays.
teclear() {
  i=0
  while [ ! -e perdido ] && [ "$(visto | grep -o -F "$1" | wc -l)" -lt "$2" ]; do
    i=$((i + 1))
    if [ $i -gt 600 ]; then echo "never shown: $1 x$2" >&2; : >perdido; fi
    sleep 0.1
  done
  if [ -e perdido ]; then printf '\r4\r'; else printf '%s\r' "$3"; fi
}
{
  teclear opcion: 1 1; teclear Beneficiario: 1 "$jose"; teclear opcion: 2 1
  teclear Beneficiario: 2 "$acentos"; teclear opcion: 4 3; teclear opcion: 5 4
  teclear Ecosistema 1 ""
} | timeout 300 script -qec "wine cmd /c 'chcp 850 >nul & $programa'" /dev/null >salida
fallo() { echo "$1" >&2; od -c bitacora.txt >&2; exit 1; }
grep -q -F "| USUARIO: $jose | TURNO: #1" bitacora.txt || fallo "not UTF-8 in the log"
grep -q -F "| USUARIO: $(printf '%049d' 0 | sed 's/0/\xc3\xa1/g') | TURNO: #2" bitacora.txt ||
  fallo "not cut at 49 letters"
visto | grep -q -F "USUARIO:JoséÑúñez|TURNO:#1" || fallo "option 3 did not show it"
visto | grep -q "USUARIO:Mu..*oz|TURNO:#7" || fallo "old record not shown"
! visto | grep -q -F "USUARIO:Mu$(printf '\357\277\275')oz" || fallo "old record replaced"
visto | grep -q -F "Entradainvalida" || fallo "the rest of the name was no choice"
echo "typed at a code page 850 console: UTF-8 in the log, shown as typed"
