// The programs' text at the edges of the system: the command line as UTF-8
// on every system, UTF-8 text printed so that a person reads it as it was
// typed, and lines typed at a console read as UTF-8. The rest of the
// program holds text as UTF-8 bytes.
#ifndef QUENVARO_PLATFORM_TEXTO_H_
#define QUENVARO_PLATFORM_TEXTO_H_

#include <cstddef>
#include <cstdio>
#include <string>

// The arguments of main as UTF-8: on Windows the command line is read again
// as UTF-16 and converted once, since the `argv` the C runtime gives holds
// only what fits the ANSI code page; elsewhere `argv` itself, the bytes as
// given. Sets *argc to their count; the strings last as long as the process.
char** FunLeerArgumentos(int* argc, char** argv);

// Writes the UTF-8 text `texto` to `flujo`: on a Windows console as the
// characters it stands for, whatever the console's code page; to a file or
// a pipe, and on every other system, as the bytes given. False on failure.
bool FunEscribirTexto(std::FILE* flujo, const char* texto);

// Reads one line from standard input into `linea` as fgets does: at most
// `tamano` - 1 bytes, up to and including a line end; the rest of a longer
// line is what the next call returns. On a Windows console the line is read
// as the characters typed and given as UTF-8, a CR LF as one LF, and never
// cut inside a character; a Ctrl+Z ends the input there. Otherwise, and
// from a pipe or a file, the bytes as they come. False at the end of the
// input or on a read error, with nothing read.
bool FunLeerLineaEntrada(char* linea, int tamano);

// Writes `n` bytes of text (a log as stored) to `flujo` as fwrite does. On
// a Windows console each whole UTF-8 character beyond ASCII is shown as
// that character; every other byte goes as it always has, read in the
// console's code page. A character cut at the end of `bytes` is not whole:
// see FunSinCaracterAbierto. False on failure.
bool FunEscribirBytes(std::FILE* flujo, const char* bytes, std::size_t n);

/* ------------------------------------------------- UTF-8, on every system */

// The length (2 to 4) of the whole UTF-8 character beyond ASCII that begins
// `texto`, within its `largo` bytes; 0 when none does (ASCII, a stray
// continuation byte, an overlong form, a surrogate, a code beyond U+10FFFF,
// or a character cut short).
std::size_t FunLargoCaracterUtf8(const char* texto, std::size_t largo);

// The longest start of `texto` (`largo` bytes) of at most `limite` bytes
// that does not end inside a whole UTF-8 character; bytes that are no
// such character may be cut anywhere, as any byte.
std::size_t FunCortarEnCaracter(const char* texto, std::size_t largo,
                                std::size_t limite);

// `n` less the bytes at the end of `bloque` that begin a UTF-8 character
// which the block does not hold whole: a reader in blocks writes them with
// the next block, so that the character is shown whole.
std::size_t FunSinCaracterAbierto(const char* bloque, std::size_t n);

// Whether `a` and `b` are the same text but for the case of their plain
// (ASCII) letters: two desks' names that read as one, or a file name as
// Windows compares it.
bool FunIgualesSinCaso(const std::string& a, const std::string& b);

#endif  // QUENVARO_PLATFORM_TEXTO_H_
