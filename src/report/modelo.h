// quenvaro-informe's model: the figures of each day, month, weekday and
// hour of the day, counted from the whole log, ready for any view.
#ifndef QUENVARO_REPORT_MODELO_H_
#define QUENVARO_REPORT_MODELO_H_

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "report/distribucion.h"

// The figures of one day, the date in the stamps of its records; also
// those of several days together: a month, a weekday, all the days shown
// (the total).
struct DiaInforme {
  int fecha;              // YYYYMMDD; a month's YYYYMM00; a weekday's 0
                          // (Monday) to 6; 0 in the total
  long long sesiones;     // REG_SESSION records
  long long atendidos;    // FREE_TURNO records
  long long sinRegistro;  // ... that found no registration waiting
  long long pendientes;   // registrations no FREE_TURNO has taken
  long long cierres;      // SYS_SHUTDOWN records
  long long esperas;      // FREE_TURNO records that took a registration
  // Of those waits, in seconds; only when `esperas` > 0.
  long long mediana, p90, maxima;
  long long dias;  // days counted in it: 1 for a day
};

// fechaDesde and fechaHasta when the command line names no such day.
const int kSinDesde = 0;
const int kSinHasta = 99999999;

// What the report shows, and what was asked of it: of one log, or of
// several desks' logs pooled.
struct Informe {
  const char* ruta = "";    // the log, as named on the command line
  std::string mesa;         // its desk's name, when there are several
  int fechaDesde = kSinDesde;  // first day asked for, YYYYMMDD
  int fechaHasta = kSinHasta;  // last day asked for
  std::vector<DiaInforme> dias;  // the days asked for, oldest first
  DiaInforme total;              // of those days
  std::vector<DiaInforme> meses;  // of those days by month, oldest first
  DiaInforme semana[7];           // ... by weekday, Monday first
  long long registrosPorHora[24] = {};  // their REG_SESSION records by hour
  long long lineasNoReconocidas = 0;    // foreign lines in the whole log
  bool ultimaLineaIncompleta = false;   // the last line is being written
  // The waits behind the total, the months and the weekdays, for pooling
  // several desks. When esperasPorDia is set before counting, it gets
  // those of each day shown (YYYYMMDD -> its waits) instead of the months
  // and weekdays, whose figures then have no waits.
  Distribucion esperasTotal;
  std::map<int, Distribucion> esperasMes;  // YYYYMM00 -> its waits
  Distribucion esperasSemana[7];
  std::map<int, Distribucion>* esperasPorDia = nullptr;
};

// The weekday of a YYYYMMDD date, 0 (Monday) to 6 (Sunday).
int FunDiaDeLaSemana(int fecha);

// Fills the count, median, P90 and longest wait of `fila` from *esperas.
void FunPercentilesDe(Distribucion* esperas, DiaInforme* fila);

// Counts the whole log from `archivo` into *informe, whose ruta, fechaDesde,
// fechaHasta and esperasPorDia are already set. False with errno set (0 when the file
// changed under a second reading) if it cannot be read.
bool FunContarBitacora(std::FILE* archivo, Informe* informe);

#endif  // QUENVARO_REPORT_MODELO_H_
