// GET /estado: today's calls from the end of the event log, then the
// waiting turns from one reading of the queue backup. Only numbers leave
// this file; the names and descriptions stay in the buffers they are read
// into.
#include "screen/estado.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "eventlog/bitacora.h"
#include "platform/archivos.h"
#include "registry/linea_respaldo.h"
#include "report/percentil.h"

namespace {

std::string carpetaElegida = ".";
std::string rutaBitacora = "bitacora.txt";
std::string rutaRespaldo = "cola_respaldo.txt";

/* ------------------------------------------------------ today's calls */

const int kAnteriores = 4;  // calls shown before the current one
// The newest calls whose gaps give the estimate: up to 10 gaps.
const int kDespachosMediana = 11;

int fechaHoy;  // YYYYMMDD, the server's local date at the request

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

LlamadasHoy leidas;  // of the reading under way

// One log line, its line end taken off. A last line that the console is
// still writing is no record until it is whole, so it needs no case of its
// own.
void FunVerLinea(const char* linea, std::size_t largo) {
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

// The log is read from its end in blocks, so a request costs the same
// whatever the length of the earlier days before today's records. Bytes
// before `desde`, a line's start, are left to what an earlier request
// remembers of them.
char bloque[64 * 1024];
char lineaAcortada[kCabezaRegistro + kColaRegistro];

// No record comes near this length. A longer line (the zero bytes a crash
// can leave, a file pasted in) ends the reading as an earlier day's record
// does, so its start is never searched for through gigabytes.
const long long kLineaMaxima = 1024 * 1024;

// The block is full with the last bytes of a line that began before byte
// *posicion. Reads it by its two ends, as the whole line would read, and
// leaves *posicion at the line end before it (or at `desde`).
bool FunLeerLineaLarga(std::FILE* archivo, long long desde,
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
  // log's start, or the end an earlier request read) ends the reading as
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
bool FunRecorrerDesdeElFinal(std::FILE* archivo, long long desde,
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

/* ------------------------------------------ what earlier requests read */

// Every screen asks about once a second, and a busy day adds a record or
// two between two requests: today's records that an earlier request read
// are not read again. Only a reading up to a line end is remembered, for
// its date, and only while the log still ends those bytes as it did.
LlamadasHoy recordadas;     // of the log's bytes [0, hastaRecordado)
int fechaRecordada = 0;     // 0: nothing remembered
long long hastaRecordado;
char finRecordado[64];      // the bytes just before hastaRecordado
std::size_t largoFinRecordado;
// A log edited in place (a record broken, a turn number corrected) may
// still end as remembered, so what was read is trusted this long only: the
// log is read again from its end at least once a minute, and an edit shows
// within that.
const int kSegundosConfianza = 60;
int segundoHoy;             // the second of the day at the request
int segundoLecturaEntera;   // ... at the last reading from the log's end

// Where the reading of a log of `largo` bytes may start: after what is
// remembered of it, or at 0.
long long FunDesdeDondeLeer(std::FILE* archivo, long long largo) {
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
void FunRecordarLectura(std::FILE* archivo, long long desde, long long largo) {
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

/* -------------------------------------------------------- the backup */

const int kSiguientes = 8;
int siguientes[kSiguientes];
long long enEspera;
char bufferRespaldo[16 * 1024];

// The turns the console would restore now, by its own line rule. False on
// a read error.
bool FunLeerRespaldo(std::FILE* archivo) {
  std::setvbuf(archivo, bufferRespaldo, _IOFBF, sizeof bufferRespaldo);
  char linea[kTamLineaRespaldo];
  while (std::fgets(linea, sizeof linea, archivo) != nullptr) {
    int numero;
    const char* descripcion;
    if (!FunInterpretarLineaRespaldo(linea, &numero, &descripcion)) continue;
    if (enEspera < kSiguientes) siguientes[enEspera] = numero;
    ++enEspera;
  }
  return !std::ferror(archivo);
}

/* ------------------------------------------------------------ answer */

// How many times a request reads the two files while the log keeps
// growing between its reading and the backup's; the last one is answered.
const int kLecturas = 5;

// The program's own words for a file that exists but cannot be read.
const char kBitacoraIlegible[] = "No se pudo leer bitacora.txt.";
const char kRespaldoIlegible[] = "No se pudo leer cola_respaldo.txt.";

// The log first and the backup after it, each read once, shared so the
// console never waits for them; a missing file is no error, the console
// has not made it yet. The backup is replaced whole, so one reading is one
// queue that existed. *quieta: the log did not grow meanwhile, so the two
// show the folder at one moment, but for the one command that may be
// between its two writes (the newest call still first in the queue, or
// the queue a call ahead of the log), which the next request corrects.
// Returns nullptr, or the error of a file that exists but cannot be read.
const char* FunLeerCarpeta(bool* quieta) {
  leidas = LlamadasHoy();
  enEspera = 0;
  std::FILE* bitacora = FunAbrirParaConsultar(rutaBitacora.c_str());
  if (bitacora == nullptr && !FunFalloPorAusencia()) return kBitacoraIlegible;
  long long largo = 0;
  if (bitacora != nullptr) {
    largo = FunMedirArchivo(bitacora);
    const long long desde = largo < 0 ? 0 : FunDesdeDondeLeer(bitacora, largo);
    if (largo < 0 || !FunRecorrerDesdeElFinal(bitacora, desde, largo)) {
      std::fclose(bitacora);
      return kBitacoraIlegible;
    }
    FunRecordarLectura(bitacora, desde, largo);
  }
  std::FILE* respaldo = FunAbrirParaConsultar(rutaRespaldo.c_str());
  const bool ausente = respaldo == nullptr && FunFalloPorAusencia();
  const bool leido = respaldo != nullptr && FunLeerRespaldo(respaldo);
  if (respaldo != nullptr) std::fclose(respaldo);
  *quieta = bitacora == nullptr || FunMedirArchivo(bitacora) == largo;
  if (bitacora != nullptr) std::fclose(bitacora);
  return leido || ausente ? nullptr : kRespaldoIlegible;
}

bool FunResponderError(std::string* cuerpo, const char* motivo) {
  *cuerpo = std::string("{\"error\": \"") + motivo + "\"}";
  return false;
}

// The median gap between consecutive calls among those kept, in seconds;
// a gap that runs backwards (the clock was set back) counts as 0.
long long FunMedianaHuecos() {
  long long huecos[kDespachosMediana - 1];
  for (int i = 0; i + 1 < leidas.guardadas; ++i) {
    const long long hueco = leidas.segundo[i] - leidas.segundo[i + 1];
    huecos[i] = hueco > 0 ? hueco : 0;
  }
  return FunPercentilCercano(huecos, leidas.guardadas - 1, 50);
}

}  // namespace

void FunElegirCarpeta(const std::string& carpeta) {
  carpetaElegida = carpeta;
  // UTF-8 in and out: with MinGW a plain path(std::string) does not read
  // its bytes as UTF-8.
  const std::filesystem::path base = std::filesystem::u8path(carpeta);
  rutaBitacora = (base / "bitacora.txt").u8string();
  rutaRespaldo = (base / "cola_respaldo.txt").u8string();
}

bool FunComponerEstado(std::string* cuerpo) {
  char marca[kTamMarcaTiempo];
  FunTomarMarcaTiempo(marca);
  int anio, mes, dia;
  if (marca[0] == '\0' || !FunInterpretarFecha(marca, 10, &anio, &mes, &dia))
    return FunResponderError(cuerpo, "No se pudo leer el reloj.");
  fechaHoy = anio * 10000 + mes * 100 + dia;
  // strftime wrote "HH:MM:SS" after the date, digits only.
  segundoHoy = ((marca[11] - '0') * 10 + (marca[12] - '0')) * 3600 +
               ((marca[14] - '0') * 10 + (marca[15] - '0')) * 60 +
               (marca[17] - '0') * 10 + (marca[18] - '0');
  bool quieta = false;
  for (int vez = 0; vez < kLecturas && !quieta; ++vez)
    if (const char* error = FunLeerCarpeta(&quieta))
      return FunResponderError(cuerpo, error);

  std::string& json = *cuerpo;
  json = "{\"atendiendo\": ";
  json += leidas.guardadas > 0 ? std::to_string(leidas.turno[0]) : "null";
  json += ", \"anteriores\": [";
  for (int i = 1; i < leidas.guardadas && i <= kAnteriores; ++i) {
    if (i > 1) json += ", ";
    json += std::to_string(leidas.turno[i]);
  }
  json += "], \"siguientes\": [";
  for (long long i = 0; i < enEspera && i < kSiguientes; ++i) {
    if (i > 0) json += ", ";
    json += std::to_string(siguientes[i]);
  }
  json += "], \"en_espera\": " + std::to_string(enEspera);
  json += ", \"espera_estimada_s\": ";
  if (enEspera == 0)
    json += "0";
  else if (leidas.guardadas < 2)
    json += "null";
  else
    json += std::to_string(enEspera * FunMedianaHuecos());
  json += ", \"atendidos_hoy\": " + std::to_string(leidas.cuenta);
  // The day the count is of, so that a client can tell a new day's first
  // calls from a count that only went down.
  json += ", \"fecha\": \"" + std::string(marca, 10) + "\"}";
  return true;
}

std::string FunNombrarCarpeta() {
  return FunRutaAbsoluta(carpetaElegida.c_str());
}

bool FunCarpetaSinArchivos() {
  // Anything in a file's place, even one that cannot be read, is not the
  // empty folder this warns of: a request says what is wrong with it.
  for (const std::string* ruta : {&rutaBitacora, &rutaRespaldo}) {
    std::FILE* archivo = FunAbrirParaConsultar(ruta->c_str());
    if (archivo != nullptr) {
      std::fclose(archivo);
      return false;
    }
    if (!FunFalloPorAusencia()) return false;
  }
  return true;
}
