#include "report/vista_texto.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// Where FunImprimirTexto prints.
std::FILE* salida = stdout;

void FunImprimirFecha(int fecha) {
  char texto[kTamCifra];
  FunFormatearFecha(fecha, texto);
  std::fputs(texto, salida);
}

// A wait right-aligned in a column of 8 after a blank, which still parts
// it from its neighbour when a wait of a week or more is wider than the
// column.
void FunImprimirEspera(long long segundos) {
  char texto[kTamCifra];
  FunFormatearEspera(segundos, texto);
  std::fprintf(salida, " %8s", texto);
}

const char kRegla[] =
    "------------------------------------------------------------------------"
    "-----\n";

void FunImprimirTabla(const Informe& informe) {
  std::fprintf(salida, "%-10s %9s %9s %8s %8s %8s %6s %5s %7s\n", "Fecha",
               "Sesiones", "Atendidos", "Mediana", "P90", "Maxima", "SinReg",
               "Pend.", "Cierres");
  std::fputs(kRegla, salida);
  for (const DiaInforme& d : informe.dias) {
    FunImprimirFecha(d.fecha);
    std::fprintf(salida, " %9lld %9lld", d.sesiones, d.atendidos);
    if (d.esperas > 0) {
      FunImprimirEspera(d.mediana);
      FunImprimirEspera(d.p90);
      FunImprimirEspera(d.maxima);
    } else {
      std::fprintf(salida, " %8s %8s %8s", "-", "-", "-");
    }
    std::fprintf(salida, " %6lld %5lld %7lld\n", d.sinRegistro, d.pendientes,
                 d.cierres);
  }
  const DiaInforme& total = informe.total;
  std::fputs(kRegla, salida);
  std::fprintf(salida, "%-10s %9lld %9lld %8s %8s", "TOTAL", total.sesiones,
               total.atendidos, "", "");
  if (total.esperas > 0)
    FunImprimirEspera(total.maxima);
  else
    std::fprintf(salida, " %8s", "-");
  std::fprintf(salida, " %6lld %5lld %7lld\n", total.sinRegistro,
               total.pendientes, total.cierres);
  std::fprintf(
      salida,
      "\n%lld dias. Mediana, P90 y Maxima: espera (minutos y segundos) de los\n"
      "atendidos cuyo registro esta en la bitacora; P90: 9 de cada 10 "
      "esperaron\n"
      "eso o menos. SinReg: atendidos sin registro (turnos restaurados de un\n"
      "respaldo). Pend.: registrados que nadie ha atendido.\n",
      static_cast<long long>(informe.dias.size()));
}

void FunImprimirHoras(const long long* registrosPorHora) {
  const int kAnchoBarra = 50;
  const long long mayor = *std::max_element(registrosPorHora,
                                            registrosPorHora + 24);
  std::fputs("\nRegistros por hora del dia\n", salida);
  for (int hora = 0; hora < 24; ++hora) {
    const long long n = registrosPorHora[hora];
    // Any hour with a registration gets at least one mark.
    int largo =
        mayor > 0 ? static_cast<int>((n * kAnchoBarra + mayor - 1) / mayor) : 0;
    char barra[kAnchoBarra + 1];
    std::memset(barra, '#', static_cast<std::size_t>(largo));
    barra[largo] = '\0';
    std::fprintf(salida, "%02d | %-*s %lld\n", hora, kAnchoBarra, barra, n);
  }
}

}  // namespace

void FunFormatearFecha(int fecha, char* texto) {
  std::snprintf(texto, kTamCifra, "%04d-%02d-%02d", fecha / 10000,
                fecha / 100 % 100, fecha % 100);
}

void FunFormatearEspera(long long segundos, char* texto) {
  std::snprintf(texto, kTamCifra, "%lldm%02llds", segundos / 60,
                segundos % 60);
}

bool FunFormatearDiasPedidos(const Informe& informe, char* texto) {
  char fecha[kTamCifra];
  texto[0] = '\0';
  if (informe.fechaDesde != kSinDesde) {
    FunFormatearFecha(informe.fechaDesde, fecha);
    std::strcat(std::strcat(texto, " desde "), fecha);
  }
  if (informe.fechaHasta != kSinHasta) {
    FunFormatearFecha(informe.fechaHasta, fecha);
    std::strcat(std::strcat(texto, " hasta "), fecha);
  }
  return texto[0] != '\0';
}

void FunImprimirTexto(const Informe& informe, std::FILE* destino) {
  salida = destino;
  std::fprintf(salida, "INFORME DE ATENCION QUENVARO - %s\n", informe.ruta);
  char pedidos[kTamCifra];
  if (FunFormatearDiasPedidos(informe, pedidos))
    std::fprintf(salida, "Dias pedidos:%s\n", pedidos);
  std::fputs("\n", salida);
  if (informe.dias.empty()) {
    std::fputs("Ningun dia con registros.\n", salida);
  } else {
    FunImprimirTabla(informe);
    FunImprimirHoras(informe.registrosPorHora);
  }
  if (informe.lineasNoReconocidas > 0)
    std::fprintf(salida, "\nLineas no reconocidas (ignoradas): %lld\n",
                 informe.lineasNoReconocidas);
  if (informe.ultimaLineaIncompleta)
    std::fputs(
        "\nLa ultima linea esta incompleta (se estaba escribiendo): "
        "ignorada.\n",
        salida);
}
