#include "proceso.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <stdexcept>

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace prueba {

CarpetaTemporal::CarpetaTemporal() {
  std::random_device azar;
  std::mt19937_64 generador(azar());
  fs::path base = fs::temp_directory_path();
  for (int intento = 0; intento < 100; ++intento) {
    fs::path candidata = base / ("quenvaro-prueba-" + std::to_string(generador()));
    if (fs::create_directory(candidata)) {
      ruta_ = fs::absolute(candidata);
      return;
    }
  }
  throw std::runtime_error("no temporary folder could be created");
}

CarpetaTemporal::~CarpetaTemporal() {
  std::error_code ignorado;
  fs::remove_all(ruta_, ignorado);
}

DirectorioActual::DirectorioActual(const fs::path& carpeta)
    : anterior_(fs::current_path()) {
  fs::current_path(carpeta);
}

DirectorioActual::~DirectorioActual() { fs::current_path(anterior_); }

std::string LeerArchivo(const fs::path& ruta) {
  std::ifstream archivo(ruta, std::ios::binary);
  std::ostringstream contenido;
  contenido << archivo.rdbuf();
  return contenido.str();
}

void EscribirArchivo(const fs::path& ruta, const std::string& bytes) {
  std::ofstream archivo(ruta, std::ios::binary | std::ios::trunc);
  archivo.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!archivo) throw std::runtime_error("cannot write " + ruta.string());
}

std::string SinMarcas(const std::string& texto) {
  static const std::regex marca(
      R"(\[[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\])");
  return std::regex_replace(texto, marca, "[<FECHA>]");
}

std::string ComoTexto(const std::string& lineasLf) {
#ifdef _WIN32
  std::string crlf;
  for (char c : lineasLf) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return crlf;
#else
  return lineasLf;
#endif
}

