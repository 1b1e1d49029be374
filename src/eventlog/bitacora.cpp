#include "eventlog/bitacora.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <new>
#include <system_error>

#include "platform/archivos.h"
#include "platform/texto.h"

namespace {

const char kArchivoBitacora[] = "bitacora.txt";
const char kRegla[] =
    "-------------------------------------------------------------\n";

// The display copies the log in blocks rather than a character at a time;
// memory stays fixed however large the log has grown. One byte is kept
// spare for the line-end folding of the Windows build.
char bloqueCopia[64 * 1024];

// Each append hands stdio this buffer instead of letting it fstat the log to
// size one, a system call per record. It holds the longest record, its line
// end and the line end that may go before it, so each record, flushed on its
// own, leaves in one write: a kill between two writes never tears one.
char bufferRegistro[kTamRegistro + 1];

// Records that could not be appended yet, oldest first. They go out before
// any later record, so the log keeps the order in which things happened.
struct RegistroPendiente {
  char texto[kTamRegistro];
  RegistroPendiente* siguiente;
};
RegistroPendiente* primerPendiente = nullptr;
RegistroPendiente* ultimoPendiente = nullptr;
int cuentaPendientes = 0;
// Records that could not even be kept in memory: lost, but still counted
// when the program ends.
int cuentaPerdidos = 0;
// The record of the append under way, written after the pending ones.
const char* registroEnCurso = nullptr;
// A failure episode began and the operator has not been told yet.
bool alertaPorDar = false;
// The log may end in a fragment: a record cut short by a kill or a power
// cut in an earlier run, or one that this run could not take back. Only an
// append that succeeds leaves a line end there for certain.
bool finalPorRevisar = true;
// This program created the log, and its name has not reached the disk yet.
bool creacionPorForzar = false;

void FunOlvidarPendientes() {
  while (primerPendiente != nullptr) {
    RegistroPendiente* siguiente = primerPendiente->siguiente;
    delete primerPendiente;
    primerPendiente = siguiente;
  }
  ultimoPendiente = nullptr;
  cuentaPendientes = 0;
}

void FunGuardarPendiente(const char* linea) {
  RegistroPendiente* registro = new (std::nothrow) RegistroPendiente;
  if (registro == nullptr) {
    ++cuentaPerdidos;
    return;
  }
  std::snprintf(registro->texto, sizeof registro->texto, "%s", linea);
  registro->siguiente = nullptr;
  if (ultimoPendiente == nullptr)
    primerPendiente = registro;
  else
    ultimoPendiente->siguiente = registro;
  ultimoPendiente = registro;
  ++cuentaPendientes;
}

// The log's last byte, or EOF when it cannot be read.
int FunLeerUltimoByte() {
  std::FILE* archivo = FunAbrirParaLeer(kArchivoBitacora);
  if (archivo == nullptr) return EOF;
  std::setvbuf(archivo, nullptr, _IONBF, 0);  // one byte is all it reads
  const int ultimo =
      std::fseek(archivo, -1, SEEK_END) == 0 ? std::fgetc(archivo) : EOF;
  std::fclose(archivo);
  return ultimo;
}

// One attempt to append every pending record and then the one under way,
// all or none, and to force them to disk. On success the pending ones are
// gone.
bool FunVolcarRegistros() {
  // Where the log ends now, so that a write cut short (a full disk, a
  // file-size limit) can be taken back: a half record would otherwise glue
  // itself to the next one written once space is back. (The size is asked
  // of the file system: an append stream's position before its first write
  // is the start of the file on some systems.) A log missing now will be
  // created: it ends at zero, and its name must reach the disk too.
  std::error_code sinTamano;
  std::uintmax_t inicio =
      std::filesystem::file_size(kArchivoBitacora, sinTamano);
  const bool nuevo = sinTamano == std::errc::no_such_file_or_directory;
  if (nuevo) inicio = 0;
  // A fragment at the end gets a line end of its own first, so it stands
  // alone as a line that is no record, and the next record starts a line.
  // The log is never cut below where it ended.
  bool terminarLinea = false;
  if (finalPorRevisar && !sinTamano && inicio > 0) {
    const int ultimo = FunLeerUltimoByte();
    if (ultimo == EOF) return false;
    terminarLinea = ultimo != '\n';
  }
  std::FILE* archivo = FunAbrirParaAnexar(kArchivoBitacora);
  if (archivo == nullptr) return false;
  // The new log's name goes to disk before any record does, or a power cut
  // could take the records with it; until then nothing is written.
  if (nuevo) creacionPorForzar = true;
  if (creacionPorForzar && !FunForzarCarpeta()) {
    std::fclose(archivo);
    return false;
  }
  creacionPorForzar = false;
  // setvbuf must come before any other use of the stream.
  std::setvbuf(archivo, bufferRegistro, _IOFBF, sizeof bufferRegistro);
  bool correcto = !terminarLinea || std::fputc('\n', archivo) != EOF;
  for (const RegistroPendiente* r = primerPendiente; r != nullptr && correcto;
       r = r->siguiente)
    correcto = std::fprintf(archivo, "%s\n", r->texto) >= 0 &&
               std::fflush(archivo) == 0;
  if (correcto && registroEnCurso != nullptr)
    correcto = std::fprintf(archivo, "%s\n", registroEnCurso) >= 0;
  if (!FunCerrarForzado(archivo)) correcto = false;
  finalPorRevisar = !correcto;
  if (!correcto) {
    if (!sinTamano || nuevo) {
      std::error_code ignorado;
      std::filesystem::resize_file(kArchivoBitacora, inicio, ignorado);
    }
    return false;
  }
  FunOlvidarPendientes();
  return true;
}

}  // namespace

