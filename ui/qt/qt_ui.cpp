// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "ui/qt/qt_ui.h"

#include <QApplication>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>

namespace quorvella::qt {
namespace {

QMessageBox::Icon IconOf(int style) {
  switch (style & 0x70) {
    case 16:
      return QMessageBox::Critical;
    case 32:
      return QMessageBox::Question;
    case 48:
      return QMessageBox::Warning;
    case 64:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

QString TitleOf(const std::optional<std::string>& title) {
  return QString::fromStdString(title ? *title : std::string(kAppTitle));
}

}  // namespace

int TitleBarWidth(const QString& title) {
  QFont font = QApplication::font("QMdiSubWindowTitleBar");
  font.setBold(true);
  // Title fonts run up to a fifth larger than the application's.
  font.setPointSizeF(font.pointSizeF() * 1.2);
  const int text = QFontMetrics(font).horizontalAdvance(title);
  if (QGuiApplication::platformName() == QLatin1String("wayland")) {
    // Qt draws the title bar itself there, and starts the title in the middle of the box, so
    // the title and the three buttons right of it must fit in half the width.
    return 2 * (text + 3 * 27 + 16);
  }
  // Icon, minimize, maximize and close, each about 24 pixels, and the margins around them.
  constexpr int kButtons = 4 * 24 + 2 * 16;
  return text + kButtons;
}

void FitTitle(QMessageBox& box) {
  // A message box sets its own fixed size from its layout's minimum each time it is shown, so the
  // width goes into the layout: a spacer across the whole grid. Added once all else is set, as
  // changing the icon or text builds the layout anew.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    grid->addItem(new QSpacerItem(TitleBarWidth(box.windowTitle()), 0, QSizePolicy::Fixed,
                                  QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
}

void FitTitle(QInputDialog& box) {
  // Its layout sets its size from its children's: the entry takes the width, less the margins.
  const int width = TitleBarWidth(box.windowTitle());
  box.setMinimumWidth(width);
  if (auto* entry = box.findChild<QLineEdit*>()) {
    const QMargins m = box.layout() ? box.layout()->contentsMargins() : QMargins(11, 11, 11, 11);
    entry->setMinimumWidth(width - m.left() - m.right());
  }
}

QWidget* QtUi::Parent() const {
  // A window not on the screen (while it is being built, or left by a new race) is no parent:
  // the box would be centred on nothing and tied to a window the manager does not show.
  QWidget* w = parentWindow ? parentWindow() : nullptr;
  if (w && w->isVisible()) return w;
  return QApplication::activeWindow();
}

QtUi::QtUi(FilePool& files, std::function<void(int)> exit)
    : files_(files), exit_(std::move(exit)) {}

int QtUi::MsgBox(const std::string& prompt, int style, const std::optional<std::string>& title) {
  QMessageBox box(Parent());
  box.setWindowTitle(TitleOf(title));
  box.setTextFormat(Qt::PlainText);
  box.setText(QString::fromStdString(prompt));
  box.setIcon(IconOf(style));
  box.setWindowModality(Qt::ApplicationModal);
  const bool yesNo = (style & 7) == vbYesNo;
  if (yesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton((style & 0x300) == vbDefaultButton2 ? QMessageBox::No : QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
  }
  FitTitle(box);
  // What a reader hears of the box, when it says more than the shown texts: a title that is the
  // box's name, a text that is its label's.
  if (const auto spoken = endOfRace_.NextBox(prompt)) {
    if (!spoken->title.empty()) box.setAccessibleName(QString::fromStdString(spoken->title));
    if (auto* label = box.findChild<QLabel*>("qt_msgbox_label")) {
      label->setAccessibleName(QString::fromStdString(spoken->text));
    }
  }
  if (onMessageBox) onMessageBox(box);
  const int result = box.exec();
  if (!yesNo) return vbOK;
  return result == QMessageBox::Yes ? vbYes : vbNo;
}

std::string QtUi::InputBox(const std::string& prompt) {
  QInputDialog dialog(Parent());
  dialog.setWindowTitle(QString::fromStdString(std::string(kAppTitle)));
  dialog.setLabelText(QString::fromStdString(prompt));
  dialog.setInputMode(QInputDialog::TextInput);
  dialog.setTextValue(QString());
  if (auto* entry = dialog.findChild<QLineEdit*>()) entry->setMaxLength(kInputBoxMaxLength);
  dialog.setWindowModality(Qt::ApplicationModal);
  FitTitle(dialog);
  if (onInputBox) onInputBox(dialog);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.textValue().toStdString();
}

void QtUi::EndProgram() {
  Exit(0);
}

void QtUi::Fatal(const RuntimeError& error) {
  std::fprintf(stderr, "quorvella: %s\n", error.Message().c_str());
  QMessageBox box(QMessageBox::Critical, TitleOf(std::nullopt),
                  QString::fromStdString(error.Message()), QMessageBox::Ok, Parent());
  box.setTextFormat(Qt::PlainText);
  FitTitle(box);
  if (onMessageBox) onMessageBox(box);
  box.exec();
  Exit(1);
}

void QtUi::Exit(int status) {
  files_.CloseAll();
  if (exit_) {
    exit_(status);
    // A test's exit returns control by throwing; one that returns still must not go on.
    throw ProgramEnd{};
  }
  std::fflush(nullptr);
  std::_Exit(status);
}

void InstallItalianTranslations() {
  auto* translator = new QTranslator(qApp);
  const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (translator->load(QLocale(QLocale::Italian, QLocale::Italy), "qtbase", "_", dir)) {
    QCoreApplication::installTranslator(translator);
  } else {
    delete translator;
  }
}

}  // namespace quorvella::qt
