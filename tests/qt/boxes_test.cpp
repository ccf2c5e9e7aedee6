// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Message and input boxes: titles, buttons, icons, defaults, answers, Italian button texts,
// and the run-time error box.
#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "platform/files.h"
#include "qt/quiet_platform.h"
#include "ui/qt/qt_ui.h"

using namespace quorvella;

namespace {

// Presses a button of the box once it runs.
void PressLater(QMessageBox& box, QMessageBox::StandardButton which) {
  QTimer::singleShot(0, &box, [&box, which] { box.button(which)->click(); });
}

}  // namespace

class BoxesTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    testing::QuietOffscreenPlatform();
    qt::InstallItalianTranslations();
  }
  void okBoxWithoutTitleShowsTheApplicationTitle();
  void yesNoQuestionWithNoAsDefault_data();
  void yesNoQuestionWithNoAsDefault();
  void inputBoxGivesTextOrEmptyOnCancel_data();
  void inputBoxGivesTextOrEmptyOnCancel();
  void endAndFatalExitWithTheirStatus();
  void boxesShowTheirWholeTitleOverTheWindow_data();
  void boxesShowTheirWholeTitleOverTheWindow();
};

void BoxesTest::okBoxWithoutTitleShowsTheApplicationTitle() {
  FilePool files;
  qt::QtUi ui(files);
  QString title, text;
  QMessageBox::Icon icon{};
  QList<QAbstractButton*> buttons;
  ui.onMessageBox = [&](QMessageBox& box) {
    title = box.windowTitle();
    text = box.text();
    icon = box.icon();
    buttons = box.buttons();
    PressLater(box, QMessageBox::Ok);
  };
  QCOMPARE(ui.MsgBox(" <b>Anna</b> vediamo se sei un vero campione  ", vbOKOnly), vbOK);
  QCOMPARE(title, QString("Quorvella"));
  QCOMPARE(text, QString(" <b>Anna</b> vediamo se sei un vero campione  "));
  QCOMPARE(icon, QMessageBox::NoIcon);
  QCOMPARE(buttons.size(), 1);
}

void BoxesTest::yesNoQuestionWithNoAsDefault_data() {
  QTest::addColumn<int>("press");
  QTest::addColumn<int>("expected");
  QTest::newRow("yes") << int(QMessageBox::Yes) << vbYes;
  QTest::newRow("no") << int(QMessageBox::No) << vbNo;
}

void BoxesTest::yesNoQuestionWithNoAsDefault() {
  QFETCH(int, press);
  QFETCH(int, expected);
  FilePool files;
  qt::QtUi ui(files);
  ui.onMessageBox = [&](QMessageBox& box) {
    QCOMPARE(box.windowTitle(), QString("INIZIARE NUOVA GARA"));
    QCOMPARE(box.text(), QString("INIZIAMO UNA NUOVA GARA  ?"));
    QCOMPARE(box.icon(), QMessageBox::Question);
    QCOMPARE(box.standardButtons(), QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.defaultButton(), box.button(QMessageBox::No));
    // Qt's own buttons speak Italian.
    QCOMPARE(box.button(QMessageBox::Yes)->text().remove('&'), QString::fromUtf8("S\xc3\xac"));
    PressLater(box, static_cast<QMessageBox::StandardButton>(press));
  };
  QCOMPARE(ui.MsgBox("INIZIAMO UNA NUOVA GARA  ?", 292, std::string("INIZIARE NUOVA GARA")),
           expected);
}

void BoxesTest::inputBoxGivesTextOrEmptyOnCancel_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<bool>("accept");
  QTest::addColumn<QString>("expected");
  QTest::newRow("ok") << QString::fromUtf8("Nicol\xc3\xb2") << true
                      << QString::fromUtf8("Nicol\xc3\xb2");
  QTest::newRow("cancel") << "Anna" << false << "";
  QTest::newRow("okEmpty") << "" << true << "";
  QTest::newRow("longerThan255") << QString(300, 'x') << true << QString(255, 'x');
}

void BoxesTest::inputBoxGivesTextOrEmptyOnCancel() {
  QFETCH(QString, typed);
  QFETCH(bool, accept);
  QFETCH(QString, expected);
  FilePool files;
  qt::QtUi ui(files);
  ui.onInputBox = [&](QInputDialog& dialog) {
    QCOMPARE(dialog.windowTitle(), QString("Quorvella"));
    QCOMPARE(dialog.labelText(), QString("Come ti chiami?"));
    QVERIFY(dialog.textValue().isEmpty());
    QTimer::singleShot(0, &dialog, [&dialog, typed, accept] {
      auto* edit = dialog.findChild<QLineEdit*>();
      edit->insert(typed);
      if (accept) {
        QTest::keyClick(edit, Qt::Key_Return);
      } else {
        dialog.reject();
      }
    });
  };
  QCOMPARE(QString::fromStdString(ui.InputBox("Come ti chiami?")), expected);
}

