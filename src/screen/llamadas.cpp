// Today's calls, from the end of a console folder's event log: read
// backwards in blocks, and from what earlier readings of the same folder
// remember. Only numbers leave this file; the names and descriptions stay
// in the buffers they are read into.
#include <cstdio>
#include <cstring>

#include "eventlog/bitacora.h"
#include "platform/archivos.h"
#include "screen/lectura_memoria.h"

using Memoria = LecturaCarpeta::Memoria;

/* ------------------------------------------------------ today's calls */

// One log line, its line end taken off. A last line that the console is
// still writing is no record until it is whole, so it needs no case of its
// own.
void Memoria::FunVerLinea(const char* linea, std::size_t largo) {
  if (largo > 0 && linea[largo - 1] == '\r') --largo;
  RegistroLeido registro;
  if (FunInterpretarRegistro(linea, largo, &registro) == kNoReconocido) return;
  const int fecha = registro.anio * 10000 + registro.mes * 100 + registro.dia;
  if (fecha < fechaHoy) {
    leidas.basta = true;
    return;
  }
  // A record stamped after today (the clock was set back since) is passed
  // over, and so is any record but a call.
  if (fecha > fechaHoy || registro.tipo != kFreeTurno) return;
  ++leidas.cuenta;
  if (leidas.guardadas == kDespachosMediana) return;
  leidas.turno[leidas.guardadas] = registro.primerNumero;
  leidas.segundo[leidas.guardadas] =
      registro.hora * 3600LL + registro.minuto * 60 + registro.segundo;
  ++leidas.guardadas;
}

/* ------------------------------------------------- the log, backwards */

// The log is read from its end in blocks, so a reading costs the same
// whatever the length of the earlier days before today's records. Bytes
// before `desde`, a line's start, are left to what an earlier reading
// remembers of them.

namespace {

// No record comes near this length. A longer line (the zero bytes a crash
// can leave, a file pasted in) ends the reading as an earlier day's record
// does, so its start is never searched for through gigabytes.
const long long kLineaMaxima = 1024 * 1024;

}  // namespace

// The block is full with the last bytes of a line that began before byte
// *posicion. Reads it by its two ends, as the whole line would read, and
// leaves *posicion at the line end before it (or at `desde`).
bool Memoria::FunLeerLineaLarga(std::FILE* archivo, long long desde,
                                long long* posicion) {
  std::memcpy(lineaAcortada + kCabezaRegistro,
              bloque + sizeof bloque - kColaRegistro, kColaRegistro);
  // The line end before a line of kLineaMaxima bytes is the farthest one
  // looked for.
  long long tope = *posicion + static_cast<long long>(sizeof bloque) -
                   kLineaMaxima - 1;
  if (tope < desde) tope = desde;
  long long inicio = *posicion;
  while (inicio > tope) {
    std::size_t pedir = sizeof bloque;
    if (static_cast<long long>(pedir) > inicio - tope)
      pedir = static_cast<std::size_t>(inicio - tope);
    inicio -= static_cast<long long>(pedir);
    if (!FunLeerEn(archivo, inicio, bloque, pedir)) return false;
    std::size_t i = pedir;
    while (i > 0 && bloque[i - 1] != '\n') --i;
    if (i > 0) {
      inicio += static_cast<long long>(i);
      break;
    }
  }
  // The line starts at `inicio`: after the line end found, or at `desde`,
  // a line's start too, when none was; or it starts before `tope`. Its
  // length alone decides, so a line one byte too long at `desde` (the
  // log's start, or the end an earlier reading read) ends the reading as
  // it would anywhere else.
  if (*posicion + static_cast<long long>(sizeof bloque) - inicio >
      kLineaMaxima) {
    leidas.basta = true;
    return true;
  }
  if (!FunLeerEn(archivo, inicio, lineaAcortada, kCabezaRegistro)) return false;
  FunVerLinea(lineaAcortada, sizeof lineaAcortada);
  *posicion = inicio > desde ? inicio - 1 : desde;
  return true;
}

