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

// Turns to call aloud, oldest first, each with how many calls just before
// it were not said.
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
    if ($("actual").textContent !== String(llamada.turno))
      texto += " \u00b7 " + llamada.turno;
    if (llamada.omitidos > 0)
      texto += "\n(" + llamada.omitidos + (llamada.omitidos === 1 ? " llamado" : " llamados") +
        " antes sin anunciar)";
  }
  // Only a change is written: each write is read out again by a screen reader.
  if ($("anuncio").textContent !== texto) $("anuncio").textContent = texto;
}

// One call at a time: the chime, then "Turno <words>", shown in #anuncio
// while it lasts. A later poll only adds to the queue. `omitidos`: calls
// before these that will not be said.
function anunciar(turnos, omitidos) {
  turnos.forEach(function (turno, i) {
    porAnunciar.push({ turno: turno, omitidos: i === 0 ? omitidos : 0 });
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
  var via = decir(palabras, campanada(), alTerminarLaVoz);
  $("anuncio").setAttribute("data-voz", via);
  if (via === "ninguna") alTerminarLaVoz();
  limite = setTimeout(terminar, ANUNCIO_MAX_MS);
}
