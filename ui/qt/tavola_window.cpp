// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "ui/qt/tavola_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>
#include <QProxyStyle>
#include <QScreen>
#include <QShortcut>
#include <QStyleOptionMenuItem>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "window/fit.h"

#include <xcb/xcb.h>

namespace quorvella::qt {
namespace {

// Fusion highlights a menu bar item only while its menu is open; an item reached by keyboard
// (F10 or Alt) gets the same highlight, or the player cannot see where the keys act.
class MenuBarStyle : public QProxyStyle {
 public:
  MenuBarStyle() : QProxyStyle(QApplication::style()->name()) {}
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override {
    if (element == CE_MenuBarItem && widget && widget->hasFocus() &&
        (option->state & State_Selected)) {
      if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
        QStyleOptionMenuItem chosen(*item);
        chosen.state |= State_Sunken;
        QProxyStyle::drawControl(element, &chosen, painter, widget);
        return;
      }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
  }
};

}  // namespace

TavolaWindow::TavolaWindow() {
  setAttribute(Qt::WA_DeleteOnClose, false);
  // A fixed size: no window manager or compositor resizes it (on Wayland the compositor bounds a
  // drag of Qt's own border by it). A maximize asked for all the same is answered at once (see
  // event and changeEvent).
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  // A fixed size, and no maximize button or action: the window manager neither offers nor
  // grants a maximized state the game has no layout for.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);

  // The menu bar. F10, like a press and release of Alt, puts it in Qt's keyboard mode: the
  // first item is highlighted, arrows move, Enter chooses, Escape gives the focus back to the
  // control that had it. The style draws the highlight of the item chosen by keyboard.
  QMenuBar* bar = menuBar();
  auto* style = new MenuBarStyle;
  style->setParent(bar);
  bar->setStyle(style);
  auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
  QObject::connect(f10, &QShortcut::activated, bar, [this, bar] {
    if (bar->hasFocus()) return;
    // Qt opens the keyboard mode on Alt pressed and released alone; F10 goes the same road,
    // with the events as the shortcut map and the keyboard deliver them.
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : this;
    QKeyEvent over(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::AltModifier);
    over.ignore();
    QCoreApplication::sendEvent(target, &over);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
  });
}

namespace {
std::optional<QMargins> framed;  // device pixels

// The window's Motif hints on X11: moved, minimized and closed, never resized or maximized,
// with a title, a border and the window menu. Qt's own hints let it be resized, and window
// managers that read functions as a whole (openbox) then draw a maximize button that does
// nothing.
void SetMotifHints(const QWidget* w) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* c = x11 ? x11->connection() : nullptr;
  if (!c || !w->windowHandle()) return;
  constexpr char kName[] = "_MOTIF_WM_HINTS";
  xcb_intern_atom_reply_t* atom =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof kName - 1, kName), nullptr);
  if (!atom) return;
  enum : std::uint32_t { kFunctions = 1, kDecorations = 2 };
  enum : std::uint32_t { kMove = 4, kMinimize = 8, kClose = 32 };
  enum : std::uint32_t { kBorder = 2, kTitle = 8, kMenu = 16, kMinimizeButton = 32 };
  const std::uint32_t hints[5] = {kFunctions | kDecorations, kMove | kMinimize | kClose,
                                  kBorder | kTitle | kMenu | kMinimizeButton, 0, 0};
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(w->winId()), atom->atom,
                      atom->atom, 32, 5, hints);
  std::free(atom);
}

}  // namespace

QMargins TavolaWindow::Frame() {
  if (framed) return *framed;
  const QString platform = QGuiApplication::platformName();
  if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return {};
  return QMargins(6, 40, 6, 6);  // generous: a title bar of 34 pixels and a border of 6
}

double FittingZoom(const QScreen* screen, QSize content) {
  if (!screen) return 1.0;
  const double dpr = screen->devicePixelRatio();
  const QRect area = screen->availableGeometry();
  const QMargins frame = TavolaWindow::Frame();
  const double scale =
      window::FittingScale({content.width(), content.height()},
                           {frame.left(), frame.top(), frame.right(), frame.bottom()},
                           {static_cast<int>(std::lround(area.width() * dpr)),
                            static_cast<int>(std::lround(area.height() * dpr))},
                           dpr);
  return scale / dpr;
}

void TavolaWindow::PlaceAt(QPoint pos) {
  wanted_ = pos;
  QScreen* screen = QGuiApplication::screenAt(pos);
  if (!screen) screen = QGuiApplication::primaryScreen();
  const QSize size = sizeHint().expandedTo(minimumSize());
  if (!screen) {
    setGeometry(QRect(pos, size));
    return;
  }
  // Before the window manager frames the window its frame is unknown: the last one, or a guess.
  const double dpr = screen->devicePixelRatio();
  const QMargins device = Frame();
  QMargins frame(static_cast<int>(std::ceil(device.left() / dpr)),
                 static_cast<int>(std::ceil(device.top() / dpr)),
                 static_cast<int>(std::ceil(device.right() / dpr)),
                 static_cast<int>(std::ceil(device.bottom() / dpr)));
  if (windowHandle() && placed_) frame = windowHandle()->frameMargins();
  const QRect outer(pos - QPoint(frame.left(), frame.top()), size.grownBy(frame));
  const QRect area = screen->availableGeometry();
  const window::Point corner =
      window::KeepOnScreen({outer.x(), outer.y(), outer.width(), outer.height()},
                           {area.x(), area.y(), area.width(), area.height()});
  setGeometry(QRect(QPoint(corner.x, corner.y) + QPoint(frame.left(), frame.top()), size));
}

