// quenvaro-informe --html: the page's charts, drawn as inline SVG that
// scales to the page's width and prints as drawn.
#ifndef QUENVARO_REPORT_GRAFICOS_H_
#define QUENVARO_REPORT_GRAFICOS_H_

#include <string>
#include <vector>

#include "report/html_texto.h"

// One group of bars: its label on the axis, its name in the bars' titles
// and one or two values.
struct Grupo {
  char etiqueta[kTamTexto];
  char nombre[kTamTexto];
  long long valores[2];
  bool hay;  // false: nothing to draw (a day without waits)
};

// What one chart shows.
struct Grafico {
  const char* titulo;
  int series;              // 1 or 2 bars per group
  const char* nombres[2];  // of the series, as the bars' titles say them
  const char* colores[2];
  bool esperas;            // values are waits in seconds, not counts
  double anchoEtiqueta;    // room a label of the axis needs
};

// Colours of the charts' series.
extern const char kClaro[], kOscuro[], kClaroEspera[], kOscuroEspera[];

// Vertical bars, one group per label, left to right.
void FunDibujarGrafico(const Grafico& grafico, const std::vector<Grupo>& grupos);

// Horizontal bars, one group per row (a desk), its label at the left in
// full: as many rows as groups, whatever their names' length.
void FunDibujarFilas(const Grafico& grafico, const std::vector<Grupo>& grupos);

// One band per desk (its name in `nombres`, HTML-escaped), a bar per day
// of `valores[desk][day]`, all on one scale: many desks over many days in
// one chart. `fechas` labels some of the days.
void FunDibujarBandas(const char* titulo, const std::vector<std::string>& nombres,
                      const std::vector<std::vector<long long>>& valores,
                      const std::vector<Grupo>& fechas);

#endif  // QUENVARO_REPORT_GRAFICOS_H_
