// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Windows-1252 <-> UTF-8: any bytes decode to valid UTF-8 that encodes back to the same bytes;
// any text encodes without a crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace {

bool ValidUtf8(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t len = c < 0x80         ? 1
                      : (c >> 5) == 6  ? 2
                      : (c >> 4) == 14 ? 3
                      : (c >> 3) == 30 ? 4
                                       : 0;
    if (len == 0 || i + len > s.size()) return false;
    for (std::size_t k = 1; k < len; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += len;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string text = quorvella::Utf8FromCp1252(bytes);
  if (!ValidUtf8(text)) std::abort();
  if (quorvella::Cp1252FromUtf8(text) != bytes) std::abort();
  // The same input taken as (possibly broken) UTF-8 text.
  const std::string back = quorvella::Cp1252FromUtf8(bytes);
  if (back.size() > bytes.size()) std::abort();  // never more bytes than UTF-8 units
  return 0;
}
