#include "report/vista_csv.h"

#include <cstdio>

#include "report/vista_texto.h"

void FunImprimirCsv(const Informe& informe) {
  std::fputs(
      "fecha,sesiones,atendidos,espera_mediana_s,espera_p90_s,espera_max_s,"
      "sin_registro,pendientes,cierres\n",
      stdout);
  for (const DiaInforme& d : informe.dias) {
    char fecha[kTamCifra];
    FunFormatearFecha(d.fecha, fecha);
    std::printf("%s,%lld,%lld,", fecha, d.sesiones, d.atendidos);
    // A day without waits leaves their three cells empty.
    if (d.esperas > 0)
      std::printf("%lld,%lld,%lld", d.mediana, d.p90, d.maxima);
    else
      std::fputs(",,", stdout);
    std::printf(",%lld,%lld,%lld\n", d.sinRegistro, d.pendientes, d.cierres);
  }
}
