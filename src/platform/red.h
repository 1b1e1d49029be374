// This computer's addresses on the local network, for the person who sets
// up a screen on another device and has to type one.
#ifndef QUENVARO_PLATFORM_RED_H_
#define QUENVARO_PLATFORM_RED_H_

#include <cstdint>
#include <string>
#include <vector>

// The IPv4 addresses of the network interfaces that are up, dotted
// ("192.168.1.20"), each once, in the system's order, without the ones
// FunDireccionParaOtros leaves out. Empty when there is none, or when the
// system cannot list them.
std::vector<std::string> FunListarDireccionesDeRed();

// The IPv4 address `direccion` (host byte order) dotted, or "" when no
// other device can reach this computer there: 0.0.0.0, loopback (127/8)
// and link-local (169.254/16, what a PC gives itself without a network).
std::string FunDireccionParaOtros(std::uint32_t direccion);

#endif  // QUENVARO_PLATFORM_RED_H_
