// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The Win32 window while it is loaded: each described control with the windows, font and
// pictures it holds, shared by the binding's own files (the window, its layout, its painting
// and the answer box). Nothing outside ui/win32 includes it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/toolkit.h"
#include "platform/windows_api.h"
#include "ui/win32/accessibility.h"
#include "ui/win32/win32_form.h"
#include "window/colours.h"
#include "window/description.h"

namespace quorvella::win32 {

// The game's RGB values (r + 256 g + 65536 b) are laid out as a COLORREF is.
inline COLORREF ColorOf(std::uint32_t rgb) {
  return static_cast<COLORREF>(rgb & 0xffffff);
}

// The text of a label's, picture's or button's window, which a screen reader takes as the
// control's name (a button's without the "&" of its access key): the caption, or the control's
// spoken name where it has one of its own. The binding paints every one of these controls from
// its caption, so the window text is for readers only.
std::wstring ReaderText(const window::ControlDesc& d, const std::string& caption);

// One described control while the window is loaded.
struct Control {
  const window::ControlDesc* desc = nullptr;
  HWND hwnd = nullptr;
  std::string caption;  // labels and buttons, as the game wrote it
  RECT rect{};          // in the client area, at the window's DPI; auto-size included
  HFONT font = nullptr;
  HICON picture = nullptr, pressed = nullptr, disabled = nullptr;
  wchar_t accessKey = 0;
  bool timerOn = false;
  HWND nameLabel = nullptr;  // text box: the static whose text a reader takes as its name
  std::shared_ptr<ReaderTexts> reader;  // what readers get in place of the standard texts
  std::unique_ptr<Label> label;
  std::unique_ptr<TextBox> textBox;
  std::unique_ptr<CommandButton> button;
  std::unique_ptr<Timer> timer;
};

struct Win32Form::Loaded {
  HWND window = nullptr;
  std::vector<Control> controls;
  std::vector<std::string> menuItems;  // names, by command id - kFirstMenuId
  COLORREF back = 0;                   // the window's background colour
  std::uint32_t asked = 0;             // the background the game asked for last
  window::Colours colours;             // the description's, or the system's in high contrast
  HBRUSH answerBrush = nullptr;        // the answer box's background
  HWND tooltip = nullptr;
  HWND announcer = nullptr;  // a polite live region: what a reader is told without asking
  bool announcerLive = false;
  window::Announcements announcements;
  std::optional<std::int64_t>
      clockNamed;  // when the clock's name last changed, by FormOptions::now
  HWND savedFocus = nullptr;
  // Buttons a handler disabled while they held the focus: they go disabled as the handler
  // returns, once the focus it gave on has left them (a disabled window's focus goes nowhere,
  // and a reader would hear nothing of where it went).
  std::vector<HWND> disableAfterHandler;
  WNDPROC answerOriginal = nullptr;
  HCURSOR iconPointer = nullptr;
  Annotations annotations;
  int monitorDpi = 96;  // the DPI of the monitor the window is on
  int dpi = 96;         // the DPI the client area is drawn at: the monitor's, or less to fit
  bool built = false;   // the controls' windows exist
  bool shown = false;   // the first resize after the show has been delivered

  const Control* find(std::string_view name) const {
    for (const auto& c : controls) {
      if (c.desc->name == name) return &c;
    }
    return nullptr;
  }
  const Control* byHwnd(HWND w) const {
    if (!w) return nullptr;
    for (const auto& c : controls) {
      if (c.hwnd == w) return &c;
    }
    return nullptr;
  }
  Control* find(std::string_view name) {
    return const_cast<Control*>(std::as_const(*this).find(name));
  }
  Control* byHwnd(HWND w) { return const_cast<Control*>(std::as_const(*this).byHwnd(w)); }
  ~Loaded() {
    for (auto& c : controls) {
      if (c.font) DeleteObject(c.font);
      for (HICON i : {c.picture, c.pressed, c.disabled}) {
        if (i) DestroyIcon(i);
      }
    }
    if (answerBrush) DeleteObject(answerBrush);
  }
};

}  // namespace quorvella::win32
