#include "eventlog/bitacora.h"

#include <cstdio>
#include <ctime>

namespace {

const char kArchivoBitacora[] = "bitacora.txt";
const char kRegla[] =
    "-------------------------------------------------------------\n";

// The display copies the log in blocks rather than a character at a time;
// in text mode both give the same bytes, and memory stays fixed however
// large the log has grown.
char bloqueCopia[64 * 1024];

// Each append hands stdio this buffer instead of letting it fstat the log to
// size one, a system call per record. It holds the longest record and its
// line end, so a record still leaves in one write.
char bufferRegistro[kTamRegistro + 1];

}  // namespace

/* ---------------------------------------------------------------- clock */

void FunTomarMarcaTiempo(char* marca) {
  marca[0] = '\0';
  std::time_t ahora = std::time(nullptr);
  // The program has one thread, so localtime's shared buffer is safe here.
  const std::tm* local = std::localtime(&ahora);
  if (local == nullptr ||
      std::strftime(marca, kTamMarcaTiempo, "%Y-%m-%d %H:%M:%S", local) == 0)
    marca[0] = '\0';
}

/* --------------------------------------------------------------- append */

void FunEscribirBitacora(const char* linea) {
  std::FILE* archivo = std::fopen(kArchivoBitacora, "a");
  if (archivo == nullptr) return;
  std::setvbuf(archivo, bufferRegistro, _IOFBF, sizeof bufferRegistro);
  std::fprintf(archivo, "%s\n", linea);
  std::fclose(archivo);
}

/* -------------------------------------------------------------- display */

void FunConsultarBitacora() {
  std::FILE* archivo = std::fopen(kArchivoBitacora, "r");
  if (archivo == nullptr) {
    std::fputs("\n--> [ALERTA DISCO] El archivo bitacora.txt no existe.\n\n",
               stdout);
    return;
  }
  std::fputs("\n", stdout);
  std::fputs(kRegla, stdout);
  std::fputs("   CONTENIDO PERSISTENTE DE BITACORA.TXT (HISTORIAL DE EVENTOS)   \n",
             stdout);
  std::fputs(kRegla, stdout);
  std::size_t leidos;
  while ((leidos = std::fread(bloqueCopia, 1, sizeof bloqueCopia, archivo)) > 0)
    std::fwrite(bloqueCopia, 1, leidos, stdout);
  std::fputs(kRegla, stdout);
  std::fclose(archivo);
}
