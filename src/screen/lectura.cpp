// One reading of a console folder: the log first (llamadas.cpp), then the
// waiting turns from one reading of the backup, and the numbers the screen
// shows. Only numbers leave this file.
#include "screen/lectura.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>

#include "eventlog/bitacora.h"
#include "platform/archivos.h"
#include "registry/linea_respaldo.h"
#include "report/percentil.h"
#include "screen/lectura_memoria.h"

using Memoria = LecturaCarpeta::Memoria;

namespace {

// How many times a reading reads the two files while the log keeps
// growing between its reading and the backup's; the last one is answered.
const int kLecturas = 5;

// The program's own words for a file that exists but cannot be read.
const char kBitacoraIlegible[] = "No se pudo leer bitacora.txt.";
const char kRespaldoIlegible[] = "No se pudo leer cola_respaldo.txt.";
const char kRelojIlegible[] = "No se pudo leer el reloj.";

// localtime's buffer is one for the whole process, and each folder may be
// read on a thread of its own.
std::mutex reloj;

}  // namespace

void FunLeerReloj(char* marca) {
  const std::lock_guard<std::mutex> uno(reloj);
  FunTomarMarcaTiempo(marca);
}

/* -------------------------------------------------------- the backup */

// The turns the console would restore now, by its own line rule. False on
// a read error.
bool Memoria::FunLeerRespaldo(std::FILE* archivo) {
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

/* ------------------------------------------------------- the reading */

namespace {

// Opens one of the console's files to read. On Windows the console holds
// its backup for an instant while it replaces it, and asks then whether
// another program holds it, with an open that shares nothing: a reader that
// meets that moment tries again a little later, rather than tell the room
// that the file cannot be read.
std::FILE* FunAbrirParaLeerArchivoDeConsola(const std::string& ruta) {
  for (int vez = 1;; ++vez) {
    std::FILE* archivo = FunAbrirParaConsultar(ruta.c_str());
    if (archivo != nullptr || vez == 4 || !FunFalloTransitorio()) return archivo;
    std::this_thread::sleep_for(std::chrono::milliseconds(10 * vez));
  }
}

}  // namespace

// The log first and the backup after it, each read once, shared so the
// console never waits for them; a missing file is no error, the console
// has not made it yet. The backup is replaced whole, so one reading is one
// queue that existed. *quieta: the log did not grow meanwhile, so the two
// show the folder at one moment, but for the one command that may be
// between its two writes (the newest call still first in the queue, or
// the queue a call ahead of the log), which the next reading corrects.
// Returns nullptr, or the error of a file that exists but cannot be read.
const char* Memoria::FunLeerCarpeta(bool* quieta) {
  leidas = LlamadasHoy();
  enEspera = 0;
  std::FILE* bitacora = FunAbrirParaLeerArchivoDeConsola(rutaBitacora);
  if (bitacora == nullptr && !FunFalloPorAusencia()) return kBitacoraIlegible;
  long long largo = 0;
  if (bitacora != nullptr) {
    largo = FunMedirArchivo(bitacora);
    if (largo < 0 || !FunLeerLlamadas(bitacora, largo)) {
      std::fclose(bitacora);
      return kBitacoraIlegible;
    }
  }
  std::FILE* respaldo = FunAbrirParaLeerArchivoDeConsola(rutaRespaldo);
  const bool ausente = respaldo == nullptr && FunFalloPorAusencia();
  const bool leido = respaldo != nullptr && FunLeerRespaldo(respaldo);
  if (respaldo != nullptr) std::fclose(respaldo);
  *quieta = bitacora == nullptr || FunMedirArchivo(bitacora) == largo;
  if (bitacora != nullptr) std::fclose(bitacora);
  return leido || ausente ? nullptr : kRespaldoIlegible;
}

// The median gap between consecutive calls among those kept, in seconds;
// a gap that runs backwards (the clock was set back) counts as 0.
long long Memoria::FunMedianaHuecos() {
  long long huecos[kDespachosMediana - 1];
  for (int i = 0; i + 1 < leidas.guardadas; ++i) {
    const long long hueco = leidas.segundo[i] - leidas.segundo[i + 1];
    huecos[i] = hueco > 0 ? hueco : 0;
  }
  return FunPercentilCercano(huecos, leidas.guardadas - 1, 50);
}

/* ------------------------------------------------------------ the value */

LecturaCarpeta::LecturaCarpeta(const std::string& carpeta)
    : memoria_(new Memoria()) {
  Memoria& m = *memoria_;
  m.carpeta = carpeta.empty() ? "." : carpeta;
  m.rutaBitacora = "bitacora.txt";
  m.rutaRespaldo = "cola_respaldo.txt";
  if (carpeta.empty()) return;
  // UTF-8 in and out: with MinGW a plain path(std::string) does not read
  // its bytes as UTF-8.
  const std::filesystem::path base = std::filesystem::u8path(carpeta);
  m.rutaBitacora = (base / "bitacora.txt").u8string();
  m.rutaRespaldo = (base / "cola_respaldo.txt").u8string();
}

LecturaCarpeta::~LecturaCarpeta() = default;

Foto LecturaCarpeta::Leer() {
  Memoria& m = *memoria_;
  Foto foto;
  char marca[kTamMarcaTiempo];
  FunLeerReloj(marca);
  int anio, mes, dia;
  if (marca[0] == '\0' || !FunInterpretarFecha(marca, 10, &anio, &mes, &dia)) {
    foto.error = kRelojIlegible;
    return foto;
  }
  m.fechaHoy = anio * 10000 + mes * 100 + dia;
  // strftime wrote "HH:MM:SS" after the date, digits only.
  m.segundoHoy = ((marca[11] - '0') * 10 + (marca[12] - '0')) * 3600 +
                 ((marca[14] - '0') * 10 + (marca[15] - '0')) * 60 +
                 (marca[17] - '0') * 10 + (marca[18] - '0');
  bool quieta = false;
  for (int vez = 0; vez < kLecturas && !quieta; ++vez)
    if (const char* error = m.FunLeerCarpeta(&quieta)) {
      foto.error = error;
      return foto;
    }

  const LlamadasHoy& leidas = m.leidas;
  std::string& json = foto.claves;
  json = "\"atendiendo\": ";
  json += leidas.guardadas > 0 ? std::to_string(leidas.turno[0]) : "null";
  json += ", \"anteriores\": [";
  foto.segundos = "[";
  for (int i = 0; i < leidas.guardadas && i <= kAnteriores; ++i) {
    if (i > 0) foto.segundos += ", ";
    foto.segundos += std::to_string(leidas.segundo[i]);
    if (i == 0) continue;
    if (i > 1) json += ", ";
    json += std::to_string(leidas.turno[i]);
  }
  foto.segundos += "]";
  json += "], \"siguientes\": [";
  for (long long i = 0; i < m.enEspera && i < kSiguientes; ++i) {
    if (i > 0) json += ", ";
    json += std::to_string(m.siguientes[i]);
  }
  json += "], \"en_espera\": " + std::to_string(m.enEspera);
  json += ", \"espera_estimada_s\": ";
  if (m.enEspera == 0)
    json += "0";
  else if (leidas.guardadas < 2)
    json += "null";
  else
    json += std::to_string(m.enEspera * m.FunMedianaHuecos());
  json += ", \"atendidos_hoy\": " + std::to_string(leidas.cuenta);
  foto.fecha.assign(marca, 10);
  return foto;
}

std::string LecturaCarpeta::Nombrar() const {
  return FunRutaAbsoluta(memoria_->carpeta.c_str());
}

bool LecturaCarpeta::SinArchivos() const {
  // Anything in a file's place, even one that cannot be read, is not the
  // empty folder this warns of: a reading says what is wrong with it.
  for (const std::string* ruta :
       {&memoria_->rutaBitacora, &memoria_->rutaRespaldo}) {
    std::FILE* archivo = FunAbrirParaConsultar(ruta->c_str());
    if (archivo != nullptr) {
      std::fclose(archivo);
      return false;
    }
    if (!FunFalloPorAusencia()) return false;
  }
  return true;
}
