#include "report/vista_html.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "report/graficos.h"
#include "report/html_texto.h"
#include "report/vista_texto.h"

namespace {

// The page loads nothing and runs no script.
const char kEstilo[] =
    "<style>\n"
    "body{font:15px/1.45 system-ui,\"Segoe UI\",Roboto,Arial,sans-serif;"
    "color:#1d2733;background:#fff;max-width:1180px;margin:0 auto;"
    "padding:20px 32px 40px}\n"
    "h1{font-size:26px;margin:0 0 4px}\n"
    "h2{font-size:19px;margin:28px 0 8px}\n"
    ".origen{margin:0;color:#4a5663}\n"
    ".graficos{display:flex;flex-wrap:wrap;column-gap:48px}\n"
    "figure{margin:12px 0 0;flex:1 1 100%}\n"
    "figcaption{font-weight:600;margin-bottom:4px}\n"
    ".leyenda{display:block;font-weight:400}\n"
    ".muestra{display:inline-block;width:12px;height:12px;margin:0 4px 0 0;"
    "vertical-align:-1px;print-color-adjust:exact;-webkit-print-color-adjust:"
    "exact}\n"
    "svg{display:block;width:100%;height:auto}\n"
    "svg text{font:11px system-ui,\"Segoe UI\",Roboto,Arial,sans-serif;"
    "fill:#4a5663}\n"
    "svg .eje{stroke:#d5dce4;stroke-width:1}\n"
    "svg .cifra{font-size:10px;fill:#1d2733}\n"
    ".muestra~.muestra{margin-left:14px}\n"
    ".dias{margin-top:16px}\n"
    "table{border-collapse:collapse;font-variant-numeric:tabular-nums}\n"
    "th,td{padding:3px 10px;text-align:right;border-bottom:1px solid #dde3ea;"
    "white-space:nowrap}\n"
    "th{background:#f2f5f8}\n"
    "td:first-child,th:first-child{text-align:left}\n"
    "tfoot td{font-weight:600;border-top:2px solid #1d2733}\n"
    ".horas td:nth-child(odd),.horas th:nth-child(odd){color:#4a5663;"
    "padding-left:22px}\n"
    ".notas{color:#4a5663;font-size:14px;max-width:80ch}\n"
    "@media (max-width:860px){body{padding:12px}table{font-size:13px}"
    "th,td{padding:3px 4px}}\n"
    ".glosario{display:grid;grid-template-columns:max-content 1fr;"
    "gap:2px 14px;margin:8px 0 0;color:#4a5663;font-size:14px;max-width:92ch}\n"
    ".glosario dt{font-weight:600;color:#1d2733}.glosario dd{margin:0}\n"
    ".ancha{overflow-x:auto}\n"
    "@media print{@page{size:A4;margin:14mm}"
    "body{max-width:none;padding:0;font-size:10pt}table{font-size:8.5pt}"
    "th,td{padding:2px 4px}th{white-space:normal}.ancha{overflow:visible}"
    ".glosario{font-size:8.5pt}"
    "h2{break-after:avoid}figure,.horas,.glosario,.titulado{break-inside:avoid}"
    "tr{break-inside:avoid}"
    // Each page of a long table repeats its head; the foot is no running
    // footer, which would read as a subtotal of every page, but the
    // table's last row group, kept with the rows before it.
    "thead{display:table-header-group}tfoot{display:table-row-group}"
    "tfoot tr{break-before:avoid}}\n"
    "</style>\n";


std::FILE*& salida = salidaHtml;

/* --------------------------------------------------------------- tables */

// One row of a table: its first cell, already HTML, and its figures.
struct Fila {
  std::string etiqueta;
  const DiaInforme* cifras;
};

// A table of `filas` under the heads every table shares, explained once by
// the glossary, with `total` in its foot; `conDias` adds how many days
// each row spans.
void FunEscribirTabla(const char* primera, bool conDias,
                      const std::vector<Fila>& filas, const DiaInforme& total) {
  std::fprintf(salida,
               "<div class=\"ancha\"><table>\n<thead><tr><th>%s</th>%s"
               "<th>Sesiones</th><th>Atendidos</th><th>Mediana</th><th>P90"
               "</th><th>M&aacute;xima</th><th>Sin registro</th><th>"
               "Pendientes</th><th>Cierres</th></tr></thead>\n<tbody>\n",
               primera, conDias ? "<th>D&iacute;as</th>" : "");
  for (std::size_t i = 0; i <= filas.size(); ++i) {
    const bool esTotal = i == filas.size();
    const DiaInforme& d = esTotal ? total : *filas[i].cifras;
    if (esTotal) std::fputs("</tbody>\n<tfoot>", salida);
    std::fprintf(salida, "<tr><td>%s</td>",
                 esTotal ? "TOTAL" : filas[i].etiqueta.c_str());
    if (conDias) std::fprintf(salida, "<td>%lld</td>", d.dias);
    std::fprintf(salida, "<td>%lld</td><td>%lld</td>", d.sesiones, d.atendidos);
    char espera[kTamTexto];
    for (long long segundos : {d.mediana, d.p90, d.maxima}) {
      FunFormatearEsperaHablada(segundos, espera);
      std::fprintf(salida, "<td>%s</td>", d.esperas > 0 ? espera : "-");
    }
    std::fprintf(salida, "<td>%lld</td><td>%lld</td><td>%lld</td></tr>\n",
                 d.sinRegistro, d.pendientes, d.cierres);
  }
  std::fputs("</tfoot>\n</table></div>\n", salida);
}

// What each head means, said once for every table of the page.
void FunEscribirGlosario(bool varias) {
  std::fputs(
      "<dl class=\"glosario\">\n"
      "<dt>Sesiones</dt><dd>personas registradas.</dd>\n"
      "<dt>Atendidos</dt><dd>turnos despachados.</dd>\n"
      "<dt>Mediana</dt><dd>la mitad de los atendidos esper&oacute; esto o "
      "menos, desde su registro hasta su atenci&oacute;n (solo los atendidos "
      "cuyo registro est&aacute; en la bit&aacute;cora).</dd>\n"
      "<dt>P90</dt><dd>9 de cada 10 atendidos esperaron esto o menos.</dd>\n"
      "<dt>M&aacute;xima</dt><dd>la espera m&aacute;s larga.</dd>\n"
      "<dt>Sin registro</dt><dd>atendidos cuyo registro no est&aacute; en la "
      "bit&aacute;cora (turnos restaurados de un respaldo).</dd>\n"
      "<dt>Pendientes</dt><dd>registrados que nadie ha atendido.</dd>\n"
      "<dt>Cierres</dt><dd>cierres de la jornada.</dd>\n"
      "<dt>D&iacute;as</dt><dd>d&iacute;as con registros que suma la fila."
      "</dd>\n",
      salida);
  std::fprintf(salida,
               "<dt>TOTAL</dt><dd>todos los d&iacute;as mostrados%s: su mediana "
               "y su P90 son los de todas sus esperas juntas, no promedios."
               "</dd>\n</dl>\n",
               varias ? " de todas las mesas" : "");
}

/* ------------------------------------------------------------- sections */

// Median and P90 of each group, as a chart.
Grafico FunGraficoEsperas(const char* titulo, double anchoEtiqueta) {
  return Grafico{titulo, 2, {"mediana", "P90"}, {kOscuroEspera, kClaroEspera},
                 true, anchoEtiqueta};
}

void FunPonerEsperas(const DiaInforme& d, Grupo* grupo) {
  grupo->valores[0] = d.mediana;
  grupo->valores[1] = d.p90;
  grupo->hay = d.esperas > 0;
}

void FunEscribirDias(const Informe& informe, bool varias) {
  std::fprintf(salida, "<h2>D&iacute;a por d&iacute;a%s</h2>\n",
               varias ? ": todas las mesas" : "");
  std::fputs("<div class=\"graficos\">\n", salida);
  std::vector<Grupo> grupos(informe.dias.size());
  std::vector<Fila> filas;
  for (std::size_t i = 0; i < grupos.size(); ++i) {
    const DiaInforme& d = informe.dias[i];
    FunFormatearFechaSemana(d.fecha, grupos[i].nombre);
    std::snprintf(grupos[i].etiqueta, kTamTexto, "%02d/%02d", d.fecha % 100,
                  d.fecha / 100 % 100);
    grupos[i].valores[0] = d.sesiones;
    grupos[i].valores[1] = d.atendidos;
    grupos[i].hay = true;
    filas.push_back(Fila{grupos[i].nombre, &d});
  }
  FunDibujarGrafico(Grafico{"Registrados y atendidos por d&iacute;a", 2,
                            {"registrados", "atendidos"}, {kClaro, kOscuro},
                            false, 44},
                    grupos);
  for (std::size_t i = 0; i < grupos.size(); ++i)
    FunPonerEsperas(informe.dias[i], &grupos[i]);
  FunDibujarGrafico(FunGraficoEsperas("Espera por d&iacute;a: mediana y P90", 44),
                    grupos);
  std::fputs("</div>\n", salida);
  FunEscribirTabla("Fecha", false, filas, informe.total);
}

void FunEscribirMeses(const Informe& informe) {
  // The heading goes with its chart to a new page, never alone.
  std::fputs("<div class=\"titulado\">\n<h2>Por mes</h2>\n", salida);
  std::vector<Grupo> grupos(informe.meses.size());
  std::vector<Fila> filas;
  for (std::size_t i = 0; i < grupos.size(); ++i) {
    FunFormatearMes(informe.meses[i].fecha, grupos[i].nombre);
    std::strcpy(grupos[i].etiqueta, grupos[i].nombre);
    FunPonerEsperas(informe.meses[i], &grupos[i]);
    filas.push_back(Fila{grupos[i].nombre, &informe.meses[i]});
  }
  // One month needs no chart: its table row says it all.
  if (grupos.size() > 1) {
    std::fputs("<div class=\"graficos\">\n", salida);
    FunDibujarGrafico(FunGraficoEsperas("Espera por mes: mediana y P90", 110),
                      grupos);
    std::fputs("</div>\n", salida);
  }
  std::fputs("</div>\n", salida);
  FunEscribirTabla("Mes", true, filas, informe.total);
}

// Which weekday waits longest: only the weekdays the days shown include.
void FunEscribirSemana(const Informe& informe) {
  std::fputs("<div class=\"titulado\">\n<h2>Por d&iacute;a de la semana</h2>\n",
             salida);
  std::vector<Grupo> grupos;
  std::vector<Fila> filas;
  for (const DiaInforme& d : informe.semana) {
    if (d.dias == 0) continue;
    grupos.emplace_back();
    std::snprintf(grupos.back().nombre, kTamTexto, "%s", FunNombreDia(d.fecha));
    std::strcpy(grupos.back().etiqueta, grupos.back().nombre);
    FunPonerEsperas(d, &grupos.back());
    filas.push_back(Fila{FunNombreDia(d.fecha), &d});
  }
  if (grupos.size() > 1) {
    std::fputs("<div class=\"graficos\">\n", salida);
    FunDibujarGrafico(
        FunGraficoEsperas("Espera por d&iacute;a de la semana: mediana y P90", 80),
        grupos);
    std::fputs("</div>\n", salida);
  }
  std::fputs("</div>\n", salida);
  FunEscribirTabla("D&iacute;a de la semana", true, filas, informe.total);
}

// Each desk over the days shown: its table, its median and P90 beside the
// others', and its attended day by day, one band per desk.
void FunEscribirMesas(const Informe& informe, const std::vector<Informe>& mesas) {
  std::fputs("<h2>Por mesa</h2>\n", salida);
  std::vector<std::string> nombres;
  std::vector<Fila> filas;
  std::vector<Grupo> grupos(mesas.size());
  double ancho = 40;
  for (std::size_t m = 0; m < mesas.size(); ++m) {
    nombres.push_back(FunEscapar(mesas[m].mesa.c_str()));
    filas.push_back(Fila{nombres.back(), &mesas[m].total});
    std::snprintf(grupos[m].etiqueta, kTamTexto, "%s", nombres.back().c_str());
    std::snprintf(grupos[m].nombre, kTamTexto, "%s", nombres.back().c_str());
    FunPonerEsperas(mesas[m].total, &grupos[m]);
    ancho = std::max(ancho, 7.0 * static_cast<double>(mesas[m].mesa.size()));
  }
  FunEscribirTabla("Mesa", true, filas, informe.total);
  FunDibujarFilas(FunGraficoEsperas("Espera por mesa: mediana y P90",
                                    std::min(ancho, 260.0)),
                  grupos);
  // Attended per desk and day, on the days of all desks together.
  std::vector<Grupo> fechas(informe.dias.size());
  std::vector<std::vector<long long>> valores(
      mesas.size(), std::vector<long long>(fechas.size(), 0));
  for (std::size_t d = 0; d < fechas.size(); ++d) {
    const int fecha = informe.dias[d].fecha;
    FunFormatearFechaSemana(fecha, fechas[d].nombre);
    std::snprintf(fechas[d].etiqueta, kTamTexto, "%02d/%02d", fecha % 100,
                  fecha / 100 % 100);
  }
  for (std::size_t m = 0; m < mesas.size(); ++m) {
    std::size_t d = 0;
    for (const DiaInforme& dia : mesas[m].dias) {
      while (informe.dias[d].fecha < dia.fecha) ++d;
      valores[m][d] = dia.atendidos;
    }
  }
  FunDibujarBandas("Atendidos por mesa y d&iacute;a", nombres, valores, fechas);
}

// The registrations per hour: their chart, then the figures in four
// columns of six hours.
void FunEscribirHoras(const Informe& informe, bool varias) {
  std::fprintf(salida, "<h2>Registros por hora del d&iacute;a%s</h2>\n",
               varias ? ": todas las mesas" : "");
  std::vector<Grupo> grupos(24);
  for (int hora = 0; hora < 24; ++hora) {
    std::snprintf(grupos[hora].etiqueta, kTamTexto, "%02d", hora);
    std::snprintf(grupos[hora].nombre, kTamTexto, "%02d h", hora);
    grupos[hora].valores[0] = informe.registrosPorHora[hora];
    grupos[hora].hay = true;
  }
  FunDibujarGrafico(Grafico{"Registrados por hora", 1, {"registrados", ""},
                            {kOscuro, ""}, false, 16},
                    grupos);
  std::fputs("<table class=\"horas\">\n<thead><tr>", salida);
  for (int columna = 0; columna < 4; ++columna)
    std::fputs("<th>Hora</th><th>Registros</th>", salida);
  std::fputs("</tr></thead>\n<tbody>\n", salida);
  for (int fila = 0; fila < 6; ++fila) {
    std::fputs("<tr>", salida);
    for (int hora = fila; hora < 24; hora += 6)
      std::fprintf(salida, "<td>%02d</td><td>%lld</td>", hora,
                   informe.registrosPorHora[hora]);
    std::fputs("</tr>\n", salida);
  }
  std::fputs("</tbody>\n</table>\n", salida);
}

// The notes on one log: its foreign lines and a last line being written.
void FunEscribirNotas(const Informe& informe, const std::string& mesa) {
  const std::string quien = mesa.empty() ? "" : "Mesa " + mesa + ": ";
  if (informe.lineasNoReconocidas > 0)
    std::fprintf(salida,
                 "<p class=\"notas\">%sL&iacute;neas no reconocidas "
                 "(ignoradas): %lld</p>\n",
                 quien.c_str(), informe.lineasNoReconocidas);
  if (informe.ultimaLineaIncompleta)
    std::fprintf(salida,
                 "<p class=\"notas\">%sLa &uacute;ltima l&iacute;nea "
                 "est&aacute; incompleta (se estaba escribiendo): ignorada."
                 "</p>\n",
                 quien.c_str());
}

// Where the figures come from: the log, or the desks and their logs; the
// days shown and those asked for.
void FunEscribirOrigen(const Informe& informe, const std::vector<Informe>& mesas) {
  std::fputs("<p class=\"origen\">", salida);
  if (mesas.empty()) {
    std::fputs("Bit&aacute;cora: <strong>", salida);
    FunEscribirEscapado(informe.ruta);
    std::fputs("</strong>", salida);
  } else {
    std::fprintf(salida, "%lld mesas:", static_cast<long long>(mesas.size()));
    for (std::size_t m = 0; m < mesas.size(); ++m) {
      std::fputs(m > 0 ? ", <strong>" : " <strong>", salida);
      FunEscribirEscapado(mesas[m].mesa.c_str());
      std::fputs("</strong> (", salida);
      FunEscribirEscapado(mesas[m].ruta);
      std::fputs(")", salida);
    }
  }
  const std::vector<DiaInforme>& dias = informe.dias;
  char fecha[kTamTexto];
  if (!dias.empty()) {
    FunFormatearFechaSemana(dias.front().fecha, fecha);
    std::fprintf(salida, " &middot; %s", fecha);
    if (dias.size() > 1) {
      FunFormatearFechaSemana(dias.back().fecha, fecha);
      std::fprintf(salida, " a %s", fecha);
    }
    std::fprintf(salida, " (%lld d&iacute;a%s)",
                 static_cast<long long>(dias.size()),
                 dias.size() > 1 ? "s" : "");
  }
  char pedidos[kTamCifra];
  if (FunFormatearDiasPedidos(informe, pedidos))
    std::fprintf(salida, " &middot; d&iacute;as pedidos:%s", pedidos);
  std::fputs("</p>\n", salida);
}

}  // namespace

