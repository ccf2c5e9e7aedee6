// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "bench/baseline_window.h"

#include <QMenuBar>

namespace quorvella::bench {
namespace {

QLabel* MakeLabel(QWidget* parent, const QString& text, QRect rect, const char* family, int px,
                  bool bold, QColor color, bool framed = false) {
  auto* label = new QLabel(text, parent);
  QFont font(QString::fromLatin1(family));
  font.setPixelSize(px);
  font.setBold(bold);
  label->setFont(font);
  label->setGeometry(rect);
  QPalette pal = label->palette();
  pal.setColor(QPalette::WindowText, color);
  label->setPalette(pal);
  if (framed) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  return label;
}

}  // namespace

BaselineWindow::BaselineWindow() {
  setWindowTitle(QStringLiteral("Baseline"));
  QMenu* menu = menuBar()->addMenu(QStringLiteral("INFORMAZIONI"));
  menu->addAction(QStringLiteral("Ciao"));
  menuBar()->addAction(QStringLiteral("nuovo"));

  client_ = new QWidget(this);
  client_->setFixedSize(792, 554);
  client_->setAutoFillBackground(true);
  QPalette pal = client_->palette();
  pal.setColor(QPalette::Window, QColor(192, 192, 192));
  client_->setPalette(pal);
  setCentralWidget(client_);

  // The clock first, where the game has its own, so both are watched in the same rectangle.
  clock_ = MakeLabel(client_, QStringLiteral("00:15:00"), {0, 152, 105, 33}, "Arial Black", 16,
                     true, Qt::yellow, true);
  labels_ << clock_;
  labels_ << MakeLabel(client_, QStringLiteral("Tempo restante"), {0, 120, 105, 25},
                       "MS Sans Serif", 13, false, Qt::yellow);
  num1_ =
      MakeLabel(client_, QStringLiteral("7"), {56, 0, 23, 79}, "Arial", 64, true, Qt::black, true);
  num2_ =
      MakeLabel(client_, QStringLiteral("8"), {277, 0, 23, 79}, "Arial", 64, true, Qt::black, true);
  labels_ << num1_ << num2_;
  labels_ << MakeLabel(client_, QStringLiteral("X"), {160, 0, 41, 65}, "Arial", 64, false,
                       Qt::black);
  labels_ << MakeLabel(client_, QStringLiteral("="), {392, 0, 41, 65}, "Arial", 64, true,
                       Qt::black);
  message_ = MakeLabel(client_, QString(), {112, 136, 441, 41}, "MS Sans Serif", 32, true, Qt::red);
  labels_ << message_;
  right_ = MakeLabel(client_, QStringLiteral("0"), {72, 272, 37, 59}, "Times New Roman", 48, true,
                     Qt::black, true);
  wrong_ = MakeLabel(client_, QStringLiteral("0"), {322, 272, 36, 59}, "Times New Roman", 48, true,
                     Qt::red, true);
  total_ = MakeLabel(client_, QStringLiteral("0"), {554, 272, 37, 59}, "Times New Roman", 48, true,
                     Qt::blue, true);
  labels_ << right_ << wrong_ << total_;
  const char* captions[] = {"Risposte esatte", "Risposte errate", "Risposte totali"};
  for (int i = 0; i < 3; ++i) {
    labels_ << MakeLabel(client_, QString::fromLatin1(captions[i]), {16 + 240 * i, 224, 170, 33},
                         "MS Sans Serif", 24, false, Qt::darkGreen, true);
  }
  labels_ << MakeLabel(client_, QStringLiteral("Sfidante"), {0, 368, 95, 28}, "MS Sans Serif", 18,
                       false, Qt::darkGreen, true);
  labels_ << MakeLabel(client_, QStringLiteral("Ada"), {8, 432, 60, 28}, "MS Sans Serif", 18, true,
                       Qt::darkGreen, true);
  labels_ << MakeLabel(client_, QStringLiteral("Il record \u00e8 di "), {8, 504, 153, 25},
                       "MS Sans Serif", 24, false, Qt::magenta);
  labels_ << MakeLabel(client_, QStringLiteral("nome"), {168, 504, 66, 29}, "MS Sans Serif", 24,
                       true, Qt::blue);
  labels_ << MakeLabel(client_, QStringLiteral("con punti"), {400, 504, 97, 29}, "MS Sans Serif",
                       24, false, Qt::magenta);
  labels_ << MakeLabel(client_, QStringLiteral("0"), {512, 496, 18, 37}, "MS Sans Serif", 32, false,
                       Qt::magenta);
  // Plain labels standing for the rest of the game's controls, to make 26.
  while (labels_.size() < 26) {
    const int i = static_cast<int>(labels_.size());
    labels_ << MakeLabel(client_, QStringLiteral("Etichetta %1").arg(i),
                         {600, 340 + 20 * (i - 19), 180, 18}, "MS Sans Serif", 11, i % 2,
                         Qt::black);
  }

  timer_ = new QTimer(this);
  timer_->setTimerType(Qt::PreciseTimer);
  timer_->setInterval(1000);
  connect(timer_, &QTimer::timeout, this, [this] { Tick(); });
  timer_->start();
}

void BaselineWindow::Tick() {
  if (seconds_ > 0) --seconds_;
  clock_->setText(QStringLiteral("%1:%2:%3")
                      .arg(seconds_ / 3600, 2, 10, QLatin1Char('0'))
                      .arg(seconds_ / 60 % 60, 2, 10, QLatin1Char('0'))
                      .arg(seconds_ % 60, 2, 10, QLatin1Char('0')));
}

void BaselineWindow::ShowVerdict(bool right) {
  if (right) {
    ++rightCount_;
    message_->setText(QStringLiteral("Esatto, \u00e8 incredibile!!!"));
  } else {
    ++wrongCount_;
    message_->setText(QStringLiteral("Sbagliato!! 56"));
    QPalette pal = client_->palette();
    pal.setColor(QPalette::Window, Qt::black);
    client_->setPalette(pal);
    wrong_->setText(QString::number(wrongCount_));
  }
  right_->setText(QString::number(rightCount_));
  total_->setText(QString::number(rightCount_ + wrongCount_));
}

void BaselineWindow::DrawQuestion(int a, int b) {
  message_->setText(QString());
  num1_->setText(QString::number(a));
  num2_->setText(QString::number(b));
  QPalette pal = client_->palette();
  pal.setColor(QPalette::Window, QColor(20 * a, 20 * b, (50 * a) & 0xff));
  client_->setPalette(pal);
}

}  // namespace quorvella::bench
