// quenvaro-pantalla's start: the socket that listens, the start lines,
// the reasons it cannot listen, and the end on a signal; the connections
// themselves are conexiones.cpp's.
#include "screen/servidor.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ip/v6_only.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#endif

#include "platform/archivos.h"
#include "platform/causas.h"
#include "platform/red.h"
#include "platform/ventana.h"
#include "screen/conexiones.h"
#include "screen/estado.h"

namespace beast = boost::beast;

namespace {

const char kPrograma[] = "quenvaro-pantalla";
bool abrirNavegador = false;  // --abrir or --quiosco
bool enQuiosco = false;       // --quiosco

/* ----------------------------------------------------------- start */

// The URL a browser opens for `ip` and `puerto`.
std::string FunUrl(const asio::ip::address& ip, unsigned short puerto) {
  const std::string texto = ip.to_string();
  return "http://" + (ip.is_v6() ? "[" + texto + "]" : texto) + ":" +
         std::to_string(puerto) + "/";
}

// The start lines, written in one piece: the address to open on this PC;
// for an address that stands for every interface, the ones to type on
// another device (the person setting up the TV has no other way to learn
// them); and each desk's folder whose files are shown, with a warning when
// it holds neither of them, since a screen started in the wrong folder (a
// shortcut starts programs in C:\Windows\System32) is otherwise just empty.
// Returns the address to open on this PC.
std::string FunAnunciarInicio(const tcp::acceptor& escucha) {
  const tcp::endpoint punto = escucha.local_endpoint();
  const unsigned short puerto = punto.port();
  const bool todas = punto.address().is_unspecified();
  asio::ip::address ip = punto.address();
  if (todas)
    ip = ip.is_v6() ? asio::ip::address(asio::ip::address_v6::loopback())
                    : asio::ip::address(asio::ip::address_v4::loopback());
  const std::string local = FunUrl(ip, puerto);
  std::printf("%s: pantalla de la sala de espera en %s (Ctrl+C termina)\n",
              kPrograma, local.c_str());
  if (todas) {
    // "::" takes IPv4 clients too, unless the system keeps it to IPv6 (as
    // Windows does).
    asio::ip::v6_only soloV6(false);
    beast::error_code ignorado;
    if (ip.is_v6()) escucha.get_option(soloV6, ignorado);
    const std::vector<std::string> direcciones =
        soloV6.value() ? std::vector<std::string>() : FunListarDireccionesDeRed();
    for (const std::string& direccion : direcciones)
      std::printf("%s: desde otro equipo de la red local: %s\n", kPrograma,
                  FunUrl(asio::ip::make_address_v4(direccion), puerto).c_str());
    if (soloV6.value())
      std::printf("%s: desde otro equipo, solo por IPv6; para IPv4, empiece "
                  "con --escuchar 0.0.0.0\n", kPrograma);
    else if (direcciones.empty())
      std::printf("%s: este equipo no tiene ahora ninguna direccion en la red "
                  "local; cuando la tenga, vuelva a empezar la pantalla para "
                  "verla aqui\n", kPrograma);
  }
  FunAnunciarMesas(stdout);
  std::fflush(stdout);
  return local;
}

// Opens, binds and listens; false with the cause in *error.
bool FunEscuchar(tcp::acceptor* aceptadorNuevo, const tcp::endpoint& punto,
                 beast::error_code* error) {
  aceptadorNuevo->open(punto.protocol(), *error);
  if (*error) return false;
#ifdef _WIN32
  // Windows lets a second program take a port that is shared for reuse;
  // exclusive use makes a taken port fail here, as it does elsewhere.
  BOOL uno = TRUE;
  if (setsockopt(aceptadorNuevo->native_handle(), SOL_SOCKET,
                 SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&uno),
                 sizeof uno) != 0) {
    *error = beast::error_code(WSAGetLastError(),
                               asio::error::get_system_category());
    return false;
  }
#else
  // A restart binds at once, while the last run's connections linger.
  aceptadorNuevo->set_option(tcp::acceptor::reuse_address(true), *error);
  if (*error) return false;
#endif
  aceptadorNuevo->bind(punto, *error);
  if (!*error)
    aceptadorNuevo->listen(asio::socket_base::max_listen_connections, *error);
  return !*error;
}

