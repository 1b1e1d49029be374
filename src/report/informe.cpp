#include "report/informe.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "eventlog/bitacora.h"
#include "platform/archivos.h"
#include "platform/causas.h"
#include "platform/identidad.h"
#include "platform/texto.h"
#include "platform/ventana.h"
#include "report/mesas.h"
#include "report/modelo.h"
#include "report/vista_csv.h"
#include "report/vista_html.h"
#include "report/vista_texto.h"

namespace {

const char kPrograma[] = "quenvaro-informe";
const char kUso[] =
    "Uso: quenvaro-informe [--csv] [--desde AAAA-MM-DD] [--hasta AAAA-MM-DD] "
    "[ARCHIVO...]\n"
    "     quenvaro-informe --html [--desde AAAA-MM-DD] [--hasta AAAA-MM-DD] "
    "[ARCHIVO...]\n"
    "     quenvaro-informe [--csv | --excel | --html] [--desde ...] "
    "[--hasta ...]\n"
    "                      --salida INFORME [--abrir] [ARCHIVO...]\n"
    "Resume, dia por dia, la bitacora de la consola Quenvaro: sesiones,\n"
    "turnos atendidos, esperas y turnos pendientes. Solo lee la bitacora.\n"
    "\n"
    "  ARCHIVO              la bitacora (por omision, bitacora.txt de la\n"
    "                       carpeta actual); una carpeta, su bitacora.txt.\n"
    "                       Con varias, cada una es una mesa y el informe\n"
    "                       las suma; NOMBRE=ARCHIVO le da nombre a la mesa\n"
    "                       (si no, el de la carpeta de su bitacora.txt, o\n"
    "                       el del archivo sin .txt)\n"
    "  --csv                una linea CSV por dia en lugar del informe\n"
    "  --html               una pagina HTML con graficos en lugar del informe\n"
    "  --excel              la tabla para una hoja de calculo en espanol:\n"
    "                       esperas en minutos, ';', CR LF y UTF-8 con BOM\n"
    "  --salida INFORME     escribe en el archivo INFORME, entero o nada, en\n"
    "                       lugar de en la salida estandar\n"
    "  --abrir              abre INFORME, ya escrito, con su programa\n"
    "                       predeterminado\n"
    "  --desde AAAA-MM-DD   solo los dias desde esa fecha, inclusive\n"
    "  --hasta AAAA-MM-DD   solo los dias hasta esa fecha, inclusive\n"
    "  --help               muestra esta ayuda\n"
    "\n"
    "Estado de salida: 0 hecho, 1 una bitacora no se puede leer, 2 linea de\n"
    "ordenes incorrecta.\n";

/* -------------------------------------------------------------- options */

// The view the figures are printed in.
enum Vista { kVistaTexto, kVistaCsv, kVistaExcel, kVistaHtml };
Vista vista = kVistaTexto;
// --salida's file, or nullptr for standard output; --abrir.
const char* rutaSalida = nullptr;
bool abrirSalida = false;
// What the report is asked for: the log and the days.
// What the report shows: the one log's, or all desks' pooled, the desks
// apart in `mesas`.
Informe informe;
std::vector<MesaPedida> pedidas;  // the logs named, in their order
std::vector<Informe> mesas;       // when there are several

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
               FunCausaEnEspanol(errno).c_str());
  return 1;
}

// One line on standard error: the program, `antes`, the path as typed
// (on a console too) and `despues`.
void FunAvisarRuta(const char* antes, const char* ruta, const char* despues) {
  std::fprintf(stderr, "%s: %s", kPrograma, antes);
  FunEscribirTexto(stderr, ruta);
  std::fprintf(stderr, "%s\n", despues);
}

// One line on standard error: the program, `antes`, the path and the cause
// of the failure whose errno is `error`.
void FunAvisarFallo(const char* antes, const char* ruta, int error) {
  FunAvisarRuta(antes, ruta, (": " + FunCausaEnEspanol(error)).c_str());
}

int FunErrorDeUso(const char* motivo, const char* argumento) {
  FunAvisarRuta((std::string(motivo) + ": ").c_str(), argumento, "");
  std::fprintf(stderr, "\n%s", kUso);
  return 2;
}

