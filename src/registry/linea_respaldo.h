// The line rule of the queue backup, cola_respaldo.txt: which turns a piece
// of the file holds. The console's restore and the waiting room's screen
// both read the backup by it, so they always see the same queue.
#ifndef QUENVARO_REGISTRY_LINEA_RESPALDO_H_
#define QUENVARO_REGISTRY_LINEA_RESPALDO_H_

// The backup is read with fgets into this many bytes: at most 255
// characters at a time, so a longer line arrives in pieces, each one read
// as a line of its own.
const int kTamLineaRespaldo = 256;

// Reads one piece as fgets gave it. Its text ends at its first NUL, CR or
// LF; its fields are the runs of characters between bars, and a turn is the
// first two: the number (read by FunInterpretarEntero; 0 when it has no
// leading digits) and the description. True with *numero and *descripcion
// (within `linea`, which it changes) for a turn; false for a piece the
// restore skips.
bool FunInterpretarLineaRespaldo(char* linea, int* numero,
                                 const char** descripcion);

#endif  // QUENVARO_REGISTRY_LINEA_RESPALDO_H_
