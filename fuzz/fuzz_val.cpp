// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The leading-number rule on any text: never a crash, never undefined behaviour, never NaN, and
// the record comparison it feeds stays a total order.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/runtime.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const double v = quorvella::Val(text);
  if (std::isnan(v)) std::abort();
  // What follows a carriage return never counts: the record is one line.
  const double line = quorvella::Val(std::string(text) + "\r\n9");
  if (line != v) std::abort();
  // Rounding and 16-bit conversion of what was read must not misbehave either.
  (void)quorvella::RoundHalfEven(v);
  try {
    (void)quorvella::CInt(v);
  } catch (const quorvella::RuntimeError&) {
  }
  (void)quorvella::Format(v, "####0");
  return 0;
}