/* ------------------------------------------------------ --salida's guard */

// The files a console keeps in its folder, which a report written over
// them would lose: the log, the backup of the turns still waiting, and the
// lock that keeps a second console out; each as a person calls it.
const char* const kArchivosDeConsola[][2] = {
    {"bitacora.txt", "la bitacora"},
    {"cola_respaldo.txt", "el respaldo de la cola"},
    {"quenvaro.lock", "el cerrojo de la consola"},
};

// Which of a console's files `salida` is, as a person calls it, or nullptr
// when none: any log of `bitacoras`, or the log, the backup or the lock of
// their folders or of `salida`'s own. Whether two names are one file is
// what the system says of the files, however the names are spelt.
const char* FunArchivoDeConsola(const char* salida,
                                const std::vector<std::string>& bitacoras) {
  std::vector<std::filesystem::path> carpetas = {
      std::filesystem::u8path(salida).parent_path()};
  for (const std::string& bitacora : bitacoras) {
    if (FunMismoArchivo(salida, bitacora.c_str()))
      return kArchivosDeConsola[0][1];
    carpetas.push_back(std::filesystem::u8path(bitacora).parent_path());
  }
  for (const std::filesystem::path& carpeta : carpetas)
    for (const auto& archivo : kArchivosDeConsola)
      if (FunMismoArchivo(salida, (carpeta / archivo[0]).u8string().c_str()))
        return archivo[1];
  return nullptr;
}

// Reads the ARCHIVO arguments into the desks: none is bitacora.txt of the
// working folder. Returns -1 to go on, or the exit status to end with.
int FunLeerMesas(const std::vector<const char*>& archivos) {
  pedidas.clear();
  for (const char* archivo : archivos) {
    MesaPedida mesa;
    if (!FunLeerMesa(archivo, &mesa))
      return FunErrorDeUso("mesa sin nombre", archivo);
    pedidas.push_back(mesa);
  }
  if (pedidas.empty()) pedidas.push_back({"bitacora.txt", "bitacora"});
  // One log counted twice, or two desks read as one, would give figures
  // that are no desk's. Each file is identified once: a hundred desks make
  // thousands of pairs.
  const std::size_t n = pedidas.size();
  std::vector<unsigned long long> ids(2 * n);
  std::vector<bool> identificado(n);
  for (std::size_t i = 0; i < n && n > 1; ++i)
    identificado[i] = FunIdentificarArchivo(pedidas[i].ruta.c_str(), &ids[2 * i]);
  for (std::size_t i = 0; i < n && n > 1; ++i)
    for (std::size_t j = i + 1; j < n; ++j) {
      if (identificado[i] && identificado[j] && ids[2 * i] == ids[2 * j] &&
          ids[2 * i + 1] == ids[2 * j + 1])
        return FunErrorDeUso("la misma bitacora dos veces", archivos[j]);
      if (FunMismoNombre(pedidas[i].nombre, pedidas[j].nombre))
        return FunErrorDeUso("dos mesas con el mismo nombre",
                             pedidas[j].nombre.c_str());
    }
  return -1;
}

/* --------------------------------------------------------- command line */

