// POSIX desktop: a terminal outlives the programs it runs, so nothing is
// kept open; files and addresses go to xdg-open, and the kiosk to a
// browser found on PATH, each started without a shell.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/ventana.h"

extern char** environ;

void FunEsperarTeclaSiVentanaPropia() {}

namespace {

// Starts `argumentos[0]`, found on PATH, with `argumentos`, and does not wait
// for it. False when it could not be started.
bool FunIniciarSinEsperar(char* const argumentos[]) {
  // The program may run the browser itself and wait for it, so it is not
  // waited for: a short-lived child starts it and ends at once, which
  // leaves no zombie behind in a server that runs for days, and its status
  // says whether the program could be started at all.
  const pid_t intermedio = fork();
  if (intermedio < 0) return false;
  if (intermedio == 0) {
    // The browser must hold none of this program's descriptors (a listening
    // socket would keep the port taken after the screen ends), must not
    // write into its output, and must not die with it on Ctrl+C.
    const int nulo = open("/dev/null", O_RDWR);
    if (nulo < 0) _exit(1);
    for (int d = 0; d < 3; ++d)
      if (dup2(nulo, d) < 0) _exit(1);
    const long tope = sysconf(_SC_OPEN_MAX);
    for (long d = 3; d < (tope > 0 && tope < 65536 ? tope : 65536); ++d)
      close(static_cast<int>(d));
    posix_spawnattr_t atributos;
    if (posix_spawnattr_init(&atributos) != 0 ||
        posix_spawnattr_setflags(&atributos, POSIX_SPAWN_SETPGROUP) != 0 ||
        posix_spawnattr_setpgroup(&atributos, 0) != 0)
      _exit(1);
    pid_t nieto;
    _exit(posix_spawnp(&nieto, argumentos[0], nullptr, &atributos,
                       argumentos, environ) == 0
              ? 0
              : 1);
  }
  int estado = 0;
  while (waitpid(intermedio, &estado, 0) < 0)
    if (errno != EINTR) return false;
  return WIFEXITED(estado) && WEXITSTATUS(estado) == 0;
}

// True when an executable file `nombre` is in one of PATH's folders.
bool FunEnPath(const std::string& nombre) {
  const char* path = std::getenv("PATH");
  std::string carpetas = path != nullptr ? path : "";
  for (std::size_t inicio = 0; inicio <= carpetas.size();) {
    std::size_t fin = carpetas.find(':', inicio);
    if (fin == std::string::npos) fin = carpetas.size();
    const std::string carpeta = carpetas.substr(inicio, fin - inicio);
    const std::string ruta = (carpeta.empty() ? "." : carpeta) + "/" + nombre;
    struct stat datos;
    if (stat(ruta.c_str(), &datos) == 0 && S_ISREG(datos.st_mode) &&
        access(ruta.c_str(), X_OK) == 0)
      return true;
    inicio = fin + 1;
  }
  return false;
}

}  // namespace

bool FunAbrirConPredeterminado(const char* rutaOUrl) {
  // A name starting with '-' would be read as one of xdg-open's options.
  const std::string objetivo =
      rutaOUrl[0] == '-' ? std::string("./") + rutaOUrl : std::string(rutaOUrl);
  char programa[] = "xdg-open";
  char* argumentos[] = {programa, const_cast<char*>(objetivo.c_str()), nullptr};
  return FunIniciarSinEsperar(argumentos);
}

bool FunAbrirEnQuiosco(const char* url) {
  static const char* const kNavegadores[] = {"microsoft-edge", "google-chrome",
                                             "chromium"};
  const char* navegador = nullptr;
  for (const char* nombre : kNavegadores)
    if (navegador == nullptr && FunEnPath(nombre)) navegador = nombre;
  if (navegador == nullptr) return false;
  std::vector<std::string> argumentos = {
      navegador, "--kiosk", "--autoplay-policy=no-user-gesture-required",
      "--no-first-run"};
  const char* datos = std::getenv("XDG_DATA_HOME");
  const char* casa = std::getenv("HOME");
  if (datos != nullptr && datos[0] == '/')
    argumentos.push_back(std::string("--user-data-dir=") + datos +
                         "/quenvaro/quiosco");
  else if (casa != nullptr && casa[0] == '/')
    argumentos.push_back(std::string("--user-data-dir=") + casa +
                         "/.local/share/quenvaro/quiosco");
  argumentos.push_back(url);
  std::vector<char*> punteros;
  for (std::string& argumento : argumentos) punteros.push_back(&argumento[0]);
  punteros.push_back(nullptr);
  return FunIniciarSinEsperar(punteros.data());
}
