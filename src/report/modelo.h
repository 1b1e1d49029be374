// quenvaro-informe's model: the figures of each day and of each hour of
// the day, counted from the whole log, ready for any view.
#ifndef QUENVARO_REPORT_MODELO_H_
#define QUENVARO_REPORT_MODELO_H_

#include <cstdio>
#include <vector>

// The figures of one day, the date in the stamps of its records; also
// those of all the days shown together (the total).
struct DiaInforme {
  int fecha;              // YYYYMMDD; 0 in the total
  long long sesiones;     // REG_SESSION records
  long long atendidos;    // FREE_TURNO records
  long long sinRegistro;  // ... that found no registration waiting
  long long pendientes;   // registrations no FREE_TURNO has taken
  long long cierres;      // SYS_SHUTDOWN records
  long long esperas;      // FREE_TURNO records that took a registration
  // Of those waits, in seconds; only when `esperas` > 0. The total has
  // only the longest.
  long long mediana, p90, maxima;
};

// What the report shows, and what was asked of it.
struct Informe {
  const char* ruta;         // the log, as named on the command line
  int fechaDesde;           // first day asked for, YYYYMMDD, or kSinDesde
  int fechaHasta;           // last day asked for, or kSinHasta
  std::vector<DiaInforme> dias;  // the days asked for, oldest first
  DiaInforme total;              // of those days
  long long registrosPorHora[24];  // their REG_SESSION records by hour
  long long lineasNoReconocidas;   // foreign lines in the whole log
  bool ultimaLineaIncompleta;      // the last line is still being written
};

// fechaDesde and fechaHasta when the command line names no such day.
const int kSinDesde = 0;
const int kSinHasta = 99999999;

// Counts the whole log from `archivo` into *informe, whose ruta, fechaDesde
// and fechaHasta are already set. False with errno set (0 when the file
// changed under a second reading) if it cannot be read.
bool FunContarBitacora(std::FILE* archivo, Informe* informe);

#endif  // QUENVARO_REPORT_MODELO_H_
