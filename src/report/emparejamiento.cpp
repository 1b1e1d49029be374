#include "report/emparejamiento.h"

#include <cstddef>
#include <vector>

namespace {

/* ------------------------------------------------ waiting registrations */

// One registration no FREE_TURNO has taken yet. `siguiente` is the next one
// waiting under the same turn number, or -1.
struct Registrado {
  long long instante;  // its stamp, in seconds
  int dia;             // index in dias
  int siguiente;
};

// A turn number with registrations waiting, oldest first; `primero` is -1
// in a free slot.
struct Casilla {
  long long turno;
  int primero;
  int ultimo;
};

// The console numbers turns from 1 each day, so numbers below
// kTurnosDirectos index casillasDirectas (grown to the highest seen);
// any other number, negative or huge, is a key of an open-addressing table
// (linear probing, power-of-two size) that it leaves once nothing waits
// under it. Either way only what waits is held.
const long long kTurnosDirectos = 1 << 16;
std::vector<Casilla> casillasDirectas;
std::vector<Casilla> casillas;
std::size_t casillasOcupadas = 0;
int bitsCasillas = 0;
std::vector<Registrado> registrados;  // a pool, with a free list
int registradoLibre = -1;

std::size_t FunPosicion(long long turno) {
  return static_cast<std::size_t>(
      (static_cast<unsigned long long>(turno) * 0x9E3779B97F4A7C15ULL) >>
      (64 - bitsCasillas));
}

// The slot holding `turno`, or the free slot where it would go.
std::size_t FunBuscarCasilla(long long turno) {
  const std::size_t mascara = casillas.size() - 1;
  std::size_t i = FunPosicion(turno);
  while (casillas[i].primero != -1 && casillas[i].turno != turno)
    i = (i + 1) & mascara;
  return i;
}

void FunDimensionarCasillas(int bits) {
  std::vector<Casilla> anteriores;
  anteriores.swap(casillas);
  bitsCasillas = bits;
  casillas.assign(std::size_t{1} << bits, Casilla{0, -1, -1});
  for (const Casilla& c : anteriores)
    if (c.primero != -1) casillas[FunBuscarCasilla(c.turno)] = c;
}

// Frees slot `i`, moving back the entries after it that probed past it.
void FunVaciarCasilla(std::size_t i) {
  const std::size_t mascara = casillas.size() - 1;
  for (std::size_t j = (i + 1) & mascara; casillas[j].primero != -1;
       j = (j + 1) & mascara) {
    const std::size_t propia = FunPosicion(casillas[j].turno);
    // The entry at j may fill the hole at i unless its own slot lies
    // cyclically in (i, j].
    const bool quieta =
        i < j ? (propia > i && propia <= j) : (propia > i || propia <= j);
    if (!quieta) {
      casillas[i] = casillas[j];
      i = j;
    }
  }
  casillas[i].primero = -1;
  --casillasOcupadas;
}

// Appends a registration to the list of `casilla`, empty or not.
void FunAnexarRegistrado(Casilla* casilla, long long instante, int dia) {
  int nuevo;
  if (registradoLibre != -1) {
    nuevo = registradoLibre;
    registradoLibre = registrados[nuevo].siguiente;
    registrados[nuevo] = Registrado{instante, dia, -1};
  } else {
    nuevo = static_cast<int>(registrados.size());
    registrados.push_back(Registrado{instante, dia, -1});
  }
  if (casilla->primero == -1)
    casilla->primero = nuevo;
  else
    registrados[casilla->ultimo].siguiente = nuevo;
  casilla->ultimo = nuevo;
}

// Takes the oldest registration of `casilla`, which has one.
void FunSacarRegistrado(Casilla* casilla, long long* instante, int* dia) {
  const int tomado = casilla->primero;
  *instante = registrados[tomado].instante;
  *dia = registrados[tomado].dia;
  casilla->primero = registrados[tomado].siguiente;
  registrados[tomado].siguiente = registradoLibre;
  registradoLibre = tomado;
}

}  // namespace

void FunOlvidarRegistrados() {
  registrados.clear();
  registradoLibre = -1;
  casillasDirectas.clear();
  casillas.clear();
  casillasOcupadas = 0;
  FunDimensionarCasillas(10);
}

void FunEncolarRegistrado(long long turno, long long instante, int dia) {
  if (turno >= 0 && turno < kTurnosDirectos) {
    const std::size_t n = static_cast<std::size_t>(turno);
    if (n >= casillasDirectas.size()) {
      std::size_t tam = 1024;
      while (tam <= n) tam *= 2;
      casillasDirectas.resize(tam, Casilla{0, -1, -1});
    }
    FunAnexarRegistrado(&casillasDirectas[n], instante, dia);
    return;
  }
  if ((casillasOcupadas + 1) * 2 > casillas.size())
    FunDimensionarCasillas(bitsCasillas + 1);
  Casilla& casilla = casillas[FunBuscarCasilla(turno)];
  if (casilla.primero == -1) {
    casilla.turno = turno;
    ++casillasOcupadas;
  }
  FunAnexarRegistrado(&casilla, instante, dia);
}

bool FunTomarRegistrado(long long turno, long long* instante, int* dia) {
  if (turno >= 0 && turno < kTurnosDirectos) {
    const std::size_t n = static_cast<std::size_t>(turno);
    if (n >= casillasDirectas.size() || casillasDirectas[n].primero == -1)
      return false;
    FunSacarRegistrado(&casillasDirectas[n], instante, dia);
    return true;
  }
  const std::size_t i = FunBuscarCasilla(turno);
  if (casillas[i].primero == -1) return false;
  FunSacarRegistrado(&casillas[i], instante, dia);
  if (casillas[i].primero == -1) FunVaciarCasilla(i);
  return true;
}
