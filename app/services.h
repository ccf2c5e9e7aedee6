// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// What every program that plays the game puts together besides a window: the run-time services
// and the record directory, chosen by options. Parts a caller gives (a test's scripted random
// numbers or fixed date) are used instead of the system's. Plain C++: shared by every binding.
#pragma once

#include <cstdint>
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
