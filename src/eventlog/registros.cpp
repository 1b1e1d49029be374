// The three record kinds of the event log, composed in one place so that
// every producer writes, and every reader expects, the same bytes.
#include <cstdio>

#include "eventlog/bitacora.h"

void FunComponerRegSesion(char* registro, const char* marca, int idSesion,
                          const char* nombre, int turno) {
  std::snprintf(registro, kTamRegistro,
                "REG_SESSION  -> [%s] ID_SESION: %d | USUARIO: %s | TURNO: #%d",
                marca, idSesion, nombre, turno);
}

void FunComponerFreeTurno(char* registro, const char* marca, int turno) {
  std::snprintf(registro, kTamRegistro,
                "FREE_TURNO   -> [%s] DESPACHADO: Turno #%d | STATUS: Atendido",
                marca, turno);
}

void FunComponerCierre(char* registro, const char* marca, int sesiones,
                       int turnos) {
  std::snprintf(registro, kTamRegistro,
                "SYS_SHUTDOWN -> [%s] RESUMEN JORNADA: %d Sesiones | %d "
                "Turnos Emitidos",
                marca, sesiones, turnos);
}
