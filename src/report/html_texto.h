// quenvaro-informe --html: how the page writes text, dates and waits. The
// page stays ASCII, accents as entities, so that it reads the same
// whatever charset a browser assumes.
#ifndef QUENVARO_REPORT_HTML_TEXTO_H_
#define QUENVARO_REPORT_HTML_TEXTO_H_

#include <cstddef>
#include <cstdio>
#include <string>

// Where every part of the page prints; set by FunImprimirHtml.
extern std::FILE* salidaHtml;

// Size of a buffer for the formatting below.
const std::size_t kTamTexto = 64;

// Text from outside the program (a log's or a desk's name) HTML-escaped,
// as valid UTF-8 whatever its bytes: control characters, which no page may
// hold, and bytes that are not UTF-8 (a POSIX file name is any bytes)
// become U+FFFD.
std::string FunEscapar(const char* texto);

// Writes FunEscapar(texto).
void FunEscribirEscapado(const char* texto);

// Writes a wait as people say it ("45 s", "7 min 40 s", "28 h 25 min")
// into `texto` (kTamTexto bytes).
void FunFormatearEsperaHablada(long long segundos, char* texto);

// Writes a YYYYMMDD date with its weekday, "lun 26/10/2026", into `texto`
// (kTamTexto bytes; accents as entities).
void FunFormatearFechaSemana(int fecha, char* texto);

// Writes a YYYYMM00 month as "octubre 2026" into `texto` (kTamTexto bytes).
void FunFormatearMes(int mes, char* texto);

// The name of weekday 0 (Monday) to 6, "lunes", accents as entities.
const char* FunNombreDia(int dia);

#endif  // QUENVARO_REPORT_HTML_TEXTO_H_
