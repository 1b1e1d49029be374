// quenvaro-informe: the record parse in-process, and the built program run
// on hand-made logs, its CSV and report compared with figures worked out
// by hand.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "eventlog/bitacora.h"
#include "platform/archivos.h"
#include "proceso.h"

namespace prueba {
namespace {

const std::string kCabeceraCsv =
    "fecha,sesiones,atendidos,espera_mediana_s,espera_p90_s,espera_max_s,"
    "sin_registro,pendientes,cierres\n";

// Log records with their stamp, without their line end.
std::string Reg(const std::string& marca, int id, const std::string& nombre,
                const std::string& turno) {
  return "REG_SESSION  -> [" + marca + "] ID_SESION: " + std::to_string(id) +
         " | USUARIO: " + nombre + " | TURNO: #" + turno;
}
std::string Free(const std::string& marca, const std::string& turno) {
  return "FREE_TURNO   -> [" + marca + "] DESPACHADO: Turno #" + turno +
         " | STATUS: Atendido";
}
std::string Shutdown(const std::string& marca, int sesiones, int turnos) {
  return "SYS_SHUTDOWN -> [" + marca +
         "] RESUMEN JORNADA: " + std::to_string(sesiones) + " Sesiones | " +
         std::to_string(turnos) + " Turnos Emitidos";
}
std::string Lineas(const std::vector<std::string>& lineas,
                   const std::string& fin = "\n") {
  std::string texto;
  for (const std::string& linea : lineas) texto += linea + fin;
  return texto;
}

class Informe : public ::testing::Test {
 protected:
  // Runs the report with `argumentos` on `log` (as bitacora.txt), checks
  // that it ended with status 0 and nothing on standard error, and returns
  // its standard output.
  std::string Correr(const std::string& log,
                     const std::vector<std::string>& argumentos) {
    EscribirArchivo(carpeta_ / "bitacora.txt", log);
    Ejecucion e = EjecutarInforme(carpeta_.ruta(), argumentos);
    EXPECT_EQ(e.estado, 0);
    EXPECT_EQ(e.error, "");
    return e.salida;
  }

  // How many names `carpeta` holds: nothing may be left behind.
  long Nombres(const fs::path& carpeta) {
    return std::distance(fs::directory_iterator(carpeta), {});
  }

  CarpetaTemporal carpeta_;
};

#ifdef _WIN32
// Under wine, the folder's path through the drive letter that maps the
// root of the Unix file system (Z:), or "" where there is none.
std::string PorOtraUnidad(const fs::path& ruta) {
  const auto convertir = reinterpret_cast<char*(__cdecl*)(const wchar_t*)>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"),
                                             "wine_get_unix_file_name")));
  char* enUnix = convertir != nullptr ? convertir(ruta.c_str()) : nullptr;
  std::string otra = enUnix != nullptr ? std::string("Z:") + enUnix : "";
  for (char& c : otra) c = c == '/' ? '\\' : c;
  return enUnix != nullptr && fs::exists(fs::u8path(otra)) ? otra : "";
}
#endif

/* -------------------------------------------------------------- parse */

TEST(RegistroLeido, RecordsAreReadWithTheNumbersTheyEndWith) {
  RegistroLeido r;
  const std::string sesion = Reg("2024-02-29 23:59:59", -12,
                                 "Bea | TURNO: #7 | TURNO: #", "0009999999");
  ASSERT_EQ(FunInterpretarRegistro(sesion.data(), sesion.size(), &r),
            kRegSesion);
  EXPECT_EQ(r.anio * 10000 + r.mes * 100 + r.dia, 20240229);
  EXPECT_EQ(r.hora * 3600 + r.minuto * 60 + r.segundo, 86399);
  EXPECT_EQ(r.primerNumero, -12);
  EXPECT_EQ(r.segundoNumero, 9999999);

  // What the console composes reads back as the same numbers.
  char registro[kTamRegistro];
  FunComponerRegSesion(registro, "2026-01-02 03:04:05", 2147483647, "",
                       -2147483647 - 1);
  ASSERT_EQ(FunInterpretarRegistro(registro, std::string(registro).size(), &r),
            kRegSesion);
  EXPECT_EQ(r.primerNumero, 2147483647);
  EXPECT_EQ(r.segundoNumero, -2147483648LL);
  FunComponerFreeTurno(registro, "2026-01-02 03:04:05", 42);
  ASSERT_EQ(FunInterpretarRegistro(registro, std::string(registro).size(), &r),
            kFreeTurno);
  EXPECT_EQ(r.primerNumero, 42);
  FunComponerCierre(registro, "2026-01-02 03:04:05", 3, 9999);
  ASSERT_EQ(FunInterpretarRegistro(registro, std::string(registro).size(), &r),
            kCierre);
  EXPECT_EQ(r.primerNumero, 3);
  EXPECT_EQ(r.segundoNumero, 9999);
}