bool TavolaWindow::event(QEvent* event) {
  // The unloaded window deletes itself here: nothing of it may be touched afterwards.
  if (event->type() == QEvent::DeferredDelete) return QMainWindow::event(event);
  // Before the window is mapped, which is when a window manager reads them.
  if (event->type() == QEvent::Show) {
    SetMotifHints(this);
    if (QGuiApplication::platformName() == QLatin1String("wayland") && windowHandle() &&
        !followsMaximize_) {
      // A maximized or full-screen state on Wayland comes with a size the window must take
      // exactly, or the compositor ends the connection. Qt bounds every size it applies by the
      // window's maximum, so the maximum is lifted before Qt applies what the compositor sent
      // (see eventFilter) and fixed again after, unless the window was maximized: then it waits
      // until the window is back at its own size.
      followsMaximize_ = true;
      qApp->installEventFilter(this);
      // Qt's own title bar has a maximize button whatever the window's flags, and its request
      // goes out before the window hears of it: this signal comes within the same call.
      QObject::connect(
          windowHandle(), &QWindow::windowStateChanged, this,
          [this](Qt::WindowState state) {
            if (state != Qt::WindowMaximized && state != Qt::WindowFullScreen) return;
            maximized_ = true;
            Unfix();
          },
          Qt::DirectConnection);
    }
  }
  if (event->type() == QEvent::Resize &&
      (QGuiApplication::platformName() == QLatin1String("xcb") ||
       QGuiApplication::platformName() == QLatin1String("wayland"))) {
    // A window manager that resizes the fixed-size window all the same (a corner drag under
    // XWayland, a size offered while the maximum was lifted on Wayland) gets it back at its own
    // size. Not while Wayland's maximum is lifted or the window is on its way back from the
    // maximized state: there the window must take the size the compositor gives it.
    QTimer::singleShot(0, this, [this] {
      if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)) &&
          !maximized_ && fixedSize_.isEmpty() && windowHandle() &&
          windowHandle()->size() != minimumSize()) {
        windowHandle()->resize(minimumSize());
      }
    });
  }
  if (event->type() == QEvent::Resize && maximized_ &&
      !(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) && size() == fixedSize_) {
    // Back at its own size from the maximized state, as the compositor gave it: fixed again
    // (earlier, the window would give itself that size before the compositor's answer).
    maximized_ = false;
    Refix();
  }
  const bool result = QMainWindow::event(event);
  if (event->type() == QEvent::WindowActivate && onActivate) onActivate();
  // Qt learns the frame from the window manager without an event of its own: look at every
  // event until it is known.
  if (!placed_ && isVisible() && windowHandle() && !windowHandle()->frameMargins().isNull()) {
    // Framed: place again with the real frame, and size the next window with it.
    placed_ = true;
    const QMargins m = windowHandle()->frameMargins();
    const double dpr = devicePixelRatioF();
    framed = QMargins(static_cast<int>(std::lround(m.left() * dpr)),
                      static_cast<int>(std::lround(m.top() * dpr)),
                      static_cast<int>(std::lround(m.right() * dpr)),
                      static_cast<int>(std::lround(m.bottom() * dpr)));
    PlaceAt(wanted_);
  }
  return result;
}

bool TavolaWindow::eventFilter(QObject* watched, QEvent* event) {
  // Qt's Wayland window applies the compositor's configure (its size and state) in a queued
  // call of its own; other queued calls of it (a frame done) merely lift and fix the maximum.
  if (event->type() == QEvent::MetaCall && isVisible() &&
      watched->inherits("QtWaylandClient::QWaylandWindow")) {
    Unfix();
  }
  return QMainWindow::eventFilter(watched, event);
}

void TavolaWindow::Unfix() {
  if (!fixedSize_.isEmpty()) return;
  fixedSize_ = size();
  layout()->setSizeConstraint(QLayout::SetMinimumSize);
  setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  // Fixed again next, unless the window was maximized meanwhile; a size it was only offered (a
  // drag of the border) is undone as it arrives (see event).
  QTimer::singleShot(0, this, [this] {
    if (!maximized_) Refix();
  });
}

void TavolaWindow::Refix() {
  if (fixedSize_.isEmpty()) return;
  fixedSize_ = QSize();
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void TavolaWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
    // Only a Wayland compositor gets here (Qt draws the title bar there, maximize button
    // included, and the compositor may maximize or fullscreen any window): the window has taken
    // the size given and goes straight back to its own.
    QTimer::singleShot(0, this, [this] {
      if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) showNormal();
    });
  }
  if (onStateChange) onStateChange();
}

void TavolaWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  if (onClose) onClose();
}

}  // namespace quorvella::qt
