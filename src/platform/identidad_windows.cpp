// Windows: a file is its volume's serial number and its index on that
// volume, as GetFileInformationByHandle reports them for an open handle.
// A path-based answer is not enough: the same folder reached through
// another drive letter (subst, a mapped share, a junction) would count as
// another volume.
#include "platform/utf16_windows.h"

#include "platform/identidad.h"

namespace {

bool FunIdentidad(const char* ruta, BY_HANDLE_FILE_INFORMATION* datos) {
  // No access is asked for: none is needed to read the identity, and then
  // a file that another program holds without sharing still answers.
  // Backup semantics let a folder open too.
  HANDLE manejador = CreateFileW(
      FunAUtf16(ruta).c_str(), 0,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (manejador == INVALID_HANDLE_VALUE) return false;
  const bool leida = GetFileInformationByHandle(manejador, datos) != 0;
  CloseHandle(manejador);
  return leida;
}

}  // namespace

bool FunMismoArchivo(const char* una, const char* otra) {
  BY_HANDLE_FILE_INFORMATION primera, segunda;
  return FunIdentidad(una, &primera) && FunIdentidad(otra, &segunda) &&
         primera.dwVolumeSerialNumber == segunda.dwVolumeSerialNumber &&
         primera.nFileIndexHigh == segunda.nFileIndexHigh &&
         primera.nFileIndexLow == segunda.nFileIndexLow;
}
