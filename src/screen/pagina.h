// The page served at "/", and the clips of its own voice served under
// /voz/: the bytes of src/screen/pagina/ (put together into one document)
// and of src/screen/voz/*.wav, put into the program when it is built, so
// that it needs no file beside it.
#ifndef QUENVARO_SCREEN_PAGINA_H_
#define QUENVARO_SCREEN_PAGINA_H_

#include <cstddef>

extern const unsigned char kPagina[];   // followed by a NUL of its own
extern const std::size_t kLargoPagina;  // without that NUL

// One spoken word, a WAV file, served as /voz/<palabra>.wav.
struct ClipVoz {
  const char* palabra;  // ASCII, without accents: "dieciseis"
  const unsigned char* bytes;
  std::size_t largo;
};
extern const ClipVoz kClipsVoz[];
extern const std::size_t kNumClipsVoz;

#endif  // QUENVARO_SCREEN_PAGINA_H_
