// Windows: GetAdaptersAddresses, keeping the adapters that are up.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <algorithm>

#include "platform/red.h"

std::vector<std::string> FunListarDireccionesDeRed() {
  std::vector<std::string> direcciones;
  const ULONG banderas = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST |
                         GAA_FLAG_SKIP_DNS_SERVER;
  // The size the system asks for can grow between two calls (an adapter
  // comes up), so it is asked a few times at most.
  std::vector<unsigned char> memoria(16 * 1024);
  ULONG tam = static_cast<ULONG>(memoria.size());
  ULONG resultado = ERROR_BUFFER_OVERFLOW;
  for (int vez = 0; vez < 4 && resultado == ERROR_BUFFER_OVERFLOW; ++vez) {
    memoria.resize(tam);
    resultado = GetAdaptersAddresses(
        AF_INET, banderas, nullptr,
        reinterpret_cast<IP_ADAPTER_ADDRESSES*>(memoria.data()), &tam);
  }
  if (resultado != NO_ERROR) return direcciones;
  for (auto* a = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(memoria.data());
       a != nullptr; a = a->Next) {
    if (a->OperStatus != IfOperStatusUp ||
        a->IfType == IF_TYPE_SOFTWARE_LOOPBACK)
      continue;
    for (const IP_ADAPTER_UNICAST_ADDRESS* u = a->FirstUnicastAddress;
         u != nullptr; u = u->Next) {
      const sockaddr* punto = u->Address.lpSockaddr;
      if (punto == nullptr || punto->sa_family != AF_INET) continue;
      const auto* b = reinterpret_cast<const unsigned char*>(
          &reinterpret_cast<const sockaddr_in*>(punto)->sin_addr);
      const std::string texto = FunDireccionParaOtros(
          (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) |
          (std::uint32_t{b[2]} << 8) | b[3]);
      if (!texto.empty() && std::find(direcciones.begin(), direcciones.end(),
                                      texto) == direcciones.end())
        direcciones.push_back(texto);
    }
  }
  return direcciones;
}
