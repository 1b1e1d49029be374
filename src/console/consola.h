// The operator's dialogue: banner, menu, prompt, choice validation and the
// four options, until the day is closed or standard input ends.
#ifndef QUENVARO_CONSOLE_CONSOLA_H_
#define QUENVARO_CONSOLE_CONSOLA_H_

// Runs the menu loop over standard input and output. Returns after option 4
// or when standard input ends; frees nothing itself.
void FunEjecutarMenu();

#endif  // QUENVARO_CONSOLE_CONSOLA_H_
