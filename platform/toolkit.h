// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// What the game sees of the windowing toolkit: a window with named controls of a few kinds, and
// modal message and input boxes. The real program gives it the Qt binding (ui/qt/); the
// tests give it a fake form. Plain C++.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvella {

// Message box styles and answers.
inline constexpr int vbOKOnly = 0;
inline constexpr int vbYesNo = 4;
inline constexpr int vbQuestion = 32;
inline constexpr int vbDefaultButton2 = 256;
inline constexpr int vbOK = 1;
inline constexpr int vbYes = 6;
inline constexpr int vbNo = 7;

// Window states.
inline constexpr int vbNormal = 0;
inline constexpr int vbMinimized = 1;
inline constexpr int vbMaximized = 2;

// The most characters an input box's entry takes.
inline constexpr int kInputBoxMaxLength = 255;

// The title of boxes that carry none of their own.
inline constexpr std::string_view kAppTitle = "Quorvella";

class Label {
 public:
  virtual ~Label() = default;
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;
};

class TextBox {
 public:
  virtual ~TextBox() = default;
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& text) = 0;
  virtual void SetFocus() = 0;
};

class CommandButton {
 public:
  virtual ~CommandButton() = default;
  virtual void SetEnabled(bool enabled) = 0;
  virtual void SetFocus() = 0;
};

class Timer {
 public:
  virtual ~Timer() = default;
  virtual void SetEnabled(bool enabled) = 0;
};

// The window while it is loaded. Controls are looked up by name; asking for a name that the
// window does not have, or for a control of another kind, is a programming error and throws
// std::logic_error.
class Window {
 public:
  virtual ~Window() = default;

  virtual Label& label(std::string_view name) = 0;
  virtual TextBox& textBox(std::string_view name) = 0;
  virtual CommandButton& commandButton(std::string_view name) = 0;
  virtual Timer& timer(std::string_view name) = 0;

  virtual void SetCaption(const std::string& caption) = 0;
  // An RGB value as RGB() makes it.
  virtual void SetBackColor(std::uint32_t rgb) = 0;
  // vbNormal, vbMinimized or vbMaximized.
  virtual int WindowState() const = 0;
  // Destroys the window and its controls (the timer stops with them). The game object lives on.
  virtual void Unload() = 0;
  // Loads the window when it is not loaded (creating every control anew and running Form_Load),
  // then shows it; activation and the first resize follow.
  virtual void Show() = 0;
};

// The one way a binding calls the game: by the handler names that the window description's
// handler table gives for each (control, event). The game lists its handlers once, by those
// names; the binding looks the name up in the description and calls it here.
class EventSink {
 public:
  virtual ~EventSink() = default;
  // Whether the game has a handler of that name.
  virtual bool Handles(std::string_view handler) const = 0;
  // Runs the named handler. `keyAscii` is the character code of a key-press handler, passed by
  // reference (0 swallows the key); nullptr for every other handler. A name the game has no
  // handler for is a programming error and throws std::logic_error.
  virtual void Call(std::string_view handler, std::int16_t* keyAscii = nullptr) = 0;
};

// A Ui whose End cannot end the process at once (a test's) throws this instead; the window
// catches it where the event entered and runs no handler after it.
struct ProgramEnd {};

// How a race ended, as the game tells it before its end-of-race boxes: the counts and the record
// as the window shows them, whether the score beat the record, and the day (the farewell's
// title shows it, "08/12/2026").
struct RaceResult {
  std::string right;
  std::string wrong;
  std::string total;
  std::string record;  // the record the race ran against; blank or empty: none
  bool beaten = false;
  std::string date;
  bool operator==(const RaceResult&) const = default;
};

// Modal boxes and the end of the program.
class Ui {
 public:
  virtual ~Ui() = default;
  // The race is over: called once, just before the farewell box. The boxes that follow until the
  // program ends are the farewell and, when the record was written, its confirmation, in that
  // order; a binding tells a reader the race's result with them (window::EndOfRace). Boxes that
  // no reader sees (a test's) may ignore it.
  virtual void RaceEnded(const RaceResult& result) { (void)result; }
  // Returns vbOK, vbYes or vbNo. Without a title the application title shows.
  virtual int MsgBox(const std::string& prompt, int style,
                     const std::optional<std::string>& title = std::nullopt) = 0;
  // Returns the typed text on OK and the empty text on Cancel.
  virtual std::string InputBox(const std::string& prompt) = 0;
  // Closes all files and windows and ends the process at once with status 0. Should the
  // implementation come back (a test's cannot end the process), nothing after it runs either.
  [[noreturn]] void End() {
    EndProgram();
    throw ProgramEnd{};
  }

 protected:
  virtual void EndProgram() = 0;
};

}  // namespace quorvella
