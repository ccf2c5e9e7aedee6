// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Message and input boxes with Qt's standard dialogs, run-time error boxes, and the end of the
// program.
#pragma once

#include <QString>
#include <functional>

#include "platform/files.h"
#include "platform/runtime.h"
#include "platform/toolkit.h"
#include "window/sentences.h"

class QWidget;
class QMessageBox;
class QInputDialog;

namespace quorvella::qt {

class QtUi : public Ui {
 public:
  // `files` is closed when the program ends. `exit` ends the process with a status; by default
  // at once, without running any further event.
  explicit QtUi(FilePool& files, std::function<void(int)> exit = {});

  int MsgBox(const std::string& prompt, int style,
             const std::optional<std::string>& title = std::nullopt) override;
  std::string InputBox(const std::string& prompt) override;
  // The boxes that follow tell a reader the race's result.
  void RaceEnded(const RaceResult& result) override { endOfRace_.RaceEnded(result); }

 protected:
  void EndProgram() override;

 public:
  // Shows the run-time error in a modal box that names the file and the reason, then ends the
  // program with status 1.
  [[noreturn]] void Fatal(const RuntimeError& error);

  // The window the boxes belong to, when there is one: a box opens over it, as its child.
  std::function<QWidget*()> parentWindow;
  // Called with each box just before it runs, so tests can answer it.
  std::function<void(QMessageBox&)> onMessageBox;
  std::function<void(QInputDialog&)> onInputBox;

 private:
  [[noreturn]] void Exit(int status);
  QWidget* Parent() const;

  FilePool& files_;
  std::function<void(int)> exit_;
  window::EndOfRace endOfRace_;
};

// The width a box needs for a window manager to show its whole title: the title in a bold title
// font plus the title bar's icon and buttons. Window managers do not say what they draw, so this
// errs on the generous side.
int TitleBarWidth(const QString& title);

// Makes a box at least TitleBarWidth(its title) wide.
void FitTitle(QMessageBox& box);
void FitTitle(QInputDialog& box);

// Loads Qt's own Italian texts (the dialogs' buttons) whatever the system language.
void InstallItalianTranslations();

}  // namespace quorvella::qt
