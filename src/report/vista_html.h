// quenvaro-informe --html: one self-contained page with the day table, the
// registrations per hour and their charts, for a screen or for print.
#ifndef QUENVARO_REPORT_VISTA_HTML_H_
#define QUENVARO_REPORT_VISTA_HTML_H_

#include <cstdio>
#include <vector>

#include "report/modelo.h"

// Prints the page of `informe` on `destino`.
void FunImprimirHtml(const Informe& informe,
                     const std::vector<Informe>& mesas, std::FILE* destino);

#endif  // QUENVARO_REPORT_VISTA_HTML_H_
