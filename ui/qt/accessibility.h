// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// What a screen reader hears of the window, put where Qt's readers look: the sentences of
// window/sentences.h (names where the visible text says nothing to a listener, headings tied to
// their values, the question and the verdict as the focus comes), the children in reading
// order, and a clock that speaks at most once a second.
#pragma once

#include <QAccessible>
#include <QElapsedTimer>
#include <QLabel>
#include <QString>
#include <QTimer>
#include <QWidget>

#include "window/sentences.h"

namespace quorvella::qt {

// The client area of the window: its accessible children come in reading order.
class ClientArea : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;
  // Its child widgets that show, in reading order: rows from top to bottom (a control starts a new
  // row when its top lies below the middle of the row's first control), left to right in a row.
  QList<QWidget*> readingOrder() const;
};

// Installs the accessible objects of the window's own kinds of widget (the client area, the
// announcer). Before any widget is made: Qt asks the factories as a widget is constructed.
void InstallAccessibleFactories();

// Gives the controls of `client` their accessible names, descriptions and heading relations.
// Cheap: no accessibility work is done unless a reader asks.
void DescribeForReaders(ClientArea* client);

// While the window is not on the screen (it is built during the name box, and written by the
// load handler before it shows), a reader hears nothing of it: one that met its controls hidden
// would keep them as invisible, since Qt later reports only that they are showing. Once shown,
// every control reports itself showing and a reader learns it as it is. Holds Qt's
// accessibility events back for the life of this object, when `window` is null or hidden.
class QuietForReaders {
 public:
  explicit QuietForReaders(const QWidget* window)
      : QuietForReaders(!window || !window->isVisible()) {}
  // Holds the events back when `quiet` is true: the answer box emptied for the next question
  // while another control has the focus tells a reader nothing, and its text and caret events
  // would reach the reader before the box's focus, which a reader then takes for old news.
  explicit QuietForReaders(bool quiet);
  ~QuietForReaders();
  QuietForReaders(const QuietForReaders&) = delete;
  QuietForReaders& operator=(const QuietForReaders&) = delete;

 private:
  bool quiet_ = false;
  QAccessible::UpdateHandler previous_ = nullptr;
};

// Called just before `w` takes the focus: it says what the window's sentences give it to say
// then (the answer box the open question, the new-question button the verdict and the counts),
// made from the captions as they are.
void BeforeFocus(QWidget* w);

// What a reader says of `w` when asked where it is (Orca's where-am-I), besides what it says as
// the focus comes: for the answer box, the question and the time left. Readers take it from a
// label of the box (of no size), whose changes they do not speak while the focus stays on the box
// (a change of the box's own name they would speak).
void LabelForReaders(QWidget* w);
void SetWhereAmI(QWidget* w, const QString& text);

// Keeps a label's accessible name in step with its caption, at most once per `intervalMs`:
// a clock that ticks faster than a reader can speak stays quiet between updates.
class ThrottledName : public QObject {
  Q_OBJECT
 public:
  ThrottledName(QWidget* label, int intervalMs);
  void update(const QString& caption);

 private:
  void publish();
  QWidget* label_;
  int intervalMs_;
  QString pending_;
  QElapsedTimer since_;
  QTimer later_;
};

// Tells a reader what changes while the focus stays put (the time left), without moving the
// focus: a hidden child of the window whose accessible role is a notification, shown with the
// sentence, which readers speak at once. It paints nothing. An announcement waits while the
// question or the verdict the focus brought may still be being read (window::Announcements).
class Announcer : public QLabel {
  Q_OBJECT
 public:
  explicit Announcer(QWidget* window);
  // The clock shows `clock`: its announcement, if it has one, is made (window::Announcements).
  void clockShows(std::string_view clock);
  // The focus moved within the program: a reader is reading what the focus brought.
  void focusMoved();
  // Whether what the focus brought may still be being read.
  bool reading() const { return waiting_.Reading(clock_.elapsed()); }

 protected:
  void paintEvent(QPaintEvent*) override {}

 private:
  void flush();
  window::Announcements waiting_;
  QElapsedTimer clock_;
  QTimer later_;
};

}  // namespace quorvella::qt
