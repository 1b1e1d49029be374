#include "report/vista_texto.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/texto.h"

namespace {

// Where FunImprimirTexto prints.
std::FILE* salida = stdout;

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
    "-----";

// Columns a UTF-8 text takes: its bytes that start a character.
int FunAnchoTexto(const std::string& texto) {
  int ancho = 0;
  for (unsigned char c : texto) ancho += (c & 0xC0) != 0x80;
  return ancho;
}

// One row of a table: `etiqueta` left-aligned in `ancho` columns, then the
// figures of `d`.
void FunImprimirFila(const std::string& etiqueta, int ancho,
                     const DiaInforme& d) {
  FunEscribirTexto(salida, etiqueta.c_str());
  std::fprintf(salida, "%*s %9lld %9lld",
               std::max(0, ancho - FunAnchoTexto(etiqueta)), "", d.sesiones,
               d.atendidos);
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

void FunImprimirCabecera(const char* primera, int ancho) {
  std::fprintf(salida, "%-*s %9s %9s %8s %8s %8s %6s %5s %7s\n", ancho, primera,
               "Sesiones", "Atendidos", "Mediana", "P90", "Maxima", "SinReg",
               "Pend.", "Cierres");
  std::fprintf(salida, "%s%s\n", std::string(std::max(0, ancho - 10), '-').c_str(),
               kRegla);
}

void FunImprimirTabla(const Informe& informe) {
  FunImprimirCabecera("Fecha", 10);
  for (const DiaInforme& d : informe.dias) {
    char fecha[kTamCifra];
    FunFormatearFecha(d.fecha, fecha);
    FunImprimirFila(fecha, 10, d);
  }
  std::fprintf(salida, "%s\n", kRegla);
  FunImprimirFila("TOTAL", 10, informe.total);
  std::fprintf(
      salida,
      "\n%lld dias. Mediana, P90 y Maxima: espera (minutos y segundos) de los\n"
      "atendidos cuyo registro esta en la bitacora; P90: 9 de cada 10 "
      "esperaron\n"
      "eso o menos. SinReg: atendidos sin registro (turnos restaurados de un\n"
      "respaldo). Pend.: registrados que nadie ha atendido.\n",
      static_cast<long long>(informe.dias.size()));
}

// One row per desk over the days shown, and all of them together.
void FunImprimirMesas(const Informe& informe,
                      const std::vector<Informe>& mesas) {
  int ancho = 10;
  for (const Informe& mesa : mesas)
    ancho = std::max(ancho, FunAnchoTexto(mesa.mesa));
  std::fputs("\nPor mesa\n", salida);
  FunImprimirCabecera("Mesa", ancho);
  for (const Informe& mesa : mesas) FunImprimirFila(mesa.mesa, ancho, mesa.total);
  std::fprintf(salida, "%s%s\n", std::string(std::max(0, ancho - 10), '-').c_str(),
               kRegla);
  FunImprimirFila("TOTAL", ancho, informe.total);
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

// The notes on one log: its foreign lines and a last line being written.
void FunImprimirNotas(const Informe& informe, const char* mesa) {
  if (informe.lineasNoReconocidas > 0)
    std::fprintf(salida, "\n%s%sLineas no reconocidas (ignoradas): %lld\n",
                 mesa, *mesa != '\0' ? ": " : "", informe.lineasNoReconocidas);
  if (informe.ultimaLineaIncompleta)
    std::fprintf(salida,
                 "\n%s%sLa ultima linea esta incompleta (se estaba "
                 "escribiendo): ignorada.\n",
                 mesa, *mesa != '\0' ? ": " : "");
}

void FunImprimirTexto(const Informe& informe,
                      const std::vector<Informe>& mesas, std::FILE* destino) {
  salida = destino;
  // The log's path as typed, on a Windows console too.
  std::fputs("INFORME DE ATENCION QUENVARO - ", salida);
  if (mesas.empty()) {
    FunEscribirTexto(salida, informe.ruta);
    std::fputs("\n", salida);
  } else {
    std::fprintf(salida, "%lld mesas\n", static_cast<long long>(mesas.size()));
    for (const Informe& mesa : mesas) {
      std::fputs("Mesa ", salida);
      FunEscribirTexto(salida, mesa.mesa.c_str());
      std::fputs(": ", salida);
      FunEscribirTexto(salida, mesa.ruta);
      std::fputs("\n", salida);
    }
  }
  char pedidos[kTamCifra];
  if (FunFormatearDiasPedidos(informe, pedidos))
    std::fprintf(salida, "Dias pedidos:%s\n", pedidos);
  std::fputs("\n", salida);
  if (informe.dias.empty()) {
    std::fputs("Ningun dia con registros.\n", salida);
  } else {
    FunImprimirTabla(informe);
    if (!mesas.empty()) FunImprimirMesas(informe, mesas);
    FunImprimirHoras(informe.registrosPorHora);
  }
  if (mesas.empty()) FunImprimirNotas(informe, "");
  for (const Informe& mesa : mesas) FunImprimirNotas(mesa, mesa.mesa.c_str());
}
