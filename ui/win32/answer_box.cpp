// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The answer box's subclass of the system's edit control: every typed character goes to the
// key-press handler first, which may swallow or replace it; whatever the road (typing, pasting
// by any key or menu, an input method, dropping, setting the text) only digits get in, within
// the box's length limit.
#include "ui/win32/win32_form.h"

#include "platform/text.h"
#include "ui/win32/loaded.h"
#include "ui/win32/rules.h"

namespace quorvella::win32 {

LRESULT CALLBACK Win32Form::StaticAnswerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!form || !form->loaded_ || !form->loaded_->answerOriginal) {
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  return form->AnswerProc(hwnd, msg, wParam, lParam, form->loaded_->answerOriginal);
}

LRESULT Win32Form::AnswerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, WNDPROC original) {
  switch (msg) {
    case WM_IME_CHAR:
      msg = WM_CHAR;
      [[fallthrough]];
    case WM_CHAR: {
      if (wParam == L'\r' && IsAutoRepeat(lParam)) return 0;
      const int code = KeyAsciiOf(static_cast<wchar_t>(wParam));
      if (code < 0) return 0;
      // Every character goes first to the key-press handler, which may swallow it (0).
      auto key = static_cast<std::int16_t>(code);
      bool handled = false;
      const Control* box = loaded_->byHwnd(hwnd);
      // The description outlives the control, which the handler may unload.
      const window::ControlDesc* desc = box ? box->desc : nullptr;
      if (!desc || !handlers_->Has(desc->name, window::Event::kKeyPress)) {
        handled = true;
      } else {
        Dispatch([&] {
          handlers_->Call(desc->name, window::Event::kKeyPress, &key);
          handled = true;
        });
      }
      if (!handled || key == 0 || key == 13 || !IsWindow(hwnd)) return 0;
      WPARAM typed = wParam;
      if (key != code) {
        const std::wstring w = Wide(Utf8FromCp1252(std::string(1, static_cast<char>(key & 0xff))));
        typed = w.empty() ? 0 : w[0];
      }
      return CallWindowProcW(original, hwnd, WM_CHAR, typed, lParam);
    }
    case WM_KEYDOWN:
      // Shift+Insert pastes as Ctrl+V and the menu do, through WM_PASTE below (some edit
      // controls paste it on their own, without the message).
      if (wParam == VK_INSERT && GetKeyState(VK_SHIFT) < 0 && GetKeyState(VK_CONTROL) >= 0) {
        SendMessageW(hwnd, WM_PASTE, 0, 0);
        return 0;
      }
      break;
    case WM_PASTE: {
      // The digits of what is pasted get in, as many as the box has room for.
      std::wstring pasted;
      if (OpenClipboard(hwnd)) {
        if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
          if (const auto* text = static_cast<const wchar_t*>(GlobalLock(data))) {
            pasted = text;
            GlobalUnlock(data);
          }
        }
        CloseClipboard();
      }
      const std::wstring digits = DigitsOf(pasted, 0, pasted.size()).text;
      CallWindowProcW(original, hwnd, EM_REPLACESEL, TRUE,
                      reinterpret_cast<LPARAM>(digits.c_str()));
      return 0;
    }
    case WM_SETTEXT: {
      // Whoever sets the text (the game, or an assistive tool), only digits get in.
      const auto* text = reinterpret_cast<const wchar_t*>(lParam);
      const auto limit =
          static_cast<std::size_t>(CallWindowProcW(original, hwnd, EM_GETLIMITTEXT, 0, 0));
      const std::wstring digits = DigitsOf(text ? text : L"", 0, limit).text;
      return CallWindowProcW(original, hwnd, msg, wParam, reinterpret_cast<LPARAM>(digits.c_str()));
    }
    default:
      break;
  }
  return CallWindowProcW(original, hwnd, msg, wParam, lParam);
}

void Win32Form::KeepDigits(HWND box) {
  // Any road that changed the text ends here (the edit control reports every change): what is
  // not a digit goes, and the caret stays between the same digits.
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(box, text.data(), static_cast<int>(text.size()))));
  DWORD start = 0, end = 0;
  SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const auto limit = static_cast<std::size_t>(SendMessageW(box, EM_GETLIMITTEXT, 0, 0));
  const KeptDigits kept = DigitsOf(text, end, limit);
  if (kept.text == text) return;
  SetWindowTextW(box, kept.text.c_str());
  SendMessageW(box, EM_SETSEL, kept.caret, static_cast<LPARAM>(kept.caret));
}

}  // namespace quorvella::win32
