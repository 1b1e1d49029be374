// The page served at "/": the bytes of src/screen/pagina.html, put into the
// program when it is built, so that it needs no file beside it.
#ifndef QUENVARO_SCREEN_PAGINA_H_
#define QUENVARO_SCREEN_PAGINA_H_

#include <cstddef>

extern const unsigned char kPagina[];   // followed by a NUL of its own
extern const std::size_t kLargoPagina;  // without that NUL

#endif  // QUENVARO_SCREEN_PAGINA_H_
