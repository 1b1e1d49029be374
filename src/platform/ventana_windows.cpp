// Windows desktop: a console window that the system opened for this program
// alone closes the moment it ends, so such a window waits for a key first;
// files and addresses go to ShellExecuteW, the way Explorer opens them, and
// the kiosk to Edge or Chrome, started directly.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/utf16_windows.h"
#include "platform/ventana.h"

namespace {

// Keys that are never "a key" to the operator: pressed alone they change
// another key, or switch to another window (Alt+Tab).
bool FunEsModificador(WORD tecla) {
  switch (tecla) {
    case VK_SHIFT: case VK_CONTROL: case VK_MENU: case VK_LWIN: case VK_RWIN:
    case VK_CAPITAL: case VK_NUMLOCK: case VK_SCROLL: return true;
    default: return false;
  }
}

// The moment a process started, or 0 when it cannot be asked.
ULONGLONG FunInicioDe(HANDLE proceso) {
  FILETIME inicio, fin, nucleo, usuario;
  if (!GetProcessTimes(proceso, &inicio, &fin, &nucleo, &usuario)) return 0;
  return (static_cast<ULONGLONG>(inicio.dwHighDateTime) << 32) |
         inicio.dwLowDateTime;
}

// Whether the desktop's shell started this process: a shortcut, a
// double-click, the Start menu or Win+R, so a person opened its window. A
// scheduled task, a service, a script or a terminal is another parent; a
// task may even run on a console that no one can see, and would wait for a
// key for ever.
bool FunIniciadoPorElEscritorio() {
  DWORD escritorio = 0;
  const HWND ventana = GetShellWindow();
  if (ventana == nullptr || GetWindowThreadProcessId(ventana, &escritorio) == 0)
    return false;
  HANDLE foto = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (foto == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32W proceso;
  proceso.dwSize = sizeof proceso;
  DWORD padre = 0;
  for (BOOL hay = Process32FirstW(foto, &proceso); hay;
       hay = Process32NextW(foto, &proceso)) {
    if (proceso.th32ProcessID == GetCurrentProcessId()) {
      padre = proceso.th32ParentProcessID;
      break;
    }
  }
  CloseHandle(foto);
  if (padre == 0 || padre != escritorio) return false;
  // A parent's number outlives it and may be given to another process; a
  // shell started after this process cannot be the one that started it.
  HANDLE shell = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, escritorio);
  if (shell == nullptr) return false;
  const ULONGLONG suyo = FunInicioDe(shell);
  CloseHandle(shell);
  return suyo != 0 && suyo <= FunInicioDe(GetCurrentProcess());
}

}  // namespace

void FunEsperarTeclaSiVentanaPropia() {
  // Started from cmd, a script or another program, the console has more
  // than this process on it, or the streams are pipes or files: the output
  // stays readable where it went, and nothing may change. Alone on its
  // console, it still waits only if a person opened it.
  if (!FunIniciadoPorElEscritorio()) return;
  DWORD procesos[2];
  if (GetConsoleProcessList(procesos, 2) != 1) return;
  HANDLE entrada = GetStdHandle(STD_INPUT_HANDLE);
  HANDLE salida = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD modo;
  // FILE_TYPE_CHAR alone would take NUL or a serial port for the console.
  if (GetFileType(entrada) != FILE_TYPE_CHAR ||
      GetFileType(salida) != FILE_TYPE_CHAR ||
      !GetConsoleMode(entrada, &modo) || !GetConsoleMode(salida, &modo))
    return;
  std::fputs("Pulse una tecla para cerrar esta ventana.\n", stdout);
  std::fflush(stdout);
  // Keys typed before the line appeared must not close the window unread.
  FlushConsoleInputBuffer(entrada);
  INPUT_RECORD evento;
  DWORD leidos;
  while (ReadConsoleInputW(entrada, &evento, 1, &leidos) && leidos == 1) {
    if (evento.EventType == KEY_EVENT && evento.Event.KeyEvent.bKeyDown &&
        !FunEsModificador(evento.Event.KeyEvent.wVirtualKeyCode))
      return;
  }
}

