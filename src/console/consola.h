// The operator's dialogue: banner, menu, prompt, choice validation and the
// four options, until the day is closed or standard input ends.
#ifndef QUENVARO_CONSOLE_CONSOLA_H_
#define QUENVARO_CONSOLE_CONSOLA_H_

// Takes the folder's lock. False, after printing the refusal, when another
// program already runs in this folder or the lock file cannot be opened.
bool FunReservarCarpeta();

// Runs the menu loop over standard input and output. Returns after option 4
// or when standard input ends, after a last try at any file still pending;
// frees nothing itself.
void FunEjecutarMenu();

#endif  // QUENVARO_CONSOLE_CONSOLA_H_
