// Fixture for end-to-end tests: one fresh folder per test, the built
// program run in it, and its two data files read back.
#ifndef QUENVARO_TESTS_DIA_H_
#define QUENVARO_TESTS_DIA_H_

#include <gtest/gtest.h>

#include <string>

#include "proceso.h"

namespace prueba {

class DiaEnCarpeta : public ::testing::Test {
 protected:
  // Runs one day with `entrada` as standard input, checks that it ended with
  // status 0, and returns its standard output. `limite` as in
  // OpcionesEjecucion::limiteArchivo.
  std::string Correr(const std::string& entrada, long limite = 0) {
    OpcionesEjecucion opciones;
    opciones.limiteArchivo = limite;
    Ejecucion e = EjecutarQuenvaro(carpeta_.ruta(), entrada, opciones);
    EXPECT_EQ(e.estado, 0);
    return e.salida;
  }
  // The log with its timestamps masked.
  std::string Bitacora() { return SinMarcas(LeerArchivo(carpeta_ / "bitacora.txt")); }
  std::string Cola() { return LeerArchivo(carpeta_ / "cola_respaldo.txt"); }
  bool QuedaTemporal() { return fs::exists(carpeta_ / "cola_respaldo.txt.tmp"); }

  CarpetaTemporal carpeta_;
};

}  // namespace prueba

#endif  // QUENVARO_TESTS_DIA_H_