void FunImprimirHtml(const Informe& informe,
                     const std::vector<Informe>& mesas, std::FILE* destino) {
  salida = destino;
  const bool varias = !mesas.empty();
  std::fputs(
      "<!DOCTYPE html>\n<html lang=\"es\">\n<head>\n<meta charset="
      "\"utf-8\">\n<meta name=\"viewport\" content=\"width=device-width,"
      " initial-scale=1\">\n<title>Informe de atenci&oacute;n Quenvaro"
      " - ",
      salida);
  if (varias)
    std::fprintf(salida, "%lld mesas", static_cast<long long>(mesas.size()));
  else
    FunEscribirEscapado(informe.ruta);
  std::fputs("</title>\n", salida);
  std::fputs(kEstilo, salida);
  std::fputs("</head>\n<body>\n<h1>Informe de atenci&oacute;n Quenvaro</h1>\n",
             salida);
  FunEscribirOrigen(informe, mesas);
  if (informe.dias.empty()) {
    std::fputs("<p>Ning&uacute;n d&iacute;a con registros.</p>\n", salida);
  } else {
    FunEscribirGlosario(varias);
    FunEscribirDias(informe, varias);
    if (varias) FunEscribirMesas(informe, mesas);
    FunEscribirMeses(informe);
    FunEscribirSemana(informe);
    FunEscribirHoras(informe, varias);
  }
  if (!varias) FunEscribirNotas(informe, "");
  for (const Informe& mesa : mesas)
    FunEscribirNotas(mesa, FunEscapar(mesa.mesa.c_str()));
  std::fputs("</body>\n</html>\n", salida);
}
