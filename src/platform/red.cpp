// Which addresses are worth showing, the same on every system.
#include <cstdio>

#include "platform/red.h"

std::string FunDireccionParaOtros(std::uint32_t direccion) {
  const unsigned primero = direccion >> 24;
  if (direccion == 0 || primero == 127 || (direccion >> 16) == 0xA9FEu)
    return std::string();
  char texto[16];
  std::snprintf(texto, sizeof texto, "%u.%u.%u.%u", primero,
                (direccion >> 16) & 0xFFu, (direccion >> 8) & 0xFFu,
                direccion & 0xFFu);
  return texto;
}
