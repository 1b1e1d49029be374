// quenvaro-informe's text report: the day table, its total, the desks, the
// registrations per hour and the notes, for a terminal or a printer.
#ifndef QUENVARO_REPORT_VISTA_TEXTO_H_
#define QUENVARO_REPORT_VISTA_TEXTO_H_

#include <cstddef>
#include <cstdio>
#include <vector>

#include "report/modelo.h"

// Size of a buffer for FunFormatearFecha or FunFormatearEspera.
const std::size_t kTamCifra = 48;

// Writes a YYYYMMDD date as "AAAA-MM-DD" into `texto` (kTamCifra bytes).
void FunFormatearFecha(int fecha, char* texto);

// Writes a wait in seconds as the report shows it, minutes and seconds
// ("20m05s"), into `texto` (kTamCifra bytes).
void FunFormatearEspera(long long segundos, char* texto);

// Writes the days the command line asked for, " desde AAAA-MM-DD" and/or
// " hasta AAAA-MM-DD", into `texto` (kTamCifra bytes); false when it asked
// for none.
bool FunFormatearDiasPedidos(const Informe& informe, char* texto);

// Prints the text report of `informe` on `destino`; with several desks,
// `informe` holds them pooled and `mesas` each one (else it is empty).
void FunImprimirTexto(const Informe& informe,
                      const std::vector<Informe>& mesas, std::FILE* destino);

#endif  // QUENVARO_REPORT_VISTA_TEXTO_H_
