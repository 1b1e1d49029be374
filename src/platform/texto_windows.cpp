// Windows: the command line comes again from GetCommandLineW, split as the
// C runtime splits it, and a console is written through WriteConsoleW, so
// that "C:\Sala Omega" with its real letters reaches the program and the
// person alike; files and pipes get UTF-8.
#include "platform/texto.h"

#include "platform/utf16_windows.h"  // windows.h, before shellapi.h

#include <io.h>
#include <shellapi.h>

#include <vector>

namespace {

// The converted arguments, kept for the whole run.
std::vector<std::string> argumentos;
std::vector<char*> punteros;

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
  HANDLE manejador = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(flujo)));
  DWORD modo = 0;
  if (manejador == INVALID_HANDLE_VALUE ||
      GetFileType(manejador) != FILE_TYPE_CHAR ||
      !GetConsoleMode(manejador, &modo))
    return std::fputs(texto, flujo) >= 0;
  // What the stream holds goes first, so the lines stay in order.
  if (std::fflush(flujo) != 0) return false;
  const std::wstring ancho = FunAUtf16(texto);
  DWORD escritos = 0;
  return ancho.empty() ||
         WriteConsoleW(manejador, ancho.data(), static_cast<DWORD>(ancho.size()),
                       &escritos, nullptr) != 0;
}
