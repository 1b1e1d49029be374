#include "report/mesas.h"

#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/texto.h"

namespace {

namespace fs = std::filesystem;

const char kBitacora[] = "bitacora.txt";

// Adds the counts of `fila` to *suma.
void FunSumarCuentas(const DiaInforme& fila, DiaInforme* suma) {
  suma->sesiones += fila.sesiones;
  suma->atendidos += fila.atendidos;
  suma->sinRegistro += fila.sinRegistro;
  suma->pendientes += fila.pendientes;
  suma->cierres += fila.cierres;
  suma->esperas += fila.esperas;
}

// The row of `fecha` in `filas`, kept in date order; a new one if none.
DiaInforme* FunFilaDe(std::vector<DiaInforme>* filas, int fecha) {
  auto it = filas->begin();
  // Desks mostly share their days: the row is usually at the end.
  if (!filas->empty() && filas->back().fecha < fecha) {
    it = filas->end();
  } else {
    while (it != filas->end() && it->fecha < fecha) ++it;
    if (it != filas->end() && it->fecha == fecha) return &*it;
  }
  DiaInforme nueva{};
  nueva.fecha = fecha;
  return &*filas->insert(it, nueva);
}

}  // namespace

bool FunLeerMesa(const char* argumento, MesaPedida* mesa) {
  std::string ruta = argumento;
  std::string nombre;
  std::error_code error;
  const char* igual = std::strchr(argumento, '=');
  if (igual != nullptr && !fs::exists(fs::u8path(ruta), error)) {
    nombre.assign(argumento, igual);
    ruta = igual + 1;
    if (nombre.empty()) return false;
  }
  fs::path camino = fs::u8path(ruta);
  if (fs::is_directory(camino, error)) {
    camino /= kBitacora;
    ruta = camino.u8string();
  }
  if (nombre.empty()) {
    if (FunIgualesSinCaso(camino.filename().u8string(), kBitacora))
      nombre = fs::absolute(camino, error).parent_path().filename().u8string();
    if (nombre.empty()) {
      nombre = camino.filename().u8string();
      const std::size_t largo = nombre.size();
      if (largo > 4 && FunIgualesSinCaso(nombre.substr(largo - 4), ".txt"))
        nombre.resize(largo - 4);
    }
  }
  mesa->ruta = ruta;
  mesa->nombre = nombre;
  return !nombre.empty();
}

bool FunMismoNombre(const std::string& a, const std::string& b) {
  return FunIgualesSinCaso(a, b);
}

void FunSumarMesa(Informe* mesa, std::map<int, Distribucion>* esperasPorDia,
                  Informe* todas, std::map<int, Distribucion>* esperasTodas) {
  for (const DiaInforme& dia : mesa->dias) {
    DiaInforme* fila = FunFilaDe(&todas->dias, dia.fecha);
    FunSumarCuentas(dia, fila);
    fila->dias = 1;
  }
  for (const DiaInforme& mes : mesa->meses)
    FunSumarCuentas(mes, FunFilaDe(&todas->meses, mes.fecha));
  for (int i = 0; i < 7; ++i)
    FunSumarCuentas(mesa->semana[i], &todas->semana[i]);
  FunSumarCuentas(mesa->total, &todas->total);
  mesa->esperasTotal = Distribucion{};
  for (auto& par : *esperasPorDia)
    FunUnirDistribucion(&(*esperasTodas)[par.first], &par.second);
  esperasPorDia->clear();
  for (int hora = 0; hora < 24; ++hora)
    todas->registrosPorHora[hora] += mesa->registrosPorHora[hora];
  todas->lineasNoReconocidas += mesa->lineasNoReconocidas;
  todas->ultimaLineaIncompleta |= mesa->ultimaLineaIncompleta;
}

