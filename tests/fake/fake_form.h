// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// A fake toolkit for the game rules: a window built from the real description that records
// captions, focus and enabled states, and boxes answered from a script.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "game/tavola.h"
#include "platform/toolkit.h"
#include "window/dispatch.h"
#include "window/sentences.h"

namespace quorvella::testing {

// FakeUi::End throws this, so a test sees that the program ended and nothing ran after it.
using ProgramEnded = ProgramEnd;

struct BoxCall {
  std::string kind;  // "msg" or "input"
  std::string prompt;
  int style = 0;
  std::optional<std::string> title;
  std::optional<window::SpokenBoxText> spoken;  // what a reader hears of it instead
};

class FakeUi : public Ui {
 public:
  int MsgBox(const std::string& prompt, int style,
             const std::optional<std::string>& title) override;
  std::string InputBox(const std::string& prompt) override;
  void RaceEnded(const RaceResult& result) override;
  void EndProgram() override;

  std::deque<std::string> names;  // answers of the input boxes, in order ("" when empty)
  std::deque<int> answers;        // answers of Yes/No boxes (vbNo when empty)
  std::vector<BoxCall> calls;
  std::vector<RaceResult> races;  // as the game told each race's end
  int ends = 0;

 private:
  window::EndOfRace endOfRace_;
};

// The store as the game sees it: another store, counting the writes the game asks of it.
class CountingStore : public records::RecordStore {
 public:
  explicit CountingStore(records::RecordStore& store) : store_(store) {}
  std::string Directory() const override { return store_.Directory(); }
  records::Record Open() override { return store_.Open(); }
  bool WriteIfHigher(const std::string& score, const std::string& name) override {
    ++writes;
    return store_.WriteIfHigher(score, name);
  }
  void SetWaiting(std::function<void()> waiting) override { store_.SetWaiting(std::move(waiting)); }
  int writes = 0;

 private:
  records::RecordStore& store_;
};

// A fixed sequence of random values, repeated when it runs out.
class ScriptedRandom : public Random {
 public:
  explicit ScriptedRandom(std::vector<float> values) : values_(std::move(values)) {}
  float Rnd() override { return values_[next_++ % values_.size()]; }
  void Randomize() override { ++reseeds; }
  // Values that draw the factors a and b.
  static std::vector<float> Factors(int a, int b) {
    return {static_cast<float>(a) / 10 + 0.05f, static_cast<float>(b) / 10 + 0.05f};
  }
  int reseeds = 0;

 private:
  std::vector<float> values_;
  std::size_t next_ = 0;
};

class FixedClock : public Clock {
 public:
  std::string ShortDate() override { return "08/12/2026"; }
  std::string TimeOfDay() override { return "17:05"; }
};

class FakeControl : public Label, public TextBox, public CommandButton, public Timer {
 public:
  std::string Caption() const override { return text; }
  void SetCaption(const std::string& c) override;
  std::string Text() const override { return text; }
  void SetText(const std::string& t) override { text = t; }
  void SetFocus() override;
  void SetEnabled(bool e) override { enabled = e; }

  std::string name;
  std::string text;
  bool enabled = true;
  class FakeWindow* owner = nullptr;
};

class FakeWindow : public Window {
 public:
  FakeWindow() = default;
  void Attach(Tavola& game) { game_ = &game; }

  Label& label(std::string_view name) override { return get(name); }
  TextBox& textBox(std::string_view name) override { return get(name); }
  CommandButton& commandButton(std::string_view name) override { return get(name); }
  Timer& timer(std::string_view name) override { return get(name); }

  void SetCaption(const std::string& c) override { caption = c; }
  void SetBackColor(std::uint32_t rgb) override { backColor = rgb; }
  int WindowState() const override { return state; }
  void Unload() override;
  void Show() override;

  FakeControl& get(std::string_view name);
  bool loaded() const { return !controls_.empty(); }

  // What a reader hears, by the bindings' rules (window::Announcements), on a clock of
  // milliseconds the test sets: the announcements of the time left as they are made, and the
  // answer box's name on a where-am-I.
  void FocusMoved(std::string control);
  void ClockShows(const std::string& clock);
  // Makes the announcement that waits, if its time has come.
  void Announce();
  std::string WhereAmI();
  std::int64_t now = 0;
  std::vector<std::string> announced;

  std::string caption;
  std::optional<std::uint32_t> backColor;
  int state = vbNormal;
  std::string focus;
  int loads = 0;
  int activations = 0;

 private:
  Tavola* game_ = nullptr;
  std::map<std::string, std::unique_ptr<FakeControl>, std::less<>> controls_;
  window::Announcements announcements_;
};

// A game with a fake window, scripted boxes and a record directory of the test's own.
struct FakeGame {
  explicit FakeGame(std::string recordDir, std::vector<float> randoms = {0.35f, 0.45f})
      : random(std::move(randoms)),
        store(std::move(recordDir)),
        game(Services{ui, random, clock, files, counted}) {
    window.Attach(game);
    game.Attach(window);
  }
  // Loads and shows the window: name box, greeting, load, resize and activation.
  void Start(const std::string& name) {
    ui.names.push_back(name);
    Dispatch([this] { window.Show(); });
  }
  // Runs a handler as the bindings do (window::Dispatcher): true when it ended the program; the
  // error box's run-time error is thrown for the test to see.
  bool Dispatch(const std::function<void()>& handler);
  // Types a text into the answer box key by key, as the box would let it in.
  void Type(const std::string& keys);
  void Key(int code);
  std::string Caption(const std::string& control) { return window.get(control).text; }
  // Ticks the clock n times, a second apart on the window's clock; returns true if the program
  // ended meanwhile.
  bool Tick(int n);

  FakeUi ui;
  ScriptedRandom random;
  FixedClock clock;
  FilePool files;
  records::LocalStore store;
  CountingStore counted{store};
  FakeWindow window;
  Tavola game;
  window::Dispatcher dispatch;
};

}  // namespace quorvella::testing
