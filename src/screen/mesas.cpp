// The desks of one screen. One desk is read inside each request, as the
// screen always did. Several are each read by a thread of their own, about
// once a second, so that a folder on a PC that is off or slow holds up
// neither the requests nor the other desks: a request answers at once from
// the latest readings, and a reading too old shows as its desk's notice.
#include "screen/estado.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "eventlog/bitacora.h"
#include "platform/archivos.h"
#include "platform/texto.h"
#include "screen/lectura.h"

namespace {

using Reloj = std::chrono::steady_clock;

const char kPrograma[] = "quenvaro-pantalla";

// A reader starts a reading this often, or at once when the last one took
// longer.
const std::chrono::seconds kCadaLectura(1);
// A desk's numbers older than this are not shown: its notice is.
const std::chrono::seconds kVejezMaxima(5);

// The notices of a desk whose reader has no current reading, in the
// program's words; the page shows them in the desk's panel.
const char kSinRespuesta[] = "La carpeta de esta mesa no responde.";
const char kLeyendo[] = "Leyendo la carpeta de esta mesa.";
const char kSinCarpeta[] = "No se encuentra la carpeta de esta mesa.";
// How long the start waits for every desk's first reading, so that the
// first requests find numbers.
const std::chrono::seconds kEsperaPrimeras(1);

struct Mesa {
  Mesa(const std::string& nombreDado, const std::string& carpetaDada)
      : nombre(nombreDado), carpeta(carpetaDada), lectura(carpetaDada) {}
  const std::string nombre;
  const std::string carpeta;
  LecturaCarpeta lectura;  // its reader's alone, once that has started

  // The latest reading and when it started, for the requests; under
  // `guarda`, held only to copy them.
  std::mutex guarda;
  Foto ultima;
  bool leida = false;
  Reloj::time_point desde;
};

// Never destroyed: a reader may still be inside its folder's files when
// the program ends.
std::vector<Mesa*> mesas;

Mesa& FunPrimeraMesa() {
  if (mesas.empty()) mesas.push_back(new Mesa("", ""));
  return *mesas.front();
}

// One desk's reader: it never ends, and waits on nothing but its folder.
void FunLeerSinFin(Mesa* mesa) {
  for (;;) {
    const Reloj::time_point inicio = Reloj::now();
    // A folder gone (removed, a share withdrawn) is no empty desk; with
    // one desk, as ever, it is.
    Foto foto;
    if (FunEsCarpeta(mesa->carpeta.c_str()))
      foto = mesa->lectura.Leer();
    else
      foto.error = kSinCarpeta;
    {
      const std::lock_guard<std::mutex> una(mesa->guarda);
      mesa->ultima = std::move(foto);
      mesa->leida = true;
      mesa->desde = inicio;
    }
    std::this_thread::sleep_until(inicio + kCadaLectura);
  }
}

// `texto` as a JSON string, quotes included: the names come from the
// command line and may hold anything.
std::string FunComoJson(const std::string& texto) {
  std::string json = "\"";
  for (const char c : texto) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (u < 0x20 || u == 0x7f) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", u);
      json += escape;
    } else {
      json += c;
    }
  }
  return json + "\"";
}

// One desk's entry of the document of date `fecha`, from its latest
// reading as of `ahora`.
std::string FunEntrada(Mesa* mesa, const std::string& fecha,
                       Reloj::time_point ahora, Reloj::time_point inicio) {
  Foto foto;
  bool leida;
  Reloj::time_point desde;
  {
    const std::lock_guard<std::mutex> una(mesa->guarda);
    foto = mesa->ultima;
    leida = mesa->leida;
    desde = mesa->desde;
  }
  std::string entrada = "{\"nombre\": " + FunComoJson(mesa->nombre);
  const char* error = foto.error;
  // A reading of another day (made just before midnight) is not today's
  // numbers: the next one, a second away, is.
  if (!leida || (error == nullptr && foto.fecha != fecha)) error = kLeyendo;
  if (ahora - (leida ? desde : inicio) > kVejezMaxima) error = kSinRespuesta;
  if (error != nullptr)
    return entrada + ", \"error\": " + FunComoJson(error) + "}";
  return entrada + ", " + foto.claves + ", \"llamados_s\": " + foto.segundos +
         "}";
}

// The start of a start line about `mesa`; the name is written as text for
// people, which a Windows console needs for its accents.
void FunEmpezarLinea(std::FILE* salida, const Mesa* mesa, bool varias) {
  std::fprintf(salida, "%s: ", kPrograma);
  if (!varias) return;
  std::fputs("mesa \"", salida);
  FunEscribirTexto(salida, mesa->nombre.c_str());
  std::fputs("\": ", salida);
}

Reloj::time_point inicioLecturas;

}  // namespace

void FunAgregarMesa(const std::string& nombre, const std::string& carpeta) {
  mesas.push_back(new Mesa(nombre, carpeta));
}

void FunAnunciarMesas(std::FILE* salida) {
  FunPrimeraMesa();
  const bool varias = mesas.size() > 1;
  for (const Mesa* mesa : mesas) {
    FunEmpezarLinea(salida, mesa, varias);
    std::fputs("lee los archivos de la consola en la carpeta ", salida);
    FunEscribirTexto(salida, mesa->lectura.Nombrar().c_str());
    std::fputs("\n", salida);
    if (!mesa->lectura.SinArchivos()) continue;
    FunEmpezarLinea(salida, mesa, varias);
    std::fprintf(salida, "esa carpeta no tiene bitacora.txt ni "
                 "cola_respaldo.txt; %s hasta que la consola escriba en "
                 "ella\n", varias ? "su panel quedara vacio"
                                  : "la pantalla quedara vacia");
  }
}

void FunEmpezarLecturas() {
  inicioLecturas = Reloj::now();
  if (mesas.size() < 2) return;
  for (Mesa* mesa : mesas) std::thread(FunLeerSinFin, mesa).detach();
  for (std::size_t leidas = 0; leidas < mesas.size() &&
                               Reloj::now() < inicioLecturas + kEsperaPrimeras;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    leidas = 0;
    for (Mesa* mesa : mesas) {
      const std::lock_guard<std::mutex> una(mesa->guarda);
      leidas += mesa->leida ? 1 : 0;
    }
  }
}

bool FunComponerEstado(std::string* cuerpo) {
  if (mesas.size() < 2) {
    const Foto foto = FunPrimeraMesa().lectura.Leer();
    if (foto.error != nullptr) {
      *cuerpo = std::string("{\"error\": \"") + foto.error + "\"}";
      return false;
    }
    // The day the count is of, so that a client can tell a new day's first
    // calls from a count that only went down.
    *cuerpo = "{" + foto.claves + ", \"fecha\": \"" + foto.fecha + "\"}";
    return true;
  }
  char marca[kTamMarcaTiempo];
  FunLeerReloj(marca);
  int anio, mes, dia;
  if (marca[0] == '\0' || !FunInterpretarFecha(marca, 10, &anio, &mes, &dia)) {
    *cuerpo = "{\"error\": \"No se pudo leer el reloj.\"}";
    return false;
  }
  const std::string fecha(marca, 10);
  const Reloj::time_point ahora = Reloj::now();
  std::string& json = *cuerpo;
  json = "{\"mesas\": [";
  for (std::size_t i = 0; i < mesas.size(); ++i) {
    if (i > 0) json += ", ";
    json += FunEntrada(mesas[i], fecha, ahora, inicioLecturas);
  }
  json += "], \"fecha\": \"" + fecha + "\"}";
  return true;
}
