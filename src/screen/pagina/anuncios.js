"use strict";
// The calls said aloud, one at a time, each with its caption.

/* ---------------------------------------------------------- calls */

var PAUSA_ANUNCIOS_MS = 700;  // silence between two calls
var ANUNCIO_MIN_MS = 3000;    // a call's caption shows at least this long
var ANUNCIO_MAX_MS = 15000;   // a voice that never ends is left after this
// Calls waiting their turn to be said, some 5 s each; beyond it the
// oldest are dropped, as a backlog of minutes helps nobody in the room,
// and the caption of the next one said tells how many were.
var COLA_MAX = 20;

// Calls to say aloud, oldest first: each turn, its desk ("" with one),
// and how many calls just before it were not said.
var porAnunciar = [];
var anunciando = false;
// The call whose caption shows, or null.
var llamadaEnCurso = null;

// The caption of the call being said. While the large number shows
// another call (a newer one came while this one is said), the caption
// gives its digits too, so that no one takes the one for the other.
function ponerRotulo() {
  var llamada = llamadaEnCurso, texto = "";
  if (llamada !== null) {
    texto = ["Turno"].concat(palabrasDeNumero(llamada.turno)).join(" ");
    if ($("actual").textContent !== String(llamada.turno) ||
        $("actual-mesa").textContent !== llamada.mesa)
      texto += " \u00b7 " + llamada.turno;
    if (llamada.mesa) texto += ", " + llamada.mesa;
    if (llamada.omitidos > 0)
      texto += "\n(" + llamada.omitidos + (llamada.omitidos === 1 ? " llamado" : " llamados") +
        " antes sin anunciar)";
  }
  // Only a change is written: each write is read out again by a screen reader.
  if ($("anuncio").textContent !== texto) $("anuncio").textContent = texto;
}

// The words of a desk's name that the program's own voice has clips for,
// a number in it in words; null when it cannot say the whole name.
var PALABRAS_DE_MESA = ["ventanilla", "caja", "mesa", "modulo", "puesto", "box",
  "consultorio", "despacho"];
function palabrasDeMesa(nombre) {
  var palabras = [], partes = nombre.trim().split(/\s+/);
  for (var i = 0; i < partes.length; i++) {
    var llana = partes[i].toLowerCase().normalize("NFD").replace(/[\u0300-\u036f]/g, "");
    if (/^\d{1,9}$/.test(llana)) palabras = palabras.concat(palabrasDeNumero(parseInt(llana, 10)));
    else if (PALABRAS_DE_MESA.indexOf(llana) >= 0) palabras.push(llana);
    else return null;
  }
  return palabras;
}

// One call at a time: the chime, then "Turno <words>" and, with several
// desks, ", <desk>", shown in #anuncio while it lasts. A later poll only
// adds to the queue. `llamadas`: {turno, mesa}, oldest first; `omitidos`:
// calls before these that will not be said.
function anunciar(llamadas, omitidos) {
  llamadas.forEach(function (llamada, i) {
    porAnunciar.push({ turno: llamada.turno, mesa: llamada.mesa, omitidos: i === 0 ? omitidos : 0 });
  });
  while (porAnunciar.length > COLA_MAX) {
    var quitado = porAnunciar.shift();
    porAnunciar[0].omitidos += quitado.omitidos + 1;
  }
  if (!anunciando) siguienteAnuncio();
}
function siguienteAnuncio() {
  anunciando = porAnunciar.length > 0;
  if (!anunciando) return;
  var llamada = porAnunciar.shift();
  var palabras = ["Turno"].concat(palabrasDeNumero(llamada.turno));
  var frase = palabras.join(" ") + (llamada.mesa ? ", " + llamada.mesa : "");
  // The browser's voice reads the desk's name as written; the program's
  // own, when it has every word of it.
  var deMesa = llamada.mesa ? palabrasDeMesa(llamada.mesa) : [];
  if (deMesa) palabras = palabras.concat(deMesa);
  var inicio = Date.now(), terminado = false, minimo = null, limite = null;
  function terminar() {
    if (terminado) return;
    terminado = true;
    clearTimeout(minimo);
    clearTimeout(limite);
    callar();
    llamadaEnCurso = null;
    ponerRotulo();
    setTimeout(siguienteAnuncio, PAUSA_ANUNCIOS_MS);
  }
  // Ends at the voice's end, but never before the minimum: a call with
  // no sound still shows its caption that long.
  function alTerminarLaVoz() {
    minimo = setTimeout(terminar, Math.max(0, inicio + ANUNCIO_MIN_MS - Date.now()));
  }
  llamadaEnCurso = llamada;
  ponerRotulo();
  var via = decir(frase, palabras, campanada(), alTerminarLaVoz);
  $("anuncio").setAttribute("data-voz", via);
  if (via === "ninguna") alTerminarLaVoz();
  limite = setTimeout(terminar, ANUNCIO_MAX_MS);
}
