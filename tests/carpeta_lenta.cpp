// Preloaded into quenvaro-pantalla by a test (Linux): a folder on a PC that
// stopped answering. While a file named "detenida" stands in a folder, every
// open of a file in it waits; once it is gone, the open goes on.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <string>

namespace {

using Abrir = int (*)(const char*, int, ...);

int Esperar(const char* nombre, const char* real, int banderas, va_list resto) {
  const std::string ruta = nombre;
  const std::size_t barra = ruta.rfind('/');
  const std::string marca =
      (barra == std::string::npos ? std::string(".") : ruta.substr(0, barra)) +
      "/detenida";
  while (access(marca.c_str(), F_OK) == 0) usleep(20000);
  const Abrir abrir = reinterpret_cast<Abrir>(dlsym(RTLD_NEXT, real));
  const int modo = (banderas & O_CREAT) != 0 ? va_arg(resto, int) : 0;
  return abrir(nombre, banderas, modo);
}

}  // namespace

extern "C" int open(const char* nombre, int banderas, ...) {
  va_list resto;
  va_start(resto, banderas);
  const int descriptor = Esperar(nombre, "open", banderas, resto);
  va_end(resto);
  return descriptor;
}

extern "C" int open64(const char* nombre, int banderas, ...) {
  va_list resto;
  va_start(resto, banderas);
  const int descriptor = Esperar(nombre, "open64", banderas, resto);
  va_end(resto);
  return descriptor;
}
