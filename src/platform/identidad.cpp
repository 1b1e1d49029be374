// Whether two names reach one file, on every system alike: only how a
// file's identity is read differs (identidad_posix.cpp, identidad_windows.cpp).
#include "platform/identidad.h"

bool FunMismoArchivo(const char* una, const char* otra) {
  unsigned long long primera[2], segunda[2];
  return FunIdentificarArchivo(una, primera) &&
         FunIdentificarArchivo(otra, segunda) && primera[0] == segunda[0] &&
         primera[1] == segunda[1];
}
