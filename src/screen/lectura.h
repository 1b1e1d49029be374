// The reading of one console folder for the waiting room's screen: today's
// calls from the end of its event log, then the waiting turns from one
// reading of its queue backup. A value: each folder read has one, and what
// it remembers between two readings is its own.
#ifndef QUENVARO_SCREEN_LECTURA_H_
#define QUENVARO_SCREEN_LECTURA_H_

#include <memory>
#include <string>

// What one reading found: numbers only, never a byte of text from either
// file.
struct Foto {
  // nullptr, or the program's words for what failed (a file that exists
  // but cannot be read, or the clock); then nothing else is set.
  const char* error = nullptr;
  std::string fecha;     // "YYYY-MM-DD": the day the numbers are of
  // The six keys of the document, in its order: "\"atendiendo\": 12, ...,
  // \"atendidos_hoy\": 9".
  std::string claves;
  // "[s, ...]": the second of the day of the turn attended and of each
  // earlier call shown, in the same order.
  std::string segundos;
};

class LecturaCarpeta {
 public:
  // `carpeta`: the console's folder; "" for the current one.
  explicit LecturaCarpeta(const std::string& carpeta);
  ~LecturaCarpeta();
  LecturaCarpeta(const LecturaCarpeta&) = delete;
  LecturaCarpeta& operator=(const LecturaCarpeta&) = delete;

  // Reads the two files now, the log from where the last reading can be
  // trusted; may wait as long as the folder takes to answer.
  Foto Leer();
  // The folder as an absolute path, for the person starting the screen.
  std::string Nombrar() const;
  // Whether the folder holds neither file, so its numbers stay empty until
  // the console writes there.
  bool SinArchivos() const;

  struct Memoria;  // lectura_memoria.h

 private:
  std::unique_ptr<Memoria> memoria_;
};

// The local date and time as FunTomarMarcaTiempo writes them, safe to call
// from any thread at once.
void FunLeerReloj(char* marca);

#endif  // QUENVARO_SCREEN_LECTURA_H_