// Why the address or the port cannot be used, in the program's words, for
// the failures it can name; the system's own text, in English on most
// systems, comes after the Spanish label that the report uses too.
std::string FunMotivoEnEspanol(const beast::error_code& error,
                               unsigned short puerto) {
  namespace errc = boost::system::errc;  // the same on every system
  if (error == errc::address_in_use) return "el puerto ya esta en uso";
  if (error == errc::address_not_available)
    return "la direccion no es de este equipo";
  if (error == errc::permission_denied) {
#ifdef _WIN32
    // Windows lets anyone use a low port; a refusal there means the port
    // is reserved by the system or held exclusively by another program.
    const bool reservadoAlAdministrador = false;
    (void)puerto;
#else
    const bool reservadoAlAdministrador = puerto < 1024;
#endif
    return reservadoAlAdministrador
               ? "los puertos menores que 1024 necesitan permisos de "
                 "administrador; use otro, como 8080"
               : "el sistema no permite usar este puerto";
  }
  if (error == errc::address_family_not_supported)
    return "este equipo no tiene activadas las direcciones de ese tipo";
  if (error == errc::invalid_argument)
    return "la direccion no sirve para escuchar (una fe80:: necesita su "
           "interfaz, como fe80::1%eth0)";
  if (error == errc::too_many_files_open || error == errc::no_buffer_space ||
      error == errc::not_enough_memory)
    return "el sistema no tiene recursos libres (" + error.message() + ")";
  return FunErrorDelSistema(error.message());
}

// The screen writes nothing and holds nothing that needs an orderly end,
// so a signal ends it at once, even while a request reads a file.
void FunTerminarYa(int) { std::_Exit(0); }

}  // namespace

bool FunDireccionValida(const char* direccion) {
  beast::error_code error;
  asio::ip::make_address(direccion, error);
  return !error;
}

void FunAbrirNavegadorAlEscuchar(bool quiosco) {
  abrirNavegador = true;
  enQuiosco = quiosco;
}

int FunServir(const char* direccion, unsigned short puerto) {
  std::signal(SIGINT, FunTerminarYa);
  std::signal(SIGTERM, FunTerminarYa);
  asio::io_context contexto(1);
  const tcp::endpoint punto(asio::ip::make_address(direccion), puerto);
  tcp::acceptor aceptadorLocal(contexto);
  beast::error_code error;
  if (!FunEscuchar(&aceptadorLocal, punto, &error)) {
    std::fprintf(stderr, "%s: no se puede escuchar en %s, puerto %u: %s\n",
                 kPrograma, direccion, static_cast<unsigned>(puerto),
                 FunMotivoEnEspanol(error, puerto).c_str());
    return 1;
  }
  const std::string abrir = FunAnunciarInicio(aceptadorLocal);
  // Screens polling without pause must not slow the console's commands.
  FunCederProcesador();
  // The server keeps running either way: the page can be opened by hand.
  if (abrirNavegador) {
    bool abierta = false;
    if (enQuiosco && !(abierta = FunAbrirEnQuiosco(abrir.c_str())))
      std::printf("%s: no se pudo abrir Edge ni Chrome en modo quiosco; la "
                  "pagina se abre en una ventana del navegador "
                  "predeterminado\n", kPrograma);
    if (!abierta && !FunAbrirConPredeterminado(abrir.c_str()))
      std::printf("%s: no se pudo iniciar el navegador; abra %s a mano\n",
                  kPrograma, abrir.c_str());
    std::fflush(stdout);
  }

  // Only now: a reader must not outlive a program that ends with an error.
  FunEmpezarLecturas();
  asio::steady_timer pausa(contexto);
  FunAtenderConexiones(&aceptadorLocal, &pausa);
  contexto.run();  // never returns: a signal ends the program
  return 0;
}