void FunCompletarTodas(std::map<int, Distribucion>* esperasTodas,
                       Informe* todas) {
  // Each day's waits, then the months', weekdays' and total's, each put
  // together in one pass over the days'.
  Distribucion ninguna;
  std::map<int, std::vector<Distribucion*>> porMes;
  std::vector<Distribucion*> porSemana[7];
  for (DiaInforme& dia : todas->dias) {
    const auto it = esperasTodas->find(dia.fecha);
    Distribucion* esperas = it != esperasTodas->end() ? &it->second : &ninguna;
    FunPercentilesDe(esperas, &dia);
    porMes[dia.fecha / 100 * 100].push_back(esperas);
    porSemana[FunDiaDeLaSemana(dia.fecha)].push_back(esperas);
  }
  std::vector<Distribucion*> meses;
  for (auto& par : porMes) {
    FunUnirVarias(&todas->esperasMes[par.first], par.second);
    meses.push_back(&todas->esperasMes[par.first]);
  }
  for (int i = 0; i < 7; ++i) FunUnirVarias(&todas->esperasSemana[i], porSemana[i]);
  FunUnirVarias(&todas->esperasTotal, meses);
  esperasTodas->clear();
  // A month or a weekday spans as many days as any desk has in it.
  todas->total.dias = static_cast<long long>(todas->dias.size());
  for (DiaInforme& mes : todas->meses) {
    mes.dias = 0;
    for (const DiaInforme& dia : todas->dias)
      if (dia.fecha / 100 * 100 == mes.fecha) ++mes.dias;
    FunPercentilesDe(&todas->esperasMes[mes.fecha], &mes);
  }
  for (int i = 0; i < 7; ++i) {
    todas->semana[i].dias = 0;
    for (const DiaInforme& dia : todas->dias)
      if (FunDiaDeLaSemana(dia.fecha) == i) ++todas->semana[i].dias;
    FunPercentilesDe(&todas->esperasSemana[i], &todas->semana[i]);
  }
  FunPercentilesDe(&todas->esperasTotal, &todas->total);
}

/* ------------------------------------------------------------- pooling */

struct Sumadora {
  Informe* todas;
  std::map<int, Distribucion>* esperasTodas;
  std::mutex guarda;
  std::condition_variable aviso;
  // The desk handed over and not yet pooled, or nullptr. Only the pooling
  // thread clears it, and only the caller sets it.
  Informe* mesa = nullptr;
  std::map<int, Distribucion>* esperasPorDia = nullptr;
  bool terminar = false;
  std::thread hilo;
};

namespace {

void FunSumarEntregadas(Sumadora* sumadora) {
  std::unique_lock<std::mutex> cerrojo(sumadora->guarda);
  for (;;) {
    sumadora->aviso.wait(cerrojo, [sumadora] {
      return sumadora->mesa != nullptr || sumadora->terminar;
    });
    if (sumadora->mesa == nullptr) return;
    cerrojo.unlock();
    FunSumarMesa(sumadora->mesa, sumadora->esperasPorDia, sumadora->todas,
                 sumadora->esperasTodas);
    cerrojo.lock();
    sumadora->mesa = nullptr;
    sumadora->aviso.notify_all();
  }
}

}  // namespace

Sumadora* FunIniciarSumadora(Informe* todas,
                             std::map<int, Distribucion>* esperasTodas) {
  Sumadora* sumadora = new Sumadora;
  sumadora->todas = todas;
  sumadora->esperasTodas = esperasTodas;
  sumadora->hilo = std::thread(FunSumarEntregadas, sumadora);
  return sumadora;
}

void FunEntregarMesa(Sumadora* sumadora, Informe* mesa,
                     std::map<int, Distribucion>* esperasPorDia) {
  std::unique_lock<std::mutex> cerrojo(sumadora->guarda);
  sumadora->aviso.wait(cerrojo, [sumadora] { return sumadora->mesa == nullptr; });
  sumadora->mesa = mesa;
  sumadora->esperasPorDia = esperasPorDia;
  sumadora->aviso.notify_all();
}

void FunTerminarSumadora(Sumadora* sumadora) {
  {
    std::unique_lock<std::mutex> cerrojo(sumadora->guarda);
    sumadora->aviso.wait(cerrojo,
                         [sumadora] { return sumadora->mesa == nullptr; });
    sumadora->terminar = true;
    sumadora->aviso.notify_all();
  }
  sumadora->hilo.join();
  delete sumadora;
}
