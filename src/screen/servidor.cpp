// The HTTP side of quenvaro-pantalla, on Boost.Beast over Boost.Asio: one
// thread, one io_context, every connection asynchronous, so a client that
// is slow, stuck or hostile only ever holds its own connection, and that
// for a bounded time.
#include "screen/servidor.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ip/v6_only.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#endif

#include "platform/archivos.h"
#include "platform/causas.h"
#include "platform/red.h"
#include "platform/texto.h"
#include "platform/ventana.h"
#include "screen/estado.h"
#include "screen/pagina.h"

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

const char kPrograma[] = "quenvaro-pantalla";

/* ----------------------------------------------------------- limits */

// A whole request must arrive, and an answer leave, within this time; a
// connection kept open between requests is closed after it too.
const std::chrono::seconds kPlazo(10);
// The request line and headers; a browser sends well under 2 KiB.
const std::uint32_t kLimiteCabeceras = 8 * 1024;
// A body is never needed; a small one is read and ignored.
const std::uint64_t kLimiteCuerpo = 8 * 1024;
// Open connections at once, so memory stays bounded. A new client that
// finds them all open takes the place of another (FunHacerSitio), of the
// address that holds the most, so clients that send nothing, or ask and
// never read, cannot shut the others out, however fast they connect.
const std::size_t kMaxConexiones = 64;
// The time a closing connection is given, in all, to finish sending.
const std::chrono::seconds kPlazoCierre(2);
// A connection's life: the first answer after it says "Connection: close"
// and the connection closes, so no client holds a place for ever (with the
// deadlines above, for kVida and 22 s at most). A browser opens another.
const std::chrono::minutes kVida(5);
// A failed accept (no descriptors left) is tried again after a pause
// rather than at once, so it cannot spin.
const std::chrono::milliseconds kPausaAceptar(100);

/* ------------------------------------------------------------- state */

struct Conexion;

tcp::acceptor* aceptador = nullptr;
asio::steady_timer* pausaAceptar = nullptr;
std::list<Conexion*> conexiones;  // the open ones, oldest first
bool aceptando = false;           // an accept is pending
bool abrirNavegador = false;      // --abrir or --quiosco
bool enQuiosco = false;           // --quiosco

// How many of them each client address holds, those closed to make room
// left out.
std::map<asio::ip::address, std::size_t> porDireccion;

void FunAceptar();
void FunDescontar(const Conexion* conexion);

// One client connection, alive for as long as an operation of it is
// pending.
struct Conexion {
  explicit Conexion(tcp::socket socket) : flujo(std::move(socket)) {
    lugar = conexiones.insert(conexiones.end(), this);
    beast::error_code error;  // a client already gone counts as 0.0.0.0
    const tcp::endpoint punto = flujo.socket().remote_endpoint(error);
    direccion = porDireccion.try_emplace(punto.address(), 0).first;
    ++direccion->second;
  }
  ~Conexion() {
    conexiones.erase(lugar);
    if (!expulsada) FunDescontar(this);
    if (!aceptando) FunAceptar();
  }
  beast::tcp_stream flujo;
  beast::flat_buffer entrada{kLimiteCabeceras + kLimiteCuerpo};
  std::optional<http::request_parser<http::string_body>> analizador;
  http::response<http::string_body> respuesta;
  std::list<Conexion*>::iterator lugar;
  std::map<asio::ip::address, std::size_t>::iterator direccion;
  const std::chrono::steady_clock::time_point nacida =
      std::chrono::steady_clock::now();
  // Since when it waits on its client: for a request, for the client to
  // take an answer, or for it to close.
  std::chrono::steady_clock::time_point desde = nacida;
  bool escribiendo = false;  // an answer is on its way, since `desde`
  bool atendida = false;     // a request of it was answered
  bool expulsada = false;  // closed to make room, its end still to come
};

// Takes `conexion` out of its address's count, once.
void FunDescontar(const Conexion* conexion) {
  if (--conexion->direccion->second == 0) porDireccion.erase(conexion->direccion);
}

/* ----------------------------------------------------------- routes */

void FunPreparar(http::response<http::string_body>* respuesta,
                 http::status estado, const char* tipo, std::string cuerpo) {
  respuesta->result(estado);
  respuesta->set(http::field::content_type, tipo);
  respuesta->body() = std::move(cuerpo);
}

