// UTF-8 at the console's edge: where a character begins and ends, so that
// a name is cut at 99 bytes on a whole character and a log shown in blocks
// never splits one.
#include <gtest/gtest.h>

#include <string>

#include "platform/texto.h"

namespace {

TEST(Utf8, WholeCharactersAreRecognisedAndEverythingElseIsNot) {
  const struct { std::string bytes; std::size_t largo; } casos[] = {
      {"\xc3\xa9", 2},           {"\xe2\x82\xac", 3},
      {"\xf0\x9d\x84\x9e", 4},   {"A", 0},
      {"\xc3", 0},               {"\xc3" "A", 0},
      {"\x82", 0},               {"\xc0\xaf", 0},
      {"\xe0\x80\x80", 0},       {"\xed\xa0\x80", 0},
      {"\xf4\x90\x80\x80", 0},   {"\xf5\x80\x80\x80", 0},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.bytes);
    EXPECT_EQ(FunLargoCaracterUtf8(caso.bytes.data(), caso.bytes.size()),
              caso.largo);
  }
}

TEST(Utf8, CutAtALimitEndsOnAWholeCharacterAndOtherBytesAnywhere) {
  std::string acentos;
  for (int i = 0; i < 60; ++i) acentos += "\xc3\xa1";
  const struct { std::string texto; std::size_t limite, corte; } casos[] = {
      {"abcdef", 3, 3},
      {"ab\xc3\xa9", 3, 2},
      {"ab\xc3\xa9", 4, 4},
      {"ab\xc3\xa9", 9, 4},
      {"a\xe2\x82\xac" "b", 2, 1},
      {"a\xe2\x82\xac" "b", 3, 1},
      {"a\xe2\x82\xac" "b", 4, 4},
      {"\xf0\x9d\x84\x9e", 3, 0},
      {"\xc3\xc3\xa9", 2, 1},
      // A name in an old code page, stray bytes: cut as bytes.
      {"Jos\x82 \xa5\xa3\xa4" "ez", 5, 5},
      {"\xa9\xa9\xa9\xa9", 2, 2},
      {"\xc3" "A", 1, 1},
      // 60 accented letters are 120 bytes: 49 of them fit in 99.
      {acentos, 99, 98},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.texto + " / " + std::to_string(caso.limite));
    EXPECT_EQ(FunCortarEnCaracter(caso.texto.data(), caso.texto.size(),
                                  caso.limite),
              caso.corte);
  }
}

TEST(Utf8, ABlockKeepsBackOnlyACharacterItsEndSplits) {
  const struct { std::string bloque; std::size_t enteros; } casos[] = {
      {"", 0},
      {"abc", 3},
      {"ab\xc3", 2},
      {"ab\xc3\xa9", 4},
      {"a\xe2\x82", 1},
      {"\xf0\x9d\x84", 0},
      {"\xf0\x9d\x84\x9e", 4},
      {"Jos\x82", 4},
      {"\xa5\xa3\xa4", 3},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.bloque);
    EXPECT_EQ(FunSinCaracterAbierto(caso.bloque.data(), caso.bloque.size()),
              caso.enteros);
  }
}

}  // namespace
