// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The bare Qt 6 Widgets program the game is measured against. It goes through the same steps a
// player sees: a name box (QInputDialog), a greeting (QMessageBox), then the main window.
#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

#include "bench/baseline_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString name =
      QInputDialog::getText(nullptr, QStringLiteral("Baseline"), QStringLiteral("Come ti chiami?"));
  QMessageBox greeting(QMessageBox::NoIcon, QStringLiteral("Baseline"),
                       QStringLiteral(" %1 vediamo se sei un vero campione  ").arg(name),
                       QMessageBox::Ok);
  greeting.exec();
  quorvella::bench::BaselineWindow window;
  window.show();
  return QApplication::exec();
}
