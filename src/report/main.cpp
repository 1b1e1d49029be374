// quenvaro-informe: how many came, how many were attended and how long they
// waited, day by day, from the console's event log.
#include "report/informe.h"

int main(int argc, char** argv) { return FunEjecutarInforme(argc, argv); }
