#include "report/distribucion.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>
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

// Waits under a day are counted in place, each second met marked in a
// bitmap that gives them back in order without sorting them; the rare
// longer waits (and any negative one) are sorted apart. Like all the
// scratch space here, they are per thread: several desks are pooled on one
// thread while the next is counted on another.
const long long kDia = 86400;
const std::size_t kPalabras = (kDia + 63) / 64;
thread_local long long* cuentas = nullptr;  // kDia of them, once prepared
thread_local unsigned long long marcas[kPalabras];
thread_local std::size_t distintas = 0;
thread_local std::size_t primeraPalabra = kPalabras, ultimaPalabra = 0;

// Frees a thread's counts when the thread ends.
struct Liberador {
  ~Liberador() {
    std::free(cuentas);
    cuentas = nullptr;
  }
};

// Makes room for the counts of this thread, on its first need: zeros from
// calloc, so that a page no wait has touched takes no memory.
void FunPrepararCuentas() {
  if (cuentas != nullptr) return;
  thread_local Liberador liberador;
  cuentas = static_cast<long long*>(std::calloc(kDia, sizeof(long long)));
  if (cuentas == nullptr) throw std::bad_alloc();
}

// Counts `cuantas` waits of `espera` in cuentas (prepared); false if it is
// no wait under a day.
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
  thread_local std::vector<Distribucion::Tramo> largas;
  largas.clear();
  FunPrepararCuentas();
  for (std::size_t i = 0; i < n; ++i)
    if (!FunContar(esperas[i], 1)) largas.push_back({esperas[i], 1});
  tramos->clear();
  FunVaciarCuentas(tramos, largas.size());
  FunAnexarLargas(&largas, tramos);
}

/* ------------------------------------------------------------- windows */

using Tramo = Distribucion::Tramo;
using Ventana = Distribucion::Ventana;

const std::uint32_t kCuentaLlena = UINT32_MAX;
// A run of seconds gets a window when it holds this many distinct waits;
// at most kVentanas windows, those of the most waits.
const std::size_t kMinVentana = 32;
const std::size_t kVentanas = 16;
// A run grows while it spans at most twice its distinct waits plus this:
// at least half full, a gap or two at its start aside.
const unsigned long long kHolgura = 16;

// Scratch space reused by every fold.
thread_local std::vector<Tramo> deVentanas, todos, otros, mezcla, nuevos;
thread_local std::vector<long long> fuera;

std::size_t FunEntradas(const Distribucion& distribucion) {
  std::size_t n = distribucion.tramos.size();
  for (const Ventana& ventana : distribucion.ventanas)
    n += ventana.cuentas.size();
  return n;
}

// Every wait placed in *distribucion (its loose ones aside), ascending,
// one tramo per distinct wait, into *destino.
void FunListarTodo(const Distribucion& distribucion,
                   std::vector<Tramo>* destino) {
  deVentanas.clear();
  for (const Ventana& ventana : distribucion.ventanas)
    for (std::size_t i = 0; i < ventana.cuentas.size(); ++i)
      if (ventana.cuentas[i] != 0)
        deVentanas.push_back({ventana.desde + static_cast<long long>(i),
                              ventana.cuentas[i]});
  FunMezclar(deVentanas, distribucion.tramos, destino);
}

// The runs of `lista` (ascending, one tramo per distinct wait) worth a
// window, at most kVentanas of them, ascending, into `tiradas` as [first,
// last) indices; true if there is any.
bool FunBuscarTiradas(const std::vector<Tramo>& lista,
                      std::vector<std::pair<std::size_t, std::size_t>>* tiradas) {
  tiradas->clear();
  const std::size_t n = lista.size();
  for (std::size_t inicio = 0, fin; inicio < n; inicio = fin) {
    // Unsigned: the list ascends, so the difference is the span even for
    // waits of any sign.
    const unsigned long long primera =
        static_cast<unsigned long long>(lista[inicio].espera);
    for (fin = inicio + 1; fin < n; ++fin) {
      // Seconds spanned, less one: no wrap even from the least wait to the
      // greatest.
      const unsigned long long distancia =
          static_cast<unsigned long long>(lista[fin].espera) - primera;
      if (distancia >=
          2 * static_cast<unsigned long long>(fin - inicio + 1) + kHolgura)
        break;
    }
    if (fin - inicio >= kMinVentana) tiradas->emplace_back(inicio, fin);
  }
  if (tiradas->size() > kVentanas) {
    std::partial_sort(tiradas->begin(), tiradas->begin() + kVentanas,
                      tiradas->end(), [](const auto& a, const auto& b) {
                        return a.second - a.first > b.second - b.first;
                      });
    tiradas->resize(kVentanas);
    std::sort(tiradas->begin(), tiradas->end());
  }
  return !tiradas->empty();
}

