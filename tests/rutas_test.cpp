// Folders as offices name them, what the screen says of the folder it
// reads, and which of the PC's addresses it offers to other devices.
#include <gtest/gtest.h>

#include <algorithm>
#include <boost/asio/ip/udp.hpp>
#include <ctime>
#include <string>
#include <vector>

#include "platform/red.h"
#include "proceso.h"

namespace prueba {
namespace {

std::string LlamadaDeHoy(const char* hora, int turno) {
  std::time_t ahora = std::time(nullptr);
  char fecha[16];
  std::strftime(fecha, sizeof fecha, "%Y-%m-%d", std::localtime(&ahora));
  return "FREE_TURNO   -> [" + std::string(fecha) + " " + hora +
         "] DESPACHADO: Turno #" + std::to_string(turno) +
         " | STATUS: Atendido\n";
}

// Each program reaches the console's files through a folder whose name
// the ANSI code page cannot hold (a letter outside it, one outside UTF-16's
// first plane), and prints that name as typed: UTF-8 to a file or a pipe.
TEST(CarpetaConNombre, LosTresProgramasLaUsanYLaNombran) {
  for (const char* nombre : {u8"Atención José Ñ Ω", u8"Sala \U0001D11E"}) {
    SCOPED_TRACE(nombre);
    CarpetaTemporal base;
    const fs::path carpeta = base.ruta() / fs::u8path(nombre);
    ASSERT_TRUE(fs::create_directory(carpeta));
    EscribirArchivo(carpeta / "bitacora.txt",
                    LlamadaDeHoy("09:00:00", 7) + LlamadaDeHoy("09:05:00", 9));
    EscribirArchivo(carpeta / "cola_respaldo.txt", "10|Ana\n11|Beto\n");
    const std::string ruta = carpeta.u8string();
    {
      Pantalla pantalla(carpeta);
      EXPECT_NE(pantalla.Inicio().find(ruta), std::string::npos);
      const std::string estado = PedirHttp(pantalla.puerto(), "GET /estado");
      for (const char* clave : {"\"atendiendo\": 9,", "\"anteriores\": [7],",
                                "\"siguientes\": [10, 11],"})
        EXPECT_NE(estado.find(clave), std::string::npos) << clave << estado;
    }
    const std::string log = (carpeta / "bitacora.txt").u8string();
    const Ejecucion texto = EjecutarInforme(base.ruta(), {log});
    EXPECT_EQ(texto.estado, 0) << texto.error;
    const std::string primera =
        "INFORME DE ATENCION QUENVARO - " + log + ComoTexto("\n");
    EXPECT_EQ(texto.salida.substr(0, primera.size()), primera);
    const Ejecucion pagina = EjecutarInforme(base.ruta(), {"--html", log});
    EXPECT_EQ(pagina.estado, 0) << pagina.error;
    EXPECT_NE(pagina.salida.find(log), std::string::npos);
    const Ejecucion dia = EjecutarQuenvaro(carpeta, "1\nCarla\n2\n4\n");
    EXPECT_EQ(dia.estado, 0);
    EXPECT_NE(LeerArchivo(carpeta / "bitacora.txt").find("TURNO: #12"),
              std::string::npos);
  }
}

// A screen started in the wrong folder must not just stay empty: each
// start names its folder, and one without the console's files says so (a
// log it cannot read is there, and a request says what is wrong with it).
TEST(InicioDePantalla, NombraLaCarpetaYAvisaSiLeFaltanLosArchivos) {
  CarpetaTemporal vacia, usada, ilegible;
  EscribirArchivo(usada / "cola_respaldo.txt", "");
  fs::create_directory(ilegible / "bitacora.txt");
  Pantalla sinArchivos(vacia.ruta()), conArchivos(usada.ruta());
  const std::string antes = sinArchivos.Inicio(), despues = conArchivos.Inicio();
  const std::string otra = Pantalla(ilegible.ruta()).Inicio();
  EXPECT_EQ(std::count(otra.begin(), otra.end(), '\n'),
            std::count(despues.begin(), despues.end(), '\n'));
  EXPECT_NE(antes.find(vacia.ruta().u8string()), std::string::npos) << antes;
  EXPECT_NE(despues.find(usada.ruta().u8string()), std::string::npos) << despues;
  EXPECT_GT(std::count(antes.begin(), antes.end(), '\n'),
            std::count(despues.begin(), despues.end(), '\n'));
}

TEST(DireccionesDeRed, SoloLasQueOtroEquipoPuedeAlcanzar) {
  const struct { std::uint32_t ip; const char* ofrecida; } casos[] = {
      {0xC0A80114, "192.168.1.20"}, {0x0A000005, "10.0.0.5"},
      {0xA9FD0001, "169.253.0.1"},  {0xA9FF0001, "169.255.0.1"},
      {0x7F000001, ""},             {0x7FFFFFFE, ""},
      {0xA9FE0101, ""},             {0xA9FEFFFF, ""},
      {0x00000000, ""}};
  for (const auto& caso : casos)
    EXPECT_EQ(FunDireccionParaOtros(caso.ip), caso.ofrecida) << caso.ip;
}

#ifndef _WIN32
// The addresses the start lines offer to other devices are this computer's,
// each can be bound, and among them, once, is the one it reaches the
// network from, if it can.
TEST(DireccionesDeRed, LasQueOfreceSonDeEsteEquipo) {
  namespace asio = boost::asio;
  asio::io_context contexto;
  CarpetaTemporal carpeta;
  const std::string inicio = Pantalla(carpeta.ruta(), {"--escuchar", "0.0.0.0"}).Inicio();
  const std::string marca = "desde otro equipo de la red local: http://";
  std::vector<std::string> listadas;
  for (std::size_t i = inicio.find(marca); i != std::string::npos;
       i = inicio.find(marca, i + 1)) {
    const std::size_t desde = i + marca.size();
    listadas.push_back(inicio.substr(desde, inicio.find(':', desde) - desde));
  }
  for (const std::string& direccion : listadas) {
    asio::ip::udp::socket prueba(contexto, asio::ip::udp::v4());
    boost::system::error_code error;
    prueba.bind({asio::ip::make_address_v4(direccion), 0}, error);
    EXPECT_FALSE(error) << direccion;
  }
  // Connecting UDP sends nothing; it only picks the route's own address.
  asio::ip::udp::socket hacia(contexto, asio::ip::udp::v4());
  boost::system::error_code error;
  hacia.connect({asio::ip::make_address_v4("198.51.100.1"), 9}, error);
  if (error) return;  // no route out of this computer
  const std::string propia =
      FunDireccionParaOtros(hacia.local_endpoint().address().to_v4().to_uint());
  if (!propia.empty()) {
    EXPECT_EQ(std::count(listadas.begin(), listadas.end(), propia), 1) << propia;
  }
}
#endif

}  // namespace
}  // namespace prueba
