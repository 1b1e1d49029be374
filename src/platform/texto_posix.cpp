// POSIX: the command line, file names and what is typed are bytes, which
// the programs pass on untouched, whatever their encoding.
#include "platform/texto.h"

char** FunLeerArgumentos(int*, char** argv) { return argv; }

bool FunEscribirTexto(std::FILE* flujo, const char* texto) {
  return std::fputs(texto, flujo) >= 0;
}

bool FunLeerLineaEntrada(char* linea, int tamano) {
  return std::fgets(linea, tamano, stdin) != nullptr;
}

bool FunEscribirBytes(std::FILE* flujo, const char* bytes, std::size_t n) {
  return std::fwrite(bytes, 1, n, flujo) == n;
}
