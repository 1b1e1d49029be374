// The queue restore, fed any backup file. Whatever the bytes, the queue it
// builds must be well formed, hold exactly the turns the line rules give,
// and leave both counters at the number of the last one.
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "registry/registro.h"

namespace {

// The private working folder every input is written to; removed at exit.
char carpeta[4096];

void BorrarCarpeta() {
  if (carpeta[0] == '\0') return;
  std::string respaldo = std::string(carpeta) + "/cola_respaldo.txt";
  std::remove(respaldo.c_str());
  rmdir(carpeta);
}

[[noreturn]] void Falla(const char* motivo) {
  std::fprintf(stderr, "restore: %s\n", motivo);
  std::abort();
}

struct Turno {
  int numero;
  std::string descripcion;
};

// strtoll clamped to the 32-bit range; a field without digits is 0.
int Numero(const std::string& campo) {
  long long n = std::strtoll(campo.c_str(), nullptr, 10);
  if (n > INT_MAX) n = INT_MAX;
  if (n < INT_MIN) n = INT_MIN;
  return static_cast<int>(n);
}

// The backup's line rules, read straight off the bytes rather than through
// stdio and strtok, so a slip in either reading shows as a mismatch.
std::vector<Turno> TurnosEsperados(const uint8_t* datos, size_t tam) {
  std::vector<Turno> turnos;
  size_t pos = 0;
  while (pos < tam) {
    // One read: up to 255 bytes, through the first line feed if sooner.
    size_t fin = pos;
    while (fin < tam && fin - pos < 255)
      if (datos[fin++] == '\n') break;
    std::string trozo(reinterpret_cast<const char*>(datos) + pos, fin - pos);
    pos = fin;
    // The text ends at its first NUL, then at its first CR or LF.
    trozo = trozo.substr(0, trozo.find_first_of(std::string("\0\r\n", 3)));
    // Fields are the runs of bytes between bars; the first two count.
    size_t a = trozo.find_first_not_of('|');
    if (a == std::string::npos) continue;
    size_t b = trozo.find('|', a);
    if (b == std::string::npos) continue;
    size_t c = trozo.find_first_not_of('|', b);
    if (c == std::string::npos) continue;
    size_t d = trozo.find('|', c);
    std::string descripcion =
        trozo.substr(c, d == std::string::npos ? std::string::npos : d - c);
    turnos.push_back({Numero(trozo.substr(a, b - a)),
                      descripcion.substr(0, kTamTexto - 1)});
  }
  return turnos;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* base = std::getenv("TMPDIR");
  if (base == nullptr || base[0] == '\0') base = "/tmp";
  std::snprintf(carpeta, sizeof carpeta, "%s/quenvaro-fuzz-XXXXXX", base);
  if (mkdtemp(carpeta) == nullptr || chdir(carpeta) != 0) {
    std::perror("private working folder");
    std::abort();
  }
  std::atexit(BorrarCarpeta);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t tam) {
  std::FILE* archivo = std::fopen("cola_respaldo.txt", "wb");
  if (archivo == nullptr) Falla("cannot create cola_respaldo.txt");
  bool escrito = std::fwrite(datos, 1, tam, archivo) == tam;
  if (std::fclose(archivo) != 0 || !escrito) Falla("cannot write cola_respaldo.txt");

  FunReiniciarRegistro();
  FunRecuperarColaDisco();

  if ((frenteCola == nullptr) != (finalCola == nullptr))
    Falla("only one end of the queue is set");
  std::vector<Turno> esperados = TurnosEsperados(datos, tam);
  size_t n = 0;
  const NodoTurno* ultimo = nullptr;
  for (const NodoTurno* t = frenteCola; t != nullptr; t = t->siguiente) {
    // Every turn takes at least three bytes of file, so a longer walk
    // means the links loop.
    if (n > tam) Falla("the queue links loop");
    const char* texto = t->descripcion;
    if (std::memchr(texto, '\0', kTamTexto) == nullptr)
      Falla("a description is not terminated");
    if (texto[0] == '\0') Falla("a description is empty");
    if (std::strpbrk(texto, "|\r\n") != nullptr)
      Falla("a description holds a bar or a line end");
    if (n >= esperados.size()) Falla("more turns than the file holds");
    if (t->numeroTurno != esperados[n].numero) Falla("a turn number differs");
    if (esperados[n].descripcion != texto) Falla("a description differs");
    ultimo = t;
    ++n;
  }
  if (n != esperados.size()) Falla("fewer turns than the file holds");
  if (ultimo != finalCola) Falla("the walk from the front misses the rear");
  int numero = ultimo != nullptr ? ultimo->numeroTurno : 0;
  if (funContadorTurnosDia != numero || funContadorSesionesDia != numero)
    Falla("the counters do not stand at the last turn");

  // Freed per input, so a leak shows against the input that caused it.
  FunReiniciarRegistro();
  return 0;
}
