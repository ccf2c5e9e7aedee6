// Message and input boxes: titles, buttons, icons, defaults, answers, Italian button texts,
// and the run-time error box.
#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "common/temp_dir.h"
#include "platform/files.h"
#include "platform/qt/qt_ui.h"

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
  void initTestCase() { qt::InstallItalianTranslations(); }
  void okBoxWithoutTitleShowsTheApplicationTitle();
  void yesNoQuestionWithNoAsDefault_data();
  void yesNoQuestionWithNoAsDefault();
  void inputBoxGivesTextOrEmptyOnCancel_data();
  void inputBoxGivesTextOrEmptyOnCancel();
  void endAndFatalExitWithTheirStatus();
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
  quorvella::testing::TempDir dir;
  const int fn = files.FreeFile();
  files.Open(dir.file("open.txt"), FilePool::Mode::kOutput, fn);
  QVERIFY_THROWS_EXCEPTION(ProgramEnd, ui.End());
  QCOMPARE(status, 0);
  QVERIFY(!files.IsOpen(fn));  // the end closes every file

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

QTEST_MAIN(BoxesTest)
#include "boxes_test.moc"
