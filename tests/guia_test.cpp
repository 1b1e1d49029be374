// The office guide against the programs: every message docs/guia.html
// quotes (a <samp>, with <var> for what changes) is the programs' own text,
// found in their sources: the console, the report and the screen (C++
// string literals, joined as the compiler joins them), the screen's page,
// and the installer.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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

// `codigo` as UTF-8.
std::string Utf8(unsigned long codigo) {
  std::string texto;
  if (codigo < 0x80) {
    texto += static_cast<char>(codigo);
  } else if (codigo < 0x800) {
    texto += static_cast<char>(0xC0 | (codigo >> 6));
    texto += static_cast<char>(0x80 | (codigo & 0x3F));
  } else {
    texto += static_cast<char>(0xE0 | (codigo >> 12));
    texto += static_cast<char>(0x80 | ((codigo >> 6) & 0x3F));
    texto += static_cast<char>(0x80 | (codigo & 0x3F));
  }
  return texto;
}

// HTML's character references, and JavaScript's \uXXXX, as the reader sees
// them.
std::string Descodificar(const std::string& html) {
  static const std::regex referencia(
      R"(&(gt|lt|amp|quot|hellip|nbsp|#[0-9]+);|\\u([0-9a-fA-F]{4}))");
  std::string texto;
  auto desde = html.cbegin();
  for (std::sregex_iterator r(html.begin(), html.end(), referencia), fin;
       r != fin; ++r) {
    texto.append(desde, (*r)[0].first);
    desde = (*r)[0].second;
    const std::string nombre = (*r)[1];
    if ((*r)[2].matched) texto += Utf8(std::stoul((*r)[2], nullptr, 16));
    else if (nombre == "gt") texto += '>';
    else if (nombre == "lt") texto += '<';
    else if (nombre == "amp") texto += '&';
    else if (nombre == "quot") texto += '"';
    else if (nombre == "hellip") texto += Utf8(0x2026);
    else if (nombre == "nbsp") texto += Utf8(0xA0);
    else texto += Utf8(std::stoul(nombre.substr(1)));
  }
  texto.append(desde, html.cend());
  return texto;
}

// The string literals of a C++ file, those the compiler joins joined, with
// their escapes undone; comments and character literals skipped.
std::vector<std::string> Literales(const std::string& codigo) {
  std::vector<std::string> literales;
  bool unir = false;  // only blanks and comments since the last literal
  for (std::size_t i = 0; i < codigo.size();) {
    const char c = codigo[i];
    if (codigo.compare(i, 2, "//") == 0) {
      i = codigo.find('\n', i);
      if (i == std::string::npos) break;
    } else if (codigo.compare(i, 2, "/*") == 0) {
      i = codigo.find("*/", i + 2);
      if (i == std::string::npos) break;
      i += 2;
    } else if (c == '\'') {
      for (++i; i < codigo.size() && codigo[i] != '\''; ++i)
        if (codigo[i] == '\\') ++i;
      ++i;
      unir = false;
    } else if (c == '"') {
      std::string literal;
      for (++i; i < codigo.size() && codigo[i] != '"'; ++i) {
        if (codigo[i] != '\\') {
          literal += codigo[i];
          continue;
        }
        const char e = codigo[++i];
        if (e == 'n') literal += '\n';
        else if (e == 't') literal += '\t';
        else if (e == 'r') literal += '\r';
        else if (e == 'x') {
          std::size_t usados = 0;
          literal += static_cast<char>(
              std::stoul(codigo.substr(i + 1, 2), &usados, 16));
          i += usados;
        } else literal += e;  // \\ \" \'
      }
      ++i;
      if (unir) literales.back() += literal;
      else literales.push_back(literal);
      unir = true;
    } else {
      if (!std::isspace(static_cast<unsigned char>(c))) unir = false;
      ++i;
    }
  }
  return literales;
}

// Every text the programs can show.
std::vector<std::string> TextosDeLosProgramas(const fs::path& fuentes) {
  std::vector<std::string> textos;
  for (const auto& entrada : fs::recursive_directory_iterator(fuentes / "src")) {
    const std::string extension = entrada.path().extension().string();
    if (extension == ".cpp" || extension == ".h") {
      for (std::string& literal : Literales(Leer(entrada.path())))
        textos.push_back(std::move(literal));
    } else if (extension == ".html") {
      textos.push_back(Descodificar(Leer(entrada.path())));
    }
  }
  textos.push_back(Leer(fuentes / "windows" / "instalador.nsi"));
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
  const std::vector<std::string> textos = TextosDeLosProgramas(fuentes);
  const std::vector<std::string> piezas =
      PiezasCitadas(Leer(fuentes / "docs" / "guia.html"));
  // The guide quotes the console's menu and messages, the screen's and the
  // installer's: far more than this.
  EXPECT_GE(piezas.size(), 40u);
  for (const std::string& pieza : piezas) {
    bool encontrada = false;
    for (const std::string& texto : textos)
      encontrada = encontrada || texto.find(pieza) != std::string::npos;
    EXPECT_TRUE(encontrada) << "la guía cita «" << pieza
                            << "», que ningún programa dice";
  }
}

}  // namespace
}  // namespace prueba
