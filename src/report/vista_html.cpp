#include "report/vista_html.h"

#include <algorithm>
#include <cstdio>
#include <vector>
#include <cstring>
#include <vector>

#include "report/vista_texto.h"

namespace {

// The page stays ASCII, accents as entities, so that it reads the same
// whatever charset a browser assumes; it loads nothing and runs no script.
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
    "@media print{@page{size:A4;margin:14mm}"
    "body{max-width:none;padding:0;font-size:10pt}table{font-size:8.5pt}"
    "th,td{padding:2px 4px}"
    "h2{break-after:avoid}figure,.horas{break-inside:avoid}"
    "tr{break-inside:avoid}}\n"
    "</style>\n";

// Colours of the charts' series.
const char kClaro[] = "#93b7e0";
const char kOscuro[] = "#1f5fa8";
const char kClaroEspera[] = "#f2b872";
const char kOscuroEspera[] = "#c2561a";

/* -------------------------------------------------------------- writing */

// Where FunImprimirHtml prints.
std::FILE* salida = stdout;

// How many bytes at `c` make one character, when *valido, or one U+FFFD:
// a byte that starts no UTF-8 character, alone, or a character's first
// bytes up to the one that breaks it, which then starts the next (as
// browsers decode). Overlong forms, surrogates and code points beyond
// U+10FFFF are no characters.
int FunLargoUtf8(const unsigned char* c, bool* valido) {
  const unsigned char u = c[0];
  int largo = 0;
  unsigned char bajo = 0x80, alto = 0xBF;  // the second byte's range
  if (u >= 0xC2 && u <= 0xDF) {
    largo = 2;
  } else if (u >= 0xE0 && u <= 0xEF) {
    largo = 3;
    if (u == 0xE0) bajo = 0xA0;
    if (u == 0xED) alto = 0x9F;
  } else if (u >= 0xF0 && u <= 0xF4) {
    largo = 4;
    if (u == 0xF0) bajo = 0x90;
    if (u == 0xF4) alto = 0x8F;
  }
  int bien = 1;  // a NUL ends the text, and is no continuation byte
  while (bien < largo && c[bien] >= bajo && c[bien] <= alto) {
    ++bien;
    bajo = 0x80;
    alto = 0xBF;
  }
  *valido = bien == largo;
  return bien;
}

// Text from outside the program (the log's name), HTML-escaped; control
// characters, which no page may hold, and bytes that are not UTF-8 (a
// file name is any bytes on POSIX) become U+FFFD, so the page is valid
// UTF-8 whatever the name.
void FunEscribirEscapado(const char* texto) {
  for (const char* c = texto; *c != '\0'; ++c) {
    const unsigned char u = static_cast<unsigned char>(*c);
    if (u >= 0x80) {
      bool valido;
      const int largo =
          FunLargoUtf8(reinterpret_cast<const unsigned char*>(c), &valido);
      if (valido)
        std::fwrite(c, 1, static_cast<std::size_t>(largo), salida);
      else
        std::fputs("&#xFFFD;", salida);
      c += largo - 1;
      continue;
    }
    switch (u) {
      case '&': std::fputs("&amp;", salida); break;
      case '<': std::fputs("&lt;", salida); break;
      case '>': std::fputs("&gt;", salida); break;
      case '"': std::fputs("&quot;", salida); break;
      case '\'': std::fputs("&#39;", salida); break;
      default:
        if (u < 0x20 || u == 0x7f)
          std::fputs("&#xFFFD;", salida);
        else
          std::fputc(u, salida);
    }
  }
}

void FunEscribirFecha(int fecha) {
  char texto[kTamCifra];
  FunFormatearFecha(fecha, texto);
  std::fputs(texto, salida);
}

/* --------------------------------------------------------------- charts */

// One group of bars: its label on the axis and one or two values.
struct Grupo {
  char etiqueta[kTamCifra];
  long long valores[2];
  bool hay;  // false: nothing to draw (a day without waits)
};

// What one chart shows.
struct Grafico {
  const char* titulo;
  int series;               // 1 or 2 bars per group
  const char* nombres[2];   // of the series, as the bars' titles say them
  const char* colores[2];
  bool esperas;             // values are waits in seconds, not counts
  double anchoEtiqueta;     // room a label of the axis needs
};

// Chart geometry in the SVG's own units; the page scales it to its width.
const double kAncho = 1000, kAlto = 250;
const double kIzquierda = 72, kDerecha = 10, kArriba = 14, kAbajo = 26;
const double kHuecoMaximo = 130;  // a group never wider than this
const double kAnchoMinimo = 360;  // a chart of few groups is this narrow

void FunFormatearValor(const Grafico& g, long long valor, char* texto) {
  if (g.esperas)
    FunFormatearEspera(valor, texto);
  else
    std::snprintf(texto, kTamCifra, "%lld", valor);
}

// A step of 1, 2 or 5 times a power of ten, at least `bruto`; waits of a
// minute or more step in whole minutes.
long long FunPasoRedondo(long long bruto, bool esperas) {
  if (esperas && bruto > 30)
    return 60 * FunPasoRedondo((bruto + 59) / 60, false);
  long long potencia = 1;
  for (;;) {
    for (long long m : {1, 2, 5})
      if (m * potencia >= bruto) return m * potencia;
    potencia *= 10;
  }
}

void FunDibujarGrafico(const Grafico& g, const std::vector<Grupo>& grupos) {
  long long mayor = 0;
  for (const Grupo& grupo : grupos)
    if (grupo.hay)
      for (int s = 0; s < g.series; ++s)
        mayor = std::max(mayor, grupo.valores[s]);
  const long long paso =
      FunPasoRedondo(std::max(1LL, (mayor + 3) / 4), g.esperas);
  const long long tope = std::max(paso, (mayor + paso - 1) / paso * paso);
  // Few groups make a narrower chart, which the page may set beside
  // another; many thin their bars.
  const double ancho = std::min(
      kAncho, std::max(kAnchoMinimo, kIzquierda + kDerecha +
                                         kHuecoMaximo * grupos.size()));
  const double anchoUtil = ancho - kIzquierda - kDerecha;
  const double altoUtil = kAlto - kArriba - kAbajo;
  const double hueco =
      std::min(kHuecoMaximo, anchoUtil / static_cast<double>(grupos.size()));
  const double barra = hueco * 0.8 / g.series;
  // Many groups: only every cada-th label, so that none overlaps.
  const std::size_t cada =
      static_cast<std::size_t>(g.anchoEtiqueta / hueco) + 1;

  if (ancho < kAncho)
    std::fprintf(salida, "<figure style=\"flex:0 1 %.0fpx\">\n", ancho);
  else
    std::fputs("<figure>\n", salida);
  std::fprintf(salida, "<figcaption>%s", g.titulo);
  if (g.series > 1) {
    std::fputs("<span class=\"leyenda\">", salida);
    for (int s = 0; s < g.series; ++s)
      std::fprintf(salida,
                   "<span class=\"muestra\" style=\"background:%s\"></span>%s",
                   g.colores[s], g.nombres[s]);
    std::fputs("</span>", salida);
  }
  // No role="img": that would hide the bars' own titles from a screen
  // reader.
  std::fprintf(salida,
               "</figcaption>\n<svg viewBox=\"0 0 %.0f %.0f\"><title>%s"
               "</title>\n",
               ancho, kAlto, g.titulo);
  char texto[kTamCifra];
  for (long long v = 0; v <= tope; v += paso) {
    const double y = kArriba + altoUtil * (1 - static_cast<double>(v) / tope);
    // The axis counts waits in whole minutes, or seconds when short.
    if (g.esperas)
      std::snprintf(texto, kTamCifra, paso % 60 == 0 ? "%lldm" : "%llds",
                    paso % 60 == 0 ? v / 60 : v);
    else
      FunFormatearValor(g, v, texto);
    std::fprintf(salida,
                 "<line class=\"eje\" x1=\"%.0f\" y1=\"%.1f\" x2=\"%.0f\" "
                 "y2=\"%.1f\"/><text x=\"%.0f\" y=\"%.1f\" text-anchor=\"end\">"
                 "%s</text>\n",
                 kIzquierda, y, ancho - kDerecha, y, kIzquierda - 6, y + 4,
                 texto);
  }
  for (std::size_t i = 0; i < grupos.size(); ++i) {
    const Grupo& grupo = grupos[i];
    const double x = kIzquierda + hueco * static_cast<double>(i);
    if (i % cada == 0)
      std::fprintf(salida,
                   "<text x=\"%.1f\" y=\"%.0f\" text-anchor=\"middle\">%s"
                   "</text>\n",
                   x + hueco / 2, kAlto - 8, grupo.etiqueta);
    if (!grupo.hay) continue;
    for (int s = 0; s < g.series; ++s) {
      const double alto =
          altoUtil * static_cast<double>(grupo.valores[s]) / tope;
      const double bx = x + hueco * 0.1 + barra * s;
      FunFormatearValor(g, grupo.valores[s], texto);
      // Every bar says its figure, for a screen reader, a search or a copy.
      std::fprintf(salida,
                   "<rect x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\" "
                   "fill=\"%s\"><title>%s: %s %s</title></rect>\n",
                   bx, kArriba + altoUtil - alto, barra, alto, g.colores[s],
                   grupo.etiqueta, g.nombres[s], texto);
      // Wide enough bars also show it.
      if (std::strlen(texto) * 6.2 <= barra)
        std::fprintf(salida,
                     "<text class=\"cifra\" x=\"%.2f\" y=\"%.2f\" "
                     "text-anchor=\"middle\">%s</text>\n",
                     bx + barra / 2, kArriba + altoUtil - alto - 3, texto);
    }
  }
  std::fputs("</svg>\n</figure>\n", salida);
}

void FunDibujarDias(const Informe& informe) {
  std::fputs("<div class=\"graficos\">\n", salida);
  std::vector<Grupo> grupos(informe.dias.size());
  for (std::size_t i = 0; i < grupos.size(); ++i) {
    const DiaInforme& d = informe.dias[i];
    FunFormatearFecha(d.fecha, grupos[i].etiqueta);
    grupos[i].valores[0] = d.sesiones;
    grupos[i].valores[1] = d.atendidos;
    grupos[i].hay = true;
  }
  FunDibujarGrafico(Grafico{"Registrados y atendidos por d&iacute;a", 2,
                            {"registrados", "atendidos"}, {kClaro, kOscuro},
                            false, 78},
                    grupos);
  for (std::size_t i = 0; i < grupos.size(); ++i) {
    const DiaInforme& d = informe.dias[i];
    grupos[i].valores[0] = d.mediana;
    grupos[i].valores[1] = d.p90;
    grupos[i].hay = d.esperas > 0;
  }
  FunDibujarGrafico(Grafico{"Espera por d&iacute;a: mediana y P90", 2,
                            {"mediana", "P90"}, {kOscuroEspera, kClaroEspera},
                            true, 78},
                    grupos);
  std::fputs("</div>\n", salida);
}

/* --------------------------------------------------------------- tables */

// The day table: the text report's rows and cells, its figures as it
// writes them.
void FunEscribirTablaDias(const Informe& informe) {
  std::fputs(
      "<table class=\"dias\">\n<thead><tr><th>Fecha</th><th>Sesiones"
      "</th><th>Atendidos</th><th>Mediana</th><th>P90</th><th>"
      "M&aacute;xima</th><th>SinReg</th><th>Pend.</th><th>Cierres</th>"
      "</tr></thead>\n<tbody>\n",
      salida);
  char mediana[kTamCifra], p90[kTamCifra], maxima[kTamCifra];
  for (const DiaInforme& d : informe.dias) {
    std::strcpy(mediana, "-");
    std::strcpy(p90, "-");
    std::strcpy(maxima, "-");
    if (d.esperas > 0) {
      FunFormatearEspera(d.mediana, mediana);
      FunFormatearEspera(d.p90, p90);
      FunFormatearEspera(d.maxima, maxima);
    }
    std::fputs("<tr><td>", salida);
    FunEscribirFecha(d.fecha);
    std::fprintf(salida,
                 "</td><td>%lld</td><td>%lld</td><td>%s</td><td>%s</td><td>%s"
                 "</td><td>%lld</td><td>%lld</td><td>%lld</td></tr>\n",
                 d.sesiones, d.atendidos, mediana, p90, maxima, d.sinRegistro,
                 d.pendientes, d.cierres);
  }
  const DiaInforme& t = informe.total;
  std::strcpy(mediana, "-");
  std::strcpy(p90, "-");
  std::strcpy(maxima, "-");
  if (t.esperas > 0) {
    FunFormatearEspera(t.mediana, mediana);
    FunFormatearEspera(t.p90, p90);
    FunFormatearEspera(t.maxima, maxima);
  }
  std::fprintf(salida,
               "</tbody>\n<tfoot><tr><td>TOTAL</td><td>%lld</td><td>%lld</td>"
               "<td>%s</td><td>%s</td><td>%s</td><td>%lld</td><td>%lld</td><td>"
               "%lld</td></tr></tfoot>\n</table>\n",
               t.sesiones, t.atendidos, mediana, p90, maxima, t.sinRegistro,
               t.pendientes, t.cierres);
  std::fprintf(
      salida,
      "<p class=\"notas\">%lld d&iacute;as. Mediana, P90 y M&aacute;xima: "
      "espera (minutos y segundos) de los atendidos cuyo registro est&aacute; "
      "en la bit&aacute;cora; P90: 9 de cada 10 esperaron eso o menos. "
      "SinReg: atendidos sin registro (turnos restaurados de un respaldo). "
      "Pend.: registrados que nadie ha atendido.</p>\n",
      static_cast<long long>(informe.dias.size()));
}

// The registrations per hour: their chart, then the figures in four
// columns of six hours.
void FunEscribirHoras(const Informe& informe) {
  std::fputs("<h2>Registros por hora del d&iacute;a</h2>\n", salida);
  std::vector<Grupo> grupos(24);
  for (int hora = 0; hora < 24; ++hora) {
    std::snprintf(grupos[hora].etiqueta, kTamCifra, "%02d", hora);
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

}  // namespace

void FunImprimirHtml(const Informe& informe,
                     const std::vector<Informe>& /*mesas*/, std::FILE* destino) {
  salida = destino;
  std::fputs(
      "<!DOCTYPE html>\n<html lang=\"es\">\n<head>\n<meta charset="
      "\"utf-8\">\n<meta name=\"viewport\" content=\"width=device-width,"
      " initial-scale=1\">\n<title>Informe de atenci&oacute;n Quenvaro"
      " - ",
      salida);
  FunEscribirEscapado(informe.ruta);
  std::fputs("</title>\n", salida);
  std::fputs(kEstilo, salida);
  std::fputs(
      "</head>\n<body>\n<h1>Informe de atenci&oacute;n Quenvaro</h1>\n"
      "<p class=\"origen\">Bit&aacute;cora: <strong>",
      salida);
  FunEscribirEscapado(informe.ruta);
  std::fputs("</strong>", salida);
  const std::vector<DiaInforme>& dias = informe.dias;
  if (!dias.empty()) {
    std::fputs(" &middot; ", salida);
    FunEscribirFecha(dias.front().fecha);
    if (dias.size() > 1) {
      std::fputs(" a ", salida);
      FunEscribirFecha(dias.back().fecha);
    }
    std::fprintf(salida, " (%lld d&iacute;a%s)",
                 static_cast<long long>(dias.size()),
                 dias.size() > 1 ? "s" : "");
  }
  char pedidos[kTamCifra];
  if (FunFormatearDiasPedidos(informe, pedidos))
    std::fprintf(salida, " &middot; d&iacute;as pedidos:%s", pedidos);
  std::fputs("</p>\n", salida);
  if (dias.empty()) {
    std::fputs("<p>Ning&uacute;n d&iacute;a con registros.</p>\n", salida);
  } else {
    std::fputs("<h2>D&iacute;a por d&iacute;a</h2>\n", salida);
    FunDibujarDias(informe);
    FunEscribirTablaDias(informe);
    FunEscribirHoras(informe);
  }
  if (informe.lineasNoReconocidas > 0)
    std::fprintf(salida,
                 "<p class=\"notas\">L&iacute;neas no reconocidas (ignoradas): "
                 "%lld</p>\n",
                 informe.lineasNoReconocidas);
  if (informe.ultimaLineaIncompleta)
    std::fputs(
        "<p class=\"notas\">La &uacute;ltima l&iacute;nea est&aacute; "
        "incompleta (se estaba escribiendo): ignorada.</p>\n",
        salida);
  std::fputs("</body>\n</html>\n", salida);
}
