// UTF-8 at the console's edge: a name is cut at 99 bytes on a whole
// character, and a log shown in blocks never splits one; bytes that are no
// character (a name in an old code page) are cut anywhere, as before.
#include <gtest/gtest.h>

#include <string>

#include "platform/texto.h"

namespace {

TEST(Utf8, CutsAtALimitOnAWholeCharacterAndOtherBytesAnywhere) {
  std::string acentos;  // 60 letters, 120 bytes: 49 fit in 99
  for (int i = 0; i < 60; ++i) acentos += "\xc3\xa1";
  const struct { std::string texto; std::size_t limite, corte; } casos[] = {
      {"abcdef", 3, 3}, {"ab\xc3\xa9", 3, 2}, {"ab\xc3\xa9", 4, 4},
      {"ab\xc3\xa9", 9, 4}, {"a\xe2\x82\xac" "b", 2, 1}, {"a\xe2\x82\xac" "b", 3, 1},
      {"a\xe2\x82\xac" "b", 4, 4}, {"\xf0\x9d\x84\x9e", 3, 0}, {"\xc3\xc3\xa9", 2, 1},
      {"Jos\x82 \xa5\xa3\xa4", 5, 5}, {"\xa9\xa9\xa9\xa9", 2, 2}, {"\xc3" "A", 1, 1},
      {"\xe0\x80\x80", 2, 2}, {"\xed\xa0\x80", 1, 1}, {"\xf4\x90\x80\x80", 3, 3},
      {"\xf4\x8f\xbf\xbf", 3, 0}, {acentos, 99, 98}};
  for (const auto& c : casos)
    EXPECT_EQ(FunCortarEnCaracter(c.texto.data(), c.texto.size(), c.limite), c.corte)
        << c.texto << " / " << c.limite;
}

TEST(Utf8, ABlockKeepsBackOnlyACharacterItsEndSplits) {
  const struct { std::string bloque; std::size_t enteros; } casos[] = {
      {"", 0}, {"abc", 3}, {"ab\xc3", 2}, {"ab\xc3\xa9", 4}, {"a\xe2\x82", 1},
      {"\xf0\x9d\x84", 0}, {"\xf0\x9d\x84\x9e", 4}, {"Jos\x82", 4}, {"\xa5\xa3\xa4", 3}};
  for (const auto& c : casos)
    EXPECT_EQ(FunSinCaracterAbierto(c.bloque.data(), c.bloque.size()), c.enteros)
        << c.bloque;
}

}  // namespace
