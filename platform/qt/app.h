// The whole program: the application, Italian dialog texts, the game and its window.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quorvella::qt {

struct AppOptions {
  // The record directory; empty means the system's (the Windows directory or its stand-in).
  std::string recordDir;
  // Milliseconds between clock ticks; 0 keeps the window's one second.
  int tickInterval = 0;
  // A fixed seed for the factors of the questions, so that a test sees the same race every run;
  // none seeds from the system's entropy.
  std::optional<std::uint32_t> seed;
};

int RunGame(int& argc, char** argv, const AppOptions& options = {});

}  // namespace quorvella::qt
