// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The answer path in process, for the game's real window and for the bare baseline window:
// drawing a question, and a whole round (question, then Enter on an answer until the verdict is
// painted). A verdict costs the difference of the two. Also one tick of the clock until the
// clock label is painted. Run offscreen; Qt Test's QBENCHMARK
// reports milliseconds per iteration (wall time of one thread, which here is its CPU time).
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "bench/baseline_window.h"
#include "qt/scripted_game.h"

using namespace quorvella;

class AnswerBench : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    // Nine different questions in turn, so that every one changes the window's colour and the
    // factors, as in a real race (the same question again would repaint nothing).
    std::vector<float> randoms;
    for (int a = 1; a <= 9; ++a) {
      for (float r : testing::ScriptedRandom::Factors(a, a * 3 % 10)) randoms.push_back(r);
    }
    game_ = std::make_unique<testing::ScriptedQtGame>(dir_.path().toStdString() + "/", randoms);
    game_->ui.names.push_back("Ada");
    form_ = &game_->form;
    form_->Start();
    QVERIFY(game_->errors.empty());
    QVERIFY(form_->widget());
    QVERIFY(QTest::qWaitForWindowExposed(form_->widget()));
    form_->timer("Timer1").SetEnabled(false);
    box_ = form_->widget()->findChild<QLineEdit*>("txtAnswer");
    next_ = form_->widget()->findChild<QPushButton*>("cmdNext");
    QVERIFY(box_ && next_);

    baseline_.show();
    baseline_.timer()->stop();
    QVERIFY(QTest::qWaitForWindowExposed(&baseline_));
  }

  void question_data() { Rows(); }
  void question() {
    QFETCH(bool, game);
    if (game) {
      QBENCHMARK {
        next_->setEnabled(true);
        next_->click();
        QCoreApplication::processEvents();
      }
      QVERIFY(!next_->isEnabled());
    } else {
      int i = 0;
      QBENCHMARK {
        baseline_.DrawQuestion(1 + i % 9, i % 10);
        ++i;
        QCoreApplication::processEvents();
      }
    }
  }

  void tick_data() { Rows(); }
  void tick() {
    QFETCH(bool, game);
    QTimer* timer = game ? form_->widget()->findChild<QTimer*>("Timer1") : baseline_.timer();
    QVERIFY(timer);
    auto clockText = [&] {
      return game ? QString::fromStdString(form_->label("lblconto").Caption())
                  : baseline_.clock()->text();
    };
    const QString before = clockText();
    // A fixed number of ticks, well inside the race's 900, timed as one.
    constexpr int kTicks = 300;
    QElapsedTimer elapsed;
    elapsed.start();
    for (int i = 0; i < kTicks; ++i) {
      QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
      QCoreApplication::processEvents();
    }
    QTest::setBenchmarkResult(static_cast<double>(elapsed.nsecsElapsed()) / kTicks,
                              QTest::WalltimeNanoseconds);
    QCOMPARE_NE(clockText(), before);
  }

  void round_data() {
    QTest::addColumn<bool>("game");
    QTest::addColumn<bool>("right");
    QTest::newRow("game right") << true << true;
    QTest::newRow("game wrong") << true << false;
    QTest::newRow("baseline right") << false << true;
    QTest::newRow("baseline wrong") << false << false;
  }
  void round() {
    QFETCH(bool, game);
    QFETCH(bool, right);
    if (game) {
      QBENCHMARK {
        next_->setEnabled(true);
        next_->click();
        const int product = game_->game.state().Product;
        box_->setText(QString::number(right ? product : product + 1));
        QTest::keyClick(box_, Qt::Key_Return);
        QCoreApplication::processEvents();
      }
      QCOMPARE(form_->label("lblMessage").Caption().rfind(right ? "Esatto" : "Sbagliato", 0), 0u);
    } else {
      int i = 0;
      QBENCHMARK {
        baseline_.DrawQuestion(1 + i % 9, i % 10);
        ++i;
        baseline_.ShowVerdict(right);
        QCoreApplication::processEvents();
      }
    }
  }

 private:
  static void Rows() {
    QTest::addColumn<bool>("game");
    QTest::newRow("game") << true;
    QTest::newRow("baseline") << false;
  }

  QTemporaryDir dir_;
  std::unique_ptr<testing::ScriptedQtGame> game_;
  qt::QtForm* form_ = nullptr;
  bench::BaselineWindow baseline_;
  QLineEdit* box_ = nullptr;
  QPushButton* next_ = nullptr;
};

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  AnswerBench bench;
  return QTest::qExec(&bench, argc, argv);
}

#include "answer_bench.moc"
