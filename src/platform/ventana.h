// The program's window and the desktop around it: keeping a console window
// that a person opened for this program alone (a double-click, a shortcut)
// until its last lines are read, and handing a file or an address to the
// program the desktop opens it with.
#ifndef QUENVARO_PLATFORM_VENTANA_H_
#define QUENVARO_PLATFORM_VENTANA_H_

// When a person opened this process's window from the desktop (a shortcut,
// a double-click), this process is the only one on that console and both
// its standard input and output are that console, prints one line on
// standard output and waits for a key; otherwise (a scheduled task, a
// service, a shell, a script, a pipe, a file, or any POSIX system) does
// nothing at all. Call it only when there is something left to read.
void FunEsperarTeclaSiVentanaPropia();

// Opens `rutaOUrl` (a file, or an http:// address) with the desktop's
// default program for it, without waiting for that program. False when it
// could not be started.
bool FunAbrirConPredeterminado(const char* rutaOUrl);

#endif  // QUENVARO_PLATFORM_VENTANA_H_
