#include "registry/registro.h"

#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>

#include "eventlog/bitacora.h"

int funContadorSesionesDia = 0;
int funContadorTurnosDia = 0;
NodoSesion* inicioSesiones = nullptr;
NodoTurno* frenteCola = nullptr;
NodoTurno* finalCola = nullptr;
NodoTurno* frenteDespachados = nullptr;

namespace {

NodoTurno* finalDespachados = nullptr;

const char kDescripcionGeneral[] = "Atencion General Quenvaro";

// Allocations left before the injected fault; negative when none is armed.
int asignacionesAntesDeFallo = -1;

// Every record comes from here, so a test can make any one of them fail as
// a real out-of-memory would.
template <typename Nodo>
Nodo* FunAsignarNodo() {
  if (asignacionesAntesDeFallo == 0) {
    asignacionesAntesDeFallo = -1;
    return nullptr;
  }
  if (asignacionesAntesDeFallo > 0) --asignacionesAntesDeFallo;
  // Not value-initialised: every caller sets each field at once, and a
  // restore of a million turns would otherwise clear each record first.
  return new (std::nothrow) Nodo;
}

// Copies at most 99 characters of `origen` and always terminates. A restore
// copies one text per line; a library scan and block copy beat a loop that
// tests the bound and the terminator at every character. memchr stops at
// the first NUL, so it never reads past a shorter string.
void FunCopiarTexto(char* destino, const char* origen) {
  const void* fin = std::memchr(origen, '\0', kTamTexto - 1);
  std::size_t largo = fin != nullptr
                          ? static_cast<std::size_t>(
                                static_cast<const char*>(fin) - origen)
                          : kTamTexto - 1;
  std::memcpy(destino, origen, largo);
  destino[largo] = '\0';
}

// Links a detached turn at the rear of the list from *frente to *final.
void FunEnlazarTurno(NodoTurno** frente, NodoTurno** final, NodoTurno* turno) {
  turno->siguiente = nullptr;
  if (*frente == nullptr)
    *frente = turno;
  else
    (*final)->siguiente = turno;
  *final = turno;
}

// Frees every turn of the list from *frente to *final, leaving it empty.
void FunLiberarTurnos(NodoTurno** frente, NodoTurno** final) {
  while (*frente != nullptr) {
    NodoTurno* siguiente = (*frente)->siguiente;
    delete *frente;
    *frente = siguiente;
  }
  *final = nullptr;
}

}  // namespace

/* ----------------------------------------------------------- primitives */

NodoTurno* FunCrearTurno(int numero, const char* descripcion) {
  NodoTurno* turno = FunAsignarNodo<NodoTurno>();
  if (turno == nullptr) return nullptr;
  turno->numeroTurno = numero;
  FunCopiarTexto(turno->descripcion, descripcion);
  turno->siguiente = nullptr;
  return turno;
}

void FunAnexarTurno(NodoTurno* turno) {
  FunEnlazarTurno(&frenteCola, &finalCola, turno);
}

bool FunInterpretarEntero(const char* texto, int* valor) {
  const char* p = texto;
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' ||
         *p == '\r')
    ++p;
  bool negativo = (*p == '-');
  if (*p == '+' || *p == '-') ++p;
  if (*p < '0' || *p > '9') return false;
  // Once the magnitude passes INT_MAX it stops growing, so a line of any
  // length cannot overflow the accumulator.
  long long magnitud = 0;
  for (; *p >= '0' && *p <= '9'; ++p)
    if (magnitud <= INT_MAX) magnitud = magnitud * 10 + (*p - '0');
  long long resultado = negativo ? -magnitud : magnitud;
  if (resultado > INT_MAX) resultado = INT_MAX;
  if (resultado < INT_MIN) resultado = INT_MIN;
  *valor = static_cast<int>(resultado);
  return true;
}

/* ------------------------------------------------------------- commands */

