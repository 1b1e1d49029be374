// The program's console texts and log records, typed out independently of
// the sources so that a change to any byte of them fails a test.
#ifndef QUENVARO_TESTS_TEXTOS_H_
#define QUENVARO_TESTS_TEXTOS_H_

#include <string>

namespace prueba {

const std::string kMenu =
    "\n=== SISTEMA INTEGRADO QUENVARO (C VERSION) ===\n"
    "1. Registrar Sesion Activa\n"
    "2. Despachar Siguiente Turno\n"
    "3. Consultar Bitacora.txt\n"
    "4. Salir\n"
    "\nC:\\Quenvaro\\Estructuras> seleccione_opcion: ";
const std::string kPideNombre = "\nNombre del Beneficiario: ";
const std::string kInvalida = "\n[MANEJADOR DE ERRORES] Error: Entrada invalida.\n\n";
const std::string kNoReconocido =
    "\n[MANEJADOR DE ERRORES] Error: Comando no reconocido. Ingrese de 1 a 4.\n\n";
const std::string kNombreVacio = "[MANEJADOR DE ERRORES] Nombre vacio.\n\n";
const std::string kColaVacia =
    "\n[MANEJADOR DE ERRORES] Runtime Error: Cola vacia (Underflow).\n\n";
const std::string kSinMemoriaSesion =
    "\n[MANEJADOR DE ERRORES] Runtime Error: Sin memoria para asignar sesion.\n";
const std::string kSinMemoriaTurno =
    "\n[MANEJADOR DE ERRORES] Runtime Error: Sin memoria para encolar turno.\n";
const std::string kCierre =
    "\n--> [DISK] Resumen inyectado en bitacora.txt.\n"
    "--> [STATUS] Ecosistema cerrado de forma segura.\n";
const std::string kSinBitacora =
    "\n--> [ALERTA DISCO] El archivo bitacora.txt no existe.\n\n";
const std::string kRegla =
    "-------------------------------------------------------------\n";
const std::string kCabecera =
    "\n" + kRegla +
    "   CONTENIDO PERSISTENTE DE BITACORA.TXT (HISTORIAL DE EVENTOS)   \n" +
    kRegla;
const std::string kYaAbierto =
    "\n[MANEJADOR DE ERRORES] Error: Quenvaro ya esta abierto en esta carpeta.\n";
const std::string kCerrojoInaccesible =
    "\n[MANEJADOR DE ERRORES] Error: No se pudo abrir quenvaro.lock.\n";
const std::string kRespaldoIlegible =
    "\n[MANEJADOR DE ERRORES] Error: No se pudo leer cola_respaldo.txt.\n";
const std::string kAlertaRespaldo =
    "\n--> [ALERTA DISCO] No se pudo actualizar cola_respaldo.txt; se reintentara.\n";
const std::string kAlertaBitacora =
    "\n--> [ALERTA DISCO] No se pudo escribir en bitacora.txt; se reintentara.\n";
const std::string kRespaldoSinActualizar =
    "\n--> [ALERTA DISCO] cola_respaldo.txt quedo sin actualizar.\n";
inline std::string NoLlegaron(int registros) {
  return "\n--> [ALERTA DISCO] " + std::to_string(registros) +
         " registros no llegaron a bitacora.txt.\n";
}
// Printed when standard input ends before the day is closed.
const std::string kFinEntrada = "\n";

inline std::string Registrado(int id, int turno) {
  return "\n>> [OK] Malloc completado. Nodo asignado con ID: " +
         std::to_string(id) +
         "\n>> [AUTOMATIZACION] Puntero encolado. Turno emitido: #" +
         std::to_string(turno) + "\n";
}

inline std::string Atendido(int turno) {
  return "\n>> Atendiendo Turno #" + std::to_string(turno) +
         ". Nodo destruido con free(temp).\n\n";
}

// Log records with their timestamp masked as SinMarcas leaves it.
inline std::string RegSesion(int id, const std::string& nombre, int turno) {
  return "REG_SESSION  -> [<FECHA>] ID_SESION: " + std::to_string(id) +
         " | USUARIO: " + nombre + " | TURNO: #" + std::to_string(turno) + "\n";
}

inline std::string FreeTurno(int turno) {
  return "FREE_TURNO   -> [<FECHA>] DESPACHADO: Turno #" +
         std::to_string(turno) + " | STATUS: Atendido\n";
}

inline std::string Cierre(int sesiones, int turnos) {
  return "SYS_SHUTDOWN -> [<FECHA>] RESUMEN JORNADA: " +
         std::to_string(sesiones) + " Sesiones | " + std::to_string(turnos) +
         " Turnos Emitidos\n";
}

// A backup line for a turn issued by a registration.
inline std::string LineaRespaldo(int turno) {
  return std::to_string(turno) + "|Atencion General Quenvaro\n";
}

}  // namespace prueba

#endif  // QUENVARO_TESTS_TEXTOS_H_
