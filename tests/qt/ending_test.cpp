// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Ending in the middle of a game leaves the record files byte for byte as they were: the window
// closed while the greeting or the new-race question is open, the exit button, SIGTERM during a
// race. Each case runs the real window in a child process (this program started again with
// --child), because the program's end leaves the process at once; a race that sets a record is
// the control that shows the files are watched.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/qt_game.h"
#include "common/temp_dir.h"
#include "qt/quiet_platform.h"

namespace {

using namespace quorvella;
namespace fs = std::filesystem;

void Press(QMessageBox& box) {
  if (auto* b = box.defaultButton()) {
    b->click();
  } else {
    box.accept();
  }
}

// The game in the real window, driven as the scenario says. Never returns normally: the game's
// end leaves the process.
int RunChild(const std::string& scenario, const std::string& dir, int report) {
  int argc = 1;
  char arg0[] = "ending_test";
  char* argv[] = {arg0, nullptr};
  const auto application = app::MakeApplication(argc, argv);
  testing::QuietOffscreenPlatform();
  app::QtGame composed(app::Options{dir, scenario == "control" ? 2 : 1000, {}});
  qt::QtUi& ui = *composed.qtUi();
  qt::QtForm& form = composed.form;
  const Tavola& game = composed.game;
  // Closes the window once it exists: it is built while the first box is on the screen.
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, application.get(), [&] {
    if (!form.widget()) return;
    closer.stop();
    form.widget()->close();
  });
  auto closeWindow = [&closer] { closer.start(5); };

  ui.onInputBox = [](QInputDialog& d) {
    QTimer::singleShot(0, &d, [&d] {
      d.setTextValue("Bruno");
      d.accept();
    });
  };
  ui.onMessageBox = [&](QMessageBox& box) {
    const QString text = box.text();
    if ((scenario == "greeting" && text.contains("vediamo")) ||
        (scenario == "question" && text.contains("INIZIAMO"))) {
      QTimer::singleShot(0, &box, closeWindow);
      return;
    }
    QTimer::singleShot(0, &box, [&box] { Press(box); });
  };

  // Acts once the race is under way: the window is up and no box is open.
  QTimer act;
  QObject::connect(&act, &QTimer::timeout, application.get(), [&] {
    if (!form.widget() || QApplication::activeModalWidget() || !form.widget()->isVisible()) return;
    act.stop();
    if (scenario == "question") {
      form.widget()->findChild<QAction*>("Next")->trigger();
    } else if (scenario == "exit") {
      form.widget()->findChild<QPushButton*>("cmdExit")->click();
    } else if (scenario == "sigterm") {
      if (::write(report, "r", 1) != 1) std::_Exit(3);
    }
  });
  act.start(10);
  QTimer answering;
  if (scenario == "control") {
    // Answers every question right, as fast as the window lets it.
    QObject::connect(&answering, &QTimer::timeout, application.get(), [&] {
      if (!form.widget()) return;
      auto* box = form.widget()->findChild<QLineEdit*>("txtAnswer");
      auto* next = form.widget()->findChild<QPushButton*>("cmdNext");
      if (!box || !next) return;
      if (!next->isEnabled()) QTest::keyClicks(box, QString::number(game.state().Product));
      QTest::keyClick(box, Qt::Key_Return);
    });
    answering.start(3);
  }
  form.Start();
  QApplication::exec();
  return 4;  // the event loop ended without the game's end
}

struct Snapshot {
  std::optional<std::string> score, name;
  std::size_t entries = 0;
  bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const std::string& dir) {
  Snapshot s;
  auto read = [&](const char* f) -> std::optional<std::string> {
    if (!fs::exists(dir + f)) return std::nullopt;
    return testing::ReadBytes(dir + f);
  };
  s.score = read("a.txt");
  s.name = read("n.txt");
  for (const auto& e : fs::directory_iterator(dir)) {
    const auto name = e.path().filename();
    if (name != ".quorvella.lock" && name != ".quorvella.journal") ++s.entries;
  }
  return s;
}

