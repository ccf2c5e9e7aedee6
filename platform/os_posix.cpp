// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// POSIX side of the operating-system calls (Linux, the BSDs, macOS).
#include <ctime>

#include "platform/os.h"

namespace quorvella::os {

bool LocalTime(std::time_t when, std::tm& out) {
  return ::localtime_r(&when, &out) != nullptr;
}

}  // namespace quorvella::os
