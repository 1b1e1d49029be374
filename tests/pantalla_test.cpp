// quenvaro-pantalla, run as built: /estado on hand-made folders, what no
// answer may carry, its routes, refusals and limits, and a busy day of the
// console in the same folder while clients poll.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/write.hpp>
#include <ctime>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "proceso.h"

namespace prueba {
namespace {

// Texts the files may hold and no answer may carry: digits, quotes, markup.
const std::string kNombre = "Zoe \"<b>4242</b>\" O'Hara & {x}";
const std::string kDescripcion = "Consulta \"<i>5151</i>\" <script>";

// A local date `dias` from today, as the console stamps it.
std::string Fecha(int dias) {
  std::time_t ahora = std::time(nullptr);
  std::tm fecha = *std::localtime(&ahora);
  fecha.tm_mday += dias;
  fecha.tm_hour = 12;
  std::mktime(&fecha);
  char texto[16];
  std::strftime(texto, sizeof texto, "%Y-%m-%d", &fecha);
  return texto;
}

std::string Llamada(const std::string& fecha, const std::string& hora,
                    const std::string& turno) {
  return "FREE_TURNO   -> [" + fecha + " " + hora + "] DESPACHADO: Turno #" +
         turno + " | STATUS: Atendido\n";
}

struct Respuesta {
  int estado = 0;  // 0: no HTTP answer
  std::string cabeceras, cuerpo;
};

// One request on a connection of its own; every byte answered is also
// added to *todo when given.
Respuesta Pedir(const Pantalla& pantalla, const std::string& metodo,
                const std::string& ruta, std::string* todo = nullptr) {
  const std::string texto =
      PedirHttp(pantalla.puerto(), metodo + " " + ruta +
                                       " HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                       "Connection: close\r\n\r\n");
  if (todo != nullptr) *todo += texto;
  Respuesta respuesta;
  const std::size_t fin = texto.find("\r\n\r\n");
  if (texto.compare(0, 9, "HTTP/1.1 ") != 0 || fin == std::string::npos)
    return respuesta;
  respuesta.estado = std::stoi(texto.substr(9, 3));
  respuesta.cabeceras = texto.substr(0, fin + 2);
  respuesta.cuerpo = texto.substr(fin + 4);
  return respuesta;
}

class PantallaEnCarpeta : public ::testing::Test {
 protected:
  std::string Estado() {
    Respuesta respuesta = Pedir(pantalla_, "GET", "/estado", &todo_);
    EXPECT_EQ(respuesta.estado, 200);
    return respuesta.cuerpo;
  }

  CarpetaTemporal carpeta_;
  Pantalla pantalla_{carpeta_.ruta()};
  std::string todo_;  // every byte answered
};

TEST_F(PantallaEnCarpeta, EstadoDeLaBitacoraDesdeSuFinalYDelRespaldo) {
  const std::string hoy = Fecha(0), ayer = Fecha(-1);
  EXPECT_EQ(Estado(),
            "{\"atendiendo\": null, \"anteriores\": [], \"siguientes\": [], "
            "\"en_espera\": 0, \"espera_estimada_s\": 0}");

  // An earlier day's records, then 13 calls of today. The newest 11 give
  // 10 gaps, one running backwards (as 0), with a median of 300 s; the
  // newest 10 or 12 would give 600. A call stamped tomorrow is passed over,
  // other lines skipped, and the last one, still being written, is no call yet.
  std::string bitacora = Llamada(ayer, "18:00:00", "40") + "REG_SESSION  -> [" +
                         hoy + " 07:59:00] ID_SESION: 1 | USUARIO: " + kNombre +
                         " | TURNO: #1\n";
  const char* horas[] = {"07:00:00", "07:30:00", "08:00:20", "08:01:20",
                         "08:02:20", "08:07:20", "08:12:20", "08:11:20",
                         "08:21:20", "08:31:20", "08:41:20", "08:51:20",
                         "09:01:20"};
  for (int i = 0; i < 13; ++i) {
    if (i == 7) bitacora += Llamada(Fecha(1), "08:20:00", "900");
    if (i == 9) bitacora += "no es un registro: 5\r\n";
    bitacora += Llamada(hoy, horas[i], std::to_string(i + 1));
    if (i == 10) bitacora.insert(bitacora.size() - 1, "\r");
  }
  bitacora += "FREE_TURNO   -> [" + hoy + " 09:10:00] DESPACHADO: Turno #14";
  EscribirArchivo(carpeta_ / "bitacora.txt", bitacora);
  // The restore's line rule: empty lines, lines without two fields, a
  // number without digits (turn 0), a line longer than a read (its rest
  // is a piece of its own), a number beyond 32 bits, no final line end.
  EscribirArchivo(carpeta_ / "cola_respaldo.txt",
                  "12|General\n\n|\nsin barra\n13|\n||14||" + kDescripcion +
                      "|x\r\nabc|D\n  15abc|D\n16|" + std::string(300, '7') +
                      "\n99999999999|D\n17|" + kNombre + "\n18|D\n-3|D");
  const std::string siguientes =
      "\"siguientes\": [12, 14, 0, 15, 16, 2147483647, 17, 18], "
      "\"en_espera\": 9, ";
  EXPECT_EQ(Estado(), "{\"atendiendo\": 13, \"anteriores\": [12, 11, 10, 9], " +
                          siguientes + "\"espera_estimada_s\": 2700}");

  // The reading stops at the first record of an earlier day, here a
  // registration longer than any block: today's call before it is not
  // seen, and yesterday's last call is not today's.
  EscribirArchivo(
      carpeta_ / "bitacora.txt",
      Llamada(hoy, "07:00:00", "77") + "REG_SESSION  -> [" + ayer +
          " 19:00:00] ID_SESION: 9 | USUARIO: " + std::string(70000, '8') +
          kNombre + " | TURNO: #9\n" + Llamada(hoy, "08:00:00", "1"));
  EXPECT_EQ(Estado(), "{\"atendiendo\": 1, \"anteriores\": [], " + siguientes +
                          "\"espera_estimada_s\": null}");

  fs::remove(carpeta_ / "cola_respaldo.txt");
  EscribirArchivo(carpeta_ / "bitacora.txt", Llamada(ayer, "18:00:00", "40"));
  EXPECT_EQ(Estado(),
            "{\"atendiendo\": null, \"anteriores\": [], \"siguientes\": [], "
            "\"en_espera\": 0, \"espera_estimada_s\": 0}");

  // No answer on any route carries a byte of the files' texts.
  EscribirArchivo(carpeta_ / "cola_respaldo.txt", "1|" + kDescripcion + "\n");
  Pedir(pantalla_, "GET", "/", &todo_);
  Pedir(pantalla_, "HEAD", "/estado", &todo_);
  Pedir(pantalla_, "GET", "/" + std::string("4242"), &todo_);
  Pedir(pantalla_, "POST", "/estado", &todo_);
  for (const std::string& texto :
       {kNombre, kDescripcion, std::string("4242"), std::string("5151"),
        std::string(7, '7'), std::string(8, '8')})
    EXPECT_EQ(todo_.find(texto), std::string::npos) << texto;
}

TEST_F(PantallaEnCarpeta, RutasErroresYLimites) {
  EXPECT_NE(pantalla_.linea().find("quenvaro-pantalla: "), std::string::npos);
  Respuesta pagina = Pedir(pantalla_, "GET", "/");
  EXPECT_EQ(pagina.estado, 200);
  EXPECT_NE(pagina.cabeceras.find("Content-Type: text/html"),
            std::string::npos);
  EXPECT_NE(pagina.cuerpo.find("</html>"), std::string::npos);
  // HEAD: the headers of GET, no body.
  Respuesta cabeza = Pedir(pantalla_, "HEAD", "/estado?t=1");
  EXPECT_EQ(cabeza.estado, 200);
  EXPECT_EQ(cabeza.cuerpo, "");
  EXPECT_NE(cabeza.cabeceras.find("Cache-Control: no-store\r\n"),
            std::string::npos);
  EXPECT_NE(cabeza.cabeceras.find(
                "Content-Length: " + std::to_string(Estado().size()) + "\r\n"),
            std::string::npos);
  EXPECT_EQ(Pedir(pantalla_, "GET", "/estado/").estado, 404);
  EXPECT_EQ(Pedir(pantalla_, "POST", "/").estado, 405);
  EXPECT_EQ(Pedir(pantalla_, "DELETE", "/estado").estado, 405);

  // A file that exists but cannot be read: 503, never old numbers.
  fs::create_directory(carpeta_ / "bitacora.txt");
  Respuesta fallo = Pedir(pantalla_, "GET", "/estado");
  EXPECT_EQ(fallo.estado, 503);
  EXPECT_EQ(fallo.cuerpo, "{\"error\": \"No se pudo leer bitacora.txt.\"}");
  fs::remove(carpeta_ / "bitacora.txt");
  fs::create_directory(carpeta_ / "cola_respaldo.txt");
  fallo = Pedir(pantalla_, "GET", "/estado");
  EXPECT_EQ(fallo.estado, 503);
  EXPECT_EQ(fallo.cuerpo,
            "{\"error\": \"No se pudo leer cola_respaldo.txt.\"}");

  // A client stuck halfway through its request holds only its own
  // connection; oversized headers and junk get an error.
  namespace asio = boost::asio;
  asio::io_context contexto;
  asio::ip::tcp::socket atascado(contexto);
  atascado.connect({asio::ip::make_address("127.0.0.1"),
                    static_cast<unsigned short>(pantalla_.puerto())});
  asio::write(atascado, asio::buffer(std::string("GET / HTTP/1.1\r\nHo")));
  EXPECT_EQ(Pedir(pantalla_, "GET", "/").estado, 200);
  EXPECT_EQ(
      PedirHttp(pantalla_.puerto(),
                "GET / HTTP/1.1\r\nX: " + std::string(9000, 'a') + "\r\n\r\n")
          .substr(0, 12),
      "HTTP/1.1 431");
  EXPECT_EQ(PedirHttp(pantalla_.puerto(), "NO ES HTTP\r\n\r\n").substr(0, 12),
            "HTTP/1.1 400");

  // A port already taken: one line, status 1. Ctrl+C ends with status 0.
  Ejecucion otra = EjecutarPantalla(
      carpeta_.ruta(), {"--puerto", std::to_string(pantalla_.puerto())});
  EXPECT_EQ(otra.estado, 1);
  EXPECT_EQ(otra.salida, "");
  EXPECT_EQ(std::count(otra.error.begin(), otra.error.end(), '\n'), 1)
      << otra.error;
#ifndef _WIN32
  EXPECT_EQ(pantalla_.Detener(), 0);
#endif
}

TEST(PantallaOrdenes, UnaLineaDeOrdenesIncorrectaDaElUsoYEstado2) {
  CarpetaTemporal carpeta;
  const std::string uso =
      "Uso: quenvaro-pantalla [--puerto N] [--escuchar DIRECCION] [CARPETA]\n";
  for (const std::vector<std::string>& argumentos :
       std::vector<std::vector<std::string>>{{"--puerto"},
                                             {"--puerto", "65536"},
                                             {"--puerto", "80a"},
                                             {"--escuchar", "localhost"},
                                             {"--ver"},
                                             {"no-existe"},
                                             {".", "."}}) {
    Ejecucion e = EjecutarPantalla(carpeta.ruta(), argumentos);
    EXPECT_EQ(e.estado, 2) << argumentos[0];
    EXPECT_NE(e.error.find(ComoTexto(uso)), std::string::npos) << argumentos[0];
    EXPECT_EQ(e.salida, "");
  }
  Ejecucion ayuda = EjecutarPantalla(carpeta.ruta(), {"--help"});
  EXPECT_EQ(ayuda.estado, 0);
  EXPECT_EQ(ayuda.salida.find(ComoTexto(uso)), 0u);
}

// A busy day of the console while two clients poll the screen of its
// folder. Every answer must be a queue that existed after some command
// (the call shown at most one command away from it, either way, as the two
// files are written in turn), no client's call may move backwards, and
// the console must do exactly what it does with no screen at all.
TEST(PantallaConConsola, UnDiaOcupadoMientrasLosClientesConsultan) {
  std::string entrada;
  std::vector<std::pair<int, int>> colas{{1, 0}};  // front and last turn
  int emitidos = 0, llamados = 0;
  for (int ronda = 0; ronda < 60 || llamados < emitidos; ++ronda) {
    for (int i = 0; i < 3 && ronda < 60; ++i) {
      entrada += "1\n" + kNombre + std::to_string(ronda) + "\n";
      colas.push_back({llamados + 1, ++emitidos});
    }
    for (int i = 0; i < 2 && llamados < emitidos; ++i) {
      entrada += "2\n";
      colas.push_back({++llamados + 1, emitidos});
    }
  }
  entrada += "4\n";

  CarpetaTemporal conPantalla, sinPantalla;
  Pantalla pantalla(conPantalla.ruta());
  std::vector<std::string> respuestas[2];
  std::vector<std::thread> clientes;
  std::atomic<bool> fin{false};
  for (std::vector<std::string>& propias : respuestas)
    clientes.emplace_back([&pantalla, &propias, &fin] {
      // Bounded in count as well as by the day's end.
      while (!fin && propias.size() < 20000)
        propias.push_back(Pedir(pantalla, "GET", "/estado").cuerpo);
    });
  Ejecucion dia = EjecutarQuenvaro(conPantalla.ruta(), entrada);
  fin = true;
  for (std::thread& cliente : clientes) cliente.join();
  EXPECT_EQ(dia.estado, 0);

  const std::regex forma(
      "\\{\"atendiendo\": (null|[0-9]+), \"anteriores\": \\[[0-9, ]*\\], "
      "\"siguientes\": \\[([0-9, ]*)\\], \"en_espera\": ([0-9]+), "
      "\"espera_estimada_s\": (null|[0-9]+)\\}");
  for (const std::vector<std::string>& propias : respuestas) {
    EXPECT_FALSE(propias.empty());
    int ultimoLlamado = 0;
    for (const std::string& respuesta : propias) {
      std::smatch partes;
      ASSERT_TRUE(std::regex_match(respuesta, partes, forma)) << respuesta;
      const int llamado = partes[1] == "null" ? 0 : std::stoi(partes[1]);
      const int enEspera = std::stoi(partes[3]);
      bool existio = false;
      for (const std::pair<int, int>& cola : colas) {
        std::string frente;
        for (int t = cola.first; t <= cola.second && t < cola.first + 8; ++t)
          frente += (frente.empty() ? "" : ", ") + std::to_string(t);
        existio =
            existio || (frente == partes[2] &&
                        enEspera == std::max(0, cola.second - cola.first + 1) &&
                        llamado >= cola.first - 2 && llamado <= cola.first);
      }
      EXPECT_TRUE(existio) << respuesta;
      EXPECT_GE(llamado, ultimoLlamado) << respuesta;
      ultimoLlamado = llamado;
    }
  }

  Ejecucion sola = EjecutarQuenvaro(sinPantalla.ruta(), entrada);
  EXPECT_EQ(SinMarcas(dia.salida), SinMarcas(sola.salida));
  EXPECT_EQ(SinMarcas(LeerArchivo(conPantalla / "bitacora.txt")),
            SinMarcas(LeerArchivo(sinPantalla / "bitacora.txt")));
  EXPECT_EQ(LeerArchivo(conPantalla / "cola_respaldo.txt"),
            LeerArchivo(sinPantalla / "cola_respaldo.txt"));
  std::vector<std::string> nombres[2];
  for (int i = 0; i < 2; ++i)
    for (const auto& entrada :
         fs::directory_iterator((i == 0 ? conPantalla : sinPantalla).ruta()))
      nombres[i].push_back(entrada.path().filename().string());
  std::sort(nombres[0].begin(), nombres[0].end());
  std::sort(nombres[1].begin(), nombres[1].end());
  EXPECT_EQ(nombres[0], nombres[1]);  // the screen made no file
}

}  // namespace
}  // namespace prueba
