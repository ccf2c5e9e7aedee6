// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The game in the real Qt window, composed as the program composes it, with the boxes answered
// by a script, scripted factors, a fixed date and a record directory of the test's own; and the
// Qt tests' shared fixture around it.
#pragma once

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <string>
#include <vector>

#include "app/qt_game.h"
#include "common/temp_dir.h"
#include "fake/fake_form.h"
#include "qt/quiet_platform.h"

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

// The record directory comes first, so that it exists before the game that uses it.
struct OwnRecordDir {
  TempDir dir;
};

// The Qt tests' game: the scripted game with a record directory of its own (`subdir` of it, when
// given), started by a player's name, and the window's widgets by their names.
struct QtFixture : OwnRecordDir, ScriptedQtGame {
  explicit QtFixture(std::vector<float> randoms = {0.35f, 0.45f, 0.55f, 0.65f, 0.75f, 0.25f},
                     const std::string& subdir = {})
      : ScriptedQtGame(dir.dir() + subdir, std::move(randoms)) {}

  // Loads and shows the window with `name` typed into the name box; the window is then active.
  void Start(const std::string& name) {
    ui.names.push_back(name);
    form.Start();
    QVERIFY(form.widget());
    QVERIFY(QTest::qWaitForWindowActive(form.widget()));
  }

  template <class T = QWidget>
  T* w(const QString& name) {
    return form.widget()->findChild<T*>(name);
  }
  QWidget* client() { return form.widget()->centralWidget(); }
  QString caption(const QString& name) { return w<QLabel>(name)->text(); }
  QLineEdit* box() { return w<QLineEdit>("txtAnswer"); }
  QPushButton* next() { return w<QPushButton>("cmdNext"); }
  QWidget* focus() { return QApplication::focusWidget(); }
};

}  // namespace quorvella::testing
