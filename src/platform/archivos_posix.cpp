// POSIX files: fsync for durability, rename for the replace, an fcntl lock.
// Offsets are 64-bit wherever the system offers them, so a log past 2 GiB
// is still read by position.
#define _FILE_OFFSET_BITS 64
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#include "platform/archivos.h"

namespace {

// The errno of the last failure of this module on this thread: the screen
// reads several folders at once, and one folder's missing file must not be
// taken for another's unreadable one.
thread_local int ultimoError = 0;

bool FunFallar() {
  ultimoError = errno;
  return false;
}

// Data only where the system has it: a file's size still reaches the disk
// with it, and its other metadata (times) is not worth a second write.
int FunForzarDescriptor(int descriptor) {
#if defined(_POSIX_SYNCHRONIZED_IO) && _POSIX_SYNCHRONIZED_IO > 0
  return fdatasync(descriptor);
#else
  return fsync(descriptor);
#endif
}

// Opens `nombre` with `banderas` as a stream in `modo`, and only when it
// is a regular file. Without O_NONBLOCK a FIFO in its place would hold the
// open until a writer or reader came, for ever; a device (/dev/zero) would
// feed a read that never ends. Anything else fails with EISDIR or EINVAL,
// which is neither a missing file nor a passing failure: a file that
// exists but cannot be read or written.
std::FILE* FunAbrir(const char* nombre, int banderas, const char* modo) {
  const int descriptor =
      open(nombre, banderas | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (descriptor < 0) {
    FunFallar();
    return nullptr;
  }
  struct stat datos;
  int causa = 0;
  if (fstat(descriptor, &datos) != 0)
    causa = errno;
  else if (!S_ISREG(datos.st_mode))
    causa = S_ISDIR(datos.st_mode) ? EISDIR : EINVAL;
  else if (fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK) != 0)
    causa = errno;
  std::FILE* archivo = causa == 0 ? fdopen(descriptor, modo) : nullptr;
  if (archivo == nullptr) {
    if (causa == 0) causa = errno;
    close(descriptor);
    errno = causa;
    FunFallar();
  }
  return archivo;
}

}  // namespace

std::FILE* FunAbrirParaLeer(const char* nombre) {
  return FunAbrir(nombre, O_RDONLY, "r");
}
std::FILE* FunAbrirParaEscribir(const char* nombre) {
  return FunAbrir(nombre, O_WRONLY | O_CREAT | O_TRUNC, "w");
}
std::FILE* FunCrearParaEscribir(const char* nombre) {
  // O_EXCL refuses any name that exists, a link included; O_NOFOLLOW says
  // so once more for a link, which must never lead the write elsewhere.
  return FunAbrir(nombre, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, "w");
}
std::FILE* FunAbrirParaAnexar(const char* nombre) {
  return FunAbrir(nombre, O_WRONLY | O_CREAT | O_APPEND, "a");
}

// Every file is opened shared on POSIX; nothing more to ask.
std::FILE* FunAbrirParaConsultar(const char* nombre) {
  return FunAbrir(nombre, O_RDONLY, "r");
}

long long FunMedirArchivo(std::FILE* archivo) {
  struct stat datos;
  if (fstat(fileno(archivo), &datos) != 0) {
    FunFallar();
    return -1;
  }
  return static_cast<long long>(datos.st_size);
}

bool FunLeerEn(std::FILE* archivo, long long posicion, char* destino,
               std::size_t n) {
  if (fseeko(archivo, static_cast<off_t>(posicion), SEEK_SET) != 0)
    return FunFallar();
  if (std::fread(destino, 1, n, archivo) == n) return true;
  if (!std::ferror(archivo)) errno = EIO;  // the file is shorter than that
  return FunFallar();
}

bool FunFalloPorAusencia() { return ultimoError == ENOENT; }

// No signal handler is installed, so this is a safeguard rather than a case
// that happens: POSIX files are never held by another program.
bool FunFalloTransitorio() { return ultimoError == EINTR; }

bool FunCerrarForzado(std::FILE* archivo) {
  bool correcto = std::fflush(archivo) == 0 &&
                  FunForzarDescriptor(fileno(archivo)) == 0;
  if (!correcto) FunFallar();
  if (std::fclose(archivo) != 0 && correcto) correcto = FunFallar();
  return correcto;
}

