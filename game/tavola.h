// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The window object `Tavola`: the state of one race and the handlers of the window's events.
// It sees the window only through the toolkit interface, so the same rules run in the real
// window and in the tests' fake one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/files.h"
#include "platform/runtime.h"
#include "platform/toolkit.h"
#include "records/store.h"

namespace quorvella {

// The per-window variables of one race, in this order.
struct GameState {
  std::int16_t Product = 0;       // product of the open question's two factors
  std::int16_t RightCount = 0;    // correct answers in this race
  std::int16_t WrongCount = 0;    // wrong answers in this race
  std::int16_t FileNum = 0;       // file number taken for the record files
  std::int16_t ClockHours = 0;    // countdown clock, hours field
  std::int16_t ClockMinutes = 0;  // countdown clock, minutes field
  float ClockSeconds = 0;         // countdown clock, seconds field (whole values only)
  std::int16_t SecondsLeft = 0;   // seconds remaining in the race
  std::string WinDir;             // the record directory, ending in its separator
};

// What the game needs besides the window: boxes and the end, random numbers, the date, files and
// the record store. Everything that varies is here, so tests can fix it.
struct Services {
  Ui& ui;
  Random& random;
  Clock& clock;
  FilePool& files;
  records::RecordStore& store;
};

// The longest name the game keeps, in characters (one byte each in n.txt): what the name box
// takes.
inline constexpr std::size_t kMaxNameLength = kInputBoxMaxLength;

// Caption of the window once it is shown and whenever it is restored.
inline constexpr const char* kCaption = "Giocare con la tavola pitagorica";
// Caption while the window is minimized: true for the whole race.
inline constexpr const char* kMinimizedCaption = "Quorvella: gara in corso";

class Tavola : public EventSink {
 public:
  explicit Tavola(Services services) : s_(std::move(services)) {}

  // The window whose controls the handlers use. It outlives this object's use of it; while it is
  // unloaded no handler runs.
  void Attach(Window& window) { window_ = &window; }

  // The handlers by their names in the window's handler table.
  bool Handles(std::string_view handler) const override;
  void Call(std::string_view handler, std::int16_t* keyAscii = nullptr) override;

  // Event handlers.
  void Form_Load();
  void Form_Activate();
  void Form_Resize();
  void cmdNext_Click();
  void txtAnswer_KeyPress(std::int16_t& KeyAscii);
  void Timer1_Timer();
  void cmdExit_Click();
  void Next_Click();

  const GameState& state() const { return st_; }
  // The clock text: hours, minutes and seconds with two digits each, joined by ":".
  std::string ClockText() const;

 private:
  void StartClock();
  [[noreturn]] void EndGame();
  void ShowMinimizedCaption();
  void Judge();

  Label& lbl(std::string_view name) { return window_->label(name); }
  TextBox& txtAnswer() { return window_->textBox("txtAnswer"); }
  CommandButton& cmdNext() { return window_->commandButton("cmdNext"); }
  Timer& Timer1() { return window_->timer("Timer1"); }

  Services s_;
  Window* window_ = nullptr;
  GameState st_;
};

}  // namespace quorvella
