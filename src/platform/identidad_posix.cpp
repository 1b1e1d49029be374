// POSIX: a file is its device and its inode number. stat() asks without
// opening, so a FIFO in a file's place never holds the question.
#include <sys/stat.h>

#include "platform/identidad.h"

bool FunIdentificarArchivo(const char* ruta, unsigned long long id[2]) {
  struct stat datos;
  if (stat(ruta, &datos) != 0) return false;
  id[0] = static_cast<unsigned long long>(datos.st_dev);
  id[1] = static_cast<unsigned long long>(datos.st_ino);
  return true;
}
