// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "window/dispatch.h"

#include <exception>

#include "platform/toolkit.h"

namespace quorvella::window {

AfterHandler Dispatcher::Run(const std::function<void()>& handler) {
  AfterHandler after;
  if (ended_) return after;
  const int depth = ++depth_;
  try {
    handler();
    if (waitedAt_ && depth <= *waitedAt_) {
      waitedAt_.reset();
      after.next = AfterHandler::Next::kRestartTimers;
    }
  } catch (const ProgramEnd&) {
    after.next = AfterHandler::Next::kEndProgram;
  } catch (const RuntimeError& e) {
    after.next = AfterHandler::Next::kErrorBox;
    after.error = e;
  } catch (const std::exception& e) {
    after.next = AfterHandler::Next::kErrorBox;
    after.error = RuntimeError(51, "Errore interno", "", e.what());
  }
  --depth_;
  if (after.next == AfterHandler::Next::kEndProgram ||
      after.next == AfterHandler::Next::kErrorBox) {
    ended_ = true;
  }
  return after;
}

}  // namespace quorvella::window
