"use strict";
// The sounds of a call: the chime, and the words said with the browser's
// Spanish voice or with the program's own clips (/voz/*.wav).

/* ---------------------------------------------------------- chime */

// Made at once, so that where the browser allows sound without a touch
// (kiosk mode with autoplay allowed) the first new turn already chimes.
var audio = null;
try {
  var Contexto = window.AudioContext || window.webkitAudioContext;
  if (Contexto) audio = new Contexto();
} catch (e) { }
function sonidoListo() { return audio !== null && audio.state === "running"; }
// Browsers keep audio off until someone touches the page; until then the
// chime and the clips are silently skipped, and the highlight and the
// caption alone announce the turn.
// Returns the audio time at which the chime has faded enough for a voice.
function campanada() {
  try {
    if (!audio) return 0;
    if (audio.state !== "running") {
      audio.resume().catch(function () {});
      return 0;
    }
    var t = audio.currentTime;
    [[880, 0], [660, 0.35]].forEach(function (nota) {
      var osc = audio.createOscillator(), vol = audio.createGain();
      osc.type = "sine";
      osc.frequency.value = nota[0];
      vol.gain.setValueAtTime(0.0001, t + nota[1]);
      vol.gain.exponentialRampToValueAtTime(0.4, t + nota[1] + 0.03);
      vol.gain.exponentialRampToValueAtTime(0.0001, t + nota[1] + 0.9);
      osc.connect(vol);
      vol.connect(audio.destination);
      osc.start(t + nota[1]);
      osc.stop(t + nota[1] + 1);
    });
    return t + 1.1;
  } catch (e) { return 0; /* no sound, no harm */ }
}
function desbloquearAudio() {
  if (audio) audio.resume().catch(function () {});
}
document.addEventListener("keydown", desbloquearAudio);
document.addEventListener("pointerdown", desbloquearAudio);

/* ---------------------------------------------------------- voices */

// ?voz=propia: always the program's clips; ?voz=no: the chime alone.
var modoVoz = new URLSearchParams(location.search).get("voz");
var sintesis = modoVoz === null && window.speechSynthesis &&
  window.SpeechSynthesisUtterance ? window.speechSynthesis : null;
// A Spanish voice that works without the internet, or null. The list is
// often empty at first and fills later, so it is asked at every call;
// asking now starts its loading.
function vozDelNavegador() {
  var voces = sintesis ? sintesis.getVoices() : [];
  for (var i = 0; i < voces.length; i++)
    if (voces[i].localService && /^es([-_]|$)/i.test(voces[i].lang)) return voces[i];
  return null;
}
if (sintesis) {
  vozDelNavegador();
  sintesis.addEventListener("voiceschanged", vozDelNavegador);
}

// The program's clip of one word, decoded once; /voz/ names it without
// its accents.
var clips = {};
function clip(palabra) {
  var nombre = palabra.toLowerCase().normalize("NFD").replace(/[\u0300-\u036f]/g, "");
  if (!clips[nombre]) {
    clips[nombre] = fetch("/voz/" + nombre + ".wav")
      .then(function (r) {
        if (!r.ok) throw new Error("HTTP " + r.status);
        return r.arrayBuffer();
      })
      .then(function (datos) {
        // The callback form, for browsers whose decodeAudioData returns no promise.
        return new Promise(function (listo, fallo) { audio.decodeAudioData(datos, listo, fallo); });
      })
      .catch(function (e) { delete clips[nombre]; throw e; });
  }
  return clips[nombre];
}

// Says `frase` from audio time `desde` on, with the browser's voice, or
// else its `palabras` with the program's clips, word after word with no
// gap, and calls `fin` after the last one. Returns the voice it took.
var fuentes = [];  // the clips of the call being said
var callados = 0;  // calls ended by callar(); a late voice of one stays mute
function decir(frase, palabras, desde, fin) {
  var voz = vozDelNavegador(), esta = callados;
  if (voz) {
    setTimeout(function () {
      if (esta !== callados) return;
      try {
        var dicha = new SpeechSynthesisUtterance(frase);
        dicha.voice = voz;
        dicha.lang = voz.lang;
        dicha.onend = dicha.onerror = fin;
        sintesis.cancel();  // a synthesizer that hung hours ago starts afresh
        sintesis.speak(dicha);
      } catch (e) { fin(); }
    }, Math.max(0, desde - (audio ? audio.currentTime : 0)) * 1000);
    return "navegador";
  }
  if (modoVoz === "no" || !sonidoListo()) return "ninguna";
  Promise.all(palabras.map(clip)).then(function (buffers) {
    if (esta !== callados) return;
    var t = Math.max(desde, audio.currentTime + 0.05), fuente;
    buffers.forEach(function (buffer) {
      fuente = audio.createBufferSource();
      fuente.buffer = buffer;
      fuente.connect(audio.destination);
      fuente.start(t);
      t += buffer.duration;
      fuentes.push(fuente);
    });
    fuente.onended = fin;
  }).catch(fin);  // no clip: the caption alone, silent
  return "propia";
}
// Ends the call being said, whatever its voice: a call left at its time
// limit must not overlap the next.
function callar() {
  if (sintesis) sintesis.cancel();
  fuentes.forEach(function (f) { f.onended = null; try { f.stop(); } catch (e) { } });
  fuentes = [];
  ++callados;
}
