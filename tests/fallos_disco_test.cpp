// End-to-end under disk faults that hold even for root: a folder or a
// dangling link where a data file should be, and writes cut short by a
// file-size limit. Nothing that could be kept may be lost, and a file that
// could not be written is never passed over in silence.
#include <gtest/gtest.h>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <thread>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <map>
#include <regex>
#include <sstream>
#include <tuple>

#include "dia.h"
#include "proceso.h"
#include "textos.h"

namespace prueba {
namespace {

class FallosDisco : public DiaEnCarpeta {};

TEST_F(FallosDisco, LogThatIsAFolderAlertsOnceAndCountsTheRecordsItLost) {
  fs::create_directory(carpeta_ / "bitacora.txt");
  EXPECT_EQ(Correr("1\nAna\n1\nBeto\n2\n3\n4\n"),
            ComoTexto(kMenu + kPideNombre + Registrado(1, 1) + kAlertaBitacora +
                      kMenu + kPideNombre + Registrado(2, 2) + kMenu + Atendido(1) +
                      kMenu + kSinBitacora + kMenu + kCierre + NoLlegaron(4)));
  EXPECT_TRUE(fs::is_directory(carpeta_ / "bitacora.txt"));
  EXPECT_TRUE(fs::is_empty(carpeta_ / "bitacora.txt"));
  EXPECT_EQ(Cola(), ComoTexto(LineaRespaldo(1) + LineaRespaldo(2)));  // Ana's call unlogged
}

TEST_F(FallosDisco, BackupThatCannotBeReadStopsTheStartAndTouchesNothing) {
  fs::create_directory(carpeta_ / "cola_respaldo.txt");
  Ejecucion e = EjecutarQuenvaro(carpeta_.ruta(), "1\nAna\n4\n");
  EXPECT_EQ(e.estado, 1);
  EXPECT_EQ(e.salida, ComoTexto(kRespaldoIlegible));
  EXPECT_TRUE(fs::is_empty(carpeta_ / "cola_respaldo.txt"));
  EXPECT_FALSE(fs::exists(carpeta_ / "bitacora.txt"));
  EXPECT_FALSE(QuedaTemporal());
}

#ifndef _WIN32
TEST_F(FallosDisco, BackupWithoutReadPermissionStopsTheStartToo) {
  EscribirArchivo(carpeta_ / "cola_respaldo.txt", LineaRespaldo(5) + LineaRespaldo(6));
  fs::permissions(carpeta_ / "cola_respaldo.txt", fs::perms::none);
  // The folder stays writable, so only the program's own choice keeps it
  // from writing anything.
  OpcionesEjecucion opciones;
  opciones.sinPrivilegios = true;
  Ejecucion e = EjecutarQuenvaro(carpeta_.ruta(), "1\nAna\n4\n", opciones);
  EXPECT_EQ(e.estado, 1);
  EXPECT_EQ(e.salida, kRespaldoIlegible);
  EXPECT_FALSE(fs::exists(carpeta_ / "bitacora.txt"));
  fs::permissions(carpeta_ / "cola_respaldo.txt", fs::perms::owner_read);
  EXPECT_EQ(Cola(), LineaRespaldo(5) + LineaRespaldo(6));
}
#endif

TEST_F(FallosDisco, PendingRecordsReachTheLogOnceInOrderWhenItComesBack) {
  fs::create_directory(carpeta_ / "bitacora.txt");
  Interactiva dia(carpeta_.ruta());
  dia.Escribir("1\nAna\n");
  dia.Esperar(kAlertaBitacora + kMenu);
  dia.Escribir("1\nBeto\n");
  dia.Esperar(Registrado(2, 2) + kMenu);
  fs::remove(carpeta_ / "bitacora.txt");
  // The catch-up comes before the command, so the display shows it all.
  dia.Escribir("3\n4\n");
  EXPECT_EQ(dia.Terminar(), 0);
  const std::string registros = RegSesion(1, "Ana", 1) + RegSesion(2, "Beto", 2);
  EXPECT_EQ(SinMarcas(dia.salida()),
            ComoTexto(kMenu + kPideNombre + Registrado(1, 1) + kAlertaBitacora +
                      kMenu + kPideNombre + Registrado(2, 2) + kMenu + kCabecera +
                      registros + kRegla + kMenu + kCierre));
  EXPECT_EQ(Bitacora(), ComoTexto(registros + Cierre(2, 2)));
}

// A turn leaves the backup only once its call is in the log: a kill during
// a log outage leaves it waiting, to be called again, never lost.
TEST_F(FallosDisco, TurnCalledDuringALogOutageOutlivesAKill) {
  const fs::path bitacora = carpeta_ / "bitacora.txt", aparte = carpeta_ / "aparte.txt";
  Interactiva primero(carpeta_.ruta());
  primero.Escribir("1\nAna\n1\nBeto\n1\nCarla\n");
  primero.Esperar(Registrado(3, 3) + kMenu);
  fs::rename(bitacora, aparte);
  fs::create_directory(bitacora);
  primero.Escribir("2\n2\n1\nDora\n");
  primero.Esperar(Registrado(4, 4) + kMenu);
  const std::string cola = LineaRespaldo(2) + LineaRespaldo(3) + LineaRespaldo(4);
  EXPECT_EQ(Cola(), ComoTexto(LineaRespaldo(1) + cola));
  primero.Matar();
  primero.Terminar();
  // Called again; once the catch-up lands the call, the backup drops it.
  Interactiva segundo(carpeta_.ruta());
  segundo.Escribir("2\n");
  segundo.Esperar(Atendido(1) + kAlertaBitacora + kMenu);
  fs::remove(bitacora);
  fs::rename(aparte, bitacora);
  segundo.Escribir("3\n");
  segundo.Esperar(kRegla + kMenu);
  EXPECT_EQ(Cola(), ComoTexto(cola));
}

TEST_F(FallosDisco, SecondProgramInTheFolderIsRefusedUntilTheFirstEnds) {
  EscribirArchivo(carpeta_ / "cola_respaldo.txt", ComoTexto(LineaRespaldo(4)));
  Interactiva primero(carpeta_.ruta());
  primero.Esperar(kMenu);
  Ejecucion segundo = EjecutarQuenvaro(carpeta_.ruta(), "1\nBeto\n4\n");
  EXPECT_EQ(segundo.estado, 1);
  EXPECT_EQ(segundo.salida, ComoTexto(kYaAbierto));
  EXPECT_FALSE(fs::exists(carpeta_ / "bitacora.txt"));
  EXPECT_EQ(Cola(), ComoTexto(LineaRespaldo(4)));

  primero.Escribir("1\nAna\n4\n");
  EXPECT_EQ(primero.Terminar(), 0);
  EXPECT_EQ(primero.salida(), ComoTexto(kMenu + kPideNombre + Registrado(5, 5) +
                                        kMenu + kCierre));
  EXPECT_TRUE(fs::exists(carpeta_ / "quenvaro.lock"));
  EXPECT_EQ(fs::status(carpeta_ / "quenvaro.lock").permissions() & fs::perms::others_write,
            fs::perms::others_write);  // so that every operator's program locks it alike

  // A program killed while it holds the folder leaves no stale lock.
  Interactiva matado(carpeta_.ruta());
  matado.Esperar(kMenu);
  matado.Matar();
  matado.Terminar();
  EXPECT_EQ(Correr("4\n"), ComoTexto(kMenu + kCierre));

  // Another operator's lock file, which the program may only read (when
  // root runs the test), still keeps the folder to one program.
  fs::permissions(carpeta_ / "quenvaro.lock",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
#ifndef _WIN32
  if (geteuid() == 0) {
    ASSERT_EQ(chown((carpeta_ / "quenvaro.lock").c_str(), 65534, 65534), 0);
  }
#endif
  OpcionesEjecucion otro;
  otro.sinPrivilegios = true;
  EXPECT_EQ(EjecutarQuenvaro(carpeta_.ruta(), "4\n", otro).salida, ComoTexto(kMenu + kCierre));
  Interactiva tercero(carpeta_.ruta());
  tercero.Esperar(kMenu);
  EXPECT_EQ(EjecutarQuenvaro(carpeta_.ruta(), "4\n", otro).salida, ComoTexto(kYaAbierto));
#ifndef _WIN32  // one that cannot be opened at all says so
  fs::permissions(carpeta_ / "quenvaro.lock", fs::perms::none);
  Ejecucion cerrado = EjecutarQuenvaro(carpeta_.ruta(), "4\n", otro);
  EXPECT_EQ(std::make_pair(cerrado.estado, cerrado.salida), std::make_pair(1, kCerrojoInaccesible));
#endif
}

#ifndef _WIN32
// Replays the program's file calls against the pessimistic model of a power
// cut: data not yet synced, and folder entries (a creation, a rename) whose
// folder was not synced since, are lost. Every rename must install synced
// data, and nothing may reach the console while anything is still at risk.
// A dispatch's record must be on disk before the backup drops its turn.
TEST_F(FallosDisco, NothingIsConfirmedBeforeItIsOnDisk) {
  if (!fs::exists("/usr/bin/strace")) GTEST_SKIP() << "strace is not installed";
  OpcionesEjecucion opciones;
  opciones.traza = (carpeta_ / ".traza").string();
  Ejecucion e = EjecutarQuenvaro(carpeta_.ruta(), "1\nAna\n1\nBeto\n2\n4\n", opciones);
  ASSERT_EQ(e.estado, 0);
  const std::string carpeta = carpeta_.ruta().string();
  std::map<std::string, bool> enRiesgo;  // path -> data written, not synced
  std::map<std::string, bool> existe;  // by the name the program opens
  bool carpetaEnRiesgo = false;
  int renombres = 0, confirmaciones = 0;
  bool liberado = false;  // the FREE_TURNO record was written
  static const std::regex apertura(R"re(openat\(.*, "([^"]+)", ([A-Z_|]+).*\) = \d+<)re");
  static const std::regex escritura(R"re(^\d+ +write\((\d+)<([^>]+)>)re");
  static const std::regex forzado(R"re(f(?:data)?sync\(\d+<([^>]+)>\) = 0)re");
  static const std::regex renombre(R"re(rename\("([^"]+)", "([^"]+)"\) = 0)re");
  std::istringstream traza(LeerArchivo(opciones.traza));
  std::smatch m;
  for (std::string linea; std::getline(traza, linea);) {
    if (std::regex_search(linea, m, apertura)) {
      // The log's creation; the temporary's name is never relied upon.
      if (m[1] == "bitacora.txt" && m[2].str().find("O_CREAT") != std::string::npos &&
          !existe[m[1]])
        carpetaEnRiesgo = existe[m[1]] = true;
    } else if (std::regex_search(linea, m, escritura)) {
      if (m[1] != "1") {
        // Only files are at risk (a sanitized build's checks write to pipes).
        if (m[2].str().rfind("pipe:", 0) != 0) enRiesgo[m[2]] = true;
        liberado = liberado || linea.find("\"FREE_TURNO") != std::string::npos;
        continue;
      }
      ++confirmaciones;
      for (const auto& [ruta, riesgo] : enRiesgo)
        EXPECT_FALSE(riesgo) << ruta << " not synced before: " << linea;
      EXPECT_FALSE(carpetaEnRiesgo) << "folder not synced before: " << linea;
    } else if (std::regex_search(linea, m, forzado)) {
      if (m[1] == carpeta)
        carpetaEnRiesgo = false;
      else
        enRiesgo[m[1]] = false;
    } else if (std::regex_search(linea, m, renombre)) {
      const std::string origen = carpeta + "/" + m[1].str();
      const std::string destino = carpeta + "/" + m[2].str();
      EXPECT_FALSE(enRiesgo[origen]) << "renamed before its data was synced";
      enRiesgo[destino] = enRiesgo[origen];
      enRiesgo.erase(origen);
      carpetaEnRiesgo = true;
      ++renombres;
      EXPECT_TRUE(renombres != 3 || (liberado && !enRiesgo[carpeta + "/bitacora.txt"])) << linea;
    }
  }
  EXPECT_EQ(renombres, 3);
  EXPECT_GE(confirmaciones, 5);
}

TEST_F(FallosDisco, DanglingLogLinkIsLikeAMissingLog) {
  fs::create_symlink("no-existe/bitacora.txt", carpeta_ / "bitacora.txt");
  EXPECT_EQ(Correr("1\nAna\n3\n4\n"),
            ComoTexto(kMenu + kPideNombre + Registrado(1, 1) + kAlertaBitacora +
                      kMenu + kSinBitacora + kMenu + kCierre + NoLlegaron(2)));
  EXPECT_TRUE(fs::is_symlink(carpeta_ / "bitacora.txt"));
  EXPECT_EQ(Cola(), ComoTexto(LineaRespaldo(1)));
}

TEST_F(FallosDisco, LogLinkToACreatableFileIsFollowed) {
  fs::create_symlink("otra.txt", carpeta_ / "bitacora.txt");
  Correr("1\nAna\n4\n");
  EXPECT_TRUE(fs::is_symlink(carpeta_ / "bitacora.txt"));
  EXPECT_EQ(SinMarcas(LeerArchivo(carpeta_ / "otra.txt")),
            RegSesion(1, "Ana", 1) + Cierre(1, 1));
}

TEST_F(FallosDisco, DanglingBackupLinkStartsEmptyAndIsReplacedByTheQueue) {
  fs::create_symlink("no-existe/cola.txt", carpeta_ / "cola_respaldo.txt");
  EXPECT_EQ(Correr("1\nAna\n1\nBeto\n4\n"),
            ComoTexto(kMenu + kPideNombre + Registrado(1, 1) + kMenu +
                      kPideNombre + Registrado(2, 2) + kMenu + kCierre));
  EXPECT_FALSE(QuedaTemporal());
  // The waiting turns were kept: the next day gets them back.
  EXPECT_EQ(Correr("2\n4\n"), ComoTexto(kMenu + Atendido(1) + kMenu + kCierre));
}

TEST_F(FallosDisco, LogAppendCutShortLeavesNoHalfRecord) {
  // Room for part of one record only: it must not stay half written, or the
  // next record would be glued to it.
  std::string previo = "REG_SESSION  -> [2026-01-01 08:00:00] ID_SESION: 1 | "
                       "USUARIO: Ana | TURNO: #1\n";
  EscribirArchivo(carpeta_ / "bitacora.txt", previo);
  const long limite = static_cast<long>(previo.size()) + 40;
  EXPECT_EQ(Correr("1\nBeto\n2\n4\n", limite),
            kMenu + kPideNombre + Registrado(1, 1) + kAlertaBitacora + kMenu +
                Atendido(1) + kMenu + kCierre + NoLlegaron(3));
  EXPECT_EQ(LeerArchivo(carpeta_ / "bitacora.txt"), previo);
  EXPECT_EQ(Cola(), LineaRespaldo(1));  // its dispatch never reached the log

  Correr("4\n");
  EXPECT_EQ(Bitacora(), SinMarcas(previo) + Cierre(1, 1));

  // A log that the append created is cut back to nothing.
  fs::remove(carpeta_ / "bitacora.txt");
  Correr("1\nBeto\n", 40);
  EXPECT_EQ(LeerArchivo(carpeta_ / "bitacora.txt"), "");

  // A record that an earlier run left cut short stays a line of its own.
  EscribirArchivo(carpeta_ / "bitacora.txt", "REG_SESSION  -> [202");
  Correr("4\n");
  EXPECT_EQ(Bitacora(), "REG_SESSION  -> [202\n" + Cierre(1, 1));
}

// A FIFO or a link to a device in a file's place exists but cannot be
// used; nothing waits on it. (/dev/null, let through, floods nothing.)
TEST_F(FallosDisco, FifoOrDeviceInAFilesPlaceNeverHoldsTheProgram) {
  const std::string sinBitacora =
      kMenu + kSinBitacora + kMenu + kCierre + kAlertaBitacora + NoLlegaron(1);
  for (const auto& [archivo, estado, salida] :
       {std::make_tuple("cola_respaldo.txt", 1, kRespaldoIlegible),
        std::make_tuple("bitacora.txt", 0, sinBitacora)})
    for (const bool fifo : {true, false}) {
      if (fifo)
        ASSERT_EQ(mkfifo((carpeta_ / archivo).c_str(), 0644), 0);
      else
        fs::create_symlink("/dev/null", carpeta_ / archivo);
      Ejecucion e = EjecutarQuenvaro(carpeta_.ruta(), "3\n4\n");
      EXPECT_EQ(std::make_pair(e.estado, e.salida), std::make_pair(estado, salida));
      fs::remove(carpeta_ / archivo);
    }
}

TEST_F(FallosDisco, FullDiskMidDayKeepsTheLastWholeBackup) {
  // The limit lets the first rewrites through and stops the later, larger
  // ones: the backup then holds the queue of the last rewrite that fit.
  std::string entrada;
  for (int i = 0; i < 8; ++i) entrada += "1\nAna\n";
  const long limite = 4 * static_cast<long>(LineaRespaldo(1).size()) + 2;
  std::string salida = Correr(entrada + "4\n", limite);
  EXPECT_EQ(salida.find(kAlertaRespaldo), salida.rfind(kAlertaRespaldo));
  EXPECT_NE(salida.find(kAlertaRespaldo + kMenu), std::string::npos);
  EXPECT_NE(salida.find(kCierre + kRespaldoSinActualizar), std::string::npos);
  EXPECT_EQ(Cola(), LineaRespaldo(1) + LineaRespaldo(2) + LineaRespaldo(3) +
                        LineaRespaldo(4));
  EXPECT_FALSE(QuedaTemporal());
}
#endif

#ifdef _WIN32
/* ------------------------------------------------ files held on Windows */

// Another program holding a file, as a scanner, an indexer or a spreadsheet
// does: with `compartir` 0 it shares nothing; FILE_SHARE_READ is a reader
// that does not share writing.
class Sostenido {
 public:
  Sostenido(const fs::path& ruta, DWORD compartir)
      : manejador_(CreateFileW(ruta.c_str(), GENERIC_READ, compartir, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {
    EXPECT_NE(manejador_, INVALID_HANDLE_VALUE);
  }
  ~Sostenido() { Soltar(); }
  void Soltar() {
    if (manejador_ != INVALID_HANDLE_VALUE) CloseHandle(manejador_);
    manejador_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE manejador_;
};

TEST_F(FallosDisco, ShortHoldOnTheBackupPassesWithoutAWord) {
  EscribirArchivo(carpeta_ / "cola_respaldo.txt", ComoTexto(LineaRespaldo(4)));
  Interactiva dia(carpeta_.ruta());
  dia.Esperar(kMenu);
  Sostenido escaner(carpeta_ / "cola_respaldo.txt", 0);
  std::thread soltar([&] {
    Sleep(400);
    escaner.Soltar();
  });
  dia.Escribir("1\nAna\n");
  dia.Esperar(Registrado(5, 5) + kMenu);
  soltar.join();
  dia.Escribir("4\n");
  EXPECT_EQ(dia.Terminar(), 0);
  EXPECT_EQ(dia.salida(), ComoTexto(kMenu + kPideNombre + Registrado(5, 5) + kMenu + kCierre));
  EXPECT_EQ(Cola(), ComoTexto(LineaRespaldo(4) + LineaRespaldo(5)));
}

TEST_F(FallosDisco, LongHoldOnTheBackupAlertsOnceAndCatchesUpAfterIt) {
  EscribirArchivo(carpeta_ / "cola_respaldo.txt", "");
  Interactiva dia(carpeta_.ruta());
  dia.Esperar(kMenu);
  Sostenido escaner(carpeta_ / "cola_respaldo.txt", 0);
  dia.Escribir("1\nAna\n");
  dia.Esperar(kAlertaRespaldo + kMenu);
  dia.Escribir("1\nBeto\n");
  dia.Esperar(Registrado(2, 2) + kMenu);
  escaner.Soltar();
  dia.Escribir("3\n");
  dia.Esperar(kRegla + kMenu);
  EXPECT_EQ(Cola(), ComoTexto(LineaRespaldo(1) + LineaRespaldo(2)));
  dia.Escribir("4\n");
  EXPECT_EQ(dia.Terminar(), 0);
  const std::string salida = dia.salida(), alerta = ComoTexto(kAlertaRespaldo);
  EXPECT_NE(salida.find(alerta), std::string::npos);
  EXPECT_EQ(salida.find(alerta), salida.rfind(alerta));
  EXPECT_EQ(salida.find(ComoTexto(kRespaldoSinActualizar)), std::string::npos);
}

TEST_F(FallosDisco, CloseWhileTheBackupIsHeldSaysItStayedStale) {
  EscribirArchivo(carpeta_ / "cola_respaldo.txt", "");
  Interactiva dia(carpeta_.ruta());
  dia.Esperar(kMenu);
  Sostenido escaner(carpeta_ / "cola_respaldo.txt", 0);
  dia.Escribir("1\nAna\n4\n");
  EXPECT_EQ(dia.Terminar(), 0);
  EXPECT_EQ(SinMarcas(dia.salida()),
            ComoTexto(kMenu + kPideNombre + Registrado(1, 1) + kAlertaRespaldo +
                      kMenu + kCierre + kRespaldoSinActualizar));
  escaner.Soltar();
  EXPECT_EQ(Cola(), "");
}

TEST_F(FallosDisco, LogHeldByAReaderGetsEveryRecordOnceInOrderAfterIt) {
  EscribirArchivo(carpeta_ / "bitacora.txt", "");
  Interactiva dia(carpeta_.ruta());
  dia.Esperar(kMenu);
  Sostenido lector(carpeta_ / "bitacora.txt", FILE_SHARE_READ);
  dia.Escribir("1\nAna\n");
  dia.Esperar(kAlertaBitacora + kMenu);
  dia.Escribir("2\n");
  dia.Esperar(Atendido(1) + kMenu);
  lector.Soltar();
  dia.Escribir("3\n4\n");
  EXPECT_EQ(dia.Terminar(), 0);
  const std::string registros = RegSesion(1, "Ana", 1) + FreeTurno(1);
  EXPECT_EQ(SinMarcas(dia.salida()),
            ComoTexto(kMenu + kPideNombre + Registrado(1, 1) + kAlertaBitacora +
                      kMenu + Atendido(1) + kMenu + kCabecera + registros + kRegla +
                      kMenu + kCierre));
  EXPECT_EQ(Bitacora(), ComoTexto(registros + Cierre(1, 1)));
}

// The report's file held as a scanner holds it, a moment, is waited out;
// held as a spreadsheet holds it, open, the report says so in Spanish and
// leaves the old file.
TEST_F(FallosDisco, ReportsFileHeldAMomentIsReplacedHeldOpenIsNamed) {
  const std::vector<std::string> argumentos = {"--excel", "--salida", "informe.csv"};
  EscribirArchivo(carpeta_ / "bitacora.txt", "");
  EscribirArchivo(carpeta_ / "informe.csv", "anterior");
  Sostenido escaner(carpeta_ / "informe.csv", 0);
  std::thread soltar([&] { Sleep(600); escaner.Soltar(); });
  const Ejecucion breve = EjecutarInforme(carpeta_.ruta(), argumentos);
  soltar.join();
  EXPECT_EQ(breve.estado, 0) << breve.error;
  EXPECT_EQ(LeerArchivo(carpeta_ / "informe.csv").substr(0, 9), "\xEF\xBB\xBF" "Fecha;");
  EscribirArchivo(carpeta_ / "informe.csv", "anterior");
  Sostenido hoja(carpeta_ / "informe.csv", FILE_SHARE_READ);
  const Ejecucion larga = EjecutarInforme(carpeta_.ruta(), argumentos);
  hoja.Soltar();
  EXPECT_EQ(larga.estado, 1);
  EXPECT_EQ(larga.error, ComoTexto("quenvaro-informe: informe.csv esta abierto en otro "
                                   "programa (Excel?): cierrelo y vuelva a intentarlo\n"));
  EXPECT_EQ(LeerArchivo(carpeta_ / "informe.csv"), "anterior");
  EXPECT_EQ(std::distance(fs::directory_iterator(carpeta_.ruta()), {}), 2);
}
#endif

}  // namespace
}  // namespace prueba
