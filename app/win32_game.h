// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The composition root of the Windows program: the only Windows code that knows both the game and
// the Win32 binding. The game and its end-to-end build put the game together here.
#pragma once

#include "app/services.h"
#include "game/tavola.h"
#include "ui/win32/win32_form.h"
#include "ui/win32/win32_ui.h"

namespace quorvella::app {

class Win32Game {
 public:
  explicit Win32Game(HINSTANCE instance, const Options& options = {});
  Win32Game(const Win32Game&) = delete;
  Win32Game& operator=(const Win32Game&) = delete;

  // Loads and shows the window, with errors and the end of the program caught.
  void Start() { form.Start(); }

  ServiceSet services;
  win32::Win32Ui ui;
  Tavola game;
  TracedSink sink;  // the game as the window calls it, traced as Options::trace says
  win32::Win32Form form;
};

// The whole program: game and message loop.
int RunWin32Game(HINSTANCE instance, const Options& options = {});

}  // namespace quorvella::app
