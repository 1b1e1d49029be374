#include "report/emparejamiento.h"

#include <cstddef>
#include <unordered_map>
#include <vector>

namespace {

// One registration no FREE_TURNO has taken yet.
struct Registrado {
  long long instante;  // its stamp, in seconds
  int dia;             // the model's index of its day
};

// The registrations of one turn number: those from `primero` on wait,
// oldest first. Once all are taken the list is emptied and keeps its room,
// so a number that comes back every day costs no allocation.
struct Espera {
  std::vector<Registrado> registrados;
  std::size_t primero = 0;
};

// The console numbers turns from 1 each day, so numbers below
// kTurnosDirectos index esperasDirectas (grown to the highest seen); any
// other number, negative or huge, is a key of esperasOtras, which drops it
// once nothing waits under it. Either way memory follows what waits, not
// the length of the log.
const long long kTurnosDirectos = 1 << 16;
std::vector<Espera> esperasDirectas;
std::unordered_map<long long, Espera> esperasOtras;

void FunAnexar(Espera* espera, long long instante, int dia) {
  std::vector<Registrado>& lista = espera->registrados;
  // Taken entries make at most half the list: a number whose queue never
  // empties does not keep every registration it ever had.
  if (espera->primero > 0 && espera->primero * 2 >= lista.size()) {
    lista.erase(lista.begin(),
                lista.begin() + static_cast<std::ptrdiff_t>(espera->primero));
    espera->primero = 0;
  }
  lista.push_back(Registrado{instante, dia});
}

// Takes the oldest registration of `espera`; false if none waits.
bool FunSacar(Espera* espera, long long* instante, int* dia) {
  std::vector<Registrado>& lista = espera->registrados;
  if (espera->primero == lista.size()) return false;
  const Registrado& tomado = lista[espera->primero++];
  *instante = tomado.instante;
  *dia = tomado.dia;
  if (espera->primero == lista.size()) {
    lista.clear();
    espera->primero = 0;
  }
  return true;
}

}  // namespace

void FunOlvidarRegistrados() {
  esperasDirectas.clear();
  esperasOtras.clear();
}

void FunEncolarRegistrado(long long turno, long long instante, int dia) {
  if (turno >= 0 && turno < kTurnosDirectos) {
    const std::size_t n = static_cast<std::size_t>(turno);
    if (n >= esperasDirectas.size()) {
      std::size_t tam = 1024;
      while (tam <= n) tam *= 2;
      esperasDirectas.resize(tam);
    }
    FunAnexar(&esperasDirectas[n], instante, dia);
  } else {
    FunAnexar(&esperasOtras[turno], instante, dia);
  }
}

bool FunTomarRegistrado(long long turno, long long* instante, int* dia) {
  if (turno >= 0 && turno < kTurnosDirectos) {
    const std::size_t n = static_cast<std::size_t>(turno);
    return n < esperasDirectas.size() &&
           FunSacar(&esperasDirectas[n], instante, dia);
  }
  const auto it = esperasOtras.find(turno);
  if (it == esperasOtras.end() || !FunSacar(&it->second, instante, dia))
    return false;
  if (it->second.registrados.empty()) esperasOtras.erase(it);
  return true;
}
