// quenvaro-informe --csv and --excel: one line per day, for a script or a
// spreadsheet.
#ifndef QUENVARO_REPORT_VISTA_CSV_H_
#define QUENVARO_REPORT_VISTA_CSV_H_

#include <cstdio>
#include <vector>

#include "report/modelo.h"

// Prints the header line and one line per day of `informe` on `destino`,
// ',' and LF, waits in seconds. With several desks (`mesas` not empty) a
// first column `mesa`: per day, one line per desk that has that day, then
// the line of all desks together, `mesa` empty.
void FunImprimirCsv(const Informe& informe, const std::vector<Informe>& mesas,
                    std::FILE* destino);

// The same table for people in a spreadsheet set up for Spanish: headers
// in words, the date with its weekday, waits in minutes with a decimal
// comma, and TOTAL lines; a UTF-8 byte-order mark, ';' and CR LF (the
// stream then in binary mode).
void FunImprimirExcel(const Informe& informe,
                      const std::vector<Informe>& mesas, std::FILE* destino);

#endif  // QUENVARO_REPORT_VISTA_CSV_H_
