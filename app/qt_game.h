// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The composition root of the Qt program: the only code that knows both the game and the Qt
// binding. The game, the end-to-end build, the installation check's race, the Qt tests and the
// benchmark all put the game together here, each injecting what it varies.
#pragma once

#include <QApplication>
#include <functional>
#include <memory>

#include "app/services.h"
#include "game/tavola.h"
#include "ui/qt/qt_form.h"
#include "ui/qt/qt_ui.h"

namespace quorvella::app {

// The application as the game wants it: the menu inside the window, one look on every desktop,
// Qt's own dialog texts in Italian, and no quitting when the window is rebuilt for a new race.
std::unique_ptr<QApplication> MakeApplication(int& argc, char** argv);

// What a caller may give instead of the real thing.
struct Injected {
  Ui* ui = nullptr;  // the boxes; default Qt's, ending the process at End
  Random* random = nullptr;
  Clock* clock = nullptr;
  qt::QtForm::ErrorHandler onError;  // default: the Qt boxes' error box and status 1
  std::function<void(int)> exit;     // how Qt's boxes end the program; default at once
};

class QtGame {
 public:
  explicit QtGame(const Options& options = {}, Injected injected = {});
  QtGame(const QtGame&) = delete;
  QtGame& operator=(const QtGame&) = delete;

  // Loads and shows the window, with errors and the end of the program caught.
  void Start() { form.Start(); }
  // Qt's boxes, when no others were injected.
  qt::QtUi* qtUi() const { return ownUi_.get(); }

  ServiceSet services;

 private:
  std::unique_ptr<qt::QtUi> ownUi_;

 public:
  Ui& ui;
  Tavola game;
  TracedSink sink;
  qt::QtForm form;
};

// The whole program: application, game, event loop.
int RunGame(int& argc, char** argv, const Options& options = {});

}  // namespace quorvella::app
