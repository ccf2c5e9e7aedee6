// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The widgets that the description's control kinds become: labels that can size themselves to
// their caption, the answer box that lets only digits in, and the picture buttons.
#pragma once

#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "window/colours.h"
#include "window/description.h"

namespace quorvella::qt {

// The window is drawn at its designed size times a zoom, below 1 when the desktop's scale would
// not let it fit the screen (window/fit.h): rectangles, fonts and pictures follow it together.

// A described rectangle in the window's pixels at `zoom`.
QRect PixelRect(const window::Rect& r, double zoom = 1.0);

// The font a described font becomes on this system: the nearest installed face of the same kind,
// sized in pixels at 96 dots per inch, times `zoom`. Faces are looked up once per described
// family.
QFont ResolveFont(const window::Font& font, double zoom = 1.0);

// A picture of `size` x `size` pixels of the design drawn at `zoom` on a screen of `dpr` device
// pixels per pixel: each pixel of the picture's own image repeated, never blurred.
QPixmap CrispPixmap(const QIcon& picture, int size, double zoom, double dpr);

// The system's icon pointer: a small square inside a square.
const QCursor& IconPointer();

// The picture of an id of the window description, from the program's resources (the file
// resources/<id>.ico); a null icon for no id.
QIcon Picture(const std::string& id);

// Colour of an RGB value as the game writes it (r + 256 g + 65536 b).
QColor ColorFromRgb(std::uint32_t rgb);

// A label that, when auto-sized, keeps its left and top edges and takes the size of its caption
// in its font, border included, on one line.
class AutoLabel : public QLabel {
  Q_OBJECT
 public:
  AutoLabel(const window::ControlDesc& desc, QWidget* parent, double zoom = 1.0);
  void setCaption(const QString& caption);
  // Draws the label in the colours `colours` gives it (window/colours.h).
  void setColours(const window::Colours& colours);

 signals:
  void captionChanged(const QString& caption);

 private:
  void fitToCaption();
  const window::ControlDesc& desc_;
  bool autoSize_;
};

// The answer box. Every character it would receive goes first to the key-press handler, which
// may swallow it; keys that insert no character keep their editing behaviour. Whatever the road
// (typing, pasting, dropping, input methods) only digits get in, at most `maxLength` of them.
class AnswerBox : public QLineEdit {
  Q_OBJECT
 public:
  AnswerBox(const window::ControlDesc& desc, QWidget* parent, double zoom = 1.0);
  ~AnswerBox() override;
  void setColours(const window::Colours& colours);

  // Called with the character code by reference; 0 swallows the key.
  std::function<void(std::int16_t&)> onKeyPress;
  // Called for Enter before the handler: returns true when the default button took it.
  std::function<bool()> onDefaultKey;

  // The character code a key event carries, or -1 for a key that inserts no character.
  static int KeyAsciiOf(const QKeyEvent& event);

  // Like the desktops that do so, the caret stops blinking after this long without the player
  // typing or the box taking the focus (a blinking caret repaints the box twice a second for the
  // whole race); it blinks again at the next key or focus.
  static constexpr int kBlinkTimeoutMs = 10000;
  void setBlinkTimeout(int ms) { blinkRest_.setInterval(ms); }
  bool caretResting() const { return resting_; }

  // The tooltip the box shows. The box keeps it apart from Qt's own, which Qt would also give a
  // reader as the box's description after every question: a reader hears it as the window's
  // sentences say (once a race).
  const QString& hint() const { return hint_; }

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void WakeCaret();

  const window::ControlDesc& desc_;
  bool edge_ = false;  // painted with the sunken edge of a text box
  QTimer blinkRest_;
  bool resting_ = false;
  QString hint_;
};

// A push button with a picture centred in the upper part of its face and the caption below it;
// the picture follows the state (normal, pressed, disabled). The face is flat in the described
// colour, inside a raised edge that sinks while the button is pressed. Enter or Space click it
// while it has the focus.
class PictureButton : public QPushButton {
  Q_OBJECT
 public:
  PictureButton(const window::ControlDesc& desc, QWidget* parent, double zoom = 1.0);
  // The face and caption in their colours, enabled and disabled; in high contrast also the
  // focus rectangle, and a disabled caption is drawn flat in its own colour.
  void setColours(const window::Colours& colours);

  // The picture shown in the current state (null for a button without pictures).
  const QIcon& currentPicture() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  const window::ControlDesc& desc_;
  QIcon normal_, pressed_, disabled_;
  double zoom_;
  // High contrast: the disabled caption's colour and the focus outline's.
  std::optional<std::uint32_t> disabledText_, focus_;
};

}  // namespace quorvella::qt
