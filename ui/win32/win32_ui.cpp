// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "ui/win32/win32_ui.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ui/win32/rules.h"
#include "window/description.h"

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

// What a reader hears of a box's prompt instead of its text, and of its title, if anything.
struct Spoken {
  Annotations* annotations = nullptr;
  std::wstring prompt, text, title;
};

// Gives a box the game's icon and widens it to its title, keeping its buttons where they stand
// against its edges (a row centred in the box stays centred, a row at its right stays there) and
// the box where it was centred; names its prompt for readers as `spoken` says.
void DressBox(HWND box, const Spoken& spoken = {}) {
  if (spoken.annotations && !spoken.text.empty()) {
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(child)) + 1, L'\0');
      text.resize(static_cast<std::size_t>(
          GetWindowTextW(child, text.data(), static_cast<int>(text.size()))));
      if (text != spoken.prompt) continue;
      spoken.annotations->SetName(child, spoken.text);
      ServeReaderTexts(child, std::make_shared<const ReaderTexts>(ReaderTexts{spoken.text, {}}));
    }
  }
  if (spoken.annotations && !spoken.title.empty()) spoken.annotations->SetName(box, spoken.title);
  const int dpi = static_cast<int>(GetDpiForWindow(box));
  if (const int id = PictureResource(window::Tavola().icon)) {
    const HINSTANCE module = GetModuleHandleW(nullptr);
    for (const auto& [which, metric] :
         {std::pair{ICON_BIG, SM_CXICON}, {ICON_SMALL, SM_CXSMICON}}) {
      const int size = GetSystemMetricsForDpi(metric, static_cast<UINT>(dpi));
      if (const HANDLE icon =
              LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_SHARED)) {
        SendMessageW(box, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
      }
    }
  }
  std::wstring title(static_cast<std::size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
  title.resize(
      static_cast<std::size_t>(GetWindowTextW(box, title.data(), static_cast<int>(title.size()))));
  RECT frame;
  GetWindowRect(box, &frame);
  const int grow = BoxWidthForTitle(title, dpi) - (frame.right - frame.left);
  if (grow <= 0) return;
  RECT client;
  GetClientRect(box, &client);
  std::vector<std::pair<HWND, RECT>> buttons;
  int rowLeft = client.right, rowRight = 0;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t kind[8] = {};
    GetClassNameW(child, kind, 8);
    if (_wcsicmp(kind, L"Button") != 0) continue;
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&r), 2);
    buttons.emplace_back(child, r);
    rowLeft = std::min<int>(rowLeft, r.left);
    rowRight = std::max<int>(rowRight, r.right);
  }
  const bool centred = std::abs(rowLeft - (client.right - rowRight)) <= 2;
  for (const auto& [button, r] : buttons) {
    SetWindowPos(button, nullptr, r.left + (centred ? grow / 2 : grow), r.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SetWindowPos(box, nullptr, frame.left - grow / 2, frame.top, frame.right - frame.left + grow,
               frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The system's message box is dressed when it first becomes active, before it shows: a hook of
// the thread's window events, set while the box is asked for.
thread_local const Spoken* dressPending = nullptr;

LRESULT CALLBACK DressWhenActive(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && dressPending) {
    const Spoken& spoken = *dressPending;
    dressPending = nullptr;
    DressBox(reinterpret_cast<HWND>(wParam), spoken);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

int DressedMessageBox(HWND owner, const std::wstring& prompt, const std::wstring& title,
                      unsigned flags, const Spoken& spoken = {}) {
  dressPending = &spoken;
  const HHOOK hook = SetWindowsHookExW(WH_CBT, DressWhenActive, nullptr, GetCurrentThreadId());
  const int result = MessageBoxW(owner, prompt.c_str(), title.c_str(), flags);
  if (hook) UnhookWindowsHookEx(hook);
  dressPending = nullptr;
  return result;
}

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
      DressBox(dlg);
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

namespace {

// The width of `title` in the system's caption font at `dpi`.
int CaptionTextWidth(std::wstring_view title, int dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                             static_cast<UINT>(dpi));
  const HFONT font = CreateFontIndirectW(&metrics.lfCaptionFont);
  const HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, font);
  SIZE text{};
  GetTextExtentPoint32W(dc, title.data(), static_cast<int>(title.size()), &text);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  DeleteObject(font);
  return static_cast<int>(text.cx);
}

}  // namespace

int BoxWidthForTitle(std::wstring_view title, int dpi) {
  const auto at = static_cast<UINT>(dpi);
  const int frame =
      GetSystemMetricsForDpi(SM_CXFIXEDFRAME, at) + GetSystemMetricsForDpi(SM_CXPADDEDBORDER, at);
  // A window manager may draw the title in a wider face than the system's caption font, with
  // more room around it (openbox: DejaVu Sans Bold, a tenth wider than Tahoma Bold, and a label
  // padded on both sides): a third more than the text. Its face keeps its own size whatever the
  // program's DPI, so the title never gets less room than it needs at 100 %, where openbox's
  // label takes about seven quarters of the caption font's width.
  const int text =
      std::max(CaptionTextWidth(title, dpi) * 4 / 3, CaptionTextWidth(title, 96) * 7 / 4);
  return text + GetSystemMetricsForDpi(SM_CXSMICON, at) +
         3 * GetSystemMetricsForDpi(SM_CXSIZE, at) + 2 * frame + MulDiv(16, dpi, 96);
}

Win32Ui::Win32Ui(FilePool& files) : files_(files) {}

HWND Win32Ui::Owner() const {
  const HWND w = owner ? owner() : nullptr;
  return w && IsWindowVisible(w) ? w : nullptr;
}

int Win32Ui::MsgBox(const std::string& prompt, int style, const std::optional<std::string>& title) {
  const HWND parent = Owner();
  const std::string shownTitle = title ? *title : std::string(kAppTitle);
  if (onBox) onBox("message", shownTitle, prompt);
  Spoken spoken{&annotations_, Wide(prompt), {}, {}};
  if (const auto said = endOfRace_.NextBox(prompt)) {
    spoken.text = Wide(said->text);
    spoken.title = Wide(said->title);
  }
  const int result = DressedMessageBox(parent, Wide(prompt), Wide(shownTitle),
                                       MessageBoxFlags(style, parent != nullptr), spoken);
  if (onBox) onBox("closed", shownTitle, std::to_string(result));
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
  if (onBox) onBox("closed", std::string(kAppTitle), result == IDOK ? "OK" : "Annulla");
  if (result != IDOK) return {};
  return Narrow(state.text);
}

void Win32Ui::EndProgram() {
  Exit(0);
}

void Win32Ui::Fatal(const RuntimeError& error) {
  std::fprintf(stderr, "quorvella: %s\n", error.Message().c_str());
  if (onBox) onBox("error", std::string(kAppTitle), error.Message());
  DressedMessageBox(Owner(), Wide(error.Message()), Wide(kAppTitle),
                    MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
  Exit(1);
}

void Win32Ui::Exit(int status) {
  files_.CloseAll();
  std::fflush(nullptr);
  ExitProcess(static_cast<UINT>(status));
}

}  // namespace quorvella::win32
