#include "report/distribucion.h"

#include <algorithm>
#include <utility>

namespace {

// Merges two ascending runs of tramos into *destino (emptied first).
void FunMezclar(const std::vector<Distribucion::Tramo>& a,
                const std::vector<Distribucion::Tramo>& b,
                std::vector<Distribucion::Tramo>* destino) {
  destino->clear();
  destino->reserve(a.size() + b.size());
  std::size_t i = 0, j = 0;
  while (i < a.size() || j < b.size()) {
    if (j == b.size() || (i < a.size() && a[i].espera < b[j].espera)) {
      destino->push_back(a[i++]);
    } else if (i == a.size() || b[j].espera < a[i].espera) {
      destino->push_back(b[j++]);
    } else {
      destino->push_back({a[i].espera, a[i].cuantas + b[j].cuantas});
      ++i;
      ++j;
    }
  }
}

// Scratch space reused by every merge.
std::vector<Distribucion::Tramo> mezcla;

void FunAgregarTramos(Distribucion* distribucion,
                      const std::vector<Distribucion::Tramo>& tramos) {
  if (distribucion->tramos.empty()) {
    distribucion->tramos = tramos;
  } else {
    FunMezclar(distribucion->tramos, tramos, &mezcla);
    std::swap(distribucion->tramos, mezcla);
  }
}

// Waits under a day are counted in place, each second met marked in a
// bitmap that gives them back in order without sorting them; the rare
// longer waits (and any negative one) are sorted apart. Static and zero,
// the counts take memory only where a wait has been.
const long long kDia = 86400;
const std::size_t kPalabras = (kDia + 63) / 64;
long long cuentas[kDia];
unsigned long long marcas[kPalabras];
std::size_t distintas = 0;
std::size_t primeraPalabra = kPalabras, ultimaPalabra = 0;

// Counts `cuantas` waits of `espera` in cuentas; false if it is no wait
// under a day.
inline bool FunContar(long long espera, long long cuantas) {
  if (espera >= kDia || espera < 0) return false;
  if (cuentas[espera] == 0) {
    const std::size_t palabra = static_cast<std::size_t>(espera) / 64;
    marcas[palabra] |= 1ULL << (espera % 64);
    primeraPalabra = std::min(primeraPalabra, palabra);
    ultimaPalabra = std::max(ultimaPalabra, palabra);
    ++distintas;
  }
  cuentas[espera] += cuantas;
  return true;
}

// Appends the counted waits, ascending, to *tramos, and clears the counts;
// `largas` more tramos will follow.
void FunVaciarCuentas(std::vector<Distribucion::Tramo>* tramos,
                      std::size_t largas) {
  // Room for exactly what comes: a month's tramos are no small vector.
  tramos->reserve(tramos->size() + distintas + largas);
  for (std::size_t p = primeraPalabra; p <= ultimaPalabra && distintas > 0;
       ++p) {
    for (unsigned long long bits = marcas[p]; bits != 0; bits &= bits - 1) {
      const long long espera =
          static_cast<long long>(p * 64) + __builtin_ctzll(bits);
      tramos->push_back({espera, cuentas[espera]});
      cuentas[espera] = 0;
    }
    marcas[p] = 0;
  }
  distintas = 0;
  primeraPalabra = kPalabras;
  ultimaPalabra = 0;
}

// Sorts the tramos of the longer waits, adding up those of one wait, and
// appends them to *tramos, whose waits are all shorter (none negative: the
// model never makes one, and a negative one would go last, still counted).
void FunAnexarLargas(std::vector<Distribucion::Tramo>* largas,
                     std::vector<Distribucion::Tramo>* tramos) {
  std::sort(largas->begin(), largas->end(),
            [](const Distribucion::Tramo& a, const Distribucion::Tramo& b) {
              return a.espera < b.espera;
            });
  for (const Distribucion::Tramo& tramo : *largas) {
    if (!tramos->empty() && tramos->back().espera == tramo.espera)
      tramos->back().cuantas += tramo.cuantas;
    else
      tramos->push_back(tramo);
  }
}

// Makes *tramos hold exactly the n >= 0 waits of `esperas`, in any order:
// time linear in n for waits under a day.
void FunDistribuir(const long long* esperas, std::size_t n,
                   std::vector<Distribucion::Tramo>* tramos) {
  static std::vector<Distribucion::Tramo> largas;
  largas.clear();
  for (std::size_t i = 0; i < n; ++i)
    if (!FunContar(esperas[i], 1)) largas.push_back({esperas[i], 1});
  tramos->clear();
  FunVaciarCuentas(tramos, largas.size());
  FunAnexarLargas(&largas, tramos);
}

std::vector<Distribucion::Tramo> nuevos;

// Puts the loose waits of *distribucion into its tramos.
void FunAsentar(Distribucion* distribucion) {
  if (distribucion->sueltas.empty()) return;
  FunDistribuir(distribucion->sueltas.data(), distribucion->sueltas.size(),
                &nuevos);
  distribucion->sueltas.clear();
  FunAgregarTramos(distribucion, nuevos);
}

}  // namespace

