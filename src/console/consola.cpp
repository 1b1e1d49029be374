#include "console/consola.h"

#include <cstdio>
#include <cstring>

#include "eventlog/bitacora.h"
#include "platform/archivos.h"
#include "platform/texto.h"
#include "registry/registro.h"

namespace {

// One read takes at most 99 characters; the rest of a longer line is what
// the next read returns, without waiting for the operator.
const int kTamEntrada = 100;

const char kBanner[] = "\n=== SISTEMA INTEGRADO QUENVARO (C VERSION) ===\n";
const char kMenu[] =
    "1. Registrar Sesion Activa\n"
    "2. Despachar Siguiente Turno\n"
    "3. Consultar Bitacora.txt\n"
    "4. Salir\n";
const char kPrompt[] = "\nC:\\Quenvaro\\Estructuras> seleccione_opcion: ";
// Held for the life of the process: one program per folder.
const char kArchivoCerrojo[] = "quenvaro.lock";

// Reads one line after making the pending prompt visible; stdout is fully
// buffered when it is a pipe. A name typed at a Windows console arrives as
// UTF-8, so the log reads the same in every program; its 99 bytes then end
// on a whole character. False at end of input or on a read error.
bool FunLeerLinea(char* buffer) {
  std::fflush(stdout);
  return FunLeerLineaEntrada(buffer, kTamEntrada);
}

/* -------------------------------------------------------------- options */

// Option 1. False when standard input has ended.
bool FunOpcionRegistrar() {
  char nombre[kTamEntrada];
  std::fputs("\nNombre del Beneficiario: ", stdout);
  if (!FunLeerLinea(nombre)) return false;
  nombre[std::strcspn(nombre, "\r\n")] = '\0';
  if (nombre[0] == '\0')
    std::fputs("[MANEJADOR DE ERRORES] Nombre vacio.\n\n", stdout);
  else
    FunIniciarSesion(nombre);
  return true;
}

// Option 4: the day summary goes to the log, then the closing lines.
void FunOpcionCerrarDia() {
  char marca[kTamMarcaTiempo];
  char registro[kTamRegistro];
  FunTomarMarcaTiempo(marca);
  FunComponerCierre(registro, marca, funContadorSesionesDia,
                    funContadorTurnosDia);
  FunEscribirBitacora(registro);
  std::fputs(
      "\n--> [DISK] Resumen inyectado en bitacora.txt.\n"
      "--> [STATUS] Ecosistema cerrado de forma segura.\n",
      stdout);
}

}  // namespace

/* -------------------------------------------------------------- start-up */

bool FunReservarCarpeta() {
  // A second window would keep a queue of its own and issue the same
  // numbers again; it must not touch either file. Nor may a program that
  // cannot tell whether one is running.
  switch (FunTomarCerrojo(kArchivoCerrojo)) {
    case kCerrojoTomado: return true;
    case kCerrojoAjeno:
      std::fputs(
          "\n[MANEJADOR DE ERRORES] Error: Quenvaro ya esta abierto en esta "
          "carpeta.\n",
          stdout);
      return false;
    case kCerrojoInaccesible: break;
  }
  std::fputs("\n[MANEJADOR DE ERRORES] Error: No se pudo abrir quenvaro.lock.\n",
             stdout);
  return false;
}

/* ------------------------------------------------------------ menu loop */

void FunEjecutarMenu() {
  int opcion = 0;
  char entrada[kTamEntrada];
  bool hayEntrada = true;
  do {
    std::fputs(kBanner, stdout);
    std::fputs(kMenu, stdout);
    std::fputs(kPrompt, stdout);
    if (!FunLeerLinea(entrada)) {
      hayEntrada = false;
      break;
    }
    int leido;
    if (!FunInterpretarEntero(entrada, &leido)) {
      std::fputs("\n[MANEJADOR DE ERRORES] Error: Entrada invalida.\n\n",
                 stdout);
      continue;
    }
    opcion = leido;
    if (opcion < 1 || opcion > 4) {
      std::fputs(
          "\n[MANEJADOR DE ERRORES] Error: Comando no reconocido. Ingrese de 1 "
          "a 4.\n\n",
          stdout);
      continue;
    }
    // Files left behind by an earlier failure catch up first, so that the
    // log shown or appended to already holds every earlier record. The log
    // goes first: the backup then drops the dispatched turns whose records
    // have just reached it.
    FunPonerAlDiaBitacora(false);
    FunPonerAlDiaColaDisco(false);
    switch (opcion) {
      case 1: hayEntrada = FunOpcionRegistrar(); break;
      case 2: FunDespacharTurno(); break;
      case 3: FunConsultarBitacora(); break;
      case 4: FunOpcionCerrarDia(); break;
    }
    FunAvisarColaDisco();
    FunAvisarBitacora();
  } while (hayEntrada && opcion != 4);
  // Input ended without a close: the day stays open (no summary is logged),
  // and the shell's prompt should not start on the program's prompt line.
  if (!hayEntrada) std::fputs("\n", stdout);
  // Whatever is still pending gets a last chance before the program ends,
  // the log first, for the same reason as above.
  FunPonerAlDiaBitacora(true);
  FunCerrarColaDisco();
  FunCerrarBitacora();
  std::fflush(stdout);
}