// The clip that `ruta` names (/voz/<palabra>.wav), or nullptr.
const ClipVoz* FunBuscarClip(beast::string_view ruta) {
  const beast::string_view antes = "/voz/", despues = ".wav";
  if (ruta.size() <= antes.size() + despues.size() ||
      ruta.substr(0, antes.size()) != antes ||
      ruta.substr(ruta.size() - despues.size()) != despues)
    return nullptr;
  ruta = ruta.substr(antes.size(), ruta.size() - antes.size() - despues.size());
  for (std::size_t i = 0; i < kNumClipsVoz; ++i)
    if (ruta == kClipsVoz[i].palabra) return &kClipsVoz[i];
  return nullptr;
}

// The one routing function: every answer the program gives comes from here,
// and none carries a byte of either file's text.
void FunResponder(const http::request<http::string_body>& peticion,
                  http::response<http::string_body>* respuesta) {
  *respuesta = {};
  respuesta->version(peticion.version());
  respuesta->keep_alive(peticion.keep_alive());
  beast::string_view ruta = peticion.target();
  ruta = ruta.substr(0, ruta.find('?'));  // a query string changes nothing
  const bool pagina = ruta == "/";
  const bool datos = ruta == "/estado";
  const ClipVoz* clip = FunBuscarClip(ruta);
  const http::verb metodo = peticion.method();
  const char kTexto[] = "text/plain; charset=utf-8";
  if (!pagina && !datos && clip == nullptr) {
    FunPreparar(respuesta, http::status::not_found, kTexto, "No encontrado.\n");
  } else if (metodo != http::verb::get && metodo != http::verb::head) {
    FunPreparar(respuesta, http::status::method_not_allowed, kTexto,
                "Metodo no permitido.\n");
    respuesta->set(http::field::allow, "GET, HEAD");
  } else if (pagina) {
    FunPreparar(
        respuesta, http::status::ok, "text/html; charset=utf-8",
        std::string(reinterpret_cast<const char*>(kPagina), kLargoPagina));
    respuesta->set(http::field::cache_control, "no-cache");
  } else if (clip != nullptr) {
    FunPreparar(
        respuesta, http::status::ok, "audio/wav",
        std::string(reinterpret_cast<const char*>(clip->bytes), clip->largo));
    respuesta->set(http::field::cache_control, "no-cache");
  } else {
    std::string cuerpo;
    const bool leido = FunComponerEstado(&cuerpo);
    FunPreparar(respuesta,
                leido ? http::status::ok : http::status::service_unavailable,
                "application/json", std::move(cuerpo));
    respuesta->set(http::field::cache_control, "no-store");
  }
  respuesta->set("X-Content-Type-Options", "nosniff");
  respuesta->prepare_payload();
  // HEAD: the same headers, Content-Length included, and no body.
  if (metodo == http::verb::head) respuesta->body().clear();
}

/* ------------------------------------------------------- connections */

void FunLeer(std::shared_ptr<Conexion> conexion);

// After the last answer of a connection: what the client still sends (the
// rest of a refused request) is read and dropped until it closes. Closing
// with bytes unread would reset the connection, and the client could lose
// the answer before reading it. The deadline is set once, when the closing
// begins, so a client that keeps sending cannot stretch it.
char descarte[4096];
void FunDescartar(std::shared_ptr<Conexion> conexion) {
  conexion->flujo.async_read_some(
      asio::buffer(descarte), [conexion](beast::error_code error, std::size_t) {
        if (!error) FunDescartar(conexion);
      });
}

void FunEscribir(std::shared_ptr<Conexion> conexion) {
  conexion->flujo.expires_after(kPlazo);
  conexion->desde = std::chrono::steady_clock::now();
  conexion->escribiendo = true;
  http::async_write(conexion->flujo, conexion->respuesta,
                    [conexion](beast::error_code error, std::size_t) {
                      conexion->escribiendo = false;
                      if (error) return;  // the connection closes with it
                      if (conexion->respuesta.keep_alive()) {
                        FunLeer(conexion);
                        return;
                      }
                      beast::error_code ignorado;
                      conexion->flujo.socket().shutdown(
                          tcp::socket::shutdown_send, ignorado);
                      conexion->flujo.expires_after(kPlazoCierre);
                      conexion->desde = std::chrono::steady_clock::now();
                      FunDescartar(conexion);
                    });
}

