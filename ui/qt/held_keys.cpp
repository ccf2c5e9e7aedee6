// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "ui/qt/held_keys.h"

#include <xcb/xcb.h>
#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdlib>

namespace quorvella::qt {

bool HeldKeys::Press(std::uint8_t keycode, std::uint32_t time) {
  Key& key = keys_[keycode];
  const bool repeat = key.down || (key.released && key.releasedAt == time);
  key.down = true;
  return repeat;
}

void HeldKeys::Release(std::uint8_t keycode, std::uint32_t time) {
  Key& key = keys_[keycode];
  key.down = false;
  key.released = true;
  key.releasedAt = time;
}

void HeldKeys::Down(const std::uint8_t (&keymap)[32]) {
  for (auto& [keycode, key] : keys_) key.down = (keymap[keycode / 8] >> (keycode % 8)) & 1;
}

bool RepeatFilter::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  switch (event->response_type & 0x7f) {
    case XCB_KEY_PRESS: {
      const auto* press = static_cast<const xcb_key_press_event_t*>(message);
      return keys_.Press(press->detail, press->time);
    }
    case XCB_KEY_RELEASE: {
      const auto* release = static_cast<const xcb_key_release_event_t*>(message);
      keys_.Release(release->detail, release->time);
      return false;
    }
    case XCB_FOCUS_IN: {
      // Releases that went to another program while it had the focus never came here.
      auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
      xcb_connection_t* c = x11 ? x11->connection() : nullptr;
      if (!c) return false;
      if (auto* reply = xcb_query_keymap_reply(c, xcb_query_keymap(c), nullptr)) {
        keys_.Down(reply->keys);
        std::free(reply);
      }
      return false;
    }
    default:
      return false;
  }
}

void RepeatFilter::Install() {
  static RepeatFilter* installed = nullptr;
  if (installed || QGuiApplication::platformName() != QLatin1String("xcb")) return;
  installed = new RepeatFilter;
  QCoreApplication::instance()->installNativeEventFilter(installed);
}

}  // namespace quorvella::qt
