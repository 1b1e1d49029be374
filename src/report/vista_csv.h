// quenvaro-informe --csv and --excel: one line per day, for a script or a
// spreadsheet.
#ifndef QUENVARO_REPORT_VISTA_CSV_H_
#define QUENVARO_REPORT_VISTA_CSV_H_

#include <cstdio>

#include "report/modelo.h"

// Prints the header line and one line per day of `informe` on `destino`:
// ',' and LF, or, `paraHojaDeCalculo`, a UTF-8 byte-order mark, ';' and
// CR LF (the stream then in binary mode).
void FunImprimirCsv(const Informe& informe, std::FILE* destino,
                    bool paraHojaDeCalculo);

#endif  // QUENVARO_REPORT_VISTA_CSV_H_
