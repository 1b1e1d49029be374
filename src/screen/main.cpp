// quenvaro-pantalla: the waiting room's screen. A small web server that
// shows the turn being attended, the ones called before it, the next ones
// and the estimated wait, from the console's two files, which it only reads:
// of one desk's folder, or of up to eight desks' on one screen.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/archivos.h"
#include "platform/identidad.h"
#include "platform/texto.h"
#include "platform/ventana.h"
#include "screen/estado.h"
#include "screen/servidor.h"

namespace {

const char kPrograma[] = "quenvaro-pantalla";
const char kUso[] =
    "Uso: quenvaro-pantalla [--puerto N] [--escuchar DIRECCION] [CARPETA...]\n"
    "     quenvaro-pantalla --abrir|--quiosco [--puerto N] "
    "[--escuchar DIRECCION] [CARPETA...]\n"
    "Sirve la pantalla de la sala de espera: una pagina web con el turno que\n"
    "se atiende, los llamados antes, los siguientes y la espera estimada,\n"
    "tomados de los archivos de la consola Quenvaro, que solo lee. Escribe al\n"
    "empezar la direccion que hay que abrir en el navegador.\n"
    "\n"
    "  CARPETA               la carpeta de la consola (por omision, la "
    "actual);\n"
    "                        de 2 a 8 carpetas, una por mesa, en una misma\n"
    "                        pantalla, cada una con su nombre: el de la\n"
    "                        carpeta, u otro como NOMBRE=CARPETA (de 1 a 30\n"
    "                        caracteres, distinto en cada mesa)\n"
    "  --puerto N            el puerto (por omision, 8080; 0: uno libre, el\n"
    "                        que escribe al empezar)\n"
    "  --escuchar DIRECCION  la direccion IP en la que escucha (por omision,\n"
    "                        127.0.0.1: solo este equipo; 0.0.0.0: tambien\n"
    "                        los demas equipos de la red local)\n"
    "  --abrir               abre la pagina en el navegador predeterminado\n"
    "                        cuando ya escucha\n"
    "  --quiosco             como --abrir, pero a pantalla completa y con\n"
    "                        sonido desde el principio, en Edge o Chrome\n"
    "  --help                muestra esta ayuda\n"
    "\n"
    "GET / da la pagina; GET /estado, los datos en JSON. La pantalla no tiene\n"
    "contrasena: solo muestra numeros. Ctrl+C termina.\n"
    "\n"
    "Estado de salida: 0 terminado con Ctrl+C, 1 la direccion o el puerto no\n"
    "se pueden usar, 2 linea de ordenes incorrecta.\n";

int FunErrorDeUso(const char* motivo, const char* argumento) {
  // The argument as typed, on a console too: it may be a folder's name.
  std::fprintf(stderr, "%s: %s: ", kPrograma, motivo);
  FunEscribirTexto(stderr, argumento);
  std::fprintf(stderr, "\n\n%s", kUso);
  return 2;
}

// A port number, 0 to 65535, in plain decimal digits.
bool FunLeerPuerto(const char* texto, unsigned short* puerto) {
  if (*texto == '\0' || std::strlen(texto) > 5) return false;
  long valor = 0;
  for (const char* c = texto; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return false;
    valor = valor * 10 + (*c - '0');
  }
  if (valor > 65535) return false;
  *puerto = static_cast<unsigned short>(valor);
  return true;
}

/* ------------------------------------------------------------ desks */

// The longest name of a desk, in characters: it must fit its panel.
const int kNombreMaximo = 30;

// One CARPETA argument: the desk's name and folder.
struct MesaPedida {
  const char* argumento;
  std::string nombre;
  std::string carpeta;
};

// The characters in `texto`, or -1 when it is not UTF-8 or holds a control
// character, which no screen can show.
int FunContarCaracteres(const std::string& texto) {
  int cuenta = 0;
  for (std::size_t i = 0; i < texto.size(); ++cuenta) {
    const unsigned char c = static_cast<unsigned char>(texto[i]);
    const std::size_t largo = c < 0x80 ? 1 : c >= 0xc2 && c < 0xe0 ? 2
                              : c >= 0xe0 && c < 0xf0 ? 3
                              : c >= 0xf0 && c < 0xf5 ? 4 : 0;
    if (largo == 0 || c < 0x20 || c == 0x7f || i + largo > texto.size())
      return -1;
    for (std::size_t j = 1; j < largo; ++j)
      if ((static_cast<unsigned char>(texto[i + j]) & 0xc0) != 0x80) return -1;
    i += largo;
  }
  return cuenta;
}

// The name of the folder `carpeta` itself: "C:\Quenvaro\Ventanilla 2"
// gives "Ventanilla 2", with a final separator too.
std::string FunNombreDeCarpeta(const char* carpeta) {
  std::filesystem::path ruta =
      std::filesystem::u8path(FunRutaAbsoluta(carpeta)).lexically_normal();
  if (ruta.filename().empty()) ruta = ruta.parent_path();
  return ruta.filename().u8string();
}

// Reads `argumento`, a folder or NOMBRE=CARPETA (when the whole is not a
// folder itself), into *mesa; with `conNombre`, the name must suit a
// panel. 0, or the status after the usage.
int FunLeerMesa(const char* argumento, bool conNombre, MesaPedida* mesa) {
  mesa->argumento = argumento;
  if (FunEsCarpeta(argumento)) {
    mesa->carpeta = argumento;
    mesa->nombre = FunNombreDeCarpeta(argumento);
  } else {
    const char* igual = std::strchr(argumento, '=');
    // A mistyped folder would otherwise show an empty queue for ever.
    if (igual == nullptr || !FunEsCarpeta(igual + 1))
      return FunErrorDeUso("no es una carpeta", argumento);
    if (igual == argumento)
      return FunErrorDeUso("falta el nombre de la mesa antes de =", argumento);
    mesa->nombre.assign(argumento, igual);
    mesa->carpeta = igual + 1;
  }
  const int largo = FunContarCaracteres(mesa->nombre);
  if (conNombre && (largo < 1 || largo > kNombreMaximo))
    return FunErrorDeUso(
        "el nombre de una mesa tiene de 1 a 30 caracteres (NOMBRE=CARPETA)",
        argumento);
  return 0;
}

// Whether two names would read as one on the screen: the same but for the
// case of their plain letters.
bool FunMismoNombre(const std::string& a, const std::string& b) {
  return FunIgualesSinCaso(a, b);
}

// Makes each of `carpetas` a desk, in their order. 0, or the status after
// the usage.
int FunPrepararMesas(const std::vector<const char*>& carpetas) {
  std::vector<MesaPedida> mesas(carpetas.size());
  for (std::size_t i = 0; i < carpetas.size(); ++i) {
    if (int estado = FunLeerMesa(carpetas[i], carpetas.size() > 1, &mesas[i]))
      return estado;
    for (std::size_t j = 0; j < i; ++j) {
      if (FunMismoNombre(mesas[j].nombre, mesas[i].nombre))
        return FunErrorDeUso("dos mesas con el mismo nombre", carpetas[i]);
      if (FunMismoArchivo(mesas[j].carpeta.c_str(), mesas[i].carpeta.c_str()))
        return FunErrorDeUso("la misma carpeta dos veces", carpetas[i]);
    }
  }
  for (const MesaPedida& mesa : mesas) FunAgregarMesa(mesa.nombre, mesa.carpeta);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  argv = FunLeerArgumentos(&argc, argv);
  unsigned short puerto = 8080;
  const char* direccion = "127.0.0.1";
  std::vector<const char*> carpetas;
  bool finOpciones = false;
  // A window opened for the screen alone keeps its start-up error readable.
  std::atexit(FunEsperarTeclaSiVentanaPropia);
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (finOpciones || arg[0] != '-' || arg[1] == '\0') {
      if (carpetas.size() == kMaxMesas)
        return FunErrorDeUso("sobran carpetas (8 a lo sumo)", arg);
      carpetas.push_back(arg);
    } else if (std::strcmp(arg, "--") == 0) {
      finOpciones = true;
    } else if (std::strcmp(arg, "--help") == 0) {
      std::fputs(kUso, stdout);
      return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    } else if (std::strcmp(arg, "--abrir") == 0 ||
               std::strcmp(arg, "--quiosco") == 0) {
      FunAbrirNavegadorAlEscuchar(arg[2] == 'q');
    } else if (std::strcmp(arg, "--puerto") == 0 ||
               std::strcmp(arg, "--escuchar") == 0) {
      if (i + 1 == argc) return FunErrorDeUso("falta el valor de", arg);
      const char* valor = argv[++i];
      if (arg[2] == 'e') {
        if (!FunDireccionValida(valor))
          return FunErrorDeUso("no es una direccion IP", valor);
        direccion = valor;
      } else if (!FunLeerPuerto(valor, &puerto)) {
        return FunErrorDeUso("puerto imposible (0 a 65535)", valor);
      }
    } else {
      return FunErrorDeUso("opcion desconocida", arg);
    }
  }
  if (int estado = FunPrepararMesas(carpetas)) return estado;
  return FunServir(direccion, puerto);
}
