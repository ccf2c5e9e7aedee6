// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The Qt binding with the real window, real key events and scripted boxes (offscreen).
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolTip>
#include <QtTest>

#include "common/temp_dir.h"
#include "game/tavola.h"
#include "platform/record_dir.h"
#include "qt/scripted_game.h"
#include "records/store.h"
#include "ui/qt/accessibility.h"
#include "ui/qt/held_keys.h"
#include "ui/qt/qt_form.h"
#include "ui/qt/qt_ui.h"
#include "ui/qt/widgets.h"
#include "window/description.h"

using namespace quorvella;
using quorvella::testing::FakeUi;
using quorvella::testing::FixedClock;
using quorvella::testing::ScriptedRandom;
using quorvella::testing::TempDir;

namespace {

// The game in the real window, with boxes answered by a script.
using QtGame = quorvella::testing::QtFixture;

// One tick of the clock, as the timer would deliver it.
void Tick(QTimer* timer) {
  QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
}

// Counts the events of one type that reach the object it watches.
struct EventCount : QObject {
  EventCount(QObject* watched, QEvent::Type type) : type_(type) {
    watched->installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == type_) ++n;
    return false;
  }
  int n = 0;

 private:
  QEvent::Type type_;
};

// Counts activations: Form_Activate draws a question, which reseeds the generator once.
int Draws(const QtGame& g) {
  return g.random.reseeds;
}

}  // namespace

class BindingTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { testing::QuietOffscreenPlatform(); }
  void windowIsBuiltFromTheDescription();
  void activationDrawsOnceAndNotAfterABox();
  void keysThatNeverReachTheBox_data();
  void keysThatNeverReachTheBox();
  void digitsBackspaceAndTheFourCharacterLimit();
  void pasteAndDropInsertOnlyDigits();
  void keyboardOnlyRace();
  void heldEnterNeitherJudgesNorDraws_data();
  void heldEnterNeitherJudgesNorDraws();
  void heldKeysOnX11_data();
  void heldKeysOnX11();
  void disabledNextIsOutOfReach();
  void tabCycle();
  void menuByKeyboard_data();
  void menuByKeyboard();
  void newRaceYesAndNo();
  void minimizeAndRestoreCaption();
  void closeBoxEndsWithoutWriting();
  void waitingForTheRecordRepaintsAndStopsTheClock();
  void aStartThatWaitsForTheLockKeepsTheWholeRace();
  void runTimeErrorReachesTheErrorHandler();
  void misspeltHandlerFailsTheLoad();
  void autoSizeLabelGrowsRight();
  void caretRestsAfterAWhileAndWakesOnAKey();
  void nameBoxDoesNotWaitForTheWindow();
};

