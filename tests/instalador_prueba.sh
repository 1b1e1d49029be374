#!/bin/sh
# The installer under wine, in a scratch prefix and home of this test's
# own: a silent install, a day at the console started as its Start menu
# shortcut starts it, a silent uninstall, and the day's files as they were.
# Arguments: the installer, the version it must register, a scratch folder.
set -eu
instalador=$1 version=$2
rm -rf "$3" && mkdir -p "$3"
export HOME="$3" WINEPREFIX="$3/prefijo" WINEDEBUG=-all \
  WINEDLLOVERRIDES='winemenubuilder.exe,mscoree,mshtml=d'
trap 'wineserver -k 2>/dev/null || true' EXIT
wine "$instalador" /S '/DATOS=C:\datos del dia'
wineserver -w
menu=$(echo "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs/Quenvaro)
# The target is in the shortcut's link information, the working folder
# among its UTF-16 strings (after its length, which strings may take for a
# character).
programa=$(winepath -u "$(strings -a "$menu/Consola de turnos.lnk" | grep -m1 '\\quenvaro\.exe$')")
carpeta=$(winepath -u "$(strings -el "$menu/Consola de turnos.lnk" | sed -n 's/^.\?\(C:\\datos del dia\)$/\1/p')")
(cd "${carpeta:?no data folder in the shortcut}" && printf '1\nAna\n2\n4\n' | wine "$programa" >/dev/null)
grep -q 'FREE_TURNO .* Turno #1 ' "$carpeta/bitacora.txt"
grep -q "^\"DisplayVersion\"=\"$version\"" "$WINEPREFIX/user.reg"
(cd "$carpeta" && md5sum ./* >"$3/sumas")
wine "$(dirname "$programa")/desinstalar.exe" /S
wineserver -w
test ! -e "$programa"
test ! -e "$menu"
test "$(grep -c 'Uninstall\\\\Quenvaro' "$WINEPREFIX/user.reg")" = 0
(cd "$carpeta" && md5sum -c --quiet "$3/sumas")
echo "installed, a day at the console, uninstalled: the data folder kept"
