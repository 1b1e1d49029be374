"use strict";
// What the screen shows, from GET /estado polled once a second.

var POLL_MS = 1000;      // from the start of one request to the next
var TIMEOUT_MS = 3000;   // a request that hangs this long counts as no data
var DESTELLO_MS = 6000;  // how long a new turn stays highlighted

function $(id) { return document.getElementById(id); }

/* ---------------------------------------------------------- clock */

function dosCifras(n) { return n < 10 ? "0" + n : String(n); }
function ponerHora() {
  var d = new Date();
  $("reloj").textContent = dosCifras(d.getHours()) + ":" + dosCifras(d.getMinutes());
}

/* ---------------------------------------------------------- texts */

function textoEspera(segundos, enEspera) {
  if (enEspera === 0) return "sin espera";
  if (segundos === null) return "a\u00fan sin estimaci\u00f3n";
  var minutos = Math.round(segundos / 60);
  if (minutos < 1) return "menos de 1 minuto";
  if (minutos === 1) return "1 minuto";
  if (minutos < 60) return minutos + " minutos";
  if (minutos >= 600) return "m\u00e1s de 10 horas";
  var h = Math.floor(minutos / 60), m = minutos % 60;
  return h + " h" + (m ? " " + m + " min" : "");
}

// Shrinks an element's font so that its text fits its width; numbers can
// be as long as a 32-bit value with its sign.
function ajustar(el) {
  el.style.fontSize = "";
  if (el.textContent === "" || el.clientWidth === 0) return;
  var texto = document.createRange();
  texto.selectNodeContents(el);
  var ancho = texto.getBoundingClientRect().width;
  var cabe = el.clientWidth * 0.92;
  if (ancho > cabe) {
    var base = parseFloat(getComputedStyle(el).fontSize);
    el.style.fontSize = (base * cabe / ancho) + "px";
  }
}
function ajustarTodo() {
  var els = document.querySelectorAll("#actual, .casilla, footer .valor, .ajustar");
  for (var i = 0; i < els.length; i++) ajustar(els[i]);
}

function llenarCasillas(id, numeros) {
  var casillas = $(id).children;
  for (var i = 0; i < casillas.length; i++)
    casillas[i].textContent = i < numeros.length ? String(numeros[i]) : "";
}

/* ---------------------------------------------------------- state */

// A count of calls: the last answer's date and count, undefined until
// one; the newest date ever answered and its last count, so that a clock
// set back and put right again does not call that day's calls twice. One
// for the screen of one desk; one per desk for several (mesas.js).
function nuevaCuenta() {
  return { fecha: undefined, cuenta: undefined, fechaMayor: "", cuentaMayor: 0 };
}
var cuentaUna = nuevaCuenta();
var temporizadorDestello = null;

// How many calls `atendidos`, the count of `fecha`, holds that were not in
// the answers before, by the count `c`, which it then updates.
// The count, not the number, tells a new call: the same number can be
// called twice in a day, and two calls can fall between two answers.
// Counts are compared within one date only: a later date's count starts
// from 0 (from its last count, if the clock went back from it), so the
// calls just after midnight, or made while the server was off
// overnight, are said. The first answer, and an earlier date (the
// clock set back), only set the count.
function contarNuevas(c, fecha, atendidos) {
  var desde = atendidos;
  if (fecha === c.fecha) desde = c.cuenta;
  else if (c.fecha !== undefined && fecha > c.fecha)
    desde = fecha === c.fechaMayor ? c.cuentaMayor : 0;
  c.fecha = fecha;
  c.cuenta = atendidos;
  if (fecha >= c.fechaMayor) {
    c.fechaMayor = fecha;
    c.cuentaMayor = atendidos;
  }
  return atendidos - desde;
}

function destacar() {
  var panel = $("panel-actual");
  panel.classList.remove("nuevo");
  void panel.offsetWidth;  // restarts the animation
  panel.classList.add("nuevo");
  clearTimeout(temporizadorDestello);
  temporizadorDestello = setTimeout(function () { panel.classList.remove("nuevo"); }, DESTELLO_MS);
}

function esTurno(v) { return typeof v === "number" && Number.isInteger(v); }
function esLista(v) { return Array.isArray(v) && v.every(esTurno); }
function esFecha(v) { return typeof v === "string" && /^\d{4}-\d\d-\d\d$/.test(v); }
// A desk's numbers, as one desk's answer or an entry of several.
function numerosValidos(e) {
  return e !== null && typeof e === "object" &&
    (e.atendiendo === null || esTurno(e.atendiendo)) &&
    esLista(e.anteriores) && esLista(e.siguientes) &&
    esTurno(e.en_espera) && e.en_espera >= 0 &&
    (e.espera_estimada_s === null || (esTurno(e.espera_estimada_s) && e.espera_estimada_s >= 0)) &&
    esTurno(e.atendidos_hoy) && e.atendidos_hoy >= 0;
}
function valido(e) { return numerosValidos(e) && esFecha(e.fecha); }

