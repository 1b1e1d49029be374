#include "report/percentil.h"

#include <algorithm>

long long FunPercentilCercano(long long* valores, std::size_t n,
                              int porCiento) {
  const std::size_t rango =
      (n * static_cast<std::size_t>(porCiento) + 99) / 100 - 1;
  std::nth_element(valores, valores + rango, valores + n);
  return valores[rango];
}