std::string Show(const std::optional<std::string>& s) {
  return s ? "[" + *s + "]" : "<none>";
}

// One row per way of ending: each runs the real window in a child process and compares the
// record directory before and after.
class EndingTest : public QObject {
  Q_OBJECT

 private slots:
  void recordFilesAfterTheEnd_data();
  void recordFilesAfterTheEnd();
};

void EndingTest::recordFilesAfterTheEnd_data() {
  QTest::addColumn<QString>("scenario");
  QTest::addColumn<bool>("planted");  // a record is there before the game starts
  QTest::addColumn<bool>("changes");  // the control: the files must change
  QTest::addColumn<bool>("sigterm");
  QTest::newRow("greeting closed") << "greeting" << true << false << false;
  QTest::newRow("greeting closed, no record yet") << "greeting" << false << false << false;
  QTest::newRow("new-race question closed") << "question" << true << false << false;
  QTest::newRow("exit button") << "exit" << true << false << false;
  QTest::newRow("SIGTERM in the race") << "sigterm" << true << false << true;
  QTest::newRow("control: a race sets a record") << "control" << true << true << false;
}

void EndingTest::recordFilesAfterTheEnd() {
  QFETCH(QString, scenario);
  QFETCH(bool, planted);
  QFETCH(bool, changes);
  QFETCH(bool, sigterm);
  testing::TempDir tmp;
  const std::string dir = tmp.dir();
  if (planted) {
    testing::WriteBytes(dir + "a.txt", "2\r\n");
    testing::WriteBytes(dir + "n.txt", "Anna\r\n");
  }
  const Snapshot before = Take(dir);
  int fds[2];
  QVERIFY(::pipe(fds) == 0);
  // This program again; in a cross build through the emulator that runs this one (where
  // /proc/self/exe names this program, not the emulator).
  const std::string self = std::filesystem::read_symlink("/proc/self/exe");
  const std::string name = scenario.toStdString();
  const std::string fd = std::to_string(fds[1]);
  std::vector<const char*> args{self.c_str(), "--child",  name.c_str(),
                                dir.c_str(),  fd.c_str(), nullptr};
#ifdef QUORVELLA_TEST_EMULATOR
  args.insert(args.begin(), QUORVELLA_TEST_EMULATOR);
#endif
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    ::execv(args[0], const_cast<char* const*>(args.data()));
    std::_Exit(5);
  }
  ::close(fds[1]);
  if (sigterm) {
    char r;
    if (::read(fds[0], &r, 1) == 1) ::kill(pid, SIGTERM);
  }
  ::close(fds[0]);
  int status = 0;
  // A stuck child, not a slow one: a whole race takes far longer under an emulator.
#ifdef QUORVELLA_TEST_EMULATOR
  const auto patience = std::chrono::seconds(300);
#else
  const auto patience = std::chrono::seconds(30);
#endif
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      QFAIL("the program did not end");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const Snapshot after = Take(dir);
  const std::string report = "status " + std::to_string(status) + ", a.txt " + Show(before.score) +
                             " -> " + Show(after.score) + ", n.txt " + Show(before.name) + " -> " +
                             Show(after.name) + ", entries " + std::to_string(before.entries) +
                             " -> " + std::to_string(after.entries);
  const bool exitedWell = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM;
  QVERIFY2(exitedWell || (sigterm && killed), report.c_str());
  if (changes) {
    QVERIFY2(after.score != before.score, report.c_str());
    QVERIFY2(after.name == std::optional<std::string>("Bruno\r\n"), report.c_str());
    QVERIFY2(after.entries == 2, report.c_str());
  } else {
    QVERIFY2(after == before, report.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--child") {
    return RunChild(argv[2], argv[3], std::atoi(argv[4]));
  }
  EndingTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "ending_test.moc"