function mostrar(e) {
  clearTimeout(plazoSinDatos);
  plazoSinDatos = null;
  document.body.classList.remove("reconectando", "varias");
  $("actual-mesa").textContent = "";
  var actual = e.atendiendo === null ? "\u2014" : String(e.atendiendo);
  $("actual").textContent = actual;
  $("actual").classList.toggle("vacio", e.atendiendo === null);
  $("actual-nota").textContent = e.atendiendo === null ? "Hoy a\u00fan no se ha llamado ning\u00fan turno" : "";
  llenarCasillas("anteriores", e.anteriores.slice(0, 4));
  llenarCasillas("siguientes", e.siguientes.slice(0, 8));
  $("siguientes-nota").textContent = e.en_espera === 0 ? "No hay nadie en espera" : "";
  $("en-espera").textContent = e.en_espera === 1 ? "1 turno" : e.en_espera + " turnos";
  $("espera").textContent = textoEspera(e.espera_estimada_s, e.en_espera);
  document.body.classList.remove("sin-datos");
  ajustarTodo();
  var nuevos = contarNuevas(cuentaUna, e.fecha, e.atendidos_hoy);
  if (nuevos > 0) {
    var dichos = [e.atendiendo].concat(e.anteriores).filter(esTurno).slice(0, nuevos);
    destacar();
    anunciar(dichos.reverse().map(function (turno) { return { turno: turno, mesa: "" }; }),
      nuevos - dichos.length);
  }
  ponerRotulo();  // the large number may have moved on from the caption's
}

// Old numbers must never pass for current ones: they are cleared, and a
// notice says plainly that there is nothing to show.
function sinDatos(titulo, texto) {
  clearTimeout(plazoSinDatos);
  plazoSinDatos = null;
  document.body.classList.remove("reconectando");
  $("actual").textContent = "";
  $("actual-mesa").textContent = "";
  $("actual-nota").textContent = "";
  vaciarMesas();
  llenarCasillas("anteriores", []);
  llenarCasillas("siguientes", []);
  $("siguientes-nota").textContent = "";
  $("en-espera").textContent = "";
  $("espera").textContent = "";
  $("panel-actual").classList.remove("nuevo");
  $("aviso-titulo").textContent = titulo;
  $("aviso-texto").textContent = texto;
  document.body.classList.add("sin-datos");
}

// A poll that failed. One lost answer (Wi-Fi, a restart of the server, a
// file held for a moment) must not blank the room's screen: the numbers
// stay, marked as reconnecting, until the failures have lasted
// GRACIA_MS since the request `desde` (Date.now()) that first failed.
var GRACIA_MS = 5000;
var plazoSinDatos = null, desdeFallo = 0;
function fallo(titulo, texto, desde) {
  if (document.body.classList.contains("sin-datos")) return sinDatos(titulo, texto);
  document.body.classList.add("reconectando");
  if (plazoSinDatos === null) desdeFallo = desde;
  clearTimeout(plazoSinDatos);
  plazoSinDatos = setTimeout(function () { sinDatos(titulo, texto); },
    Math.max(0, desdeFallo + GRACIA_MS - Date.now()));
}

/* ---------------------------------------------------------- polling */

// One request at a time, started about once a second whatever each one
// takes, so a change shows at most about a second after it happens.
function consultar() {
  var inicio = Date.now();
  var control = window.AbortController ? new AbortController() : null;
  var limite = setTimeout(function () { if (control) control.abort(); }, TIMEOUT_MS);
  fetch("/estado", { cache: "no-store", signal: control ? control.signal : undefined })
    .then(function (r) {
      if (r.status === 503)
        return fallo("Sin datos", "El servidor no puede leer los archivos de turnos en este momento. Reintentando\u2026", inicio);
      if (!r.ok) throw new Error("HTTP " + r.status);
      return r.json().then(function (e) {
        if (e !== null && typeof e === "object" && "mesas" in e) {
          if (!validoVarias(e)) throw new Error("respuesta no valida");
          mostrarVarias(e);
          return;
        }
        if (!valido(e)) throw new Error("respuesta no valida");
        mostrar(e);
      });
    })
    .catch(function () {
      fallo("Sin conexi\u00f3n", "No hay datos del servidor de turnos. Reintentando\u2026", inicio);
    })
    .then(function () {
      clearTimeout(limite);
      setTimeout(consultar, Math.max(0, inicio + POLL_MS - Date.now()));
    });
}

ponerHora();
setInterval(ponerHora, 1000);
window.addEventListener("resize", ajustarTodo);
consultar();
