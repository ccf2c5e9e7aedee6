// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The keyboard work a dialog manager would do for the window, done before a message is
// translated: Tab and Shift+Tab along the tab cycle, Enter for the focused or the default button,
// and Alt with a button's access key. A key held down acts once: its repeats are dropped here,
// before they can type, click, judge or move the focus.
#include "ui/win32/win32_form.h"

#include "ui/win32/loaded.h"
#include "ui/win32/rules.h"

namespace quorvella::win32 {

using window::ControlKind;

void Win32Form::MoveFocus(bool forward) {
  Loaded& l = *loaded_;
  const auto cycle = desc_.tabCycle();
  if (cycle.empty()) return;
  const Control* current = l.byHwnd(GetFocus());
  std::size_t at = cycle.size() - 1;
  for (std::size_t i = 0; current && i < cycle.size(); ++i) {
    if (cycle[i] == current->desc->name) at = i;
  }
  if (!current && !forward) at = 0;
  for (std::size_t step = 1; step <= cycle.size(); ++step) {
    const std::size_t i = forward ? (at + step) % cycle.size()
                                  : (at + cycle.size() - step % cycle.size()) % cycle.size();
    const Control* c = l.find(cycle[i]);
    if (c && c->hwnd && IsWindowEnabled(c->hwnd) && IsWindowVisible(c->hwnd)) {
      SetFocus(c->hwnd);
      if (c->desc->kind == ControlKind::kTextBox) SendMessageW(c->hwnd, EM_SETSEL, 0, -1);
      return;
    }
  }
}

bool Win32Form::PreTranslate(const MSG& msg) {
  if (!loaded_ || dispatch_.Ended()) return false;
  Loaded& l = *loaded_;
  if (msg.hwnd != l.window && !IsChild(l.window, msg.hwnd)) return false;
  const auto key = static_cast<unsigned>(msg.wParam);
  switch (msg.message) {
    case WM_KEYUP:
    case WM_SYSKEYUP:
      keys_.Up(key);
      return false;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (!keys_.Down(key, IsAutoRepeat(msg.lParam))) return true;
      break;
    default:
      return false;
  }
  const bool alt = GetKeyState(VK_MENU) < 0;
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && !alt && !ctrl) {
    // As in a dialog: once the keyboard moves the focus, the focus rectangle shows.
    SendMessageW(l.window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    MoveFocus(GetKeyState(VK_SHIFT) >= 0);
    return true;
  }
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
    for (std::size_t i = 0; i < l.controls.size(); ++i) {
      const Control& c = l.controls[i];
      if (c.button && c.hwnd == GetFocus() && IsWindowEnabled(c.hwnd)) {
        ClickButton(i);
        return true;
      }
    }
    // Enter elsewhere in the window clicks the default button while it is enabled.
    for (std::size_t i = 0; i < l.controls.size(); ++i) {
      const Control& c = l.controls[i];
      if (c.button && c.desc->isDefault && IsWindowEnabled(c.hwnd)) {
        ClickButton(i);
        return true;
      }
    }
    return false;
  }
  if (msg.message == WM_SYSKEYDOWN && alt) {
    for (std::size_t i = 0; i < l.controls.size(); ++i) {
      const Control& c = l.controls[i];
      if (c.button && c.accessKey && c.accessKey == static_cast<wchar_t>(key) &&
          IsWindowEnabled(c.hwnd)) {
        // The window still hears of the key, so that Alt coming up after it does not open the
        // menu as a lone Alt would (no character is made of it: no menu is searched, no beep).
        DefWindowProcW(l.window, msg.message, msg.wParam, msg.lParam);
        ClickButton(i);
        return true;
      }
    }
  }
  return false;
}

}  // namespace quorvella::win32
