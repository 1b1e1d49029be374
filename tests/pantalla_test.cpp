// quenvaro-pantalla, run as built: /estado on hand-made folders, what no
// answer may carry, its routes, refusals and limits, and a busy day of the
// console in the same folder while clients poll.
#include <gtest/gtest.h>

#ifdef __linux__
#include <linux/capability.h>
#include <sys/prctl.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/read_until.hpp>
#include <boost/asio/write.hpp>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "proceso.h"

namespace prueba {
namespace {

// Texts the files may hold and no answer may carry: digits, quotes, markup.
const std::string kNombre = "Zoe \"<b>4242</b>\" O'Hara & {x}";
const std::string kDescripcion = "Consulta \"<i>5151</i>\" <script>";
const std::string kVacio =
    "{\"atendiendo\": null, \"anteriores\": [], \"siguientes\": [], "
    "\"en_espera\": 0, \"espera_estimada_s\": 0, \"atendidos_hoy\": 0}";

// A call stamped `dias` from today, at `hora`.
std::string Llamada(int dias, const std::string& hora, int turno) {
  std::time_t dia = std::time(nullptr) + dias * 86400;
  char fecha[16];
  std::strftime(fecha, sizeof fecha, "%Y-%m-%d", std::localtime(&dia));
  return "FREE_TURNO   -> [" + std::string(fecha) + " " + hora +
         "] DESPACHADO: Turno #" + std::to_string(turno) +
         " | STATUS: Atendido\n";
}

std::string Cuerpo(const std::string& respuesta) {
  return respuesta.substr(respuesta.find("\r\n\r\n") + 4);
}

class PantallaEnCarpeta : public ::testing::Test {
 protected:
  std::string Pedir(const std::string& peticion) {
    const std::string respuesta = PedirHttp(pantalla_.puerto(), peticion);
    todo_ += respuesta;
    return respuesta;
  }
  std::string Estado() {
    const std::string respuesta = Pedir("GET /estado");
    EXPECT_EQ(respuesta.substr(0, 12), "HTTP/1.1 200");
    std::string cuerpo = Cuerpo(respuesta);  // without its date, today's:
    return cuerpo.erase(cuerpo.rfind(", \"fecha\": \"" + Llamada(0, "", 0).substr(17, 10)), 23);
  }

