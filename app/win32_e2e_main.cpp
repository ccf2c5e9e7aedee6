// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The Windows program as the player gets it, but with the clock's pace and the factors of the
// questions given by the test that runs it: QUORVELLA_E2E_TICK_MS and QUORVELLA_E2E_SEED, and
// optionally the record directory, QUORVELLA_E2E_DIR (unset: the Windows directory, as the game).
// QUORVELLA_E2E_HIGH_CONTRAST=1 (or 0) stands for the system's high-contrast flag, which Wine
// always gives as off; the colours are the system's all the same (SetSysColors).
// With QUORVELLA_E2E_TRACE set, each handler the window calls is written to standard output, one
// line each, as in the Qt program's test build.
// With QUORVELLA_E2E_BOXES naming a file, every box's kind, title and prompt are appended to it,
// one line each (kind|title|prompt, line ends written as \r and \n), in UTF-8; with the
// farewell also the stored record the window shows (shown|lblpunti|lblnome); and a line when
// each box has closed (closed|title|answer).
// With QUORVELLA_E2E_DRIVER naming a file, a message-only window of class QuorvellaE2E lets a
// test drive the program from another process: WM_APP ticks the clock once (a test that holds the
// clock with a long QUORVELLA_E2E_TICK_MS steps it so), WM_APP + 1 writes the window's caption
// and every label's, button's and text box's caption to that file, in the described order, one
// line each (caption <name>=<text>, " [disabled]" after a disabled control, a line end written
// as \n and a carriage return left out), and returns once the file is written.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "app/win32_game.h"
#include "platform/text.h"
#include "window/description.h"

namespace {

using quorvella::app::Win32Game;

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

void WriteCaptions(Win32Game& game, const std::string& path) {
  std::string lines;
  if (const HWND window = game.form.hwnd()) {
    std::wstring title(512, L'\0');
    title.resize(static_cast<std::size_t>(GetWindowTextW(window, title.data(), 512)));
    lines += "caption Tavola=" + quorvella::OnOneLine(Utf8(title)) + "\n";
    const auto caption = game.form.Captions();
    using quorvella::window::ControlKind;
    for (const auto& c : quorvella::window::Tavola().controls) {
      if (c.kind == ControlKind::kTimer || c.kind == ControlKind::kImage) continue;
      const std::string text =
          c.kind == ControlKind::kTextBox ? game.form.textBox(c.name).Text() : caption(c.name);
      const HWND control = game.form.control(c.name);
      lines += "caption " + c.name + "=" + quorvella::OnOneLine(text) +
               (control && !IsWindowEnabled(control) ? " [disabled]" : "") + "\n";
    }
  }
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fputs(lines.c_str(), f);
    std::fclose(f);
  }
}

struct Driver {
  Win32Game& game;
  std::string captions;
};

LRESULT CALLBACK DriverProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* driver = reinterpret_cast<Driver*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (driver && msg == WM_APP) {
    driver->game.form.Dispatch([driver] { driver->game.sink.Call("Timer1_Timer"); });
    return 1;
  }
  if (driver && msg == WM_APP + 1) {
    WriteCaptions(driver->game, driver->captions);
    return 1;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

int main() {
  quorvella::app::Options options;
  if (const char* dir = std::getenv("QUORVELLA_E2E_DIR")) options.recordDir = dir;
  if (const char* tick = std::getenv("QUORVELLA_E2E_TICK_MS")) {
    options.tickInterval = std::atoi(tick);
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
  std::optional<Driver> driver;
  if (const char* captions = std::getenv("QUORVELLA_E2E_DRIVER")) {
    driver.emplace(Driver{game, captions});
    WNDCLASSW wc{};
    wc.lpfnWndProc = DriverProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QuorvellaE2E";
    RegisterClassW(&wc);
    const HWND window = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                        nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&*driver));
  }
  game.Start();
  return game.form.Run();
}