// A request that breaks the rules or the limits is told so, and the
// connection closes after the answer. A timeout, a client gone or a request
// cut short just closes it.
void FunRechazar(std::shared_ptr<Conexion> conexion, beast::error_code error) {
  if (error.category() !=
          beast::http::make_error_code(http::error::end_of_stream).category() ||
      error == http::error::end_of_stream ||
      error == http::error::partial_message)
    return;
  http::status estado = http::status::bad_request;
  if (error == http::error::header_limit)
    estado = http::status::request_header_fields_too_large;
  else if (error == http::error::body_limit)
    estado = http::status::payload_too_large;
  http::response<http::string_body>& respuesta = conexion->respuesta;
  respuesta = {};
  FunPreparar(&respuesta, estado, "text/plain; charset=utf-8",
              "Peticion no valida.\n");
  respuesta.keep_alive(false);
  respuesta.prepare_payload();
  FunEscribir(conexion);
}

void FunLeer(std::shared_ptr<Conexion> conexion) {
  conexion->analizador.emplace();
  conexion->analizador->header_limit(kLimiteCabeceras);
  conexion->analizador->body_limit(kLimiteCuerpo);
  conexion->flujo.expires_after(kPlazo);
  conexion->desde = std::chrono::steady_clock::now();
  http::async_read(conexion->flujo, conexion->entrada, *conexion->analizador,
                   [conexion](beast::error_code error, std::size_t) {
                     if (error) {
                       FunRechazar(conexion, error);
                       return;
                     }
                     conexion->atendida = true;
                     FunResponder(conexion->analizador->get(),
                                  &conexion->respuesta);
                     if (std::chrono::steady_clock::now() >=
                         conexion->nacida + kVida)
                       conexion->respuesta.keep_alive(false);
                     FunEscribir(conexion);
                   });
}

// Which connections go first to make room: 0, an answer waits for its
// client to read it; 1, no request of it has been answered yet; 2, the
// rest. A client that asks and never reads keeps an answer waiting, a
// polite one for a moment at most; a screen polling each second has been
// answered and never waits long for its next request.
int FunTurnoParaCerrar(const Conexion* conexion) {
  return conexion->escribiendo ? 0 : conexion->atendida ? 2 : 1;
}

// Closes, for `nueva`, never itself, a connection of the address that holds
// the most: a flood from one address then only displaces its own, and a
// screen elsewhere keeps its place and gets a new one whenever it asks.
// Among those, the one that goes first and, of these, the one that has
// waited longest on its client; its end then accepts the next client.
void FunHacerSitio(const Conexion* nueva) {
  std::size_t mayor = 0;
  for (const auto& cuenta : porDireccion)
    if (cuenta.second > mayor) mayor = cuenta.second;
  Conexion* elegida = nullptr;
  for (Conexion* conexion : conexiones)
    if (conexion != nueva && !conexion->expulsada &&
        conexion->direccion->second == mayor &&
        (elegida == nullptr ||
         std::make_pair(FunTurnoParaCerrar(conexion), conexion->desde) <
             std::make_pair(FunTurnoParaCerrar(elegida), elegida->desde)))
      elegida = conexion;
  if (elegida == nullptr) return;
  FunDescontar(elegida);
  elegida->expulsada = true;
  beast::error_code ignorado;
  elegida->flujo.socket().close(ignorado);
}

void FunAceptar() {
  aceptando = true;
  aceptador->async_accept([](beast::error_code error, tcp::socket socket) {
    aceptando = false;
    if (error) {
      pausaAceptar->expires_after(kPausaAceptar);
      pausaAceptar->async_wait([](beast::error_code) {
        aceptando = false;
        if (conexiones.size() < kMaxConexiones) FunAceptar();
      });
      aceptando = true;  // the pause stands for the pending accept
      return;
    }
    auto nueva = std::make_shared<Conexion>(std::move(socket));
    FunLeer(nueva);
    if (conexiones.size() < kMaxConexiones)
      FunAceptar();
    else
      FunHacerSitio(nueva.get());
  });
}

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
// them); and the folder whose files are shown, with a warning when it holds
// neither of them, since a screen started in the wrong folder (a shortcut
// starts programs in C:\Windows\System32) is otherwise just empty. Returns
// the address to open on this PC.
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
  std::printf("%s: lee los archivos de la consola en la carpeta ", kPrograma);
  FunEscribirTexto(stdout, FunNombrarCarpeta().c_str());
  std::fputs("\n", stdout);
  if (FunCarpetaSinArchivos())
    std::printf("%s: esa carpeta no tiene bitacora.txt ni cola_respaldo.txt; "
                "la pantalla quedara vacia hasta que la consola escriba en "
                "ella\n", kPrograma);
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

  asio::steady_timer pausa(contexto);
  aceptador = &aceptadorLocal;
  pausaAceptar = &pausa;
  FunAceptar();
  contexto.run();  // never returns: a signal ends the program
  return 0;
}
