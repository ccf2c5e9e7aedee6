// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// A tick of the clock repaints the clock label's rectangle and nothing else: counted with an
// event filter on every widget of the real window, offscreen. A race ticks 900 times; a tick
// that repainted the window would cost the whole window's drawing every second.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QStyleHints>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <vector>

#include "qt/scripted_game.h"

using namespace quorvella;

namespace {

// Records every paint event of the widgets it watches, with the painted region in the
// coordinates of the top-level window.
class PaintRecorder : public QObject {
 public:
  struct Paint {
    QString widget;
    QRegion region;  // in window coordinates
  };

  void Watch(QWidget* window) {
    window->installEventFilter(this);
    for (QWidget* w : window->findChildren<QWidget*>()) w->installEventFilter(this);
  }
  std::vector<Paint> paints;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      auto* w = static_cast<QWidget*>(object);
      const QRegion region = static_cast<QPaintEvent*>(event)->region();
      paints.push_back({w->objectName(), region.translated(w->mapTo(w->window(), QPoint()))});
    }
    return false;
  }
};

}  // namespace

class PaintCountTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    testing::QuietOffscreenPlatform();
    // A blinking caret would paint the answer box whenever its timer is due; it is not what is
    // counted here.
    QGuiApplication::styleHints()->setCursorFlashTime(0);
  }

  void tickPaintsOnlyTheClock_data() {
    QTest::addColumn<int>("ticksBefore");
    QTest::addColumn<QString>("answer");  // typed and entered before the counted tick
    QTest::addColumn<QString>("clockAfter");
    QTest::newRow("first tick of the race") << 0 << ""
                                            << "00:14:59";
    QTest::newRow("tick across a minute") << 60 << ""
                                          << "00:13:59";
    QTest::newRow("after a right answer") << 1 << "56"
                                          << "00:14:58";
    QTest::newRow("after a wrong answer, black window") << 1 << "1"
                                                        << "00:14:58";
    QTest::newRow("near the end") << 898 << ""
                                  << "00:00:01";
  }

  void tickPaintsOnlyTheClock() {
    QFETCH(int, ticksBefore);
    QFETCH(QString, answer);
    QFETCH(QString, clockAfter);

    testing::QtFixture game(testing::ScriptedRandom::Factors(7, 8));
    game.Start("Ada");
    qt::QtForm& form = game.form;
    auto* timer = form.widget()->findChild<QTimer*>("Timer1");
    auto* clock = form.widget()->findChild<QLabel*>("lblconto");
    QVERIFY(timer && clock);
    // The real timer is stopped; the ticks come from its timeout signal, as the binding gets them.
    timer->stop();
    auto tick = [&] { QVERIFY(QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection)); };

    for (int i = 0; i < ticksBefore; ++i) tick();
    if (!answer.isEmpty()) {
      auto* box = form.widget()->findChild<QLineEdit*>("txtAnswer");
      QVERIFY(box);
      box->setText(answer);
      QTest::keyClick(box, Qt::Key_Return);
    }
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();

    PaintRecorder recorder;
    recorder.Watch(form.widget());
    tick();
    QCoreApplication::processEvents();
    QVERIFY(game.errors.empty());
    QCOMPARE(clock->text(), clockAfter);

    const QRect clockRect(clock->mapTo(form.widget(), QPoint()), clock->size());
    int clockPaints = 0;
    QRegion painted;
    for (const auto& p : recorder.paints) {
      if (p.widget == "lblconto") ++clockPaints;
      painted += p.region;
      // The clock lets the window's colour show through, so the client under it is painted too,
      // but only there.
      QVERIFY2(clockRect.contains(p.region.boundingRect()),
               qPrintable(QString("%1 painted outside the clock: %2,%3 %4x%5")
                              .arg(p.widget)
                              .arg(p.region.boundingRect().x())
                              .arg(p.region.boundingRect().y())
                              .arg(p.region.boundingRect().width())
                              .arg(p.region.boundingRect().height())));
    }
    QCOMPARE(clockPaints, 1);
    QVERIFY(!painted.isEmpty());
  }
};

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  PaintCountTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "paint_count_test.moc"
