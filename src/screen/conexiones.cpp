// The connections of quenvaro-pantalla, on Boost.Beast over Boost.Asio: one
// thread, one io_context, every connection asynchronous, so a client that
// is slow, stuck or hostile only ever holds its own connection, and that
// for a bounded time; and the routes, which answer every request.
#include "screen/conexiones.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "screen/estado.h"
#include "screen/pagina.h"

namespace beast = boost::beast;
namespace http = beast::http;

namespace {

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

}  // namespace

void FunAtenderConexiones(tcp::acceptor* escucha, asio::steady_timer* pausa) {
  aceptador = escucha;
  pausaAceptar = pausa;
  FunAceptar();
}
