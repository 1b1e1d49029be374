// The log line parse that quenvaro-informe runs over whatever a log holds,
// fed any bytes in a buffer of exactly their length, so that any read past
// the line is caught. A line it recognises must have exactly the shape of
// one of the three records, with the stamp and numbers it reports; and when
// those numbers are plain 32-bit ones, the console's own composer must give
// back the very same line.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "eventlog/bitacora.h"

namespace {

[[noreturn]] void Falla(const char* motivo, const std::string& linea) {
  std::fprintf(stderr, "record parse: %s: %s\n", motivo, linea.c_str());
  std::abort();
}

// An optional minus sign and 1 to 10 digits, with the value read back.
bool EsNumero(const std::string& texto, long long valor) {
  std::size_t i = !texto.empty() && texto[0] == '-' ? 1 : 0;
  if (texto.size() - i < 1 || texto.size() - i > 10) return false;
  for (std::size_t j = i; j < texto.size(); ++j)
    if (texto[j] < '0' || texto[j] > '9') return false;
  return std::strtoll(texto.c_str(), nullptr, 10) == valor;
}

// As printf's %d writes it: no leading zeros, no "-0", within 32 bits.
bool EsCanonico(const std::string& texto, long long valor) {
  return valor >= INT32_MIN && valor <= INT32_MAX && texto == std::to_string(valor);
}

// A date and time of the calendar: leap years counted, seconds 00 to 59.
bool EsInstante(const RegistroLeido& r) {
  static const int kDias[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool bisiesto = r.anio % 4 == 0 && (r.anio % 100 != 0 || r.anio % 400 == 0);
  return r.anio >= 1 && r.anio <= 9999 && r.mes >= 1 && r.mes <= 12 && r.dia >= 1 &&
         r.dia <= kDias[r.mes - 1] && (r.mes != 2 || r.dia < 29 || bisiesto) &&
         r.hora >= 0 && r.hora <= 23 && r.minuto >= 0 && r.minuto <= 59 &&
         r.segundo >= 0 && r.segundo <= 59;
}

// The text between `antes` (searched from `desde`) and `despues` (searched
// from there on, or from the end when `ultimo`); "" with *ok false if either
// is missing.
std::string Entre(const std::string& t, std::size_t desde, const char* antes,
                  const char* despues, bool ultimo, bool* ok, std::size_t* fin) {
  std::size_t a = t.find(antes, desde);
  if (a != desde) return *ok = false, "";
  a += std::strlen(antes);
  std::size_t b = ultimo ? t.rfind(despues) : t.find(despues, a);
  if (b == std::string::npos || b < a) return *ok = false, "";
  *fin = b;
  return t.substr(a, b - a);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t tam) {
  std::unique_ptr<char[]> copia(new char[tam > 0 ? tam : 1]);
  std::memcpy(copia.get(), datos, tam);
  const std::string linea(copia.get(), tam);
  RegistroLeido r;
  const TipoRegistro tipo = FunInterpretarRegistro(copia.get(), tam, &r);
  if (tipo == kNoReconocido) return 0;

  if (!EsInstante(r)) Falla("recognised an impossible stamp", linea);
  char marca[64];
  std::snprintf(marca, sizeof marca, "%04d-%02d-%02d %02d:%02d:%02d", r.anio,
                r.mes, r.dia, r.hora, r.minuto, r.segundo);
  const std::size_t tras = 17 + 19;  // the kind, " -> [" and the stamp
  bool ok = linea.size() > tras && linea.compare(17, 19, marca) == 0;
  std::size_t fin = 0;
  std::string esperado, a, b, nombre;
  char compuesto[kTamRegistro];
  bool canonico = false;
  if (tipo == kRegSesion) {
    a = Entre(linea, tras, "] ID_SESION: ", " | USUARIO: ", false, &ok, &fin);
    nombre = Entre(linea, fin, " | USUARIO: ", " | TURNO: #", true, &ok, &fin);
    b = linea.substr(fin + std::strlen(" | TURNO: #"));
    esperado = "REG_SESSION  -> [" + std::string(marca) + "] ID_SESION: " + a +
               " | USUARIO: " + nombre + " | TURNO: #" + b;
    canonico = EsCanonico(a, r.primerNumero) && EsCanonico(b, r.segundoNumero) &&
               nombre.find('\0') == std::string::npos && linea.size() < kTamRegistro;
    if (canonico)
      FunComponerRegSesion(compuesto, marca, static_cast<int>(r.primerNumero),
                           nombre.c_str(), static_cast<int>(r.segundoNumero));
  } else if (tipo == kFreeTurno) {
    a = Entre(linea, tras, "] DESPACHADO: Turno #", " | STATUS: Atendido", true, &ok, &fin);
    esperado = "FREE_TURNO   -> [" + std::string(marca) + "] DESPACHADO: Turno #" + a +
               " | STATUS: Atendido";
    canonico = EsCanonico(a, r.primerNumero);
    if (canonico) FunComponerFreeTurno(compuesto, marca, static_cast<int>(r.primerNumero));
  } else {
    a = Entre(linea, tras, "] RESUMEN JORNADA: ", " Sesiones | ", false, &ok, &fin);
    b = Entre(linea, fin, " Sesiones | ", " Turnos Emitidos", true, &ok, &fin);
    esperado = "SYS_SHUTDOWN -> [" + std::string(marca) + "] RESUMEN JORNADA: " + a +
               " Sesiones | " + b + " Turnos Emitidos";
    canonico = EsCanonico(a, r.primerNumero) && EsCanonico(b, r.segundoNumero);
    if (canonico)
      FunComponerCierre(compuesto, marca, static_cast<int>(r.primerNumero),
                        static_cast<int>(r.segundoNumero));
  }
  if (!ok || esperado != linea || !EsNumero(a, r.primerNumero) ||
      (tipo != kFreeTurno && !EsNumero(b, r.segundoNumero)))
    Falla("recognised a line that is no record, or misread it", linea);
  if (canonico && linea != compuesto) Falla("composer and parse disagree", linea);
  return 0;
}
