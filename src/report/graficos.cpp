#include "report/graficos.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

const char kClaro[] = "#93b7e0";
const char kOscuro[] = "#1f5fa8";
const char kClaroEspera[] = "#f2b872";
const char kOscuroEspera[] = "#c2561a";

namespace {

std::FILE*& salida = salidaHtml;

// Chart geometry in the SVG's own units; the page scales it to its width.
const double kAncho = 1000, kAlto = 250;
const double kIzquierda = 72, kDerecha = 10, kArriba = 14, kAbajo = 26;
const double kHuecoMaximo = 130;  // a group never wider than this
const double kAnchoMinimo = 360;  // a chart of few groups is this narrow

void FunFormatearValor(const Grafico& g, long long valor, char* texto) {
  if (g.esperas)
    FunFormatearEsperaHablada(valor, texto);
  else
    std::snprintf(texto, kTamTexto, "%lld", valor);
}

// The axis counts waits in whole minutes, or seconds when short.
void FunFormatearEje(const Grafico& g, long long paso, long long v,
                     char* texto) {
  if (g.esperas)
    std::snprintf(texto, kTamTexto, paso % 60 == 0 ? "%lld min" : "%lld s",
                  paso % 60 == 0 ? v / 60 : v);
  else
    FunFormatearValor(g, v, texto);
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

// The step of an axis up to `mayor` in about four steps, and its top.
long long FunPasoDe(long long mayor, bool esperas, long long* tope) {
  const long long paso =
      FunPasoRedondo(std::max(1LL, (mayor + 3) / 4), esperas);
  *tope = std::max(paso, (mayor + paso - 1) / paso * paso);
  return paso;
}

// The caption of a chart: its title and, for two series, their legend.
void FunEscribirLeyenda(const Grafico& g) {
  std::fprintf(salida, "<figcaption>%s", g.titulo);
  if (g.series > 1) {
    std::fputs("<span class=\"leyenda\">", salida);
    for (int s = 0; s < g.series; ++s)
      std::fprintf(salida,
                   "<span class=\"muestra\" style=\"background:%s\"></span>%s",
                   g.colores[s], g.nombres[s]);
    std::fputs("</span>", salida);
  }
  std::fputs("</figcaption>\n", salida);
}

// The axis step and *tope for the largest value of `grupos`.
long long FunPasoDeGrupos(const Grafico& g, const std::vector<Grupo>& grupos,
                          long long* tope) {
  long long mayor = 0;
  for (const Grupo& grupo : grupos)
    if (grupo.hay)
      for (int s = 0; s < g.series; ++s)
        mayor = std::max(mayor, grupo.valores[s]);
  return FunPasoDe(mayor, g.esperas, tope);
}

}  // namespace

void FunDibujarGrafico(const Grafico& g, const std::vector<Grupo>& grupos) {
  long long tope;
  const long long paso = FunPasoDeGrupos(g, grupos, &tope);
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
  FunEscribirLeyenda(g);
  // No role="img": that would hide the bars' own titles from a screen
  // reader.
  std::fprintf(salida,
               "<svg viewBox=\"0 0 %.0f %.0f\"><title>%s"
               "</title>\n",
               ancho, kAlto, g.titulo);
  char texto[kTamTexto];
  for (long long v = 0; v <= tope; v += paso) {
    const double y = kArriba + altoUtil * (1 - static_cast<double>(v) / tope);
    FunFormatearEje(g, paso, v, texto);
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
                   grupo.nombre, g.nombres[s], texto);
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

void FunDibujarFilas(const Grafico& g, const std::vector<Grupo>& grupos) {
  const double kFila = g.series > 1 ? 24 : 18, kPie = 22;
  long long tope;
  const long long paso = FunPasoDeGrupos(g, grupos, &tope);
  const double izquierda = g.anchoEtiqueta + 10;
  const double util = kAncho - izquierda - 70;  // room for a bar's figure
  const double alto = kArriba + kFila * static_cast<double>(grupos.size()) + kPie;
  std::fputs("<figure>\n", salida);
  FunEscribirLeyenda(g);
  std::fprintf(salida,
               "<svg viewBox=\"0 0 %.0f %.0f\"><title>%s</title>\n", kAncho,
               alto, g.titulo);
  char texto[kTamTexto];
  const double fondo = alto - kPie;
  for (long long v = 0; v <= tope; v += paso) {
    const double x = izquierda + util * static_cast<double>(v) / tope;
    FunFormatearEje(g, paso, v, texto);
    std::fprintf(salida,
                 "<line class=\"eje\" x1=\"%.1f\" y1=\"%.0f\" x2=\"%.1f\" "
                 "y2=\"%.0f\"/><text x=\"%.1f\" y=\"%.0f\" "
                 "text-anchor=\"middle\">%s</text>\n",
                 x, kArriba, x, fondo, x, alto - 6, texto);
  }
  const double barra = (kFila - 6) / g.series;
  for (std::size_t i = 0; i < grupos.size(); ++i) {
    const Grupo& grupo = grupos[i];
    const double y = kArriba + kFila * static_cast<double>(i);
    std::fprintf(salida,
                 "<text x=\"%.0f\" y=\"%.1f\" text-anchor=\"end\">%s</text>\n",
                 izquierda - 8, y + kFila / 2 + 4, grupo.etiqueta);
    if (!grupo.hay) continue;
    for (int s = 0; s < g.series; ++s) {
      const double largo =
          util * static_cast<double>(grupo.valores[s]) / tope;
      const double by = y + 3 + barra * s;
      FunFormatearValor(g, grupo.valores[s], texto);
      std::fprintf(salida,
                   "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.2f\" height=\"%.1f\" "
                   "fill=\"%s\"><title>%s: %s %s</title></rect>\n"
                   "<text class=\"cifra\" x=\"%.1f\" y=\"%.1f\">%s</text>\n",
                   izquierda, by, largo, barra, g.colores[s], grupo.nombre,
                   g.nombres[s], texto, izquierda + largo + 4,
                   by + barra / 2 + 3.5, texto);
    }
  }
  std::fputs("</svg>\n</figure>\n", salida);
}

void FunDibujarBandas(const char* titulo, const std::vector<std::string>& nombres,
                      const std::vector<std::vector<long long>>& valores,
                      const std::vector<Grupo>& fechas) {
  const double kBanda = 26, kPie = 22;
  std::size_t largo = 4;
  for (const std::string& nombre : nombres)
    largo = std::max(largo, nombre.size());
  const double izquierda = std::min(260.0, 7.0 * static_cast<double>(largo)) + 10;
  const double util = kAncho - izquierda - kDerecha;
  const double alto = kArriba + kBanda * static_cast<double>(nombres.size()) + kPie;
  long long mayor = 1;
  for (const std::vector<long long>& fila : valores)
    for (long long v : fila) mayor = std::max(mayor, v);
  const double hueco = util / static_cast<double>(std::max<std::size_t>(1, fechas.size()));
  const std::size_t cada = static_cast<std::size_t>(48 / hueco) + 1;
  std::fprintf(salida,
               "<figure>\n<figcaption>%s<span class=\"leyenda\">Cada banda, "
               "una mesa; la barra m&aacute;s alta, %lld.</span></figcaption>\n"
               "<svg viewBox=\"0 0 %.0f %.0f\"><title>%s</title>\n",
               titulo, mayor, kAncho, alto, titulo);
  for (std::size_t m = 0; m < nombres.size(); ++m) {
    const double y = kArriba + kBanda * static_cast<double>(m);
    std::fprintf(salida,
                 "<text x=\"%.0f\" y=\"%.1f\" text-anchor=\"end\">%s</text>\n"
                 "<line class=\"eje\" x1=\"%.0f\" y1=\"%.1f\" x2=\"%.0f\" "
                 "y2=\"%.1f\"/>\n",
                 izquierda - 8, y + kBanda - 8, nombres[m].c_str(), izquierda,
                 y + kBanda - 2, kAncho - kDerecha, y + kBanda - 2);
    for (std::size_t d = 0; d < fechas.size(); ++d) {
      const long long v = valores[m][d];
      if (v <= 0) continue;
      const double h = (kBanda - 6) * static_cast<double>(v) / mayor;
      std::fprintf(salida,
                   "<rect x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\" "
                   "fill=\"%s\"><title>%s, %s: %lld</title></rect>\n",
                   izquierda + hueco * static_cast<double>(d) + hueco * 0.1,
                   y + kBanda - 2 - h, hueco * 0.8, h, kOscuro,
                   nombres[m].c_str(), fechas[d].nombre, v);
    }
  }
  // A label never runs past the chart's right edge.
  for (std::size_t d = 0; d < fechas.size(); d += cada)
    if (izquierda + hueco * (static_cast<double>(d) + 0.5) + 24 <= kAncho)
      std::fprintf(salida,
                   "<text x=\"%.1f\" y=\"%.0f\" text-anchor=\"middle\">%s"
                   "</text>\n",
                   izquierda + hueco * (static_cast<double>(d) + 0.5), alto - 6,
                   fechas[d].etiqueta);
  std::fputs("</svg>\n</figure>\n", salida);
}
