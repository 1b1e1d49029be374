// quenvaro-informe's exact distribution of waits: how many waited each
// whole number of seconds, so that the waits of a month, a weekday, a desk
// or several desks' day give their nearest-rank percentiles without being
// kept one by one. It holds one count per second in the runs of seconds
// that are mostly taken, and one entry per distinct wait elsewhere, however
// many records.
#ifndef QUENVARO_REPORT_DISTRIBUCION_H_
#define QUENVARO_REPORT_DISTRIBUCION_H_

#include <cstddef>
#include <cstdint>
#include <vector>

struct Distribucion {
  struct Tramo {
    long long espera;   // seconds
    long long cuantas;  // waits of exactly that length
  };
  // A run of consecutive seconds of which at least about half have waits
  // (the bulk of a day's, typically): a count per second, found by its
  // distance from the first, so that a new wait there costs no search. A
  // count that would overflow goes to tramos instead.
  struct Ventana {
    long long desde;                   // the first second
    std::vector<std::uint32_t> cuentas;  // waits of desde, desde + 1, ...
  };
  std::vector<Ventana> ventanas;  // ascending and apart; a few at most
  std::vector<Tramo> tramos;      // the other waits: ascending espera, no
                                  // cuantas of 0
  long long total = 0;            // every wait held, anywhere
  // Waits noted but not yet in their place: folded in by the batch, so
  // that a few new waits at a time never cost a pass over the rest.
  std::vector<long long> sueltas;
};

// Adds the n >= 0 waits of `esperas`, in any order, to *distribucion.
void FunAnotarEsperas(Distribucion* distribucion, const long long* esperas,
                      std::size_t n);

// Adds every wait of *otra to *distribucion.
void FunUnirDistribucion(Distribucion* distribucion, Distribucion* otra);

// Adds every wait of each of `otras`, left as they are, to *distribucion
// at once: time linear in what they hold.
void FunUnirVarias(Distribucion* distribucion,
                   const std::vector<Distribucion*>& otras);

// Into valores[i], the ceil(total * porCientos[i] / 100)-th smallest wait
// of a distribution holding at least one, for n percentages from 1 to 100
// in ascending order.
void FunPercentilesDistribucion(Distribucion* distribucion,
                                const int* porCientos, std::size_t n,
                                long long* valores);

#endif  // QUENVARO_REPORT_DISTRIBUCION_H_
