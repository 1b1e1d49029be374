// POSIX: a file is its device and its inode number. stat() asks without
// opening, so a FIFO in a file's place never holds the question.
#include <sys/stat.h>

#include "platform/identidad.h"

bool FunMismoArchivo(const char* una, const char* otra) {
  struct stat primera, segunda;
  return stat(una, &primera) == 0 && stat(otra, &segunda) == 0 &&
         primera.st_dev == segunda.st_dev && primera.st_ino == segunda.st_ino;
}