TEST(RegistroLeido, NearMissesAreNotRecognised) {
  const std::string marca = "2026-03-01 08:00:00";
  const std::string sesion = Reg(marca, 1, "Ana", "5");
  const std::string turno = Free(marca, "5");
  const std::string cierre = Shutdown(marca, 1, 1);
  const std::vector<std::string> lineas = {
      "",
      sesion + " ",
      " " + sesion,
      sesion + "\r",                        // a "\r\r\n" line end
      sesion.substr(0, sesion.size() - 1),  // "TURNO: #"
      Reg(marca, 1, "Ana", "12345678901"),  // 11 digits
      Reg(marca, 1, "Ana", "+5"),
      Reg(marca, 1, "Ana", "--5"),
      "REG_SESSION  -> [" + marca + "] ID_SESION: 1 | USUARIO: | TURNO: #5",
      "REG_SESSION -> [" + marca + "] ID_SESION: 1 | USUARIO: Ana | TURNO: #5",
      Reg("2026-02-29 08:00:00", 1, "Ana", "5"),  // not a leap year
      Reg("1900-02-29 08:00:00", 1, "Ana", "5"),
      Reg("2026-04-31 08:00:00", 1, "Ana", "5"),
      Reg("0000-01-01 08:00:00", 1, "Ana", "5"),
      Free("2026-03-01 24:00:00", "5"),
      Free("2026-03-01 08:60:00", "5"),
      Free("2026-03-01 08:00:60", "5"),
      Free("2026-3-01 08:00:00", "5"),
      Free(marca, "5.0"),
      turno.substr(0, turno.size() - 1),
      "FREE_TURNO   -> [" + marca + "] DESPACHADO: Turno # | STATUS: Atendido",
      "SYS_SHUTDOWN -> [" + marca +
          "] RESUMEN JORNADA: 1 Sesiones|1 Turnos Emitidos",
      cierre + ".",
      "\x1a" + turno,
  };
  for (const std::string& linea : lineas) {
    RegistroLeido r;
    EXPECT_EQ(FunInterpretarRegistro(linea.data(), linea.size(), &r),
              kNoReconocido)
        << linea;
  }
}

/* ------------------------------------------------------------ program */

TEST_F(Informe, MatchesTurnsOverDaysRestartsAndRestoredTurns) {
  const std::string log =
      // Day 1: turn 7 was restored from a backup; turns 4 and 5 are
      // attended the next day. A name holds " | TURNO: #", another Ctrl-Z.
      Lineas({Free("2026-03-01 08:00:00", "7"),
              Reg("2026-03-01 08:00:00", 1, "Ana", "1"),
              Reg("2026-03-01 08:01:00", 2, "Bea | TURNO: #1", "2"),
              Reg("2026-03-01 08:02:00", 3, "Ce\x1a", "3"),
              Reg("2026-03-01 08:03:00", 4, "Dan", "4"),
              Free("2026-03-01 08:10:00", "1"),  // 600 s
              Free("2026-03-01 08:11:40", "2"),  // 640 s
              Free("2026-03-01 09:02:00", "3"),  // 3600 s
              Reg("2026-03-01 17:00:00", 5, "Hugo", "5"),
              Shutdown("2026-03-01 18:00:00", 5, 5)}) +
      // Day 2, CR LF: numbers restart at 1, and turn 5 is waiting twice,
      // so its dispatch takes day 1's.
      Lineas({Free("2026-03-02 08:03:00", "4"),  // 86400 s, day 1's
              Reg("2026-03-02 09:00:00", 1, "Eva", "1"),
              Reg("2026-03-02 09:00:30", 2, "Fede", "2"),
              Free("2026-03-02 09:00:45", "1"),  // 45 s
              Reg("2026-03-02 10:00:00", 3, "Ivan", "5"),
              Free("2026-03-02 10:05:00", "5")},  // 61500 s, day 1's
             "\r\n") +
      // Day 4: a dispatch stamped before its registration waits 0 s, and
      // 9999999999 is not the 32-bit 1410065407.
      Lineas({Reg("2026-03-04 10:00:00", 1, "Gil", "1"),
              Free("2026-03-04 09:59:00", "1"),
              Reg("2026-03-04 11:00:00", 2, "Hal", "9999999999"),
              Free("2026-03-04 11:01:00", "1410065407"),
              Free("2026-03-04 11:02:00", "9999999999"),  // 120 s
              "una linea ajena"});
  EXPECT_EQ(Correr(log, {"--csv"}),
            ComoTexto(kCabeceraCsv + "2026-03-01,5,4,640,3600,3600,1,0,1\n"
                                     "2026-03-02,3,3,61500,86400,86400,0,2,0\n"
                                     "2026-03-04,2,3,0,120,120,1,0,0\n"));
  // A range shows fewer days; the matching still reads the whole log.
  EXPECT_EQ(
      Correr(log, {"--hasta", "2026-03-03", "--csv", "--desde", "2026-03-02",
                   "bitacora.txt"}),
      ComoTexto(kCabeceraCsv + "2026-03-02,3,3,61500,86400,86400,0,2,0\n"));

  // The text report: the same figures, waits in minutes and seconds, the
  // totals, the registrations per hour and the foreign line.
  const std::string texto = Correr(log, {});
  for (const char* linea :
       {"2026-03-01         5         4   10m40s   60m00s   60m00s      1     "
        "0       1\n",
        "2026-03-02         3         3 1025m00s 1440m00s 1440m00s      0     "
        "2       0\n",
        // The total's median and P90 over every wait of the days shown.
        "TOTAL             10        10   10m00s 1440m00s 1440m00s      2     "
        "2       1\n",
        "07 |                                                    0\n",
        "08 | ################################################## 4\n",
        "09 | #########################                          2\n",
        "17 | #############                                      1\n",
        "Lineas no reconocidas (ignoradas): 1\n"})
    EXPECT_NE(texto.find(ComoTexto(linea)), std::string::npos) << linea;
}

