// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The Win32 binding on real windows (under Wine without a display they are Wine's null display's):
// what gets into the answer box by each road, its margins across changes of DPI, and the boxes'
// width and icon.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/files.h"
#include "platform/windows_api.h"
#include "ui/win32/rules.h"
#include "ui/win32/win32_form.h"
#include "ui/win32/win32_ui.h"

namespace quorvella::win32 {
namespace {

// A game whose handlers do nothing: every character reaches the answer box, so what the box
// keeps is the binding's own doing.
struct LettingGame : EventSink, Ui {
  bool Handles(std::string_view) const override { return true; }
  void Call(std::string_view, std::int16_t*) override {}
  int MsgBox(const std::string&, int, const std::optional<std::string>&) override { return vbOK; }
  std::string InputBox(const std::string&) override { return {}; }
  void EndProgram() override {}
};

struct ShownWindow : ::testing::Test {
  void SetUp() override {
    form.Start();
    box = form.control("txtAnswer");
    ASSERT_NE(box, nullptr);
  }
  std::wstring Text() const {
    wchar_t text[16] = {};
    GetWindowTextW(box, text, 16);
    return text;
  }
  LettingGame game;
  Win32Form form{GetModuleHandleW(nullptr), window::Tavola(), game, game,
                 [](const RuntimeError& e) { FAIL() << e.Message(); }};
  HWND box = nullptr;
};

void SetClipboard(const std::wstring& text) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  const HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  wcscpy(static_cast<wchar_t*>(GlobalLock(data)), text.c_str());
  GlobalUnlock(data);
  SetClipboardData(CF_UNICODETEXT, data);
  CloseClipboard();
}

// Holds Shift down for the thread while it lives.
struct ShiftHeld {
  ShiftHeld() {
    GetKeyboardState(keys);
    BYTE held[256];
    std::copy(std::begin(keys), std::end(keys), held);
    held[VK_SHIFT] = 0x80;
    SetKeyboardState(held);
  }
  ~ShiftHeld() { SetKeyboardState(keys); }
  BYTE keys[256];
};

TEST_F(ShownWindow, AnswerBoxKeepsOnlyDigitsByEveryRoad) {
  struct Row {
    const char* road;
    std::wstring clipboard;
    std::function<void(HWND)> use;
    std::wstring kept;
  };
  const auto chars = [](std::wstring_view typed, UINT message) {
    return [typed, message](HWND w) {
      for (wchar_t c : typed) SendMessageW(w, message, c, 1);
    };
  };
  const Row rows[] = {
      {"paste message (Ctrl+V, the menu)", L"a1b2c3d4e5",
       [](HWND w) { SendMessageW(w, WM_PASTE, 0, 0); }, L"1234"},
      {"Shift+Insert", L"x9 y8",
       [](HWND w) {
         ShiftHeld shift;
         SendMessageW(w, WM_KEYDOWN, VK_INSERT, 0x01520001);
       },
       L"98"},
      {"Ctrl+V as typed", L"x9 y8", chars(L"\x16", WM_CHAR), L"98"},
      {"context menu", L"7-6",
       [](HWND w) {
         // The menu takes the letter of its Paste item from the queue as soon as it opens.
         PostMessageW(w, WM_CHAR, L'p', 1);
         SendMessageW(w, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(w), MAKELPARAM(-1, -1));
       },
       L"76"},
      {"input method", L"", chars(L"a5\u00e8", WM_IME_CHAR), L"5"},
      {"typed letters", L"", chars(L"z3.", WM_CHAR), L"3"},
      {"dropped or inserted text", L"",
       [](HWND w) { SendMessageW(w, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"4 u2")); },
       L"42"},
      {"setting the text", L"", [](HWND w) { SetWindowTextW(w, L"+3e1"); }, L"31"},
  };
  for (const auto& r : rows) {
    SetWindowTextW(box, L"");
    SetClipboard(r.clipboard);
    r.use(box);
    EXPECT_EQ(Text(), r.kept) << r.road;
  }
  // The caret stays between the same digits: a letter typed between two of them goes.
  SetWindowTextW(box, L"12");
  SendMessageW(box, EM_SETSEL, 1, 1);
  SendMessageW(box, WM_CHAR, L'x', 1);
  SendMessageW(box, WM_CHAR, L'5', 1);
  EXPECT_EQ(Text(), L"152");
}