// Reads the command line into the options. Returns -1 to go on, or the
// exit status to end with.
int FunLeerOpciones(int argc, char** argv) {
  std::vector<const char*> archivos;
  bool finOpciones = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (finOpciones || arg[0] != '-' || arg[1] == '\0') {
      archivos.push_back(arg);
    } else if (std::strcmp(arg, "--") == 0) {
      finOpciones = true;
    } else if (std::strcmp(arg, "--help") == 0) {
      std::fputs(kUso, stdout);
      return FunTerminarSalida();
    } else if (std::strcmp(arg, "--csv") == 0 ||
               std::strcmp(arg, "--html") == 0 ||
               std::strcmp(arg, "--excel") == 0) {
      const Vista pedida = arg[2] == 'c'   ? kVistaCsv
                           : arg[2] == 'e' ? kVistaExcel
                                           : kVistaHtml;
      if (vista != kVistaTexto && vista != pedida)
        return FunErrorDeUso(vista == kVistaExcel || pedida == kVistaExcel
                                 ? "una sola salida, --csv, --excel o --html"
                                 : "una sola salida, --csv o --html",
                             arg);
      vista = pedida;
    } else if (std::strcmp(arg, "--salida") == 0) {
      if (i + 1 == argc) return FunErrorDeUso("falta el archivo de", arg);
      rutaSalida = argv[++i];
    } else if (std::strcmp(arg, "--abrir") == 0) {
      abrirSalida = true;
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
  if (abrirSalida && rutaSalida == nullptr)
    return FunErrorDeUso("opcion sin --salida", "--abrir");
  const int estado = FunLeerMesas(archivos);
  if (estado >= 0) return estado;
  // Refused before anything is written: the report in place of a log
  // would lose every record, in place of the backup every waiting turn.
  if (rutaSalida != nullptr) {
    std::vector<std::string> bitacoras;
    for (const MesaPedida& mesa : pedidas) bitacoras.push_back(mesa.ruta);
    const char* deConsola = FunArchivoDeConsola(rutaSalida, bitacoras);
    if (deConsola != nullptr)
      return FunErrorDeUso((std::string("la salida es ") + deConsola).c_str(),
                           rutaSalida);
  }
  return -1;
}

/* ------------------------------------------------------ --salida's file */

// The temporary that --salida's file is written to, beside it.
std::string temporal;

// Creates the temporary, new, under a name no file had: --salida's with a
// random part and .tmp. In a folder shared by several accounts another may
// have planted a link there (to the log): nothing already there is opened,
// and a name that is taken gives way to another.
std::FILE* FunCrearTemporal() {
  std::random_device azar;
  for (int vez = 0; vez < 16; ++vez) {
    char sufijo[24];
    std::snprintf(sufijo, sizeof sufijo, ".%08x.tmp",
                  static_cast<unsigned>(azar()));
    temporal = std::string(rutaSalida) + sufijo;
    std::FILE* archivo = FunCrearParaEscribir(temporal.c_str());
    if (archivo != nullptr || errno != EEXIST) return archivo;
  }
  return nullptr;
}

bool FunReemplazarSalida() {
  return FunReemplazarForzado(temporal.c_str(), rutaSalida);
}

// Puts the report written to the temporary in place of --salida's file; on
// any failure, says why, removes the temporary and leaves that file as it
// was. The stream is closed in any case. 0, or 1 after a failure.
int FunTerminarArchivo(std::FILE* destino) {
  bool escrito = std::fflush(destino) == 0 && !std::ferror(destino);
  int error = errno;
  if (!FunCerrarForzado(destino) && escrito) {
    escrito = false;
    error = errno;
  }
  // A scanner or a backup holds the old file for a moment, as it does the
  // console's backup, and is waited out the same way.
  if (escrito && FunReintentar(FunReemplazarSalida, true)) return 0;
  if (escrito) error = errno;
  FunBorrarArchivo(temporal.c_str());
  if (escrito && error == EBUSY)
    FunAvisarRuta("", rutaSalida,
                  " esta abierto en otro programa (Excel?): cierrelo y vuelva "
                  "a intentarlo");
  else
    FunAvisarFallo(escrito ? "no se puede reemplazar " : "no se puede escribir ",
                   rutaSalida, error);
  return 1;
}

// Opens where the report goes: standard output, or the temporary for
// --salida. nullptr, after saying why, when it cannot be written.
std::FILE* FunAbrirDestino() {
  std::FILE* destino = rutaSalida != nullptr ? FunCrearTemporal() : stdout;
  // The spreadsheet's CR LF must come once, and a saved page's bytes as
  // made; the text report and --csv are text files of the system, as they
  // are on standard output.
  const bool binario =
      vista == kVistaExcel || (vista == kVistaHtml && rutaSalida != nullptr);
  if (destino != nullptr && (!binario || FunPasarABinario(destino)))
    return destino;
  const int error = errno;
  if (destino == nullptr) {
    // What failed is the new file in --salida's folder, not --salida's own.
    FunAvisarFallo("no se puede crear el archivo temporal ", temporal.c_str(),
                   error);
    return nullptr;
  }
  if (destino != stdout) {
    std::fclose(destino);
    FunBorrarArchivo(temporal.c_str());
  }
  FunAvisarFallo("no se puede escribir ",
                 rutaSalida != nullptr ? rutaSalida : "en la salida", error);
  return nullptr;
}

// Counts one log into *mesa: 0, or 1 after saying why it cannot be read.
int FunContarMesa(Informe* mesa) {
  std::FILE* archivo = FunAbrirBitacora(mesa->ruta);
  if (archivo == nullptr) {
    FunAvisarFallo("no se puede abrir ", mesa->ruta, errno);
    return 1;
  }
  const bool leida = FunContarBitacora(archivo, mesa);
  const int error = errno;
  std::fclose(archivo);
  if (!leida) {
    const std::string causa =
        ": " + (error != 0 ? FunCausaEnEspanol(error)
                           : std::string("el archivo cambio durante la lectura"));
    FunAvisarRuta("no se puede leer ", mesa->ruta, causa.c_str());
    return 1;
  }
  return 0;
}

// Counts every log named, each desk on its own, and pools them when there
// are several. 0, or 1 when any log cannot be read.
int FunContarMesas() {
  const int desde = informe.fechaDesde, hasta = informe.fechaHasta;
  if (pedidas.size() == 1) {
    informe.ruta = pedidas[0].ruta.c_str();
    informe.mesa = pedidas[0].nombre;
    return FunContarMesa(&informe);
  }
  for (int i = 0; i < 7; ++i) informe.semana[i].fecha = i;
  // Each desk is pooled while the next one's log is read, its days' waits
  // in one of two maps while the other is being read into.
  std::map<int, Distribucion> esperasMesa[2], esperasTodas;
  mesas.reserve(pedidas.size());  // a desk handed over never moves
  Sumadora* sumadora = FunIniciarSumadora(&informe, &esperasTodas);
  int estado = 0;
  for (std::size_t i = 0; i < pedidas.size() && estado == 0; ++i) {
    mesas.emplace_back();
    Informe& mesa = mesas.back();
    mesa.ruta = pedidas[i].ruta.c_str();
    mesa.mesa = pedidas[i].nombre;
    mesa.fechaDesde = desde;
    mesa.fechaHasta = hasta;
    mesa.esperasPorDia = &esperasMesa[i % 2];
    estado = FunContarMesa(&mesa);
    mesa.esperasPorDia = nullptr;
    if (estado == 0) FunEntregarMesa(sumadora, &mesa, &esperasMesa[i % 2]);
  }
  FunTerminarSumadora(sumadora);
  if (estado != 0) return estado;
  FunCompletarTodas(&esperasTodas, &informe);
  return 0;
}

// The report: its options, the logs read, the view written. Returns the
// exit status.
int FunGenerarInforme(int argc, char** argv) {
  const int estado = FunLeerOpciones(argc, argv);
  if (estado >= 0) return estado;

  if (FunContarMesas() != 0) return 1;

  // Only once the log is read is there a file: a failure before leaves
  // none, and an earlier report stays as it was.
  std::FILE* destino = FunAbrirDestino();
  if (destino == nullptr) return 1;
  switch (vista) {
    case kVistaTexto: FunImprimirTexto(informe, mesas, destino); break;
    case kVistaCsv: FunImprimirCsv(informe, mesas, destino); break;
    case kVistaExcel: FunImprimirExcel(informe, mesas, destino); break;
    case kVistaHtml: FunImprimirHtml(informe, mesas, destino); break;
  }
  if (rutaSalida == nullptr) return FunTerminarSalida();
  if (FunTerminarArchivo(destino) != 0) return 1;
  if (abrirSalida && !FunAbrirConPredeterminado(rutaSalida)) {
    FunAvisarRuta("", rutaSalida,
                  " esta escrito, pero no se pudo abrir con su programa "
                  "predeterminado");
    return 1;
  }
  return 0;
}

}  // namespace

/* ------------------------------------------------------------------ run */

int FunEjecutarInforme(int argc, char** argv) {
  const int estado = FunGenerarInforme(argc, argv);
  // A window that a person opened for the report alone keeps what there is
  // to read until a key is pressed: why it failed, or the report itself.
  // A file written is its own answer (--abrir shows it), and a window
  // that closes by itself never holds up a scheduled report.
  if (estado != 0 || rutaSalida == nullptr) FunEsperarTeclaSiVentanaPropia();
  return estado;
}
