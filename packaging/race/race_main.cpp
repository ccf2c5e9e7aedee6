// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// A scripted race for the installation check: the game's own window, rules and record store,
// played by a robot at a fast clock. It is installed beside the package (never by the package
// itself), without privilege like the game, so that ordinary players can run a whole race in a
// few seconds against the shared record directory through the installed record helper.
//
//   quorvella-race NAME RIGHT [TICK_MS]
//
// types NAME into the name box, answers RIGHT questions correctly, then lets the clock run out
// at one tick every TICK_MS milliseconds (5 by default) and accepts every box. Each box's text
// is printed on its own line, prefixed "box: "; "race: window up" is printed once the record has
// been read and the window is shown.
#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/qt_game.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s NAME RIGHT [TICK_MS]\n", argv[0]);
    return 2;
  }
  const QString name = QString::fromLocal8Bit(argv[1]);
  const int right = std::atoi(argv[2]);
  const int tick = argc > 3 ? std::atoi(argv[3]) : 5;

  using namespace quorvella;
  const auto app = app::MakeApplication(argc, argv);
  app::QtGame composed(app::Options{{}, tick, {}});
  qt::QtUi& ui = *composed.qtUi();
  qt::QtForm& form = composed.form;
  Tavola& game = composed.game;
  ui.onInputBox = [name](QInputDialog& box) {
    QTimer::singleShot(0, &box, [&box, name] {
      box.setTextValue(name);
      box.accept();
    });
  };
  ui.onMessageBox = [](QMessageBox& box) {
    std::printf("box: %s\n", box.text().toUtf8().constData());
    std::fflush(stdout);
    QTimer::singleShot(0, &box, [&box] { box.accept(); });
  };
  composed.Start();

  int answered = 0;
  bool announced = false;
  QTimer robot;
  QObject::connect(&robot, &QTimer::timeout, [&] {
    if (!form.widget() || !form.widget()->isVisible()) return;
    if (!announced) {
      announced = true;
      std::printf("race: window up\n");
      std::fflush(stdout);
    }
    if (answered >= right) return;
    const int a = std::atoi(form.label("lblNum1").Caption().c_str());
    const int b = std::atoi(form.label("lblNum2").Caption().c_str());
    form.textBox("txtAnswer").SetText(std::to_string(a * b));
    form.Dispatch([&] {
      std::int16_t key = 13;
      game.txtAnswer_KeyPress(key);
      game.cmdNext_Click();
    });
    ++answered;
  });
  robot.start(1);
  return QApplication::exec();
}