/* ---------------------------------------------------------------- clock */

void FunTomarMarcaTiempo(char* marca) {
  marca[0] = '\0';
  std::time_t ahora = std::time(nullptr);
  // localtime's buffer is shared: a program with threads calls this from
  // one thread at a time (the screen does, through FunLeerReloj).
  const std::tm* local = std::localtime(&ahora);
  if (local == nullptr ||
      std::strftime(marca, kTamMarcaTiempo, "%Y-%m-%d %H:%M:%S", local) == 0)
    marca[0] = '\0';
}

/* --------------------------------------------------------------- append */

void FunEscribirBitacora(const char* linea) {
  // Only the first failure of an episode waits for a file that another
  // program holds; while the failure lasts, commands must not wait.
  const bool enFallo = primerPendiente != nullptr;
  registroEnCurso = linea;
  const bool escrito = FunReintentar(FunVolcarRegistros, !enFallo);
  registroEnCurso = nullptr;
  if (escrito) return;
  FunGuardarPendiente(linea);
  if (!enFallo) alertaPorDar = true;
}

void FunPonerAlDiaBitacora(bool esperar) {
  if (primerPendiente != nullptr) FunReintentar(FunVolcarRegistros, esperar);
}

bool FunBitacoraAlDia() {
  return primerPendiente == nullptr && cuentaPerdidos == 0;
}

void FunAvisarBitacora() {
  if (!alertaPorDar) return;
  alertaPorDar = false;
  std::fputs(
      "\n--> [ALERTA DISCO] No se pudo escribir en bitacora.txt; se "
      "reintentara.\n",
      stdout);
}

void FunCerrarBitacora() {
  const int perdidos = cuentaPendientes + cuentaPerdidos;
  if (perdidos > 0)
    std::printf("\n--> [ALERTA DISCO] %d registros no llegaron a bitacora.txt.\n",
                perdidos);
  FunReiniciarBitacora();
}

void FunReiniciarBitacora() {
  FunOlvidarPendientes();
  cuentaPerdidos = 0;
  alertaPorDar = false;
  finalPorRevisar = true;
  creacionPorForzar = false;
}

/* -------------------------------------------------------------- display */

void FunConsultarBitacora() {
  std::FILE* archivo = FunAbrirParaLeer(kArchivoBitacora);
  // Some systems open a folder for reading and only fail at the first read;
  // a log that yields not even that is as good as missing.
  const std::size_t kBloque = sizeof bloqueCopia - 1;
  std::size_t leidos = 0;
  if (archivo != nullptr) {
    leidos = std::fread(bloqueCopia, 1, kBloque, archivo);
    if (leidos == 0 && std::ferror(archivo)) {
      std::fclose(archivo);
      archivo = nullptr;
    }
  }
  if (archivo == nullptr) {
    std::fputs("\n--> [ALERTA DISCO] El archivo bitacora.txt no existe.\n\n",
               stdout);
    return;
  }
  std::fputs("\n", stdout);
  std::fputs(kRegla, stdout);
  std::fputs("   CONTENIDO PERSISTENTE DE BITACORA.TXT (HISTORIAL DE EVENTOS)   \n",
             stdout);
  std::fputs(kRegla, stdout);
  // Read in binary mode, so a stray Ctrl-Z byte cannot hide the rest of the
  // log on Windows; the folding gives the bytes a text-mode read would.
  bool retornoPendiente = false;
  while (leidos > 0) {
    const std::size_t plegados =
        FunPlegarFinesDeLinea(bloqueCopia, leidos, &retornoPendiente);
    // A character that the block's end splits goes with the next block, so
    // a console shows it whole. A CR held back ends the block: nothing
    // before it can be part of a character that goes on after it.
    const std::size_t enteros =
        retornoPendiente ? plegados : FunSinCaracterAbierto(bloqueCopia, plegados);
    FunEscribirBytes(stdout, bloqueCopia, enteros);
    const std::size_t abiertos = plegados - enteros;
    std::memmove(bloqueCopia, bloqueCopia + enteros, abiertos);
    leidos = std::fread(bloqueCopia + abiertos, 1, kBloque - abiertos, archivo);
    if (leidos > 0) leidos += abiertos;
    else if (abiertos > 0) FunEscribirBytes(stdout, bloqueCopia, abiertos);
  }
  FunEscribirBytes(stdout, bloqueCopia,
                   FunPlegarFinesDeLinea(bloqueCopia, 0, &retornoPendiente));
  std::fputs(kRegla, stdout);
  std::fclose(archivo);
}
