// End-to-end under disk faults that hold even for root: a folder or a
// dangling link where a data file should be, and writes cut short by a
// file-size limit. The dialogue must stay exactly as usual, and nothing
// that could be kept may be lost.
#include <gtest/gtest.h>

#include "dia.h"
#include "proceso.h"
#include "textos.h"

namespace prueba {
namespace {

class FallosDisco : public DiaEnCarpeta {};

TEST_F(FallosDisco, LogThatIsAFolderLosesRecordsSilentlyAndAlertsOnDisplay) {
  fs::create_directory(carpeta_ / "bitacora.txt");
  EXPECT_EQ(Correr("1\nAna\n1\nBeto\n2\n3\n4\n"),
            ComoTexto(kMenu + kPideNombre + Registrado(1, 1) + kMenu +
                      kPideNombre + Registrado(2, 2) + kMenu + Atendido(1) +
                      kMenu + kSinBitacora + kMenu + kCierre));
  EXPECT_TRUE(fs::is_directory(carpeta_ / "bitacora.txt"));
  EXPECT_TRUE(fs::is_empty(carpeta_ / "bitacora.txt"));
  EXPECT_EQ(Cola(), ComoTexto(LineaRespaldo(2)));
}

TEST_F(FallosDisco, BackupThatIsAFolderIsLeftAloneAndTheDayGoesOn) {
  fs::create_directory(carpeta_ / "cola_respaldo.txt");
  EXPECT_EQ(Correr("1\nAna\n1\nBeto\n2\n4\n"),
            ComoTexto(kMenu + kPideNombre + Registrado(1, 1) + kMenu +
                      kPideNombre + Registrado(2, 2) + kMenu + Atendido(1) +
                      kMenu + kCierre));
  EXPECT_TRUE(fs::is_directory(carpeta_ / "cola_respaldo.txt"));
  EXPECT_FALSE(QuedaTemporal());
  EXPECT_EQ(Bitacora(), ComoTexto(RegSesion(1, "Ana", 1) + RegSesion(2, "Beto", 2) +
                                  FreeTurno(1) + Cierre(2, 2)));
}

#ifndef _WIN32
TEST_F(FallosDisco, DanglingLogLinkIsLikeAMissingLog) {
  fs::create_symlink("no-existe/bitacora.txt", carpeta_ / "bitacora.txt");
  EXPECT_EQ(Correr("1\nAna\n3\n4\n"),
            ComoTexto(kMenu + kPideNombre + Registrado(1, 1) + kMenu +
                      kSinBitacora + kMenu + kCierre));
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
            kMenu + kPideNombre + Registrado(1, 1) + kMenu + Atendido(1) +
                kMenu + kCierre);
  EXPECT_EQ(LeerArchivo(carpeta_ / "bitacora.txt"), previo);
  EXPECT_EQ(Cola(), "");

  Correr("4\n");
  EXPECT_EQ(Bitacora(), SinMarcas(previo) + Cierre(0, 0));
}

TEST_F(FallosDisco, FullDiskMidDayKeepsTheLastWholeBackup) {
  // The limit lets the first rewrites through and stops the later, larger
  // ones: the backup then holds the queue of the last rewrite that fit.
  std::string entrada;
  for (int i = 0; i < 8; ++i) entrada += "1\nAna\n";
  const long limite = 4 * static_cast<long>(LineaRespaldo(1).size()) + 2;
  Correr(entrada + "4\n", limite);
  EXPECT_EQ(Cola(), LineaRespaldo(1) + LineaRespaldo(2) + LineaRespaldo(3) +
                        LineaRespaldo(4));
  EXPECT_FALSE(QuedaTemporal());
}
#endif

}  // namespace
}  // namespace prueba
