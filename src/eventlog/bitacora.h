// The event log: an append-only text file in the working folder, one record
// per line, and its display on the console.
#ifndef QUENVARO_EVENTLOG_BITACORA_H_
#define QUENVARO_EVENTLOG_BITACORA_H_

#include <cstddef>

// Size of a timestamp buffer: "YYYY-MM-DD HH:MM:SS" plus its terminator.
const int kTamMarcaTiempo = 20;
// Size of the buffer a record is composed in; longer records are cut.
const int kTamRegistro = 256;

// Writes the local date and time as "%Y-%m-%d %H:%M:%S" into `marca`, which
// holds kTamMarcaTiempo bytes. Leaves it empty if the clock cannot be read.
void FunTomarMarcaTiempo(char* marca);

/* --------------------------------------------------------------- records */

// Each composes one record, cut at kTamRegistro - 1 characters, into
// `registro` (kTamRegistro bytes); `marca` is a FunTomarMarcaTiempo stamp.
void FunComponerRegSesion(char* registro, const char* marca, int idSesion,
                          const char* nombre, int turno);
void FunComponerFreeTurno(char* registro, const char* marca, int turno);
void FunComponerCierre(char* registro, const char* marca, int sesiones,
                       int turnos);

/* --------------------------------------------------------------- reading */

// What a log line is, as read back.
enum TipoRegistro {
  kNoReconocido,  // any line that is not exactly one of the three records
  kRegSesion,     // a registration and the turn it issued
  kFreeTurno,     // a dispatched turn
  kCierre         // a day close and its two counters
};

// One record read back. Its stamp is a real calendar date and time; its
// numbers are as written, up to 10 digits, so they need 64 bits.
struct RegistroLeido {
  TipoRegistro tipo;
  int anio, mes, dia;          // 1-9999, 1-12, 1-28..31
  int hora, minuto, segundo;   // 0-23, 0-59, 0-59
  long long primerNumero;      // REG_SESSION: session id; FREE_TURNO: turn;
                               // SYS_SHUTDOWN: sessions
  long long segundoNumero;     // REG_SESSION: turn; SYS_SHUTDOWN: turns
};

// A line longer than kCabezaRegistro + kColaRegistro bytes reads as the
// line made of its first kCabezaRegistro and last kColaRegistro bytes.
// Every fixed piece of a record lies within the first 72 and the last 22
// bytes, and the three records' shorter forms are under 110 bytes, so what
// lies between can only be a name, whatever it holds: a reader that keeps
// only those two ends of an over-long line reads it as the whole one.
const std::size_t kCabezaRegistro = 128;
const std::size_t kColaRegistro = 160;

// Reads `largo` bytes as a "YYYY-MM-DD" real calendar date (leap years
// counted, years 0001 to 9999). False, leaving the outputs untouched, when
// it is anything else.
bool FunInterpretarFecha(const char* texto, std::size_t largo, int* anio,
                         int* mes, int* dia);

// Reads one log line of `largo` bytes, its line end already taken off, and
// returns its kind, also set in *registro; the other fields of *registro
// hold the record only when it is one of the three.
TipoRegistro FunInterpretarRegistro(const char* linea, std::size_t largo,
                                    RegistroLeido* registro);

/* ------------------------------------------------------------------ file */

// Appends `linea` (no line end of its own) and a line end to bitacora.txt,
// forced to disk, after any records still pending. A record that cannot be
// written is kept in memory, in order, for a later try; the first failure
// of an episode first waits out a file that another program holds.
void FunEscribirBitacora(const char* linea);

// Tries once more to append the pending records; with `esperar`, waits out
// a file that another program holds. Does nothing when none is pending.
void FunPonerAlDiaBitacora(bool esperar);

// True when every record written so far is on disk: none is pending, and
// none was lost for want of memory to keep it.
bool FunBitacoraAlDia();

// Prints the alert for a failure episode that began since the last call.
void FunAvisarBitacora();

// At the program's end, after a last FunPonerAlDiaBitacora(true): says how
// many records never reached the log, and forgets them.
void FunCerrarBitacora();

// Forgets pending records and alerts, so that each test starts afresh.
void FunReiniciarBitacora();

// Prints the whole log within a frame of rules, every byte as stored, or an
// alert when the log cannot be opened.
void FunConsultarBitacora();

#endif  // QUENVARO_EVENTLOG_BITACORA_H_
