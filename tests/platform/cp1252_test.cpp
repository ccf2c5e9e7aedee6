// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/text.h"

namespace quorvella {
namespace {

using namespace std::string_literals;

TEST(Cp1252, ItalianTextRoundTrips) {
  const std::string text = "àèéìòù€ ß";
  const std::string bytes = Cp1252FromUtf8(text);
  EXPECT_EQ(bytes, "\xE0\xE8\xE9\xEC\xF2\xF9\x80 \xDF");
  EXPECT_EQ(Utf8FromCp1252(bytes), text);
}

TEST(Cp1252, EveryByteDecodesAndEncodesBack) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string text = Utf8FromCp1252(all);
  EXPECT_EQ(std::count(text.begin(), text.end(), '?'), 1);  // only byte 0x3F itself
  EXPECT_EQ(Cp1252FromUtf8(text), all);  // NUL, 0x80..0x9F and the undefined five included
}

TEST(Cp1252, HighBytesAreTheWindowsCharacters) {
  const std::pair<std::string, std::string> rows[] = {
      {"\x80", "€"},      {"\x82", "‚"},      {"\x83", "ƒ"},      {"\x85", "…"},
      {"\x8A", "Š"},      {"\x8C", "Œ"},      {"\x8E", "Ž"},      {"\x91", "‘"},
      {"\x92", "’"},      {"\x93", "“"},      {"\x94", "”"},      {"\x95", "•"},
      {"\x96", "–"},      {"\x97", "—"},      {"\x98", "˜"},      {"\x99", "™"},
      {"\x9C", "œ"},      {"\x9F", "Ÿ"},      {"\xA0", "\u00A0"}, {"\xFF", "ÿ"},
      {"\x81", "\u0081"}, {"\x8D", "\u008D"}, {"\x8F", "\u008F"}, {"\x90", "\u0090"},
      {"\x9D", "\u009D"}, {"a\0b"s, "a\0b"s},
  };
  for (const auto& [bytes, text] : rows) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Utf8FromCp1252(bytes), text);
    EXPECT_EQ(Cp1252FromUtf8(text), bytes);
  }
}

TEST(Cp1252, BadOrUnmappableTextBecomesQuestionMarks) {
  const std::pair<std::string, std::string> rows[] = {
      {"\xFF", "?"},                 // never valid in UTF-8
      {"\x80x", "?x"},               // stray continuation byte
      {"a\xC3", "a?"},               // cut off at the end
      {"\xE2\x82x", "??x"},          // cut off before a normal character
      {"\xC0\xAF", "??"},            // overlong "/"
      {"\xE0\x80\xAF", "???"},       // overlong "/"
      {"\xED\xA0\x80", "???"},       // surrogate
      {"\xF4\x90\x80\x80", "????"},  // beyond U+10FFFF
      {"日本", "??"},
      {"😀!", "?!"},
      {"Ω", "?"},
      {"\u0080", "?"},  // no Windows-1252 byte
  };
  for (const auto& [text, bytes] : rows) {
    SCOPED_TRACE(bytes);
    EXPECT_EQ(Cp1252FromUtf8(text), bytes);
  }
}

TEST(KeyAscii, IsTheWindows1252Code) {
  const std::pair<char32_t, int> rows[] = {
      {U'A', 65},  {U'\0', 0}, {U'à', 224}, {U'€', 128},  {U'’', 146},    {U'ÿ', 255},
      {0x81, 129}, {0x80, 63}, {U'あ', 63}, {0xD800, 63}, {0x110000, 63},
  };
  for (const auto& [code_point, expected] : rows) {
    SCOPED_TRACE(static_cast<unsigned>(code_point));
    EXPECT_EQ(KeyAsciiFromCodePoint(code_point), expected);
  }
}

}  // namespace
}  // namespace quorvella
