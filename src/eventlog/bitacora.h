// The event log: an append-only text file in the working folder, one record
// per line, and its display on the console.
#ifndef QUENVARO_EVENTLOG_BITACORA_H_
#define QUENVARO_EVENTLOG_BITACORA_H_

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

/* ------------------------------------------------------------------ file */

// Appends `linea` (no line end of its own) and a line end to bitacora.txt.
// A log that cannot be opened loses the record in silence.
void FunEscribirBitacora(const char* linea);

// Prints the whole log within a frame of rules, or an alert when the log
// cannot be opened.
void FunConsultarBitacora();

#endif  // QUENVARO_EVENTLOG_BITACORA_H_
