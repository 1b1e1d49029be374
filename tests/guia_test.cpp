// The office guide against the programs: every message docs/guia.html
// quotes (a <samp>, with <var> for what changes) is the programs' own text,
// found in their sources: the console, the report and the screen (C++
// string literals, joined as the compiler joins them), the screen's page
// and its scripts, and the installer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace prueba {
namespace {

namespace fs = std::filesystem;

std::string Leer(const fs::path& ruta) {
  std::ifstream archivo(ruta, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(archivo), {});
}

// `codigo` (below U+10000) as UTF-8.
std::string Utf8(unsigned long codigo) {
  if (codigo < 0x80) return std::string(1, static_cast<char>(codigo));
  if (codigo < 0x800)
    return {static_cast<char>(0xC0 | (codigo >> 6)),
            static_cast<char>(0x80 | (codigo & 0x3F))};
  return {static_cast<char>(0xE0 | (codigo >> 12)),
          static_cast<char>(0x80 | ((codigo >> 6) & 0x3F)),
          static_cast<char>(0x80 | (codigo & 0x3F))};
}

// HTML's character references, and JavaScript's \uXXXX, as the reader sees
// them.
std::string Descodificar(const std::string& html) {
  static const std::regex referencia(
      R"(&(gt|lt|amp|quot|hellip|nbsp);|&#([0-9]+);|\\u([0-9a-fA-F]{4}))");
  static const std::map<std::string, unsigned long> nombres = {
      {"gt", '>'}, {"lt", '<'}, {"amp", '&'}, {"quot", '"'},
      {"hellip", 0x2026}, {"nbsp", 0xA0}};
  std::string texto;
  auto desde = html.cbegin();
  for (std::sregex_iterator r(html.begin(), html.end(), referencia), fin;
       r != fin; desde = (*r++)[0].second) {
    texto.append(desde, (*r)[0].first);
    texto += Utf8((*r)[1].matched   ? nombres.at((*r)[1])
                  : (*r)[2].matched ? std::stoul((*r)[2])
                                    : std::stoul((*r)[3], nullptr, 16));
  }
  return texto.append(desde, html.cend());
}

// The string literals of a C++ file, those the compiler joins joined, with
// their escapes undone; comments and character literals skipped.
std::vector<std::string> Literales(const std::string& codigo) {
  std::vector<std::string> literales;
  bool unir = false;  // only blanks and comments since the last literal
  for (std::size_t i = 0; i < codigo.size(); ++i) {
    if (codigo.compare(i, 2, "//") == 0) {
      i = std::min(codigo.find('\n', i), codigo.size());
    } else if (codigo.compare(i, 2, "/*") == 0) {
      i = std::min(codigo.find("*/", i + 2), codigo.size()) + 1;
    } else if (codigo[i] == '\'' || codigo[i] == '"') {
      const char cierre = codigo[i];
      std::string literal;
      for (++i; i < codigo.size() && codigo[i] != cierre; ++i) {
        char c = codigo[i];
        if (c == '\\') {
          c = codigo[++i];
          if (c == 'n') c = '\n';
          else if (c == 't') c = '\t';
          else if (c == 'r') c = '\r';
          else if (c == 'x') {
            std::size_t usados = 0;
            c = static_cast<char>(std::stoul(codigo.substr(i + 1, 2), &usados, 16));
            i += usados;
          }
        }
        literal += c;
      }
      if (cierre == '\'') unir = false;
      else if (unir) literales.back() += literal;
      else literales.push_back(literal), unir = true;
    } else if (!std::isspace(static_cast<unsigned char>(codigo[i]))) {
      unir = false;
    }
  }
  return literales;
}

// Every text the programs can show, each ended by a NUL.
std::string TextosDeLosProgramas(const fs::path& fuentes) {
  std::string textos = Leer(fuentes / "windows" / "instalador.nsi") + '\0';
  for (const auto& entrada : fs::recursive_directory_iterator(fuentes / "src")) {
    const std::string extension = entrada.path().extension().string();
    if (extension == ".cpp" || extension == ".h")
      for (const std::string& literal : Literales(Leer(entrada.path())))
        textos += literal + '\0';
    else if (extension == ".html" || extension == ".js")
      textos += Descodificar(Leer(entrada.path())) + '\0';
  }
  return textos;
}

// The fixed pieces of each message the guide quotes: a <var> splits a
// message, and so does a line end in a <pre>; elsewhere a run of blanks
// is one blank, as the reader sees it.
std::vector<std::string> PiezasCitadas(const std::string& guia) {
  static const std::regex samp(R"((<pre>)?<samp>([\s\S]*?)</samp>)");
  static const std::regex var(R"(<var>[\s\S]*?</var>)");
  static const std::regex blancos(R"(\s+)");
  std::vector<std::string> piezas;
  for (std::sregex_iterator s(guia.begin(), guia.end(), samp), fin; s != fin;
       ++s) {
    std::string mensaje = std::string((*s)[2]);
    if (!(*s)[1].matched) mensaje = std::regex_replace(mensaje, blancos, " ");
    mensaje = std::regex_replace(mensaje, var, "\n");
    std::istringstream partes(mensaje);
    for (std::string pieza; std::getline(partes, pieza);)
      if (!pieza.empty()) piezas.push_back(Descodificar(pieza));
  }
  return piezas;
}

TEST(Guia, CadaMensajeCitadoEsElDeUnPrograma) {
  const fs::path fuentes = QUENVARO_FUENTES;
  const std::string textos = TextosDeLosProgramas(fuentes);
  const std::vector<std::string> piezas =
      PiezasCitadas(Leer(fuentes / "docs" / "guia.html"));
  // The guide quotes the console's menu and messages, the screen's and the
  // installer's: far more than this.
  EXPECT_GE(piezas.size(), 40u);
  for (const std::string& pieza : piezas)
    EXPECT_NE(textos.find(pieza), std::string::npos)
        << "la guía cita «" << pieza << "», que ningún programa dice";
}

}  // namespace
}  // namespace prueba
