// quenvaro-pantalla's web server: GET / (the page) and GET /estado (the
// data), HEAD on both, on one thread, bounded against slow or hostile
// clients.
#ifndef QUENVARO_SCREEN_SERVIDOR_H_
#define QUENVARO_SCREEN_SERVIDOR_H_

// True when `direccion` is an IPv4 or IPv6 address, as written.
bool FunDireccionValida(const char* direccion);

// Listens on `direccion` (FunDireccionValida) and `puerto` (0: any free
// one), prints the lines naming the addresses to open and the folders it
// reads (FunAgregarMesa), and serves until SIGINT or SIGTERM, which end
// the program at once with status 0. Returns 1, after one line on
// standard error, when the address or the port cannot be used.
int FunServir(const char* direccion, unsigned short puerto);

// Makes FunServir open its page once it listens: in the default browser,
// or with `quiosco` full screen in a kiosk browser (FunAbrirEnQuiosco), else
// in the default browser; each failure said in one start line.
void FunAbrirNavegadorAlEscuchar(bool quiosco);

#endif  // QUENVARO_SCREEN_SERVIDOR_H_
