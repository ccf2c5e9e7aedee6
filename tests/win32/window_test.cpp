// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The Win32 binding on real windows (under Wine without a display, Wine's null display's): what
// gets into the answer box by each road, its margins across changes of DPI, the boxes' width and
// icon, the focus after a box or after a handler that gives it to no one, what a screen reader is
// told of the time left and of the values' headings, and the clock while the record store waits.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/files.h"
#include "platform/windows_api.h"

#include <oleacc.h>

#include "ui/win32/painting.h"
#include "ui/win32/rules.h"
#include "ui/win32/win32_form.h"
#include "ui/win32/win32_ui.h"

namespace quorvella::win32 {
namespace {

// A game whose key-press handler lets every character through (what the box keeps is the
// binding's doing), whose new-race question is the binding's real box, and whose new question
// moves the focus as the game does: the button disabled first, then the answer box focused.
struct Game : EventSink, Ui {
  bool Handles(std::string_view) const override { return true; }
  void Call(std::string_view handler, std::int16_t*) override {
    if (handler == "Next_Click")
      answer = boxes.MsgBox("INIZIAMO UNA NUOVA GARA  ?", 292, "INIZIARE NUOVA GARA");
    if (handler == "Timer1_Timer") ++ticks;
    if (handler == "cmdNext_Click") {
      form->commandButton("cmdNext").SetEnabled(false);
      if (!focusNowhere) form->textBox("txtAnswer").SetFocus();
    }
  }
  int MsgBox(const std::string&, int, const std::optional<std::string>&) override { return vbOK; }
  std::string InputBox(const std::string&) override { return {}; }
  void EndProgram() override {}
  FilePool files;
  Win32Ui boxes{files};
  Win32Form* form = nullptr;
  int answer = 0;
  int ticks = 0;
  bool focusNowhere = false;  // the new question leaves the focus to no one
};

struct Shown : ::testing::Test {
  void SetUp() override {
    game.form = &form;
    game.boxes.owner = [this] { return form.hwnd(); };
    form.Start();
    box = form.control("txtAnswer");
    ASSERT_NE(box, nullptr);
  }
  static std::wstring Text(HWND w) {
    wchar_t text[64] = {};
    GetWindowTextW(w, text, 64);
    return text;
  }
  // Whether a window of the form has this text: what a reader takes as its name.
  bool Said(const wchar_t* text) const {
    return FindWindowExW(form.hwnd(), nullptr, nullptr, text);
  }
  std::int64_t now = 0;
  Game game;
  Win32Form form{GetModuleHandleW(nullptr),
                 window::Tavola(),
                 game,
                 game,
                 [](const RuntimeError& e) { FAIL() << e.Message(); },
                 FormOptions{0, [this] { return now; }, [this] { return highContrast; }}};
  bool highContrast = false;  // the system's flag, as the form reads it
  HWND box = nullptr;
};

TEST_F(Shown, AnswerBoxKeepsOnlyDigitsByEveryRoad) {
  const auto send = [](UINT message, WPARAM w, LPARAM l = 1) {
    return [=](HWND box) { SendMessageW(box, message, w, l); };
  };
  const struct {
    const char* road;
    std::wstring clipboard;
    std::function<void(HWND)> use;
    std::wstring kept;
  } rows[] = {
      {"paste message (Ctrl+V, the menu)", L"a1b2c3d4e5", send(WM_PASTE, 0, 0), L"1234"},
      {"Shift+Insert", L"x9 y8",
       [](HWND w) {
         BYTE keys[256], shift[256];
         GetKeyboardState(keys);
         std::copy(keys, keys + 256, shift);
         shift[VK_SHIFT] = 0x80;
         SetKeyboardState(shift);
         SendMessageW(w, WM_KEYDOWN, VK_INSERT, 0x01520001);
         SetKeyboardState(keys);
       },
       L"98"},
      {"Ctrl+V as typed", L"x9 y8", send(WM_CHAR, 0x16), L"98"},
      {"context menu", L"7-6",
       [](HWND w) {
         PostMessageW(w, WM_CHAR, L'p', 1);  // the menu's Paste, taken as soon as it opens
         SendMessageW(w, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(w), MAKELPARAM(-1, -1));
       },
       L"76"},
      {"input method", L"", send(WM_IME_CHAR, L'a'), L""},
      {"typed letter", L"", send(WM_CHAR, L'z'), L""},
      {"dropped or inserted text", L"",
       send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"4 u2")), L"42"},
      {"setting the text", L"", send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"+3e1")), L"31"},
  };
  for (const auto& r : rows) {
    SetWindowTextW(box, L"");
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    const HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, (r.clipboard.size() + 1) * sizeof(wchar_t));
    wcscpy(static_cast<wchar_t*>(GlobalLock(data)), r.clipboard.c_str());
    GlobalUnlock(data);
    SetClipboardData(CF_UNICODETEXT, data);
    CloseClipboard();
    r.use(box);
    EXPECT_EQ(Text(box), r.kept) << r.road;
  }
  // The caret stays between the same digits: a letter typed between two of them goes.
  SetWindowTextW(box, L"12");
  SendMessageW(box, EM_SETSEL, 1, 1);
  for (const wchar_t typed : {L'x', L'5'}) SendMessageW(box, WM_CHAR, typed, 1);
  EXPECT_EQ(Text(box), L"152");
}

