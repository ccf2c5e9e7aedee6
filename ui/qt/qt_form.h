// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The Qt binding of the window: builds real widgets from the window description, hands the
// game its controls through the toolkit interface and turns Qt events into calls of the handlers
// the description names, through the game's event sink. Run-time errors and the end of the
// program are caught where an event enters.
#pragma once

#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/runtime.h"
#include "platform/toolkit.h"
#include "ui/qt/desktop_contrast.h"
#include "ui/qt/tavola_window.h"
#include "window/colours.h"
#include "window/description.h"
#include "window/dispatch.h"
#include "window/handlers.h"

class QMenuBar;
class QTimer;
class QWidget;

namespace quorvella::qt {

struct FormOptions {
  // Milliseconds between ticks of the clock timer; 0 keeps the described interval.
  int tickInterval = 0;
};

class QtForm : public QObject, public Window {
  Q_OBJECT
 public:
  using ErrorHandler = std::function<void(const RuntimeError&)>;

  // `ui` ends the program when the window is closed; `onError` shows a run-time error and ends
  // the program with a failure status.
  QtForm(const window::WindowDesc& description, EventSink& sink, Ui& ui, ErrorHandler onError,
         FormOptions options = {});
  ~QtForm() override;

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

  // The caption a label of the loaded window shows now; empty without one of that name.
  std::string CaptionOf(std::string_view name) const;

  // The loaded window; nullptr while unloaded, and during the load until the first box is up.
  TavolaWindow* widget() const { return win_; }
  // Whether the program has ended (only seen when the Ui's End could not end the process).
  bool ended() const { return dispatch_.Ended(); }
  // Runs a handler where an event enters, through window::Dispatcher: a run-time error goes to
  // the error handler, the end of the program stops every further handler.
  void Dispatch(const std::function<void()>& handler);
  // Lets the window repaint while a handler waits (for the record store): events other than
  // the player's input run. The wait is not the player's time: the clock's ticks that come
  // meanwhile are dropped, and once the handler is over each running timer starts a whole
  // interval again (so no handler runs inside another either).
  void WhileWaiting();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Controls;
  void Load();
  // The timers: all the load handler needs before it asks the player's name.
  void BuildTimers();
  // The window with its menu and visible controls. Built once the load handler's first box is on
  // the screen, so the player sees the name box without waiting for it, or at once when a
  // control is needed first; always before the load handler returns.
  void BuildWindow();
  void BuildMenu(QMenuBar* menuBar);
  void BuildControls(QWidget* client);
  void SetTabCycle(QWidget* client);
  void EnsureControls();
  // The call of the handler of an event of a control or menu item, entered through Dispatch.
  std::function<void()> Bind(const std::string& source, window::Event event);
  // Calls the handler of an event of the window itself, if it has one.
  void CallWindowHandler(window::Event event);
  void StopTimers();
  // Focus asked for by a handler is given when the handler returns, once every caption it
  // writes is in place: a reader then hears the finished question or verdict, and the focus is
  // the newest thing it hears of the control.
  void RequestFocus(QWidget* w);
  void ApplyFocus(QWidget* w);
  // After a menu command: the focus goes back to the control that had it before the menu bar
  // took it, unless the command gave it elsewhere or built a new window.
  void RestoreFocus(QWidget* control);
  // What a reader hears as the clock changes: the announcements of the time left, and the time
  // left in the name of the answer box while it has the focus, for where-am-I.
  void ClockChanged(const QString& caption);
  // The answer box's where-am-I: the question and the time left, once the quiet is over.
  void TellWhereAmI();
  // Takes the desktop's high-contrast setting as it is now and draws the window in its colours.
  void Recolour();
  void ApplyColours();

  const window::WindowDesc& desc_;
  EventSink& sink_;
  std::optional<window::Handlers> handlers_;  // checked against the game at the first load
  Ui& ui_;
  ErrorHandler onError_;
  FormOptions options_;
  QPointer<TavolaWindow> win_;
  std::unique_ptr<Controls> controls_;
  double zoom_ = 1.0;  // the design's size on this screen (TavolaWindow's FittingZoom)
  window::Dispatcher dispatch_;
  QPointer<QWidget> pendingFocus_;
  QPointer<QWidget> lastControl_;        // the control of the client area that last had the focus
  QPointer<QWidget> restoreOnActivate_;  // gets the focus as the window is active again
  bool waiting_ = false;                 // inside WhileWaiting: ticks are dropped
  DesktopContrast contrast_{[this] { Recolour(); }};
  window::Colours colours_;
  std::uint32_t asked_ = 0;  // the background the game asked for last
};

}  // namespace quorvella::qt
