// Why a call of the system failed, in words an office reads. The causes
// people meet are named in Spanish; any other keeps the system's own words
// (English on most systems) after a Spanish label, so that it can still be
// looked up.
#ifndef QUENVARO_PLATFORM_CAUSAS_H_
#define QUENVARO_PLATFORM_CAUSAS_H_

#include <string>

// The cause of a failure whose errno is `error`: a missing file, no
// permission, a folder in a file's place, a full disk, a file held by
// another program; otherwise FunErrorDelSistema with the system's words.
std::string FunCausaEnEspanol(int error);

// "error del sistema (`palabras`)": a cause the program cannot name.
std::string FunErrorDelSistema(const std::string& palabras);

#endif  // QUENVARO_PLATFORM_CAUSAS_H_
