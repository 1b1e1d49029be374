// POSIX: the command line and file names are bytes, which the programs pass
// on untouched, whatever their encoding.
#include "platform/texto.h"

char** FunLeerArgumentos(int*, char** argv) { return argv; }

bool FunEscribirTexto(std::FILE* flujo, const char* texto) {
  return std::fputs(texto, flujo) >= 0;
}