  CarpetaTemporal carpeta_;
  Pantalla pantalla_{carpeta_.ruta()};
  std::string todo_;  // every byte answered
};

TEST_F(PantallaEnCarpeta, EstadoDeLaBitacoraDesdeSuFinalYDelRespaldo) {
  EXPECT_EQ(Estado(), kVacio);  // no log, no backup

  // An earlier day's records, then 13 calls of today, all counted. The
  // newest 11 give 10 gaps, one running backwards (as 0), with a median of
  // 300 s; the newest 10 or 12 would give 600. A call stamped tomorrow is
  // passed over, other lines skipped, and the last one, still being
  // written, is no call.
  std::string registro =
      "REG_SESSION  -> [" + Llamada(0, "07:59:00", 0).substr(17, 19) +
      "] ID_SESION: 1 | USUARIO: " + kNombre + " | TURNO: #1\n";
  std::string bitacora = Llamada(-1, "18:00:00", 40) + registro;
  const char* horas[] = {"07:00:00", "07:30:00", "08:00:20", "08:01:20",
                         "08:02:20", "08:07:20", "08:12:20", "08:11:20",
                         "08:21:20", "08:31:20", "08:41:20", "08:51:20",
                         "09:01:20"};
  for (int i = 0; i < 13; ++i) {
    if (i == 7) bitacora += Llamada(1, "08:20:00", 900);
    if (i == 9) bitacora += "no es un registro: 5\r\n";
    bitacora += Llamada(0, horas[i], i + 1);
    if (i == 10) bitacora.insert(bitacora.size() - 1, "\r");
  }
  bitacora += Llamada(0, "09:10:00", 14).substr(0, 70);
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
  EXPECT_EQ(Estado(),
            "{\"atendiendo\": 13, \"anteriores\": [12, 11, 10, 9], " +
                siguientes +
                "\"espera_estimada_s\": 2700, \"atendidos_hoy\": 13}");
  // The last line ends, then one more call comes: what the requests before
  // read of today is kept, the new call goes before it.
  bitacora += Llamada(0, "09:10:00", 14).substr(70);
  EscribirArchivo(carpeta_ / "bitacora.txt", bitacora);
  EXPECT_NE(Estado().find("\"atendiendo\": 14, "), std::string::npos);
  EscribirArchivo(carpeta_ / "bitacora.txt",
                  bitacora + Llamada(0, "09:20:00", 15));
  EXPECT_EQ(Estado(),
            "{\"atendiendo\": 15, \"anteriores\": [14, 13, 12, 11], " +
                siguientes +
                "\"espera_estimada_s\": 5400, \"atendidos_hoy\": 15}");

  // The reading stops at the first record of an earlier day, here a
  // registration longer than any block: today's call before it is not
  // seen, and yesterday's last call is not today's.
  registro.replace(17, 10, Llamada(-1, "", 0).substr(17, 10));
  registro.insert(registro.find("USUARIO: ") + 9, std::string(70000, '8'));
  EscribirArchivo(
      carpeta_ / "bitacora.txt",
      Llamada(0, "07:00:00", 77) + registro + Llamada(0, "08:00:00", 1));
  EXPECT_EQ(Estado(), "{\"atendiendo\": 1, \"anteriores\": [], " + siguientes +
                          "\"espera_estimada_s\": null, \"atendidos_hoy\": 1}");
  // ... and at a line longer than 1 MiB; one of 1 MiB is read through. The
  // same when the long line starts just after what a request read.
  const std::string largas = Llamada(0, "07:00:00", 77) + std::string((1 << 20) + 1, '\0') +
                             "\n" + Llamada(0, "07:30:00", 78) +
                             std::string(1 << 20, '\0') + "\n" + Llamada(0, "08:00:00", 1);
  for (const std::string& leido : {std::string(), Llamada(0, "07:00:00", 77)}) {
    EscribirArchivo(carpeta_ / "bitacora.txt", leido);
    Estado();
    EscribirArchivo(carpeta_ / "bitacora.txt", largas);
    EXPECT_EQ(Estado(), "{\"atendiendo\": 1, \"anteriores\": [78], " + siguientes +
                            "\"espera_estimada_s\": 16200, \"atendidos_hoy\": 2}");
  }
  fs::remove(carpeta_ / "cola_respaldo.txt");
  EscribirArchivo(carpeta_ / "bitacora.txt", Llamada(-1, "18:00:00", 40));
  EXPECT_EQ(Estado(), kVacio);
  EscribirArchivo(carpeta_ / "bitacora.txt", Llamada(0, "08:00:00", 5));
  EXPECT_EQ(Estado(), "{\"atendiendo\": 5, \"anteriores\": [], \"siguientes\": [], "
                      "\"en_espera\": 0, \"espera_estimada_s\": 0, \"atendidos_hoy\": 1}");

  // No answer on any route carries a byte of the files' texts.
  EscribirArchivo(carpeta_ / "cola_respaldo.txt", "1|" + kDescripcion + "\n");
  for (const char* peticion : {"GET /", "HEAD /estado", "POST /4242", "PUT /"})
    Pedir(peticion);
  for (const std::string& texto :
       {kNombre, kDescripcion, std::string("4242"), std::string("5151"),
        std::string(7, '7'), std::string(8, '8')})
    EXPECT_EQ(todo_.find(texto), std::string::npos) << texto;
}

TEST_F(PantallaEnCarpeta, RutasErroresYLimites) {
  const std::string pagina = Pedir("GET /");
  EXPECT_EQ(pagina.substr(0, 12), "HTTP/1.1 200");
  EXPECT_NE(pagina.find("text/html"), std::string::npos);
  // HEAD: the headers of GET, no body.
  const std::string cabeza = Pedir("HEAD /estado?t=1");
  EXPECT_EQ(cabeza.substr(0, 12), "HTTP/1.1 200");
  EXPECT_EQ(Cuerpo(cabeza), "");
  EXPECT_NE(cabeza.find("Cache-Control: no-store\r\n"), std::string::npos);
  EXPECT_NE(cabeza.find("Content-Length: " + std::to_string(Estado().size() + 23)),
            std::string::npos);
  EXPECT_EQ(Pedir("GET /estado/").substr(0, 12), "HTTP/1.1 404");
  EXPECT_EQ(Pedir("POST /").substr(0, 12), "HTTP/1.1 405");

  // A file that exists but cannot be read: 503, never old numbers.
  for (const char* archivo : {"bitacora.txt", "cola_respaldo.txt"}) {
    fs::create_directory(carpeta_ / archivo);
    const std::string fallo = Pedir("GET /estado");
    EXPECT_EQ(fallo.substr(0, 12), "HTTP/1.1 503");
    EXPECT_EQ(Cuerpo(fallo),
              "{\"error\": \"No se pudo leer " + std::string(archivo) + ".\"}");
    fs::remove(carpeta_ / archivo);
  }

  // A client stuck halfway through its request holds only its own
  // connection; oversized headers and junk get an error.
  boost::asio::io_context contexto;
  boost::asio::ip::tcp::socket atascado(contexto);
  atascado.connect({boost::asio::ip::make_address("127.0.0.1"),
                    static_cast<unsigned short>(pantalla_.puerto())});
  boost::asio::write(atascado, boost::asio::buffer(std::string("GET / HT")));
  EXPECT_EQ(Pedir("GET /").substr(0, 12), "HTTP/1.1 200");
  EXPECT_EQ(Pedir("GET / HTTP/1.1\r\nX: " + std::string(9000, 'a') + "\r\n\r\n")
                .substr(0, 12),
            "HTTP/1.1 431");
  EXPECT_EQ(Pedir("NO\r\n\r\n").substr(0, 12), "HTTP/1.1 400");

  // An address or a port that cannot be used: one line saying why, status
  // 1. A wrong command line: the usage, status 2. The port already taken
  // comes first, so that a mistake let through fails there, at once.
  const std::string tomado = std::to_string(pantalla_.puerto());
  const struct {
    std::vector<std::string> argumentos;
    int estado;
    std::string motivo;
  } casos[] = {
      {{"--puerto", tomado}, 1, "el puerto ya esta en uso\n"},
      {{"--escuchar", "192.0.2.1", "--puerto", "0"}, 1, "no es de este equipo\n"},
      {{"--puerto", "65536"}, 2, "puerto imposible (0 a 65535): 65536\n"},
      {{"--puerto", "8o"}, 2, "puerto imposible (0 a 65535): 8o\n"},
      {{"--puerto", tomado, "--puerto"}, 2, "falta el valor de: --puerto\n"},
      {{"--puerto", tomado, "bitacora"}, 2, "no es una carpeta: bitacora\n"},
      // Several desks: eight at most, each a folder once, with a name of its
      // own, the same but for case counting as the same.
      {{"--puerto", tomado, ".", ".", ".", ".", ".", ".", ".", ".", ".."}, 2,
       "sobran carpetas (8 a lo sumo): ..\n"},
      {{"--puerto", tomado, "Caja=.", "caja=.."}, 2,
       "dos mesas con el mismo nombre: caja=..\n"},
      {{"--puerto", tomado, "A=.", "B=" + carpeta_.ruta().string()}, 2,
       "la misma carpeta dos veces: B=" + carpeta_.ruta().string() + "\n"},
      {{"--puerto", tomado, "Mesa=.", "Caja=nada"}, 2, "no es una carpeta: Caja=nada\n"},
      {{"--puerto", tomado, "=.", ".."}, 2,
       "falta el nombre de la mesa antes de =: =.\n"},
      {{"--puerto", tomado, "Caja=.", std::string(31, 'x') + "=.."}, 2,
       "el nombre de una mesa tiene de 1 a 30 caracteres (NOMBRE=CARPETA): " +
           std::string(31, 'x') + "=..\n"},
      {{"--puerto", tomado, "Caja=.", "Caja\x7f=.."}, 2,
       "el nombre de una mesa tiene de 1 a 30 caracteres (NOMBRE=CARPETA): "
       "Caja\x7f=..\n"}};
  for (const auto& caso : casos) {
    const Ejecucion otra = EjecutarPantalla(carpeta_.ruta(), caso.argumentos);
    EXPECT_EQ(otra.estado, caso.estado) << caso.motivo;
    const std::string motivo = ComoTexto(caso.motivo);  // ends the line
    EXPECT_EQ(otra.error.find(motivo) + motivo.size(),
              otra.error.find('\n') + 1)
        << otra.error;
    EXPECT_EQ(otra.error.find("Uso: quenvaro-pantalla [--puerto N]") !=
                  std::string::npos,
              caso.estado == 2);
  }
#ifdef __linux__
  // A port below 1024, where an operator's account may not listen, nor
  // root's programs started from here on; unless this system lets every
  // account listen there.
  if (std::atoi(LeerArchivo("/proc/sys/net/ipv4/ip_unprivileged_port_start").c_str()) > 80 &&
      (geteuid() != 0 || prctl(PR_CAPBSET_DROP, CAP_NET_BIND_SERVICE, 0, 0, 0) == 0)) {
    const Ejecucion bajo = EjecutarPantalla(carpeta_.ruta(), {"--puerto", "80"});
    EXPECT_EQ(bajo.estado, 1);
    EXPECT_EQ(bajo.error,
              "quenvaro-pantalla: no se puede escuchar en 127.0.0.1, puerto 80: los puertos "
              "menores que 1024 necesitan permisos de administrador; use otro, como 8080\n");
  }
#endif
#ifndef _WIN32
  EXPECT_EQ(pantalla_.Detener(), 0);
#endif
}

// Every place taken by a client stuck in its request, or by one answered
// and kept open, all from one address (a router): a new client still gets
// its answer, in the place of the one that waited longest, not the newest.
TEST_F(PantallaEnCarpeta, UnClienteNuevoTomaElLugarDelMasAntiguo) {
  namespace asio = boost::asio;
  for (const bool atendidos : {false, true}) {
    asio::io_context contexto;
    std::vector<asio::ip::tcp::socket> ocupados;
    for (int i = 0; i < 64; ++i) {
      ocupados.emplace_back(contexto).connect(
          {asio::ip::make_address("127.0.0.1"),
           static_cast<unsigned short>(pantalla_.puerto())});
      if (!atendidos) {
        asio::write(ocupados.back(), asio::buffer("GET / HT", 8));
        continue;
      }
      asio::write(ocupados.back(), asio::buffer(std::string("HEAD / HTTP/1.1\r\n\r\n")));
      std::string respuesta;
      asio::read_until(ocupados.back(), asio::dynamic_buffer(respuesta), "\r\n\r\n");
    }
    EXPECT_EQ(Pedir("GET /").substr(0, 12), "HTTP/1.1 200") << atendidos;
    char byte;  // the newest of them is still open
    boost::system::error_code error;
    ocupados.back().non_blocking(true);
    ocupados.back().read_some(asio::buffer(&byte, 1), error);
    EXPECT_EQ(error, asio::error::would_block) << atendidos;
  }
}

// A flood of connections that send nothing, from another address, only
// displaces its own: a client that waits 50 ms before its request, as a
// slow TV may, is answered every time.
TEST_F(PantallaEnCarpeta, UnaAvalanchaDeOtraDireccionNoDesplazaAUnCliente) {
  namespace asio = boost::asio;
  asio::io_context contexto;
  const asio::ip::tcp::endpoint servidor(asio::ip::make_address("127.0.0.1"), pantalla_.puerto());
  std::deque<asio::ip::tcp::socket> avalancha;  // its newest 200 stay open
  for (int vez = 0; vez < 10; ++vez) {
    asio::ip::tcp::socket cliente(contexto);
    cliente.connect(servidor);
    for (int i = 0; i < 300; ++i) {
      if (avalancha.size() == 200) avalancha.pop_front();
      avalancha.emplace_back(contexto, asio::ip::tcp::endpoint(asio::ip::make_address("127.0.0.2"), 0))
          .connect(servidor);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    asio::write(cliente, asio::buffer(std::string("GET /estado HTTP/1.1\r\nConnection: close\r\n\r\n")));
    std::string respuesta;
    boost::system::error_code fin;  // the server's close
    asio::read(cliente, asio::dynamic_buffer(respuesta), fin);
    EXPECT_EQ(respuesta.substr(0, 12), "HTTP/1.1 200") << vez;
  }
  // Once the flood is over, a full house from a third address makes room
  // at once, as the places the flood lost no longer count as its.
  avalancha.clear();
  Pedir("GET /");  // the server has seen the flood's connections end
  std::vector<asio::ip::tcp::socket> atascados;
  for (int i = 0; i < 64; ++i) {
    atascados.emplace_back(contexto, asio::ip::tcp::endpoint(asio::ip::make_address("127.0.0.3"), 0))
        .connect(servidor);
    asio::write(atascados.back(), asio::buffer("GET / HT", 8));
  }
  EXPECT_EQ(PedirHttp(pantalla_.puerto(), "GET /", 5).substr(0, 12), "HTTP/1.1 200");
}

#ifndef _WIN32
// An edit in place that leaves the log's end as it was (a turn number
// corrected) shows within a minute of the server's clock, however often or
// seldom the screen asks meanwhile, and at once when the clock is set back.
TEST(PantallaConReloj, UnaCorreccionEnSuSitioSeVeAntesDeUnMinuto) {
  CarpetaTemporal carpeta;
  // The server's clock `segundos` from today's noon, so the day stays one.
  const std::time_t ahora = std::time(nullptr);
  std::tm mediodia = *std::localtime(&ahora);
  mediodia.tm_hour = 12;
  mediodia.tm_min = mediodia.tm_sec = 0;
  const long hastaMediodia = static_cast<long>(std::difftime(std::mktime(&mediodia), ahora));
  auto reloj = [&](long segundos) {
    EscribirArchivo(carpeta / "reloj", (hastaMediodia + segundos < 0 ? "" : "+") +
                                           std::to_string(hastaMediodia + segundos));
  };
  reloj(0);
  if (!UsarRelojFalso(carpeta / "reloj")) GTEST_SKIP() << "apt-get install faketime";
  Pantalla pantalla(carpeta.ruta());
  UsarRelojFalso({});
  const std::string ultima = Llamada(0, "08:00:00", 2);
  const struct {
    long segundos;  // the server's clock when the turn is corrected to `turno`
    int turno;
    const char* visto;  // ... and what it then answers, if anything sure
  } pasos[] = {{0, 1, "[1]"}, {30, 7, ""}, {60, 7, "[7]"}, {-600, 8, "[8]"},
               // Asked seldom: 69 s after the last reading from the log's end
               // (11:40:05, then 11:41:14), with none between.
               {-1195, 3, "[3]"}, {-1126, 4, "[4]"}};
  for (const auto& paso : pasos) {
    EscribirArchivo(carpeta / "bitacora.txt", Llamada(0, "07:00:00", paso.turno) + ultima);
    reloj(paso.segundos);
    EXPECT_NE(PedirHttp(pantalla.puerto(), "GET /estado").find(paso.visto), std::string::npos)
        << paso.segundos;
  }
}
#endif

#ifndef _WIN32
// A connection kept open for request after request is told to close, and
// closed, with its first answer once it is five minutes old, so no client
// keeps its place for ever.
TEST(PantallaConReloj, UnaConexionAbiertaSeCierraALosCincoMinutos) {
  CarpetaTemporal carpeta;
  EscribirArchivo(carpeta / "reloj", "+0");
  if (!UsarRelojFalso(carpeta / "reloj")) GTEST_SKIP() << "apt-get install faketime";
  Pantalla pantalla(carpeta.ruta());
  UsarRelojFalso({});
  namespace asio = boost::asio;
  asio::io_context contexto;
  asio::ip::tcp::socket cliente(contexto);
  cliente.connect({asio::ip::make_address("127.0.0.1"),
                   static_cast<unsigned short>(pantalla.puerto())});
  // A request each 7 s of the server's clock, within the 10 s it waits.
  for (int segundos = 0; segundos <= 301; segundos += 7) {
    EscribirArchivo(carpeta / "reloj", "+" + std::to_string(segundos));
    asio::write(cliente, asio::buffer(std::string("HEAD / HTTP/1.1\r\n\r\n")));
    std::string cabeceras;
    asio::read_until(cliente, asio::dynamic_buffer(cabeceras), "\r\n\r\n");
    ASSERT_EQ(cabeceras.substr(0, 12), "HTTP/1.1 200") << segundos;
    EXPECT_EQ(cabeceras.find("Connection: close\r\n") != std::string::npos, segundos >= 300)
        << segundos;
  }
  char byte;
  boost::system::error_code fin;
  cliente.read_some(asio::buffer(&byte, 1), fin);
  EXPECT_EQ(fin, asio::error::eof);
}
#endif

// A busy day of the console while two clients poll the screen of its
// folder. Every answer must be a queue that existed after some command,
// with the call just before its front, or (between a dispatch's two
// writes: the log's record, then the backup) the front itself; no
// client's call may move backwards; and the console must do exactly what
// it does with no screen at all.
TEST(PantallaConConsola, UnDiaOcupadoMientrasLosClientesConsultan) {
  std::string entrada;
  // The queues that existed, as the JSON shows them, and their fronts.
  std::multimap<std::string, int> colas;
  auto anotar = [&colas](int frente, int ultimo) {
    std::string texto = "\"siguientes\": [";
    for (int t = frente; t <= ultimo && t < frente + 8; ++t)
      texto += (t > frente ? ", " : "") + std::to_string(t);
    colas.emplace(texto + "], \"en_espera\": " +
                      std::to_string(std::max(0, ultimo - frente + 1)),
                  frente);
  };
  anotar(1, 0);
  for (int ronda = 0, emitidos = 0, llamados = 0;
       ronda < 60 || llamados < emitidos; ++ronda) {
    for (int i = 0; i < 3 && ronda < 60; ++i) {
      entrada += "1\n" + kNombre + "\n";
      anotar(llamados + 1, ++emitidos);
    }
    for (int i = 0; i < 2 && llamados < emitidos; ++i) {
      entrada += "2\n";
      anotar(++llamados + 1, emitidos);
    }
  }
  entrada += "4\n";

  CarpetaTemporal conPantalla, sinPantalla;
  Pantalla pantalla(conPantalla.ruta());
  std::vector<std::string> respuestas[2];
  std::atomic<bool> fin{false};
  std::vector<std::thread> clientes;
  for (std::vector<std::string>& propias : respuestas)
    clientes.emplace_back([&pantalla, &propias, &fin] {
      while (!fin && propias.size() < 20000)  // bounded in count too
        propias.push_back(Cuerpo(PedirHttp(pantalla.puerto(), "GET /estado")));
    });
  Ejecucion dia = EjecutarQuenvaro(conPantalla.ruta(), entrada);
  fin = true;
  for (std::thread& cliente : clientes) cliente.join();
  EXPECT_EQ(dia.estado, 0);

  for (const std::vector<std::string>& propias : respuestas) {
    EXPECT_FALSE(propias.empty());
    int ultimoLlamado = 0;
    for (const std::string& respuesta : propias) {
      const std::size_t inicio = respuesta.find("\"siguientes\"");
      const std::size_t final = respuesta.find(", \"espera_estimada_s\"");
      ASSERT_NE(final, std::string::npos) << respuesta;
      const int llamado = std::atoi(respuesta.c_str() + 15);  // null: 0
      bool existio = false;
      auto iguales =
          colas.equal_range(respuesta.substr(inicio, final - inicio));
      for (auto cola = iguales.first; cola != iguales.second; ++cola)
        existio |= llamado >= cola->second - 1 && llamado <= cola->second;
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
  // The screen made no file.
  EXPECT_EQ(std::distance(fs::directory_iterator(conPantalla.ruta()), {}),
            std::distance(fs::directory_iterator(sinPantalla.ruta()), {}));
}

#ifndef _WIN32
TEST(PantallaAbrir, AbreSuPaginaEnElNavegadorCuandoYaEscucha) {
  CarpetaTemporal carpeta;
  NavegadorFalso navegador(carpeta.ruta());
  Pantalla(carpeta.ruta()).Inicio();  // without --abrir, no browser
  Pantalla pantalla(carpeta.ruta(), 0, "--abrir");
  EXPECT_EQ(navegador.Abiertos(1),
            "http://127.0.0.1:" + std::to_string(pantalla.puerto()) + "/\n");
  // It holds nothing of the screen's (its port, its standard error), and
  // Ctrl+C on the screen does not reach it.
  EXPECT_EQ(navegador.Entorno(1), "grupo propio; /dev/null /dev/null /dev/null ; 0 sockets\n");
}

TEST(PantallaAbrir, QuioscoEnChromeOSinElEnUnaVentanaDiciendolo) {
  CarpetaTemporal carpeta;
  NavegadorFalso navegador(carpeta.ruta());
  // The fakes alone on PATH: no browser of this machine is found.
  setenv("PATH", (carpeta.ruta() / "falso").c_str(), 1);
  const std::string aviso = "no se pudo abrir Edge ni Chrome en modo quiosco; "
                            "la pagina se abre en una ventana del navegador "
                            "predeterminado\n";
  for (const bool conChrome : {false, true}) {
    if (conChrome)
      fs::copy_file(carpeta.ruta() / "falso" / "xdg-open",
                    carpeta.ruta() / "falso" / "google-chrome");
    Pantalla pantalla(carpeta.ruta(), 0, "--quiosco");
    const std::string url =
        "http://127.0.0.1:" + std::to_string(pantalla.puerto()) + "/\n";
    // Without a browser for the kiosk, xdg-open is given the address alone.
    const std::string abiertos = navegador.Abiertos(conChrome ? 2 : 1);
    const std::string ultimo =
        abiertos.substr(abiertos.rfind('\n', abiertos.size() - 2) + 1);
    const char* kiosco = "--kiosk --autoplay-policy=no-user-gesture-required "
                         "--no-first-run --user-data-dir=";
    EXPECT_EQ(ultimo.rfind(conChrome ? kiosco : "http", 0), 0u) << ultimo;
    EXPECT_EQ(ultimo.substr(ultimo.size() - url.size()), url);
    EXPECT_EQ(pantalla.Inicio().find(aviso) != std::string::npos, !conChrome);
  }
}

#endif

}  // namespace
}  // namespace prueba
