// UTF-8 by itself, the same on every system: where a character begins and
// ends, so that text is cut, and blocks are split, only between characters.
#include "platform/texto.h"

#include <cctype>

namespace {

bool FunEsContinuacion(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length a lead byte announces (2 to 4), or 0 for any other byte; C0,
// C1 and F5 to FF never begin a character.
std::size_t FunLargoAnunciado(unsigned char byte) {
  if (byte >= 0xC2 && byte <= 0xDF) return 2;
  if (byte >= 0xE0 && byte <= 0xEF) return 3;
  if (byte >= 0xF0 && byte <= 0xF4) return 4;
  return 0;
}

}  // namespace

std::size_t FunLargoCaracterUtf8(const char* texto, std::size_t largo) {
  if (largo == 0) return 0;
  const unsigned char* b = reinterpret_cast<const unsigned char*>(texto);
  const std::size_t n = FunLargoAnunciado(b[0]);
  if (n == 0 || n > largo) return 0;
  for (std::size_t i = 1; i < n; ++i)
    if (!FunEsContinuacion(b[i])) return 0;
  // The second byte's range rules out overlong forms, surrogates and codes
  // beyond U+10FFFF.
  if (b[0] == 0xE0 && b[1] < 0xA0) return 0;
  if (b[0] == 0xED && b[1] > 0x9F) return 0;
  if (b[0] == 0xF0 && b[1] < 0x90) return 0;
  if (b[0] == 0xF4 && b[1] > 0x8F) return 0;
  return n;
}

std::size_t FunCortarEnCaracter(const char* texto, std::size_t largo,
                                std::size_t limite) {
  if (limite >= largo) return largo;
  // A whole character that begins up to three bytes before the limit and
  // ends beyond it is left out entirely.
  for (std::size_t atras = 1; atras <= 3 && atras <= limite; ++atras) {
    const std::size_t inicio = limite - atras;
    const std::size_t n = FunLargoCaracterUtf8(texto + inicio, largo - inicio);
    if (n > atras) return inicio;
    if (!FunEsContinuacion(static_cast<unsigned char>(texto[inicio]))) break;
  }
  return limite;
}

std::size_t FunSinCaracterAbierto(const char* bloque, std::size_t n) {
  const unsigned char* b = reinterpret_cast<const unsigned char*>(bloque);
  for (std::size_t atras = 1; atras <= 3 && atras <= n; ++atras) {
    const unsigned char byte = b[n - atras];
    if (FunEsContinuacion(byte)) continue;
    // A lead byte with fewer continuation bytes after it than it announces.
    return FunLargoAnunciado(byte) > atras ? n - atras : n;
  }
  return n;
}

bool FunIgualesSinCaso(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}
