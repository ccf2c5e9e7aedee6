// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The game in the real Qt window, composed as the program composes it, with the boxes answered
// by a script, scripted factors, a fixed date and a record directory of the test's own.
#pragma once

#include <string>
#include <vector>

#include "app/qt_game.h"
#include "fake/fake_form.h"

namespace quorvella::testing {

struct ScriptedQtGame {
  explicit ScriptedQtGame(const std::string& recordDir, std::vector<float> randoms,
                          int tickInterval = 0)
      : random(std::move(randoms)),
        composed(
            app::Options{recordDir, tickInterval, {}},
            app::Injected{
                &ui, &random, &clock, [this](const RuntimeError& e) { errors.push_back(e); }, {}}),
        game(composed.game),
        form(composed.form) {}

  FakeUi ui;
  ScriptedRandom random;
  FixedClock clock;
  std::vector<RuntimeError> errors;  // run-time errors the binding caught
  app::QtGame composed;
  Tavola& game;
  qt::QtForm& form;
};

}  // namespace quorvella::testing
