#include "report/vista_csv.h"

#include <string>

#include "report/vista_texto.h"

namespace {

const char kCabecera[] =
    "fecha,sesiones,atendidos,espera_mediana_s,espera_p90_s,espera_max_s,"
    "sin_registro,pendientes,cierres";

// Where the views print.
std::FILE* salida = stdout;

// A desk's name as one cell: quoted, its quotes doubled, when it holds the
// separator, a quote or a line end.
void FunEscribirCelda(const std::string& texto, char separador) {
  if (texto.find_first_of(std::string("\"\r\n") + separador) ==
      std::string::npos) {
    std::fputs(texto.c_str(), salida);
    return;
  }
  std::fputc('"', salida);
  for (char c : texto) {
    if (c == '"') std::fputc('"', salida);
    std::fputc(c, salida);
  }
  std::fputc('"', salida);
}

// The rows of the desks that have the day `fecha`, each desk's next row
// found from where it was left: `siguiente` holds one index per desk.
template <typename Fila>
void FunFilasDeMesas(const std::vector<Informe>& mesas, int fecha,
                     std::vector<std::size_t>* siguiente, Fila fila) {
  for (std::size_t m = 0; m < mesas.size(); ++m) {
    const std::vector<DiaInforme>& dias = mesas[m].dias;
    std::size_t& i = (*siguiente)[m];
    if (i < dias.size() && dias[i].fecha == fecha) fila(&mesas[m], dias[i++]);
  }
}

/* ------------------------------------------------------------------ csv */

void FunFilaCsv(const Informe* mesa, bool varias, const DiaInforme& d) {
  if (varias) {
    if (mesa != nullptr) FunEscribirCelda(mesa->mesa, ',');
    std::fputc(',', salida);
  }
  char fecha[kTamCifra];
  FunFormatearFecha(d.fecha, fecha);
  std::fprintf(salida, "%s,%lld,%lld,", fecha, d.sesiones, d.atendidos);
  // A day without waits leaves their three cells empty.
  if (d.esperas > 0)
    std::fprintf(salida, "%lld,%lld,%lld", d.mediana, d.p90, d.maxima);
  else
    std::fputs(",,", salida);
  std::fprintf(salida, ",%lld,%lld,%lld\n", d.sinRegistro, d.pendientes,
               d.cierres);
}

/* ---------------------------------------------------------------- excel */

const char* const kDias[7] = {"lunes",  "martes", "miércoles", "jueves",
                              "viernes", "sábado", "domingo"};

// A wait in minutes to the tenth, with a decimal comma.
void FunEscribirMinutos(long long segundos) {
  const long long decimas = (segundos * 10 + 30) / 60;
  std::fprintf(salida, "%lld,%lld", decimas / 10, decimas % 10);
}

// One row: the desk's name (when there are several), the label (a date
// and its weekday, or TOTAL and an empty cell), then the figures.
void FunFilaExcel(const std::string* mesa, const DiaInforme& d, bool total) {
  if (mesa != nullptr) {
    FunEscribirCelda(*mesa, ';');
    std::fputc(';', salida);
  }
  if (total)
    std::fputs("TOTAL;", salida);
  else
    std::fprintf(salida, "%02d/%02d/%04d;%s", d.fecha % 100, d.fecha / 100 % 100,
                 d.fecha / 10000, kDias[FunDiaDeLaSemana(d.fecha)]);
  std::fprintf(salida, ";%lld;%lld;", d.sesiones, d.atendidos);
  if (d.esperas > 0) {
    FunEscribirMinutos(d.mediana);
    std::fputc(';', salida);
    FunEscribirMinutos(d.p90);
    std::fputc(';', salida);
    FunEscribirMinutos(d.maxima);
  } else {
    std::fputs(";;", salida);
  }
  std::fprintf(salida, ";%lld;%lld;%lld\r\n", d.sinRegistro, d.pendientes,
               d.cierres);
}

}  // namespace

void FunImprimirCsv(const Informe& informe, const std::vector<Informe>& mesas,
                    std::FILE* destino) {
  salida = destino;
  const bool varias = !mesas.empty();
  std::fprintf(salida, "%s%s\n", varias ? "mesa," : "", kCabecera);
  std::vector<std::size_t> siguiente(mesas.size(), 0);
  for (const DiaInforme& d : informe.dias) {
    FunFilasDeMesas(mesas, d.fecha, &siguiente,
                    [](const Informe* mesa, const DiaInforme& fila) {
                      FunFilaCsv(mesa, true, fila);
                    });
    FunFilaCsv(nullptr, varias, d);
  }
}

void FunImprimirExcel(const Informe& informe,
                      const std::vector<Informe>& mesas, std::FILE* destino) {
  salida = destino;
  // A spreadsheet set up for Spanish takes ',' for the decimal mark and
  // splits on ';'; without the byte-order mark it reads UTF-8 as ANSI.
  std::fputs("\xEF\xBB\xBF", salida);
  if (!mesas.empty()) std::fputs("Mesa;", salida);
  std::fputs(
      "Fecha;Día;Sesiones;Atendidos;Espera mediana (min);Espera P90 (min);"
      "Espera máxima (min);Sin registro;Pendientes;Cierres\r\n",
      salida);
  const std::string todas = "Todas las mesas";
  const std::string* nombreTodas = mesas.empty() ? nullptr : &todas;
  std::vector<std::size_t> siguiente(mesas.size(), 0);
  for (const DiaInforme& d : informe.dias) {
    FunFilasDeMesas(mesas, d.fecha, &siguiente,
                    [](const Informe* mesa, const DiaInforme& fila) {
                      FunFilaExcel(&mesa->mesa, fila, false);
                    });
    FunFilaExcel(nombreTodas, d, false);
  }
  for (const Informe& mesa : mesas) FunFilaExcel(&mesa.mesa, mesa.total, true);
  FunFilaExcel(nombreTodas, informe.total, true);
}
