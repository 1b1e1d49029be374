// Windows: the command line comes again from GetCommandLineW, split as the
// C runtime splits it, and a console is read through ReadConsoleW and
// written through WriteConsoleW, so that "C:\Sala Omega" or "José Ñúñez"
// with its real letters reaches the program and the person alike, whatever
// the console's code page; files and pipes get their bytes as they are.
#include "platform/texto.h"

#include "platform/utf16_windows.h"  // windows.h, before shellapi.h

#include <io.h>
#include <shellapi.h>

#include <cstring>
#include <vector>

namespace {

// The converted arguments, kept for the whole run.
std::vector<std::string> argumentos;
std::vector<char*> punteros;

// The console behind `flujo`, or nullptr when it is a file, a pipe or a
// device: FILE_TYPE_CHAR alone would take NUL or a serial port for one.
HANDLE FunConsolaDe(std::FILE* flujo) {
  HANDLE manejador = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(flujo)));
  DWORD modo = 0;
  if (manejador == INVALID_HANDLE_VALUE ||
      GetFileType(manejador) != FILE_TYPE_CHAR ||
      !GetConsoleMode(manejador, &modo))
    return nullptr;
  return manejador;
}

// Writes `n` bytes of UTF-8 to `consola` as characters, after whatever the
// stream still holds, so that the lines stay in order.
bool FunEscribirCaracteres(HANDLE consola, std::FILE* flujo, const char* utf8,
                           std::size_t n) {
  if (std::fflush(flujo) != 0) return false;
  const int largo = static_cast<int>(n);
  const int anchos = MultiByteToWideChar(CP_UTF8, 0, utf8, largo, nullptr, 0);
  if (anchos <= 0) return n == 0;
  std::wstring ancho(static_cast<std::size_t>(anchos), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, largo, &ancho[0], anchos);
  for (std::size_t hecho = 0; hecho < ancho.size();) {
    DWORD escritos = 0;
    if (!WriteConsoleW(consola, ancho.data() + hecho,
                       static_cast<DWORD>(ancho.size() - hecho), &escritos,
                       nullptr) ||
        escritos == 0)
      return false;
    hecho += escritos;
  }
  return true;
}

/* -------------------------------------------------------- console input */

// The line the console gave last, as UTF-8 with LF line ends, and how much
// of it the reads so far have taken.
std::string lineaConsola;
std::size_t tomadoConsola = 0;
// A Ctrl+Z was typed: nothing after it is read.
bool finConsola = false;

// A line longer than this is taken in several turns (the console itself
// holds far less); a surrogate pair is never split.
const std::size_t kMaxLineaConsola = 64 * 1024;

// Waits for the operator's Enter and reads the line into lineaConsola.
// Ctrl+Z, as a console read in text mode has it, ends the input: the line
// ends where it was typed. False when nothing could be read.
bool FunLeerLineaConsola(HANDLE consola) {
  std::wstring ancho;
  wchar_t trozo[256];
  while (!finConsola) {
    DWORD leidos = 0;
    if (!ReadConsoleW(consola, trozo, 256, &leidos, nullptr) || leidos == 0)
      break;
    ancho.append(trozo, leidos);
    const std::size_t ctrlZ = ancho.find(L'\x1a');
    if (ctrlZ != std::wstring::npos) {
      ancho.resize(ctrlZ);
      finConsola = true;
    } else if (ancho.back() == L'\n' ||
               (ancho.size() >= kMaxLineaConsola &&
                !IS_HIGH_SURROGATE(ancho.back()))) {
      break;
    }
  }
  if (ancho.empty()) return false;
  // The length given, not a terminator: a NUL typed stays in the line.
  const int largo = static_cast<int>(ancho.size());
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, ancho.data(), largo,
                                        nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return false;
  lineaConsola.assign(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, ancho.data(), largo, &lineaConsola[0], bytes,
                      nullptr, nullptr);
  // The console ends the line with CR LF; a text-mode read gives LF.
  const std::size_t crlf = lineaConsola.rfind("\r\n");
  if (crlf != std::string::npos && crlf + 2 == lineaConsola.size())
    lineaConsola.erase(crlf, 1);
  tomadoConsola = 0;
  return true;
}

}  // namespace

char** FunLeerArgumentos(int* argc, char** argv) {
  int cuenta = 0;
  LPWSTR* anchos = CommandLineToArgvW(GetCommandLineW(), &cuenta);
  if (anchos == nullptr) return argv;  // the C runtime's reading, as before
  argumentos.clear();
  for (int i = 0; i < cuenta; ++i) argumentos.push_back(FunAUtf8(anchos[i]));
  LocalFree(anchos);
  punteros.clear();
  for (std::string& argumento : argumentos) punteros.push_back(&argumento[0]);
  punteros.push_back(nullptr);
  *argc = cuenta;
  return punteros.data();
}

bool FunEscribirTexto(std::FILE* flujo, const char* texto) {
  HANDLE consola = FunConsolaDe(flujo);
  if (consola == nullptr) return std::fputs(texto, flujo) >= 0;
  return FunEscribirCaracteres(consola, flujo, texto, std::strlen(texto));
}

bool FunLeerLineaEntrada(char* linea, int tamano) {
  HANDLE consola = FunConsolaDe(stdin);
  if (consola == nullptr || tamano < 2)
    return std::fgets(linea, tamano, stdin) != nullptr;
  if (tomadoConsola == lineaConsola.size() && !FunLeerLineaConsola(consola))
    return false;
  const char* resto = lineaConsola.data() + tomadoConsola;
  std::size_t largo = lineaConsola.size() - tomadoConsola;
  const void* fin = std::memchr(resto, '\n', largo);
  if (fin != nullptr) largo = static_cast<const char*>(fin) - resto + 1;
  const std::size_t limite = static_cast<std::size_t>(tamano) - 1;
  std::size_t n = FunCortarEnCaracter(resto, largo, limite);
  if (n == 0) n = limite;  // a buffer too small for one character
  std::memcpy(linea, resto, n);
  linea[n] = '\0';
  tomadoConsola += n;
  return true;
}

bool FunEscribirBytes(std::FILE* flujo, const char* bytes, std::size_t n) {
  HANDLE consola = FunConsolaDe(flujo);
  if (consola == nullptr) return std::fwrite(bytes, 1, n, flujo) == n;
  std::size_t i = 0;
  while (i < n) {
    // ASCII, and bytes that are no whole character (a name typed before
    // names were read as characters), go as they always have.
    std::size_t j = i;
    while (j < n && FunLargoCaracterUtf8(bytes + j, n - j) == 0) ++j;
    if (j > i && std::fwrite(bytes + i, 1, j - i, flujo) != j - i)
      return false;
    std::size_t k = j;
    for (std::size_t c; k < n && (c = FunLargoCaracterUtf8(bytes + k, n - k)) > 0;)
      k += c;
    if (k > j && !FunEscribirCaracteres(consola, flujo, bytes + j, k - j))
      return false;
    i = k;
  }
  return true;
}
