// quenvaro-informe's exact distribution of waits: how many waited each
// whole number of seconds, so that the waits of a month, a weekday, a desk
// or several desks' day give their nearest-rank percentiles without being
// kept one by one. It holds one entry per distinct wait, never more than
// one per second of a day plus the rare longer waits, however many records.
#ifndef QUENVARO_REPORT_DISTRIBUCION_H_
#define QUENVARO_REPORT_DISTRIBUCION_H_

#include <cstddef>
#include <vector>

struct Distribucion {
  struct Tramo {
    long long espera;   // seconds
    long long cuantas;  // waits of exactly that length
  };
  std::vector<Tramo> tramos;  // ascending espera, no cuantas of 0
  long long total = 0;        // every wait held, in tramos or sueltas
  // Waits noted but not yet in tramos: folded in by the batch, so that a
  // few waits at a time never cost a pass over every tramo.
  std::vector<long long> sueltas;
};

// Adds the n >= 0 waits of `esperas`, in any order, to *distribucion.
void FunAnotarEsperas(Distribucion* distribucion, const long long* esperas,
                      std::size_t n);

// Adds every wait of *otra to *distribucion.
void FunUnirDistribucion(Distribucion* distribucion, Distribucion* otra);

// Adds every wait of each of `otras` to *distribucion at once: time
// linear in their distinct waits, however many they are.
void FunUnirVarias(Distribucion* distribucion,
                   const std::vector<Distribucion*>& otras);

// The ceil(total * porCiento / 100)-th smallest wait (porCiento 1 to 100)
// of a distribution holding at least one.
long long FunPercentilDistribucion(Distribucion* distribucion, int porCiento);

#endif  // QUENVARO_REPORT_DISTRIBUCION_H_