thread_local std::vector<std::pair<std::size_t, std::size_t>> tiradas;

// Makes *distribucion hold exactly `lista` (ascending, one tramo per
// distinct wait): its mostly taken runs of seconds as windows, the rest as
// tramos. A window takes at most 4 bytes per second of at most about twice
// its distinct waits, under the 16 bytes of a tramo each.
void FunRepartir(const std::vector<Tramo>& lista, Distribucion* distribucion) {
  FunBuscarTiradas(lista, &tiradas);
  const std::size_t n = lista.size();
  std::vector<Ventana> ventanas;
  ventanas.reserve(tiradas.size());
  std::size_t enVentanas = 0;
  for (const auto& tirada : tiradas) enVentanas += tirada.second - tirada.first;
  std::vector<Tramo> resto;
  resto.reserve(n - enVentanas);
  std::size_t siguiente = 0;
  for (std::size_t i = 0; i < n;) {
    if (siguiente < tiradas.size() && i == tiradas[siguiente].first) {
      const std::size_t fin = tiradas[siguiente++].second;
      Ventana ventana;
      ventana.desde = lista[i].espera;
      ventana.cuentas.assign(
          static_cast<std::size_t>(
              static_cast<unsigned long long>(lista[fin - 1].espera) -
              static_cast<unsigned long long>(ventana.desde) + 1),
          0);
      for (; i < fin; ++i) {
        const Tramo& tramo = lista[i];
        if (tramo.cuantas < kCuentaLlena)
          ventana.cuentas[static_cast<std::size_t>(
              static_cast<unsigned long long>(tramo.espera) -
              static_cast<unsigned long long>(ventana.desde))] =
              static_cast<std::uint32_t>(tramo.cuantas);
        else
          resto.push_back(tramo);
      }
      ventanas.push_back(std::move(ventana));
    } else {
      if (lista[i].cuantas != 0) resto.push_back(lista[i]);
      ++i;
    }
  }
  distribucion->ventanas = std::move(ventanas);
  distribucion->tramos = std::move(resto);
}

// Adds each of the n waits of `esperas` to its window, in place, and
// appends to *otras those that fall in none (or in a full count).
void FunSumarEnSuSitio(Distribucion* distribucion, const long long* esperas,
                       std::size_t n, std::vector<long long>* otras) {
  std::vector<Ventana>& ventanas = distribucion->ventanas;
  if (ventanas.empty()) {
    otras->insert(otras->end(), esperas, esperas + n);
    return;
  }
  for (std::size_t i = 0; i < n; ++i) {
    bool puesta = false;
    for (Ventana& ventana : ventanas) {
      // Unsigned, so that a wait before the window wraps past its end.
      const unsigned long long sitio =
          static_cast<unsigned long long>(esperas[i]) -
          static_cast<unsigned long long>(ventana.desde);
      if (sitio < ventana.cuentas.size()) {
        std::uint32_t& cuenta = ventana.cuentas[static_cast<std::size_t>(sitio)];
        if (cuenta != kCuentaLlena) {
          ++cuenta;
          puesta = true;
        }
        break;
      }
    }
    if (!puesta) otras->push_back(esperas[i]);
  }
}

// Folds the n waits of `esperas`, none of which has a place in a window,
// into the tramos of *distribucion; the windows are drawn anew from
// everything only when the tramos then hold a run worth one.
void FunIncorporar(Distribucion* distribucion, const long long* esperas,
                   std::size_t n) {
  FunDistribuir(esperas, n, &nuevos);
  FunMezclar(distribucion->tramos, nuevos, &mezcla);
  distribucion->tramos.swap(mezcla);
  if (!FunBuscarTiradas(distribucion->tramos, &tiradas)) return;
  // With every window taken, only a run larger than the smallest window
  // would change them.
  const std::vector<Ventana>& ventanas = distribucion->ventanas;
  if (ventanas.size() == kVentanas) {
    std::size_t menor = ventanas[0].cuentas.size();
    for (const Ventana& ventana : ventanas)
      menor = std::min(menor, ventana.cuentas.size());
    std::size_t mayor = 0;
    for (const auto& tirada : tiradas)
      mayor = std::max(mayor, tirada.second - tirada.first);
    if (mayor <= menor / 2) return;
  }
  FunListarTodo(*distribucion, &todos);
  FunRepartir(todos, distribucion);
}

// Adds the n waits of `esperas` to *distribucion, outside its loose ones
// (its total already counts them).
void FunAgregarEsperas(Distribucion* distribucion, const long long* esperas,
                       std::size_t n) {
  fuera.clear();
  FunSumarEnSuSitio(distribucion, esperas, n, &fuera);
  if (!fuera.empty()) FunIncorporar(distribucion, fuera.data(), fuera.size());
}