namespace {

// The folder that holds `nombre`: the text before its last '/', or the
// working folder for a bare name.
std::string FunCarpetaDe(const char* nombre) {
  const char* barra = std::strrchr(nombre, '/');
  if (barra == nullptr) return ".";
  if (barra == nombre) return "/";
  return std::string(nombre, static_cast<std::size_t>(barra - nombre));
}

bool FunForzarCarpetaDe(const std::string& ruta) {
  int carpeta = open(ruta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (carpeta < 0) return FunFallar();
  bool correcto = fsync(carpeta) == 0;
  if (!correcto) FunFallar();
  close(carpeta);
  return correcto;
}

}  // namespace

bool FunForzarCarpeta() { return FunForzarCarpetaDe("."); }

bool FunBorrarArchivo(const char* nombre) { return unlink(nombre) == 0; }

bool FunReemplazarForzado(const char* origen, const char* destino) {
  if (std::rename(origen, destino) != 0) return FunFallar();
  // The new name lives in the folder; until the folder reaches the disk a
  // power cut may bring back the old file or none. That is `destino`'s
  // folder, which need not be the working one.
  return FunForzarCarpetaDe(FunCarpetaDe(destino));
}

std::size_t FunPlegarFinesDeLinea(char*, std::size_t n, bool*) { return n; }

ResultadoCerrojo FunTomarCerrojo(const char* nombre) {
  // Operators with accounts of their own may share the folder, so the lock
  // file is made writable for all (the umask would leave it the maker's
  // alone) and every program takes the same write lock. One that this user
  // may only read, made by hand or by an earlier version, still takes part:
  // a read lock is refused while a program holds the write lock. No open
  // may wait: a FIFO in its place would hold a read-only open for ever.
  const int banderas = O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  short tipo = F_WRLCK;
  int descriptor = open(nombre, O_RDWR | O_CREAT | O_EXCL | banderas, 0666);
  if (descriptor >= 0)
    fchmod(descriptor, 0666);
  else
    descriptor = open(nombre, O_RDWR | O_CREAT | banderas, 0666);
  if (descriptor < 0) {
    descriptor = open(nombre, O_RDONLY | banderas);
    tipo = F_RDLCK;
  }
  // Only where there is no lock file, and none can be made, is there no
  // guard; one that exists but cannot be opened at all might be held, and
  // the start stops, saying so.
  if (descriptor < 0) return errno == ENOENT ? kCerrojoTomado : kCerrojoInaccesible;
  struct flock cerrojo {};
  cerrojo.l_type = tipo;
  cerrojo.l_whence = SEEK_SET;
  // An fcntl lock, unlike flock, is honoured by network file systems. It is
  // released when the process ends in any way, so none is ever left stale;
  // the descriptor stays open on purpose until then.
  if (fcntl(descriptor, F_SETLK, &cerrojo) == 0) return kCerrojoTomado;
  bool ocupado = errno == EACCES || errno == EAGAIN;
  close(descriptor);
  return ocupado ? kCerrojoAjeno : kCerrojoTomado;
}

void FunCederProcesador() {
  // A nice value of 10: still served promptly on an idle PC. Failing to
  // lower it changes nothing else, so the result is not needed.
  (void)setpriority(PRIO_PROCESS, 0, 10);
}

bool FunEsCarpeta(const char* ruta) {
  struct stat datos;
  return stat(ruta, &datos) == 0 && S_ISDIR(datos.st_mode);
}

std::string FunRutaAbsoluta(const char* ruta) {
  if (ruta[0] == '/') return ruta;
  char actual[PATH_MAX];
  if (getcwd(actual, sizeof actual) == nullptr) return ruta;
  std::string absoluta = actual;
  // "." and a leading "./" add nothing a person needs to read.
  while (ruta[0] == '.' && ruta[1] == '/') ruta += 2;
  if (std::string(ruta) == "." || ruta[0] == '\0') return absoluta;
  if (absoluta != "/") absoluta += '/';
  return absoluta + ruta;
}

// POSIX streams write their bytes as given already.
bool FunPasarABinario(std::FILE*) { return true; }
