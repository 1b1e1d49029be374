// The registry in-process: what an allocation failure leaves behind, the
// queue's two ends, text cuts, and the parse shared with the menu.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <vector>

#include "eventlog/bitacora.h"
#include "proceso.h"
#include "registry/registro.h"
#include "textos.h"

namespace prueba {
namespace {

class Registro : public ::testing::Test {
 protected:
  // Records that a test could not write would otherwise be appended by
  // the next one.
  void SetUp() override {
    FunReiniciarRegistro();
    FunReiniciarBitacora();
  }
  void TearDown() override {
    FunReiniciarRegistro();
    FunReiniciarBitacora();
  }

  std::vector<int> Cola() {
    std::vector<int> numeros;
    for (NodoTurno* t = frenteCola; t != nullptr; t = t->siguiente)
      numeros.push_back(t->numeroTurno);
    return numeros;
  }
  std::string Bitacora() { return SinMarcas(LeerArchivo("bitacora.txt")); }

  CarpetaTemporal carpeta_;
  DirectorioActual aqui_{carpeta_.ruta()};
};

// Captures what a call prints on standard output.
template <typename Accion>
std::string Salida(Accion accion) {
  std::fflush(stdout);
  ::testing::internal::CaptureStdout();
  accion();
  std::fflush(stdout);
  return ::testing::internal::GetCapturedStdout();
}

TEST_F(Registro, SessionOutOfMemoryChangesNothing) {
  FunProgramarFalloAsignacion(0);
  EXPECT_EQ(Salida([] { FunIniciarSesion("Ana"); }), kSinMemoriaSesion);
  EXPECT_EQ(funContadorSesionesDia, 0);
  EXPECT_EQ(funContadorTurnosDia, 0);
  EXPECT_EQ(inicioSesiones, nullptr);
  EXPECT_EQ(frenteCola, nullptr);
  EXPECT_FALSE(fs::exists("bitacora.txt"));
  EXPECT_FALSE(fs::exists("cola_respaldo.txt"));

  // The fault is spent: the next registration is the day's first.
  EXPECT_EQ(Salida([] { FunIniciarSesion("Ana"); }), Registrado(1, 1));
}

TEST_F(Registro, TurnOutOfMemoryChangesNothingEither) {
  Salida([] { FunIniciarSesion("Ana"); });
  FunProgramarFalloAsignacion(1);  // the session record, then not the turn
  EXPECT_EQ(Salida([] { FunIniciarSesion("Beto"); }), kSinMemoriaTurno);
  EXPECT_EQ(funContadorSesionesDia, 1);
  EXPECT_EQ(funContadorTurnosDia, 1);
  EXPECT_EQ(Cola(), std::vector<int>{1});
  ASSERT_NE(inicioSesiones, nullptr);
  EXPECT_STREQ(inicioSesiones->nombre, "Ana");
  EXPECT_EQ(inicioSesiones->siguiente, nullptr);
  EXPECT_EQ(Bitacora(), ComoTexto(RegSesion(1, "Ana", 1)));
  EXPECT_EQ(LeerArchivo("cola_respaldo.txt"), ComoTexto(LineaRespaldo(1)));
}

TEST_F(Registro, QueueEndsStayConsistentThroughEmptyAndRefill) {
  Salida([] { FunIniciarSesion("Ana"); });
  EXPECT_EQ(frenteCola, finalCola);
  EXPECT_EQ(Salida(FunDespacharTurno), Atendido(1));
  EXPECT_EQ(frenteCola, nullptr);
  EXPECT_EQ(finalCola, nullptr);
  EXPECT_EQ(Salida(FunDespacharTurno), kColaVacia);

  Salida([] { FunIniciarSesion("Beto"); });
  ASSERT_NE(frenteCola, nullptr);
  EXPECT_EQ(frenteCola, finalCola);
  EXPECT_EQ(finalCola->numeroTurno, 2);
  EXPECT_EQ(finalCola->siguiente, nullptr);
  Salida([] { FunIniciarSesion("Cris"); });
  EXPECT_EQ(Cola(), (std::vector<int>{2, 3}));
  EXPECT_EQ(finalCola->siguiente, nullptr);
  // Dispatching lowers neither counter.
  Salida(FunDespacharTurno);
  EXPECT_EQ(funContadorSesionesDia, 3);
  EXPECT_EQ(funContadorTurnosDia, 3);
}

TEST_F(Registro, RecordTextsAreCutAt99ButTheLogShowsTheNameAsPassed) {
  std::string largo(150, 'a');
  Salida([&] { FunIniciarSesion(largo.c_str()); });
  EXPECT_EQ(std::string(inicioSesiones->nombre), largo.substr(0, 99));
  EXPECT_EQ(Bitacora(), ComoTexto(RegSesion(1, largo, 1)));

  FunEncolarTurno(largo.c_str());
  EXPECT_EQ(std::string(finalCola->descripcion), largo.substr(0, 99));

  // Beyond what a record can hold, the log line is cut at 255 characters.
  std::string enorme(400, 'b');
  fs::remove("bitacora.txt");
  Salida([&] { FunIniciarSesion(enorme.c_str()); });
  std::string linea = LeerArchivo("bitacora.txt");
  EXPECT_EQ(linea.size(), ComoTexto(std::string(255, 'x') + "\n").size());
  EXPECT_EQ(linea.substr(0, 13), "REG_SESSION  ");
}

TEST_F(Registro, RecordTextsKeepEveryLengthUpTo99AndEndWhereTheirTextEnds) {
  for (std::size_t largo : {0u, 1u, 25u, 98u, 99u, 100u, 101u, 255u}) {
    std::string texto(largo, 'q');
    NodoTurno* turno = FunCrearTurno(7, texto.c_str());
    ASSERT_NE(turno, nullptr);
    EXPECT_EQ(std::string(turno->descripcion), texto.substr(0, 99)) << largo;
    EXPECT_EQ(turno->numeroTurno, 7);
    EXPECT_EQ(turno->siguiente, nullptr);
    delete turno;
  }
  // Records are not cleared when allocated: a short text put where a long
  // one lay (the allocator hands the freed block straight back) must still
  // end at its own terminator.
  std::string largo(99, 'L');
  delete FunCrearTurno(1, largo.c_str());
  NodoTurno* corto = FunCrearTurno(2, "ab");
  ASSERT_NE(corto, nullptr);
  EXPECT_EQ(std::string(corto->descripcion), "ab");
  delete corto;

  Salida([&] { FunIniciarSesion(largo.c_str()); });
  FunLiberarMemoria();
  Salida([] { FunIniciarSesion("Ana"); });
  EXPECT_EQ(std::string(inicioSesiones->nombre), "Ana");
  EXPECT_EQ(inicioSesiones->siguiente, nullptr);
}

TEST_F(Registro, CounterAtItsCeilingRefusesRegistrationAndChangesNothing) {
  for (int* contador : {&funContadorSesionesDia, &funContadorTurnosDia}) {
    FunReiniciarRegistro();
    fs::remove("cola_respaldo.txt");
    *contador = INT_MAX;
    std::string salida = Salida([] { FunIniciarSesion("Ana"); });
    EXPECT_EQ(salida.rfind("\n[MANEJADOR DE ERRORES]", 0), 0u) << salida;
    EXPECT_EQ(*contador, INT_MAX);
    EXPECT_EQ(funContadorSesionesDia + funContadorTurnosDia, INT_MAX);
    EXPECT_EQ(inicioSesiones, nullptr);
    EXPECT_EQ(frenteCola, nullptr);
    EXPECT_FALSE(fs::exists("bitacora.txt"));
    EXPECT_FALSE(fs::exists("cola_respaldo.txt"));
  }
}

TEST_F(Registro, ReleaseFreesEveryRecordAndKeepsTheCounters) {
  Salida([] {
    FunIniciarSesion("Ana");
    FunIniciarSesion("Beto");
  });
  FunLiberarMemoria();
  EXPECT_EQ(inicioSesiones, nullptr);
  EXPECT_EQ(frenteCola, nullptr);
  EXPECT_EQ(finalCola, nullptr);
  EXPECT_EQ(funContadorSesionesDia, 2);
  EXPECT_EQ(funContadorTurnosDia, 2);
}

TEST(InterpretarEntero, ReadsLikeADecimalConversion) {
  struct Caso {
    const char* texto;
    int valor;
  } casos[] = {
      {"4", 4},       {"2abc", 2},          {" \t\v\f\r\n3", 3},
      {"+1", 1},      {"-1", -1},           {"007", 7},
      {"-0", 0},      {"2147483647", INT_MAX}, {"-2147483648", INT_MIN},
      {"1 2", 1},
  };
  for (const Caso& caso : casos) {
    int valor = 12345;
    EXPECT_TRUE(FunInterpretarEntero(caso.texto, &valor)) << caso.texto;
    EXPECT_EQ(valor, caso.valor) << caso.texto;
  }
}

TEST(InterpretarEntero, SaturatesBeyondThe32BitRange) {
  struct Caso {
    std::string texto;
    int valor;
  } casos[] = {
      {"2147483648", INT_MAX},  {"4294967297", INT_MAX},
      {"-2147483649", INT_MIN}, {"-4294967292", INT_MIN},
      {std::string(5000, '9'), INT_MAX}, {"-" + std::string(5000, '9'), INT_MIN},
  };
  for (const Caso& caso : casos) {
    int valor = 0;
    EXPECT_TRUE(FunInterpretarEntero(caso.texto.c_str(), &valor));
    EXPECT_EQ(valor, caso.valor) << caso.texto.substr(0, 20);
  }
}

TEST(InterpretarEntero, RefusesTextWithoutLeadingDigits) {
  for (const char* texto : {"", "   ", "\n", "abc", "+", "-", "+-1", "- 1", "x1", ".5"}) {
    int valor = 12345;
    EXPECT_FALSE(FunInterpretarEntero(texto, &valor)) << texto;
    EXPECT_EQ(valor, 12345) << texto;
  }
}

}  // namespace
}  // namespace prueba