void BindingTest::windowIsBuiltFromTheDescription() {
  QtGame g;
  g.Start("Anna");
  QMainWindow* win = g.form.widget();
  QCOMPARE(win->objectName(), QString("Tavola"));
  QCOMPARE(win->windowTitle(), QString("Giocare con la tavola pitagorica"));
  QCOMPARE(win->centralWidget()->size(), QSize(792, 554));

  // Every label of the description is one, out of the Tab order; their captions are the
  // conformance race's (tests/conformance).
  for (const char* name :
       {"lblpunti", "Label13", "lblnome", "Label12", "lblnome1", "Label14", "Label5", "lblconto",
        "Label11", "Label3", "Label1", "lblScore2", "lblScore1", "Label4", "Label2", "lblScore",
        "lblMessage", "Label6", "Image1"}) {
    auto* label = g.w<QLabel>(name);
    QVERIFY2(label, name);
    QCOMPARE(label->focusPolicy(), Qt::NoFocus);
  }
  QCOMPARE(g.next()->text(), QString("&Nuovo calcolo"));
  QCOMPARE(g.w<QPushButton>("cmdExit")->text(), QString("E&xit"));
  QCOMPARE(g.w<QPushButton>("Command1")->text(), QString("Command1"));
  QCOMPARE(g.box()->maxLength(), 4);

  auto* timer = win->findChild<QTimer*>("Timer1");
  QVERIFY(timer);
  QCOMPARE(timer->interval(), 1000);
  // Each tick is scheduled from the previous deadline, not from when the last one ran: fifteen
  // minutes of ticks do not add up their delays.
  QCOMPARE(timer->timerType(), Qt::PreciseTimer);
  QVERIFY(timer->isActive());

  // The answer box shows its tooltip as any widget does; a reader is told it once a race.
  QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), g.box()->mapToGlobal(QPoint(2, 2)));
  QApplication::sendEvent(g.box(), &help);
  QCOMPARE(QToolTip::text(), QString("Inserisci il risultato e  premi il tasto  Invio"));
  QToolTip::hideText();
  QCOMPARE(g.next()->toolTip(), QString("Go"));
  QCOMPARE(g.w<QPushButton>("cmdExit")->toolTip(),
           QString("Ti prego resta ancora, forse riuscirai a farmi uscire "));
  QCOMPARE(g.w<QLabel>("lblScore")->toolTip(),
           QString::fromUtf8("Questo \xc3\xa8 il tuo punteggio. Forza con il  record"));
  QCOMPARE(g.w<QLabel>("Image1")->toolTip(), QString("Clicca sotto di me per impostare il Timer"));
  // What a reader hears where the visible text says nothing to a listener; tooltips stay.
  const std::pair<const char*, const char*> spoken[] = {{"Label2", "per"},
                                                        {"Label4", "uguale"},
                                                        {"Image1", "Cronometro"},
                                                        {"cmdNext", "Nuovo calcolo"},
                                                        {"cmdExit", "Esci"}};
  for (const auto& [name, heard] : spoken) QCOMPARE(g.w(name)->accessibleName(), QString(heard));
  QStringList order;
  for (QWidget* w : static_cast<qt::ClientArea*>(win->centralWidget())->readingOrder()) {
    order << w->objectName();
  }
  QCOMPARE(order.mid(0, 5), QStringList({"lblNum1", "Label2", "lblNum2", "Label4", "txtAnswer"}));
  QCOMPARE(order.mid(order.size() - 4),
           QStringList({"Label12", "lblnome", "Label13", "lblpunti"}));  // the record line
  QCOMPARE(g.w<QLabel>("Label6")->buddy(), g.w("lblScore"));
  QCOMPARE(g.w<QLabel>("Label11")->buddy(), g.w("lblconto"));
  for (const char* name : {"cmdNext", "lblMessage", "Label5"}) {
    QVERIFY2(g.w(name)->cursor().shape() == Qt::BitmapCursor, name);
  }
  QCOMPARE(g.w("cmdExit")->cursor().shape(), Qt::ArrowCursor);

  // The menu: two top-level items, the first with one entry.
  auto* info = win->findChild<QAction*>("INFOMAZIONI");
  auto* ciao = win->findChild<QAction*>("Ciao");
  auto* next = win->findChild<QAction*>("Next");
  QVERIFY(info && ciao && next);
  QCOMPARE(info->text(), QString("INFORMAZIONI"));
  QCOMPARE(ciao->text(), QString("Ciao da Velmaro"));
  QCOMPARE(next->text(), QString("nuovo"));
  QCOMPARE(win->menuBar()->actions().size(), 2);
  QCOMPARE(win->menuBar()->actions().at(0), info);
  QCOMPARE(win->menuBar()->actions().at(1), next);
  ciao->trigger();  // does nothing
  QCOMPARE(g.ui.calls.size(), std::size_t{2});
}

void BindingTest::activationDrawsOnceAndNotAfterABox() {
  QtGame g;
  g.Start("Anna");
  QCOMPARE(Draws(g), 1);
  QCOMPARE(g.focus(), g.box());
  QVERIFY(!g.caption("lblNum1").isEmpty());
  // A box opened and closed, a deactivation and reactivation: no new question.
  g.ui.answers.push_back(vbNo);
  g.form.widget()->findChild<QAction*>("Next")->trigger();
  g.form.widget()->activateWindow();
  QApplication::processEvents();
  QCOMPARE(Draws(g), 1);
}

