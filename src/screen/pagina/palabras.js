"use strict";
// Numbers said in Spanish words, for the calls read aloud.

/* ---------------------------------------------------------- words */

var UNIDADES = ["cero", "uno", "dos", "tres", "cuatro", "cinco", "seis",
  "siete", "ocho", "nueve", "diez", "once", "doce", "trece", "catorce",
  "quince", "diecis\u00e9is", "diecisiete", "dieciocho", "diecinueve",
  "veinte", "veintiuno", "veintid\u00f3s", "veintitr\u00e9s", "veinticuatro",
  "veinticinco", "veintis\u00e9is", "veintisiete", "veintiocho", "veintinueve"];
var DECENAS = ["", "", "", "treinta", "cuarenta", "cincuenta", "sesenta",
  "setenta", "ochenta", "noventa"];
var CENTENAS = ["", "ciento", "doscientos", "trescientos", "cuatrocientos",
  "quinientos", "seiscientos", "setecientos", "ochocientos", "novecientos"];

// 1 to 999. Before "mil" or "millones" a final "uno" is shortened:
// "treinta y un mil", "veinti\u00fan millones".
function palabrasHastaMil(n, antesDeMil) {
  var w = [], resto = n % 100;
  if (n >= 100) w.push(n === 100 ? "cien" : CENTENAS[Math.floor(n / 100)]);
  if (resto >= 30) {
    w.push(DECENAS[Math.floor(resto / 10)]);
    if (resto % 10) w.push("y", UNIDADES[resto % 10]);
  } else if (resto) {
    w.push(UNIDADES[resto]);
  }
  var ultima = w.length - 1;
  if (antesDeMil && w[ultima] === "uno") w[ultima] = "un";
  if (antesDeMil && w[ultima] === "veintiuno") w[ultima] = "veinti\u00fan";
  return w;
}
// 1 to 999999: "mil", never "un mil".
function palabrasHastaMillon(n, antesDeMil) {
  var miles = Math.floor(n / 1000), w = [];
  if (miles > 1) w = palabrasHastaMil(miles, true);
  if (miles) w.push("mil");
  if (n % 1000) w = w.concat(palabrasHastaMil(n % 1000, antesDeMil));
  return w;
}
// Any 32-bit integer as the Real Academia writes it, word by word. Global,
// so that the words can be tried in a browser's console.
function palabrasDeNumero(n) {
  if (n < 0) return ["menos"].concat(palabrasDeNumero(-n));
  if (n === 0) return ["cero"];
  var millones = Math.floor(n / 1e6), w = [];
  if (millones === 1) w = ["un", "mill\u00f3n"];
  else if (millones) w = palabrasHastaMillon(millones, true).concat("millones");
  if (n % 1e6) w = w.concat(palabrasHastaMillon(n % 1e6, false));
  return w;
}
window.palabrasDeNumero = palabrasDeNumero;
