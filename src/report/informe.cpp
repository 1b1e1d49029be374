#include "report/informe.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "eventlog/bitacora.h"
#include "platform/archivos.h"
#include "report/percentil.h"

namespace {

const char kPrograma[] = "quenvaro-informe";
const char kUso[] =
    "Uso: quenvaro-informe [--csv] [--desde AAAA-MM-DD] [--hasta AAAA-MM-DD] "
    "[ARCHIVO]\n"
    "Resume, dia por dia, la bitacora de la consola Quenvaro: sesiones,\n"
    "turnos atendidos, esperas y turnos pendientes. Solo lee la bitacora.\n"
    "\n"
    "  ARCHIVO              la bitacora (por omision, bitacora.txt de la\n"
    "                       carpeta actual)\n"
    "  --csv                una linea CSV por dia en lugar del informe\n"
    "  --desde AAAA-MM-DD   solo los dias desde esa fecha, inclusive\n"
    "  --hasta AAAA-MM-DD   solo los dias hasta esa fecha, inclusive\n"
    "  --help               muestra esta ayuda\n"
    "\n"
    "Estado de salida: 0 hecho, 1 la bitacora no se puede leer, 2 linea de\n"
    "ordenes incorrecta.\n";

/* -------------------------------------------------------------- options */

bool salidaCsv = false;
int fechaDesde = 0;         // first day shown, as YYYYMMDD
int fechaHasta = 99999999;  // last day shown
bool hayRango = false;
const char* rutaBitacora = "bitacora.txt";

/* ----------------------------------------------------------------- days */

// The figures of one day: the date in the stamps of its records.
struct Dia {
  int fecha;  // YYYYMMDD
  bool enRango;
  long long sesiones;     // its REG_SESSION records
  long long atendidos;    // its FREE_TURNO records
  long long sinRegistro;  // ... that found no registration waiting
  long long tomados;      // its registrations taken by any later FREE_TURNO
  long long cierres;      // its SYS_SHUTDOWN records
  long long esperas;      // its FREE_TURNO records that took a registration
  long long mediana, p90, maxima;  // of those waits, in seconds
  // Stretches of the log that gave this day waits. More than one only when
  // the clock went back to the day after it had been left.
  int tramosConEsperas;
  int retenida;  // index in esperasRetenidas, or -1
};

std::vector<Dia> dias;
std::map<int, int> diaPorFecha;  // YYYYMMDD -> index in dias; oldest first
int diaActual = -1;              // the day of the last record
int fechaActual = 0;
long long inicioDiaActual = 0;  // its midnight, in seconds

// The waits of the current day since it last began. A day's median and
// 90th percentile are taken from them as soon as another day begins, and
// the list is reused: a log in date order never holds more than one day's.
std::vector<long long> esperasTramo;

// Days whose waits came in separate stretches, found by a first reading
// and read again keeping all their waits.
std::set<int> fechasRetenidas;
std::vector<std::vector<long long>> esperasRetenidas;

long long registrosPorHora[24];
long long lineasNoReconocidas = 0;
bool ultimaLineaIncompleta = false;

/* ------------------------------------------------------------- calendar */

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar: plain
// calendar arithmetic, no time zone and no daylight saving.
long long FunDiasDesdeEpoca(int anio, int mes, int dia) {
  // Years counted from March, so that the leap day ends the year.
  const long long a = anio - (mes <= 2 ? 1 : 0);
  const long long era = (a >= 0 ? a : a - 399) / 400;
  const long long anioDeEra = a - era * 400;
  const long long diaDelAnio =
      (153 * (mes > 2 ? mes - 3 : mes + 9) + 2) / 5 + dia - 1;
  const long long diaDeEra =
      anioDeEra * 365 + anioDeEra / 4 - anioDeEra / 100 + diaDelAnio;
  return era * 146097 + diaDeEra - 719468;
}

/* ------------------------------------------------ waiting registrations */

// One registration no FREE_TURNO has taken yet. `siguiente` is the next one
// waiting under the same turn number, or -1.
struct Registrado {
  long long instante;  // its stamp, in seconds
  int dia;             // index in dias
  int siguiente;
};

// A turn number with registrations waiting, oldest first; `primero` is -1
// in a free slot.
struct Casilla {
  long long turno;
  int primero;
  int ultimo;
};

// The console numbers turns from 1 each day, so numbers below
// kTurnosDirectos index casillasDirectas (grown to the highest seen);
// any other number, negative or huge, is a key of an open-addressing table
// (linear probing, power-of-two size) that it leaves once nothing waits
// under it. Either way only what waits is held.
const long long kTurnosDirectos = 1 << 16;
std::vector<Casilla> casillasDirectas;
std::vector<Casilla> casillas;
std::size_t casillasOcupadas = 0;
int bitsCasillas = 0;
std::vector<Registrado> registrados;  // a pool, with a free list
int registradoLibre = -1;

std::size_t FunPosicion(long long turno) {
  return static_cast<std::size_t>(
      (static_cast<unsigned long long>(turno) * 0x9E3779B97F4A7C15ULL) >>
      (64 - bitsCasillas));
}

// The slot holding `turno`, or the free slot where it would go.
std::size_t FunBuscarCasilla(long long turno) {
  const std::size_t mascara = casillas.size() - 1;
  std::size_t i = FunPosicion(turno);
  while (casillas[i].primero != -1 && casillas[i].turno != turno)
    i = (i + 1) & mascara;
  return i;
}

void FunDimensionarCasillas(int bits) {
  std::vector<Casilla> anteriores;
  anteriores.swap(casillas);
  bitsCasillas = bits;
  casillas.assign(std::size_t{1} << bits, Casilla{0, -1, -1});
  for (const Casilla& c : anteriores)
    if (c.primero != -1) casillas[FunBuscarCasilla(c.turno)] = c;
}

// Frees slot `i`, moving back the entries after it that probed past it.
void FunVaciarCasilla(std::size_t i) {
  const std::size_t mascara = casillas.size() - 1;
  for (std::size_t j = (i + 1) & mascara; casillas[j].primero != -1;
       j = (j + 1) & mascara) {
    const std::size_t propia = FunPosicion(casillas[j].turno);
    // The entry at j may fill the hole at i unless its own slot lies
    // cyclically in (i, j].
    const bool quieta =
        i < j ? (propia > i && propia <= j) : (propia > i || propia <= j);
    if (!quieta) {
      casillas[i] = casillas[j];
      i = j;
    }
  }
  casillas[i].primero = -1;
  --casillasOcupadas;
}

// Appends a registration to the list of `casilla`, empty or not.
void FunAnexarRegistrado(Casilla* casilla, long long instante, int dia) {
  int nuevo;
  if (registradoLibre != -1) {
    nuevo = registradoLibre;
    registradoLibre = registrados[nuevo].siguiente;
    registrados[nuevo] = Registrado{instante, dia, -1};
  } else {
    nuevo = static_cast<int>(registrados.size());
    registrados.push_back(Registrado{instante, dia, -1});
  }
  if (casilla->primero == -1)
    casilla->primero = nuevo;
  else
    registrados[casilla->ultimo].siguiente = nuevo;
  casilla->ultimo = nuevo;
}

// Takes the oldest registration of `casilla`, which has one.
void FunSacarRegistrado(Casilla* casilla, long long* instante, int* dia) {
  const int tomado = casilla->primero;
  *instante = registrados[tomado].instante;
  *dia = registrados[tomado].dia;
  casilla->primero = registrados[tomado].siguiente;
  registrados[tomado].siguiente = registradoLibre;
  registradoLibre = tomado;
}

void FunEncolarRegistrado(long long turno, long long instante, int dia) {
  if (turno >= 0 && turno < kTurnosDirectos) {
    const std::size_t n = static_cast<std::size_t>(turno);
    if (n >= casillasDirectas.size()) {
      std::size_t tam = 1024;
      while (tam <= n) tam *= 2;
      casillasDirectas.resize(tam, Casilla{0, -1, -1});
    }
    FunAnexarRegistrado(&casillasDirectas[n], instante, dia);
    return;
  }
  if ((casillasOcupadas + 1) * 2 > casillas.size())
    FunDimensionarCasillas(bitsCasillas + 1);
  Casilla& casilla = casillas[FunBuscarCasilla(turno)];
  if (casilla.primero == -1) {
    casilla.turno = turno;
    ++casillasOcupadas;
  }
  FunAnexarRegistrado(&casilla, instante, dia);
}

// Takes the oldest registration waiting under `turno`; false if none.
bool FunTomarRegistrado(long long turno, long long* instante, int* dia) {
  if (turno >= 0 && turno < kTurnosDirectos) {
    const std::size_t n = static_cast<std::size_t>(turno);
    if (n >= casillasDirectas.size() || casillasDirectas[n].primero == -1)
      return false;
    FunSacarRegistrado(&casillasDirectas[n], instante, dia);
    return true;
  }
  const std::size_t i = FunBuscarCasilla(turno);
  if (casillas[i].primero == -1) return false;
  FunSacarRegistrado(&casillas[i], instante, dia);
  if (casillas[i].primero == -1) FunVaciarCasilla(i);
  return true;
}

/* ------------------------------------------------------------- counting */

// Nearest rank: the ceil(n/2)-th and the ceil(0.9 n)-th smallest.
void FunCalcularPercentiles(std::vector<long long>* esperas, Dia* dia) {
  dia->mediana = FunPercentilCercano(esperas->data(), esperas->size(), 50);
  dia->p90 = FunPercentilCercano(esperas->data(), esperas->size(), 90);
}

// Ends the current day's stretch of waits.
void FunCerrarTramo() {
  if (diaActual < 0 || esperasTramo.empty()) return;
  Dia& dia = dias[diaActual];
  ++dia.tramosConEsperas;
  if (dia.retenida >= 0) {
    std::vector<long long>& todas = esperasRetenidas[dia.retenida];
    todas.insert(todas.end(), esperasTramo.begin(), esperasTramo.end());
  } else {
    FunCalcularPercentiles(&esperasTramo, &dia);
  }
  esperasTramo.clear();
}

void FunEntrarDia(int fecha, const RegistroLeido& registro) {
  FunCerrarTramo();
  std::map<int, int>::iterator it = diaPorFecha.find(fecha);
  if (it == diaPorFecha.end()) {
    Dia nuevo{};
    nuevo.fecha = fecha;
    nuevo.enRango = fechaDesde <= fecha && fecha <= fechaHasta;
    nuevo.retenida = -1;
    if (fechasRetenidas.count(fecha) != 0) {
      nuevo.retenida = static_cast<int>(esperasRetenidas.size());
      esperasRetenidas.emplace_back();
    }
    dias.push_back(nuevo);
    it = diaPorFecha.emplace(fecha, static_cast<int>(dias.size() - 1)).first;
  }
  diaActual = it->second;
  fechaActual = fecha;
  inicioDiaActual =
      FunDiasDesdeEpoca(registro.anio, registro.mes, registro.dia) * 86400;
}

void FunContarRegistro(const RegistroLeido& registro) {
  const int fecha = registro.anio * 10000 + registro.mes * 100 + registro.dia;
  if (fecha != fechaActual) FunEntrarDia(fecha, registro);
  Dia& dia = dias[diaActual];
  const long long instante = inicioDiaActual + registro.hora * 3600 +
                             registro.minuto * 60 + registro.segundo;
  switch (registro.tipo) {
    case kRegSesion:
      ++dia.sesiones;
      if (dia.enRango) ++registrosPorHora[registro.hora];
      FunEncolarRegistrado(registro.segundoNumero, instante, diaActual);
      break;
    case kFreeTurno: {
      ++dia.atendidos;
      long long registrado;
      int diaRegistro;
      if (!FunTomarRegistrado(registro.primerNumero, &registrado,
                              &diaRegistro)) {
        ++dia.sinRegistro;
        break;
      }
      ++dias[diaRegistro].tomados;
      if (dia.enRango) {
        // A clock set back can put the attention before the registration.
        const long long espera = std::max(0LL, instante - registrado);
        esperasTramo.push_back(espera);
        ++dia.esperas;
        dia.maxima = std::max(dia.maxima, espera);
      }
      break;
    }
    case kCierre:
      ++dia.cierres;
      break;
    case kNoReconocido:
      break;
  }
}

// Forgets everything counted, keeping fechasRetenidas.
void FunReiniciarCuentas() {
  dias.clear();
  diaPorFecha.clear();
  diaActual = -1;
  fechaActual = 0;
  esperasTramo.clear();
  esperasRetenidas.clear();
  registrados.clear();
  registradoLibre = -1;
  casillasDirectas.clear();
  casillas.clear();
  casillasOcupadas = 0;
  FunDimensionarCasillas(10);
  std::fill(registrosPorHora, registrosPorHora + 24, 0);
  lineasNoReconocidas = 0;
  ultimaLineaIncompleta = false;
}

/* -------------------------------------------------------------- reading */

// The log is read in blocks straight into this buffer and scanned in place.
const std::size_t kTamBloque = 256 * 1024;
char bloque[kTamBloque];

// A line longer than the block is kept as its two ends, which read as
// the whole line would (see kCabezaRegistro).
const std::size_t kCabeza = kCabezaRegistro;
const std::size_t kCola = kColaRegistro;
char lineaAcortada[kCabeza + kCola];

// One line without its "\n". A last line cut short (the console may be
// appending) counts only if it is already a whole record; otherwise it is
// the record being written, not a foreign line.
void FunLeerLinea(const char* linea, std::size_t largo, bool completa) {
  if (largo > 0 && linea[largo - 1] == '\r') --largo;
  RegistroLeido registro;
  if (FunInterpretarRegistro(linea, largo, &registro) != kNoReconocido)
    FunContarRegistro(registro);
  else if (completa)
    ++lineasNoReconocidas;
  else
    ultimaLineaIncompleta = true;
}

// `cola` holds the kCola bytes before the end of an over-long line.
void FunLeerLineaLarga(const char* cola, bool completa) {
  std::memcpy(lineaAcortada + kCabeza, cola, kCola);
  FunLeerLinea(lineaAcortada, sizeof lineaAcortada, completa);
}

// Reads and counts the log from where `archivo` stands, at most `limite`
// bytes; *leidos gets how many were read. False on a read error.
bool FunRecorrerBitacora(std::FILE* archivo, unsigned long long limite,
                         unsigned long long* leidos) {
  std::size_t lleno = 0;    // bytes held at the start of bloque
  bool lineaLarga = false;  // the line in progress outgrew the block
  unsigned long long total = 0;
  for (;;) {
    std::size_t pedir = kTamBloque - lleno;
    if (limite - total < pedir)
      pedir = static_cast<std::size_t>(limite - total);
    const std::size_t n =
        pedir > 0 ? std::fread(bloque + lleno, 1, pedir, archivo) : 0;
    if (n == 0) {
      if (pedir > 0 && std::ferror(archivo)) return false;
      break;
    }
    total += n;
    const char* const fin = bloque + lleno + n;
    const char* linea = bloque;
    // What was held has no line end: search only the new bytes.
    const char* busca = bloque + lleno;
    lleno += n;
    const void* salto;
    while ((salto = std::memchr(busca, '\n',
                                static_cast<std::size_t>(fin - busca))) !=
           nullptr) {
      const char* finLinea = static_cast<const char*>(salto);
      if (lineaLarga) {
        // The block starts with the line's last kCola bytes held over.
        FunLeerLineaLarga(finLinea - kCola, true);
        lineaLarga = false;
      } else {
        FunLeerLinea(linea, static_cast<std::size_t>(finLinea - linea), true);
      }
      linea = busca = finLinea + 1;
    }
    if (!lineaLarga && linea == bloque && lleno == kTamBloque) {
      std::memcpy(lineaAcortada, bloque, kCabeza);
      lineaLarga = true;
    }
    if (lineaLarga) {
      std::memmove(bloque, fin - kCola, kCola);
      lleno = kCola;
    } else if (linea != bloque) {
      lleno = static_cast<std::size_t>(fin - linea);
      std::memmove(bloque, linea, lleno);
    }
  }
  if (lineaLarga)
    FunLeerLineaLarga(bloque + lleno - kCola, false);
  else if (lleno > 0)
    FunLeerLinea(bloque, lleno, false);
  FunCerrarTramo();
  *leidos = total;
  return true;
}

// Read-only, in binary mode: line ends are handled here, and a Ctrl-Z
// byte must not end the reading on Windows. Reading and writing stay
// shared, so the console appends while the report reads.
std::FILE* FunAbrirBitacora(const char* ruta) { return FunAbrirParaLeer(ruta); }

// Days whose waits came in more than one stretch. Their median and 90th
// percentile need all their waits at once, which a second reading keeps.
bool FunHayDiasPartidos() {
  fechasRetenidas.clear();
  for (const Dia& dia : dias)
    if (dia.enRango && dia.tramosConEsperas > 1)
      fechasRetenidas.insert(dia.fecha);
  return !fechasRetenidas.empty();
}

// Counts the whole log; false with errno set (0 when the file changed
// under the second reading) if it cannot be read.
bool FunContarBitacora(std::FILE* archivo) {
  // The blocks go straight from the file into bloque.
  std::setvbuf(archivo, nullptr, _IONBF, 0);
  FunReiniciarCuentas();
  unsigned long long leidos = 0;
  if (!FunRecorrerBitacora(archivo, ULLONG_MAX, &leidos)) return false;
  if (!FunHayDiasPartidos()) return true;
  // The second reading stops where the first did: whatever the console
  // appended since is not part of this report.
  FunReiniciarCuentas();
  errno = 0;
  unsigned long long releidos = 0;
  if (std::fseek(archivo, 0, SEEK_SET) != 0 ||
      !FunRecorrerBitacora(archivo, leidos, &releidos))
    return false;
  if (releidos != leidos) {
    errno = 0;
    return false;
  }
  for (Dia& dia : dias)
    if (dia.retenida >= 0 && !esperasRetenidas[dia.retenida].empty())
      FunCalcularPercentiles(&esperasRetenidas[dia.retenida], &dia);
  return true;
}

/* --------------------------------------------------------------- output */

void FunImprimirFecha(int fecha) {
  std::printf("%04d-%02d-%02d", fecha / 10000, fecha / 100 % 100, fecha % 100);
}

void FunImprimirCsv() {
  std::fputs(
      "fecha,sesiones,atendidos,espera_mediana_s,espera_p90_s,espera_max_s,"
      "sin_registro,pendientes,cierres\n",
      stdout);
  for (const auto& par : diaPorFecha) {
    const Dia& d = dias[par.second];
    if (!d.enRango) continue;
    FunImprimirFecha(d.fecha);
    std::printf(",%lld,%lld,", d.sesiones, d.atendidos);
    if (d.esperas > 0)
      std::printf("%lld,%lld,%lld", d.mediana, d.p90, d.maxima);
    else
      std::fputs(",,", stdout);
    std::printf(",%lld,%lld,%lld\n", d.sinRegistro, d.sesiones - d.tomados,
                d.cierres);
  }
}

// A wait as minutes and seconds, right-aligned in a column of 8 after a
// blank, which still parts it from its neighbour when a wait of a week or
// more is wider than the column.
void FunImprimirEspera(long long segundos) {
  char texto[48];
  std::snprintf(texto, sizeof texto, "%lldm%02llds", segundos / 60,
                segundos % 60);
  std::printf(" %8s", texto);
}

const char kRegla[] =
    "------------------------------------------------------------------------"
    "-----\n";

void FunImprimirTabla(const Dia& total, long long mostrados) {
  std::printf("%-10s %9s %9s %8s %8s %8s %6s %5s %7s\n", "Fecha", "Sesiones",
              "Atendidos", "Mediana", "P90", "Maxima", "SinReg", "Pend.",
              "Cierres");
  std::fputs(kRegla, stdout);
  for (const auto& par : diaPorFecha) {
    const Dia& d = dias[par.second];
    if (!d.enRango) continue;
    FunImprimirFecha(d.fecha);
    std::printf(" %9lld %9lld", d.sesiones, d.atendidos);
    if (d.esperas > 0) {
      FunImprimirEspera(d.mediana);
      FunImprimirEspera(d.p90);
      FunImprimirEspera(d.maxima);
    } else {
      std::printf(" %8s %8s %8s", "-", "-", "-");
    }
    std::printf(" %6lld %5lld %7lld\n", d.sinRegistro, d.sesiones - d.tomados,
                d.cierres);
  }
  std::fputs(kRegla, stdout);
  std::printf("%-10s %9lld %9lld %8s %8s", "TOTAL", total.sesiones,
              total.atendidos, "", "");
  if (total.esperas > 0)
    FunImprimirEspera(total.maxima);
  else
    std::printf(" %8s", "-");
  std::printf(" %6lld %5lld %7lld\n", total.sinRegistro,
              total.sesiones - total.tomados, total.cierres);
  std::printf(
      "\n%lld dias. Mediana, P90 y Maxima: espera (minutos y segundos) de los\n"
      "atendidos cuyo registro esta en la bitacora; P90: 9 de cada 10 "
      "esperaron\n"
      "eso o menos. SinReg: atendidos sin registro (turnos restaurados de un\n"
      "respaldo). Pend.: registrados que nadie ha atendido.\n",
      mostrados);
}

void FunImprimirHoras() {
  const int kAnchoBarra = 50;
  long long mayor = 0;
  for (long long n : registrosPorHora) mayor = std::max(mayor, n);
  std::fputs("\nRegistros por hora del dia\n", stdout);
  for (int hora = 0; hora < 24; ++hora) {
    const long long n = registrosPorHora[hora];
    // Any hour with a registration gets at least one mark.
    int largo =
        mayor > 0 ? static_cast<int>((n * kAnchoBarra + mayor - 1) / mayor) : 0;
    char barra[kAnchoBarra + 1];
    std::memset(barra, '#', static_cast<std::size_t>(largo));
    barra[largo] = '\0';
    std::printf("%02d | %-*s %lld\n", hora, kAnchoBarra, barra, n);
  }
}

void FunImprimirTexto() {
  std::printf("INFORME DE ATENCION QUENVARO - %s\n", rutaBitacora);
  if (hayRango) {
    std::fputs("Dias pedidos:", stdout);
    if (fechaDesde > 0) {
      std::fputs(" desde ", stdout);
      FunImprimirFecha(fechaDesde);
    }
    if (fechaHasta < 99999999) {
      std::fputs(" hasta ", stdout);
      FunImprimirFecha(fechaHasta);
    }
    std::fputs("\n", stdout);
  }
  std::fputs("\n", stdout);
  Dia total{};
  long long mostrados = 0;
  for (const Dia& d : dias) {
    if (!d.enRango) continue;
    ++mostrados;
    total.sesiones += d.sesiones;
    total.atendidos += d.atendidos;
    total.sinRegistro += d.sinRegistro;
    total.tomados += d.tomados;
    total.cierres += d.cierres;
    total.esperas += d.esperas;
    if (d.esperas > 0) total.maxima = std::max(total.maxima, d.maxima);
  }
  if (mostrados == 0) {
    std::fputs("Ningun dia con registros.\n", stdout);
  } else {
    FunImprimirTabla(total, mostrados);
    FunImprimirHoras();
  }
  if (lineasNoReconocidas > 0)
    std::printf("\nLineas no reconocidas (ignoradas): %lld\n",
                lineasNoReconocidas);
  if (ultimaLineaIncompleta)
    std::fputs(
        "\nLa ultima linea esta incompleta (se estaba escribiendo): "
        "ignorada.\n",
        stdout);
}

/* --------------------------------------------------------- command line */

// Flushes standard output: 0, or 1 after saying why it failed.
int FunTerminarSalida() {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
  std::fprintf(stderr, "%s: no se puede escribir en la salida: %s\n", kPrograma,
               std::strerror(errno));
  return 1;
}

int FunErrorDeUso(const char* motivo, const char* argumento) {
  std::fprintf(stderr, "%s: %s: %s\n\n%s", kPrograma, motivo, argumento, kUso);
  return 2;
}

// Reads the command line into the options. Returns -1 to go on, or the
// exit status to end with.
int FunLeerOpciones(int argc, char** argv) {
  bool hayArchivo = false;
  bool finOpciones = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (finOpciones || arg[0] != '-' || arg[1] == '\0') {
      if (hayArchivo) return FunErrorDeUso("sobra un archivo", arg);
      rutaBitacora = arg;
      hayArchivo = true;
    } else if (std::strcmp(arg, "--") == 0) {
      finOpciones = true;
    } else if (std::strcmp(arg, "--help") == 0) {
      std::fputs(kUso, stdout);
      return FunTerminarSalida();
    } else if (std::strcmp(arg, "--csv") == 0) {
      salidaCsv = true;
    } else if (std::strcmp(arg, "--desde") == 0 ||
               std::strcmp(arg, "--hasta") == 0) {
      if (i + 1 == argc) return FunErrorDeUso("falta la fecha de", arg);
      const char* valor = argv[++i];
      int anio, mes, dia;
      if (!FunInterpretarFecha(valor, std::strlen(valor), &anio, &mes, &dia))
        return FunErrorDeUso("fecha imposible (AAAA-MM-DD)", valor);
      const int fecha = anio * 10000 + mes * 100 + dia;
      if (arg[2] == 'd')
        fechaDesde = fecha;
      else
        fechaHasta = fecha;
      hayRango = true;
    } else {
      return FunErrorDeUso("opcion desconocida", arg);
    }
  }
  return -1;
}

}  // namespace

/* ------------------------------------------------------------------ run */

int FunEjecutarInforme(int argc, char** argv) {
  const int estado = FunLeerOpciones(argc, argv);
  if (estado >= 0) return estado;

  std::FILE* archivo = FunAbrirBitacora(rutaBitacora);
  if (archivo == nullptr) {
    std::fprintf(stderr, "%s: no se puede abrir %s: %s\n", kPrograma,
                 rutaBitacora, std::strerror(errno));
    return 1;
  }
  const bool leida = FunContarBitacora(archivo);
  const int error = errno;
  std::fclose(archivo);
  if (!leida) {
    std::fprintf(stderr, "%s: no se puede leer %s: %s\n", kPrograma,
                 rutaBitacora,
                 error != 0 ? std::strerror(error)
                            : "el archivo cambio durante la lectura");
    return 1;
  }

  if (salidaCsv)
    FunImprimirCsv();
  else
    FunImprimirTexto();
  return FunTerminarSalida();
}
