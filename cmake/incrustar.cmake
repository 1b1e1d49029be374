# Writes SALIDA, a C++ source that holds the bytes of ENTRADA as kPagina
# (src/screen/pagina.h), so the program carries its page. Run at build time
# (cmake -DENTRADA=... -DSALIDA=... -P incrustar.cmake): the bytes go in as
# numbers, so nothing in the page can end or bend a string literal.
file(READ "${ENTRADA}" hex HEX)
string(LENGTH "${hex}" largoHex)
math(EXPR largo "${largoHex} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Sixteen bytes a line.
string(REPEAT "0x..," 16 linea)
string(REGEX REPLACE "(${linea})" "\\1\n" bytes "${bytes}")
file(WRITE "${SALIDA}"
  "// Generated from ${ENTRADA} by cmake/incrustar.cmake; do not edit.\n"
  "#include \"screen/pagina.h\"\n\n"
  "const unsigned char kPagina[] = {\n${bytes}0};\n"
  "const std::size_t kLargoPagina = ${largo};\n")
