// POSIX: getifaddrs, keeping the interfaces that are up and running.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>

#include "platform/red.h"

std::vector<std::string> FunListarDireccionesDeRed() {
  std::vector<std::string> direcciones;
  ifaddrs* lista = nullptr;
  if (getifaddrs(&lista) != 0) return direcciones;
  for (const ifaddrs* i = lista; i != nullptr; i = i->ifa_next) {
    const unsigned activa = IFF_UP | IFF_RUNNING;
    if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET ||
        (i->ifa_flags & activa) != activa || (i->ifa_flags & IFF_LOOPBACK))
      continue;
    const auto* ip = reinterpret_cast<const sockaddr_in*>(i->ifa_addr);
    const std::string texto = FunDireccionParaOtros(ntohl(ip->sin_addr.s_addr));
    if (!texto.empty() && std::find(direcciones.begin(), direcciones.end(),
                                    texto) == direcciones.end())
      direcciones.push_back(texto);
  }
  freeifaddrs(lista);
  return direcciones;
}
