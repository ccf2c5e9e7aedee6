// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The window `Tavola` as a top-level Qt window: its frame and size, its place on the screen,
// its state changes and close box, and its menu bar's keyboard mode.
#pragma once

#include <QMainWindow>
#include <QPoint>
#include <QRect>
#include <QScreen>
#include <functional>

namespace quorvella::qt {

// The top-level window: a fixed size around its client area, no maximize button, a menu bar
// that F10 opens like Alt and that shows the item the keys are on; it reports state changes and
// the close box to the form, and places itself on the screen.
class TavolaWindow : public QMainWindow {
  Q_OBJECT
 public:
  TavolaWindow();
  std::function<void()> onStateChange;
  std::function<void()> onClose;
  // Called each time the window becomes the active window again.
  std::function<void()> onActivate;

  // Puts the window's client area (menu bar included) at `pos`, moved as little as needed for
  // the whole frame to lie inside the available area of its screen. The frame's size is a guess
  // until the window manager has framed the window; the window checks again once it has.
  void PlaceAt(QPoint pos);

  // The frame the window manager draws around the window, in device pixels: the one it drew
  // around the last window framed, or a common one until then (none on the offscreen platform).
  static QMargins Frame();

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPoint wanted_;
  bool placed_ = false;  // placed with the frame the window manager drew
  // Wayland: the maximum lifted while Qt applies what the compositor sent (Unfix) and fixed
  // again after (Refix), or once back at its own size from a maximized or full-screen state.
  void Unfix();
  void Refix();
  bool followsMaximize_ = false;  // Wayland: the window watches the compositor's configures
  bool maximized_ = false;        // maximized or full screen, not yet back at its own size
  QSize fixedSize_;               // the size to go back to while the maximum is lifted
};

// The zoom the window's design is drawn at on `screen` (1 where it fits at the desktop's scale;
// window/fit.h): `content` is the window inside its frame at zoom 1, in pixels.
double FittingZoom(const QScreen* screen, QSize content);

}  // namespace quorvella::qt
