// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "ui/win32/win32_ui.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "ui/win32/rules.h"

namespace quorvella::win32 {
namespace {

constexpr int kPromptId = 100;
constexpr int kEntryId = 101;
// A timer message comes only when no paint is pending: the box is on the screen by then.
constexpr UINT_PTR kShownTimer = 1;

// A dialog template in memory: DLGTEMPLATE, menu, class, title, font, then the items, each
// aligned to a DWORD. Written by hand because the input box must not depend on a resource of
// the program that links the binding.
class Template {
 public:
  void Word(WORD w) { data_.push_back(w); }
  void Dword(DWORD d) {
    Word(LOWORD(d));
    Word(HIWORD(d));
  }
  void String(std::wstring_view s) {
    for (wchar_t c : s) Word(static_cast<WORD>(c));
    Word(0);
  }
  void Align() {
    if (data_.size() % 2) Word(0);
  }
  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD cls,
            std::wstring_view text) {
    Align();
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);  // extended style
    Word(static_cast<WORD>(x));
    Word(static_cast<WORD>(y));
    Word(static_cast<WORD>(cx));
    Word(static_cast<WORD>(cy));
    Word(id);
    Word(0xffff);  // a predefined class by its atom
    Word(cls);
    String(text);
    Word(0);  // no creation data
  }
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(data_.data()); }
  void SetCount(WORD n) { data_[4] = n; }

 private:
  std::vector<WORD> data_;
};

constexpr WORD kButton = 0x0080;
constexpr WORD kEdit = 0x0081;
constexpr WORD kStatic = 0x0082;

struct InputState {
  std::wstring prompt;
  std::wstring text;
  std::function<void()> shown;
};

INT_PTR CALLBACK InputProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG: {
      auto* state = reinterpret_cast<InputState*>(lParam);
      SetWindowLongPtrW(dlg, DWLP_USER, lParam);
      SetDlgItemTextW(dlg, kPromptId, state->prompt.c_str());
      SetWindowTextW(dlg, Wide(kAppTitle).c_str());
      SetForegroundWindow(dlg);
      if (state->shown) SetTimer(dlg, kShownTimer, USER_TIMER_MINIMUM, nullptr);
      return TRUE;  // the focus goes to the entry, the first item that takes it
    }
    case WM_TIMER:
      if (wParam == kShownTimer) {
        KillTimer(dlg, kShownTimer);
        auto* state = reinterpret_cast<InputState*>(GetWindowLongPtrW(dlg, DWLP_USER));
        if (state->shown) state->shown();
        return TRUE;
      }
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        auto* state = reinterpret_cast<InputState*>(GetWindowLongPtrW(dlg, DWLP_USER));
        if (LOWORD(wParam) == IDOK) {
          const HWND entry = GetDlgItem(dlg, kEntryId);
          std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(entry)) + 1, L'\0');
          text.resize(static_cast<std::size_t>(
              GetWindowTextW(entry, text.data(), static_cast<int>(text.size()))));
          state->text = std::move(text);
        }
        EndDialog(dlg, LOWORD(wParam));
        return TRUE;
      }
      break;
    default:
      break;
  }
  (void)lParam;
  return FALSE;
}

}  // namespace

Win32Ui::Win32Ui(FilePool& files) : files_(files) {}

HWND Win32Ui::Owner() const {
  const HWND w = owner ? owner() : nullptr;
  return w && IsWindowVisible(w) ? w : nullptr;
}

int Win32Ui::MsgBox(const std::string& prompt, int style, const std::optional<std::string>& title) {
  const HWND parent = Owner();
  if (onBox) onBox("message", title ? *title : std::string(kAppTitle), prompt);
  const int result = MessageBoxW(parent, Wide(prompt).c_str(),
                                 Wide(title ? *title : std::string(kAppTitle)).c_str(),
                                 MessageBoxFlags(style, parent != nullptr));
  if ((style & 7) == vbOKOnly) return vbOK;
  return result;  // IDYES and IDNO are vbYes and vbNo
}

std::string Win32Ui::InputBox(const std::string& prompt) {
  // Dialog units: a prompt over an entry on the left, OK and Annulla on the right.
  Template t;
  t.Dword(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
  t.Dword(0);
  t.Word(0);  // item count, set below
  t.Word(0);
  t.Word(0);
  t.Word(240);
  t.Word(80);
  t.Word(0);  // no menu
  t.Word(0);  // the standard dialog class
  t.String(Wide(kAppTitle));
  t.Word(8);
  t.String(L"MS Shell Dlg");
  t.Item(SS_LEFT | SS_NOPREFIX, 7, 7, 170, 44, kPromptId, kStatic, L"");
  t.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 58, 226, 14, kEntryId, kEdit, L"");
  t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 183, 7, 50, 14, IDOK, kButton, L"OK");
  t.Item(BS_PUSHBUTTON | WS_TABSTOP, 183, 25, 50, 14, IDCANCEL, kButton, L"Annulla");
  t.SetCount(4);
  InputState state{Wide(prompt), {}, onInputBoxShown};
  if (onBox) onBox("input", std::string(kAppTitle), prompt);
  const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), Owner(),
                                                 InputProc, reinterpret_cast<LPARAM>(&state));
  if (result != IDOK) return {};
  return Narrow(state.text);
}

void Win32Ui::EndProgram() {
  Exit(0);
}

void Win32Ui::Fatal(const RuntimeError& error) {
  std::fprintf(stderr, "quorvella: %s\n", error.Message().c_str());
  if (onBox) onBox("error", std::string(kAppTitle), error.Message());
  MessageBoxW(Owner(), Wide(error.Message()).c_str(), Wide(kAppTitle).c_str(),
              MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
  Exit(1);
}

void Win32Ui::Exit(int status) {
  files_.CloseAll();
  std::fflush(nullptr);
  ExitProcess(static_cast<UINT>(status));
}

}  // namespace quorvella::win32
