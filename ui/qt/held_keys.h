// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// A key held down acts once. On X11 the server repeats a held key as a release and a press that
// carry the same server time (or, with detectable auto-repeat, as presses without a release);
// Qt tells them from a real release by looking whether the press is already queued, which fails
// when the program is slow to read its events. The filter decides from the events themselves
// and swallows every repeated press before Qt sees it, for every window of the program. Other
// platforms (Wayland, where the program repeats keys itself) mark repeats reliably: the widgets
// ignore those.
#pragma once

#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <map>

namespace quorvella::qt {

// What the X server said about each key: whether a press is a repeat. A key is down from its
// press to its release; a press while it is down, or at the very server time of its release, is
// the server repeating it.
class HeldKeys {
 public:
  // Returns true for a repeat.
  bool Press(std::uint8_t keycode, std::uint32_t time);
  void Release(std::uint8_t keycode, std::uint32_t time);
  // What the server says is down when a window of the program gets the focus: a key released
  // while another program had it is up again, a key still held stays down.
  void Down(const std::uint8_t (&keymap)[32]);

 private:
  struct Key {
    bool down = false;
    std::uint32_t releasedAt = 0;
    bool released = false;
  };
  std::map<std::uint8_t, Key> keys_;
};

class RepeatFilter : public QAbstractNativeEventFilter {
 public:
  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  // Installs one filter for the program, on the X11 platform only.
  static void Install();

 private:
  HeldKeys keys_;
};

}  // namespace quorvella::qt