void BindingTest::keysThatNeverReachTheBox_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<QString>("text");
  QTest::newRow("letter") << int(Qt::Key_A) << 0 << "a";
  QTest::newRow("blank") << int(Qt::Key_Space) << 0 << " ";
  QTest::newRow("minus") << int(Qt::Key_Minus) << 0 << "-";
  QTest::newRow("point") << int(Qt::Key_Period) << 0 << ".";
  QTest::newRow("accented") << int(Qt::Key_Egrave) << 0 << QString::fromUtf8("\xc3\xa8");
  QTest::newRow("escape") << int(Qt::Key_Escape) << 0 << QString(QChar(27));
  QTest::newRow("ctrlV") << int(Qt::Key_V) << int(Qt::ControlModifier) << QString(QChar(22));
}

void BindingTest::keysThatNeverReachTheBox() {
  QFETCH(int, key);
  QFETCH(int, modifiers);
  QFETCH(QString, text);
  QtGame g;
  g.Start("Anna");
  QApplication::clipboard()->setText("12");
  g.box()->setText("3");
  QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), text);
  QApplication::sendEvent(g.box(), &press);
  QCOMPARE(g.box()->text(), QString("3"));
  QCOMPARE(g.caption("lblScore2"), QString("0"));
}

void BindingTest::digitsBackspaceAndTheFourCharacterLimit() {
  QtGame g;
  g.Start("Anna");
  QTest::keyClicks(g.box(), "12345");
  QCOMPARE(g.box()->text(), QString("1234"));
  QTest::keyClick(g.box(), Qt::Key_Backspace);
  QCOMPARE(g.box()->text(), QString("123"));
  QTest::keyClick(g.box(), Qt::Key_Left);  // editing keys keep working
  QTest::keyClick(g.box(), Qt::Key_Delete);
  QCOMPARE(g.box()->text(), QString("12"));
}

void BindingTest::pasteAndDropInsertOnlyDigits() {
  QtGame g;
  g.Start("Anna");
  for (const char* bad : {"12ab", "9e99", "-3", " 7", "\xd9\xa3"}) {
    g.box()->clear();
    QApplication::clipboard()->setText(bad);
    g.box()->paste();  // what the context menu, Shift+Insert and middle-click do
    QVERIFY2(g.box()->text().isEmpty(), bad);
  }
  QApplication::clipboard()->setText("123456");
  g.box()->paste();
  QCOMPARE(g.box()->text(), QString("1234"));  // never more than four
  g.box()->clear();
  QApplication::clipboard()->setText("42");
  g.box()->paste();
  QCOMPARE(g.box()->text(), QString("42"));
  QVERIFY(!g.box()->acceptDrops());
  QVERIFY(!g.box()->testAttribute(Qt::WA_InputMethodEnabled));
  QInputMethodEvent ime(QString(), {});
  ime.setCommitString("x7y");
  QApplication::sendEvent(g.box(), &ime);
  QCOMPARE(g.box()->text(), QString("427"));
}

