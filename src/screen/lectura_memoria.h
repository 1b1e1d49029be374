// Inside the reading of one folder (lectura.cpp, llamadas.cpp): what a
// LecturaCarpeta holds between two readings. For those two files only.
#ifndef QUENVARO_SCREEN_LECTURA_MEMORIA_H_
#define QUENVARO_SCREEN_LECTURA_MEMORIA_H_

#include <cstddef>
#include <cstdio>
#include <string>

#include "eventlog/bitacora.h"
#include "screen/lectura.h"

const int kAnteriores = 4;  // calls shown before the current one
// The newest calls whose gaps give the estimate: up to 10 gaps.
const int kDespachosMediana = 11;
const int kSiguientes = 8;  // waiting turns shown

// What a stretch of the log says of today's calls.
struct LlamadasHoy {
  // Today's newest dispatches, newest first: their turn and their second
  // of the day.
  long long turno[kDespachosMediana];
  long long segundo[kDespachosMediana];
  int guardadas;  // how many of them are kept
  // All of today's calls: only a count tells a new call from an old one,
  // as a turn number can be called twice in one day.
  long long cuenta;
  // The reading has what it needs: it met a record stamped before today,
  // or a line too long to be one.
  bool basta;
};

struct LecturaCarpeta::Memoria {
  std::string carpeta;  // as given; "." for the current one
  std::string rutaBitacora, rutaRespaldo;

  int fechaHoy = 0;   // YYYYMMDD, the local date at the reading
  int segundoHoy = 0;  // the second of the day at the reading

  /* llamadas.cpp: today's calls, the log read from its end */

  LlamadasHoy leidas{};  // of the reading under way
  // Reads today's calls from the log's `largo` bytes into `leidas`, after
  // what is remembered of them where that can be trusted, and remembers
  // the result. False on a read error.
  bool FunLeerLlamadas(std::FILE* bitacora, long long largo);

  void FunVerLinea(const char* linea, std::size_t largo);
  bool FunLeerLineaLarga(std::FILE* archivo, long long desde,
                         long long* posicion);
  bool FunRecorrerDesdeElFinal(std::FILE* archivo, long long desde,
                               long long largo);
  long long FunDesdeDondeLeer(std::FILE* archivo, long long largo);
  void FunRecordarLectura(std::FILE* archivo, long long desde, long long largo);

  char bloque[64 * 1024];
  char lineaAcortada[kCabezaRegistro + kColaRegistro];
  // What earlier readings read: see FunDesdeDondeLeer.
  LlamadasHoy recordadas{};   // of the log's bytes [0, hastaRecordado)
  int fechaRecordada = 0;     // 0: nothing remembered
  long long hastaRecordado = 0;
  char finRecordado[64];      // the bytes just before hastaRecordado
  std::size_t largoFinRecordado = 0;
  int segundoLecturaEntera = 0;  // at the last reading from the log's end

  /* lectura.cpp: the waiting turns, and the reading as a whole */

  const char* FunLeerCarpeta(bool* quieta);
  bool FunLeerRespaldo(std::FILE* archivo);
  long long FunMedianaHuecos();

  int siguientes[kSiguientes];
  long long enEspera = 0;
  char bufferRespaldo[16 * 1024];
};

#endif  // QUENVARO_SCREEN_LECTURA_MEMORIA_H_
