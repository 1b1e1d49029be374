// The backup's line rule, kept apart from the restore so that every reader
// of cola_respaldo.txt links the same one.
#include "registry/linea_respaldo.h"

#include <cstring>

#include "registry/registro.h"

bool FunInterpretarLineaRespaldo(char* linea, int* numero,
                                 const char** descripcion) {
  // Binary reads: each piece is cut at its first CR or LF, so CR LF needs
  // nothing more, and a Ctrl-Z byte is a byte like any other.
  linea[std::strcspn(linea, "\r\n")] = '\0';
  // Runs of bars part the fields, and bars before the first one are
  // skipped, as strtok does; no state is kept between calls.
  char* campo = linea + std::strspn(linea, "|");
  char* finCampo = campo + std::strcspn(campo, "|");
  if (*finCampo == '\0') return false;  // no field, or no description
  *finCampo = '\0';
  char* texto = finCampo + 1;
  texto += std::strspn(texto, "|");
  if (*texto == '\0') return false;
  texto[std::strcspn(texto, "|")] = '\0';
  int valor = 0;  // a field without leading digits stands for turn 0
  FunInterpretarEntero(campo, &valor);
  *numero = valor;
  *descripcion = texto;
  return true;
}
