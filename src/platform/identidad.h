// Whether two names reach one file, decided by what the system says of the
// files themselves (the volume and the file's number on it), never by how
// the names are spelt: a link, another case, another drive letter, a
// mapped network drive or a junction reach the same file under a name
// that compares as different.
#ifndef QUENVARO_PLATFORM_IDENTIDAD_H_
#define QUENVARO_PLATFORM_IDENTIDAD_H_

// Puts into id[0] and id[1] what identifies the file `ruta` names, links
// followed: two names reach one file exactly when their identities are
// equal. False when the file cannot be reached.
bool FunIdentificarArchivo(const char* ruta, unsigned long long id[2]);

// True when `una` and `otra` both reach an existing file or folder (links
// followed) and it is the same one; false when either is missing or the
// system cannot say.
bool FunMismoArchivo(const char* una, const char* otra);

#endif  // QUENVARO_PLATFORM_IDENTIDAD_H_
