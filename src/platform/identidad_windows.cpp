// Windows: a file is its volume's serial number and its index on that
// volume, as GetFileInformationByHandle reports them for an open handle.
// A path-based answer is not enough: the same folder reached through
// another drive letter (subst, a mapped share, a junction) would count as
// another volume.
#include "platform/utf16_windows.h"

#include "platform/identidad.h"

bool FunIdentificarArchivo(const char* ruta, unsigned long long id[2]) {
  // No access is asked for: none is needed to read the identity, and then
  // a file that another program holds without sharing still answers.
  // Backup semantics let a folder open too.
  HANDLE manejador = CreateFileW(
      FunAUtf16(ruta).c_str(), 0,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (manejador == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION datos;
  const bool leida = GetFileInformationByHandle(manejador, &datos) != 0;
  CloseHandle(manejador);
  if (!leida) return false;
  id[0] = datos.dwVolumeSerialNumber;
  id[1] = (static_cast<unsigned long long>(datos.nFileIndexHigh) << 32) |
          datos.nFileIndexLow;
  return true;
}
