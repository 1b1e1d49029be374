#include "report/lectura.h"

#include <cstring>

namespace {

// The log is read in blocks straight into this buffer and scanned in place.
const std::size_t kTamBloque = 256 * 1024;
char bloque[kTamBloque];

// A line longer than the block is kept as its two ends, which read as
// the whole line would (see kCabezaRegistro).
const std::size_t kCabeza = kCabezaRegistro;
const std::size_t kCola = kColaRegistro;
char lineaAcortada[kCabeza + kCola];

// One line without its "\n". A last line cut short (the console may be
// appending) counts only if it is already a whole record; otherwise it is
// the record being written, not a foreign line.
void FunLeerLinea(const char* linea, std::size_t largo, bool completa,
                  void (*contar)(const RegistroLeido&),
                  LecturaBitacora* lectura) {
  if (largo > 0 && linea[largo - 1] == '\r') --largo;
  RegistroLeido registro;
  if (FunInterpretarRegistro(linea, largo, &registro) != kNoReconocido)
    contar(registro);
  else if (completa)
    ++lectura->lineasNoReconocidas;
  else
    lectura->ultimaLineaIncompleta = true;
}

// `cola` holds the kCola bytes before the end of an over-long line.
void FunLeerLineaLarga(const char* cola, bool completa,
                       void (*contar)(const RegistroLeido&),
                       LecturaBitacora* lectura) {
  std::memcpy(lineaAcortada + kCabeza, cola, kCola);
  FunLeerLinea(lineaAcortada, sizeof lineaAcortada, completa, contar, lectura);
}

}  // namespace

bool FunRecorrerBitacora(std::FILE* archivo, unsigned long long limite,
                         void (*contar)(const RegistroLeido&),
                         LecturaBitacora* lectura, unsigned long long* leidos) {
  *lectura = LecturaBitacora{0, false};
  std::size_t lleno = 0;    // bytes held at the start of bloque
  bool lineaLarga = false;  // the line in progress outgrew the block
  unsigned long long total = 0;
  for (;;) {
    std::size_t pedir = kTamBloque - lleno;
    if (limite - total < pedir)
      pedir = static_cast<std::size_t>(limite - total);
    const std::size_t n =
        pedir > 0 ? std::fread(bloque + lleno, 1, pedir, archivo) : 0;
    if (n == 0) {
      if (pedir > 0 && std::ferror(archivo)) return false;
      break;
    }
    total += n;
    const char* const fin = bloque + lleno + n;
    const char* linea = bloque;
    // What was held has no line end: search only the new bytes.
    const char* busca = bloque + lleno;
    lleno += n;
    const void* salto;
    while ((salto = std::memchr(busca, '\n',
                                static_cast<std::size_t>(fin - busca))) !=
           nullptr) {
      const char* finLinea = static_cast<const char*>(salto);
      if (lineaLarga) {
        // The block starts with the line's last kCola bytes held over.
        FunLeerLineaLarga(finLinea - kCola, true, contar, lectura);
        lineaLarga = false;
      } else {
        FunLeerLinea(linea, static_cast<std::size_t>(finLinea - linea), true,
                     contar, lectura);
      }
      linea = busca = finLinea + 1;
    }
    if (!lineaLarga && linea == bloque && lleno == kTamBloque) {
      std::memcpy(lineaAcortada, bloque, kCabeza);
      lineaLarga = true;
    }
    if (lineaLarga) {
      std::memmove(bloque, fin - kCola, kCola);
      lleno = kCola;
    } else if (linea != bloque) {
      lleno = static_cast<std::size_t>(fin - linea);
      std::memmove(bloque, linea, lleno);
    }
  }
  if (lineaLarga)
    FunLeerLineaLarga(bloque + lleno - kCola, false, contar, lectura);
  else if (lleno > 0)
    FunLeerLinea(bloque, lleno, false, contar, lectura);
  *leidos = total;
  return true;
}
