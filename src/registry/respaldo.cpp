// The queue backup, cola_respaldo.txt: one "%d|%s" line per waiting turn,
// front first; an empty queue is an empty file.
#include <cstdio>
#include <cstring>

#include "registry/registro.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace {

const char kArchivoRespaldo[] = "cola_respaldo.txt";
// Fixed name in the same folder, so the final rename never crosses a file
// system. A copy left behind by a killed run is simply overwritten.
const char kArchivoTemporal[] = "cola_respaldo.txt.tmp";

// Reads take at most 255 characters; a longer line arrives in pieces.
const int kTamLineaRespaldo = 256;

// The backup's stdio buffer, handed over with setvbuf: a stream given a
// buffer skips the fstat it would make to size one of its own, which every
// registration and dispatch paid, and a long queue leaves in 64 KiB writes
// and comes back in 64 KiB reads. The restore and the rewrites never have
// a stream open at the same time, so they share it.
char bufferRespaldo[64 * 1024];

// Puts `origen` in place of `destino` in one step, so a reader (or the next
// start after a crash) sees either the old backup or the new one, whole.
bool FunReemplazarArchivo(const char* origen, const char* destino) {
#ifdef _WIN32
  // rename() on Windows refuses an existing target.
  return MoveFileExA(origen, destino, MOVEFILE_REPLACE_EXISTING) != 0;
#else
  return std::rename(origen, destino) == 0;
#endif
}

}  // namespace

/* ---------------------------------------------------------------- write */

void FunSincronizarColaDisco() {
  std::FILE* archivo = std::fopen(kArchivoTemporal, "w");
  if (archivo == nullptr) return;
  // On failure the stream keeps stdio's own buffer; nothing else changes.
  std::setvbuf(archivo, bufferRespaldo, _IOFBF, sizeof bufferRespaldo);
  bool correcto = true;
  for (const NodoTurno* t = frenteCola; t != nullptr && correcto;
       t = t->siguiente)
    correcto = std::fprintf(archivo, "%d|%s\n", t->numeroTurno,
                            t->descripcion) >= 0;
  // Buffered writes only fail for certain when the buffer is flushed, so the
  // close is checked as well as every write.
  if (std::ferror(archivo)) correcto = false;
  if (std::fclose(archivo) != 0) correcto = false;
  if (!correcto || !FunReemplazarArchivo(kArchivoTemporal, kArchivoRespaldo))
    std::remove(kArchivoTemporal);
}

/* ----------------------------------------------------------------- read */

void FunRecuperarColaDisco() {
  std::FILE* archivo = std::fopen(kArchivoRespaldo, "r");
  if (archivo == nullptr) return;
  std::setvbuf(archivo, bufferRespaldo, _IOFBF, sizeof bufferRespaldo);
  char linea[kTamLineaRespaldo];
  while (std::fgets(linea, sizeof linea, archivo) != nullptr) {
    linea[std::strcspn(linea, "\r\n")] = '\0';
    if (linea[0] == '\0') continue;
    char* numero = std::strtok(linea, "|");
    char* descripcion = std::strtok(nullptr, "|");
    if (numero == nullptr || descripcion == nullptr) continue;
    int valor = 0;  // a field without leading digits stands for turn 0
    FunInterpretarEntero(numero, &valor);
    NodoTurno* turno = FunCrearTurno(valor, descripcion);
    if (turno == nullptr) continue;
    FunAnexarTurno(turno);
    funContadorTurnosDia = valor;
    funContadorSesionesDia = valor;
  }
  std::fclose(archivo);
}
