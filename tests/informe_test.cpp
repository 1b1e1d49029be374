// quenvaro-informe: the record parse in-process, and the built program run
// on hand-made logs, its CSV and report compared with figures worked out
// by hand.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "eventlog/bitacora.h"
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

  CarpetaTemporal carpeta_;
};

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
        "TOTAL             10        10                   1440m00s      2     "
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
           "\nTOTAL              3         2                   10090m00s      0     1       0\n",
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

TEST_F(Informe, PageShowsTheTextReportsDayTable) {
  // Days without waits, with a week's wait and with everything pending.
  const std::string log = Lineas({Reg("2026-01-01 09:00:00", 1, "Ana", "1"),
                                  Reg("2026-01-08 09:00:00", 1, "Luis", "1"),
                                  Free("2026-01-08 09:10:00", "1"),
                                  Reg("2026-01-08 10:20:00", 2, "Eva", "2"),
                                  Free("2026-01-08 10:30:05", "2"),
                                  Free("2026-01-08 11:00:00", "9"),
                                  Shutdown("2026-01-08 18:00:00", 3, 3),
                                  Reg("2026-01-09 08:00:00", 1, "Gil", "1")});
  std::vector<std::string> texto, pagina;
  std::istringstream lineas(Correr(log, {}));
  // The rows between the first rule and the blank line, rules aside.
  std::string linea;
  while (std::getline(lineas, linea) && linea.rfind("---", 0) != 0) {
  }
  while (std::getline(lineas, linea) && linea.size() > 1)
    if (linea.rfind("---", 0) != 0) texto.push_back(linea);
  const std::string html = Correr(log, {"--html"});
  const std::size_t inicio = html.find("<tbody>"), fin = html.find("</table>");
  ASSERT_LT(inicio, fin);
  for (std::size_t a = html.find("<tr>", inicio); a < fin;
       a = html.find("<tr>", a + 1))
    pagina.push_back(html.substr(a, html.find("</tr>", a) - a));
  EXPECT_EQ(texto.size(), 4u);
  EXPECT_EQ(Palabras(pagina), Palabras(texto));
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

TEST_F(Informe, ExcelIsTheCsvWithSemicolonsCrLfAndAByteOrderMark) {
  const std::string log = Lineas({Reg("2026-03-01 08:00:00", 1, "Ana", "1"),
                                  Free("2026-03-01 08:01:00", "1"),
                                  Reg("2026-03-02 08:00:00", 1, "Bea", "1")});
  EXPECT_EQ(Correr(log, {"--excel"}),
            "\xEF\xBB\xBF"
            "fecha;sesiones;atendidos;espera_mediana_s;espera_p90_s;"
            "espera_max_s;sin_registro;pendientes;cierres\r\n"
            "2026-03-01;1;1;60;60;60;0;0;0\r\n2026-03-02;1;0;;;;0;1;0\r\n");
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
  fs::create_directory(carpeta_ / "carpeta.csv");
  struct Caso {
    std::vector<std::string> argumentos;
    const char* salida;
    int estado;
    long limite = 0;  // the largest file it may write
  };
  const std::vector<Caso> casos = {
      {{"--desde", "2026-02-30"}, "anterior.csv", 2},
      {{"--abrir", "--salida", "bitacora.txt"}, "bitacora.txt", 2},
      {{"falta.txt"}, "anterior.csv", 1},
      {{"falta.txt"}, "nuevo.csv", 1},
      {{}, "carpeta.csv", 1},  // the replace itself fails
#ifndef _WIN32
      {{}, "anterior.csv", 1, 100},  // the disk fills up halfway
#endif
  };
  for (const Caso& caso : casos) {
    std::vector<std::string> argumentos = caso.argumentos;
    argumentos.insert(argumentos.end(), {"--excel", "--salida", caso.salida});
    OpcionesEjecucion opciones;
    opciones.limiteArchivo = caso.limite;
    Ejecucion e = EjecutarInforme(carpeta_.ruta(), argumentos, opciones);
    EXPECT_EQ(e.estado, caso.estado) << caso.salida;
    EXPECT_EQ(e.salida, "");
    EXPECT_FALSE(
        fs::exists(carpeta_.ruta() / (caso.salida + std::string(".tmp"))));
  }
  EXPECT_EQ(LeerArchivo(carpeta_ / "anterior.csv"), "anterior");
  EXPECT_EQ(LeerArchivo(carpeta_ / "bitacora.txt"), log);
  EXPECT_FALSE(fs::exists(carpeta_ / "nuevo.csv"));
  EXPECT_TRUE(fs::is_directory(carpeta_ / "carpeta.csv"));
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
                          "[--hasta AAAA-MM-DD] [ARCHIVO]\n"),
                0),
            0u);
}

}  // namespace
}  // namespace prueba
