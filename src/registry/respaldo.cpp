// The queue backup, cola_respaldo.txt: one "%d|%s" line per waiting turn,
// front first, after the dispatched turns whose records are not in the log
// yet; an empty queue is an empty file.
#include <cstdio>
#include <initializer_list>

#include "platform/archivos.h"
#include "registry/linea_respaldo.h"
#include "registry/registro.h"

namespace {

const char kArchivoRespaldo[] = "cola_respaldo.txt";
// Fixed name in the same folder, so the final rename never crosses a file
// system. A copy left behind by a killed run is simply overwritten.
const char kArchivoTemporal[] = "cola_respaldo.txt.tmp";
const char kNoSePudoLeer[] =
    "\n[MANEJADOR DE ERRORES] Error: No se pudo leer cola_respaldo.txt.\n";
const char kSinMemoria[] =
    "\n[MANEJADOR DE ERRORES] Runtime Error: Sin memoria para encolar turno.\n";

// The backup's stdio buffer, handed over with setvbuf: a stream given a
// buffer skips the fstat it would make to size one of its own, which every
// registration and dispatch paid, and a long queue leaves in 64 KiB writes
// and comes back in 64 KiB reads. The restore and the rewrites never have
// a stream open at the same time, so they share it.
char bufferRespaldo[64 * 1024];

// The file no longer holds the queue in memory, which is the truth until a
// rewrite succeeds again.
bool respaldoAtrasado = false;
// A failure episode began and the operator has not been told yet.
bool alertaPorDar = false;

// The stream FunAbrirRespaldo opened for the restore.
std::FILE* respaldoLeido = nullptr;

// One attempt at the whole rewrite: the queue goes to the temporary file,
// which is forced to disk and then takes the backup's place. On failure
// the old backup is untouched and the temporary is gone.
bool FunIntentarReescritura() {
  std::FILE* archivo = FunAbrirParaEscribir(kArchivoTemporal);
  if (archivo == nullptr) return false;
  // On failure the stream keeps stdio's own buffer; nothing else changes.
  std::setvbuf(archivo, bufferRespaldo, _IOFBF, sizeof bufferRespaldo);
  bool correcto = true;
  for (const NodoTurno* lista : {frenteDespachados, frenteCola})
    for (const NodoTurno* t = lista; t != nullptr && correcto; t = t->siguiente)
      correcto = std::fprintf(archivo, "%d|%s\n", t->numeroTurno,
                              t->descripcion) >= 0;
  // Buffered writes only fail for certain when the buffer is flushed, so the
  // close is checked as well as every write.
  if (std::ferror(archivo)) correcto = false;
  if (!FunCerrarForzado(archivo)) correcto = false;
  if (correcto && FunReemplazarForzado(kArchivoTemporal, kArchivoRespaldo))
    return true;
  std::remove(kArchivoTemporal);
  return false;
}

bool FunAbrirRespaldo() {
  respaldoLeido = FunAbrirParaLeer(kArchivoRespaldo);
  return respaldoLeido != nullptr;
}

}  // namespace

/* ---------------------------------------------------------------- write */

void FunSincronizarColaDisco() {
  FunSoltarDespachados();
  // Only the first failure of an episode waits for a file that another
  // program holds; while the failure lasts, commands must not wait.
  const bool enFallo = respaldoAtrasado;
  respaldoAtrasado = !FunReintentar(FunIntentarReescritura, !enFallo);
  if (respaldoAtrasado && !enFallo) alertaPorDar = true;
}

void FunPonerAlDiaColaDisco(bool esperar) {
  // A current backup that still holds turns whose records have reached the
  // log since is rewritten as after any change, or a death now would leave
  // them to be called again.
  if (FunSoltarDespachados() && !respaldoAtrasado)
    FunSincronizarColaDisco();
  else if (respaldoAtrasado)
    respaldoAtrasado = !FunReintentar(FunIntentarReescritura, esperar);
}

void FunAvisarColaDisco() {
  if (!alertaPorDar) return;
  alertaPorDar = false;
  std::fputs(
      "\n--> [ALERTA DISCO] No se pudo actualizar cola_respaldo.txt; se "
      "reintentara.\n",
      stdout);
}

void FunCerrarColaDisco() {
  FunPonerAlDiaColaDisco(true);
  if (respaldoAtrasado)
    std::fputs("\n--> [ALERTA DISCO] cola_respaldo.txt quedo sin actualizar.\n",
               stdout);
  FunReiniciarRespaldo();
}

void FunReiniciarRespaldo() {
  respaldoAtrasado = false;
  alertaPorDar = false;
}

/* ----------------------------------------------------------------- read */

bool FunRecuperarColaDisco() {
  // Only a missing file is an empty queue. One that exists but cannot be
  // read would otherwise be overwritten by the first change, and its turns
  // lost for good.
  if (!FunReintentar(FunAbrirRespaldo, true)) {
    if (FunFalloPorAusencia()) return true;
    std::fputs(kNoSePudoLeer, stdout);
    return false;
  }
  std::FILE* archivo = respaldoLeido;
  respaldoLeido = nullptr;
  std::setvbuf(archivo, bufferRespaldo, _IOFBF, sizeof bufferRespaldo);
  // Binary mode: a Ctrl-Z byte must not end the restore on Windows.
  char linea[kTamLineaRespaldo];
  bool sinMemoria = false;
  while (std::fgets(linea, sizeof linea, archivo) != nullptr) {
    int valor;
    const char* descripcion;
    if (!FunInterpretarLineaRespaldo(linea, &valor, &descripcion)) continue;
    NodoTurno* turno = FunCrearTurno(valor, descripcion);
    if (turno == nullptr) {
      sinMemoria = true;
      break;
    }
    FunAnexarTurno(turno);
    funContadorTurnosDia = valor;
    funContadorSesionesDia = valor;
  }
  const bool leido = !std::ferror(archivo);
  std::fclose(archivo);
  if (leido && !sinMemoria) return true;
  // Part of a queue is worse than none: the next rewrite would drop the
  // rest for good. The start-up stops instead.
  FunLiberarMemoria();
  funContadorTurnosDia = 0;
  funContadorSesionesDia = 0;
  std::fputs(sinMemoria ? kSinMemoria : kNoSePudoLeer, stdout);
  return false;
}
