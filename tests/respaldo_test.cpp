// The queue backup: what a restore makes of each kind of line, the bytes a
// rewrite leaves, restarts of the built program, and interrupted rewrites.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>
#endif

#include "dia.h"
#include "platform/archivos.h"
#include "proceso.h"
#include "registry/registro.h"
#include "textos.h"

namespace prueba {
namespace {

using Turnos = std::vector<std::pair<int, std::string>>;

class Respaldo : public ::testing::Test {
 protected:
  void SetUp() override { FunReiniciarRegistro(); }
  void TearDown() override { FunReiniciarRegistro(); }

  // Restores from `contenido` into an empty registry; returns the queue.
  Turnos Restaurar(const std::string& contenido) {
    FunReiniciarRegistro();
    EscribirArchivo("cola_respaldo.txt", contenido);
    FunRecuperarColaDisco();
    Turnos turnos;
    const NodoTurno* ultimo = nullptr;
    for (const NodoTurno* t = frenteCola; t != nullptr; t = t->siguiente) {
      turnos.emplace_back(t->numeroTurno, t->descripcion);
      ultimo = t;
    }
    EXPECT_EQ(finalCola, ultimo);
    // The restore never rewrites the file it read.
    EXPECT_EQ(LeerArchivo("cola_respaldo.txt"), contenido);
    return turnos;
  }

  CarpetaTemporal carpeta_;
  DirectorioActual aqui_{carpeta_.ruta()};
};

TEST_F(Respaldo, RestoreAcceptsTheLineFormsItShould) {
  struct Caso {
    const char* como;
    std::string contenido;
    Turnos turnos;
  } casos[] = {
      {"plain", "4|Atencion\n5|Caja\n", {{4, "Atencion"}, {5, "Caja"}}},
      {"no digits gives 0", "abc|texto\n", {{0, "texto"}}},
      {"leading bar", "|7|texto\n", {{7, "texto"}}},
      {"two bars", "7||texto\n", {{7, "texto"}}},
      {"third field ignored", "7|a|b\n", {{7, "a"}}},
      {"CR LF", "7|x\r\n8|y\r\n", {{7, "x"}, {8, "y"}}},
      {"last line without end", "7|x", {{7, "x"}}},
      {"atoi prefix", " +12abc|d\n-3|e\n", {{12, "d"}, {-3, "e"}}},
      {"saturated", "99999999999|x\n-99999999999|y\n", {{INT_MAX, "x"}, {INT_MIN, "y"}}},
      {"duplicates kept", "2|a\n2|a\n", {{2, "a"}, {2, "a"}}},
      {"description cut", "1|" + std::string(150, 'd') + "\n", {{1, std::string(99, 'd')}}},
      {"blank description", "1| \n", {{1, " "}}},
      {"Ctrl-Z is a byte like any other", "5|a\x1a b\n6|c\n", {{5, "a\x1a b"}, {6, "c"}}},
  };
  for (const Caso& caso : casos) EXPECT_EQ(Restaurar(caso.contenido), caso.turnos) << caso.como;
}

TEST_F(Respaldo, RestoreSkipsMalformedLinesSilently) {
  EXPECT_EQ(Restaurar("\n\r\n7\n7|\n|\n||7||\n\r7|x\n8|ok\n"), (Turnos{{8, "ok"}}));
  EXPECT_EQ(funContadorTurnosDia, 8);
  EXPECT_EQ(Restaurar(std::string("3|a\0b\n", 6) + std::string("\0" "9|z\n", 5)),
            (Turnos{{3, "a"}}));
}

TEST_F(Respaldo, CountersFollowTheLastAcceptedLineNotTheLargest) {
  Restaurar("9|a\n2|b\nnada\n");
  EXPECT_EQ(funContadorTurnosDia, 2);
  EXPECT_EQ(funContadorSesionesDia, 2);
  Restaurar("");
  EXPECT_EQ(funContadorTurnosDia, 0);
  EXPECT_EQ(funContadorSesionesDia, 0);
}

TEST_F(Respaldo, LongLinesAreReadInPiecesOf255) {
  // 255 characters: read whole; its line end alone is an empty line.
  std::string d253(253, 'd');
  EXPECT_EQ(Restaurar("5|" + d253 + "\n6|x\n"),
            (Turnos{{5, std::string(99, 'd')}, {6, "x"}}));
  // 256 characters: the last one arrives alone and has no bar.
  EXPECT_EQ(Restaurar("5|" + d253 + "e\n"), (Turnos{{5, std::string(99, 'd')}}));
  // A piece that holds a bar and text of its own is a turn of its own.
  EXPECT_EQ(Restaurar("5|" + d253 + "9|z\n"),
            (Turnos{{5, std::string(99, 'd')}, {9, "z"}}));
  EXPECT_EQ(funContadorTurnosDia, 9);
}

TEST_F(Respaldo, RestoreWithoutAFileLeavesAnEmptyDay) {
  FunRecuperarColaDisco();
  EXPECT_EQ(frenteCola, nullptr);
  EXPECT_EQ(funContadorTurnosDia, 0);
  EXPECT_FALSE(fs::exists("cola_respaldo.txt"));
}

TEST_F(Respaldo, RestoreOutOfMemoryRefusesTheStart) {
  EscribirArchivo("cola_respaldo.txt", "3|a\n4|b\n5|c\n");
  FunProgramarFalloAsignacion(1);
  std::fflush(stdout);
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(FunRecuperarColaDisco());
  std::fflush(stdout);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), kSinMemoriaTurno);
  EXPECT_EQ(frenteCola, nullptr);
  EXPECT_EQ(finalCola, nullptr);
  EXPECT_EQ(funContadorTurnosDia, 0);
  EXPECT_EQ(funContadorSesionesDia, 0);
  EXPECT_EQ(LeerArchivo("cola_respaldo.txt"), "3|a\n4|b\n5|c\n");
}