#ifdef _WIN32
namespace {

// The programs sit one folder above the test executables. Looking them up
// from our own path works both on Windows and under wine, where the build
// folder's Unix path would not name a file.
fs::path RutaPrograma(const wchar_t* nombre) {
  wchar_t propia[MAX_PATH];
  DWORD largo = GetModuleFileNameW(nullptr, propia, MAX_PATH);
  if (largo == 0 || largo == MAX_PATH) throw std::runtime_error("own path unknown");
  return fs::path(propia).parent_path().parent_path() / nombre;
}

HANDLE AbrirHeredable(const fs::path& ruta, bool escritura) {
  SECURITY_ATTRIBUTES atributos{sizeof atributos, nullptr, TRUE};
  return CreateFileW(ruta.c_str(), escritura ? GENERIC_WRITE : GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, &atributos,
                     escritura ? CREATE_ALWAYS : OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// One argument quoted so that the C runtime's command-line split gives it
// back unchanged: backslashes are literal except before a quote.
std::wstring Entrecomillado(const std::wstring& argumento) {
  std::wstring resultado = L"\"";
  std::size_t barras = 0;
  for (wchar_t c : argumento) {
    if (c == L'\\') {
      ++barras;
      continue;
    }
    resultado.append(c == L'"' ? 2 * barras + 1 : barras, L'\\');
    barras = 0;
    resultado += c;
  }
  resultado.append(2 * barras, L'\\');
  return resultado + L"\"";
}

// Starts `programa` in `carpeta` with `argumentos` on the given standard
// streams, which it inherits and this process then closes (`err` only when
// it is not our own); returns the process handle.
HANDLE Iniciar(const fs::path& programa, const std::vector<std::string>& argumentos,
               const fs::path& carpeta, HANDLE in, HANDLE out, HANDLE err) {
  STARTUPINFOW inicio{};
  inicio.cb = sizeof inicio;
  inicio.dwFlags = STARTF_USESTDHANDLES;
  inicio.hStdInput = in;
  inicio.hStdOutput = out;
  inicio.hStdError = err;
  PROCESS_INFORMATION proceso{};
  std::wstring linea = Entrecomillado(programa.wstring());
  for (const std::string& argumento : argumentos)
    linea += L" " + Entrecomillado(fs::u8path(argumento).wstring());  // UTF-8
  BOOL creado = CreateProcessW(nullptr, &linea[0], nullptr, nullptr, TRUE, 0,
                               nullptr, carpeta.c_str(), &inicio, &proceso);
  CloseHandle(in);
  CloseHandle(out);
  if (err != GetStdHandle(STD_ERROR_HANDLE)) CloseHandle(err);
  if (!creado) throw std::runtime_error("cannot start " + programa.string());
  CloseHandle(proceso.hThread);
  return proceso.hProcess;
}

// Waits for a process started by Iniciar and returns its exit code.
int EsperarFin(HANDLE proceso) {
  WaitForSingleObject(proceso, INFINITE);
  DWORD codigo = 0;
  GetExitCodeProcess(proceso, &codigo);
  CloseHandle(proceso);
  return static_cast<int>(codigo);
}

// Runs `programa` in `carpeta` with `argumentos`, standard input read from
// `entrada` and standard output written to `salida`; standard error goes
// to `error` when given, else to ours. Returns its exit code.
int Lanzar(const fs::path& programa, const std::vector<std::string>& argumentos,
           const fs::path& carpeta, const fs::path& entrada,
           const fs::path& salida, const fs::path* error) {
  HANDLE in = AbrirHeredable(entrada, false);
  HANDLE out = AbrirHeredable(salida, true);
  HANDLE err = error != nullptr ? AbrirHeredable(*error, true)
                                : GetStdHandle(STD_ERROR_HANDLE);
  if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE ||
      err == INVALID_HANDLE_VALUE)
    throw std::runtime_error("cannot open the child's standard streams");
  return EsperarFin(Iniciar(programa, argumentos, carpeta, in, out, err));
}

}  // namespace

Ejecucion EjecutarQuenvaro(const fs::path& carpeta, const std::string& entrada,
                           const OpcionesEjecucion&) {
  const fs::path archivoEntrada = carpeta / ".entrada-prueba";
  const fs::path archivoSalida = carpeta / ".salida-prueba";
  EscribirArchivo(archivoEntrada, entrada);
  Ejecucion resultado;
  resultado.estado = Lanzar(RutaPrograma(L"quenvaro.exe"), {}, carpeta,
                            archivoEntrada, archivoSalida, nullptr);
  resultado.salida = LeerArchivo(archivoSalida);
  fs::remove(archivoEntrada);
  fs::remove(archivoSalida);
  return resultado;
}

namespace {

// Runs `programa` with `argumentos` in `carpeta`, with an empty standard
// input, and returns both its outputs and how it exited.
Ejecucion EjecutarConArgumentos(const wchar_t* programa, const fs::path& carpeta,
                                const std::vector<std::string>& argumentos) {
  const fs::path archivoEntrada = carpeta / ".entrada-prueba";
  const fs::path archivoSalida = carpeta / ".salida-prueba";
  const fs::path archivoError = carpeta / ".error-prueba";
  EscribirArchivo(archivoEntrada, "");
  Ejecucion resultado;
  resultado.estado = Lanzar(RutaPrograma(programa), argumentos, carpeta,
                            archivoEntrada, archivoSalida, &archivoError);
  resultado.salida = LeerArchivo(archivoSalida);
  resultado.error = LeerArchivo(archivoError);
  fs::remove(archivoEntrada);
  fs::remove(archivoSalida);
  fs::remove(archivoError);
  return resultado;
}

}  // namespace

Ejecucion EjecutarInforme(const fs::path& carpeta,
                          const std::vector<std::string>& argumentos,
                          const OpcionesEjecucion&) {
  return EjecutarConArgumentos(L"quenvaro-informe.exe", carpeta, argumentos);
}

Ejecucion EjecutarPantalla(const fs::path& carpeta,
                           const std::vector<std::string>& argumentos) {
  return EjecutarConArgumentos(L"quenvaro-pantalla.exe", carpeta, argumentos);
}

Pantalla::Pantalla(const fs::path& carpeta, int puerto, const char* abrir) {
  std::vector<std::string> argumentos = {"--puerto", std::to_string(puerto),
                                         carpeta.u8string()};
  if (abrir != nullptr) argumentos.push_back(abrir);
  Empezar(carpeta, argumentos);
}

void Pantalla::Empezar(const fs::path& carpeta,
                       const std::vector<std::string>& argumentos) {
  SECURITY_ATTRIBUTES heredable{sizeof heredable, nullptr, TRUE};
  HANDLE lectura, escritura;
  if (!CreatePipe(&lectura, &escritura, &heredable, 0))
    throw std::runtime_error("cannot make the server's pipe");
  SetHandleInformation(lectura, HANDLE_FLAG_INHERIT, 0);
  proceso_ = Iniciar(RutaPrograma(L"quenvaro-pantalla.exe"), argumentos,
                     carpeta, AbrirHeredable("NUL", false), escritura,
                     GetStdHandle(STD_ERROR_HANDLE));
  std::string linea;
  char c;
  DWORD leidos;
  while (ReadFile(lectura, &c, 1, &leidos, nullptr) && leidos == 1 && c != '\n')
    linea += c;
  salida_ = lectura;
  inicio_ = linea + "\n";
  puerto_ = std::stoi(linea.substr(linea.rfind(':') + 1));  // ...:N/ (...)
}

std::string Pantalla::Inicio() {
  PedirHttp(puerto_, "GET /estado");  // answered after all it prints at start
  char bloque[4096];
  DWORD disponibles = 0, leidos = 0;
  while (salida_ != nullptr &&
         PeekNamedPipe(salida_, nullptr, 0, nullptr, &disponibles, nullptr) &&
         disponibles > 0 &&
         ReadFile(salida_, bloque, sizeof bloque, &leidos, nullptr))
    inicio_.append(bloque, leidos);
  return inicio_;
}

int Pantalla::Detener() {
  if (salida_ != nullptr) CloseHandle(salida_);
  salida_ = nullptr;
  if (proceso_ == nullptr) return estado_;
  TerminateProcess(proceso_, 0);
  estado_ = EsperarFin(proceso_);
  proceso_ = nullptr;
  return estado_;
}

Interactiva::Interactiva(const fs::path& carpeta) {
  SECURITY_ATTRIBUTES heredable{sizeof heredable, nullptr, TRUE};
  HANDLE lecturaHijo, escrituraHijo;
  HANDLE entrada, salida;
  if (!CreatePipe(&lecturaHijo, &entrada, &heredable, 0) ||
      !CreatePipe(&salida, &escrituraHijo, &heredable, 0))
    throw std::runtime_error("cannot make the child's pipes");
  SetHandleInformation(entrada, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(salida, HANDLE_FLAG_INHERIT, 0);
  proceso_ = Iniciar(RutaPrograma(L"quenvaro.exe"), {}, carpeta, lecturaHijo,
                     escrituraHijo, GetStdHandle(STD_ERROR_HANDLE));
  entrada_ = entrada;
  salidaHijo_ = salida;
}

Interactiva::~Interactiva() { Terminar(); }

void Interactiva::Matar() { TerminateProcess(proceso_, 9); }

void Interactiva::Escribir(const std::string& texto) {
  DWORD escritos = 0;
  WriteFile(entrada_, texto.data(), static_cast<DWORD>(texto.size()), &escritos,
            nullptr);
}

bool Interactiva::Leer() {
  DWORD disponibles = 0;
  if (!PeekNamedPipe(salidaHijo_, nullptr, 0, nullptr, &disponibles, nullptr))
    return false;
  if (disponibles == 0) {
    Sleep(10);
    return true;
  }
  char bloque[4096];
  DWORD leidos = 0;
  if (!ReadFile(salidaHijo_, bloque, sizeof bloque, &leidos, nullptr)) return false;
  salida_.append(bloque, leidos);
  return true;
}

int Interactiva::Terminar() {
  if (proceso_ == nullptr) return estado_;
  CloseHandle(entrada_);
  while (Leer()) {
  }
  CloseHandle(salidaHijo_);
  estado_ = EsperarFin(proceso_);
  proceso_ = nullptr;
  return estado_;
}
#else
Ejecucion EjecutarQuenvaro(const fs::path& carpeta, const std::string& entrada,
                           const OpcionesEjecucion& opciones) {
  const fs::path archivoEntrada = carpeta / ".entrada-prueba";
  EscribirArchivo(archivoEntrada, entrada);
  // Output comes back through a pipe, which a file-size limit does not
  // touch, and the parent drains it before reaping the child.
  int tubo[2];
  if (pipe(tubo) != 0) throw std::runtime_error("pipe failed");
  pid_t hijo = fork();
  if (hijo < 0) throw std::runtime_error("fork failed");
  if (hijo == 0) {
    int in = open(archivoEntrada.c_str(), O_RDONLY);
    if (in < 0 || dup2(in, 0) < 0 || dup2(tubo[1], 1) < 0 ||
        chdir(carpeta.c_str()) != 0)
      _exit(127);
    close(tubo[0]);
    close(tubo[1]);
    alarm(60);  // a program stuck on a file fails the test, not hangs it
    if (opciones.limiteArchivo > 0) {
      // Ignored, SIGXFSZ would kill the program; with it ignored the write
      // fails with EFBIG, which is the disk-full case the program must face.
      signal(SIGXFSZ, SIG_IGN);
      rlimit limite{static_cast<rlim_t>(opciones.limiteArchivo),
                    static_cast<rlim_t>(opciones.limiteArchivo)};
      setrlimit(RLIMIT_FSIZE, &limite);
    }
    // Root stays root, so the program reaches its own path wherever the
    // clone and the scratch folder live; only its power to pass over file
    // modes goes, for this process and everything it executes.
    if (opciones.sinPrivilegios && geteuid() == 0 &&
        (prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) != 0 ||
         prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0) != 0))
      _exit(127);
    if (!opciones.traza.empty()) {
      // LeakSanitizer cannot work under a tracer; the other checks can.
      const char* asan = getenv("ASAN_OPTIONS");
      setenv("ASAN_OPTIONS", (std::string(asan ? asan : "") + ":detect_leaks=0").c_str(), 1);
      execl("/usr/bin/strace", "strace", "-f", "-y", "-qq", "-e",
            "trace=openat,write,fsync,fdatasync,rename,renameat,renameat2", "-o",
            opciones.traza.c_str(), QUENVARO_EXE, static_cast<char*>(nullptr));
    } else {
      execl(QUENVARO_EXE, QUENVARO_EXE, static_cast<char*>(nullptr));
    }
    _exit(127);
  }
  close(tubo[1]);
  Ejecucion resultado;
  char bloque[65536];
  ssize_t leidos;
  while ((leidos = read(tubo[0], bloque, sizeof bloque)) != 0) {
    if (leidos < 0) {
      if (errno == EINTR) continue;
      break;
    }
    resultado.salida.append(bloque, static_cast<std::size_t>(leidos));
  }
  close(tubo[0]);
  int estado = 0;
  waitpid(hijo, &estado, 0);
  resultado.estado = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
  fs::remove(archivoEntrada);
  return resultado;
}

