#include "report/informe.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "eventlog/bitacora.h"
#include "platform/archivos.h"
#include "platform/texto.h"
#include "report/modelo.h"
#include "report/vista_csv.h"
#include "report/vista_html.h"
#include "report/vista_texto.h"

namespace {

const char kPrograma[] = "quenvaro-informe";
const char kUso[] =
    "Uso: quenvaro-informe [--csv] [--desde AAAA-MM-DD] [--hasta AAAA-MM-DD] "
    "[ARCHIVO]\n"
    "     quenvaro-informe --html [--desde AAAA-MM-DD] [--hasta AAAA-MM-DD] "
    "[ARCHIVO]\n"
    "Resume, dia por dia, la bitacora de la consola Quenvaro: sesiones,\n"
    "turnos atendidos, esperas y turnos pendientes. Solo lee la bitacora.\n"
    "\n"
    "  ARCHIVO              la bitacora (por omision, bitacora.txt de la\n"
    "                       carpeta actual)\n"
    "  --csv                una linea CSV por dia en lugar del informe\n"
    "  --html               una pagina HTML con graficos en lugar del informe\n"
    "  --desde AAAA-MM-DD   solo los dias desde esa fecha, inclusive\n"
    "  --hasta AAAA-MM-DD   solo los dias hasta esa fecha, inclusive\n"
    "  --help               muestra esta ayuda\n"
    "\n"
    "Estado de salida: 0 hecho, 1 la bitacora no se puede leer, 2 linea de\n"
    "ordenes incorrecta.\n";

/* -------------------------------------------------------------- options */

// The view the figures are printed in.
enum Vista { kVistaTexto, kVistaCsv, kVistaHtml };
Vista vista = kVistaTexto;
// What the report is asked for: the log and the days.
Informe informe{"bitacora.txt", kSinDesde, kSinHasta, {}, {}, {}, 0, false};

// Read-only, in binary mode: line ends are handled here, and a Ctrl-Z
// byte must not end the reading on Windows. Reading, writing and deletion
// stay shared, as for the screen, so the console appends while the report
// reads, and a long report never keeps anyone from moving or removing an
// old log.
std::FILE* FunAbrirBitacora(const char* ruta) {
  return FunAbrirParaConsultar(ruta);
}

/* --------------------------------------------------------- command line */

// Flushes standard output: 0, or 1 after saying why it failed.
int FunTerminarSalida() {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
  std::fprintf(stderr, "%s: no se puede escribir en la salida: %s\n", kPrograma,
               std::strerror(errno));
  return 1;
}

// One line on standard error: the program, `antes`, the path as typed
// (on a console too) and `despues`.
void FunAvisarRuta(const char* antes, const char* ruta, const char* despues) {
  std::fprintf(stderr, "%s: %s", kPrograma, antes);
  FunEscribirTexto(stderr, ruta);
  std::fprintf(stderr, "%s\n", despues);
}

int FunErrorDeUso(const char* motivo, const char* argumento) {
  FunAvisarRuta((std::string(motivo) + ": ").c_str(), argumento, "");
  std::fprintf(stderr, "\n%s", kUso);
  return 2;
}

// Reads the command line into the options. Returns -1 to go on, or the
// exit status to end with.
int FunLeerOpciones(int argc, char** argv) {
  bool hayArchivo = false;
  bool finOpciones = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (finOpciones || arg[0] != '-' || arg[1] == '\0') {
      if (hayArchivo) return FunErrorDeUso("sobra un archivo", arg);
      informe.ruta = arg;
      hayArchivo = true;
    } else if (std::strcmp(arg, "--") == 0) {
      finOpciones = true;
    } else if (std::strcmp(arg, "--help") == 0) {
      std::fputs(kUso, stdout);
      return FunTerminarSalida();
    } else if (std::strcmp(arg, "--csv") == 0 ||
               std::strcmp(arg, "--html") == 0) {
      const Vista pedida = arg[2] == 'c' ? kVistaCsv : kVistaHtml;
      if (vista != kVistaTexto && vista != pedida)
        return FunErrorDeUso("una sola salida, --csv o --html", arg);
      vista = pedida;
    } else if (std::strcmp(arg, "--desde") == 0 ||
               std::strcmp(arg, "--hasta") == 0) {
      if (i + 1 == argc) return FunErrorDeUso("falta la fecha de", arg);
      const char* valor = argv[++i];
      int anio, mes, dia;
      if (!FunInterpretarFecha(valor, std::strlen(valor), &anio, &mes, &dia))
        return FunErrorDeUso("fecha imposible (AAAA-MM-DD)", valor);
      const int fecha = anio * 10000 + mes * 100 + dia;
      if (arg[2] == 'd')
        informe.fechaDesde = fecha;
      else
        informe.fechaHasta = fecha;
    } else {
      return FunErrorDeUso("opcion desconocida", arg);
    }
  }
  return -1;
}

}  // namespace

/* ------------------------------------------------------------------ run */

int FunEjecutarInforme(int argc, char** argv) {
  const int estado = FunLeerOpciones(argc, argv);
  if (estado >= 0) return estado;

  std::FILE* archivo = FunAbrirBitacora(informe.ruta);
  if (archivo == nullptr) {
    const std::string causa = std::string(": ") + std::strerror(errno);
    FunAvisarRuta("no se puede abrir ", informe.ruta, causa.c_str());
    return 1;
  }
  const bool leida = FunContarBitacora(archivo, &informe);
  const int error = errno;
  std::fclose(archivo);
  if (!leida) {
    const std::string causa =
        std::string(": ") + (error != 0 ? std::strerror(error)
                                        : "el archivo cambio durante la lectura");
    FunAvisarRuta("no se puede leer ", informe.ruta, causa.c_str());
    return 1;
  }

  switch (vista) {
    case kVistaTexto: FunImprimirTexto(informe); break;
    case kVistaCsv: FunImprimirCsv(informe); break;
    case kVistaHtml: FunImprimirHtml(informe); break;
  }
  return FunTerminarSalida();
}