TEST_F(ShownWindow, AnswerBoxMarginsSurviveADpiRoundTrip) {
  const auto margins = [this] {
    const auto both = static_cast<DWORD>(SendMessageW(box, EM_GETMARGINS, 0, 0));
    return std::pair<int, int>(LOWORD(both), HIWORD(both));
  };
  // "9999" fits between the margins at each DPI.
  const auto fits = [this, &margins] {
    RECT client;
    GetClientRect(box, &client);
    const HDC dc = GetDC(box);
    const HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0)));
    SIZE digits{};
    GetTextExtentPoint32W(dc, L"9999", 4, &digits);
    SelectObject(dc, old);
    ReleaseDC(box, dc);
    return digits.cx + margins().first + margins().second <= client.right;
  };
  RECT suggested{0, 0, 100, 100};
  for (const int dpi : {96, 192, 96, 144, 96}) {
    SendMessageW(form.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    // (Where the window would not fit the screen at that DPI, it is drawn at a smaller one.)
    EXPECT_EQ(margins(), std::pair(AnswerMargin(form.Dpi()), AnswerMargin(form.Dpi()))) << dpi;
    EXPECT_TRUE(fits()) << dpi;
  }
}

// The caption font's width of a title at a DPI.
int TitleText(const std::wstring& title, int dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                             static_cast<UINT>(dpi));
  const HFONT font = CreateFontIndirectW(&metrics.lfCaptionFont);
  const HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, title.c_str(), static_cast<int>(title.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  DeleteObject(font);
  return size.cx;
}

// The box a message box call shows, seen as it first becomes active (after the binding has
// dressed it) and answered at once.
struct BoxSeen {
  int width = 0;
  bool icon = false;
};
thread_local BoxSeen* seen = nullptr;
thread_local HHOOK watch = nullptr;
LRESULT CALLBACK Watch(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && seen) {
    const auto box = reinterpret_cast<HWND>(wParam);
    RECT r;
    GetWindowRect(box, &r);
    seen->width = r.right - r.left;
    seen->icon = SendMessageW(box, WM_GETICON, ICON_SMALL, 0) != 0;
    seen = nullptr;
    PostMessageW(box, WM_COMMAND, IDNO, 0);
  }
  return CallNextHookEx(watch, code, wParam, lParam);
}

TEST(Win32Boxes, AsWideAsTheirTitlesWithTheGamesIcon) {
  const std::wstring titles[] = {L"INIZIARE NUOVA GARA", L"Data 31/12/2026", L"Quorvella"};
  for (const auto& title : titles) {
    for (const int dpi : {96, 144, 192}) {
      const int buttons = 3 * GetSystemMetricsForDpi(SM_CXSIZE, static_cast<UINT>(dpi));
      EXPECT_GE(BoxWidthForTitle(title, dpi), TitleText(title, dpi) + buttons)
          << Narrow(title) << " at " << dpi;
    }
  }
  // The system's box at this session's DPI is widened to it and shows the game's icon.
  FilePool files;
  Win32Ui ui(files);
  BoxSeen box;
  seen = &box;
  watch = SetWindowsHookExW(WH_CBT, Watch, nullptr, GetCurrentThreadId());
  EXPECT_EQ(ui.MsgBox("INIZIAMO UNA NUOVA GARA  ?", 292, "INIZIARE NUOVA GARA"), vbNo);
  UnhookWindowsHookEx(watch);
  const auto dpi = static_cast<int>(GetDpiForSystem());
  EXPECT_GE(box.width, BoxWidthForTitle(L"INIZIARE NUOVA GARA", dpi));
  EXPECT_TRUE(box.icon);
}

}  // namespace
}  // namespace quorvella::win32

