#include "report/html_texto.h"

#include "report/modelo.h"

std::FILE* salidaHtml = stdout;

namespace {

std::FILE*& salida = salidaHtml;

const char* const kDias[7] = {"lunes",          "martes", "mi&eacute;rcoles",
                              "jueves",         "viernes", "s&aacute;bado",
                              "domingo"};
const char* const kDiasCortos[7] = {"lun", "mar", "mi&eacute;", "jue",
                                    "vie", "s&aacute;b", "dom"};
const char* const kMeses[12] = {"enero", "febrero", "marzo", "abril",
                                "mayo", "junio", "julio", "agosto",
                                "septiembre", "octubre", "noviembre",
                                "diciembre"};

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

}  // namespace

std::string FunEscapar(const char* texto) {
  std::string escrito;
  for (const char* c = texto; *c != '\0'; ++c) {
    const unsigned char u = static_cast<unsigned char>(*c);
    if (u >= 0x80) {
      bool valido;
      const int largo =
          FunLargoUtf8(reinterpret_cast<const unsigned char*>(c), &valido);
      if (valido)
        escrito.append(c, static_cast<std::size_t>(largo));
      else
        escrito += "&#xFFFD;";
      c += largo - 1;
      continue;
    }
    switch (u) {
      case '&': escrito += "&amp;"; break;
      case '<': escrito += "&lt;"; break;
      case '>': escrito += "&gt;"; break;
      case '"': escrito += "&quot;"; break;
      case '\'': escrito += "&#39;"; break;
      default:
        if (u < 0x20 || u == 0x7f)
          escrito += "&#xFFFD;";
        else
          escrito += static_cast<char>(u);
    }
  }
  return escrito;
}

void FunEscribirEscapado(const char* texto) {
  std::fputs(FunEscapar(texto).c_str(), salida);
}

void FunFormatearEsperaHablada(long long segundos, char* texto) {
  const long long h = segundos / 3600, min = segundos / 60 % 60,
                  s = segundos % 60;
  // Past an hour the seconds say nothing a person would act on.
  if (h > 0 && min > 0)
    std::snprintf(texto, kTamTexto, "%lld h %lld min", h, min);
  else if (h > 0)
    std::snprintf(texto, kTamTexto, "%lld h", h);
  else if (min > 0 && s > 0)
    std::snprintf(texto, kTamTexto, "%lld min %lld s", min, s);
  else if (min > 0)
    std::snprintf(texto, kTamTexto, "%lld min", min);
  else
    std::snprintf(texto, kTamTexto, "%lld s", s);
}

void FunFormatearFechaSemana(int fecha, char* texto) {
  std::snprintf(texto, kTamTexto, "%s %02d/%02d/%04d",
                kDiasCortos[FunDiaDeLaSemana(fecha)], fecha % 100,
                fecha / 100 % 100, fecha / 10000);
}

void FunFormatearMes(int mes, char* texto) {
  const int m = mes / 100 % 100;
  std::snprintf(texto, kTamTexto, "%s %04d",
                m >= 1 && m <= 12 ? kMeses[m - 1] : "?", mes / 10000);
}

const char* FunNombreDia(int dia) { return kDias[dia]; }