bool FunAbrirConPredeterminado(const char* rutaOUrl) {
  std::wstring objetivo = FunAUtf16(rutaOUrl);
  if (objetivo.empty()) return false;
  if (std::strstr(rutaOUrl, "://") == nullptr) {
    // The program that opens the file does not start in this folder.
    wchar_t completa[MAX_PATH * 4];
    const DWORD largo = GetFullPathNameW(objetivo.c_str(), MAX_PATH * 4,
                                         completa, nullptr);
    if (largo == 0 || largo >= MAX_PATH * 4) return false;
    objetivo.assign(completa, largo);
  }
  // Some handlers of file types are COM objects that want this apartment.
  const HRESULT com =
      CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const INT_PTR resultado = reinterpret_cast<INT_PTR>(ShellExecuteW(
      nullptr, L"open", objetivo.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (SUCCEEDED(com)) CoUninitialize();
  return resultado > 32;  // as ShellExecute reports success
}

namespace {

// The program `exe` (msedge.exe) as Windows records it installed, under App
// Paths, for this account or the PC, in either registry view (a 32-bit
// browser records itself in the other one); empty when it is not there.
std::wstring FunProgramaInstalado(const wchar_t* exe) {
  const std::wstring clave =
      std::wstring(L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\") +
      exe;
  for (HKEY raiz : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    for (DWORD vista : {DWORD{0}, DWORD{RRF_SUBKEY_WOW6464KEY},
                        DWORD{RRF_SUBKEY_WOW6432KEY}}) {
      wchar_t ruta[MAX_PATH * 2];
      DWORD bytes = sizeof ruta;
      if (RegGetValueW(raiz, clave.c_str(), nullptr, RRF_RT_REG_SZ | vista,
                       nullptr, ruta, &bytes) != ERROR_SUCCESS)
        continue;
      std::wstring programa(ruta);
      // Some installers write the path in quotes.
      if (programa.size() > 1 && programa.front() == L'"' &&
          programa.back() == L'"')
        programa = programa.substr(1, programa.size() - 2);
      const DWORD atributos = GetFileAttributesW(programa.c_str());
      if (atributos != INVALID_FILE_ATTRIBUTES &&
          (atributos & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return programa;
    }
  }
  return std::wstring();
}

}  // namespace

bool FunAbrirEnQuiosco(const char* url) {
  const std::wstring direccion = FunAUtf16(url);
  if (direccion.empty() || direccion.find(L'"') != std::wstring::npos)
    return false;
  std::wstring programa = FunProgramaInstalado(L"msedge.exe");
  // Edge's own kiosk opens in its "digital sign" form unless told.
  std::wstring propias = L" --edge-kiosk-type=fullscreen";
  if (programa.empty()) {
    programa = FunProgramaInstalado(L"chrome.exe");
    propias.clear();
  }
  if (programa.empty()) return false;
  std::wstring linea = L"\"" + programa + L"\" --kiosk \"" + direccion + L"\"" +
                       propias +
                       L" --no-first-run --autoplay-policy=no-user-gesture-required";
  // A profile of its own: with the browser already open, the flags would
  // otherwise go to that browser, which opens a plain window, muted.
  wchar_t local[MAX_PATH];
  const DWORD largo = GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH);
  if (largo > 0 && largo < MAX_PATH)
    linea += L" \"--user-data-dir=" + std::wstring(local, largo) +
             L"\\Quenvaro\\quiosco\"";
  STARTUPINFOW inicio{};
  inicio.cb = sizeof inicio;
  PROCESS_INFORMATION proceso{};
  // No handle is inherited: the browser must not keep the screen's port.
  if (!CreateProcessW(programa.c_str(), &linea[0], nullptr, nullptr, FALSE, 0,
                      nullptr, nullptr, &inicio, &proceso))
    return false;
  CloseHandle(proceso.hThread);
  CloseHandle(proceso.hProcess);
  return true;
}
