#!/bin/sh
# The installer under wine, in a scratch prefix and home of this test's
# own: a silent install, a day at the console started as its Start menu
# shortcut starts it, a silent uninstall with the day's files as they were;
# an install again with the defaults that finds them; the screen's choices
# on its shortcuts, an edited shortcut kept by an update; and an install
# for every account.
# Arguments: the installer, the version it must register, a scratch folder.
set -eu
instalador=$1 version=$2
rm -rf "$3" && mkdir -p "$3"
export HOME="$3" WINEPREFIX="$3/prefijo" WINEDEBUG=-all \
  WINEDLLOVERRIDES='winemenubuilder.exe,mscoree,mshtml=d'
trap 'wineserver -k 2>/dev/null || true' EXIT
instalar() { wine "$instalador" /S "$@" && wineserver -w; }
wine "$instalador" /S '/DATOS=C:\datos del dia'
wineserver -w
menu=$(echo "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs/Quenvaro)
inicio="$menu/../StartUp/Pantalla de la sala.lnk"
# The target is in the shortcut's link information, the working folder and
# the arguments among its UTF-16 strings (after their length, which strings
# may take for a character).
programa=$(winepath -u "$(strings -a "$menu/Consola de turnos.lnk" | grep -m1 '\\quenvaro\.exe$')")
carpetaDe() {
  winepath -u "$(strings -el "$1" | sed -n 's/^.\?\(C:\\datos del dia\)$/\1/p')"
}
argumentosDe() { strings -el "$1" | grep -qx ".\\?$2"; }
carpeta=$(carpetaDe "$menu/Consola de turnos.lnk")
# Bea is still waiting when the day ends.
(cd "${carpeta:?no data folder in the shortcut}" &&
  printf '1\nAna\n1\nBea\n2\n4\n' | wine "$programa" >/dev/null)
grep -q 'FREE_TURNO .* Turno #1 ' "$carpeta/bitacora.txt"
grep -q "^\"DisplayVersion\"=\"$version\"" "$WINEPREFIX/user.reg"
(cd "$carpeta" && md5sum ./* >"$3/sumas")
wine "$(dirname "$programa")/desinstalar.exe" /S
wineserver -w
test ! -e "$programa"
test ! -e "$menu"
test "$(grep -c 'Uninstall\\\\Quenvaro' "$WINEPREFIX/user.reg")" = 0
(cd "$carpeta" && md5sum -c --quiet "$3/sumas")

# Installed again with the defaults: the same data folder, Bea called next,
# and the whole day in the report.
instalar
test "$(carpetaDe "$menu/Consola de turnos.lnk")" = "$carpeta"
(cd "$carpeta" && printf '2\n4\n' | wine "$programa" >/dev/null)
grep -q 'FREE_TURNO .* Turno #2 ' "$carpeta/bitacora.txt"
(cd "$carpeta" && wine "$(dirname "$programa")/quenvaro-informe.exe" --csv) |
  grep -q '^[0-9-]*,2,2,'

# The kiosk and a port of its own on both of the screen's shortcuts; an
# update keeps them, and keeps an edit of a shortcut's arguments.
instalar /QUIOSCO /PUERTO=8097 /INICIO
argumentosDe "$menu/Pantalla de la sala.lnk" '--quiosco --puerto 8097'
argumentosDe "$inicio" '--quiosco --puerto 8097'
perl -0777 -pi -e 's/8\x000\x009\x007\x00/8\x000\x009\x008\x00/' "$menu/Pantalla de la sala.lnk"
instalar
argumentosDe "$menu/Pantalla de la sala.lnk" '--quiosco --puerto 8098'
argumentosDe "$inicio" '--quiosco --puerto 8097'
wine "$(dirname "$programa")/desinstalar.exe" /S
wineserver -w

# For every account: the programs in Program Files, the shortcuts in the
# common Start menu; uninstalled from there.
comun="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quenvaro"
instalar /TODOS
test -e "$WINEPREFIX/drive_c/Program Files/Quenvaro/quenvaro.exe"
test -e "$comun/Consola de turnos.lnk"
test ! -e "$menu"
wine "$WINEPREFIX/drive_c/Program Files/Quenvaro/desinstalar.exe" /S
wineserver -w
test ! -e "$comun"
test ! -e "$WINEPREFIX/drive_c/Program Files/Quenvaro/quenvaro.exe"
echo "installed, uninstalled and installed again on the same data; the screen's choices and an edited shortcut kept; for every account"