// Hands the lines of the log's bytes [desde, largo) to FunVerLinea, last
// first, until one of an earlier day, or the first. False on a read error.
bool Memoria::FunRecorrerDesdeElFinal(std::FILE* archivo, long long desde,
                                      long long largo) {
  std::setvbuf(archivo, nullptr, _IONBF, 0);  // the blocks go straight in
  // Bytes before `posicion` are unread; bloque[0, lleno) holds the bytes
  // from it on that end a line whose start is unread yet.
  long long posicion = largo;
  std::size_t lleno = 0;
  bool primero = true;
  while (!leidas.basta) {
    std::size_t pedir = sizeof bloque - lleno;
    if (static_cast<long long>(pedir) > posicion - desde)
      pedir = static_cast<std::size_t>(posicion - desde);
    if (pedir == 0) {
      if (posicion == desde) {
        FunVerLinea(bloque, lleno);  // the first line of the stretch
        return true;
      }
      if (!FunLeerLineaLarga(archivo, desde, &posicion)) return false;
      lleno = 0;
      continue;
    }
    std::memmove(bloque + pedir, bloque, lleno);
    posicion -= static_cast<long long>(pedir);
    if (!FunLeerEn(archivo, posicion, bloque, pedir)) return false;
    lleno += pedir;
    if (primero) {
      primero = false;
      if (bloque[lleno - 1] == '\n') --lleno;  // the last line's own end
    }
    // The lines that now lie whole in the block, last first.
    std::size_t fin = lleno;
    while (!leidas.basta) {
      std::size_t i = fin;
      while (i > 0 && bloque[i - 1] != '\n') --i;
      if (i == 0) break;
      FunVerLinea(bloque + i, fin - i);
      fin = i - 1;
    }
    lleno = fin;
  }
  return true;
}

/* ------------------------------------------ what earlier readings read */

// Every screen asks about once a second, and a busy day adds a record or
// two between two readings: today's records that an earlier reading read
// are not read again. Only a reading up to a line end is remembered, for
// its date, and only while the log still ends those bytes as it did.
namespace {

// A log edited in place (a record broken, a turn number corrected) may
// still end as remembered, so what was read is trusted this long only: the
// log is read again from its end at least once a minute, and an edit shows
// within that.
const int kSegundosConfianza = 60;

}  // namespace

// Where the reading of a log of `largo` bytes may start: after what is
// remembered of it, or at 0.
long long Memoria::FunDesdeDondeLeer(std::FILE* archivo, long long largo) {
  if (fechaRecordada != fechaHoy || largo < hastaRecordado ||
      segundoHoy < segundoLecturaEntera ||
      segundoHoy >= segundoLecturaEntera + kSegundosConfianza)
    return 0;
  char fin[sizeof finRecordado];
  const long long desde = hastaRecordado;
  if (!FunLeerEn(archivo, desde - static_cast<long long>(largoFinRecordado),
                 fin, largoFinRecordado) ||
      std::memcmp(fin, finRecordado, largoFinRecordado) != 0)
    return 0;  // cut back, or another file in its place
  return desde;
}

// The reading of [desde, largo) is done: adds what is remembered of the
// bytes before it, then remembers the whole when the log ends a line.
void Memoria::FunRecordarLectura(std::FILE* archivo, long long desde,
                                 long long largo) {
  if (desde > 0 && !leidas.basta) {
    for (int i = 0; i < recordadas.guardadas &&
                    leidas.guardadas < kDespachosMediana; ++i) {
      leidas.turno[leidas.guardadas] = recordadas.turno[i];
      leidas.segundo[leidas.guardadas++] = recordadas.segundo[i];
    }
    leidas.cuenta += recordadas.cuenta;
    leidas.basta = recordadas.basta;
  }
  fechaRecordada = 0;
  largoFinRecordado = static_cast<std::size_t>(
      largo < static_cast<long long>(sizeof finRecordado)
          ? largo : static_cast<long long>(sizeof finRecordado));
  if (largoFinRecordado == 0 ||
      !FunLeerEn(archivo, largo - static_cast<long long>(largoFinRecordado),
                 finRecordado, largoFinRecordado) ||
      finRecordado[largoFinRecordado - 1] != '\n')
    return;  // a last line still being written is read again next time
  recordadas = leidas;
  hastaRecordado = largo;
  fechaRecordada = fechaHoy;
  if (desde == 0) segundoLecturaEntera = segundoHoy;
}

/* ------------------------------------------------------------ reading */

bool Memoria::FunLeerLlamadas(std::FILE* bitacora, long long largo) {
  const long long desde = FunDesdeDondeLeer(bitacora, largo);
  if (!FunRecorrerDesdeElFinal(bitacora, desde, largo)) return false;
  FunRecordarLectura(bitacora, desde, largo);
  return true;
}