namespace {

// Runs `programa` with `argumentos` in `carpeta`, with an empty standard
// input, and returns both its outputs and how it exited.
Ejecucion EjecutarConArgumentos(const char* programa, const fs::path& carpeta,
                                const std::vector<std::string>& argumentos,
                                long limiteArchivo = 0) {
  // Both outputs go to files, so neither can fill a pipe and stall the
  // child while the parent waits on the other.
  const fs::path archivoSalida = carpeta / ".salida-prueba";
  const fs::path archivoError = carpeta / ".error-prueba";
  std::vector<char*> argv{const_cast<char*>(programa)};
  for (const std::string& argumento : argumentos)
    argv.push_back(const_cast<char*>(argumento.c_str()));
  argv.push_back(nullptr);
  pid_t hijo = fork();
  if (hijo < 0) throw std::runtime_error("fork failed");
  if (hijo == 0) {
    int in = open("/dev/null", O_RDONLY);
    int out = open(archivoSalida.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(archivoError.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 ||
        dup2(err, 2) < 0 || chdir(carpeta.c_str()) != 0)
      _exit(127);
    if (limiteArchivo > 0) {  // as in EjecutarQuenvaro
      signal(SIGXFSZ, SIG_IGN);
      rlimit limite{static_cast<rlim_t>(limiteArchivo),
                    static_cast<rlim_t>(limiteArchivo)};
      setrlimit(RLIMIT_FSIZE, &limite);
    }
    execv(programa, argv.data());
    _exit(127);
  }
  int estado = 0;
  waitpid(hijo, &estado, 0);
  Ejecucion resultado;
  resultado.estado = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
  resultado.salida = LeerArchivo(archivoSalida);
  resultado.error = LeerArchivo(archivoError);
  fs::remove(archivoSalida);
  fs::remove(archivoError);
  return resultado;
}

}  // namespace

Ejecucion EjecutarInforme(const fs::path& carpeta,
                          const std::vector<std::string>& argumentos,
                          const OpcionesEjecucion& opciones) {
  return EjecutarConArgumentos(QUENVARO_INFORME_EXE, carpeta, argumentos,
                               opciones.limiteArchivo);
}

Ejecucion EjecutarPantalla(const fs::path& carpeta,
                           const std::vector<std::string>& argumentos) {
  return EjecutarConArgumentos(QUENVARO_PANTALLA_EXE, carpeta, argumentos);
}

Pantalla::Pantalla(const fs::path& carpeta, int puerto, const char* abrir) {
  std::vector<std::string> argumentos = {"--puerto", std::to_string(puerto),
                                         carpeta.string()};
  if (abrir != nullptr) argumentos.push_back(abrir);
  Empezar(fs::path(), argumentos);  // in the test's own folder
}

void Pantalla::Empezar(const fs::path& carpeta,
                       const std::vector<std::string>& argumentos) {
  std::vector<char*> argv = {const_cast<char*>(QUENVARO_PANTALLA_EXE)};
  for (const std::string& argumento : argumentos)
    argv.push_back(const_cast<char*>(argumento.c_str()));
  argv.push_back(nullptr);
  int tubo[2];
  if (pipe(tubo) != 0) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    if (dup2(tubo[1], 1) < 0 ||
        (!carpeta.empty() && chdir(carpeta.c_str()) != 0))
      _exit(127);
    close(tubo[0]);
    close(tubo[1]);
    execv(QUENVARO_PANTALLA_EXE, argv.data());
    _exit(127);
  }
  close(tubo[1]);
  // A screen that never says where it listens fails the test after 20 s
  // rather than hang it.
  std::string linea;
  char c = 0;
  pollfd espera{tubo[0], POLLIN, 0};
  while (poll(&espera, 1, 20000) == 1 && read(tubo[0], &c, 1) == 1 && c != '\n')
    linea += c;
  if (c != '\n') {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    close(tubo[0]);
    throw std::runtime_error("quenvaro-pantalla did not start: " + linea);
  }
  salida_ = tubo[0];
  inicio_ = linea + "\n";
  puerto_ = std::stoi(linea.substr(linea.rfind(':') + 1));  // ...:N/ (...)
}

