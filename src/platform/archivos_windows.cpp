// Windows files: opened through CreateFile so that the cause of a failure is
// known exactly, FlushFileBuffers for durability, a write-through
// MoveFileEx for the replace, and LockFileEx for the folder lock. Every
// name goes to the system as UTF-16, through the wide calls: the ANSI ones
// would take the program's UTF-8 for the code page's letters, and a
// folder named with an accent would not be found.
#include "platform/utf16_windows.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <vector>

#include "platform/archivos.h"

namespace {

// GetLastError() of the last failure of this module on this thread: the
// screen reads several folders at once, and one folder's missing file must
// not be taken for another's unreadable one.
thread_local DWORD ultimoError = ERROR_SUCCESS;
// The file that failed is held by another program, so the failure may pass;
// a folder, a read-only file or one this user may not write never does.
thread_local bool ultimoFalloSostenido = false;

// Whether access to `nombre` was denied because another program holds it.
// An open that shares nothing is refused for sharing while the hold lasts,
// whatever that program's own access or sharing; a folder, or a file that
// this user may not open so, is refused for access. With `acceso`, the
// access the failed call needed, a probe that is granted it means the hold
// has passed since, which counts too: a reader of the backup keeps it open
// for a moment only, and the replace that it made fail is worth repeating.
bool FunRetenidoPorOtro(const char* nombre, DWORD acceso) {
  HANDLE prueba = CreateFileW(FunAUtf16(nombre).c_str(),
                              acceso != 0 ? acceso : GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (prueba != INVALID_HANDLE_VALUE) {
    CloseHandle(prueba);
    return acceso != 0;
  }
  const DWORD causa = GetLastError();
  return causa == ERROR_SHARING_VIOLATION || causa == ERROR_LOCK_VIOLATION;
}

bool FunFallar(const char* nombre, DWORD acceso = 0) {
  ultimoError = GetLastError();
  ultimoFalloSostenido = false;
  if (ultimoError == ERROR_SHARING_VIOLATION ||
      ultimoError == ERROR_LOCK_VIOLATION) {
    ultimoFalloSostenido = true;
  } else if (ultimoError == ERROR_ACCESS_DENIED && nombre != nullptr) {
    // Access is also denied while another handle holds the file without
    // sharing deletion (a replace); only then does waiting help.
    ultimoFalloSostenido = FunRetenidoPorOtro(nombre, acceso);
  }
  // errno too, for callers that name the cause to a person. A folder in a
  // file's place is refused as a denied access, like a file this user may
  // not write; the two call for different remedies.
  switch (ultimoError) {
    case ERROR_FILE_NOT_FOUND: case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE: case ERROR_BAD_NETPATH: errno = ENOENT; break;
    case ERROR_FILE_EXISTS: case ERROR_ALREADY_EXISTS: errno = EEXIST; break;
    case ERROR_DISK_FULL: case ERROR_HANDLE_DISK_FULL: errno = ENOSPC; break;
    case ERROR_WRITE_PROTECT: errno = EROFS; break;
    case ERROR_FILENAME_EXCED_RANGE: errno = ENAMETOOLONG; break;
    case ERROR_ACCESS_DENIED:
      errno = ultimoFalloSostenido                      ? EBUSY
              : nombre != nullptr && FunEsCarpeta(nombre) ? EISDIR
                                                        : EACCES;
      break;
    default: errno = ultimoFalloSostenido ? EBUSY : EIO;
  }
  return false;
}

// Wraps a handle in a stdio stream; text mode translates LF to CR LF on
// writing, as every Windows text file has it.
std::FILE* FunAbrir(const char* nombre, DWORD acceso, DWORD creacion,
                    int banderas, const char* modo,
                    DWORD compartir = FILE_SHARE_READ | FILE_SHARE_WRITE) {
  HANDLE manejador =
      CreateFileW(FunAUtf16(nombre).c_str(), acceso, compartir, nullptr,
                  creacion, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (manejador == INVALID_HANDLE_VALUE) {
    FunFallar(nombre);
    return nullptr;
  }
  // Only a file on disk: a pipe or a device (NUL, CON, a port) in its place
  // would block a read or feed one that never ends. It fails as a file
  // that exists but cannot be used, neither missing nor passing.
  if (GetFileType(manejador) != FILE_TYPE_DISK) {
    CloseHandle(manejador);
    SetLastError(ERROR_BAD_FILE_TYPE);
    FunFallar(nullptr);
    return nullptr;
  }
  int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(manejador), banderas);
  if (descriptor == -1) {
    FunFallar(nullptr);
    CloseHandle(manejador);
    return nullptr;
  }
  std::FILE* archivo = _fdopen(descriptor, modo);
  if (archivo == nullptr) {
    FunFallar(nullptr);
    _close(descriptor);
  }
  return archivo;
}

// The folder lock's file and, once open, its handle.
const char* nombreCerrojo = nullptr;
HANDLE manejadorCerrojo = INVALID_HANDLE_VALUE;

// Opens the lock file, creating it when missing. LockFileEx takes a read
// handle too, so a lock file that this user may only read (another user's,
// or a read-only one) still takes part.
bool FunAbrirCerrojo() {
  const DWORD compartir = FILE_SHARE_READ | FILE_SHARE_WRITE;
  const std::wstring nombre = FunAUtf16(nombreCerrojo);
  manejadorCerrojo = CreateFileW(nombre.c_str(), GENERIC_READ | GENERIC_WRITE, compartir,
                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (manejadorCerrojo == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
    manejadorCerrojo = CreateFileW(nombre.c_str(), GENERIC_READ, compartir, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return manejadorCerrojo != INVALID_HANDLE_VALUE || FunFallar(nombreCerrojo);
}

}  // namespace

std::FILE* FunAbrirParaLeer(const char* nombre) {
  return FunAbrir(nombre, GENERIC_READ, OPEN_EXISTING, _O_RDONLY | _O_BINARY, "rb");
}

std::FILE* FunAbrirParaConsultar(const char* nombre) {
  // Deletion shared too: the console's replace of the backup (a move onto
  // its name) must go through while a reader holds the old file open.
  return FunAbrir(nombre, GENERIC_READ, OPEN_EXISTING, _O_RDONLY | _O_BINARY, "rb",
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
}

std::FILE* FunAbrirParaEscribir(const char* nombre) {
  return FunAbrir(nombre, GENERIC_WRITE, CREATE_ALWAYS, _O_TEXT, "wt");
}

std::FILE* FunCrearParaEscribir(const char* nombre) {
  // CREATE_NEW fails on any name that exists, a link to nowhere included.
  return FunAbrir(nombre, GENERIC_WRITE, CREATE_NEW, _O_TEXT, "wt");
}

std::FILE* FunAbrirParaAnexar(const char* nombre) {
  // Append-only access: every write lands at the end, whoever else writes.
  return FunAbrir(nombre, FILE_APPEND_DATA, OPEN_ALWAYS, _O_APPEND | _O_TEXT, "at");
}

long long FunMedirArchivo(std::FILE* archivo) {
  LARGE_INTEGER tam;
  HANDLE manejador = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(archivo)));
  if (!GetFileSizeEx(manejador, &tam)) {
    FunFallar(nullptr);
    return -1;
  }
  return tam.QuadPart;
}

bool FunLeerEn(std::FILE* archivo, long long posicion, char* destino,
               std::size_t n) {
  if (_fseeki64(archivo, posicion, SEEK_SET) != 0) return FunFallar(nullptr);
  if (std::fread(destino, 1, n, archivo) == n) return true;
  SetLastError(std::ferror(archivo) ? ERROR_READ_FAULT : ERROR_HANDLE_EOF);
  return FunFallar(nullptr);
}

bool FunFalloPorAusencia() {
  return ultimoError == ERROR_FILE_NOT_FOUND || ultimoError == ERROR_PATH_NOT_FOUND;
}

bool FunFalloTransitorio() { return ultimoFalloSostenido; }

bool FunCerrarForzado(std::FILE* archivo) {
  bool correcto = std::fflush(archivo) == 0;
  if (correcto) {
    HANDLE manejador = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(archivo)));
    correcto = FlushFileBuffers(manejador) != 0;
  }
  if (!correcto) FunFallar(nullptr);
  if (std::fclose(archivo) != 0 && correcto) correcto = FunFallar(nullptr);
  return correcto;
}

// NTFS journals its folder entries, and a file's creation is flushed with
// its data by FlushFileBuffers; there is no folder handle to flush.
bool FunForzarCarpeta() { return true; }

bool FunBorrarArchivo(const char* nombre) {
  return DeleteFileW(FunAUtf16(nombre).c_str()) != 0;
}

bool FunReemplazarForzado(const char* origen, const char* destino) {
  // rename() refuses an existing target here; write-through returns only
  // once the move is on disk.
  if (MoveFileExW(FunAUtf16(origen).c_str(), FunAUtf16(destino).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0)
    return true;
  // A move onto a name that another program has open is refused, even when
  // it shares deletion; a read-only file or a folder there refuses deletion.
  FunFallar(destino, DELETE);
  if (!ultimoFalloSostenido && ultimoError == ERROR_ACCESS_DENIED &&
      errno != EISDIR) {
    // The file held may be the temporary itself, a scanner reading it
    // right after it was closed.
    SetLastError(ultimoError);
    FunFallar(origen);
  }
  return false;
}

std::size_t FunPlegarFinesDeLinea(char* bloque, std::size_t n,
                                  bool* retornoPendiente) {
  std::size_t escrito = 0;
  if (*retornoPendiente && (n == 0 || bloque[0] != '\n')) {
    // The CR held back was not the start of a CR LF: it is a byte of its
    // own. Room for it is the one byte the caller keeps spare.
    for (std::size_t i = n; i > 0; --i) bloque[i] = bloque[i - 1];
    bloque[0] = '\r';
    ++n;
    escrito = 1;
  }
  *retornoPendiente = false;
  for (std::size_t i = escrito; i < n; ++i) {
    if (bloque[i] == '\r') {
      if (i + 1 == n) {
        *retornoPendiente = true;
        break;
      }
      if (bloque[i + 1] == '\n') continue;
    }
    bloque[escrito++] = bloque[i];
  }
  return escrito;
}

ResultadoCerrojo FunTomarCerrojo(const char* nombre) {
  // Shared open, exclusive lock: a second window opens the file and is then
  // refused the lock, which the system drops when the holder dies.
  nombreCerrojo = nombre;
  if (!FunReintentar(FunAbrirCerrojo, true))  // none, and none can be made
    return FunFalloPorAusencia() ? kCerrojoTomado : kCerrojoInaccesible;
  OVERLAPPED desde{};
  if (LockFileEx(manejadorCerrojo, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY,
                 0, 1, 0, &desde))
    return kCerrojoTomado;  // the handle stays open, and the lock held, until exit
  bool ocupado = GetLastError() == ERROR_LOCK_VIOLATION;
  CloseHandle(manejadorCerrojo);
  return ocupado ? kCerrojoAjeno : kCerrojoTomado;
}

void FunCederProcesador() {
  // Failing to lower it changes nothing else, so the result is not needed.
  SetPriorityClass(GetCurrentProcess(), BELOW_NORMAL_PRIORITY_CLASS);
}

bool FunEsCarpeta(const char* ruta) {
  const DWORD atributos = GetFileAttributesW(FunAUtf16(ruta).c_str());
  return atributos != INVALID_FILE_ATTRIBUTES &&
         (atributos & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string FunRutaAbsoluta(const char* ruta) {
  const std::wstring ancho = FunAUtf16(ruta);
  std::vector<wchar_t> absoluta(MAX_PATH);
  // The size asked for when it does not fit; asked twice at most.
  for (int vez = 0; vez < 2; ++vez) {
    const DWORD largo = GetFullPathNameW(
        ancho.c_str(), static_cast<DWORD>(absoluta.size()), absoluta.data(), nullptr);
    if (largo == 0) break;
    if (largo < absoluta.size()) return FunAUtf8(absoluta.data());
    absoluta.resize(largo);
  }
  return ruta;
}

bool FunPasarABinario(std::FILE* archivo) {
  return std::fflush(archivo) == 0 &&
         _setmode(_fileno(archivo), _O_BINARY) != -1;
}