void FunAnotarEsperas(Distribucion* distribucion, const long long* esperas,
                      std::size_t n) {
  distribucion->total += static_cast<long long>(n);
  // Folded in once they would outnumber the tramos: each wait costs a
  // constant share of a pass, and the loose ones stay a few kilobytes. A
  // batch as large goes straight in.
  const std::size_t lote =
      std::max<std::size_t>(512, distribucion->tramos.size());
  std::vector<long long>& sueltas = distribucion->sueltas;
  if (sueltas.size() + n > lote) FunAsentar(distribucion);
  if (n > lote) {
    FunDistribuir(esperas, n, &nuevos);
    FunAgregarTramos(distribucion, nuevos);
  } else {
    sueltas.insert(sueltas.end(), esperas, esperas + n);
  }
}

void FunUnirDistribucion(Distribucion* distribucion, Distribucion* otra) {
  // Loose waits stay loose: many small distributions (a desk's day) pooled
  // into one cost a share of a pass each, not a pass.
  const std::vector<long long>& sueltas = otra->sueltas;
  FunAnotarEsperas(distribucion, sueltas.data(), sueltas.size());
  const long long enTramos =
      otra->total - static_cast<long long>(sueltas.size());
  if (enTramos == 0) return;
  distribucion->total += enTramos;
  FunAgregarTramos(distribucion, otra->tramos);
}

long long FunPercentilDistribucion(Distribucion* distribucion, int porCiento) {
  FunAsentar(distribucion);
  const long long rango = (distribucion->total * porCiento + 99) / 100;
  long long vistas = 0;
  for (const Distribucion::Tramo& tramo : distribucion->tramos) {
    vistas += tramo.cuantas;
    if (vistas >= rango) return tramo.espera;
  }
  return distribucion->tramos.empty() ? 0 : distribucion->tramos.back().espera;
}

void FunUnirVarias(Distribucion* distribucion,
                   const std::vector<Distribucion*>& otras) {
  static std::vector<Distribucion::Tramo> largas;
  largas.clear();
  std::vector<Distribucion*> todas = otras;
  todas.push_back(distribucion);
  long long total = 0;
  for (Distribucion* otra : todas) {
    FunAsentar(otra);
    total += otra->total;
    for (const Distribucion::Tramo& tramo : otra->tramos)
      if (!FunContar(tramo.espera, tramo.cuantas)) largas.push_back(tramo);
  }
  // A new vector, not the old one cleared: its room is exactly the tramos.
  distribucion->tramos = std::vector<Distribucion::Tramo>();
  FunVaciarCuentas(&distribucion->tramos, largas.size());
  FunAnexarLargas(&largas, &distribucion->tramos);
  distribucion->total = total;
}
