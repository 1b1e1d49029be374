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
  long long total = 0;        // the sum of cuantas
};

// Makes *distribucion hold exactly the n >= 0 waits of `esperas`, in any
// order; time linear in n for waits under a day.
void FunDistribuir(const long long* esperas, std::size_t n,
                   Distribucion* distribucion);

// Adds every wait of `otra` to *distribucion.
void FunUnirDistribucion(Distribucion* distribucion, const Distribucion& otra);

// The ceil(total * porCiento / 100)-th smallest wait (porCiento 1 to 100)
// of a distribution holding at least one.
long long FunPercentilDistribucion(const Distribucion& distribucion,
                                   int porCiento);

#endif  // QUENVARO_REPORT_DISTRIBUCION_H_
