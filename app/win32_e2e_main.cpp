// The Windows program as the player gets it, but with the clock's pace and the factors of the
// questions given by the test that runs it: QUORVELLA_E2E_TICK_MS and QUORVELLA_E2E_SEED, and
// optionally the record directory, QUORVELLA_E2E_DIR (unset: the Windows directory, as the game).
#include <cstdint>
#include <cstdlib>

#include "app/win32_game.h"

int main() {
  quorvella::app::Options options;
  if (const char* dir = std::getenv("QUORVELLA_E2E_DIR")) options.recordDir = dir;
  if (const char* tick = std::getenv("QUORVELLA_E2E_TICK_MS")) {
    options.tickInterval = std::atoi(tick);
  }
  if (const char* seed = std::getenv("QUORVELLA_E2E_SEED")) {
    options.seed = static_cast<std::uint32_t>(std::strtoul(seed, nullptr, 10));
  }
  return quorvella::app::RunWin32Game(GetModuleHandleW(nullptr), options);
}
