// Test support: fresh folders, whole-file reads and writes, runs of the
// built console with scripted standard input, and runs of the built report
// program with arguments.
#ifndef QUENVARO_TESTS_PROCESO_H_
#define QUENVARO_TESTS_PROCESO_H_

#include <filesystem>
#include <string>
#include <vector>

namespace prueba {

namespace fs = std::filesystem;

// A new empty folder, removed with everything in it when the object dies.
class CarpetaTemporal {
 public:
  CarpetaTemporal();
  ~CarpetaTemporal();
  CarpetaTemporal(const CarpetaTemporal&) = delete;
  CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;
  const fs::path& ruta() const { return ruta_; }
  fs::path operator/(const char* nombre) const { return ruta_ / nombre; }

 private:
  fs::path ruta_;
};

// Makes a folder the working directory for as long as the object lives.
class DirectorioActual {
 public:
  explicit DirectorioActual(const fs::path& carpeta);
  ~DirectorioActual();

 private:
  fs::path anterior_;
};

std::string LeerArchivo(const fs::path& ruta);  // binary; "" when missing
void EscribirArchivo(const fs::path& ruta, const std::string& bytes);

struct Ejecucion {
  std::string salida;  // everything the program wrote to standard output
  std::string error;   // ... and to standard error (EjecutarInforme only)
  int estado = -1;     // exit status, or -1 if it did not exit normally
};

struct OpcionesEjecucion {
  // When positive, the largest file the program may write, in bytes
  // (writes beyond it fail with EFBIG instead of killing the program).
  long limiteArchivo = 0;
  // When set (POSIX only), the program runs under strace, which writes the
  // file calls, with the path behind every descriptor, to this file.
  std::string traza;
  // Linux only: when run as root, the program runs without the capabilities
  // that pass over file modes, so that they bind it as they bind an operator.
  bool sinPrivilegios = false;
};

// Runs the built program in `carpeta` with `entrada` as its standard input
// (ending there), and returns what it printed and how it exited.
Ejecucion EjecutarQuenvaro(const fs::path& carpeta, const std::string& entrada,
                           const OpcionesEjecucion& opciones = {});

// Runs the built quenvaro-informe in `carpeta` with `argumentos` and an
// empty standard input, and returns both its outputs and how it exited.
// Of `opciones`, only the file-size limit counts, and on POSIX only.
Ejecucion EjecutarInforme(const fs::path& carpeta,
                          const std::vector<std::string>& argumentos,
                          const OpcionesEjecucion& opciones = {});

// Runs the built quenvaro-pantalla like EjecutarInforme, for its refusals.
Ejecucion EjecutarPantalla(const fs::path& carpeta,
                           const std::vector<std::string>& argumentos);

// The built quenvaro-pantalla serving `carpeta` (its CARPETA argument) on
// `puerto` of 127.0.0.1 (0: a free one) for as long as the object lives.
class Pantalla {
 public:
  // With `abrir` ("--abrir", "--quiosco"), it is started with that too.
  explicit Pantalla(const fs::path& carpeta, int puerto = 0,
                    const char* abrir = nullptr);
  // Started with `argumentos` after "--puerto 0", in `carpeta`.
  Pantalla(const fs::path& carpeta, const std::vector<std::string>& argumentos);
  ~Pantalla() { Detener(); }
  int puerto() const { return puerto_; }
  // Everything it printed before it answered its first request.
  std::string Inicio();
  // Ends it (POSIX: SIGINT, as Ctrl+C; Windows: at once); its exit status.
  int Detener();

 private:
  int puerto_ = 0;
  int estado_ = -1;
  std::string inicio_;  // what it printed, as far as read
  void Empezar(const fs::path& carpeta,
               const std::vector<std::string>& argumentos);
#ifdef _WIN32
  void* proceso_ = nullptr;
  void* salida_ = nullptr;  // its standard output, while open
#else
  int pid_ = -1;
  int salida_ = -1;
#endif
};

// Sends `peticion` to 127.0.0.1:`puerto` and returns the whole answer, or
// what came of it within `segundos`. A request line alone ("GET /") goes
// with Host and Connection: close.
std::string PedirHttp(int puerto, const std::string& peticion, int segundos = 20);

#ifndef _WIN32
// While it lives, a fake xdg-open comes first on PATH, and appends each
// file or address it is asked to open, one a line, to a file in `carpeta`;
// and to another, what it was started with: "grupo propio" when it leads a
// process group of its own, then where its descriptors 0 to 2 lead, then
// how many sockets it holds.
class NavegadorFalso {
 public:
  explicit NavegadorFalso(const fs::path& carpeta);
  ~NavegadorFalso();  // PATH as it was
  NavegadorFalso(const NavegadorFalso&) = delete;
  NavegadorFalso& operator=(const NavegadorFalso&) = delete;
  // What it was asked to open, once that is `lineas` lines (or 20 s passed).
  std::string Abiertos(int lineas) const;
  // What it was started with, one line a call, once it has that many.
  std::string Entorno(int lineas) const;

 private:
  fs::path registro_;
  std::string rutaAnterior_;
};

// Starts the built program in `carpeta` with a pipe as its standard input
// and its output discarded. Returns its pid (or -1) and sets *escritura to
// the pipe's writing end; the caller closes it and reaps the child.
int IniciarQuenvaroConTuberia(const fs::path& carpeta, int* escritura);
#endif

// The built program run in a folder with pipes for its standard input and
// output, so that a test can act between commands (hold a file, remove a
// folder) and see what each command printed before typing the next.
class Interactiva {
 public:
  explicit Interactiva(const fs::path& carpeta);
  ~Interactiva();  // closes its input and reaps the program
  Interactiva(const Interactiva&) = delete;
  Interactiva& operator=(const Interactiva&) = delete;

  void Escribir(const std::string& texto);
  // Reads until everything printed so far ends with `finalLf` as this
  // system writes text (or 20 s have passed); returns all printed so far.
  const std::string& Esperar(const std::string& finalLf);
  // Closes standard input, reads the rest and returns the exit status.
  int Terminar();
  const std::string& salida() const { return salida_; }
  void Matar();  // ends the program at once, as a power cut or kill -9 would

 private:
  bool Leer();  // waits a moment for output; false once it has ended
  std::string salida_;
  int estado_ = -1;
#ifdef _WIN32
  void* proceso_ = nullptr;
  void* entrada_ = nullptr;
  void* salidaHijo_ = nullptr;
#else
  int pid_ = -1;
  int entrada_ = -1;
  int salidaHijo_ = -1;
#endif
};

#ifndef _WIN32
// The programs started from now on run on libfaketime's clock: the real one
// moved by the offset `archivo` holds ("+61", "+1d") when they ask; true
// if so. An empty path, or no libfaketime, gives them the real clock.
bool UsarRelojFalso(const fs::path& archivo);
#endif

// Replaces every bracketed "[YYYY-MM-DD HH:MM:SS]" timestamp with "[<FECHA>]",
// so a record of any other shape still fails the comparison.
std::string SinMarcas(const std::string& texto);

// What the program's text-mode output looks like on this system: on Windows
// each line end is CR LF. Expectations go through this, so the Windows build
// is held to writing CR LF rather than having it folded away.
std::string ComoTexto(const std::string& lineasLf);

}  // namespace prueba

#endif  // QUENVARO_TESTS_PROCESO_H_
