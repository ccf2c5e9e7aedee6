// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The bare Qt window the game is measured against: a QMainWindow with a menu bar, a 792 x 554
// central widget holding 26 plain QLabels in the game's fonts, and a one-second timer that
// counts down in one of them. No binding layer, no description, no game rules.
#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>
#include <QVector>

namespace quorvella::bench {

class BaselineWindow : public QMainWindow {
 public:
  BaselineWindow();

  // The same visible changes the game makes for a verdict and for a new question.
  void ShowVerdict(bool right);
  void DrawQuestion(int a, int b);

  QLabel* clock() const { return clock_; }
  QTimer* timer() const { return timer_; }

 private:
  void Tick();

  QWidget* client_;
  QLabel* clock_;
  QLabel *num1_, *num2_, *message_, *right_, *wrong_, *total_;
  QVector<QLabel*> labels_;
  QTimer* timer_;
  int seconds_ = 15 * 60;
  int rightCount_ = 0, wrongCount_ = 0;
};

}  // namespace quorvella::bench
