// The README and the manuals in docs/ against the programs: every option a
// command line of theirs shows is in that program's --help, every make
// target and variable they show is the Makefile's, and every relative link
// leads to a file (and a heading, when it names one). Whatever sections the
// manuals hold, all of them are read.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "proceso.h"

namespace prueba {
namespace {

struct Contexto {
  std::map<std::string, std::string> ayudas;  // program -> its --help
  std::set<std::string> objetivos;            // the Makefile's targets
  std::string makefile;
};

// A heading's anchor as the usual Markdown renderers make it.
std::string Ancla(const std::string& titulo) {
  std::string ancla;
  for (unsigned char c : titulo) {
    if (std::isalnum(c) || c == '-' || c == '_' || c >= 0x80)
      ancla += static_cast<char>(std::tolower(c));
    else if (c == ' ')
      ancla += '-';
  }
  return ancla;
}

std::set<std::string> Anclas(const std::string& texto) {
  std::set<std::string> anclas;
  std::istringstream lineas(texto);
  std::smatch m;
  for (std::string l; std::getline(lineas, l);)
    if (std::regex_match(l, m, std::regex("#+ +(.*)"))) anclas.insert(Ancla(m[1]));
  return anclas;
}

bool EnAyuda(const std::string& ayuda, const std::string& opcion) {
  return std::regex_search(ayuda, std::regex("(^|[^-\\w])" + opcion + "($|[^-\\w])"));
}

// One command line (a code line, or an inline code span): its options, or
// its make targets and variables, as far as the command goes.
void RevisarOrden(const std::string& orden, const Contexto& c,
                  const std::string& donde, std::vector<std::string>* faltas) {
  std::smatch m;
  static const std::regex programa(
      "(^|[\\s/\\\\\"])(quenvaro(-informe|-pantalla)?)(\\.exe)?\"?(\\s|$)");
  if (std::regex_search(orden, m, programa)) {
    const std::string nombre = m[2];
    std::string resto = m.suffix();
    int corchetes = 0;  // "[--csv | --excel]" is a choice, not a pipe
    for (size_t i = 0; i < resto.size(); ++i) {
      corchetes += resto[i] == '[' ? 1 : resto[i] == ']' ? -1 : 0;
      if ((resto[i] == '|' && corchetes == 0) || resto[i] == '#' ||
          resto[i] == ';' || resto[i] == '&') {
        resto.resize(i);
        break;
      }
    }
    static const std::regex opcion("(^|[\\s\\[|])(--[A-Za-z][-\\w]*)");
    for (std::sregex_iterator o(resto.begin(), resto.end(), opcion), fin; o != fin; ++o)
      if (!EnAyuda(c.ayudas.at(nombre), (*o)[2]))
        faltas->push_back(donde + ": " + nombre + " has no " + (*o)[2].str());
    return;
  }
  if (!std::regex_search(orden, m, std::regex("(^|[\\s|$])make((\\s[^#|;&]*)?)"))) return;
  std::istringstream palabras(m[2].str());
  for (std::string p; palabras >> p;) {
    if (p[0] == '-') continue;
    const size_t igual = p.find('=');
    if (igual != std::string::npos
            ? c.makefile.find("$(" + p.substr(0, igual) + ")") == std::string::npos
            : c.objetivos.count(p) == 0)
      faltas->push_back(donde + ": the Makefile has no " + p);
  }
}

// Every fault of one Markdown document that lives in `carpeta`.
std::vector<std::string> Revisar(const std::string& texto, const fs::path& carpeta,
                                 const std::string& nombre, const Contexto& c) {
  std::vector<std::string> faltas;
  std::vector<std::pair<int, std::string>> parrafos(1);  // first line, text
  std::istringstream lineas(texto);
  bool cercado = false, previaVacia = true, enCodigo = false;
  int n = 0;
  for (std::string l; std::getline(lineas, l);) {
    const std::string donde = nombre + ":" + std::to_string(++n);
    if (l.rfind("```", 0) == 0 || l.rfind("~~~", 0) == 0) {
      cercado = !cercado;
      continue;
    }
    enCodigo = cercado || (l.rfind("    ", 0) == 0 && (previaVacia || enCodigo));
    previaVacia = l.find_first_not_of(' ') == std::string::npos;
    if (enCodigo) {
      RevisarOrden(l, c, donde, &faltas);
    } else if (previaVacia) {
      parrafos.emplace_back(n + 1, "");
    } else {
      parrafos.back().second += l + " ";
    }
  }
  for (const auto& [linea, parrafo] : parrafos) {
    const std::string donde = nombre + ":" + std::to_string(linea);
    static const std::regex span("`([^`]+)`");
    for (std::sregex_iterator s(parrafo.begin(), parrafo.end(), span), fin; s != fin; ++s)
      RevisarOrden((*s)[1], c, donde, &faltas);
    static const std::regex enlace("\\]\\(([^)\\s:#]*)(#[^)\\s]*)?\\)");
    for (std::sregex_iterator e(parrafo.begin(), parrafo.end(), enlace), fin; e != fin; ++e) {
      const bool aqui = (*e)[1].length() == 0;
      const fs::path destino = carpeta / (*e)[1].str();
      const std::string ancla = (*e)[2].length() ? (*e)[2].str().substr(1) : "";
      if (!aqui && !fs::exists(destino))
        faltas.push_back(donde + ": no file " + (*e)[1].str());
      else if (!ancla.empty() && Anclas(aqui ? texto : LeerArchivo(destino)).count(ancla) == 0)
        faltas.push_back(donde + ": no heading #" + ancla + " in " + (aqui ? nombre : (*e)[1].str()));
    }
  }
  return faltas;
}

class Manuales : public ::testing::Test {
 protected:
  void SetUp() override {
    c_.ayudas["quenvaro"] = "";  // the console takes no options at all
    c_.ayudas["quenvaro-informe"] = EjecutarInforme(carpeta_.ruta(), {"--help"}).salida;
    c_.ayudas["quenvaro-pantalla"] = EjecutarPantalla(carpeta_.ruta(), {"--help"}).salida;
    ASSERT_NE(c_.ayudas["quenvaro-informe"].find("--salida"), std::string::npos);
    ASSERT_NE(c_.ayudas["quenvaro-pantalla"].find("--escuchar"), std::string::npos);
    c_.makefile = LeerArchivo(fuentes_ / "Makefile");
    std::istringstream lineas(c_.makefile);
    std::smatch m;
    for (std::string l; std::getline(lineas, l);)
      if (std::regex_search(l, m, std::regex("^([-\\w]+) *:([^=]|$)"))) c_.objetivos.insert(m[1]);
  }
  CarpetaTemporal carpeta_;
  const fs::path fuentes_ = QUENVARO_FUENTES;
  Contexto c_;
};

TEST_F(Manuales, OptionsTargetsAndLinksAreThePrograms) {
  std::vector<fs::path> documentos = {fuentes_ / "README.md"};
  for (const auto& e : fs::directory_iterator(fuentes_ / "docs"))
    if (e.path().extension() == ".md") documentos.push_back(e.path());
  EXPECT_GE(documentos.size(), 6u);
  for (const fs::path& d : documentos)
    for (const std::string& falta :
         Revisar(LeerArchivo(d), d.parent_path(), d.filename().string(), c_))
      ADD_FAILURE() << falta;
}

// The checker itself: what it must flag, and what it must let pass.
TEST_F(Manuales, CheckerFlagsWhatIsNotThePrograms) {
  const struct {
    const char* texto;
    size_t faltas;
  } casos[] = {
      {"    quenvaro-informe --csv --desde 2026-01-01 bitacora.txt\n", 0},
      {"    quenvaro-informe --cvs\n", 1},
      {"    $ build/quenvaro-pantalla --puerto 0 --abrir --escuchar 0.0.0.0\n", 0},
      {"    quenvaro-pantalla.exe --salida x\n", 1},
      {"    quenvaro-informe [--csv | --excel | --xls] --salida X\n", 1},
      {"    quenvaro-informe --csv | sort --reverse\n", 0},
      {"    quenvaro-pantalla: lee los archivos --de la consola\n", 0},
      {"    quenvaro --ayuda\n", 1},
      {"Run `quenvaro-informe\n  --html --salida x --abrirr`.\n", 1},
      {"    make test-sanitize FUZZ_SECONDS=5 -j2\n", 0},
      {"    make tests\n", 1},
      {"Then `make fuzz FUZZ_TIME=3`.\n", 1},
      {"```\nquenvaro-informe --htm\n```\n", 1},
      {"See [the console](console.md#the-lock) and [this](#a-b).\n\n## A b\n", 0},
      {"See [nothing](nada.md) and [a lock](console.md#the-locks).\n", 2},
      {"![A picture](pantalla.png), [a site](https://example.com/x).\n", 0},
  };
  for (const auto& caso : casos)
    EXPECT_EQ(Revisar(caso.texto, fuentes_ / "docs", "prueba.md", c_).size(), caso.faltas)
        << caso.texto;
}

}  // namespace
}  // namespace prueba
