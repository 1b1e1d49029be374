// End-to-end: the built program in a fresh folder, its whole dialogue and
// its log compared byte for byte (timestamps matched by shape only).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dia.h"
#include "proceso.h"
#include "textos.h"

namespace prueba {
namespace {

class Dialogo : public DiaEnCarpeta {};

// Each line answered with `mensaje` and the menu again, then a close.
void CadaLineaRecibe(const std::vector<std::string>& lineas,
                     const std::string& mensaje, std::string* entrada,
                     std::string* esperado) {
  for (const std::string& linea : lineas) {
    *entrada += linea;
    *esperado += kMenu + mensaje;
  }
  *entrada += "4\n";
  *esperado += kMenu + kCierre;
}

TEST_F(Dialogo, FirstStartRegistersSessionOneWithTurnOne) {
  EXPECT_EQ(Correr("1\nAna\n4\n"),
            ComoTexto(kMenu + kPideNombre + Registrado(1, 1) + kMenu + kCierre));
  EXPECT_EQ(Bitacora(), ComoTexto(RegSesion(1, "Ana", 1) + Cierre(1, 1)));
}

TEST_F(Dialogo, CloseWithNothingDoneLogsZeroCounters) {
  EXPECT_EQ(Correr("4\n"), ComoTexto(kMenu + kCierre));
  EXPECT_EQ(Bitacora(), ComoTexto(Cierre(0, 0)));
}

TEST_F(Dialogo, TurnsAreDispatchedInIssueOrderAcrossInterleaving) {
  std::string salida = Correr("1\nAna\n1\nBeto\n2\n1\nCris\n2\n2\n2\n4\n");
  EXPECT_EQ(salida,
            ComoTexto(kMenu + kPideNombre + Registrado(1, 1) +
                      kMenu + kPideNombre + Registrado(2, 2) +
                      kMenu + Atendido(1) +
                      kMenu + kPideNombre + Registrado(3, 3) +
                      kMenu + Atendido(2) + kMenu + Atendido(3) +
                      kMenu + kColaVacia + kMenu + kCierre));
  EXPECT_EQ(Bitacora(),
            ComoTexto(RegSesion(1, "Ana", 1) + RegSesion(2, "Beto", 2) +
                      FreeTurno(1) + RegSesion(3, "Cris", 3) + FreeTurno(2) +
                      FreeTurno(3) + Cierre(3, 3)));
}

TEST_F(Dialogo, UnderflowOnEmptyQueueLogsNothing) {
  EXPECT_EQ(Correr("2\n4\n"), ComoTexto(kMenu + kColaVacia + kMenu + kCierre));
  EXPECT_EQ(Bitacora(), ComoTexto(Cierre(0, 0)));
}

TEST_F(Dialogo, ChoiceIsParsedLikeScanfDecimal) {
  // Leading white space, a sign and trailing text are all accepted; the
  // display shows the records of this very run.
  std::string salida = SinMarcas(Correr("+1\nAna\n2abc\n \t3\n4 y mas\n"));
  EXPECT_EQ(salida, ComoTexto(kMenu + kPideNombre + Registrado(1, 1) + kMenu +
                              Atendido(1) + kMenu + kCabecera +
                              RegSesion(1, "Ana", 1) + FreeTurno(1) + kRegla +
                              kMenu + kCierre));
}

TEST_F(Dialogo, InputWithoutANumberIsInvalidAndChangesNothing) {
  std::string entrada, esperado;
  CadaLineaRecibe({"\n", "   \n", "abc\n", "+\n", "-\n", "+-1\n", "\x01" "1\n"},
                  kInvalida, &entrada, &esperado);
  EXPECT_EQ(Correr(entrada), ComoTexto(esperado));
  EXPECT_EQ(Bitacora(), ComoTexto(Cierre(0, 0)));
}

TEST_F(Dialogo, NumbersOutsideOneToFourAreNotRecognised) {
  std::string entrada, esperado;
  CadaLineaRecibe({"0\n", "5\n", "-1\n", "2147483648\n", "4294967297\n",
                   "-4294967292\n", "99999999999999999999999999\n"},
                  kNoReconocido, &entrada, &esperado);
  EXPECT_EQ(Correr(entrada), ComoTexto(esperado));
  EXPECT_EQ(Bitacora(), ComoTexto(Cierre(0, 0)));
}

TEST_F(Dialogo, EmptyNamesAreRefusedAndBlankNamesAccepted) {
  EXPECT_EQ(Correr("1\n\n1\n\r\n1\n   \n4\n"),
            ComoTexto(kMenu + kPideNombre + kNombreVacio + kMenu + kPideNombre +
                      kNombreVacio + kMenu + kPideNombre + Registrado(1, 1) +
                      kMenu + kCierre));
  EXPECT_EQ(Bitacora(), ComoTexto(RegSesion(1, "   ", 1) + Cierre(1, 1)));
}

TEST_F(Dialogo, CrLfInputIsStrippedFromChoicesAndNames) {
  EXPECT_EQ(Correr("1\r\nAna Maria\r\n2\r\n4\r\n"),
            ComoTexto(kMenu + kPideNombre + Registrado(1, 1) + kMenu +
                      Atendido(1) + kMenu + kCierre));
  EXPECT_EQ(Bitacora(), ComoTexto(RegSesion(1, "Ana Maria", 1) + FreeTurno(1) +
                                  Cierre(1, 1)));
}

TEST_F(Dialogo, TextEndsAtTheFirstNulByte) {
  EXPECT_EQ(Correr(std::string("1\0" "9\nAn\0a\n\0" "1\n4\n", 14)),
            ComoTexto(kMenu + kPideNombre + Registrado(1, 1) + kMenu +
                      kInvalida + kMenu + kCierre));
  EXPECT_EQ(Bitacora(), ComoTexto(RegSesion(1, "An", 1) + Cierre(1, 1)));
}

TEST_F(Dialogo, LongMenuLinesAreReadInPiecesOf99) {
  // 99 characters: the choice is read whole, and the line end left behind
  // arrives as an empty menu line.
  std::string exacta = "2" + std::string(98, ' ') + "\n";
  // 102 characters: the last three become the name read by option 1.
  std::string larga = "1" + std::string(98, 'x') + "Eva\n";
  EXPECT_EQ(Correr(exacta + larga + "4\n"),
            ComoTexto(kMenu + kColaVacia + kMenu + kInvalida + kMenu +
                      kPideNombre + Registrado(1, 1) + kMenu + kCierre));
  EXPECT_EQ(Bitacora(), ComoTexto(RegSesion(1, "Eva", 1) + Cierre(1, 1)));
}

TEST_F(Dialogo, MenuLineOf99LeavesItsLineEndForTheNameRead) {
  std::string exacta = "1" + std::string(98, ' ') + "\n";
  EXPECT_EQ(Correr(exacta + "4\n"),
            ComoTexto(kMenu + kPideNombre + kNombreVacio + kMenu + kCierre));
}

TEST_F(Dialogo, NamesAreCutAt99CharactersAndTheRestIsTheNextChoice) {
  std::string nombre99(99, 'n');
  // Exactly 99: registered whole; its line end is an empty menu line.
  // 102: the first 99 are the name, "4" closes the day at once.
  std::string entrada = "1\n" + nombre99 + "\n" + "1\n" + nombre99 + "4x\n";
  EXPECT_EQ(Correr(entrada),
            ComoTexto(kMenu + kPideNombre + Registrado(1, 1) + kMenu +
                      kInvalida + kMenu + kPideNombre + Registrado(2, 2) +
                      kMenu + kCierre));
  EXPECT_EQ(Bitacora(), ComoTexto(RegSesion(1, nombre99, 1) +
                                  RegSesion(2, nombre99, 2) + Cierre(2, 2)));
}

TEST_F(Dialogo, NameOf98EndingInCrLfLeavesTheLineFeedBehind) {
  std::string nombre98(98, 'n');
  std::string salida = Correr("1\n" + nombre98 + "\r\n4\n");
#ifdef _WIN32
  // Text-mode input turns CR LF into LF before the read counts it.
  EXPECT_EQ(salida, ComoTexto(kMenu + kPideNombre + Registrado(1, 1) + kMenu + kCierre));
#else
  EXPECT_EQ(salida, ComoTexto(kMenu + kPideNombre + Registrado(1, 1) + kMenu +
                              kInvalida + kMenu + kCierre));
#endif
  EXPECT_EQ(Bitacora(), ComoTexto(RegSesion(1, nombre98, 1) + Cierre(1, 1)));
}

TEST_F(Dialogo, DisplayOfAMissingLogAlertsAndCreatesNothing) {
  EXPECT_EQ(Correr("3\n"), ComoTexto(kMenu + kSinBitacora + kMenu + kFinEntrada));
  EXPECT_FALSE(fs::exists(carpeta_ / "bitacora.txt"));
}

TEST_F(Dialogo, DisplayOfAnEmptyLogShowsAnEmptyFrame) {
  EscribirArchivo(carpeta_ / "bitacora.txt", "");
  EXPECT_EQ(Correr("3\n4\n"),
            ComoTexto(kMenu + kCabecera + kRegla + kMenu + kCierre));
}

TEST_F(Dialogo, DisplayShowsEveryByteOfAnyLogAsStored) {
  // Accented names from other tools, stray control bytes (a lone CR, and
  // Ctrl-Z, which ends a text-mode read on Windows) and a log much larger
  // than any copy buffer, so that CRs fall on block edges: all must come out
  // unchanged, and so must every record appended after them.
  std::string contenido;
  for (int i = 0; i < 256; ++i)
    if (i != '\n') contenido += static_cast<char>(i);
  contenido += "\nJos\xc3\xa9 P\xe9rez\n";
  while (contenido.size() < 300000) contenido += contenido;
  EscribirArchivo(carpeta_ / "bitacora.txt", contenido);
  EXPECT_TRUE(SinMarcas(Correr("1\nAna\n3\n4\n")) ==
              ComoTexto(kMenu + kPideNombre + Registrado(1, 1) + kMenu + kCabecera +
                        contenido + RegSesion(1, "Ana", 1) + kRegla + kMenu + kCierre));
}

TEST_F(Dialogo, LogGrowsAcrossRunsAndShowsThemAll) {
  Correr("1\nAna\n4\n");
  std::string salida = SinMarcas(Correr("2\n3\n4\n"));
  std::string registros = RegSesion(1, "Ana", 1) + Cierre(1, 1);
  EXPECT_EQ(salida, ComoTexto(kMenu + Atendido(1) + kMenu + kCabecera +
                              registros + FreeTurno(1) + kRegla + kMenu + kCierre));
  EXPECT_EQ(Bitacora(), ComoTexto(registros + FreeTurno(1) + Cierre(1, 1)));
}

TEST_F(Dialogo, EndOfInputEndsTheProgramWithoutClosingTheDay) {
  // At the menu, at the name read, and on a last line with no line end.
  EXPECT_EQ(Correr(""), ComoTexto(kMenu + kFinEntrada));
  EXPECT_EQ(Correr("1\n"), ComoTexto(kMenu + kPideNombre + kFinEntrada));
  EXPECT_EQ(Correr("1\nAna"),
            ComoTexto(kMenu + kPideNombre + Registrado(1, 1) + kMenu + kFinEntrada));
  EXPECT_EQ(Bitacora(), ComoTexto(RegSesion(1, "Ana", 1)));
}

TEST_F(Dialogo, LongestRecordIsWrittenWhole) {
  // Largest id and name the dialogue can produce: the record stays under
  // the 255-character cut.
  std::string nombre(99, 'z');
  Correr("1\n" + nombre + "\n\n4\n");
  EXPECT_EQ(Bitacora(), ComoTexto(RegSesion(1, nombre, 1) + Cierre(1, 1)));
}

TEST_F(Dialogo, EachPromptIsVisibleBeforeItsRead) {
  // On a pipe stdout is fully buffered: a prompt the program does not flush
  // itself stays out of sight while it waits for the answer.
  Interactiva dia(carpeta_.ruta());
  EXPECT_EQ(dia.Esperar(kMenu), ComoTexto(kMenu));
  dia.Escribir("1\n");
  EXPECT_EQ(dia.Esperar(kMenu + kPideNombre), ComoTexto(kMenu + kPideNombre));
  dia.Escribir("Ana\n4\n");
  EXPECT_EQ(dia.Terminar(), 0);
  EXPECT_EQ(dia.salida(),
            ComoTexto(kMenu + kPideNombre + Registrado(1, 1) + kMenu + kCierre));
}

}  // namespace
}  // namespace prueba
