// The causes' words, the same on every system: the platform's files give
// every failure an errno, on Windows too.
#include "platform/causas.h"

#include <cerrno>
#include <cstring>

std::string FunCausaEnEspanol(int error) {
  switch (error) {
    case ENOENT: return "no existe el archivo o su carpeta";
    case ENOTDIR: return "parte de la ruta no es una carpeta";
    case EACCES:
    case EPERM: return "no tiene permiso";
    case EROFS: return "la unidad es de solo lectura";
    case EISDIR: return "es una carpeta";
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return "el disco esta lleno";
    case EFBIG: return "el archivo supera el tamano que el sistema permite";
    case EBUSY: return "esta abierto en otro programa";
    case ENAMETOOLONG: return "el nombre es demasiado largo";
    default: return FunErrorDelSistema(std::strerror(error));
  }
}

std::string FunErrorDelSistema(const std::string& palabras) {
  return "error del sistema (" + palabras + ")";
}
