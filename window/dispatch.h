// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The one way a binding runs a handler of the game (window/contract.h, Dispatch and Ticks while
// the record store waits): it counts the handlers running one inside another, notes a wait for
// the record store, and turns the way a handler left into what the binding does next. The
// binding does that with its toolkit (restarts its timers, stops them, shows the error box);
// nothing thrown goes further. Plain C++, the same for every binding and the tests' fake form.
#pragma once

#include <functional>
#include <optional>

#include "platform/runtime.h"

namespace quorvella::window {

// What the binding does once a handler has left.
struct AfterHandler {
  enum class Next {
    kGoOn,           // it returned, or did not run: the program has ended
    kRestartTimers,  // it returned after waiting for the record store: each running timer
                     // starts a whole interval again, and a tick that came meanwhile is dropped
    kEndProgram,     // it ended the program (Ui::End): the timers stop, no handler runs again
    kErrorBox,       // it failed: the timers stop, the error box shows `error`, status 1
  };
  Next next = Next::kGoOn;
  // With kErrorBox: a RuntimeError as it left the handler, anything else as run-time error 51
  // "Errore interno" with the exception's text as its reason.
  std::optional<RuntimeError> error;
};

class Dispatcher {
 public:
  // Runs `handler`, unless a handler has ended the program, and says what the binding does
  // next. What the binding does after each handler before it returns (the focus it asked for)
  // belongs inside `handler`: it runs at the handler's depth.
  AfterHandler Run(const std::function<void()>& handler);
  // The running handler waits for the record store. Its timers restart as it returns, not as a
  // handler the wait itself lets run returns.
  void Waited() { waitedAt_ = depth_ > 0 ? depth_ : 1; }
  // Whether a handler is running: a focus it asks for waits until it returns.
  bool Running() const { return depth_ > 0; }
  // Whether a handler ended the program or failed: nothing runs after it.
  bool Ended() const { return ended_; }

 private:
  int depth_ = 0;
  std::optional<int> waitedAt_;
  bool ended_ = false;
};

}  // namespace quorvella::window