TEST_F(Shown, AnswerBoxMarginsSurviveADpiRoundTrip) {
  RECT suggested{0, 0, 100, 100};
  for (const int dpi : {96, 192, 96, 144, 96}) {
    SendMessageW(form.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    // Where the window does not fit the screen at that DPI, it is drawn at a smaller one.
    const int margin = AnswerMargin(form.Dpi());
    EXPECT_EQ(SendMessageW(box, EM_GETMARGINS, 0, 0), MAKELRESULT(margin, margin)) << dpi;
    // "9999" fits between them.
    RECT client;
    GetClientRect(box, &client);
    const HDC dc = GetDC(box);
    SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0)));
    SIZE digits{};
    GetTextExtentPoint32W(dc, L"9999", 4, &digits);
    ReleaseDC(box, dc);
    EXPECT_LE(digits.cx + 2 * margin, client.right) << dpi;
  }
}

// The box a message box call shows, seen as it first becomes active (after the binding has
// dressed it) and answered No at once.
struct BoxSeen {
  int width = 0;
  bool icon = false;
};
thread_local BoxSeen* seen = nullptr;
LRESULT CALLBACK Watch(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && seen) {
    const auto box = reinterpret_cast<HWND>(wParam);
    RECT r;
    GetWindowRect(box, &r);
    *seen = BoxSeen{r.right - r.left, SendMessageW(box, WM_GETICON, ICON_SMALL, 0) != 0};
    seen = nullptr;
    PostMessageW(box, WM_COMMAND, IDNO, 0);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(Win32Boxes, AsWideAsTheirTitlesAtEachDpi) {
  for (const std::wstring title : {L"INIZIARE NUOVA GARA", L"Data 31/12/2026", L"Quorvella"}) {
    for (const int dpi : {96, 144, 192}) {
      // The title in the caption font at that DPI, and three caption buttons.
      NONCLIENTMETRICSW metrics{};
      metrics.cbSize = sizeof metrics;
      SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi);
      const HFONT font = CreateFontIndirectW(&metrics.lfCaptionFont);
      const HDC dc = GetDC(nullptr);
      const HGDIOBJ old = SelectObject(dc, font);
      SIZE text{};
      GetTextExtentPoint32W(dc, title.c_str(), static_cast<int>(title.size()), &text);
      DeleteObject(SelectObject(dc, old));
      ReleaseDC(nullptr, dc);
      EXPECT_GE(BoxWidthForTitle(title, dpi), text.cx + 3 * GetSystemMetricsForDpi(SM_CXSIZE, dpi))
          << Narrow(title) << " at " << dpi;
    }
  }
}