void BindingTest::keyboardOnlyRace() {
  // Factors 3 x 4, 5 x 6, then 7 x ... The captions and what a reader gets after a right answer,
  // the next question and a wrong answer are the conformance race's; here the keys.
  QtGame g;
  g.Start("Anna");
  QVERIFY(!g.next()->isEnabled());
  QTest::keyClicks(g.focus(), "12");
  QTest::keyClick(g.focus(), Qt::Key_Return);
  QVERIFY(g.next()->isEnabled());
  QCOMPARE(g.focus(), g.next());
  QTest::keyClick(g.focus(), Qt::Key_Return);  // the focused button draws
  QCOMPARE(g.caption("lblNum1"), QString("5"));
  QVERIFY(!g.next()->isEnabled());
  QCOMPARE(g.focus(), g.box());

  QTest::keyClicks(g.focus(), "31");
  QTest::keyClick(g.focus(), Qt::Key_Enter);  // keypad Enter judges too
  QCOMPARE(g.caption("lblScore1"), QString("1"));
  QCOMPARE(g.caption("lblScore2"), QString("2"));
  QCOMPARE(g.w("client")->palette().color(QPalette::Window), QColor(Qt::black));

  // Enter typed into the box while the default button is enabled draws, not judges again.
  g.box()->setFocus();
  QTest::keyClick(g.box(), Qt::Key_Return);
  QCOMPARE(g.caption("lblScore2"), QString("2"));
  QCOMPARE(g.caption("lblNum1"), QString("7"));

  // Alt+N draws once the button is enabled; Space on the focused button too.
  QTest::keyClicks(g.focus(), "0");
  QTest::keyClick(g.focus(), Qt::Key_Return);
  QVERIFY(g.next()->isEnabled());
  const int before = Draws(g);
  QTest::keyClick(g.form.widget(), Qt::Key_N, Qt::AltModifier);
  QTRY_COMPARE(Draws(g), before + 1);  // an access key clicks after the button's press animation
  QTest::keyClick(g.focus(), Qt::Key_Return);
  QVERIFY(g.next()->isEnabled());
  QTest::keyClick(g.focus(), Qt::Key_Space);
  QCOMPARE(Draws(g), before + 2);
}

void BindingTest::heldEnterNeitherJudgesNorDraws_data() {
  QTest::addColumn<bool>("onNext");      // Enter goes to cmdNext after a judged answer
  QTest::addColumn<bool>("autoRepeat");  // the key's repeats, or a deliberate press
  QTest::addColumn<int>("judged");       // answers counted afterwards
  QTest::addColumn<int>("draws");        // questions drawn afterwards
  QTest::newRow("repeatInEmptyBox") << false << true << 0 << 1;
  QTest::newRow("pressInEmptyBox") << false << false << 1 << 1;  // an empty box reads as 0
  QTest::newRow("repeatOnNext") << true << true << 1 << 1;
  QTest::newRow("pressOnNext") << true << false << 1 << 2;
}

void BindingTest::heldEnterNeitherJudgesNorDraws() {
  QFETCH(bool, onNext);
  QFETCH(bool, autoRepeat);
  QFETCH(int, judged);
  QFETCH(int, draws);
  QtGame g;
  g.Start("Anna");
  if (onNext) {
    QTest::keyClick(g.focus(), Qt::Key_Return);
    QCOMPARE(g.focus(), g.next());
  }
  for (int i = 0; i < (autoRepeat ? 6 : 1); ++i) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r", autoRepeat);
    QApplication::sendEvent(g.focus(), &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, "\r", autoRepeat);
    QApplication::sendEvent(g.focus(), &release);
  }
  QCOMPARE(g.caption("lblScore2"), QString::number(judged));
  QCOMPARE(Draws(g), draws);
}

// What the X server says of a key, in order: P<keycode>@<time> a press, R... a release,
// F<keycode>... the keys down as a window gets the focus; how many presses act.
void BindingTest::heldKeysOnX11_data() {
  QTest::addColumn<QString>("events");
  QTest::addColumn<int>("acting");
  QTest::newRow("press") << "P36@100 R36@180" << 1;
  QTest::newRow("repeatAsReleaseAndPress")
      << "P36@100 R36@600 P36@600 R36@640 P36@640 R36@700" << 1;
  QTest::newRow("detectableRepeat") << "P36@100 P36@600 P36@640 R36@700" << 1;
  QTest::newRow("twoPresses") << "P36@100 R36@180 P36@400 R36@480" << 2;
  QTest::newRow("anotherKeyWhileHeld") << "P36@100 P10@150 R10@160 R36@700" << 2;
  QTest::newRow("releasedWhileAway") << "P36@100 F P36@900" << 2;
  QTest::newRow("stillHeldOnReturn") << "P36@100 F36 P36@900" << 1;
}

