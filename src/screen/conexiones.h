// Inside quenvaro-pantalla's server (servidor.cpp): the connections on a
// socket that already listens, each answered by the routes: GET / (the
// page), GET /estado (the data), the voice's clips, HEAD on all of them.
#ifndef QUENVARO_SCREEN_CONEXIONES_H_
#define QUENVARO_SCREEN_CONEXIONES_H_

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

// Accepts and serves clients on `escucha` from now on, within the limits
// of conexiones.cpp, on the thread that runs their io_context; `pausa`, of
// the same io_context, spaces out accepts that fail.
void FunAtenderConexiones(tcp::acceptor* escucha, asio::steady_timer* pausa);

#endif  // QUENVARO_SCREEN_CONEXIONES_H_
