#include "eventlog/bitacora.h"

#include <cstdio>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace {

const char kArchivoBitacora[] = "bitacora.txt";
const char kRegla[] =
    "-------------------------------------------------------------\n";

// The display copies the log in blocks rather than a character at a time;
// in text mode both give the same bytes, and memory stays fixed however
// large the log has grown.
char bloqueCopia[64 * 1024];

// Each append hands stdio this buffer instead of letting it fstat the log to
// size one, a system call per record. It holds the longest record and its
// line end, so a record still leaves in one write.
char bufferRegistro[kTamRegistro + 1];

}  // namespace

/* ---------------------------------------------------------------- clock */

void FunTomarMarcaTiempo(char* marca) {
  marca[0] = '\0';
  std::time_t ahora = std::time(nullptr);
  // The program has one thread, so localtime's shared buffer is safe here.
  const std::tm* local = std::localtime(&ahora);
  if (local == nullptr ||
      std::strftime(marca, kTamMarcaTiempo, "%Y-%m-%d %H:%M:%S", local) == 0)
    marca[0] = '\0';
}

/* --------------------------------------------------------------- append */

void FunEscribirBitacora(const char* linea) {
  std::FILE* archivo = std::fopen(kArchivoBitacora, "a");
  if (archivo == nullptr) return;
  // setvbuf must come before any other use of the stream.
  std::setvbuf(archivo, bufferRegistro, _IOFBF, sizeof bufferRegistro);
  // Where this record starts, so that a write cut short (a full disk, a
  // file-size limit) can be taken back: a half record would otherwise glue
  // itself to the next one written once space is back. (The size is asked
  // of the file system: an append stream's position before its first write
  // is the start of the file on some systems.)
  std::error_code sinTamano;
  const std::uintmax_t inicio =
      std::filesystem::file_size(kArchivoBitacora, sinTamano);
  bool correcto = std::fprintf(archivo, "%s\n", linea) >= 0;
  if (std::fclose(archivo) != 0) correcto = false;
  if (!correcto && !sinTamano) {
    std::error_code ignorado;
    std::filesystem::resize_file(kArchivoBitacora, inicio, ignorado);
  }
}

/* -------------------------------------------------------------- display */

void FunConsultarBitacora() {
  std::FILE* archivo = std::fopen(kArchivoBitacora, "r");
  // Some systems open a folder for reading and only fail at the first read;
  // a log that yields not even that is as good as missing.
  std::size_t leidos = 0;
  if (archivo != nullptr) {
    leidos = std::fread(bloqueCopia, 1, sizeof bloqueCopia, archivo);
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
  while (leidos > 0) {
    std::fwrite(bloqueCopia, 1, leidos, stdout);
    leidos = std::fread(bloqueCopia, 1, sizeof bloqueCopia, archivo);
  }
  std::fputs(kRegla, stdout);
  std::fclose(archivo);
}
