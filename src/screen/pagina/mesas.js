"use strict";
// Several desks on one screen ({"mesas": [...]}): a panel per desk, the
// newest call of all of them with its desk, the calls before it with
// theirs, and each new call said with its desk, in the order the calls
// were made across the desks.

var paneles = [];        // one per desk, in the answer's order
var nombresPaneles = "";  // the names they were made for
var cuentasMesas = {};    // a count of calls per desk (nuevaCuenta), by name

/* ---------------------------------------------------------- answer */

function esTexto(v) { return typeof v === "string" && v.length > 0; }
// A desk's entry: its name, and its error or its numbers with the second
// of the day of each call shown.
function mesaValida(m) {
  if (m === null || typeof m !== "object" || !esTexto(m.nombre)) return false;
  if ("error" in m) return esTexto(m.error);
  return numerosValidos(m) && esLista(m.llamados_s) &&
    m.llamados_s.length === (m.atendiendo === null ? 0 : 1 + m.anteriores.length);
}
function validoVarias(e) {
  return Array.isArray(e.mesas) && e.mesas.length > 0 && e.mesas.every(mesaValida) &&
    esFecha(e.fecha);
}

/* ---------------------------------------------------------- panels */

function elemento(etiqueta, clase, texto) {
  var el = document.createElement(etiqueta);
  el.className = clase;
  if (texto) el.textContent = texto;
  return el;
}

// A <div> of class `clase` holding the elements that follow.
function caja(clase) {
  var el = elemento("div", clase);
  for (var i = 1; i < arguments.length; i++) el.appendChild(arguments[i]);
  return el;
}

// Makes the panels anew when the desks are not those they were made for
// (the first answer, a server restarted with other folders).
function prepararPaneles(mesas) {
  var nombres = JSON.stringify(mesas.map(function (m) { return m.nombre; }));
  if (nombres === nombresPaneles) return;
  nombresPaneles = nombres;
  var contenedor = $("mesas");
  contenedor.textContent = "";
  // Up to four in one row; five to eight in two.
  var columnas = mesas.length <= 4 ? mesas.length : Math.ceil(mesas.length / 2);
  contenedor.style.gridTemplateColumns = "repeat(" + columnas + ", minmax(0, 1fr))";
  document.body.classList.toggle("dos-filas", mesas.length > 4);
  paneles = mesas.map(function (m) {
    var panel = elemento("section", "mesa");
    panel.appendChild(elemento("h2", "mesa-nombre ajustar", m.nombre));
    panel.appendChild(caja("mesa-cuerpo",
        caja("mesa-actual", elemento("span", "etiqueta", "Atendiendo"),
             elemento("span", "mesa-numero ajustar")),
        caja("mesa-proximos", elemento("span", "etiqueta", "Pr\u00f3ximos"),
             elemento("div", "mesa-siguientes"))));
    panel.appendChild(elemento("p", "mesa-pie ajustar"));
    panel.appendChild(caja("mesa-aviso",
        elemento("div", "mesa-aviso-titulo", "Sin datos de esta mesa"),
        elemento("div", "mesa-aviso-texto")));
    contenedor.appendChild(panel);
    return panel;
  });
}

function en(panel, clase) { return panel.getElementsByClassName(clase)[0]; }

function llenarMesa(panel, m) {
  panel.classList.remove("sin-datos");
  var numero = en(panel, "mesa-numero");
  numero.textContent = m.atendiendo === null ? "\u2014" : String(m.atendiendo);
  numero.classList.toggle("vacio", m.atendiendo === null);
  var siguientes = en(panel, "mesa-siguientes");
  siguientes.textContent = "";
  m.siguientes.slice(0, 8).forEach(function (turno) {
    siguientes.appendChild(elemento("span", "casilla", String(turno)));
  });
  en(panel, "mesa-pie").textContent = m.en_espera === 0 ? "Nadie en espera" :
    m.en_espera + " en espera \u00b7 " + textoEspera(m.espera_estimada_s, m.en_espera);
}

// A desk without data shows its notice: the server's words for it.
function avisarMesa(panel, texto) {
  panel.classList.add("sin-datos");
  panel.classList.remove("nuevo");
  en(panel, "mesa-numero").textContent = "";
  en(panel, "mesa-siguientes").textContent = "";
  en(panel, "mesa-pie").textContent = "";
  en(panel, "mesa-aviso-texto").textContent = texto;
}