TEST_F(Informe, DayThatReappearsAfterTheClockWentBackKeepsAllItsWaits) {
  std::string log = Lineas({Reg("2026-03-05 09:00:00", 1, "Ana", "1"),
                            Free("2026-03-05 09:10:00", "1"),  // 600 s
                            Reg("2026-03-05 09:20:00", 2, "Bea", "2")});
  // The next day: ten waits of 10, 20, ... 100 s; the 90th percentile is
  // the 9th smallest.
  for (int i = 1; i <= 10; ++i) {
    const int s = i * 10;
    const std::string t = std::to_string(10 + i);
    log += Lineas({Reg("2026-03-06 09:00:00", i, "Cris", t),
                   Free("2026-03-06 09:0" + std::to_string(s / 60) + ":" +
                            std::to_string(s % 60 / 10) + "0",
                        t)});
  }
  log +=
      Lineas({Free("2026-03-05 09:50:00", "2"),  // 1800 s, the clock set back
              Reg("2026-03-05 10:00:00", 3, "Dan", "3"),
              Free("2026-03-05 10:00:20", "3")});  // 20 s
  EXPECT_EQ(Correr(log, {"--csv"}),
            ComoTexto(kCabeceraCsv + "2026-03-05,3,3,600,1800,1800,0,0,0\n"
                                     "2026-03-06,10,10,50,90,100,0,0,0\n"));
}

TEST_F(Informe, CutLastLineCountsOnlyWhenItIsAWholeRecord) {
  const std::string inicio = Reg("2026-03-01 08:00:00", 1, "Ana", "1") + "\n";
  const std::string turno = Free("2026-03-01 08:01:00", "1");
  const std::string atendido = kCabeceraCsv + "2026-03-01,1,1,60,60,60,0,0,0\n";
  const std::string pendiente = kCabeceraCsv + "2026-03-01,1,0,,,,0,1,0\n";
  EXPECT_EQ(Correr(inicio + turno, {"--csv"}), ComoTexto(atendido));
  EXPECT_EQ(Correr(inicio + turno + "\r", {"--csv"}), ComoTexto(atendido));
  EXPECT_EQ(Correr(inicio + turno.substr(0, 30), {"--csv"}),
            ComoTexto(pendiente));
  // The record being written is not a foreign line.
  const std::string texto = Correr(inicio + turno.substr(0, 30), {});
  EXPECT_EQ(texto.find("no reconocidas"), std::string::npos);
  EXPECT_NE(texto.find("ultima linea esta incompleta"), std::string::npos);
}

TEST_F(Informe, TextReportShowsDaysTotalsHoursAndForeignLines) {
  // A turn left over for a week gives a wait wider than its column; it
  // must still stand apart from the next one.
  const std::string log = Reg("2026-01-01 09:00:00", 1, "Ana", "1") + "\nbasura\n" +
                          Reg("2026-01-08 09:00:00", 1, "Luis", "1") + "\n" +
                          Free("2026-01-08 09:10:00", "1") + "\n" +
                          Reg("2026-01-08 10:20:00", 2, "Eva", "2") + "\n" +
                          Free("2026-01-08 10:30:05", "2") + "\n";
  const std::string texto = Correr(log, {});
  const std::string bloque = std::string(50, '#');
  for (const std::string& linea : std::vector<std::string>{
           "\n2026-01-01         1         0        -        -        -      0     0       0\n",
           "\n2026-01-08         2         2   10m05s 10090m00s 10090m00s      0     1       0\n",
           "\nTOTAL              3         2   10m05s 10090m00s 10090m00s      0     1       0\n",
           "\n09 | " + bloque + " 2\n10 | " + bloque.substr(25) + std::string(26, ' ') + "1\n",
           "\nLineas no reconocidas (ignoradas): 1\n"})
    EXPECT_NE(texto.find(ComoTexto(linea)), std::string::npos) << linea;
}

// The words of each row of a table, tags and line ends aside.
std::vector<std::vector<std::string>> Palabras(
    const std::vector<std::string>& filas) {
  std::vector<std::vector<std::string>> palabras;
  for (std::string fila : filas) {
    for (std::size_t a; (a = fila.find('<')) != std::string::npos;)
      fila.replace(a, fila.find('>', a) - a + 1, " ");
    std::istringstream lectura(fila);
    palabras.emplace_back(std::istream_iterator<std::string>(lectura),
                          std::istream_iterator<std::string>());
  }
  return palabras;
}