void BoxesTest::endAndFatalExitWithTheirStatus() {
  FilePool files;
  int status = -1;
  qt::QtUi ui(files, [&](int s) { status = s; });
  QVERIFY_THROWS_EXCEPTION(ProgramEnd, ui.End());
  QCOMPARE(status, 0);

  QString shown;
  ui.onMessageBox = [&](QMessageBox& box) {
    shown = box.text();
    QCOMPARE(box.icon(), QMessageBox::Critical);
    PressLater(box, QMessageBox::Ok);
  };
  const RuntimeError error(err::kPathFileAccess, "Errore di accesso al percorso/file",
                           "/var/games/quorvella/a.txt", "Permesso negato");
  QVERIFY_THROWS_EXCEPTION(ProgramEnd, ui.Fatal(error));
  QCOMPARE(status, 1);
  QVERIFY(shown.contains("/var/games/quorvella/a.txt"));
  QVERIFY(shown.contains("Permesso negato"));
}

void BoxesTest::boxesShowTheirWholeTitleOverTheWindow_data() {
  QTest::addColumn<QString>("prompt");
  QTest::addColumn<int>("style");
  QTest::addColumn<QString>("title");  // empty: none of its own
  QTest::addColumn<bool>("windowShown");
  QTest::addColumn<QString>("heard");  // the box's name and its text's, for a reader
  QTest::newRow("farewell") << "Ciao a presto. Ore 0" << vbOKOnly << "Data 08/12/2026" << true
                            << "Data 8 dicembre 2026|Ciao a presto. Ore 0. Esatte 4, errate 1, "
                               "totali 5. Hai battuto il record di 3.";
  QTest::newRow("newRace") << "INIZIAMO UNA NUOVA GARA  ?" << 292 << "INIZIARE NUOVA GARA" << true
                           << "|";
  QTest::newRow("confirmation") << "Ok" << vbOKOnly << "" << true << "|";
  QTest::newRow("hiddenWindow") << "Ok" << vbOKOnly << "" << false << "|";
  QTest::newRow("inputBox") << "Come ti chiami?" << -1 << "" << true << "";
}

void BoxesTest::boxesShowTheirWholeTitleOverTheWindow() {
  QFETCH(QString, prompt);
  QFETCH(int, style);
  QFETCH(QString, title);
  QFETCH(bool, windowShown);
  QFETCH(QString, heard);
  FilePool files;
  qt::QtUi ui(files);
  // The game tells how the race ended just before the farewell, and only then.
  if (title.startsWith("Data")) ui.RaceEnded({"4", "1", "5", "3\r\n", true, "08/12/2026"});
  QWidget window;
  if (windowShown) window.show();
  ui.parentWindow = [&window] { return &window; };
  const QString shown = title.isEmpty() ? QString("Quorvella") : title;
  // The title in a bold font a fifth larger than the application's, and room for four buttons.
  QFont font = QApplication::font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.2);
  const int needed = QFontMetrics(font).horizontalAdvance(shown) + 4 * 24;
  auto check = [&](QDialog& box) {
    QCOMPARE(box.windowTitle(), shown);
    QCOMPARE(box.parentWidget(), windowShown ? &window : nullptr);
    QTimer::singleShot(0, &box, [&box, needed] {
      QVERIFY2(box.width() >= needed, qPrintable(QString("%1 < %2").arg(box.width()).arg(needed)));
      box.done(0);
    });
  };
  ui.onMessageBox = [&](QMessageBox& box) {
    const auto* label = box.findChild<QLabel*>("qt_msgbox_label");
    QVERIFY(label);
    QCOMPARE(box.accessibleName() + "|" + label->accessibleName(), heard);
    check(box);
  };
  ui.onInputBox = [&](QInputDialog& box) { check(box); };
  if (style < 0) {
    ui.InputBox(prompt.toStdString());
  } else if (title.isEmpty()) {
    ui.MsgBox(prompt.toStdString(), style);
  } else {
    ui.MsgBox(prompt.toStdString(), style, title.toStdString());
  }
}

QTEST_MAIN(BoxesTest)
#include "boxes_test.moc"
