#include "report/vista_csv.h"

#include "report/vista_texto.h"

namespace {

const char kCabecera[] =
    "fecha,sesiones,atendidos,espera_mediana_s,espera_p90_s,espera_max_s,"
    "sin_registro,pendientes,cierres";

}  // namespace

void FunImprimirCsv(const Informe& informe, std::FILE* destino,
                    bool paraHojaDeCalculo) {
  // A spreadsheet set up for Spanish takes ',' for the decimal mark and
  // splits on ';'; without the byte-order mark it reads UTF-8 as ANSI. The
  // figures are whole numbers, so the cells are the same either way.
  const char separador = paraHojaDeCalculo ? ';' : ',';
  const char* fin = paraHojaDeCalculo ? "\r\n" : "\n";
  if (paraHojaDeCalculo) std::fputs("\xEF\xBB\xBF", destino);
  for (const char* c = kCabecera; *c != '\0'; ++c)
    std::fputc(*c == ',' ? separador : *c, destino);
  std::fputs(fin, destino);
  for (const DiaInforme& d : informe.dias) {
    char fecha[kTamCifra];
    FunFormatearFecha(d.fecha, fecha);
    std::fprintf(destino, "%s%c%lld%c%lld%c", fecha, separador, d.sesiones,
                 separador, d.atendidos, separador);
    // A day without waits leaves their three cells empty.
    if (d.esperas > 0)
      std::fprintf(destino, "%lld%c%lld%c%lld", d.mediana, separador, d.p90,
                   separador, d.maxima);
    else
      std::fprintf(destino, "%c%c", separador, separador);
    std::fprintf(destino, "%c%lld%c%lld%c%lld%s", separador, d.sinRegistro,
                 separador, d.pendientes, separador, d.cierres, fin);
  }
}