TEST_F(Informe, PageShowsDaysMonthsAndWeekdaysInWordsPeopleSay) {
  // Days without waits, with a week's wait and with everything pending.
  const std::string log = Lineas({Reg("2026-01-01 09:00:00", 1, "Ana", "1"),
                                  Reg("2026-01-08 09:00:00", 1, "Luis", "1"),
                                  Free("2026-01-08 09:10:00", "1"),
                                  Reg("2026-01-08 10:20:00", 2, "Eva", "2"),
                                  Free("2026-01-08 10:30:05", "2"),
                                  Free("2026-01-08 11:00:00", "9"),
                                  Shutdown("2026-01-08 18:00:00", 3, 3),
                                  Reg("2026-01-09 08:00:00", 1, "Gil", "1")});
  const std::string html = Correr(log, {"--html"});
  // The rows of every table but the hours', each TOTAL in its table's foot.
  std::vector<std::string> filas;
  const std::size_t fin = html.find("<table class=\"horas\">");
  for (std::size_t a = html.find("<tr><td>"); a < fin;
       a = html.find("<tr><td>", a + 1))
    filas.push_back(html.substr(a, html.find("</tr>", a) - a));
  const std::string total = "10 min 5 s 168 h 10 min 168 h 10 min 1 2 1";
  EXPECT_EQ(Palabras(filas),
            Palabras({"jue 01/01/2026 1 0 - - - 0 0 0",
                      "jue 08/01/2026 2 3 10 min 5 s 168 h 10 min 168 h 10 min "
                      "1 1 1",
                      "vie 09/01/2026 1 0 - - - 0 1 0", "TOTAL 4 3 " + total,
                      "enero 2026 3 4 3 " + total, "TOTAL 3 4 3 " + total,
                      "jueves 2 3 3 10 min 5 s 168 h 10 min 168 h 10 min 1 1 1",
                      "viernes 1 1 0 - - - 0 1 0", "TOTAL 3 4 3 " + total}));
  EXPECT_NE(html.find("<tfoot><tr><td>TOTAL"), std::string::npos);
}

TEST_F(Informe, PageEscapesTheLogsName) {
  // A log named like markup is shown as text, a byte that is not UTF-8 (a
  // POSIX name is any bytes) as U+FFFD; no person's name is shown.
#ifdef _WIN32
  const std::string nombre = "a&b'c.txt", escapado = "a&amp;b&#39;c.txt";
#else
  const std::string nombre = "<b>&'\"\xe1\xc3\xa1.txt";
  const std::string escapado = "&lt;b&gt;&amp;&#39;&quot;&#xFFFD;\xc3\xa1.txt";
#endif
  EscribirArchivo(carpeta_.ruta() / nombre,
                  Reg("2026-01-01 09:00:00", 1, "Ana", "1") + "\n");
  Ejecucion e = EjecutarInforme(carpeta_.ruta(), {"--html", nombre});
  EXPECT_EQ(e.estado, 0);
  EXPECT_EQ(e.salida.find(nombre), std::string::npos);
  EXPECT_NE(e.salida.find("<title>Informe de atenci&oacute;n Quenvaro - " +
                          escapado),
            std::string::npos);
  EXPECT_EQ(e.salida.find("Ana"), std::string::npos);
}

TEST_F(Informe, ExcelIsForPeopleInMinutesWithDecimalCommasAndATotal) {
  const std::string log = Lineas({Reg("2026-03-01 08:00:00", 1, "Ana", "1"),
                                  Free("2026-03-01 08:07:40", "1"),
                                  Reg("2026-03-02 08:00:00", 1, "Bea", "1")});
  EXPECT_EQ(Correr(log, {"--excel"}),
            "\xEF\xBB\xBF"
            "Fecha;D\xC3\xAD" "a;Sesiones;Atendidos;Espera mediana (min);"
            "Espera P90 (min);Espera m\xC3\xA1xima (min);Sin registro;"
            "Pendientes;Cierres\r\n"
            "01/03/2026;domingo;1;1;7,7;7,7;7,7;0;0;0\r\n"
            "02/03/2026;lunes;1;0;;;;0;1;0\r\nTOTAL;;2;1;7,7;7,7;7,7;0;1;0\r\n");
}

