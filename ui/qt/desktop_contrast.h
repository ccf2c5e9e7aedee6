// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Whether the desktop asks every program for high contrast, and in which colours, followed
// while the program runs.
//
// GNOME publishes the setting in GSettings, org.gnome.desktop.a11y.interface high-contrast (the
// switch of its accessibility settings), which reaches a Qt program through GLib's GSettings
// (gio): Qt 6.4 reads no high-contrast setting of its own. GNOME's high-contrast look is black
// on white, white on black where the desktop prefers a dark style
// (org.gnome.desktop.interface color-scheme 'prefer-dark'). A desktop without the schema, or
// any other, is read as off. The environment variable QUORVELLA_HIGH_CONTRAST, when set, takes
// the place of the desktop's setting: 0 off, 1 black on white, dark white on black.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "window/colours.h"

namespace quorvella::qt {

class DesktopContrast {
 public:
  // `onChange` is called, on the program's thread, each time the setting changes.
  explicit DesktopContrast(std::function<void()> onChange);
  ~DesktopContrast();
  DesktopContrast(const DesktopContrast&) = delete;
  DesktopContrast& operator=(const DesktopContrast&) = delete;

  // The system's palette while high contrast is on; none while it is off.
  std::optional<window::SystemPalette> Palette() const;

 private:
  struct Settings;
  std::unique_ptr<Settings> settings_;
  std::function<void()> onChange_;
};

}  // namespace quorvella::qt
