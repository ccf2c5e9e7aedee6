// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Text as the run-time keeps it: the record files and the key codes are Windows-1252, the
// program's own texts UTF-8. Plain C++.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvella {

// Windows-1252 bytes <-> UTF-8 text. Every byte decodes to a character (the five bytes that
// Windows-1252 leaves undefined decode to the C1 control of the same number, as Windows does);
// characters that Windows-1252 cannot hold encode as "?".
std::string Utf8FromCp1252(std::string_view bytes);
std::string Cp1252FromUtf8(std::string_view text);

// Whether the text is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

// The text without control characters (C0, DEL and C1): a line break or a terminal escape has
// no place in a one-line name.
std::string WithoutControlCharacters(std::string_view text);

// The text on one line, as the end-to-end builds' traces write it: a line break as the two
// characters \n, a carriage return left out.
std::string OnOneLine(std::string_view text);

// The character code the key-press handler sees for a typed character: its Windows-1252 code,
// or 63 ("?") for a character that Windows-1252 cannot hold.
std::int16_t KeyAsciiFromCodePoint(char32_t code_point);

}  // namespace quorvella
