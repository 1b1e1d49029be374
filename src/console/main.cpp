// quenvaro: the front-desk console. Restores the waiting queue, runs the
// operator's menu until the day is closed or input ends, frees every record.
#include <cstdlib>

#include "console/consola.h"
#include "platform/ventana.h"
#include "registry/registro.h"

int main() {
  // Whichever way the program ends, a window opened for it alone (a
  // double-click, a shortcut) stays until its last lines are read.
  std::atexit(FunEsperarTeclaSiVentanaPropia);
  // Both refusals come before anything is written: another window owns the
  // folder, or the backup exists but cannot be read.
  if (!FunReservarCarpeta() || !FunRecuperarColaDisco()) return 1;
  FunEjecutarMenu();
  FunLiberarMemoria();
  return 0;
}
