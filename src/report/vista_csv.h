// quenvaro-informe --csv: one line per day, for a spreadsheet.
#ifndef QUENVARO_REPORT_VISTA_CSV_H_
#define QUENVARO_REPORT_VISTA_CSV_H_

#include "report/modelo.h"

// Prints the header line and one line per day of `informe` on standard
// output.
void FunImprimirCsv(const Informe& informe);

#endif  // QUENVARO_REPORT_VISTA_CSV_H_
