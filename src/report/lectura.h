// quenvaro-informe's reading of the log: every line, read in blocks and
// recognised as one of the three records or counted as foreign.
#ifndef QUENVARO_REPORT_LECTURA_H_
#define QUENVARO_REPORT_LECTURA_H_

#include <cstdio>

#include "eventlog/bitacora.h"

// What a reading found besides the records.
struct LecturaBitacora {
  long long lineasNoReconocidas;  // whole lines that are no record
  bool ultimaLineaIncompleta;     // the last line, without its line end,
                                  // is not yet a whole record
};

// Reads the log from where `archivo` stands, at most `limite` bytes, and
// calls `contar` with each record in the order of the file; *leidos gets
// how many bytes were read. False on a read error.
bool FunRecorrerBitacora(std::FILE* archivo, unsigned long long limite,
                         void (*contar)(const RegistroLeido&),
                         LecturaBitacora* lectura, unsigned long long* leidos);

#endif  // QUENVARO_REPORT_LECTURA_H_