TEST_F(Respaldo, RewriteHoldsTheQueueFrontFirstAndLeavesNoTemporary) {
  EscribirArchivo("cola_respaldo.txt.tmp", "basura de una ejecucion anterior");
  EscribirArchivo("cola_respaldo.txt", "-2|Caja\n");
  FunRecuperarColaDisco();
  FunEncolarTurno("Atencion General Quenvaro");
  FunEncolarTurno("Atencion General Quenvaro");
  FunSincronizarColaDisco();
  EXPECT_EQ(LeerArchivo("cola_respaldo.txt"),
            ComoTexto("-2|Caja\n" + LineaRespaldo(-1) + LineaRespaldo(0)));
  EXPECT_FALSE(fs::exists("cola_respaldo.txt.tmp"));

  FunLiberarMemoria();
  FunSincronizarColaDisco();
  EXPECT_TRUE(fs::exists("cola_respaldo.txt"));
  EXPECT_EQ(LeerArchivo("cola_respaldo.txt"), "");
}

TEST_F(Respaldo, RewriteSpanningSeveralBuffersAndAShorterOneAfterAreExact) {
  // Some 165 KB with lines of every length: the rewrite leaves in several
  // full buffers and a partial one, and none may lose or repeat a byte.
  std::string esperado;
  for (int n = 1; n <= 3000; ++n) {
    std::string texto(1 + n % 99, static_cast<char>('a' + n % 26));
    FunAnexarTurno(FunCrearTurno(n, texto.c_str()));
    esperado += std::to_string(n) + "|" + texto + "\n";
  }
  FunSincronizarColaDisco();
  std::string escrito = LeerArchivo("cola_respaldo.txt");
  EXPECT_EQ(escrito.size(), ComoTexto(esperado).size());
  EXPECT_TRUE(escrito == ComoTexto(esperado));

  // Nothing of the long queue may linger in what the next rewrite leaves.
  FunLiberarMemoria();
  FunEncolarTurno("Caja");
  FunSincronizarColaDisco();
  EXPECT_EQ(LeerArchivo("cola_respaldo.txt"), ComoTexto("1|Caja\n"));
}