TEST_F(Informe, SalidaIsWrittenWholeOrLeavesEverythingAsItWas) {
  const std::string log = Lineas({Reg("2026-03-01 08:00:00", 1, "Ana", "1")});
  // The file holds what standard output gets, but a saved page keeps its
  // LF line ends where standard output is text.
  struct Vista {
    const char* opcion;
    bool soloLf;
  };
  for (const Vista& v : {Vista{"--excel", false}, Vista{"--html", true},
                         Vista{"--csv", false}}) {
    const std::string salida = Correr(log, {v.opcion});
    EXPECT_EQ(Correr(log, {v.opcion, "--salida", "informe"}), "");
    const std::string archivo = LeerArchivo(carpeta_ / "informe");
    EXPECT_EQ(v.soloLf ? ComoTexto(archivo) : archivo, salida) << v.opcion;
  }

  EscribirArchivo(carpeta_ / "anterior.csv", "anterior");
  EscribirArchivo(carpeta_ / "otra.txt", log);
  fs::create_directory(carpeta_ / "carpeta.csv");
  struct Caso {
    std::vector<std::string> argumentos;
    const char* salida;
    int estado;
    long limite = 0;  // the largest file it may write
    bool texto = false;  // the text report, not --excel
  };
  const std::vector<Caso> casos = {
      {{"--desde", "2026-02-30"}, "anterior.csv", 2},
      {{".", "otra.txt"}, "otra.txt", 2},  // any log of several
      {{"falta.txt"}, "anterior.csv", 1},
      {{"falta.txt"}, "nuevo.csv", 1},
      {{}, "carpeta.csv", 1},  // the replace itself fails
#ifndef _WIN32
      {{}, "anterior.csv", 1, 100},  // the disk fills up halfway
      // ... and in the last write, a desk's name longer than any buffer in
      // the note on its log's unfinished last line: nothing is left to
      // flush, and the stream's error alone tells the report is cut short.
      {{"A=bitacora.txt", std::string(70000, 'm') + "=anterior.csv"}, "nuevo.csv", 1, 100, true},
#endif
  };
  for (const Caso& caso : casos) {
    std::vector<std::string> argumentos = caso.argumentos;
    argumentos.insert(argumentos.end(), {"--salida", caso.salida});
    if (!caso.texto) argumentos.push_back("--excel");
    OpcionesEjecucion opciones;
    opciones.limiteArchivo = caso.limite;
    Ejecucion e = EjecutarInforme(carpeta_.ruta(), argumentos, opciones);
    EXPECT_EQ(e.estado, caso.estado) << caso.salida;
    EXPECT_EQ(e.salida, "");
  }
  EXPECT_EQ(Nombres(carpeta_.ruta()), 5);
  EXPECT_EQ(LeerArchivo(carpeta_ / "anterior.csv"), "anterior");
  EXPECT_EQ(LeerArchivo(carpeta_ / "otra.txt"), log);
  EXPECT_EQ(LeerArchivo(carpeta_ / "bitacora.txt"), log);
  EXPECT_FALSE(fs::exists(carpeta_ / "nuevo.csv"));
  EXPECT_TRUE(fs::is_directory(carpeta_ / "carpeta.csv"));
}

// However --salida names a file of the console, through the log's folder
// or its own, that file is kept and nothing is written.
TEST_F(Informe, SalidaNeverReplacesAFileOfTheConsoleWhateverItsName) {
  const fs::path otra = carpeta_ / "otra";
  fs::create_directory(otra);
  std::vector<fs::path> archivos;
  for (const fs::path& carpeta : {carpeta_.ruta(), otra})
    for (const char* nombre : {"bitacora.txt", "cola_respaldo.txt", "quenvaro.lock"})
      archivos.push_back(carpeta / nombre);
  for (const fs::path& archivo : archivos) EscribirArchivo(archivo, archivo.u8string());
  fs::create_hard_link(otra / "cola_respaldo.txt", carpeta_ / "enlace-duro");
  std::vector<std::vector<std::string>> casos = {  // --salida, then the log
      {"bitacora.txt"}, {"./cola_respaldo.txt"}, {"quenvaro.lock"},
      {"otra/cola_respaldo.txt"},                      // its own folder's
      {"otra/../quenvaro.lock", "otra/bitacora.txt"},  // its own folder's
      {"enlace-duro", "otra/bitacora.txt"}};           // the log's folder's
  std::error_code error;
  fs::create_symlink(otra / "quenvaro.lock", carpeta_ / "enlace", error);
  if (!error) casos.push_back({"enlace", "otra/bitacora.txt"});
  if (fs::exists(carpeta_ / "COLA_RESPALDO.TXT"))  // names are caseless
    casos.push_back({"COLA_RESPALDO.TXT"});
#ifdef _WIN32
  const std::string unidad = PorOtraUnidad(otra / "bitacora.txt");
  if (!unidad.empty()) casos.push_back({unidad, "otra/bitacora.txt"});
#endif
  const long nombres = Nombres(carpeta_.ruta());
  for (std::vector<std::string> caso : casos) {
    caso.insert(caso.begin(), {"--excel", "--salida"});
    const Ejecucion e = EjecutarInforme(carpeta_.ruta(), caso);
    EXPECT_EQ(e.estado, 2) << caso[2];
    EXPECT_EQ(e.error.rfind("quenvaro-informe: la salida es ", 0), 0u) << e.error;
  }
  for (const fs::path& archivo : archivos)
    EXPECT_EQ(LeerArchivo(archivo), archivo.u8string());
  EXPECT_EQ(Nombres(carpeta_.ruta()), nombres);
  EXPECT_EQ(Nombres(otra), 3);
}