// Of a desk's next turns, only those whose whole box fits are shown, so
// that none is cut.
function soloLasQueCaben() {
  paneles.forEach(function (panel) {
    var caja = en(panel, "mesa-siguientes");
    [].forEach.call(caja.children, function (c) {
      c.style.visibility = c.offsetTop + c.offsetHeight <= caja.clientHeight &&
        c.offsetLeft + c.offsetWidth <= caja.clientWidth ? "" : "hidden";
    });
  });
}

function destacarMesa(panel) {
  panel.classList.remove("nuevo");
  void panel.offsetWidth;  // restarts the animation
  panel.classList.add("nuevo");
  clearTimeout(panel.destello);
  panel.destello = setTimeout(function () { panel.classList.remove("nuevo"); }, DESTELLO_MS);
}

// Empties every panel, for the page's own notice.
function vaciarMesas() {
  paneles.forEach(function (panel) { avisarMesa(panel, ""); });
  llenarCasillas("anteriores", []);
}

/* ---------------------------------------------------------- calls */

// Merges lists each in its own order into one, taking at each step the
// head that `antes` puts first: the desks' calls by their stamps, each
// desk's own order kept even where its clock ran backwards.
function mezclar(listas, antes) {
  var todas = [], cabezas = listas.map(function () { return 0; });
  for (;;) {
    var elegida = -1;
    for (var i = 0; i < listas.length; i++)
      if (cabezas[i] < listas[i].length &&
          (elegida < 0 || antes(listas[i][cabezas[i]], listas[elegida][cabezas[elegida]])))
        elegida = i;
    if (elegida < 0) return todas;
    todas.push(listas[elegida][cabezas[elegida]++]);
  }
}
function masNueva(a, b) { return a.segundo > b.segundo; }
function masVieja(a, b) { return a.segundo < b.segundo; }

function llenarAnterioresVarias(llamadas) {
  var casillas = $("anteriores").children;
  for (var i = 0; i < casillas.length; i++) {
    casillas[i].textContent = "";
    if (i >= llamadas.length) continue;
    casillas[i].appendChild(elemento("span", "numero ajustar", String(llamadas[i].turno)));
    casillas[i].appendChild(elemento("span", "de-mesa ajustar", llamadas[i].mesa));
  }
}

function mostrarVarias(e) {
  clearTimeout(plazoSinDatos);
  plazoSinDatos = null;
  document.body.classList.remove("reconectando");
  document.body.classList.add("varias");
  prepararPaneles(e.mesas);
  // Per desk: the calls it shows, newest first, and those new since the
  // last answer, oldest first.
  var deCadaMesa = [], nuevasDeCadaMesa = [], omitidos = 0;
  e.mesas.forEach(function (m, i) {
    if ("error" in m) return avisarMesa(paneles[i], m.error);
    llenarMesa(paneles[i], m);
    var llamadas = [m.atendiendo].concat(m.anteriores).filter(esTurno).map(function (turno, j) {
      return { turno: turno, mesa: m.nombre, segundo: m.llamados_s[j] };
    });
    deCadaMesa.push(llamadas);
    var cuenta = cuentasMesas[m.nombre] || (cuentasMesas[m.nombre] = nuevaCuenta());
    var nuevas = contarNuevas(cuenta, e.fecha, m.atendidos_hoy);
    if (nuevas <= 0) return;
    nuevasDeCadaMesa.push(llamadas.slice(0, nuevas).reverse());
    omitidos += nuevas - Math.min(nuevas, llamadas.length);
    destacarMesa(paneles[i]);
  });
  var todas = mezclar(deCadaMesa, masNueva), ultima = todas[0];
  $("actual").textContent = ultima ? String(ultima.turno) : "\u2014";
  $("actual").classList.toggle("vacio", !ultima);
  $("actual-mesa").textContent = ultima ? ultima.mesa : "";
  $("actual-nota").textContent = ultima ? "" : "Hoy a\u00fan no se ha llamado ning\u00fan turno";
  llenarAnterioresVarias(todas.slice(1, 1 + $("anteriores").children.length));
  document.body.classList.remove("sin-datos");
  ajustarTodo();
  soloLasQueCaben();
  if (nuevasDeCadaMesa.length > 0) {
    destacar();
    anunciar(mezclar(nuevasDeCadaMesa, masVieja), omitidos);
  }
  ponerRotulo();  // the large call may have moved on from the caption's
}
window.addEventListener("resize", soloLasQueCaben);
