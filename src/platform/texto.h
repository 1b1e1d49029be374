// The programs' text at the edges of the system: the command line as UTF-8
// on every system, and UTF-8 text (a path) printed so that a person reads
// it as it was typed. The rest of the program holds text as UTF-8 bytes.
#ifndef QUENVARO_PLATFORM_TEXTO_H_
#define QUENVARO_PLATFORM_TEXTO_H_

#include <cstdio>

// The arguments of main as UTF-8: on Windows the command line is read again
// as UTF-16 and converted once, since the `argv` the C runtime gives holds
// only what fits the ANSI code page; elsewhere `argv` itself, the bytes as
// given. Sets *argc to their count; the strings last as long as the process.
char** FunLeerArgumentos(int* argc, char** argv);

// Writes the UTF-8 text `texto` to `flujo`: on a Windows console as the
// characters it stands for, whatever the console's code page; to a file or
// a pipe, and on every other system, as the bytes given. False on failure.
bool FunEscribirTexto(std::FILE* flujo, const char* texto);

#endif  // QUENVARO_PLATFORM_TEXTO_H_