// The focus events of the thread, as a reader gets them.
thread_local std::vector<HWND>* focusEvents = nullptr;
void CALLBACK OnFocus(HWINEVENTHOOK, DWORD, HWND w, LONG object, LONG, DWORD, DWORD) {
  if (focusEvents && object == OBJID_CLIENT) focusEvents->push_back(w);
}
void Pump() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
}

TEST_F(Shown, FocusComesBackOnceAfterABoxAndMovesOnce) {
  std::vector<HWND> events;
  focusEvents = &events;
  const HWINEVENTHOOK hook =
      SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, OnFocus,
                      GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  const HWND next = form.control("cmdNext");
  EnableWindow(next, TRUE);
  for (const HWND had : {box, next}) {
    SetFocus(had);
    Pump();
    events.clear();
    BoxSeen shown;
    seen = &shown;
    const HHOOK watch = SetWindowsHookExW(WH_CBT, Watch, nullptr, GetCurrentThreadId());
    SendMessageW(form.hwnd(), WM_COMMAND, GetMenuItemID(GetMenu(form.hwnd()), 1), 0);
    UnhookWindowsHookEx(watch);
    Pump();
    // The system's box, widened to its title and with the game's icon, answered No.
    EXPECT_GE(shown.width, BoxWidthForTitle(L"INIZIARE NUOVA GARA", GetDpiForSystem()));
    EXPECT_TRUE(shown.icon);
    EXPECT_EQ(game.answer, vbNo);
    EXPECT_EQ(GetFocus(), had);
    EXPECT_EQ(std::count(events.begin(), events.end(), had), 1);
    EXPECT_EQ(events.empty() ? nullptr : events.back(), had);
  }
  // Enter on the new-question button: the focus goes to the answer box, with no focus event for
  // anything else on the way. (Wine reports none at all: the disabled button lost the focus
  // first, and Wine tells of a focus that comes from no focus without an event.)
  events.clear();
  EXPECT_TRUE(form.PreTranslate(MSG{next, WM_KEYDOWN, VK_RETURN, 0x001c0001, 0, {}}));
  Pump();
  EXPECT_EQ(GetFocus(), box);
  EXPECT_LE(events.size(), 1u);
  for (const HWND w : events) EXPECT_EQ(w, box);
  // A handler that disables the focused button and gives the focus to no one: the first control
  // of the Tab cycle that can take it gets it.
  game.focusNowhere = true;
  EnableWindow(next, TRUE);
  SetFocus(next);
  EXPECT_TRUE(form.PreTranslate(MSG{next, WM_KEYDOWN, VK_RETURN, 0x001c0001, 0, {}}));
  Pump();
  HWND first = nullptr;
  for (const auto& name : window::Tavola().tabCycle()) {
    if (!first && IsWindowEnabled(form.control(name))) first = form.control(name);
  }
  EXPECT_FALSE(IsWindowEnabled(next));
  EXPECT_EQ(GetFocus(), first);
  UnhookWinEvent(hook);
  focusEvents = nullptr;
}

// The window follows the system's high-contrast setting as it changes: its background is the
// system's window colour whatever the game asks, and the game's colour again once it is off.
TEST_F(Shown, FollowsTheSystemsHighContrastAsItChanges) {
  const std::uint32_t tint = RGB(80, 180, 200);
  const std::uint32_t system = window::Colours(SystemColours()).Window(tint);
  const struct {
    UINT message;  // what tells the window (none: the game asks for a colour)
    bool on;
    std::uint32_t asked;
    std::uint32_t drawn;
  } rows[] = {
      {0, false, tint, tint},
      {WM_SETTINGCHANGE, true, tint, system},
      {0, true, RGB(0, 0, 0), system},                 // no black after a wrong answer
      {WM_SYSCOLORCHANGE, false, tint, RGB(0, 0, 0)},  // the game's last colour again
      {WM_THEMECHANGED, true, tint, system},
  };
  for (const auto& row : rows) {
    highContrast = row.on;
    if (row.message) {
      SendMessageW(form.hwnd(), row.message,
                   row.message == WM_SETTINGCHANGE ? SPI_SETHIGHCONTRAST : 0, 0);
    } else {
      form.SetBackColor(row.asked);
    }
    EXPECT_EQ(form.colours().highContrast(), row.on) << row.message;
    EXPECT_EQ(form.Background(), row.drawn) << row.message << " " << row.asked;
  }
}