// A name planted where the report's temporary may go, a link to the log
// above all, is never opened: the log keeps every byte.
TEST_F(Informe, SalidaNeverWritesThroughAFileAlreadyThere) {
  const std::string log = Lineas({Reg("2026-03-01 08:00:00", 1, "Ana", "1")});
  const std::string csv = Correr(log, {"--csv"});
  const fs::path plantado = carpeta_ / "INFORME.tmp";
  std::error_code error;
  for (bool simbolico : {true, false}) {
    if (simbolico)
      fs::create_symlink(carpeta_ / "bitacora.txt", plantado, error);
    else
      fs::create_hard_link(carpeta_ / "bitacora.txt", plantado);
    if (error) continue;  // no symbolic links for this account
    std::FILE* creado = FunCrearParaEscribir(plantado.u8string().c_str());
    EXPECT_TRUE(creado == nullptr && errno == EEXIST);
    EXPECT_EQ(Correr(log, {"--csv", "--salida", "INFORME"}), "");
    EXPECT_EQ(LeerArchivo(carpeta_ / "INFORME"), csv);
    EXPECT_EQ(LeerArchivo(carpeta_ / "bitacora.txt"), log);
    EXPECT_EQ(Nombres(carpeta_.ruta()), 3);
    fs::remove(plantado);
  }
}

#ifndef _WIN32
TEST_F(Informe, AbrirHandsTheWrittenPageToTheDesktop) {
  const std::string log = Lineas({Reg("2026-03-01 08:00:00", 1, "Ana", "1")});
  {
    NavegadorFalso navegador(carpeta_.ruta());
    EXPECT_EQ(Correr(log, {"--html", "--salida", "informe.html", "--abrir"}), "");
    EXPECT_EQ(navegador.Abiertos(1), "informe.html\n");
    // A name that starts with '-' reaches it as a file, not as an option.
    EXPECT_EQ(Correr(log, {"--html", "--salida", "-x.html", "--abrir"}), "");
    const std::string abierto = navegador.Abiertos(2).substr(13);
    EXPECT_NE(abierto[0], '-');
    EXPECT_TRUE(fs::equivalent(carpeta_ / abierto.substr(0, abierto.size() - 1).c_str(),
                               carpeta_ / "-x.html"));
  }
  // Nothing to open it with: written all the same, and the failure said.
  const std::string ruta = std::getenv("PATH");
  setenv("PATH", carpeta_.ruta().c_str(), 1);
  Ejecucion e = EjecutarInforme(carpeta_.ruta(), {"--salida", "otro.txt", "--abrir"});
  setenv("PATH", ruta.c_str(), 1);
  EXPECT_EQ(e.estado, 1);
  EXPECT_NE(e.error.find("otro.txt"), std::string::npos);
  EXPECT_TRUE(fs::exists(carpeta_ / "otro.txt"));
}
#endif

TEST_F(Informe, ErrorsEndWithStatusOneOrTwoAndNothingOnStandardOutput) {
  EscribirArchivo(carpeta_ / "otra.txt", "");
  fs::create_directory(carpeta_ / "carpeta");
  struct Caso {
    std::vector<std::string> argumentos;
    int estado;
    std::string archivo;  // the log an error of status 1 must name
  };
  const std::vector<Caso> casos = {
      {{}, 1, "bitacora.txt"},  // none in this folder
      {{"--csv", "falta.txt"}, 1, "falta.txt"},
      {{"--", "-falta.txt"}, 1, "-falta.txt"},  // after --, a log, not an option
      // A folder: refused at the open, as anything but a regular file.
      {{"carpeta"}, 1, "carpeta"},
#ifdef __linux__
      {{"/proc/self/mem"}, 1, "/proc/self/mem"},  // opened, but unreadable
#endif
      {{"--csv", "--desde", "2026-02-30"}, 2, ""},
      {{"--hasta", "2026-13-01"}, 2, ""},
      {{"--desde", "2026-1-1"}, 2, ""},
      {{"--desde"}, 2, ""},
      {{"otra.txt", "--salida"}, 2, ""},
      {{"--abrir", "otra.txt"}, 2, ""},  // with nothing written to open
      {{"--semana"}, 2, ""},
      {{"otra.txt", "otra.txt"}, 2, ""},
      // Several logs: one twice by another path, two desks of one name, a
      // desk without a name, and one that cannot be read spoils them all.
      {{"a=otra.txt", "b=carpeta/../otra.txt"}, 2, ""},
      {{"x=otra.txt", "X=falta.txt"}, 2, ""},
      {{"=otra.txt"}, 2, ""},
      {{"otra.txt", "falta.txt", "--csv"}, 1, "falta.txt"},
  };
  for (const Caso& caso : casos) {
    Ejecucion e = EjecutarInforme(carpeta_.ruta(), caso.argumentos);
    std::string orden;
    for (const std::string& argumento : caso.argumentos)
      orden += argumento + " ";
    EXPECT_EQ(e.estado, caso.estado) << orden;
    EXPECT_EQ(e.salida, "") << orden;
    if (caso.estado == 1) {
      EXPECT_NE(e.error.find(caso.archivo), std::string::npos);
      EXPECT_EQ(e.error.find('\n'), e.error.size() - 1) << e.error;
    } else {
      EXPECT_NE(e.error.find("Uso: quenvaro-informe"), std::string::npos);
    }
  }

  Ejecucion e = EjecutarInforme(carpeta_.ruta(), {"--help", "--semana"});
  EXPECT_EQ(e.estado, 0);
  EXPECT_EQ(e.error, "");
  EXPECT_EQ(e.salida.rfind(
                ComoTexto("Uso: quenvaro-informe [--csv] [--desde AAAA-MM-DD] "
                          "[--hasta AAAA-MM-DD] [ARCHIVO...]\n"),
                0),
            0u);
}

