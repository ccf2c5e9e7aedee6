// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The whole program as the player gets it, but with the record directory and the clock's pace
// given by the test that runs it: QUORVELLA_E2E_DIR (required) and QUORVELLA_E2E_TICK_MS, the
// factors of the questions fixed by QUORVELLA_E2E_SEED, and with QUORVELLA_E2E_TRACE set each
// handler the window calls written on standard output.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/qt_game.h"

int main(int argc, char** argv) {
  const char* dir = std::getenv("QUORVELLA_E2E_DIR");
  if (!dir || !*dir) {
    std::fprintf(stderr, "QUORVELLA_E2E_DIR is not set\n");
    return 2;
  }
  quorvella::app::Options options;
  options.recordDir = dir;
  if (const char* tick = std::getenv("QUORVELLA_E2E_TICK_MS"))
    options.tickInterval = std::atoi(tick);
  if (const char* seed = std::getenv("QUORVELLA_E2E_SEED")) {
    options.seed = static_cast<std::uint32_t>(std::strtoul(seed, nullptr, 10));
  }
  if (std::getenv("QUORVELLA_E2E_TRACE")) options.trace = stdout;
  return quorvella::app::RunGame(argc, argv, options);
}