std::string Pantalla::Inicio() {
  PedirHttp(puerto_, "GET /estado");  // answered after all it prints at start
  char bloque[4096];
  ssize_t leidos;
  if (salida_ >= 0) fcntl(salida_, F_SETFL, O_NONBLOCK);
  while (salida_ >= 0 && (leidos = read(salida_, bloque, sizeof bloque)) > 0)
    inicio_.append(bloque, static_cast<std::size_t>(leidos));
  return inicio_;
}

int Pantalla::Detener() {
  if (salida_ >= 0) close(salida_);
  salida_ = -1;
  if (pid_ < 0) return estado_;
  kill(pid_, SIGINT);
  int estado = 0;
  waitpid(pid_, &estado, 0);
  pid_ = -1;
  estado_ = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
  return estado_;
}

namespace {

// What `archivo` holds once it has `lineas` lines, or after 20 s.
std::string EsperarLineas(const fs::path& archivo, int lineas) {
  const auto limite =
      std::chrono::steady_clock::now() + std::chrono::seconds(20);
  std::string abiertos;
  while ((abiertos = LeerArchivo(archivo),
          std::count(abiertos.begin(), abiertos.end(), '\n') < lineas) &&
         std::chrono::steady_clock::now() < limite)
    usleep(20000);
  return abiertos;
}

}  // namespace

