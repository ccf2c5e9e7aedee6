// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "app/win32_game.h"

#include "window/description.h"

namespace quorvella::app {

Win32Game::Win32Game(HINSTANCE instance, const Options& options)
    : services(options),
      ui(services.files),
      game(services.For(ui)),
      sink(game, options.trace),
      form(
          instance, window::Tavola(), sink, ui, [this](const RuntimeError& e) { ui.Fatal(e); },
          win32::FormOptions{options.tickInterval,
                             {},
                             options.highContrast ? [on = *options.highContrast] { return on; }
                                                  : std::function<bool()>()}) {
  ui.owner = [this] { return form.hwnd(); };
  // The window's controls are built while the player reads the name box.
  ui.onRaceEnded = [this] { form.RaceOver(); };
  ui.onInputBoxShown = [this] { form.Dispatch([this] { form.EnsureControls(); }); };
  game.Attach(form);
  // While the record is busy the window goes on painting; nothing else runs meanwhile, and the
  // wait does not count against the race.
  services.store->SetWaiting([this] { form.WhileWaiting(); });
}

int RunWin32Game(HINSTANCE instance, const Options& options) {
  Win32Game game(instance, options);
  game.Start();
  return game.form.Run();
}

}  // namespace quorvella::app
