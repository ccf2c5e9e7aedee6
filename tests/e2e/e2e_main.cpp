// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The whole program as the player gets it, but with the record directory and the clock's pace
// given by the test that runs it: QUORVELLA_E2E_DIR (required) and QUORVELLA_E2E_TICK_MS, the
// factors of the questions fixed by QUORVELLA_E2E_SEED, and with QUORVELLA_E2E_TRACE set each
// handler the window calls written on standard output, and each box as it shows ("box title=…
// text=… buttons=…").
// With QUORVELLA_E2E_TRACE and QUORVELLA_E2E_CONTROL set, the clock is held and the test drives
// it and reads the window by commands on standard input, one a line (answers on standard output):
//   ticks N    the clock ticks N times at once (every 10 ms), then stops; "ticks done" follows
//   captions   every control's caption or text in the described order ("caption Name=Text",
//              " [disabled]" after a disabled one), the window's first, then "captions done"
#include <unistd.h>
#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/qt_game.h"
#include "platform/text.h"
#include "window/description.h"

namespace {

// A text on one line: a line end written as \n.
std::string OneLine(const QString& text) {
  return quorvella::OnOneLine(text.toStdString());
}

QWidget* MainWindow() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->findChild<QLineEdit*>(QStringLiteral("txtAnswer"))) return w;
  }
  return nullptr;
}

void PrintCaptions() {
  QWidget* win = MainWindow();
  if (win) {
    std::printf("caption Tavola=%s\n", OneLine(win->windowTitle()).c_str());
    for (const auto& c : quorvella::window::Tavola().controls) {
      using quorvella::window::ControlKind;
      if (c.kind == ControlKind::kTimer || c.kind == ControlKind::kImage) continue;
      auto* w = win->findChild<QWidget*>(QString::fromStdString(c.name));
      if (!w) continue;
      QString text;
      if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
      if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
      if (auto* e = qobject_cast<QLineEdit*>(w)) text = e->text();
      std::printf("caption %s=%s%s\n", c.name.c_str(), OneLine(text).c_str(),
                  w->isEnabled() ? "" : " [disabled]");
    }
  }
  std::printf("captions done\n");
  std::fflush(stdout);
}

void Ticks(int n) {
  QWidget* win = MainWindow();
  auto* timer = win ? win->findChild<QTimer*>(QStringLiteral("Timer1")) : nullptr;
  if (!timer || n <= 0) {
    std::printf("ticks done\n");
    std::fflush(stdout);
    return;
  }
  auto left = std::make_shared<int>(n);
  auto connection = std::make_shared<QMetaObject::Connection>();
  // After the window's own handler of the same tick: the Nth tick runs whole, then the clock
  // stops.
  *connection = QObject::connect(timer, &QTimer::timeout, timer, [timer, left, connection] {
    if (--*left > 0) return;
    timer->stop();
    QObject::disconnect(*connection);
    std::printf("ticks done\n");
    std::fflush(stdout);
  });
  timer->setInterval(10);
  timer->start();
}

// Writes each box as it shows: its title, text and buttons (accept before reject, yes before no).
class BoxTrace : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() != QEvent::Show) return false;
    auto* box = qobject_cast<QMessageBox*>(o);
    auto* input = qobject_cast<QInputDialog*>(o);
    if (!box && !input) return false;
    auto* dialog = static_cast<QWidget*>(o);
    const QString text =
        box ? box->text()
            : (input->findChild<QLabel*>() ? input->findChild<QLabel*>()->text() : "");
    std::vector<std::pair<int, std::string>> buttons;
    if (auto* row = dialog->findChild<QDialogButtonBox*>()) {
      for (QAbstractButton* b : row->buttons()) {
        buttons.emplace_back(row->buttonRole(b), OneLine(b->text().remove('&')));
      }
    }
    std::stable_sort(buttons.begin(), buttons.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string names;
    for (const auto& [role, name] : buttons) names += (names.empty() ? "" : ",") + name;
    std::printf("box title=%s text=%s buttons=%s\n", OneLine(dialog->windowTitle()).c_str(),
                OneLine(text).c_str(), names.c_str());
    std::fflush(stdout);
    return false;
  }
};

void Control() {
  qApp->installEventFilter(new BoxTrace(qApp));
  if (!std::getenv("QUORVELLA_E2E_CONTROL")) return;
  auto* input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, qApp);
  auto* pending = new std::string;
  QObject::connect(input, &QSocketNotifier::activated, qApp, [input, pending] {
    char buffer[256];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
      input->setEnabled(false);
      return;
    }
    pending->append(buffer, static_cast<std::size_t>(n));
    for (auto end = pending->find('\n'); end != std::string::npos; end = pending->find('\n')) {
      const std::string line = pending->substr(0, end);
      pending->erase(0, end + 1);
      if (line == "captions") PrintCaptions();
      if (line.rfind("ticks ", 0) == 0) Ticks(std::atoi(line.c_str() + 6));
    }
  });
}

}  // namespace

int main(int argc, char** argv) {
  const char* dir = std::getenv("QUORVELLA_E2E_DIR");
  if (!dir || !*dir) {
    std::fprintf(stderr, "QUORVELLA_E2E_DIR is not set\n");
    return 2;
  }
  quorvella::app::Options options;
  options.recordDir = dir;
  if (const char* tick = std::getenv("QUORVELLA_E2E_TICK_MS"))
    options.tickInterval = std::atoi(tick);
  if (const char* seed = std::getenv("QUORVELLA_E2E_SEED")) {
    options.seed = static_cast<std::uint32_t>(std::strtoul(seed, nullptr, 10));
  }
  if (std::getenv("QUORVELLA_E2E_TRACE")) {
    options.trace = stdout;
    qAddPreRoutine(Control);
    // Held: only the ticks the test asks for run.
    if (std::getenv("QUORVELLA_E2E_CONTROL")) options.tickInterval = 24 * 3600 * 1000;
  }
  return quorvella::app::RunGame(argc, argv, options);
}
