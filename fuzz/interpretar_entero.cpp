// The menu choice parse, fed any bytes. It must never read past the line's
// terminator, and must agree with strtoll clamped to the 32-bit range: same
// white space, one optional sign, at least one digit, or no value at all.
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "registry/registro.h"

namespace {

// The fuzzer never calls setlocale, so strtoll runs in the C locale: it
// skips exactly the six isspace bytes, takes one sign, reads ASCII digits
// and saturates at the 64-bit limits, which clamp to the 32-bit ones.
bool Referencia(const char* texto, int* valor) {
  char* fin = nullptr;
  long long n = std::strtoll(texto, &fin, 10);
  if (fin == texto) return false;  // nothing converted: no digit
  if (n > INT_MAX) n = INT_MAX;
  if (n < INT_MIN) n = INT_MIN;
  *valor = static_cast<int>(n);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t tam) {
  // An exact-size heap copy, so a read one byte past the terminator is an
  // ASan report instead of a silent look at whatever follows.
  std::unique_ptr<char[]> linea(new char[tam + 1]);
  if (tam > 0) std::memcpy(linea.get(), datos, tam);
  linea[tam] = '\0';

  // On failure the value must stay as it was; the sentinel shows that.
  const int kCentinela = -0x5a5a5a5b;
  int obtenido = kCentinela;
  int esperado = kCentinela;
  bool convirtio = FunInterpretarEntero(linea.get(), &obtenido);
  bool debia = Referencia(linea.get(), &esperado);
  if (convirtio != debia || obtenido != esperado) {
    std::fprintf(stderr,
                 "FunInterpretarEntero(\"%s\"): returned %d with %d, "
                 "expected %d with %d\n",
                 linea.get(), convirtio, obtenido, debia, esperado);
    std::abort();
  }
  return 0;
}