TEST_F(Respaldo, RewriteThatCannotBeDoneKeepsThePreviousBackup) {
  EscribirArchivo("cola_respaldo.txt", "4|a\n");
  FunEncolarTurno("nuevo");
  // The temporary name is taken by a folder: nothing can be written.
  fs::create_directory("cola_respaldo.txt.tmp");
  FunSincronizarColaDisco();
  EXPECT_EQ(LeerArchivo("cola_respaldo.txt"), "4|a\n");
  fs::remove("cola_respaldo.txt.tmp");

  // The backup's own name is a folder: the rename fails, the temporary goes.
  fs::remove("cola_respaldo.txt");
  fs::create_directory("cola_respaldo.txt");
  fs::create_directory("cola_respaldo.txt/dentro");
  FunSincronizarColaDisco();
  EXPECT_TRUE(fs::is_directory("cola_respaldo.txt"));
  EXPECT_FALSE(fs::exists("cola_respaldo.txt.tmp"));
  EXPECT_FALSE(FunFalloTransitorio());  // no program holds it: no waiting
}

/* ------------------------------------------------- the built program */

class Reinicio : public DiaEnCarpeta {};

TEST_F(Reinicio, WaitingTurnsComeBackAndNumberingContinues) {
  Correr("1\nA\n1\nB\n1\nC\n1\nD\n2\n2\n4\n");
  EXPECT_EQ(Cola(), ComoTexto(LineaRespaldo(3) + LineaRespaldo(4)));

  // A close right after the restore reports the restored counters.
  EXPECT_EQ(Correr("4\n"), ComoTexto(kMenu + kCierre));
  EXPECT_EQ(Cola(), ComoTexto(LineaRespaldo(3) + LineaRespaldo(4)));

  EXPECT_EQ(Correr("1\nE\n2\n4\n"),
            ComoTexto(kMenu + kPideNombre + Registrado(5, 5) + kMenu +
                      Atendido(3) + kMenu + kCierre));
  EXPECT_EQ(Cola(), ComoTexto(LineaRespaldo(4) + LineaRespaldo(5)));
  std::string dia1 = RegSesion(1, "A", 1) + RegSesion(2, "B", 2) +
                     RegSesion(3, "C", 3) + RegSesion(4, "D", 4) +
                     FreeTurno(1) + FreeTurno(2) + Cierre(4, 4);
  EXPECT_EQ(Bitacora(), ComoTexto(dia1 + Cierre(4, 4) + RegSesion(5, "E", 5) +
                                  FreeTurno(3) + Cierre(5, 5)));
}

TEST_F(Reinicio, AnEmptiedQueueStartsTheNextDayAtOne) {
  Correr("1\nA\n2\n4\n");
  EXPECT_TRUE(fs::exists(carpeta_ / "cola_respaldo.txt"));
  EXPECT_EQ(Cola(), "");
  EXPECT_EQ(Correr("1\nB\n4\n"),
            ComoTexto(kMenu + kPideNombre + Registrado(1, 1) + kMenu + kCierre));
}

TEST_F(Reinicio, EndOfInputKeepsTheQueueLikeAClose) {
  Correr("1\nA\n1\nB\n");
  EXPECT_EQ(Correr("2\n2\n2\n4\n"),
            ComoTexto(kMenu + Atendido(1) + kMenu + Atendido(2) + kMenu +
                      kColaVacia + kMenu + kCierre));
}

TEST_F(Reinicio, HandMadeBackupRestoresInFileOrder) {
  EscribirArchivo(carpeta_ / "cola_respaldo.txt", "9|Caja\r\nbasura\r\n2|Ventanilla\r\n");
  EXPECT_EQ(Correr("2\n1\nA\n2\n2\n2\n4\n"),
            ComoTexto(kMenu + Atendido(9) + kMenu + kPideNombre +
                      Registrado(3, 3) + kMenu + Atendido(2) + kMenu +
                      Atendido(3) + kMenu + kColaVacia + kMenu + kCierre));
  // Until the first change the restore's skipped lines stay in the file.
  EXPECT_EQ(Cola(), "");
}

