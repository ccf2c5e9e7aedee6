// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The Windows program as the player gets it, but with the clock's pace and the factors of the
// questions given by the test that runs it: QUORVELLA_E2E_TICK_MS (QUORVELLA_E2E_END_TICK_MS in
// the last ten seconds) and QUORVELLA_E2E_SEED, and
// optionally the record directory, QUORVELLA_E2E_DIR (unset: the Windows directory, as the game).
// QUORVELLA_E2E_HIGH_CONTRAST=1 (or 0) stands for the system's high-contrast flag, which Wine
// always gives as off; the colours are the system's all the same (SetSysColors).
// With QUORVELLA_E2E_TRACE set, each handler the window calls is written to standard output, one
// line each, as in the Qt program's test build.
// With QUORVELLA_E2E_BOXES naming a file, every box's kind, title and prompt are appended to it,
// one line each (kind|title|prompt, line ends written as \r and \n), in UTF-8; with the
// farewell also the stored record the window shows (shown|lblpunti|lblnome); and a line when
// each box has closed (closed|title|answer).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/win32_game.h"

int main() {
  quorvella::app::Options options;
  if (const char* dir = std::getenv("QUORVELLA_E2E_DIR")) options.recordDir = dir;
  if (const char* tick = std::getenv("QUORVELLA_E2E_TICK_MS")) {
    options.tickInterval = std::atoi(tick);
  }
  if (const char* tick = std::getenv("QUORVELLA_E2E_END_TICK_MS")) {
    options.endTickInterval = std::atoi(tick);
  }
  if (const char* seed = std::getenv("QUORVELLA_E2E_SEED")) {
    options.seed = static_cast<std::uint32_t>(std::strtoul(seed, nullptr, 10));
  }
  if (std::getenv("QUORVELLA_E2E_TRACE")) options.trace = stdout;
  if (const char* contrast = std::getenv("QUORVELLA_E2E_HIGH_CONTRAST")) {
    options.highContrast = std::string_view(contrast) == "1";
  }
  quorvella::app::Win32Game game(GetModuleHandleW(nullptr), options);
  if (const char* boxes = std::getenv("QUORVELLA_E2E_BOXES")) {
    game.ui.onBox = [path = std::string(boxes), &game](const char* kind, const std::string& title,
                                                       const std::string& prompt) {
      const auto escaped = [](const std::string& text) {
        std::string out;
        for (char c : text) {
          out += c == '\n'   ? std::string("\\n")
                 : c == '\r' ? std::string("\\r")
                             : std::string(1, c);
        }
        return out;
      };
      std::string line = std::string(kind) + "|" + title + "|" + escaped(prompt) + "\n";
      if (title.rfind("Data ", 0) == 0 && std::string_view(kind) != "closed") {
        line += "shown|" + escaped(game.form.label("lblpunti").Caption()) + "|" +
                escaped(game.form.label("lblnome").Caption()) + "\n";
      }
      if (std::FILE* f = std::fopen(path.c_str(), "ab")) {
        std::fputs(line.c_str(), f);
        std::fclose(f);
      }
    };
  }
  game.Start();
  return game.form.Run();
}
