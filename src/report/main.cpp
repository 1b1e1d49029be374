// quenvaro-informe: how many came, how many were attended and how long they
// waited, day by day, from the console's event log.
#include "platform/texto.h"
#include "report/informe.h"

int main(int argc, char** argv) {
  argv = FunLeerArgumentos(&argc, argv);
  return FunEjecutarInforme(argc, argv);
}
