// The desks the waiting room's screen shows, each a console folder, and
// the JSON document GET /estado answers with: numbers only, never a byte of
// text from any folder's files.
#ifndef QUENVARO_SCREEN_ESTADO_H_
#define QUENVARO_SCREEN_ESTADO_H_

#include <cstdio>
#include <string>

// The most desks one screen shows.
const int kMaxMesas = 8;

// Adds a desk, after those added before: `nombre` (UTF-8, what the room
// reads) and its console folder ("" for the current one). Until one is
// added, the current folder is the only desk.
void FunAgregarMesa(const std::string& nombre, const std::string& carpeta);

// Writes the start lines naming each desk's folder to `salida`, with a
// warning for each folder that holds neither of the console's files.
void FunAnunciarMesas(std::FILE* salida);

// With two or more desks, starts reading each one on a thread of its own,
// about once a second, for FunComponerEstado to answer from at once. One
// desk is read within each request instead, as it always was.
void FunEmpezarLecturas();

// Puts the document into *cuerpo. One desk: its numbers and "fecha", or,
// false, {"error": "..."} when a file exists but cannot be read (or the
// clock cannot). Several: {"mesas": [...], "fecha": ...}, each desk's
// numbers or its error in its entry; false only when the clock cannot be
// read.
bool FunComponerEstado(std::string* cuerpo);

#endif  // QUENVARO_SCREEN_ESTADO_H_