/* ----------------------------------------------------- random logs */

// What a random log of one desk holds, day by day (of March 2026): turn
// numbers never repeat in it, so each dispatch takes its own registration.
struct DiaModelo {
  long long sesiones = 0, atendidos = 0, pendientes = 0;
  std::vector<long long> esperas;
};
using Modelo = std::map<int, DiaModelo>;

std::string Marca(int dia, long long segundos) {
  char texto[32];
  std::snprintf(texto, sizeof texto, "2026-03-%02d %02lld:%02lld:%02lld",
                dia + static_cast<int>(segundos / 86400), segundos / 3600 % 24,
                segundos / 60 % 60, segundos % 60);
  return texto;
}

// 1 to `maxTurnos` turns over `dias` days: some pending, many waits alike,
// a few of about a day. Thousands of turns fill most seconds of the
// waits' range, as a busy office's month does.
std::string LogAlAzar(std::mt19937* azar, int dias, Modelo* modelo,
                      int maxTurnos = 40) {
  std::vector<std::string> lineas;
  const int turnos = 1 + static_cast<int>((*azar)() % maxTurnos);
  for (int n = 1; n <= turnos; ++n) {
    const int dia = 1 + static_cast<int>((*azar)() % dias);
    const long long registro = 8 * 3600 + (*azar)() % (4 * 3600);
    lineas.push_back(Reg(Marca(dia, registro), n, "Ana", std::to_string(n)));
    ++(*modelo)[dia].sesiones;
    const unsigned suerte = (*azar)() % 10;
    if (suerte == 0) {
      ++(*modelo)[dia].pendientes;
      continue;
    }
    // The long ones from 23 to 26 hours: a turn taken the next day, a
    // little earlier or later than it came.
    const long long espera = suerte == 1 && dia < dias
                                 ? 82800 + (*azar)() % 10800
                             : suerte < 5 ? 60 * ((*azar)() % 8)
                                          : (*azar)() % 4000;
    const int diaTurno = dia + static_cast<int>((registro + espera) / 86400);
    lineas.push_back(Free(Marca(dia, registro + espera), std::to_string(n)));
    ++(*modelo)[diaTurno].atendidos;
    (*modelo)[diaTurno].esperas.push_back(espera);
  }
  // In time order, as the console writes.
  std::stable_sort(lineas.begin(), lineas.end(),
                   [](const std::string& a, const std::string& b) {
                     return a.substr(18, 19) < b.substr(18, 19);
                   });
  return Lineas(lineas);
}

long long Rango(std::vector<long long> esperas, int porCiento) {
  std::sort(esperas.begin(), esperas.end());
  return esperas[(esperas.size() * porCiento + 99) / 100 - 1];
}

std::string Espera(long long segundos) {
  return std::to_string(segundos / 60) + "m" +
         (segundos % 60 < 10 ? "0" : "") + std::to_string(segundos % 60) + "s";
}

// What the report printed, its line ends as LF on every system.
std::string SalidaDe(const fs::path& carpeta,
                     const std::vector<std::string>& argumentos) {
  std::string salida = EjecutarInforme(carpeta, argumentos).salida;
  salida.erase(std::remove(salida.begin(), salida.end(), '\r'), salida.end());
  return salida;
}

// A line of output that starts with `inicio`; "" if none.
std::string LineaQueEmpieza(const std::string& texto, const std::string& inicio) {
  const std::size_t a =
      texto.rfind(inicio, 0) == 0 ? 0 : texto.find("\n" + inicio);
  if (a == std::string::npos) return "";
  const std::size_t desde = a == 0 ? 0 : a + 1;
  return texto.substr(desde, texto.find('\n', desde) - desde);
}

TEST_F(Informe, TotalMedianAndP90AreTheNearestRankOfEveryWaitShown) {
  std::mt19937 azar(31);
  for (int caso = 0; caso < 300; ++caso) {
    Modelo modelo;
    const std::string log =
        LogAlAzar(&azar, 1 + caso % 20, &modelo, caso % 30 == 0 ? 8000 : 40);
    // Every third case shows only some days.
    const int desde = caso % 3 == 0 ? 1 + caso % 5 : 1;
    const int hasta = caso % 3 == 0 ? desde + caso % 7 : 31;
    std::vector<long long> esperas;
    for (const auto& par : modelo)
      if (desde <= par.first && par.first <= hasta)
        esperas.insert(esperas.end(), par.second.esperas.begin(),
                       par.second.esperas.end());
    const std::string texto =
        Correr(log, {"--desde", Marca(desde, 0).substr(0, 10), "--hasta",
                     Marca(hasta, 0).substr(0, 10)});
    std::istringstream total(LineaQueEmpieza(texto, "TOTAL"));
    std::string etiqueta, sesiones, atendidos, mediana, p90, maxima;
    total >> etiqueta >> sesiones >> atendidos >> mediana >> p90 >> maxima;
    if (esperas.empty()) {
      EXPECT_TRUE(mediana == "-" || etiqueta.empty()) << caso;
      continue;
    }
    EXPECT_EQ(mediana, Espera(Rango(esperas, 50))) << caso << "\n" << log;
    EXPECT_EQ(p90, Espera(Rango(esperas, 90))) << caso;
    EXPECT_EQ(maxima, Espera(Rango(esperas, 100))) << caso;
  }
}