namespace quorvella::win32 {
namespace {

// A game whose new-race question is the binding's real box and whose new question moves the
// focus as the game does: the button disabled first, then the answer box focused.
struct AskingGame : LettingGame {
  void Call(std::string_view handler, std::int16_t*) override {
    if (handler == "Next_Click")
      answer = boxes.MsgBox("INIZIAMO UNA NUOVA GARA  ?", 292, "INIZIARE NUOVA GARA");
    if (handler == "cmdNext_Click") {
      form->commandButton("cmdNext").SetEnabled(false);
      form->textBox("txtAnswer").SetFocus();
    }
  }
  FilePool files;
  Win32Ui boxes{files};
  Win32Form* form = nullptr;
  int answer = 0;
};

// The focus events of the thread, as a reader gets them.
thread_local std::vector<HWND>* focusEvents = nullptr;
void CALLBACK OnFocus(HWINEVENTHOOK, DWORD, HWND w, LONG object, LONG, DWORD, DWORD) {
  if (focusEvents && object == OBJID_CLIENT) focusEvents->push_back(w);
}
void Pump() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
}

TEST(Win32Reader, FocusComesBackOnceAfterABoxAndMovesOnce) {
  AskingGame game;
  Win32Form form(GetModuleHandleW(nullptr), window::Tavola(), game, game,
                 [](const RuntimeError& e) { FAIL() << e.Message(); });
  game.form = &form;
  game.boxes.owner = [&form] { return form.hwnd(); };
  form.Start();
  std::vector<HWND> events;
  focusEvents = &events;
  const HWINEVENTHOOK hook =
      SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, OnFocus,
                      GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  const HWND answer = form.control("txtAnswer"), next = form.control("cmdNext");
  EnableWindow(next, TRUE);
  for (const HWND had : {answer, next}) {
    SetFocus(had);
    Pump();
    events.clear();
    BoxSeen box;
    seen = &box;
    watch = SetWindowsHookExW(WH_CBT, Watch, nullptr, GetCurrentThreadId());
    SendMessageW(form.hwnd(), WM_COMMAND, GetMenuItemID(GetMenu(form.hwnd()), 1), 0);
    UnhookWindowsHookEx(watch);
    Pump();
    EXPECT_EQ(game.answer, vbNo);
    EXPECT_EQ(GetFocus(), had);
    EXPECT_EQ(std::count(events.begin(), events.end(), had), 1);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), had);
  }
  // Enter on the new-question button: the focus goes to the answer box, with no focus event for
  // anything else on the way. (Wine reports none at all: the disabled button lost the focus
  // first, and Wine tells of a focus that comes from no focus without an event.)
  events.clear();
  MSG enter{next, WM_KEYDOWN, VK_RETURN, 0x001c0001, 0, {}};
  EXPECT_TRUE(form.PreTranslate(enter));
  Pump();
  EXPECT_EQ(GetFocus(), answer);
  EXPECT_LE(events.size(), 1u);
  for (const HWND w : events) EXPECT_EQ(w, answer);
  UnhookWinEvent(hook);
  focusEvents = nullptr;
}

TEST(Win32Reader, TheTimeLeftIsHeardAfterTheQuestion) {
  std::int64_t now = 0;
  LettingGame game;
  Win32Form form(
      GetModuleHandleW(nullptr), window::Tavola(), game, game,
      [](const RuntimeError& e) { FAIL() << e.Message(); }, FormOptions{0, [&now] { return now; }});
  form.Start();
  const auto said = [&form](const wchar_t* text) {
    return FindWindowExW(form.hwnd(), nullptr, nullptr, text) != nullptr;
  };
  const auto clock = [&form](const char* text) { form.label("lblconto").SetCaption(text); };
  form.label("lblNum1").SetCaption("4");
  form.label("lblNum2").SetCaption("9");
  SetFocus(form.control("txtAnswer"));  // at 0: the reader starts on the question
  EXPECT_TRUE(said(L"Quanto fa 4 per 9?"));
  now = 1000;
  clock("00:14:00");
  EXPECT_FALSE(said(L"Mancano 14 minuti"));  // waits for the question
  now = 3000;
  clock("00:13:59");
  EXPECT_TRUE(said(L"Mancano 14 minuti"));
  // Where-am-I on the answer box now tells the time too.
  EXPECT_TRUE(said(L"Quanto fa 4 per 9? Mancano 13 minuti e 59 secondi."));
  now = 4000;
  clock("00:13:58");
  EXPECT_FALSE(said(L"Mancano 13 minuti e 58 secondi"));  // not every second
  clock("00:00:10");
  EXPECT_TRUE(said(L"10 secondi"));
  // Command1, never seen, says that it does nothing.
  EXPECT_TRUE(said(L"Nessuna azione"));
}

}  // namespace
}  // namespace quorvella::win32
