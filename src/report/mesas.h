// quenvaro-informe over several desks: each log named on the command line
// is a desk, counted on its own, and their figures pooled.
#ifndef QUENVARO_REPORT_MESAS_H_
#define QUENVARO_REPORT_MESAS_H_

#include <map>
#include <string>

#include "report/distribucion.h"
#include "report/modelo.h"

// A log as the command line names it.
struct MesaPedida {
  std::string ruta;    // the log: a folder given stands for its bitacora.txt
  std::string nombre;  // its desk's name
};

// Reads an ARCHIVO argument: NOMBRE=ARCHIVO when the whole argument is no
// file; otherwise the desk is named after the folder holding a bitacora.txt,
// or after the file, without ".txt". False when the name is empty.
bool FunLeerMesa(const char* argumento, MesaPedida* mesa);

// True when two names would read as one desk (letters' case aside).
bool FunMismoNombre(const std::string& a, const std::string& b);

// Adds one desk's counted report, and the waits of its days, to the pool
// *todas (first set to an empty Informe with its days range); the desk's
// distributions are emptied, so that memory follows the pool, not the
// number of desks.
void FunSumarMesa(Informe* mesa, std::map<int, Distribucion>* esperasPorDia,
                  Informe* todas, std::map<int, Distribucion>* esperasTodas);

// Finishes the pool once every desk is in: each day's, month's, weekday's
// and the total's median, P90 and longest wait over the waits of all desks.
void FunCompletarTodas(std::map<int, Distribucion>* esperasTodas,
                       Informe* todas);

// Pools desks as they are counted, one at a time, on a thread of its own:
// a desk is added to the pool while the next desk's log is read.
struct Sumadora;

// Starts pooling into *todas and *esperasTodas, as FunSumarMesa does.
Sumadora* FunIniciarSumadora(Informe* todas,
                             std::map<int, Distribucion>* esperasTodas);

// Waits until the desk handed over before is pooled, then hands over *mesa
// and the waits of its days; neither may be touched until the next call
// or FunTerminarSumadora returns.
void FunEntregarMesa(Sumadora* sumadora, Informe* mesa,
                     std::map<int, Distribucion>* esperasPorDia);

// Waits until every desk handed over is pooled, then ends the thread and
// frees *sumadora.
void FunTerminarSumadora(Sumadora* sumadora);

#endif  // QUENVARO_REPORT_MESAS_H_