void BindingTest::heldKeysOnX11() {
  QFETCH(QString, events);
  QFETCH(int, acting);
  qt::HeldKeys keys;
  int acted = 0;
  for (const QString& e : events.split(' ')) {
    const QStringList parts = e.mid(1).split('@');
    if (e[0] == 'F') {
      std::uint8_t keymap[32] = {};
      if (!parts[0].isEmpty()) {
        const int code = parts[0].toInt();
        keymap[code / 8] = static_cast<std::uint8_t>(1 << (code % 8));
      }
      keys.Down(keymap);
      continue;
    }
    const auto code = static_cast<std::uint8_t>(parts[0].toInt());
    const auto time = parts[1].toUInt();
    if (e[0] == 'P') {
      acted += keys.Press(code, time) ? 0 : 1;
    } else {
      keys.Release(code, time);
    }
  }
  QCOMPARE(acted, acting);
}

void BindingTest::disabledNextIsOutOfReach() {
  QtGame g;
  g.Start("Anna");
  QVERIFY(!g.next()->isEnabled());
  const int before = Draws(g);
  // Neither the click nor the access key reaches the button: the click is dropped, and no
  // shortcut is delivered, so no press is under way (an enabled button would be down now and
  // click once its press animation ends).
  EventCount shortcuts(g.next(), QEvent::Shortcut);
  QTest::mouseClick(g.next(), Qt::LeftButton);
  QTest::keyClick(g.form.widget(), Qt::Key_N, Qt::AltModifier);
  QCOMPARE(shortcuts.n, 0);
  QVERIFY(!g.next()->isDown());
  QCOMPARE(Draws(g), before);
  for (int i = 0; i < 6; ++i) {
    QTest::keyClick(g.focus(), Qt::Key_Tab);
    QVERIFY(g.focus() != g.next());
  }
}

void BindingTest::tabCycle() {
  QtGame g;
  g.Start("Anna");
  QTest::keyClicks(g.focus(), "1");
  QTest::keyClick(g.focus(), Qt::Key_Return);  // enables cmdNext
  QCOMPARE(g.focus(), g.next());
  QStringList visited;
  for (int i = 0; i < 4; ++i) {
    QTest::keyClick(g.focus(), Qt::Key_Tab);
    visited << g.focus()->objectName();
  }
  QCOMPARE(visited, QStringList({"txtAnswer", "Command1", "cmdExit", "cmdNext"}));
  // Enter on the hidden Command1 does nothing.
  g.w("Command1")->setFocus();
  const int before = Draws(g);
  QTest::keyClick(g.focus(), Qt::Key_Return);
  QCOMPARE(Draws(g), before);
  QCOMPARE(g.ui.ends, 0);
}

void BindingTest::menuByKeyboard_data() {
  QTest::addColumn<bool>("f10");  // F10, or Alt pressed and released alone
  QTest::newRow("F10") << true;
  QTest::newRow("Alt") << false;
}

