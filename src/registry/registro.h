// The day's attention registry: the session list, the first-in first-out
// turn queue, the two counters that number them, and the queue's backup in
// cola_respaldo.txt. Plain procedures over one file-scope instance.
#ifndef QUENVARO_REGISTRY_REGISTRO_H_
#define QUENVARO_REGISTRY_REGISTRO_H_

// Every text held in a record: at most 99 characters, always terminated.
const int kTamTexto = 100;

// One registered session. `siguiente` is the session registered before it.
struct NodoSesion {
  int idSesion;
  char nombre[kTamTexto];
  NodoSesion* siguiente;
};

// One waiting turn. `siguiente` is the turn issued after it.
struct NodoTurno {
  int numeroTurno;
  char descripcion[kTamTexto];
  NodoTurno* siguiente;
};

// The registry's state. Other modules only read it; it is changed solely by
// the procedures below.
extern int funContadorSesionesDia;  // sessions of the day; id of the newest
extern int funContadorTurnosDia;    // turns issued; number of the newest
extern NodoSesion* inicioSesiones;  // newest session first
extern NodoTurno* frenteCola;       // next turn to dispatch
extern NodoTurno* finalCola;        // turn issued last
// Turns dispatched while the log could not be written, oldest first: until
// their records are on disk they stay at the front of the backup.
extern NodoTurno* frenteDespachados;

/* -------------------------------------------------------------- commands */

// Registers a session for `nombre` (terminated, non-empty), issues its turn,
// rewrites the backup, logs REG_SESSION and confirms on the console. When
// either record cannot be allocated it says so and changes nothing.
void FunIniciarSesion(const char* nombre);

// Issues the next turn with `descripcion` at the rear of the queue. When
// memory is exhausted, prints a message and returns false.
bool FunEncolarTurno(const char* descripcion);

// Unlinks the front turn, logs FREE_TURNO, rewrites the backup and announces
// the turn; reports an empty queue instead. A turn whose record is still
// pending joins the dispatched turns kept in the backup.
void FunDespacharTurno();

// Frees the dispatched turns kept in the backup once the log holds every
// record. True when there were some, so the backup must be rewritten.
bool FunSoltarDespachados();

// Frees every session and turn record. Writes no file, keeps the counters.
void FunLiberarMemoria();

/* -------------------------------------------------------- queue backup */

// Replaces cola_respaldo.txt with the dispatched turns still kept, then the
// current queue, front first, one "%d|%s" line per turn, forced to disk. The old backup stays whole if
// anything fails, and the backup is then marked stale; the first failure of
// an episode first waits out a file that another program holds.
void FunSincronizarColaDisco();

// Rewrites a stale backup once more; with `esperar`, waits out a file that
// another program holds. A backup that is current is rewritten only to drop
// the dispatched turns whose records have reached the log since.
void FunPonerAlDiaColaDisco(bool esperar);

// Prints the alert for a failure episode that began since the last call.
void FunAvisarColaDisco();

// Last try, with waiting, before the program ends; says so if the backup
// is still stale.
void FunCerrarColaDisco();

// Appends the turns stored in cola_respaldo.txt to the queue and sets both
// counters to the number of the last line accepted. A missing file is an
// empty queue. A file that exists but cannot be read whole, or whose turns
// do not all fit in memory, leaves the registry empty, prints the refusal
// and returns false.
bool FunRecuperarColaDisco();

/* ------------------------------------------------------------- helpers */

// Allocates a detached turn record holding `numero` and `descripcion` (cut
// at 99 characters). Returns nullptr when memory is exhausted.
NodoTurno* FunCrearTurno(int numero, const char* descripcion);

// Links a detached turn record at the rear of the queue.
void FunAnexarTurno(NodoTurno* turno);

// Parses a signed decimal integer the way a %d conversion does: leading
// white space, an optional sign, digits, anything after them ignored. A
// value beyond the 32-bit range saturates to the nearest 32-bit value.
// Returns false, leaving *valor untouched, when no digit follows.
bool FunInterpretarEntero(const char* texto, int* valor);

/* ------------------------------------------------------ seams for tests */

// Lets `exitosas` more record allocations succeed, then fails the next one
// once. A negative value disables the fault.
void FunProgramarFalloAsignacion(int exitosas);

// Frees every record, zeroes both counters, forgets a stale backup and
// disables any fault, so that each test starts from a fresh registry.
void FunReiniciarRegistro();

// Forgets a stale backup and its alert.
void FunReiniciarRespaldo();

#endif  // QUENVARO_REGISTRY_REGISTRO_H_
