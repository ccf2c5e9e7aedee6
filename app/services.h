// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// What every program that plays the game puts together besides a window: the run-time services
// and the record directory, chosen by options. Parts a caller gives (a test's scripted random
// numbers or fixed date) are used instead of the system's. Plain C++: shared by every binding.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "game/tavola.h"
#include "records/store.h"

namespace quorvella::app {

struct Options {
  // The record directory; empty means the system's (the Windows directory or its stand-in).
  std::string recordDir;
  // Milliseconds between clock ticks; 0 keeps the window's one second.
  int tickInterval = 0;
  // A fixed seed for the factors of the questions; none seeds from the system's entropy.
  std::optional<std::uint32_t> seed;
  // Where each handler the window calls is written, one line each ("cmdNext_Click",
  // "txtAnswer_KeyPress 13"), for the end-to-end tests to count; none writes nothing.
  std::FILE* trace = nullptr;
  // Whether the system asks for high contrast; none asks the system. The Windows program's
  // tests only: Wine always answers that it does not.
  std::optional<bool> highContrast = std::nullopt;
};

// The game as the window calls it, each call written to `trace` first when there is one.
class TracedSink : public EventSink {
 public:
  TracedSink(EventSink& game, std::FILE* trace) : game_(game), trace_(trace) {}
  bool Handles(std::string_view handler) const override { return game_.Handles(handler); }
  void Call(std::string_view handler, std::int16_t* keyAscii = nullptr) override;

 private:
  EventSink& game_;
  std::FILE* trace_;
};

class ServiceSet {
 public:
  explicit ServiceSet(const Options& options, Random* random = nullptr, Clock* clock = nullptr);
  ServiceSet(const ServiceSet&) = delete;
  ServiceSet& operator=(const ServiceSet&) = delete;

  // The services for a game whose boxes are `ui`.
  Services For(Ui& ui);

  FilePool files;
  // Where the record lives: through the record helper on an installation that has one and
  // keeps the record in the system's directory, in this process everywhere else.
  std::unique_ptr<records::RecordStore> store;

 private:
  std::unique_ptr<Random> ownRandom_;
  std::unique_ptr<Clock> ownClock_;
  Random& random_;
  Clock& clock_;
};

}  // namespace quorvella::app
