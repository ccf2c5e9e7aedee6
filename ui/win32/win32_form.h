// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The Win32 binding of the window: builds the window and its controls from the window
// description with user32, gdi32 and comctl32, hands the game its controls through the toolkit
// interface and turns window messages into calls of the handlers the description names, through
// the game's event sink. Run-time errors and the end of the program are caught where a message
// enters.
//
// The window, its controls and its messages are in win32_form.cpp; its layout per DPI, its
// painting, its keyboard and the answer box's subclass have files of their own (layout.cpp,
// painting.cpp, keyboard.cpp, answer_box.cpp), which share the loaded window's state (loaded.h).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/runtime.h"
#include "platform/toolkit.h"
#include "platform/windows_api.h"
#include "ui/win32/rules.h"
#include "window/colours.h"
#include "window/description.h"
#include "window/dispatch.h"
#include "window/handlers.h"
#include "window/sentences.h"

namespace quorvella::win32 {

struct Control;

struct FormOptions {
  // Milliseconds between ticks of the clock timer; 0 keeps the described interval.
  int tickInterval = 0;
  // Milliseconds on a steady clock, for the pauses a screen reader is given; none: the
  // system's (GetTickCount64).
  std::function<std::int64_t()> now;
  // Whether high contrast is on, asked again each time the system's settings or colours change;
  // none: the system's flag (SPI_GETHIGHCONTRAST). The colours are always the system's
  // (GetSysColor).
  std::function<bool()> highContrast = nullptr;
};

class Win32Form : public Window {
 public:
  using ErrorHandler = std::function<void(const RuntimeError&)>;

  // `ui` ends the program when the window is closed; `onError` shows a run-time error and ends
  // the program with a failure status.
  Win32Form(HINSTANCE instance, const window::WindowDesc& description, EventSink& sink, Ui& ui,
            ErrorHandler onError, FormOptions options = {});
  ~Win32Form() override;
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;

  Label& label(std::string_view name) override;
  TextBox& textBox(std::string_view name) override;
  CommandButton& commandButton(std::string_view name) override;
  Timer& timer(std::string_view name) override;

  void SetCaption(const std::string& caption) override;
  void SetBackColor(std::uint32_t rgb) override;
  int WindowState() const override;
  void Unload() override;
  void Show() override;

  // Show() with errors and the end of the program caught, for the start of the program.
  void Start();
  // The message loop of the program; returns when the window is gone for good.
  int Run();
  // The keyboard work a dialog manager would do, done before a message is translated: Tab,
  // Enter for the focused or default button, Alt and an access key. True when it took the
  // message.
  bool PreTranslate(const MSG& msg);

  // Builds the controls' windows of a loaded window if they are not built yet. A load makes only
  // the window and the timers before the load handler runs, so the name box comes up at once;
  // the rest is built while that box is on the screen (the composition root calls this once it
  // has painted), or as soon as the game or the show needs a control.
  void EnsureControls();

  // The loaded window; nullptr while unloaded.
  HWND hwnd() const;
  // The captions the window shows now, by control name (empty for a control it lacks).
  window::CaptionOf Captions() const;
  // The DPI the window's client area is drawn at: its monitor's, or less where the window would
  // not fit the monitor's work area at it.
  int Dpi() const;
  // The colours the window is drawn in now, and its background's.
  const window::Colours& colours() const;
  std::uint32_t Background() const;
  // A control's window by its name (also its window property "Name", an atom); nullptr for none.
  HWND control(std::string_view name) const;

  // Runs a handler where a message enters, through window::Dispatcher: a run-time error goes to
  // the error handler, the end of the program stops every further handler. When the outermost
  // handler leaves the focus on no control, the first control of the Tab cycle that can take it
  // gets it.
  void Dispatch(const std::function<void()>& handler);
  // The race is over: its last boxes follow, then the program ends. The window stays disabled
  // from then on, so that as a box closes no control of it takes the focus (a reader would begin
  // on the question as the program ends); it looks the same.
  void RaceOver() { raceOver_ = true; }
  // Lets the window repaint while a handler waits (for the record store); nothing else runs.
  // The wait is not the player's time: once the handler is over, the clock's ticks that came
  // meanwhile are dropped and each running timer starts a whole interval again.
  void WhileWaiting();

  struct Loaded;

 private:
  friend struct FormAccess;
  void Load();
  // Calls the handler of an event of the window itself, if it has one.
  void CallWindowHandler(window::Event event);
  // Calls the handler of an event of a control or menu item, if it has one, through Dispatch.
  void CallHandler(const std::string& source, window::Event event);
  LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT AnswerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, WNDPROC original);
  static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK StaticAnswerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // The window's messages that take more than a few lines: commands (clicks, menu items, the
  // focus a control takes) and activation. True when the message was the window's.
  bool OnCommand(WPARAM wParam, LPARAM lParam);
  void OnActivate(HWND hwnd, WPARAM wParam);
  // Sizes and places the window and its controls for a monitor of `monitorDpi`: the one it is on,
  // or for a change of DPI the one of the `suggested` rectangle (layout.cpp).
  void Layout(int monitorDpi, const RECT* suggested = nullptr);
  // Leaves only digits in the answer box, whatever put the rest there (answer_box.cpp).
  void KeepDigits(HWND box);
  void ClickButton(std::size_t index);
  // Enables or disables a button for the game; a button that has the focus while a handler
  // disables it goes disabled when the handler returns (DisableHeldButtons).
  void EnableButton(Control& c, bool enabled);
  void DisableHeldButtons();
  // Each running timer starts a whole interval again; its ticks that came meanwhile are dropped.
  void RestartTimers();
  void MoveFocus(bool forward);
  void Relabel(std::size_t index, const std::string& caption);
  void UpdateAccessibleNames();
  // Takes the system's high-contrast setting and colours as they are now (painting.cpp).
  void Recolour();
  // Tells a screen reader of the time left when the clock reaches a time it announces, once the
  // reading that a move of the focus started has had its time (accessibility in win32_form.cpp).
  void AnnounceTime(const std::string& clock);
  void AnnounceWhenDue();
  // The clock's window text, which readers take as its name, follows its caption at most once per
  // window::kClockQuietMs; `now`: at once.
  void NameClock(bool now = false);
  std::int64_t Now() const;
  // Milliseconds between a timer's ticks: the described interval, or the one the options give.
  UINT TickInterval(const window::ControlDesc& timer) const;

  HINSTANCE instance_;
  const window::WindowDesc& desc_;
  EventSink& sink_;
  std::optional<window::Handlers> handlers_;  // checked against the game at the first load
  Ui& ui_;
  ErrorHandler onError_;
  FormOptions options_;
  std::unique_ptr<Loaded> loaded_;
  HeldKeys keys_;  // which key presses act (keyboard.cpp)
  window::Dispatcher dispatch_;
  bool raceOver_ = false;
};

}  // namespace quorvella::win32
