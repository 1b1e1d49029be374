// quenvaro-pantalla: the waiting room's screen. A small web server that
// shows the turn being attended, the ones called before it, the next ones
// and the estimated wait, from the console's two files, which it only reads.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/archivos.h"
#include "platform/texto.h"
#include "platform/ventana.h"
#include "screen/estado.h"
#include "screen/servidor.h"

namespace {

const char kPrograma[] = "quenvaro-pantalla";
const char kUso[] =
    "Uso: quenvaro-pantalla [--puerto N] [--escuchar DIRECCION] [CARPETA]\n"
    "     quenvaro-pantalla --abrir|--quiosco [--puerto N] "
    "[--escuchar DIRECCION] [CARPETA]\n"
    "Sirve la pantalla de la sala de espera: una pagina web con el turno que\n"
    "se atiende, los llamados antes, los siguientes y la espera estimada,\n"
    "tomados de los archivos de la consola Quenvaro, que solo lee. Escribe al\n"
    "empezar la direccion que hay que abrir en el navegador.\n"
    "\n"
    "  CARPETA               la carpeta de la consola (por omision, la "
    "actual)\n"
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

}  // namespace

int main(int argc, char** argv) {
  argv = FunLeerArgumentos(&argc, argv);
  unsigned short puerto = 8080;
  const char* direccion = "127.0.0.1";
  const char* carpeta = nullptr;
  bool finOpciones = false;
  // A window opened for the screen alone keeps its start-up error readable.
  std::atexit(FunEsperarTeclaSiVentanaPropia);
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (finOpciones || arg[0] != '-' || arg[1] == '\0') {
      if (carpeta != nullptr) return FunErrorDeUso("sobra una carpeta", arg);
      carpeta = arg;
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
  if (carpeta != nullptr) {
    // A mistyped folder would otherwise show an empty queue for ever.
    if (!FunEsCarpeta(carpeta))
      return FunErrorDeUso("no es una carpeta", carpeta);
    FunElegirCarpeta(carpeta);
  }
  return FunServir(direccion, puerto);
}
