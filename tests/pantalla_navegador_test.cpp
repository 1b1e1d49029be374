// The waiting room's page in a real browser: headless Chromium loads it from
// the built quenvaro-pantalla, and once its script has run it shows the turn
// being attended and the next ones; a dispatch by the console shows within
// 2 seconds and is called aloud, each call in its turn; a restart of the
// server shows as "no data", then the numbers again; and turn numbers are
// said in the right Spanish words. Chromium is driven through its DevTools
// pipe (descriptors 3 and 4), so the test needs no port of its own and no
// package but chromium.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <memory>
#include <string>
#include <thread>

#include "proceso.h"

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace prueba {
namespace {

#ifndef _WIN32

using Reloj = std::chrono::steady_clock;

// Debian's chromium, the browser the test drives.
const char kChromium[] = "/usr/bin/chromium";

// Appends to `*leido` what `fd` has within `ms`; false on timeout or end.
bool LeerAlgo(int fd, std::string* leido, int ms) {
  pollfd p{fd, POLLIN, 0};
  if (poll(&p, 1, ms) <= 0) return false;
  char buffer[65536];
  ssize_t n = read(fd, buffer, sizeof buffer);
  if (n <= 0) return false;
  leido->append(buffer, static_cast<std::size_t>(n));
  return true;
}

/* ------------------------------------------------------------- Chromium */

// Headless Chromium with its DevTools messages on a pair of pipes, each
// message a JSON text ended by a NUL byte.
class Navegador {
 public:
  explicit Navegador(const fs::path& perfil) {
    const std::string datos = "--user-data-dir=" + perfil.string();
    int haciaEl[2], desdeEl[2];
    if (pipe2(haciaEl, O_CLOEXEC) != 0 || pipe2(desdeEl, O_CLOEXEC) != 0)
      return;
    // Without the networking switches its own background connections are
    // refused by a closed network; the sandbox needs a non-root user.
    const char* argv[] = {kChromium,
                          "--headless",
                          "--no-sandbox",
                          "--disable-gpu",
                          "--disable-quic",
                          "--no-first-run",
                          "--disable-background-networking",
                          "--disable-component-update",
                          "--disable-sync",
                          datos.c_str(),
                          "--window-size=1280,720",
                          // The page's own voice plays as in a kiosk.
                          "--autoplay-policy=no-user-gesture-required",
                          "--remote-debugging-pipe",
                          "about:blank",
                          nullptr};
    int nulo = open("/dev/null", O_RDWR | O_CLOEXEC);
    pid_ = fork();
    if (pid_ == 0) {
      // A group of its own, so that its helpers end with it.
      setpgid(0, 0);
      int fds[] = {nulo, nulo, nulo, haciaEl[0], desdeEl[1]};
      // Out of the way of the numbers they go to, then into place.
      for (int& fd : fds) fd = fcntl(fd, F_DUPFD, 10);
      for (int i = 0; i < 5; ++i) dup2(fds[i], i);
      execv(kChromium, const_cast<char* const*>(argv));
      _exit(127);
    }
    if (pid_ > 0) setpgid(pid_, pid_);
    close(nulo);
    close(haciaEl[0]);
    close(desdeEl[1]);
    escritura_ = haciaEl[1];
    lectura_ = desdeEl[0];
  }
  // Ends it on failure too: SIGTERM first, so that Chromium ends and reaps
  // its helpers, then anything left of the group.
  ~Navegador() {
    if (escritura_ >= 0) close(escritura_);
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      for (int i = 0; i < 100 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      kill(-pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (lectura_ >= 0) close(lectura_);
  }

  // Sends one command and returns its answer ("" after `ms` without one).
  // `params` is JSON already; `sesion` names the page, when it is for one.
  std::string Mandar(const std::string& metodo, const std::string& params,
                     const std::string& sesion = "", int ms = 30000) {
    const std::string id = std::to_string(++ultimoId_);
    std::string mensaje =
        "{\"id\":" + id + ",\"method\":\"" + metodo + "\",\"params\":" + params;
    if (!sesion.empty()) mensaje += ",\"sessionId\":\"" + sesion + "\"";
    mensaje += "}";
    mensaje.push_back('\0');
    if (write(escritura_, mensaje.data(), mensaje.size()) !=
        static_cast<ssize_t>(mensaje.size()))
      return "";
    const auto limite = Reloj::now() + std::chrono::milliseconds(ms);
    for (;;) {
      std::size_t fin;
      while ((fin = pendiente_.find('\0')) != std::string::npos) {
        std::string respuesta = pendiente_.substr(0, fin);
        pendiente_.erase(0, fin + 1);
        // Events carry no id; answers begin with theirs.
        if (respuesta.rfind("{\"id\":" + id + ",", 0) == 0) return respuesta;
      }
      const auto resta = std::chrono::duration_cast<std::chrono::milliseconds>(
          limite - Reloj::now());
      if (resta.count() <= 0 ||
          !LeerAlgo(lectura_, &pendiente_, static_cast<int>(resta.count())))
        return "";
    }
  }

  // Opens `url` in a new page and attaches to it; false if that failed.
  bool Abrir(const std::string& url) {
    std::string id = Texto(
        Mandar("Target.createTarget", "{\"url\":\"" + url + "\"}"), "targetId");
    sesion_ = Texto(Mandar("Target.attachToTarget",
                           "{\"targetId\":\"" + id + "\",\"flatten\":true}"),
                    "sessionId");
    return !sesion_.empty();
  }

  // The string an expression gives in the page. Our expressions hold no
  // double quote or backslash, and give only digits, letters, spaces, bars
  // and commas, so neither needs escaping.
  std::string Evaluar(const std::string& expresion) {
    return Texto(
        Mandar("Runtime.evaluate",
               "{\"expression\":\"" + expresion + "\",\"returnByValue\":true}",
               sesion_, 5000),
        "value");
  }

 private:
  // The string value of the first `"clave":"..."` in a message.
  static std::string Texto(const std::string& mensaje,
                           const std::string& clave) {
    const std::string marca = "\"" + clave + "\":\"";
    std::size_t inicio = mensaje.find(marca);
    if (inicio == std::string::npos) return "";
    inicio += marca.size();
    return mensaje.substr(inicio, mensaje.find('"', inicio) - inicio);
  }

  pid_t pid_ = -1;
  int escritura_ = -1, lectura_ = -1;
  std::string pendiente_, sesion_;
  int ultimoId_ = 0;
};

// What the page shows, as "<attending>|<next turns>", with " reconectando"
// while a poll has failed, or "sin datos" while it says it has none.
const char kLoQueMuestra[] =
    "(function () {"
    "  var clases = document.body.classList;"
    "  if (clases.contains('sin-datos')) return 'sin datos';"
    "  var t = function (s) { return [].map.call(document.querySelectorAll(s),"
    "    function (e) { return e.innerText; }).filter(String).join(' '); };"
    "  return t('#actual') + '|' + t('#siguientes .casilla') +"
    "    (clases.contains('reconectando') ? ' reconectando' : '');"
    "})()";

// Every 50 ms of a highlight, the large number's contrast (as WCAG has it)
// with the first ground behind it that is not transparent: the lowest, and
// how many samples.
const char kMuestraContraste[] =
    "window.contraste = {min: 99, n: 0}; setInterval(function () {"
    "  var e = document.getElementById('actual'), c = getComputedStyle(e).color, f;"
    "  if (!e.parentElement.classList.contains('nuevo')) return;"
    "  for (; e; e = e.parentElement) if (!/^rgba.*, 0[)]$/.test("
    "    f = getComputedStyle(e).backgroundColor)) break;"
    "  var l = [c, f].map(function (s) { var v = s.match(/[0-9.]+/g).map(function (x) {"
    "    x /= 255; return x <= 0.03928 ? x / 12.92 : Math.pow((x + 0.055) / 1.055, 2.4); });"
    "    return 0.2126 * v[0] + 0.7152 * v[1] + 0.0722 * v[2] + 0.05; });"
    "  window.contraste.min = Math.min(window.contraste.min, Math.max(l[0], l[1]) /"
    "    Math.min(l[0], l[1])); window.contraste.n++;"
    "}, 50), 'ok'";

// Notes in window.anuncios every caption of a call said aloud, the empty
// ones between calls too.
const char kAnotarAnuncios[] =
    "window.anuncios = [];"
    "new MutationObserver(function () {"
    "  window.anuncios.push(document.getElementById('anuncio').textContent);"
    "}).observe(document.getElementById('anuncio'),"
    "  {childList: true, characterData: true, subtree: true});";

// Polls the page until `expresion` gives `esperado` or `ms` pass; returns
// what it gave last.
std::string EsperarPagina(Navegador* navegador, const std::string& esperado,
                          int ms,
                          const std::string& expresion = kLoQueMuestra) {
  const auto limite = Reloj::now() + std::chrono::milliseconds(ms);
  std::string visto;
  do {
    visto = navegador->Evaluar(expresion);
    if (visto == esperado) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  } while (Reloj::now() < limite);
  return visto;
}

#endif  // !_WIN32

TEST(PantallaEnNavegador,
     ShowsTheQueueAndADispatchWithinTwoSecondsAndSurvivesARestart) {
#ifdef _WIN32
  GTEST_SKIP() << "chromium is not available to the Windows build; the browser "
                  "test runs on the Linux build";
#else
  if (access(kChromium, X_OK) != 0)
    GTEST_SKIP() << kChromium
                 << " is not installed (apt-get install chromium), so the "
                    "page is not tried in a real browser";
  signal(SIGPIPE, SIG_IGN);  // a browser that died fails the test, not the run

  CarpetaTemporal carpeta, perfil;
  // Four registrations and one dispatch: turn 1 attended, 2 to 4 waiting.
  ASSERT_EQ(EjecutarQuenvaro(carpeta.ruta(),
                             "1\nAna\n1\nBeto\n1\nCarmen\n1\nDiego\n2\n")
                .estado,
            0);
  auto servidor = std::make_unique<Pantalla>(carpeta.ruta());
  const int puerto = servidor->puerto();
  Navegador navegador(perfil.ruta());
  ASSERT_TRUE(
      navegador.Abrir("http://127.0.0.1:" + std::to_string(puerto) + "/"))
      << "chromium did not open the page";
  EXPECT_EQ(EsperarPagina(&navegador, "1|2 3 4", 30000), "1|2 3 4");

  // The console dispatches turn 2: it must be on the screen within 2 s of
  // the command. The page notes when its number changes, so the test's own
  // polling is not part of the delay.
  // It also notes every caption of a call said aloud, the empty ones
  // between calls too: whole in `rotulos`, and in `anuncios` without the
  // digits a caption may gain while it shows; and it counts the times a
  // call is highlighted.
  ASSERT_EQ(
      navegador.Evaluar(
          "new MutationObserver(function () {"
          "  var a = document.getElementById('actual').textContent;"
          "  if (a === '2' && !window.cambio) window.cambio = Date.now();"
          "}).observe(document.getElementById('actual'),"
          "  {childList: true, characterData: true, subtree: true});"
          "window.anuncios = []; window.rotulos = [];"
          "new MutationObserver(function () {"
          "  var a = document.getElementById('anuncio').textContent;"
          "  window.rotulos.push(a);"
          "  a = a.split(' ' + String.fromCharCode(183) + ' ')[0];"
          "  if (window.anuncios[window.anuncios.length - 1] !== a)"
          "    window.anuncios.push(a);"
          "}).observe(document.getElementById('anuncio'),"
          "  {childList: true, characterData: true, subtree: true});"
          "window.destellos = 0;"
          "new MutationObserver(function () {"
          "  window.destellos += document.getElementById('panel-actual')"
          "    .classList.contains('nuevo');"
          "}).observe(document.getElementById('panel-actual'), {attributes: true}), 'ok'"),
      "ok");
  // ... and the large number's contrast through every highlight.
  ASSERT_EQ(navegador.Evaluar(kMuestraContraste), "ok");
  const auto despacho = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::system_clock::now().time_since_epoch());
  ASSERT_EQ(EjecutarQuenvaro(carpeta.ruta(), "2\n").estado, 0);
  EXPECT_EQ(EsperarPagina(&navegador, "2|3 4", 5000), "2|3 4");
  EXPECT_LE(std::stoll(navegador.Evaluar(
                "String(window.cambio ? window.cambio - " +
                std::to_string(despacho.count()) + " : 99999)")),
            2000);
  // ... highlighted as new.
  EXPECT_EQ(navegador.Evaluar("String(document.getElementById('panel-actual')"
                              ".classList.contains('nuevo'))"),
            "true");

  // Two more calls between two polls: each is said in its turn, in order,
  // after the first; with no voice in the browser, in the program's own.
  ASSERT_EQ(EjecutarQuenvaro(carpeta.ruta(), "2\n2\n").estado, 0);
  EXPECT_EQ(EsperarPagina(&navegador, "Turno dos,,Turno tres,,Turno cuatro,",
                          20000, "window.anuncios.join()"),
            "Turno dos,,Turno tres,,Turno cuatro,");
  EXPECT_EQ(navegador.Evaluar("document.getElementById('anuncio').dataset.voz"),
            "propia");

  // Two calls 1 s apart: while the caption still says the first, with the
  // second in large, it shows the first one's digits too.
  ASSERT_EQ(EjecutarQuenvaro(carpeta.ruta(), "1\nEva\n1\nFede\n2\n").estado, 0);
  EXPECT_EQ(EsperarPagina(&navegador, "1|2", 5000), "1|2");
  std::this_thread::sleep_for(std::chrono::seconds(1));
  ASSERT_EQ(EjecutarQuenvaro(carpeta.ruta(), "2\n").estado, 0);
  const std::string llamados =
      "Turno dos,,Turno tres,,Turno cuatro,,Turno uno,,Turno dos,";
  EXPECT_EQ(EsperarPagina(&navegador, llamados, 20000, "window.anuncios.join()"),
            llamados);
  // ... and the second, in large as it is said, does not.
  EXPECT_EQ(navegador.Evaluar(
                "(function (r) { return r.indexOf('Turno uno ' + String.fromCharCode(183)"
                "  + ' 1') >= 0 && r[r.length - 2] === 'Turno dos' ? 'ok' : r.join('|');"
                "})(window.rotulos)"),
            "ok");
  EXPECT_GE(std::stod(navegador.Evaluar("String(window.contraste.min)")), 4.5);
  EXPECT_GE(std::stoi(navegador.Evaluar("String(window.contraste.n)")), 100);

  // The server goes away: the page keeps the numbers a few seconds, saying
  // it is reconnecting, then stops showing them. It comes back on the same
  // port: the page shows them again by itself.
  servidor.reset();
  EXPECT_EQ(EsperarPagina(&navegador, "2| reconectando", 3000),
            "2| reconectando");
  EXPECT_EQ(EsperarPagina(&navegador, "sin datos", 10000), "sin datos");
  servidor = std::make_unique<Pantalla>(carpeta.ruta(), puerto);
  EXPECT_EQ(EsperarPagina(&navegador, "2|", 10000), "2|");

  // Tomorrow, a call made while it was off: a count of 1 after yesterday's
  // 6, which the page compares with the new date's 0 only, and says.
  servidor.reset();
  EscribirArchivo(carpeta / "reloj", "+1d");
  if (!UsarRelojFalso(carpeta / "reloj")) GTEST_SKIP() << "apt-get install faketime";
  ASSERT_EQ(EjecutarQuenvaro(carpeta.ruta(), "1\nEva\n2\n").estado, 0);
  servidor = std::make_unique<Pantalla>(carpeta.ruta(), puerto);
  UsarRelojFalso({});
  const std::string dichos = llamados + ",Turno uno,";
  EXPECT_EQ(EsperarPagina(&navegador, dichos.substr(0, dichos.size() - 1), 20000,
                          "window.anuncios.join()"),
            dichos.substr(0, dichos.size() - 1));
  // The clock set back to today and put right while it is said: neither
  // day's calls are highlighted or said again.
  const std::string destellos = navegador.Evaluar("String(window.destellos)");
  for (const char* dia : {"+0", "+1d"}) {
    EscribirArchivo(carpeta / "reloj", dia);
    EXPECT_EQ(EsperarPagina(&navegador, dia[1] == '0' ? "2|" : "1|", 5000),
              dia[1] == '0' ? "2|" : "1|");
  }
  EXPECT_EQ(navegador.Evaluar("String(window.destellos)"), destellos);
  EXPECT_EQ(EsperarPagina(&navegador, dichos, 20000, "window.anuncios.join()"), dichos);
#endif
}

// Two desks on one screen: each panel shows its desk's name and numbers;
// a call at desk 2, then one at desk 1, both between two polls, are said
// in the order they were made, each with its desk, the program's own voice
// saying the desk's words too; a reload says nothing.
TEST(PantallaEnNavegador, DosMesasDicenCadaLlamadoConSuMesaEnOrden) {
#ifdef _WIN32
  GTEST_SKIP() << "chromium is not available to the Windows build";
#else
  if (access(kChromium, X_OK) != 0) GTEST_SKIP() << kChromium << " is missing";
  signal(SIGPIPE, SIG_IGN);
  CarpetaTemporal base, perfil;
  char hoy[16];
  const std::time_t ahora = std::time(nullptr);
  std::strftime(hoy, sizeof hoy, "%Y-%m-%d", std::localtime(&ahora));
  auto llamada = [&hoy](const char* hora, const char* turno) {
    return "FREE_TURNO   -> [" + std::string(hoy) + " " + hora +
           "] DESPACHADO: Turno #" + turno + " | STATUS: Atendido\n";
  };
  const fs::path uno = base / "v2", dos = base / "caja";
  fs::create_directory(uno);
  fs::create_directory(dos);
  EscribirArchivo(uno / "bitacora.txt", llamada("10:00:00", "11"));
  EscribirArchivo(uno / "cola_respaldo.txt", "13|x\n");
  // No call yet at the Caja: its panel shows a dash.
  EscribirArchivo(dos / "cola_respaldo.txt", "5|x\n6|x\n");
  Pantalla servidor(base.ruta(), {"Ventanilla 2=" + uno.string(), "Caja=" + dos.string()});
  Navegador navegador(perfil.ruta());
  ASSERT_TRUE(navegador.Abrir("http://127.0.0.1:" +
                              std::to_string(servidor.puerto()) + "/?voz=propia"));
  const std::string paneles =
      "[].map.call(document.querySelectorAll('.mesa'), function (p) {"
      "  return [p.querySelector('.mesa-nombre'), p.querySelector('.mesa-numero')]"
      "    .concat([].slice.call(p.querySelectorAll('.casilla')))"
      "    .map(function (e) { return e.textContent; }).join(' ').replace(/[^ -~]/g, '-');"
      "}).join(',')";
  EXPECT_EQ(EsperarPagina(&navegador, "Ventanilla 2 11 13,Caja - 5 6", 30000, paneles),
            "Ventanilla 2 11 13,Caja - 5 6");

  // Its captions noted; its polls held while both calls are logged and
  // read, so that one answer brings both.
  ASSERT_EQ(navegador.Evaluar(
                std::string(kAnotarAnuncios) +
                "var real = window.fetch;"
                "window.retener = new Promise(function (s) { window.soltar = s; });"
                "window.fetch = function (u, o) {"
                "  var r = window.retener;"
                "  return r ? r.then(function () { return real(u, o); }) : real(u, o);"
                "}, 'ok'"),
            "ok");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EscribirArchivo(dos / "bitacora.txt", llamada("10:00:05", "5"));
  EscribirArchivo(uno / "bitacora.txt", llamada("10:00:00", "11") + llamada("10:00:07", "12"));
  std::this_thread::sleep_for(std::chrono::milliseconds(1600));
  navegador.Evaluar("window.retener = null, window.soltar(), 'ok'");
  // Caja's call is said while Ventanilla 2's newer one is in large, so its
  // caption carries its digits too.
  const std::string dichos =
      "Turno cinco \\u00b7 5, Caja,,Turno doce, Ventanilla 2,";
  EXPECT_EQ(EsperarPagina(&navegador, dichos, 20000, "window.anuncios.join()"), dichos);
  EXPECT_EQ(navegador.Evaluar(
                "performance.getEntriesByType('resource').map(function (r) {"
                "  return r.name.split('/voz/')[1]; }).filter(Boolean).sort().join(' ')"),
            "caja.wav cinco.wav doce.wav dos.wav turno.wav ventanilla.wav");
  EXPECT_EQ(navegador.Evaluar("document.getElementById('anuncio').dataset.voz"), "propia");

  // Shown again after a reload, nothing is said.
  navegador.Evaluar("location.reload(), 'ok'");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_EQ(EsperarPagina(&navegador, "Ventanilla 2 12 13,Caja 5 5 6", 30000, paneles),
            "Ventanilla 2 12 13,Caja 5 5 6");
  EXPECT_EQ(navegador.Evaluar("String(anunciando) + ' ' + porAnunciar.length"), "false 0");
#endif
}

// Turn numbers in the Spanish words the page says them with; more calls
// between two polls than it shows: the first said tells how many were not.
TEST(PantallaEnNavegador, DiceLosNumerosEnPalabrasYCuantosNoDijo) {
#ifdef _WIN32
  GTEST_SKIP() << "chromium is not available to the Windows build";
#else
  if (access(kChromium, X_OK) != 0) GTEST_SKIP() << kChromium << " is missing";
  signal(SIGPIPE, SIG_IGN);
  CarpetaTemporal carpeta, perfil;
  std::string registros;
  for (int i = 0; i < 7; ++i) registros += "1\nAna\n";
  ASSERT_EQ(EjecutarQuenvaro(carpeta.ruta(), registros).estado, 0);
  Pantalla servidor(carpeta.ruta());
  Navegador navegador(perfil.ruta());
  ASSERT_TRUE(navegador.Abrir("http://127.0.0.1:" +
                              std::to_string(servidor.puerto()) + "/"));
  const std::string esperando = "document.getElementById('en-espera').textContent";
  ASSERT_EQ(EsperarPagina(&navegador, "7 turnos", 30000, esperando), "7 turnos");
  ASSERT_EQ(navegador.Evaluar(std::string(kAnotarAnuncios) + "'ok'"), "ok");
  ASSERT_EQ(EjecutarQuenvaro(carpeta.ruta(), "2\n2\n2\n2\n2\n2\n2\n").estado, 0);
  // Each is said while the last call is in large, so with its digits too.
  const std::string dichos =
      "Turno tres \\u00b7 3\\n(2 llamados antes sin anunciar)||Turno cuatro \\u00b7 4";
  EXPECT_EQ(EsperarPagina(&navegador, dichos, 20000, "window.anuncios.join('|')"), dichos);
  const std::pair<long long, const char*> casos[] = {
      {16, "dieciséis"}, {21, "veintiuno"}, {22, "veintidós"},
      {31, "treinta y uno"}, {100, "cien"}, {101, "ciento uno"}, {1000, "mil"},
      {1001, "mil uno"}, {21000, "veintiún mil"}, {31000, "treinta y un mil"},
      {101000, "ciento un mil"}, {1000000, "un millón"},
      {2000000, "dos millones"}, {21000000, "veintiún millones"},
      {1000000000, "mil millones"},
      {2147483647, "dos mil ciento cuarenta y siete millones cuatrocientos "
                   "ochenta y tres mil seiscientos cuarenta y siete"},
      {0, "cero"}, {-7, "menos siete"}, {15, "quince"}, {29, "veintinueve"},
      {71, "setenta y uno"}, {115, "ciento quince"}, {500, "quinientos"},
      {1021021, "un millón veintiún mil veintiuno"},
      {1000001000, "mil millones mil"},
      {-2147483648LL, "menos dos mil ciento cuarenta y siete millones "
                      "cuatrocientos ochenta y tres mil seiscientos cuarenta "
                      "y ocho"}};

  // Compared in the page: its answers come back with every accent escaped.
  for (const auto& caso : casos) {
    const std::string palabras =
        "palabrasDeNumero(" + std::to_string(caso.first) + ").join(' ')";
    EXPECT_EQ(navegador.Evaluar(palabras + " === '" + caso.second +
                                "' ? 'ok' : " + palabras),
              "ok")
        << caso.first << " should be " << caso.second;
  }
#endif
}

}  // namespace
}  // namespace prueba