// Makes room among the loose waits of *distribucion: those that now have
// a window go there; the others (the rare long waits, mostly) stay loose
// while they are at most half of `lote`, and are folded in otherwise. Each
// wait so costs a constant share of a pass over the distribution.
void FunAliviar(Distribucion* distribucion, std::size_t lote) {
  std::vector<long long>& sueltas = distribucion->sueltas;
  fuera.clear();
  FunSumarEnSuSitio(distribucion, sueltas.data(), sueltas.size(), &fuera);
  sueltas.clear();
  if (fuera.size() <= lote / 2)
    sueltas.insert(sueltas.end(), fuera.begin(), fuera.end());
  else
    FunIncorporar(distribucion, fuera.data(), fuera.size());
}

// Puts the loose waits of *distribucion in their place.
void FunAsentar(Distribucion* distribucion) {
  std::vector<long long>& sueltas = distribucion->sueltas;
  if (sueltas.empty()) return;
  FunAgregarEsperas(distribucion, sueltas.data(), sueltas.size());
  sueltas.clear();
}

}  // namespace

void FunAnotarEsperas(Distribucion* distribucion, const long long* esperas,
                      std::size_t n) {
  distribucion->total += static_cast<long long>(n);
  const std::size_t lote =
      std::max<std::size_t>(512, FunEntradas(*distribucion));
  if (n > lote) {
    FunAgregarEsperas(distribucion, esperas, n);
    return;
  }
  // A few at a time: those that find their window go there at once; the
  // others stay loose, a few kilobytes at most, until they would outnumber
  // what is held.
  FunSumarEnSuSitio(distribucion, esperas, n, &distribucion->sueltas);
  if (distribucion->sueltas.size() > lote) FunAliviar(distribucion, lote);
}

void FunUnirDistribucion(Distribucion* distribucion, Distribucion* otra) {
  // Loose waits go in as new ones: many small distributions (a desk's day)
  // pooled into one cost a share of a pass each, not a pass.
  const std::vector<long long>& sueltas = otra->sueltas;
  FunAnotarEsperas(distribucion, sueltas.data(), sueltas.size());
  const long long colocadas =
      otra->total - static_cast<long long>(sueltas.size());
  if (colocadas == 0) return;
  distribucion->total += colocadas;
  FunListarTodo(*otra, &otros);
  FunListarTodo(*distribucion, &todos);
  FunMezclar(todos, otros, &mezcla);
  FunRepartir(mezcla, distribucion);
}

void FunPercentilesDistribucion(Distribucion* distribucion,
                                const int* porCientos, std::size_t n,
                                long long* valores) {
  FunAsentar(distribucion);
  FunListarTodo(*distribucion, &todos);
  long long vistas = 0;
  std::size_t siguiente = 0;
  for (const Tramo& tramo : todos) {
    vistas += tramo.cuantas;
    for (; siguiente < n; ++siguiente) {
      const long long rango =
          (distribucion->total * porCientos[siguiente] + 99) / 100;
      if (vistas < rango) break;
      valores[siguiente] = tramo.espera;
    }
    if (siguiente == n) return;
  }
  for (; siguiente < n; ++siguiente)
    valores[siguiente] = todos.empty() ? 0 : todos.back().espera;
}

void FunUnirVarias(Distribucion* distribucion,
                   const std::vector<Distribucion*>& otras) {
  thread_local std::vector<Tramo> largas;
  largas.clear();
  FunPrepararCuentas();
  std::vector<Distribucion*> juntas = otras;
  juntas.push_back(distribucion);
  long long total = 0;
  for (const Distribucion* otra : juntas) {
    total += otra->total;
    for (const Ventana& ventana : otra->ventanas)
      for (std::size_t i = 0; i < ventana.cuentas.size(); ++i) {
        const Tramo tramo{ventana.desde + static_cast<long long>(i),
                          ventana.cuentas[i]};
        if (tramo.cuantas != 0 && !FunContar(tramo.espera, tramo.cuantas))
          largas.push_back(tramo);
      }
    for (const Tramo& tramo : otra->tramos)
      if (!FunContar(tramo.espera, tramo.cuantas)) largas.push_back(tramo);
    for (const long long espera : otra->sueltas)
      if (!FunContar(espera, 1)) largas.push_back({espera, 1});
  }
  todos.clear();
  FunVaciarCuentas(&todos, largas.size());
  FunAnexarLargas(&largas, &todos);
  FunRepartir(todos, distribucion);
  distribucion->sueltas = std::vector<long long>();
  distribucion->total = total;
}
