// The operating system's side of the program's files: opening them in the
// right mode, forcing what was written to disk, replacing a file in one
// durable step, a lock that keeps a folder to one process, and the rule for
// failures that pass by themselves. Every difference between systems lives
// behind this header; the callers never ask which system they run on.
#ifndef QUENVARO_PLATFORM_ARCHIVOS_H_
#define QUENVARO_PLATFORM_ARCHIVOS_H_

#include <cstddef>
#include <cstdio>
#include <string>

/* ---------------------------------------------------------------- opening */

// Each returns nullptr on failure, with errno set to its cause. None ever
// waits: only a regular file opens, and anything else in its place (a
// folder, a FIFO, a device) fails as a file that exists but cannot be used,
// which FunFalloPorAusencia and FunFalloTransitorio both deny.

// Opens `nombre` for reading in binary mode, so no byte ends the read early
// (Ctrl-Z does in Windows text mode); line ends arrive as stored.
std::FILE* FunAbrirParaLeer(const char* nombre);

// Creates `nombre`, or cuts it to zero length, for writing text.
std::FILE* FunAbrirParaEscribir(const char* nombre);

// Opens `nombre` for appending text, creating it when missing.
std::FILE* FunAbrirParaAnexar(const char* nombre);

// Opens `nombre` for reading in binary mode without ever standing in
// another program's way: on Windows reading, writing and deletion stay
// shared, so the file can still be appended to, replaced or removed.
std::FILE* FunAbrirParaConsultar(const char* nombre);

// Makes `archivo`, before anything is written to it, write its bytes as
// given (a Windows text stream writes each LF as CR LF). False on failure.
bool FunPasarABinario(std::FILE* archivo);

/* -------------------------------------------------------------- positions */

// The size in bytes of an open file, or -1 on failure.
long long FunMedirArchivo(std::FILE* archivo);

// Reads exactly `n` bytes of `archivo` from byte `posicion` on, whatever
// the file's size. False on failure or when fewer bytes are there.
bool FunLeerEn(std::FILE* archivo, long long posicion, char* destino,
               std::size_t n);

/* --------------------------------------------------------------- failures */

// After a failed call of this module: the file does not exist.
bool FunFalloPorAusencia();

// After a failed call of this module: the cause may pass by itself (another
// program holding the file for a moment), so the same call is worth trying
// again after a pause.
bool FunFalloTransitorio();

// Calls `intento` until it succeeds or fails for a cause that does not pass.
// With `esperar`, transient failures are retried with growing pauses for
// about 1.1 s in all; without it, `intento` runs once. True on success.
bool FunReintentar(bool (*intento)(), bool esperar);

/* ------------------------------------------------------------- durability */

// Flushes the stream, forces its data to disk and closes it. The stream is
// closed in any case; false if any step failed.
bool FunCerrarForzado(std::FILE* archivo);

// Puts `origen` in place of `destino` in one step and makes the change
// itself durable: after a power cut either name holds the old or the new
// file, whole. False, with `destino` untouched, on failure.
bool FunReemplazarForzado(const char* origen, const char* destino);

// Removes the file `nombre`; false when it could not be removed.
bool FunBorrarArchivo(const char* nombre);

// Makes the working folder's entries (a file just created) durable.
bool FunForzarCarpeta();

/* ------------------------------------------------------------ text reads */

// Turns `n` bytes read in binary mode into what a text-mode read gives on
// this system (on Windows, CR LF becomes LF) and returns the new length.
// `retornoPendiente` carries a CR that ended the previous block; start it
// false, and call with `n` 0 at the end of the file to release it.
std::size_t FunPlegarFinesDeLinea(char* bloque, std::size_t n,
                                  bool* retornoPendiente);

/* ------------------------------------------------------------------ lock */

// What became of the folder lock.
enum ResultadoCerrojo {
  kCerrojoTomado,      // held until the process ends, or none can exist
  kCerrojoAjeno,       // another process holds it
  kCerrojoInaccesible  // the file exists but cannot be opened at all
};

// Takes an operating-system lock on the file `nombre` (created empty when
// missing) and holds it until the process ends; a lock file that another
// user made, or that this one may only read, takes part all the same.
// Where there is none and none can be made, kCerrojoTomado without a lock.
ResultadoCerrojo FunTomarCerrojo(const char* nombre);

/* --------------------------------------------------------------- process */

// Lowers this process's share of the processor below the programs' usual
// one, so that a busy reader never slows the console on the same PC.
void FunCederProcesador();

/* ---------------------------------------------------------------- folders */

// Whether `ruta` names a folder (through a link too).
bool FunEsCarpeta(const char* ruta);

// Whether `a` and `b` name one and the same folder or file, however each is
// written (relative, through a link, another case on Windows). False when
// either cannot be opened.
bool FunMismoArchivo(const char* a, const char* b);

// `ruta` as an absolute path, for people to read: the current folder
// before a relative one, links left as they are; `ruta` itself when the
// system cannot say.
std::string FunRutaAbsoluta(const char* ruta);

#endif  // QUENVARO_PLATFORM_ARCHIVOS_H_
