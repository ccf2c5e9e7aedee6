// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Runs a call that should fail with a run-time error and hands back the error, or nothing.
#pragma once

#include <optional>
#include <utility>

#include "platform/runtime.h"

namespace quorvella::testing {

template <typename Call>
std::optional<RuntimeError> ErrorOf(Call&& call) {
  try {
    call();
  } catch (const RuntimeError& error) {
    return error;
  }
  return std::nullopt;
}

// The error number of the call's run-time error, 0 when it raised none.
template <typename Call>
int ErrorNumberOf(Call&& call) {
  const auto error = ErrorOf(std::forward<Call>(call));
  return error ? error->number() : 0;
}

}  // namespace quorvella::testing