TEST_F(Shown, TheTimeLeftIsHeardAfterTheQuestion) {
  const auto clock = [this](const char* text) { form.label("lblconto").SetCaption(text); };
  form.label("lblNum1").SetCaption("4");
  form.label("lblNum2").SetCaption("9");
  SetFocus(box);  // at 0: the reader starts on the question
  EXPECT_TRUE(Said(L"Quanto fa 4 per 9?"));
  now = 1000;
  clock("00:14:00");
  EXPECT_FALSE(Said(L"Mancano 14 minuti"));  // it waits for the question
  now = 3000;
  clock("00:13:59");
  EXPECT_TRUE(Said(L"Mancano 14 minuti"));
  // Where-am-I on the answer box now tells the time too.
  EXPECT_TRUE(Said(L"Quanto fa 4 per 9? Mancano 13 minuti e 59 secondi."));
  now = 4000;
  clock("00:13:58");
  EXPECT_FALSE(Said(L"Mancano 13 minuti e 58 secondi"));  // not every second
  EXPECT_TRUE(Said(L"00:13:58"));  // the clock's own name: a second after the last
  now = 4999;
  clock("00:00:10");
  EXPECT_TRUE(Said(L"10 secondi"));
  // Within a second of the last, the clock's name waits for it (the window's timer, 1 ms).
  EXPECT_FALSE(Said(L"00:00:10"));
  for (MSG m; !Said(L"00:00:10") && GetMessageW(&m, nullptr, 0, 0) > 0;) DispatchMessageW(&m);
  EXPECT_TRUE(Said(L"00:00:10"));
  EXPECT_TRUE(Said(L"Nessuna azione"));  // Command1, never seen, says that it does nothing
}

// MSAA relates no object to another: a value's description, as a reader reads it through its
// object, is its heading.
TEST_F(Shown, ValuesAreDescribedByTheirHeadings) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  for (const auto& h : window::Headings()) {
    IAccessible* object = nullptr;
    ASSERT_EQ(AccessibleObjectFromWindow(form.control(h.value), static_cast<DWORD>(OBJID_CLIENT),
                                         IID_IAccessible, reinterpret_cast<void**>(&object)),
              S_OK)
        << h.value;
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR description = nullptr;
    EXPECT_EQ(object->get_accDescription(self, &description), S_OK) << h.value;
    EXPECT_EQ(std::wstring(description ? description : L""), Text(form.control(h.heading)))
        << h.value;
    SysFreeString(description);
    object->Release();
  }
  CoUninitialize();
}

// A tick that comes while a handler waits for the record store is not the player's time: it is
// dropped, and the clock ticks again a whole interval after the wait.
TEST(Win32Clock, ATickDuringAWaitForTheRecordIsDropped) {
  Game game;
  Win32Form form(
      GetModuleHandleW(nullptr), window::Tavola(), game, game,
      [](const RuntimeError& e) { FAIL() << e.Message(); }, FormOptions{500, {}});
  game.form = &form;
  form.Start();
  form.timer("Timer1").SetEnabled(true);
  form.Dispatch([&] {
    do {
      form.WhileWaiting();
      Sleep(1);
    } while (!(HIWORD(GetQueueStatus(QS_TIMER)) & QS_TIMER));  // until a tick waits
  });
  MSG m;
  while (PeekMessageW(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) DispatchMessageW(&m);
  EXPECT_EQ(game.ticks, 0);
  while (game.ticks == 0 && GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
  EXPECT_EQ(game.ticks, 1);
}

}  // namespace
}  // namespace quorvella::win32