TEST_F(Reinicio, StaleTemporaryFromAKilledRunIsIgnored) {
  EscribirArchivo(carpeta_ / "cola_respaldo.txt", "6|Caja\n");
  EscribirArchivo(carpeta_ / "cola_respaldo.txt.tmp", "1|a medio escri");
  EXPECT_EQ(Correr("4\n"), ComoTexto(kMenu + kCierre));
  EXPECT_EQ(Bitacora(), ComoTexto(Cierre(6, 6)));
  Correr("1\nA\n4\n");
  EXPECT_EQ(Cola(), ComoTexto("6|Caja\n" + LineaRespaldo(7)));
  EXPECT_FALSE(QuedaTemporal());
}

#ifndef _WIN32
TEST_F(Reinicio, RewriteCutShortByAFileSizeLimitKeepsThePreviousBackup) {
  std::string grande;
  for (int turno = 1; turno <= 2000; ++turno) grande += LineaRespaldo(turno);
  EscribirArchivo(carpeta_ / "cola_respaldo.txt", grande);
  EXPECT_EQ(Correr("1\nA\n2\n4\n", 16 * 1024),
            kMenu + kPideNombre + Registrado(2001, 2001) + kAlertaRespaldo +
                kMenu + Atendido(1) + kMenu + kCierre + kRespaldoSinActualizar);
  EXPECT_TRUE(Cola() == grande);
  EXPECT_FALSE(QuedaTemporal());
  // The next run starts from that backup; once space is back, its first
  // change brings the file up to date.
  Correr("2\n4\n");
  std::string resto;
  for (int turno = 2; turno <= 2000; ++turno) resto += LineaRespaldo(turno);
  EXPECT_TRUE(Cola() == resto) << Cola().substr(0, 80);
}

TEST_F(Reinicio, KillDuringRegistrationsNeverLeavesAPartialBackup) {
  const int kEnCola = 40000;
  std::string inicial;
  for (int turno = 1; turno <= kEnCola; ++turno) inicial += LineaRespaldo(turno);
  std::mt19937 azar(20261208);
  signal(SIGPIPE, SIG_IGN);
  for (int ronda = 0; ronda < 12; ++ronda) {
    EscribirArchivo(carpeta_ / "cola_respaldo.txt", inicial);
    int escritura = -1;
    pid_t hijo = IniciarQuenvaroConTuberia(carpeta_.ruta(), &escritura);
    ASSERT_GT(hijo, 0);
    std::string registros;
    for (int i = 0; i < 200; ++i) registros += "1\nAna\n";
    ssize_t escrito = write(escritura, registros.data(), registros.size());
    EXPECT_EQ(escrito, static_cast<ssize_t>(registros.size()));
    std::this_thread::sleep_for(std::chrono::microseconds(azar() % 60000));
    kill(hijo, SIGKILL);
    close(escritura);
    waitpid(hijo, nullptr, 0);

    // Whatever the moment, the backup is the whole queue after some number
    // of registrations: every line complete, numbering unbroken.
    std::string respaldo = LeerArchivo(carpeta_ / "cola_respaldo.txt");
    ASSERT_EQ(respaldo.compare(0, inicial.size(), inicial), 0) << "ronda " << ronda;
    std::string agregado = respaldo.substr(inicial.size());
    std::string esperado;
    int turno = kEnCola;
    while (esperado.size() < agregado.size()) esperado += LineaRespaldo(++turno);
    EXPECT_TRUE(agregado == esperado) << "ronda " << ronda << ": "
                                      << agregado.substr(0, 200);
  }
}
#endif

}  // namespace
}  // namespace prueba
