// quenvaro: the front-desk console. Restores the waiting queue, runs the
// operator's menu until the day is closed or input ends, frees every record.
#include "console/consola.h"
#include "registry/registro.h"

int main() {
  FunRecuperarColaDisco();
  FunEjecutarMenu();
  FunLiberarMemoria();
  return 0;
}
