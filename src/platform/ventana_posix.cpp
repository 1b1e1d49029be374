// POSIX desktop: a terminal outlives the programs it runs, so nothing is
// kept open; files and addresses go to xdg-open, started without a shell.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/ventana.h"

extern char** environ;

void FunEsperarTeclaSiVentanaPropia() {}

bool FunAbrirConPredeterminado(const char* rutaOUrl) {
  // A name starting with '-' would be read as one of xdg-open's options.
  const std::string objetivo =
      rutaOUrl[0] == '-' ? std::string("./") + rutaOUrl : std::string(rutaOUrl);
  char programa[] = "xdg-open";
  char* argumentos[] = {programa, const_cast<char*>(objetivo.c_str()), nullptr};
  // xdg-open may run the browser itself and wait for it, so it is not
  // waited for: a short-lived child starts it and ends at once, which
  // leaves no zombie behind in a server that runs for days, and its status
  // says whether xdg-open could be started at all.
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
    _exit(posix_spawnp(&nieto, programa, nullptr, &atributos, argumentos,
                       environ) == 0
              ? 0
              : 1);
  }
  int estado = 0;
  while (waitpid(intermedio, &estado, 0) < 0)
    if (errno != EINTR) return false;
  return WIFEXITED(estado) && WEXITSTATUS(estado) == 0;
}