void BindingTest::menuByKeyboard() {
  QFETCH(bool, f10);
  QtGame g;
  g.Start("Anna");
  QMenuBar* bar = g.form.widget()->menuBar();
  auto* info = g.form.widget()->findChild<QAction*>("INFOMAZIONI");
  auto* next = g.form.widget()->findChild<QAction*>("Next");
  // A pixel inside the first item, left of its text: the highlight shows there.
  const QPoint inside = bar->actionGeometry(info).topLeft() + QPoint(2, 2);
  const QColor plain = bar->grab().toImage().pixelColor(inside);
  if (f10) {
    QTest::keyClick(g.focus(), Qt::Key_F10);
  } else {
    QTest::keyPress(g.focus(), Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(g.focus(), Qt::Key_Alt, Qt::NoModifier);
  }
  QCOMPARE(g.focus(), bar);
  QCOMPARE(bar->activeAction(), info);
  const QColor lit = bar->grab().toImage().pixelColor(inside);
  QVERIFY2(lit != plain, qPrintable(lit.name()));
  QCOMPARE(lit, bar->palette().color(QPalette::Highlight));
  // Escape gives the focus back to the answer box, where it was.
  QTest::keyClick(bar, Qt::Key_Escape);
  QCOMPARE(g.focus(), g.box());
  // Arrows move along the bar; Enter chooses.
  QTest::keyClick(g.focus(), Qt::Key_F10);
  QTest::keyClick(bar, Qt::Key_Right);
  QCOMPARE(bar->activeAction(), next);
  g.ui.answers.push_back(vbNo);
  QTest::keyClick(bar, Qt::Key_Return);
  QTRY_COMPARE(g.ui.calls.size(), std::size_t{3});  // name, greeting, the new-race question
}

void BindingTest::newRaceYesAndNo() {
  QtGame g;
  g.Start("Anna");
  QTest::keyClicks(g.focus(), "12");
  QTest::keyClick(g.focus(), Qt::Key_Return);
  auto* timer = g.form.widget()->findChild<QTimer*>("Timer1");
  Tick(timer);
  QCOMPARE(g.caption("lblconto"), QString("00:14:59"));

  g.ui.answers.push_back(vbNo);
  g.form.widget()->findChild<QAction*>("Next")->trigger();
  QCOMPARE(g.caption("lblScore"), QString("1"));
  QCOMPARE(g.caption("lblconto"), QString("00:14:59"));

  QPointer<QMainWindow> old = g.form.widget();
  g.ui.answers.push_back(vbYes);
  g.ui.names.push_back("Bruno");
  old->findChild<QAction*>("Next")->trigger();
  QVERIFY(g.form.widget() && g.form.widget() != old.data());
  QTRY_VERIFY(old.isNull());  // the old window is gone once back in the event loop
  QCOMPARE(g.caption("lblnome1"), QString("Bruno"));
  QCOMPARE(g.caption("lblScore"), QString("0"));
  QCOMPARE(g.caption("lblconto"), QString("00:15:00"));
  QVERIFY(!g.next()->isEnabled());
  QCOMPARE(g.form.widget()->focusWidget(), g.box());
  QCOMPARE(g.caption("lblNum1"), QString("5"));  // a new first question
}

void BindingTest::minimizeAndRestoreCaption() {
  QtGame g;
  g.Start("Anna");
  g.form.widget()->showMinimized();
  QTRY_COMPARE(g.form.WindowState(), vbMinimized);
  QCOMPARE(g.form.widget()->windowTitle(), QString(kMinimizedCaption));
  g.form.widget()->showNormal();
  QTRY_COMPARE(g.form.WindowState(), vbNormal);
  QCOMPARE(g.form.widget()->windowTitle(), QString("Giocare con la tavola pitagorica"));
  // A maximized state (only a Wayland compositor can impose one) is left at once; the race
  // goes on in the window's own size.
  QVERIFY(!(g.form.widget()->windowFlags() & Qt::WindowMaximizeButtonHint));
  g.form.widget()->showMaximized();
  QTRY_COMPARE(g.form.WindowState(), vbNormal);
  QCOMPARE(g.form.widget()->centralWidget()->size(), QSize(792, 554));
  QCOMPARE(g.ui.ends, 0);
}

// While a handler waits for the record store (another game holds its lock) the window goes on
// painting; the clock's ticks that come meanwhile are dropped: the wait is not the player's time.
void BindingTest::waitingForTheRecordRepaintsAndStopsTheClock() {
  QtGame g;
  g.Start("Anna");
  auto* timer = g.form.widget()->findChild<QTimer*>("Timer1");
  auto* verdict = g.w<QLabel>("lblMessage");
  EventCount paints(verdict, QEvent::Paint);
  timer->setInterval(1);
  QElapsedTimer waited;
  g.form.Dispatch([&] {
    verdict->setText("in attesa");
    waited.start();
    while (waited.elapsed() < 100) g.form.WhileWaiting();
  });
  timer->stop();
  QVERIFY(paints.n > 0);
  QCOMPARE(g.caption("lblconto"), QString("00:15:00"));
}

// Another game holds the lock at the start: the race starts whole when the window appears, and
// the first tick comes a whole interval after the wait, not where the timer's phase was.
void BindingTest::aStartThatWaitsForTheLockKeepsTheWholeRace() {
  struct Slow : testing::OwnRecordDir, testing::ScriptedQtGame {
    Slow() : ScriptedQtGame(dir.dir(), {0.35f, 0.45f}, 60000) {}
  } g;
  DirFile lock = RecordDir(g.dir.dir()).Open(records::kLockFile, Access::kReadWrite, true, 0660);
  QVERIFY(lock.TryLock());
  QTimer* timer = nullptr;
  int during = 0;  // the timer's time left at the wait's last step
  g.composed.services.store->SetWaiting([&] {
    timer = g.form.widget()->findChild<QTimer*>("Timer1");
    QTimer::singleShot(0, timer, [timer] { Tick(timer); });  // a tick comes during the wait
    g.form.WhileWaiting();
    during = timer->remainingTime();
    if (during < 60000 - 250) lock = DirFile();  // the other game lets go
  });
  g.ui.names.push_back("Anna");
  g.form.Start();
  QVERIFY(QTest::qWaitForWindowActive(g.form.widget()));
  QCOMPARE(QString::fromStdString(g.form.CaptionOf("lblconto")), QString("00:15:00"));
  QVERIFY2(timer->remainingTime() > during, "the timer went on from its phase before the wait");
  Tick(timer);
  QCOMPARE(QString::fromStdString(g.form.CaptionOf("lblconto")), QString("00:14:59"));
}

void BindingTest::closeBoxEndsWithoutWriting() {
  QtGame g;
  g.Start("Anna");
  QTest::keyClicks(g.focus(), "12");
  QTest::keyClick(g.focus(), Qt::Key_Return);
  g.form.widget()->close();
  QCOMPARE(g.ui.ends, 1);
  QVERIFY(g.form.ended());
  QCOMPARE(testing::ReadBytes(g.dir.file("a.txt")), std::string());
  // No handler runs after the end.
  Tick(g.form.widget()->findChild<QTimer*>("Timer1"));
  QCOMPARE(g.caption("lblconto"), QString("00:15:00"));
}

void BindingTest::runTimeErrorReachesTheErrorHandler() {
  QtGame g({0.5f}, "blocker/");
  testing::WriteBytes(g.dir.file("blocker"), "x");
  g.ui.names.push_back("Anna");
  g.form.Start();
  QCOMPARE(g.errors.size(), std::size_t{1});
  QVERIFY(g.errors[0].Message().find(g.dir.dir() + "blocker/") != std::string::npos);
  QVERIFY(g.form.ended());
}

// A row of the handler table that the game cannot honour fails the first load, before any box.
void BindingTest::misspeltHandlerFailsTheLoad() {
  QtGame g;
  window::WindowDesc desc = window::Tavola();
  desc.handlers[3].handler = "cmdNext_Clik";
  std::vector<RuntimeError> errors;
  qt::QtForm form(desc, g.game, g.ui, [&errors](const RuntimeError& e) { errors.push_back(e); });
  form.Start();
  QCOMPARE(errors.size(), std::size_t{1});
  QVERIFY(errors[0].Message().find("cmdNext_Clik") != std::string::npos);
  QVERIFY(g.ui.calls.empty());
  QVERIFY(!form.widget());
}

void BindingTest::autoSizeLabelGrowsRight() {
  QtGame g;
  g.Start("Anna");
  auto* name = g.w<QLabel>("lblnome1");
  const QRect before = name->geometry();
  g.form.label("lblnome1").SetCaption("Giovanni Battista Rossi");
  const QRect after = name->geometry();
  QCOMPARE(after.topLeft(), before.topLeft());
  QVERIFY(after.width() > before.width());
  QCOMPARE(after.height(), before.height());
}

void BindingTest::caretRestsAfterAWhileAndWakesOnAKey() {
  const int desktop = QApplication::cursorFlashTime();
  QVERIFY(desktop > 0);
  QtGame g;
  g.Start("Anna");
  auto* box = g.form.widget()->findChild<qt::AnswerBox*>("txtAnswer");
  QVERIFY(!box->caretResting());
  box->setBlinkTimeout(20);
  QTest::keyClicks(box, "1");
  QTRY_VERIFY(box->caretResting());
  QCOMPARE(QApplication::cursorFlashTime(), 0);  // steady: no repaint twice a second
  QTest::keyClicks(box, "2");
  QVERIFY(!box->caretResting());
  QCOMPARE(QApplication::cursorFlashTime(), desktop);
  QCOMPARE(box->text(), QString("12"));
  // A window unloaded while its caret rests gives the desktop's flash time back.
  QTRY_VERIFY(box->caretResting());
  g.ui.answers.push_back(vbYes);
  g.form.widget()->findChild<QAction*>("Next")->trigger();
  QTRY_COMPARE(QApplication::cursorFlashTime(), desktop);
}

// The name box is painted before the window's controls are built; they are built while the box
// is still up, and every control exists once the load is over.
void BindingTest::nameBoxDoesNotWaitForTheWindow() {
  TempDir dir;
  ScriptedRandom random({0.35f, 0.45f});
  FixedClock clock;
  std::vector<RuntimeError> errors;
  app::QtGame composed(
      app::Options{dir.dir(), 0, {}},
      app::Injected{nullptr, &random, &clock,
                    [&errors](const RuntimeError& e) { errors.push_back(e); }, [](int) {}});
  qt::QtUi& ui = *composed.qtUi();
  qt::QtForm& form = composed.form;

  // What the name box saw: whether the window existed at its first paint, and whether the
  // window and its controls came while it was still up.
  int paints = 0;
  bool windowAtFirstPaint = true;
  bool builtWhileUp = false;
  struct PaintWatch : QObject {
    std::function<void()> onPaint;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) onPaint();
      return false;
    }
  } watch;
  watch.onPaint = [&] {
    if (paints++ == 0) windowAtFirstPaint = form.widget() != nullptr;
  };
  QTimer poll;
  QElapsedTimer waited;
  waited.start();
  ui.onInputBox = [&](QInputDialog& d) {
    d.installEventFilter(&watch);
    QObject::connect(&poll, &QTimer::timeout, &d, [&] {
      const bool built = form.widget() && form.widget()->findChild<QLabel*>("lblScore");
      if (!built && waited.elapsed() < 5000) return;
      poll.stop();
      builtWhileUp = built && d.isVisible();
      d.setTextValue("Anna");
      d.accept();
    });
    poll.start(1);
  };
  ui.onMessageBox = [](QMessageBox& box) { QTimer::singleShot(0, &box, [&box] { box.accept(); }); };

  form.Start();
  QVERIFY(errors.empty());
  QVERIFY(paints > 0);
  QVERIFY(!windowAtFirstPaint);
  QVERIFY(builtWhileUp);
  QVERIFY(form.widget());
  for (const auto& c : window::Tavola().controls) {
    QVERIFY2(form.widget()->findChild<QObject*>(QString::fromStdString(c.name)), c.name.c_str());
  }
  QCOMPARE(form.widget()->findChild<QTimer*>("Timer1")->parent(), form.widget());
  QCOMPARE(form.widget()->findChild<QLabel*>("lblnome1")->text(), QString("Anna"));
}

QTEST_MAIN(BindingTest)
#include "binding_test.moc"
