#include "report/modelo.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <map>
#include <set>
#include <utility>

#include "eventlog/bitacora.h"
#include "report/emparejamiento.h"
#include "report/lectura.h"
#include "report/percentil.h"

namespace {

/* ----------------------------------------------------------------- days */

// A day while it is counted.
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

int fechaDesde = kSinDesde;  // the days asked for, as YYYYMMDD
int fechaHasta = kSinHasta;

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

// The waits of the days shown, together and by month and weekday, kept as
// distributions: they grow with the distinct waits, not with the records.
Distribucion esperasTotal;
std::map<int, Distribucion> esperasMes;
Distribucion esperasSemana[7];
std::map<int, Distribucion>* esperasPorDia = nullptr;

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
  const long long* esperas = esperasTramo.data();
  const std::size_t n = esperasTramo.size();
  FunAnotarEsperas(&esperasTotal, esperas, n);
  // With several desks the months and weekdays are taken from the pooled
  // days', so each wait is noted once per day here, not three times.
  if (esperasPorDia != nullptr) {
    FunAnotarEsperas(&(*esperasPorDia)[dia.fecha], esperas, n);
  } else {
    FunAnotarEsperas(&esperasMes[dia.fecha / 100 * 100], esperas, n);
    FunAnotarEsperas(&esperasSemana[FunDiaDeLaSemana(dia.fecha)], esperas, n);
  }
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
  FunOlvidarRegistrados();
  std::fill(registrosPorHora, registrosPorHora + 24, 0);
  esperasTotal = Distribucion{};
  esperasMes.clear();
  for (Distribucion& d : esperasSemana) d = Distribucion{};
  if (esperasPorDia != nullptr) esperasPorDia->clear();
}

// Reads and counts the log, at most `limite` bytes of it.
bool FunRecorrerYContar(std::FILE* archivo, unsigned long long limite,
                        LecturaBitacora* lectura, unsigned long long* leidos) {
  FunReiniciarCuentas();
  if (!FunRecorrerBitacora(archivo, limite, FunContarRegistro, lectura, leidos))
    return false;
  FunCerrarTramo();
  return true;
}

// Days whose waits came in more than one stretch. Their median and 90th
// percentile need all their waits at once, which a second reading keeps.
bool FunHayDiasPartidos() {
  fechasRetenidas.clear();
  for (const Dia& dia : dias)
    if (dia.enRango && dia.tramosConEsperas > 1)
      fechasRetenidas.insert(dia.fecha);
  return !fechasRetenidas.empty();
}

/* -------------------------------------------------------------- results */

// Adds the counts of `dia` to `grupo`.
void FunSumarFila(const DiaInforme& dia, DiaInforme* grupo) {
  grupo->sesiones += dia.sesiones;
  grupo->atendidos += dia.atendidos;
  grupo->sinRegistro += dia.sinRegistro;
  grupo->pendientes += dia.pendientes;
  grupo->cierres += dia.cierres;
  grupo->esperas += dia.esperas;
  grupo->dias += dia.dias;
}

// The days asked for, oldest first, their months, weekdays, total and
// hours.
void FunCompletarInforme(const LecturaBitacora& lectura, Informe* informe) {
  informe->dias.clear();
  informe->meses.clear();
  DiaInforme& total = informe->total;
  total = DiaInforme{};
  for (int i = 0; i < 7; ++i) {
    informe->semana[i] = DiaInforme{};
    informe->semana[i].fecha = i;
  }
  for (const auto& par : diaPorFecha) {
    const Dia& d = dias[par.second];
    if (!d.enRango) continue;
    const DiaInforme dia{d.fecha,      d.sesiones, d.atendidos,
                         d.sinRegistro, d.sesiones - d.tomados,
                         d.cierres,    d.esperas,  d.mediana,
                         d.p90,        d.maxima,   1};
    informe->dias.push_back(dia);
    FunSumarFila(dia, &total);
    if (informe->meses.empty() ||
        informe->meses.back().fecha != d.fecha / 100 * 100) {
      informe->meses.push_back(DiaInforme{});
      informe->meses.back().fecha = d.fecha / 100 * 100;
    }
    FunSumarFila(dia, &informe->meses.back());
    FunSumarFila(dia, &informe->semana[FunDiaDeLaSemana(d.fecha)]);
  }
  FunPercentilesDe(&esperasTotal, &total);
  for (DiaInforme& mes : informe->meses)
    FunPercentilesDe(&esperasMes[mes.fecha], &mes);
  for (int i = 0; i < 7; ++i)
    FunPercentilesDe(&esperasSemana[i], &informe->semana[i]);
  informe->esperasTotal = std::move(esperasTotal);
  informe->esperasMes = std::move(esperasMes);
  for (int i = 0; i < 7; ++i)
    informe->esperasSemana[i] = std::move(esperasSemana[i]);
  std::copy(registrosPorHora, registrosPorHora + 24,
            informe->registrosPorHora);
  informe->lineasNoReconocidas = lectura.lineasNoReconocidas;
  informe->ultimaLineaIncompleta = lectura.ultimaLineaIncompleta;
}

}  // namespace

int FunDiaDeLaSemana(int fecha) {
  // 1970-01-01 was a Thursday.
  const long long d =
      FunDiasDesdeEpoca(fecha / 10000, fecha / 100 % 100, fecha % 100);
  return static_cast<int>(((d + 3) % 7 + 7) % 7);
}

void FunPercentilesDe(Distribucion* esperas, DiaInforme* fila) {
  fila->esperas = esperas->total;
  fila->mediana = fila->p90 = fila->maxima = 0;
  if (esperas->total == 0) return;
  static const int kPorCientos[] = {50, 90, 100};
  long long valores[3];
  FunPercentilesDistribucion(esperas, kPorCientos, 3, valores);
  fila->mediana = valores[0];
  fila->p90 = valores[1];
  fila->maxima = valores[2];
}

bool FunContarBitacora(std::FILE* archivo, Informe* informe) {
  esperasPorDia = informe->esperasPorDia;
  fechaDesde = informe->fechaDesde;
  fechaHasta = informe->fechaHasta;
  fechasRetenidas.clear();
  // The blocks go straight from the file into the reading's buffer.
  std::setvbuf(archivo, nullptr, _IONBF, 0);
  LecturaBitacora lectura;
  unsigned long long leidos = 0;
  if (!FunRecorrerYContar(archivo, ULLONG_MAX, &lectura, &leidos)) return false;
  if (FunHayDiasPartidos()) {
    // The second reading stops where the first did: whatever the console
    // appended since is not part of this report.
    errno = 0;
    unsigned long long releidos = 0;
    if (std::fseek(archivo, 0, SEEK_SET) != 0 ||
        !FunRecorrerYContar(archivo, leidos, &lectura, &releidos))
      return false;
    if (releidos != leidos) {
      errno = 0;
      return false;
    }
    for (Dia& dia : dias)
      if (dia.retenida >= 0 && !esperasRetenidas[dia.retenida].empty())
        FunCalcularPercentiles(&esperasRetenidas[dia.retenida], &dia);
  }
  FunCompletarInforme(lectura, informe);
  return true;
}
