// The three record kinds of the event log, composed and read back in one
// place so that every producer writes, and every reader expects, the same
// bytes.
#include <cstdio>
#include <cstring>

#include "eventlog/bitacora.h"

namespace {

// The fixed pieces of each record, in the order they are written.
const char kSesionInicio[] = "REG_SESSION  -> [";
const char kSesionId[] = "] ID_SESION: ";
const char kSesionUsuario[] = " | USUARIO: ";
const char kSesionTurno[] = " | TURNO: #";
const char kTurnoInicio[] = "FREE_TURNO   -> [";
const char kTurnoDespachado[] = "] DESPACHADO: Turno #";
const char kTurnoEstado[] = " | STATUS: Atendido";
const char kCierreInicio[] = "SYS_SHUTDOWN -> [";
const char kCierreResumen[] = "] RESUMEN JORNADA: ";
const char kCierreSesiones[] = " Sesiones | ";
const char kCierreTurnos[] = " Turnos Emitidos";

// Length of a piece, without its terminator.
template <std::size_t N>
constexpr std::size_t FunLargo(const char (&)[N]) {
  return N - 1;
}

// Every record's text before its stamp has this length.
static_assert(FunLargo(kSesionInicio) == FunLargo(kTurnoInicio) &&
                  FunLargo(kSesionInicio) == FunLargo(kCierreInicio),
              "the three records start with pieces of one length");
const std::size_t kLargoInicio = FunLargo(kSesionInicio);
const std::size_t kLargoMarca = kTamMarcaTiempo - 1;
const int kMaxDigitos = 10;

}  // namespace

/* ------------------------------------------------------------ composing */

void FunComponerRegSesion(char* registro, const char* marca, int idSesion,
                          const char* nombre, int turno) {
  std::snprintf(registro, kTamRegistro, "%s%s%s%d%s%s%s%d", kSesionInicio,
                marca, kSesionId, idSesion, kSesionUsuario, nombre,
                kSesionTurno, turno);
}

void FunComponerFreeTurno(char* registro, const char* marca, int turno) {
  std::snprintf(registro, kTamRegistro, "%s%s%s%d%s", kTurnoInicio, marca,
                kTurnoDespachado, turno, kTurnoEstado);
}

void FunComponerCierre(char* registro, const char* marca, int sesiones,
                       int turnos) {
  std::snprintf(registro, kTamRegistro, "%s%s%s%d%s%d%s", kCierreInicio, marca,
                kCierreResumen, sesiones, kCierreSesiones, turnos,
                kCierreTurnos);
}

/* -------------------------------------------------------------- reading */

