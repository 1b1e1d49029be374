// The program's window and the desktop around it: keeping a console window
// that a person opened for this program alone (a double-click, a shortcut)
// until its last lines are read, and handing a file or an address to the
// program the desktop opens it with, or to a full-screen browser.
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

// Opens the address `url` full screen in a browser's kiosk mode, with
// sound allowed before any click, in a profile of its own (so that a
// browser already open cannot take the address into a plain window): Edge,
// else Chrome, as the system records them installed (Windows: App Paths;
// POSIX: on PATH, Chromium too). False, without waiting for it, when
// neither is there or it could not be started.
bool FunAbrirEnQuiosco(const char* url);

#endif  // QUENVARO_PLATFORM_VENTANA_H_