NavegadorFalso::NavegadorFalso(const fs::path& carpeta)
    : registro_(carpeta / "abiertos.txt"), rutaAnterior_(std::getenv("PATH")) {
  const fs::path falso = carpeta / "falso";
  fs::create_directories(falso);
  // $$ is the fake itself, also inside $(...), whose own descriptors
  // differ from its.
  EscribirArchivo(falso / "xdg-open",
                  "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + registro_.string() +
                      "'\n[ \"$(cut -d' ' -f5 /proc/$$/stat)\" = $$ ] && g=propio || g=ajeno\n"
                      "printf 'grupo %s; %s; %s sockets\\n' $g \"$(readlink /proc/$$/fd/0 "
                      "/proc/$$/fd/1 /proc/$$/fd/2 | tr '\\n' ' ')\" \"$(ls -l /proc/$$/fd | "
                      "grep -c socket:)\" >> '" + registro_.string() + ".entorno'\n");
  fs::permissions(falso / "xdg-open", fs::perms::owner_all);
  setenv("PATH", (falso.string() + ":" + rutaAnterior_).c_str(), 1);
}

NavegadorFalso::~NavegadorFalso() { setenv("PATH", rutaAnterior_.c_str(), 1); }

std::string NavegadorFalso::Entorno(int lineas) const {
  fs::path entorno = registro_;
  return EsperarLineas(entorno += ".entorno", lineas);
}

std::string NavegadorFalso::Abiertos(int lineas) const {
  return EsperarLineas(registro_, lineas);
}