namespace {

bool FunEsDigito(char c) { return static_cast<unsigned char>(c - '0') <= 9; }

// The two digits at `p` as a number, or -1 when either is not a digit.
int FunDosDigitos(const char* p) {
  if (!FunEsDigito(p[0]) || !FunEsDigito(p[1])) return -1;
  return (p[0] - '0') * 10 + (p[1] - '0');
}

int FunDiasDelMes(int anio, int mes) {
  static const int kDias[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool bisiesto = (anio % 4 == 0 && anio % 100 != 0) || anio % 400 == 0;
  return mes == 2 && bisiesto ? 29 : kDias[mes - 1];
}

// Steps *p over `pieza` when the text at *p (ending at `fin`) starts with it.
template <std::size_t N>
bool FunSaltar(const char** p, const char* fin, const char (&pieza)[N]) {
  if (static_cast<std::size_t>(fin - *p) < N - 1 ||
      std::memcmp(*p, pieza, N - 1) != 0)
    return false;
  *p += N - 1;
  return true;
}

// Reads an optional minus sign and 1 to 10 digits at *p, up to the first
// byte that is not a digit. Ten digits stay within 64 bits.
bool FunLeerNumero(const char** p, const char* fin, long long* valor) {
  const char* q = *p;
  bool negativo = q < fin && *q == '-';
  if (negativo) ++q;
  const char* digitos = q;
  long long magnitud = 0;
  while (q < fin && FunEsDigito(*q)) {
    if (q - digitos == kMaxDigitos) return false;
    magnitud = magnitud * 10 + (*q - '0');
    ++q;
  }
  if (q == digitos) return false;
  *valor = negativo ? -magnitud : magnitud;
  *p = q;
  return true;
}

// The last date a stamp was found valid with, and its fields: consecutive
// records nearly always share their date. One per thread: the screen reads
// several desks' logs at once, and a date taken half from another log's
// record would be a wrong date.
thread_local char ultimaFecha[10];
thread_local int ultimoAnio = 0, ultimoMes = 0, ultimoDia = 0;

// Reads "YYYY-MM-DD HH:MM:SS" at *p.
bool FunLeerMarca(const char** p, const char* fin, RegistroLeido* registro) {
  const char* m = *p;
  if (static_cast<std::size_t>(fin - m) < kLargoMarca) return false;
  int hora = FunDosDigitos(m + 11);
  int minuto = FunDosDigitos(m + 14);
  int segundo = FunDosDigitos(m + 17);
  if (m[10] != ' ' || m[13] != ':' || m[16] != ':' || hora < 0 || hora > 23 ||
      minuto < 0 || minuto > 59 || segundo < 0 || segundo > 59)
    return false;
  if (ultimoAnio != 0 && std::memcmp(m, ultimaFecha, 10) == 0) {
    registro->anio = ultimoAnio;
    registro->mes = ultimoMes;
    registro->dia = ultimoDia;
  } else {
    if (!FunInterpretarFecha(m, 10, &registro->anio, &registro->mes,
                             &registro->dia))
      return false;
    std::memcpy(ultimaFecha, m, 10);
    ultimoAnio = registro->anio;
    ultimoMes = registro->mes;
    ultimoDia = registro->dia;
  }
  registro->hora = hora;
  registro->minuto = minuto;
  registro->segundo = segundo;
  *p = m + kLargoMarca;
  return true;
}

// "REG_SESSION  -> [TS] ID_SESION: <n> | USUARIO: <text> | TURNO: #<n>",
// read from the stamp on. The name may hold anything, " | TURNO: #"
// included, so the turn is the number that ends the line.
bool FunLeerRegSesion(const char* p, const char* fin, RegistroLeido* r) {
  if (!FunLeerMarca(&p, fin, r) || !FunSaltar(&p, fin, kSesionId) ||
      !FunLeerNumero(&p, fin, &r->primerNumero) ||
      !FunSaltar(&p, fin, kSesionUsuario))
    return false;
  const char* nombre = p;
  const char* numero = fin;
  while (numero > nombre && FunEsDigito(numero[-1]) &&
         fin - numero <= kMaxDigitos)
    --numero;
  if (numero > nombre && numero[-1] == '-') --numero;
  if (static_cast<std::size_t>(numero - nombre) < FunLargo(kSesionTurno))
    return false;
  const char* pieza = numero - FunLargo(kSesionTurno);
  return FunSaltar(&pieza, numero, kSesionTurno) &&
         FunLeerNumero(&numero, fin, &r->segundoNumero) && numero == fin;
}

// "FREE_TURNO   -> [TS] DESPACHADO: Turno #<n> | STATUS: Atendido".
bool FunLeerFreeTurno(const char* p, const char* fin, RegistroLeido* r) {
  return FunLeerMarca(&p, fin, r) && FunSaltar(&p, fin, kTurnoDespachado) &&
         FunLeerNumero(&p, fin, &r->primerNumero) &&
         FunSaltar(&p, fin, kTurnoEstado) && p == fin;
}

// "SYS_SHUTDOWN -> [TS] RESUMEN JORNADA: <n> Sesiones | <n> Turnos Emitidos".
bool FunLeerCierre(const char* p, const char* fin, RegistroLeido* r) {
  return FunLeerMarca(&p, fin, r) && FunSaltar(&p, fin, kCierreResumen) &&
         FunLeerNumero(&p, fin, &r->primerNumero) &&
         FunSaltar(&p, fin, kCierreSesiones) &&
         FunLeerNumero(&p, fin, &r->segundoNumero) &&
         FunSaltar(&p, fin, kCierreTurnos) && p == fin;
}

}  // namespace

bool FunInterpretarFecha(const char* texto, std::size_t largo, int* anio,
                         int* mes, int* dia) {
  if (largo != 10 || texto[4] != '-' || texto[7] != '-') return false;
  int siglo = FunDosDigitos(texto);
  int resto = FunDosDigitos(texto + 2);
  int m = FunDosDigitos(texto + 5);
  int d = FunDosDigitos(texto + 8);
  if (siglo < 0 || resto < 0 || m < 1 || m > 12 || d < 1) return false;
  int a = siglo * 100 + resto;
  // The calendar has no year 0.
  if (a == 0 || d > FunDiasDelMes(a, m)) return false;
  *anio = a;
  *mes = m;
  *dia = d;
  return true;
}

TipoRegistro FunInterpretarRegistro(const char* linea, std::size_t largo,
                                    RegistroLeido* registro) {
  if (largo < kLargoInicio) return kNoReconocido;
  const char* fin = linea + largo;
  const char* marca = linea + kLargoInicio;
  TipoRegistro tipo = kNoReconocido;
  // The first byte tells the three apart; only a match is compared whole.
  // The fields are written in place: a report reads millions of lines.
  switch (linea[0]) {
    case 'R':
      if (std::memcmp(linea, kSesionInicio, kLargoInicio) == 0 &&
          FunLeerRegSesion(marca, fin, registro))
        tipo = kRegSesion;
      break;
    case 'F':
      if (std::memcmp(linea, kTurnoInicio, kLargoInicio) == 0 &&
          FunLeerFreeTurno(marca, fin, registro))
        tipo = kFreeTurno;
      break;
    case 'S':
      if (std::memcmp(linea, kCierreInicio, kLargoInicio) == 0 &&
          FunLeerCierre(marca, fin, registro))
        tipo = kCierre;
      break;
  }
  registro->tipo = tipo;
  return tipo;
}
