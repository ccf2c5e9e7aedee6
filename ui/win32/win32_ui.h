// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Message and input boxes on the Win32 API, run-time error boxes, and the end of the program.
// Message boxes are the system's own (MessageBoxW), with its buttons in the system's language;
// the input box is a dialog of the binding's own, built from a template in memory. Every box
// shows the game's icon and is at least as wide as its title needs at its DPI.
#pragma once

#include <functional>
#include <string_view>

#include "platform/files.h"
#include "platform/runtime.h"
#include "platform/toolkit.h"
#include "platform/windows_api.h"
#include "ui/win32/accessibility.h"
#include "window/sentences.h"

namespace quorvella::win32 {

// The width of a box whose title is `title` at `dpi`: the title in the caption font with room to
// spare for a window manager's wider face, the icon before it, room for three caption buttons
// after it (a window manager may add minimize and maximize to the close button) and the frame.
int BoxWidthForTitle(std::wstring_view title, int dpi);

class Win32Ui : public Ui {
 public:
  // `files` is closed when the program ends.
  explicit Win32Ui(FilePool& files);

  int MsgBox(const std::string& prompt, int style,
             const std::optional<std::string>& title = std::nullopt) override;
  std::string InputBox(const std::string& prompt) override;
  // The boxes that follow tell a reader the race's result.
  void RaceEnded(const RaceResult& result) override {
    endOfRace_.RaceEnded(result);
    if (onRaceEnded) onRaceEnded();
  }

  // The window the boxes belong to while it is shown (nullptr: none, the boxes stand alone).
  std::function<HWND()> owner;
  // Called when the race is over, before its last boxes.
  std::function<void()> onRaceEnded;
  // Called each time an input box has painted, while the player reads it.
  std::function<void()> onInputBoxShown;
  // Called with each box's kind ("input", "message" or "error"), title and prompt just before
  // it shows, and with "closed", its title and the button that closed it (a message box's
  // answer, or "OK" or "Annulla") once it is gone, so an end-to-end test can read them back and
  // wait for them.
  std::function<void(const char* kind, const std::string& title, const std::string& prompt)> onBox;

  // Shows the run-time error in a modal box that names the file and the reason, then ends the
  // program with status 1.
  [[noreturn]] void Fatal(const RuntimeError& error);

 protected:
  void EndProgram() override;

 private:
  [[noreturn]] void Exit(int status);
  HWND Owner() const;

  FilePool& files_;
  Annotations annotations_;
  window::EndOfRace endOfRace_;
};

}  // namespace quorvella::win32