void FunIniciarSesion(const char* nombre) {
  // A counter at its ceiling (only reachable from a hand-edited backup)
  // would wrap into numbers already used; refuse before anything changes.
  if (funContadorSesionesDia == INT_MAX || funContadorTurnosDia == INT_MAX) {
    std::fputs(
        "\n[MANEJADOR DE ERRORES] Runtime Error: Limite de turnos del dia "
        "alcanzado (Overflow).\n\n",
        stdout);
    return;
  }
  NodoSesion* sesion = FunAsignarNodo<NodoSesion>();
  if (sesion == nullptr) {
    std::fputs(
        "\n[MANEJADOR DE ERRORES] Runtime Error: Sin memoria para asignar "
        "sesion.\n",
        stdout);
    return;
  }
  // The turn comes before any other change: a registration without one
  // would log and confirm the previous turn's number.
  if (!FunEncolarTurno(kDescripcionGeneral)) {
    delete sesion;
    return;
  }
  funContadorSesionesDia++;
  sesion->idSesion = funContadorSesionesDia;
  FunCopiarTexto(sesion->nombre, nombre);
  sesion->siguiente = inicioSesiones;
  inicioSesiones = sesion;

  FunSincronizarColaDisco();

  char marca[kTamMarcaTiempo];
  char registro[kTamRegistro];
  FunTomarMarcaTiempo(marca);
  FunComponerRegSesion(registro, marca, funContadorSesionesDia, nombre,
                       funContadorTurnosDia);
  FunEscribirBitacora(registro);

  std::printf("\n>> [OK] Malloc completado. Nodo asignado con ID: %d\n",
              funContadorSesionesDia);
  std::printf(">> [AUTOMATIZACION] Puntero encolado. Turno emitido: #%d\n",
              funContadorTurnosDia);
}

bool FunEncolarTurno(const char* descripcion) {
  NodoTurno* turno = FunCrearTurno(funContadorTurnosDia + 1, descripcion);
  if (turno == nullptr) {
    std::fputs(
        "\n[MANEJADOR DE ERRORES] Runtime Error: Sin memoria para encolar "
        "turno.\n",
        stdout);
    return false;
  }
  funContadorTurnosDia++;
  FunAnexarTurno(turno);
  return true;
}

void FunDespacharTurno() {
  if (frenteCola == nullptr) {
    std::fputs("\n[MANEJADOR DE ERRORES] Runtime Error: Cola vacia (Underflow).\n\n",
               stdout);
    return;
  }
  NodoTurno* turno = frenteCola;
  frenteCola = turno->siguiente;
  if (frenteCola == nullptr) finalCola = nullptr;
  const int numero = turno->numeroTurno;

  // The turn leaves the backup only once its record is on disk: a death at
  // any point, a log outage included, leaves it either dispatched in the
  // log or waiting in the backup, to be called again, never in neither
  // file. Until then it stays at the backup's front with the other
  // dispatched turns whose records are pending, in order.
  char marca[kTamMarcaTiempo];
  char registro[kTamRegistro];
  FunTomarMarcaTiempo(marca);
  FunComponerFreeTurno(registro, marca, numero);
  FunEscribirBitacora(registro);
  FunEnlazarTurno(&frenteDespachados, &finalDespachados, turno);

  // The rewrite frees the turn when its record reached the log.
  FunSincronizarColaDisco();

  std::printf("\n>> Atendiendo Turno #%d. Nodo destruido con free(temp).\n\n",
              numero);
}

bool FunSoltarDespachados() {
  if (frenteDespachados == nullptr || !FunBitacoraAlDia()) return false;
  FunLiberarTurnos(&frenteDespachados, &finalDespachados);
  return true;
}

void FunLiberarMemoria() {
  while (inicioSesiones != nullptr) {
    NodoSesion* siguiente = inicioSesiones->siguiente;
    delete inicioSesiones;
    inicioSesiones = siguiente;
  }
  FunLiberarTurnos(&frenteCola, &finalCola);
  FunLiberarTurnos(&frenteDespachados, &finalDespachados);
}

/* -------------------------------------------------------------- testing */

void FunProgramarFalloAsignacion(int exitosas) {
  asignacionesAntesDeFallo = exitosas < 0 ? -1 : exitosas;
}

void FunReiniciarRegistro() {
  FunLiberarMemoria();
  funContadorSesionesDia = 0;
  funContadorTurnosDia = 0;
  asignacionesAntesDeFallo = -1;
  FunReiniciarRespaldo();
}
