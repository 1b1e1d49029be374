// What the waiting room's screen shows, as the JSON document GET /estado
// answers: taken from the console's two files at the moment of the request,
// numbers only, never a byte of text from either file.
#ifndef QUENVARO_SCREEN_ESTADO_H_
#define QUENVARO_SCREEN_ESTADO_H_

#include <string>

// The console's folder, whose bitacora.txt and cola_respaldo.txt are read.
// Until it is called, the current folder.
void FunElegirCarpeta(const std::string& carpeta);

// The console's folder as an absolute path, for the person starting the
// screen to check.
std::string FunNombrarCarpeta();

// Whether the folder holds neither bitacora.txt nor cola_respaldo.txt, so
// the screen stays empty until the console writes there.
bool FunCarpetaSinArchivos();

// Reads the log from its end, then the backup once, and puts the JSON
// document into *cuerpo. False, with {"error": "..."} in *cuerpo instead,
// when a file exists but cannot be read (or the clock cannot).
bool FunComponerEstado(std::string* cuerpo);

#endif  // QUENVARO_SCREEN_ESTADO_H_