int IniciarQuenvaroConTuberia(const fs::path& carpeta, int* escritura) {
  int tubo[2];
  if (pipe(tubo) != 0) return -1;
  pid_t hijo = fork();
  if (hijo == 0) {
    int nulo = open("/dev/null", O_WRONLY);
    if (nulo < 0 || dup2(tubo[0], 0) < 0 || dup2(nulo, 1) < 0 ||
        chdir(carpeta.c_str()) != 0)
      _exit(127);
    close(tubo[0]);
    close(tubo[1]);
    execl(QUENVARO_EXE, QUENVARO_EXE, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(tubo[0]);
  if (hijo < 0) {
    close(tubo[1]);
    return -1;
  }
  *escritura = tubo[1];
  return hijo;
}

Interactiva::Interactiva(const fs::path& carpeta) {
  int entrada[2], salida[2];
  if (pipe(entrada) != 0 || pipe(salida) != 0) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    if (dup2(entrada[0], 0) < 0 || dup2(salida[1], 1) < 0 ||
        chdir(carpeta.c_str()) != 0)
      _exit(127);
    close(entrada[0]);
    close(entrada[1]);
    close(salida[0]);
    close(salida[1]);
    execl(QUENVARO_EXE, QUENVARO_EXE, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(entrada[0]);
  close(salida[1]);
  entrada_ = entrada[1];
  salidaHijo_ = salida[0];
  signal(SIGPIPE, SIG_IGN);
}

Interactiva::~Interactiva() { Terminar(); }

void Interactiva::Matar() { kill(pid_, SIGKILL); }

void Interactiva::Escribir(const std::string& texto) {
  if (write(entrada_, texto.data(), texto.size()) < 0) {
  }
}

bool Interactiva::Leer() {
  pollfd espera{salidaHijo_, POLLIN, 0};
  if (poll(&espera, 1, 100) <= 0) return true;
  char bloque[4096];
  ssize_t leidos = read(salidaHijo_, bloque, sizeof bloque);
  if (leidos < 0) return errno == EINTR;
  salida_.append(bloque, static_cast<std::size_t>(leidos));
  return leidos > 0;
}

int Interactiva::Terminar() {
  if (pid_ < 0) return estado_;
  close(entrada_);
  while (Leer()) {
  }
  close(salidaHijo_);
  int estado = 0;
  waitpid(pid_, &estado, 0);
  pid_ = -1;
  estado_ = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
  return estado_;
}

bool UsarRelojFalso(const fs::path& archivo) {
  const char kFaketime[] = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1";
  for (const char* nombre : {"LD_PRELOAD", "FAKETIME_TIMESTAMP_FILE", "FAKETIME_NO_CACHE"})
    unsetenv(nombre);
  return !archivo.empty() && access(kFaketime, R_OK) == 0 &&
         setenv("FAKETIME_TIMESTAMP_FILE", archivo.c_str(), 1) == 0 &&
         setenv("FAKETIME_NO_CACHE", "1", 1) == 0 &&  // read at every call
         setenv("LD_PRELOAD", kFaketime, 1) == 0;
}
#endif

Pantalla::Pantalla(const fs::path& carpeta,
                   const std::vector<std::string>& argumentos) {
  std::vector<std::string> todos = {"--puerto", "0"};
  todos.insert(todos.end(), argumentos.begin(), argumentos.end());
  Empezar(carpeta, todos);
}

std::string PedirHttp(int puerto, const std::string& peticion, int segundos) {
  namespace asio = boost::asio;
  asio::io_context contexto;
  asio::ip::tcp::socket socket(contexto);
  socket.connect({asio::ip::make_address("127.0.0.1"),
                  static_cast<unsigned short>(puerto)});
  asio::write(socket, asio::buffer(
                         peticion.find('\n') != std::string::npos
                             ? peticion
                             : peticion + " HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                          "Connection: close\r\n\r\n"));
  std::string respuesta;
  // The server closing ends the read; one that never answers fails the
  // test, rather than hang it.
  asio::async_read(socket, asio::dynamic_buffer(respuesta),
                   [](boost::system::error_code, std::size_t) {});
  contexto.run_for(std::chrono::seconds(segundos));
  return respuesta;
}

const std::string& Interactiva::Esperar(const std::string& finalLf) {
  const std::string final = ComoTexto(finalLf);
  const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  auto termina = [&] {
    return salida_.size() >= final.size() &&
           salida_.compare(salida_.size() - final.size(), final.size(), final) == 0;
  };
  while (!termina() && std::chrono::steady_clock::now() < limite && Leer()) {
  }
  return salida_;
}

}  // namespace prueba
