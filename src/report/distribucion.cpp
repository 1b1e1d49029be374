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

}  // namespace

void FunDistribuir(const long long* esperas, std::size_t n,
                   Distribucion* distribucion) {
  // Waits under a day are counted in place, the seconds met noted and
  // sorted; the rare longer waits are sorted apart.
  const long long kDia = 86400;
  static std::vector<unsigned> cuentas(kDia, 0);
  static std::vector<long long> vistas, largas;
  vistas.clear();
  largas.clear();
  for (std::size_t i = 0; i < n; ++i) {
    const long long espera = esperas[i];
    if (espera >= kDia) {
      largas.push_back(espera);
    } else if (cuentas[static_cast<std::size_t>(espera)]++ == 0) {
      vistas.push_back(espera);
    }
  }
  std::sort(vistas.begin(), vistas.end());
  std::sort(largas.begin(), largas.end());
  distribucion->tramos.clear();
  for (long long espera : vistas) {
    unsigned& cuenta = cuentas[static_cast<std::size_t>(espera)];
    distribucion->tramos.push_back({espera, cuenta});
    cuenta = 0;
  }
  for (long long espera : largas) {
    if (!distribucion->tramos.empty() &&
        distribucion->tramos.back().espera == espera)
      ++distribucion->tramos.back().cuantas;
    else
      distribucion->tramos.push_back({espera, 1});
  }
  distribucion->total = static_cast<long long>(n);
}

void FunUnirDistribucion(Distribucion* distribucion, const Distribucion& otra) {
  if (otra.total == 0) return;
  distribucion->total += otra.total;
  FunAgregarTramos(distribucion, otra.tramos);
}

long long FunPercentilDistribucion(const Distribucion& distribucion,
                                   int porCiento) {
  const long long rango = (distribucion.total * porCiento + 99) / 100;
  long long vistas = 0;
  for (const Distribucion::Tramo& tramo : distribucion.tramos) {
    vistas += tramo.cuantas;
    if (vistas >= rango) return tramo.espera;
  }
  return distribucion.tramos.empty() ? 0 : distribucion.tramos.back().espera;
}
