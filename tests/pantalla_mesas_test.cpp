// Several desks on one screen: each desk's entry of /estado is what the
// screen of its folder alone answers, and a desk whose folder fails, goes
// or stops answering holds up neither the requests nor the other desks.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "proceso.h"

namespace prueba {
namespace {

using Reloj = std::chrono::steady_clock;

std::string Cuerpo(const std::string& respuesta) {
  return respuesta.substr(respuesta.find("\r\n\r\n") + 4);
}

// The date `dias` from today, "YYYY-MM-DD".
std::string Fecha(int dias) {
  const std::time_t dia = std::time(nullptr) + dias * 86400;
  char fecha[16];
  std::strftime(fecha, sizeof fecha, "%Y-%m-%d", std::localtime(&dia));
  return fecha;
}

std::string Llamada(const std::string& fecha, int segundo, int turno) {
  char hora[16];
  std::snprintf(hora, sizeof hora, "%02d:%02d:%02d", segundo / 3600,
                segundo / 60 % 60, segundo % 60);
  return "FREE_TURNO   -> [" + fecha + " " + hora + "] DESPACHADO: Turno #" +
         std::to_string(turno) + " | STATUS: Atendido\n";
}

// A desk's day at random: yesterday's calls, registrations, today's calls
// (now and then one stamped before the one logged before it), a last line
// cut short, and a backup of some turns among lines the restore skips.
void LlenarAlAzar(const fs::path& carpeta, std::mt19937* azar) {
  auto hasta = [azar](int n) { return static_cast<int>((*azar)() % n); };
  std::string bitacora;
  for (int i = hasta(4); i > 0; --i) bitacora += Llamada(Fecha(-1), 60000 + i, i);
  int segundo = 28800, turno = hasta(50);
  for (int i = hasta(25); i > 0; --i) {
    if (hasta(4) == 0)
      bitacora += "REG_SESSION  -> [" + Fecha(0) + " 08:00:00] ID_SESION: " +
                  std::to_string(i) + " | USUARIO: Ana 77 | TURNO: #" +
                  std::to_string(turno + 9) + "\n";
    segundo += hasta(600) - (hasta(8) == 0 ? 700 : 0);
    bitacora += Llamada(Fecha(0), segundo < 0 ? 0 : segundo, ++turno);
  }
  if (hasta(2) == 0) bitacora += Llamada(Fecha(0), segundo, 999).substr(0, 40);
  if (!bitacora.empty()) EscribirArchivo(carpeta / "bitacora.txt", bitacora);
  std::string respaldo;
  for (int i = hasta(14); i > 0; --i)
    respaldo += hasta(5) == 0 ? "x|y\n" : std::to_string(turno + i) + "|Ana 5\n";
  if (hasta(3) != 0) EscribirArchivo(carpeta / "cola_respaldo.txt", respaldo);
}

// The entries of a document of several desks, each whole, in order.
std::vector<std::string> Entradas(const std::string& documento) {
  std::vector<std::string> entradas;
  for (std::size_t i = documento.find("{\"nombre\""); i != std::string::npos;
       i = documento.find("{\"nombre\"", i + 1))
    entradas.push_back(documento.substr(i, documento.find('}', i) + 1 - i));
  return entradas;
}

// Asks until `condicion` holds of a desk's entry (or 10 s pass); every
// answer must be a 200 and come within 1 s whatever the folders do.
std::string EsperarEntrada(int puerto, std::size_t mesa,
                           bool (*condicion)(const std::string&)) {
  const Reloj::time_point fin = Reloj::now() + std::chrono::seconds(10);
  std::string entrada;
  do {
    const Reloj::time_point antes = Reloj::now();
    const std::string respuesta = PedirHttp(puerto, "GET /estado");
    EXPECT_LT(Reloj::now() - antes, std::chrono::seconds(1));
    EXPECT_EQ(respuesta.substr(0, 12), "HTTP/1.1 200");
    const std::vector<std::string> entradas = Entradas(Cuerpo(respuesta));
    if (entradas.size() <= mesa) return "";
    entrada = entradas[mesa];
    if (condicion(entrada)) return entrada;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  } while (Reloj::now() < fin);
  return entrada;
}

bool ConError(const std::string& e) { return e.find("\"error\"") != std::string::npos; }
bool SinError(const std::string& e) { return !ConError(e); }
bool AtiendeSiete(const std::string& e) { return e.find("\"atendiendo\": 7,") != std::string::npos; }
bool AtiendeOcho(const std::string& e) { return e.find("\"atendiendo\": 8,") != std::string::npos; }

TEST(PantallaDeVariasMesas, CadaMesaDiceLoQueSuCarpetaSola) {
  std::mt19937 azar(20260302);
  for (int cuantas : {2, 5, 8}) {
    CarpetaTemporal base;
    std::vector<std::string> argumentos, nombres;
    for (int i = 0; i < cuantas; ++i) {
      const std::string numero = std::to_string(i + 1);
      const fs::path carpeta = base / ("Mesa " + numero).c_str();
      fs::create_directory(carpeta);
      LlenarAlAzar(carpeta, &azar);
      if (i == 1) fs::remove(carpeta / "bitacora.txt"), fs::remove(carpeta / "cola_respaldo.txt");
      // Named by the folder itself, or as NOMBRE=CARPETA; as JSON.
      nombres.push_back(i % 2 ? "Caja \\\"" + numero + "\\\"" : "Mesa " + numero);
      argumentos.push_back(i % 2 ? "Caja \"" + numero + "\"=" + carpeta.string()
                                 : carpeta.string());
    }
    Pantalla todas(base.ruta(), argumentos);
    // The start lines name each desk with its folder, and warn of each
    // folder that holds neither file.
    const std::string inicio = todas.Inicio();
    for (int i = 0; i < cuantas; ++i) {
      const fs::path carpeta = base / ("Mesa " + std::to_string(i + 1)).c_str();
      const std::string mesa = "quenvaro-pantalla: mesa \"" +
                               (i % 2 ? "Caja \"" + std::to_string(i + 1) + "\""
                                      : "Mesa " + std::to_string(i + 1)) + "\": ";
      EXPECT_NE(inicio.find(ComoTexto(mesa + "lee los archivos de la consola en la carpeta " +
                                      carpeta.string() + "\n")),
                std::string::npos) << inicio;
      EXPECT_EQ(inicio.find(ComoTexto(mesa + "esa carpeta no tiene bitacora.txt ni "
                                      "cola_respaldo.txt; su panel quedara vacio hasta "
                                      "que la consola escriba en ella\n")) != std::string::npos,
                !fs::exists(carpeta / "bitacora.txt") && !fs::exists(carpeta / "cola_respaldo.txt"))
          << inicio;
    }
    const std::string documento = Cuerpo(PedirHttp(todas.puerto(), "GET /estado"));
    const std::vector<std::string> entradas = Entradas(documento);
    ASSERT_EQ(entradas.size(), static_cast<std::size_t>(cuantas)) << documento;
    EXPECT_EQ(documento.substr(documento.size() - 25), "], \"fecha\": \"" + Fecha(0) + "\"}");
    for (int i = 0; i < cuantas; ++i) {
      Pantalla sola(base / ("Mesa " + std::to_string(i + 1)).c_str());
      std::string una = Cuerpo(PedirHttp(sola.puerto(), "GET /estado"));
      una = una.substr(1, una.rfind(", \"fecha\": ") - 1);
      EXPECT_EQ(entradas[i].substr(0, entradas[i].find(", \"llamados_s\": [")),
                "{\"nombre\": \"" + nombres[i] + "\", " + una);
    }
  }
}

// One desk's log made unreadable, then its folder removed, then (Linux)
// every open in it stalled: that desk's entry carries its error, and the
// other desk, still served within 1 s, shows each new call.
TEST(PantallaDeVariasMesas, UnaMesaQueFallaNoDetieneALaOtra) {
  CarpetaTemporal base;
  const fs::path uno = base / "uno", dos = base / "dos";
  fs::create_directory(uno);
  fs::create_directory(dos);
  EscribirArchivo(uno / "bitacora.txt", Llamada(Fecha(0), 30000, 1));
  EscribirArchivo(dos / "bitacora.txt", Llamada(Fecha(0), 30000, 6));
#ifdef QUENVARO_CARPETA_LENTA
  setenv("LD_PRELOAD", QUENVARO_CARPETA_LENTA, 1);
#endif
  Pantalla pantalla(base.ruta(), {uno.string(), dos.string()});
#ifdef QUENVARO_CARPETA_LENTA
  unsetenv("LD_PRELOAD");
#endif
  const int puerto = pantalla.puerto();
  EXPECT_TRUE(SinError(EsperarEntrada(puerto, 0, SinError)));

  fs::remove(uno / "bitacora.txt");
  fs::create_directory(uno / "bitacora.txt");
  EXPECT_NE(EsperarEntrada(puerto, 0, ConError)
                .find("\"error\": \"No se pudo leer bitacora.txt.\""),
            std::string::npos);
  EscribirArchivo(dos / "bitacora.txt",
                  Llamada(Fecha(0), 30000, 6) + Llamada(Fecha(0), 30060, 7));
  EXPECT_TRUE(AtiendeSiete(EsperarEntrada(puerto, 1, AtiendeSiete)));
  fs::remove_all(uno);
  EXPECT_NE(EsperarEntrada(puerto, 0, [](const std::string& e) {
              return e.find("No se encuentra") != std::string::npos;
            }).find("\"error\": \"No se encuentra la carpeta de esta mesa.\""),
            std::string::npos);

#ifdef QUENVARO_CARPETA_LENTA
  fs::create_directory(uno);
  EscribirArchivo(uno / "bitacora.txt", Llamada(Fecha(0), 30000, 2));
  EXPECT_TRUE(SinError(EsperarEntrada(puerto, 0, SinError)));
  EscribirArchivo(uno / "detenida", "");
  const Reloj::time_point detenida = Reloj::now();
  std::this_thread::sleep_for(std::chrono::seconds(2));
  // Stalled for 2 s: its last numbers still stand; the other desk moves on.
  EXPECT_TRUE(SinError(EsperarEntrada(puerto, 0, SinError)));
  EscribirArchivo(dos / "bitacora.txt", Llamada(Fecha(0), 30000, 6) +
                                            Llamada(Fecha(0), 30060, 7) +
                                            Llamada(Fecha(0), 30120, 8));
  EXPECT_TRUE(AtiendeOcho(EsperarEntrada(puerto, 1, AtiendeOcho)));
  EXPECT_NE(EsperarEntrada(puerto, 0, ConError)
                .find("\"error\": \"La carpeta de esta mesa no responde.\""),
            std::string::npos);
  EXPECT_GT(Reloj::now() - detenida, std::chrono::seconds(5));
  EXPECT_TRUE(AtiendeOcho(EsperarEntrada(puerto, 1, AtiendeOcho)));
  fs::remove(uno / "detenida");
  EXPECT_NE(EsperarEntrada(puerto, 0, SinError).find("\"atendiendo\": 2,"),
            std::string::npos);
#endif
}

}  // namespace
}  // namespace prueba