TEST_F(Informe, SeveralDesksPoolEveryDaysWaitsAndKeepEachDeskAsAlone) {
  std::mt19937 azar(12);
  for (int caso = 0; caso < 20; ++caso) {
    const int mesas = 2 + caso % 11, dias = 1 + caso % 9;
    std::vector<std::string> nombres;
    std::map<int, DiaModelo> todas;
    for (int m = 0; m < mesas; ++m) {
      Modelo modelo;
      nombres.push_back("m" + std::to_string(m));
      EscribirArchivo(carpeta_.ruta() / (nombres.back() + ".txt"),
                      LogAlAzar(&azar, dias, &modelo, caso % 4 == 3 ? 3000 : 40));
      for (const auto& par : modelo) {
        DiaModelo& dia = todas[par.first];
        dia.sesiones += par.second.sesiones;
        dia.atendidos += par.second.atendidos;
        dia.pendientes += par.second.pendientes;
        dia.esperas.insert(dia.esperas.end(), par.second.esperas.begin(),
                           par.second.esperas.end());
      }
    }
    std::vector<std::string> archivos;
    for (const std::string& nombre : nombres) archivos.push_back(nombre + ".txt");
    archivos.push_back("--csv");
    const std::string csv = SalidaDe(carpeta_.ruta(), archivos);
    archivos.pop_back();
    const std::string texto = SalidaDe(carpeta_.ruta(), archivos);
    // Each desk's days and its row: what the report of its log alone says.
    std::string propias;
    for (const std::string& nombre : nombres) {
      const std::string sola = SalidaDe(carpeta_.ruta(), {nombre + ".txt", "--csv"});
      std::istringstream lineas(sola);
      std::string linea;
      std::getline(lineas, linea);
      while (std::getline(lineas, linea)) propias += nombre + "," + linea + "\n";
      const std::string total =
          LineaQueEmpieza(SalidaDe(carpeta_.ruta(), {nombre + ".txt"}), "TOTAL");
      EXPECT_EQ(LineaQueEmpieza(texto, nombre + " "),
                nombre + std::string(5 - nombre.size(), ' ') + total.substr(5))
          << caso;
    }
    // The desks' lines, in day order, then each day's line of all desks.
    std::string otras, pooled;
    std::istringstream lineas(csv);
    std::string linea;
    std::getline(lineas, linea);
    EXPECT_EQ(linea, "mesa," + kCabeceraCsv.substr(0, kCabeceraCsv.size() - 1));
    while (std::getline(lineas, linea))
      (linea[0] == ',' ? pooled : otras) += linea + "\n";
    std::string esperado;
    for (const auto& par : todas) {
      const DiaModelo& d = par.second;
      esperado += "," + Marca(par.first, 0).substr(0, 10) + "," +
                  std::to_string(d.sesiones) + "," + std::to_string(d.atendidos) + ",";
      if (!d.esperas.empty())
        esperado += std::to_string(Rango(d.esperas, 50)) + "," +
                    std::to_string(Rango(d.esperas, 90)) + "," +
                    std::to_string(Rango(d.esperas, 100));
      else
        esperado += ",";
      esperado += ",0," + std::to_string(d.pendientes) + ",0\n";
    }
    EXPECT_EQ(pooled, esperado) << caso;
    // The TOTAL of all desks: the nearest rank over every wait of them all.
    std::vector<long long> esperas;
    for (const auto& par : todas)
      esperas.insert(esperas.end(), par.second.esperas.begin(),
                     par.second.esperas.end());
    if (!esperas.empty()) {
      std::istringstream total(LineaQueEmpieza(texto, "TOTAL"));
      std::string etiqueta, sesiones, atendidos, mediana, p90, maxima;
      total >> etiqueta >> sesiones >> atendidos >> mediana >> p90 >> maxima;
      EXPECT_EQ(mediana + " " + p90 + " " + maxima,
                Espera(Rango(esperas, 50)) + " " + Espera(Rango(esperas, 90)) +
                    " " + Espera(Rango(esperas, 100)))
          << caso;
    }
    std::string ordenadas;
    for (const auto& par : todas)
      for (const std::string& nombre : nombres) {
        const std::string fecha = nombre + "," + Marca(par.first, 0).substr(0, 10) + ",";
        const std::size_t a = propias.find(fecha);
        if (a != std::string::npos)
          ordenadas += propias.substr(a, propias.find('\n', a) + 1 - a);
      }
    EXPECT_EQ(otras, ordenadas) << caso;
    // The page has a row for each desk in its desk table.
    archivos.push_back("--html");
    const std::string pagina = SalidaDe(carpeta_.ruta(), archivos);
    for (const std::string& nombre : nombres)
      EXPECT_NE(pagina.find("<tr><td>" + nombre + "</td>"), std::string::npos);
    for (const std::string& nombre : nombres)
      fs::remove(carpeta_.ruta() / (nombre + ".txt"));
  }
}

}  // namespace
}  // namespace prueba
