// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The Win32 binding's rows that need no message loop: what the key-press handler receives for a
// WM_CHAR, twips to pixels and font heights at 100 %, 150 % and 200 %, message box styles as
// MessageBoxW flags, the repeat bit of a held key and which presses act, access keys and picture
// resources, the parts of a picture button; and a handler table that the game cannot honour
// failing the load before any window or box.
#include <gtest/gtest.h>

#include <vector>

#include "platform/windows_api.h"
#include "ui/win32/painting.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/rules.h"
#include "ui/win32/win32_form.h"
#include "window/description.h"

namespace quorvella::win32 {
namespace {

TEST(Win32Rules, KeyAsciiOfAWmChar) {
  struct Row {
    wchar_t unit;
    int code;
  };
  const Row rows[] = {
      {L'0', 48},
      {L'9', 57},
      {L'\b', 8},
      {L'\r', 13},
      {L'a', 97},
      {L' ', 32},
      {L'-', 45},
      {0x16, 22},                           // Ctrl+V arrives as a control character
      {L'\u00f2', 0xf2},                    // ò: its Windows-1252 code
      {L'\u20ac', 0x80},                    // €: 128 in Windows-1252
      {L'\u0142', '?'},                     // ł: not in Windows-1252
      {static_cast<wchar_t>(0xd83d), -1},   // first half of a pair: dropped
      {static_cast<wchar_t>(0xde00), '?'},  // its second half stands for it
  };
  for (const auto& r : rows) {
    EXPECT_EQ(KeyAsciiOf(r.unit), r.code) << "unit " << static_cast<int>(r.unit);
  }
}

TEST(Win32Rules, TwipsToPixelsAtEachDpi) {
  struct Row {
    int twips, dpi, pixels;
  };
  const Row rows[] = {
      {11880, 96, 792},  {8310, 96, 554}, {11880, 144, 1188}, {8310, 144, 831}, {11880, 192, 1584},
      {8310, 192, 1108}, {15, 96, 1},     {7, 96, 0},         {8, 96, 1},       {345, 144, 35},
      {2775, 144, 278},  {855, 192, 114}, {0, 192, 0},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(TwipsToPixels(r.twips, r.dpi), r.pixels) << r.twips << " twips at " << r.dpi;
  }
}

TEST(Win32Rules, FontHeightAtEachDpi) {
  struct Row {
    double points;
    int dpi, height;
  };
  const Row rows[] = {
      {48, 96, -64},  {8.25, 96, -11},  {13.5, 96, -18}, {9.75, 96, -13},
      {48, 144, -96}, {8.25, 144, -17}, {48, 192, -128}, {8.25, 192, -22},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(FontHeight(r.points, r.dpi), r.height) << r.points << " pt at " << r.dpi;
  }
}

TEST(Win32Rules, MessageBoxFlagsOfAStyle) {
  struct Row {
    int style;
    bool owner;
    unsigned flags;
  };
  const Row rows[] = {
      {0, true, MB_OK},
      {292, true, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2},
      {0, false, MB_OK | MB_TASKMODAL | MB_SETFOREGROUND},
      {292, false, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_TASKMODAL | MB_SETFOREGROUND},
      {16, true, MB_ICONHAND},
      {4 + 48, true, MB_YESNO | MB_ICONEXCLAMATION},
      {1 + 64 + 256, true, MB_OKCANCEL | MB_ICONASTERISK | MB_DEFBUTTON2},
      {4096, true, MB_OK},  // nothing beyond buttons, icon and default button is passed on
  };
  for (const auto& r : rows) {
    EXPECT_EQ(MessageBoxFlags(r.style, r.owner), r.flags) << "style " << r.style;
  }
  // The answers come back as the game's numbers.
  EXPECT_EQ(IDYES, 6);
  EXPECT_EQ(IDNO, 7);
}

TEST(Win32Rules, RepeatBitAccessKeysAndPictures) {
  EXPECT_FALSE(IsAutoRepeat(0x001c0001));  // Enter, first press
  EXPECT_TRUE(IsAutoRepeat(0x401c0001));   // Enter held down
  EXPECT_EQ(AccessKeyOf(L"&Nuovo calcolo"), L'N');
  EXPECT_EQ(AccessKeyOf(L"E&xit"), L'X');
  EXPECT_EQ(AccessKeyOf(L"Command1"), 0);
  EXPECT_EQ(AccessKeyOf(L"A && B &c"), L'C');
  EXPECT_EQ(WithoutAccessMark(L"E&xit"), L"Exit");
  EXPECT_EQ(WithoutAccessMark(L"A && B &c"), L"A & B c");
  EXPECT_EQ(PictureResource("quorvella"), IDI_QUORVELLA);
  EXPECT_EQ(PictureResource("face-straight"), IDI_FACE_STRAIGHT);
  EXPECT_EQ(PictureResource("noentry"), IDI_NOENTRY);
  EXPECT_EQ(PictureResource(""), 0);
  EXPECT_EQ(PictureResource("face"), 0);
  EXPECT_EQ(Narrow(Wide("Il record  \xc3\xa8 di ")), "Il record  \xc3\xa8 di ");
  // The system's high-contrast setting (SPI_GETHIGHCONTRAST) is on by its flag alone.
  const struct {
    DWORD flags;
    bool on;
  } settings[] = {{0, false},
                  {HCF_AVAILABLE | HCF_HOTKEYACTIVE, false},
                  {HCF_HIGHCONTRASTON, true},
                  {HCF_HIGHCONTRASTON | HCF_AVAILABLE, true}};
  for (const auto& row : settings) {
    const HIGHCONTRASTW setting{sizeof(HIGHCONTRASTW), row.flags, nullptr};
    EXPECT_EQ(HighContrastOn(setting), row.on) << row.flags;
  }
}

TEST(Win32Rules, AHeldKeyActsOnce) {
  // Histories of Enter and whether each down acts (y) or not (n): d a down, r a down Windows
  // marks as a repeat (bit 30), u an up, B and b the window getting the keyboard back with the
  // key down and up.
  const std::pair<const char*, const char*> rows[] = {
      {"drrru", "ynnn"},   // held: one press, then repeats
      {"drud", "yny"},     // up and down again: a second press
      {"Brrrud", "nnny"},  // held since a box closed on it: its repeats do not act
      {"bd", "y"},         // the box's key came up before the window had the keyboard back
      {"brr", "yn"},       // a repeat of a key the window saw up acts, once
      {"drBrr", "ynnn"},   // back to the window with the key still held
      {"drbr", "yny"},     // back with the key up: the next down acts
      {"r", "y"},          // the window never saw the key go down
  };
  for (const auto& [history, acts] : rows) {
    HeldKeys keys;
    std::string acted;
    for (const char* h = history; *h; ++h) {
      if (*h == 'd' || *h == 'r') acted += keys.Down(VK_RETURN, *h == 'r') ? 'y' : 'n';
      if (*h == 'u') keys.Up(VK_RETURN);
      if (*h == 'B' || *h == 'b')
        keys.Regain([h](unsigned key) { return *h == 'B' && key == VK_RETURN; });
    }
    EXPECT_EQ(acted, acts) << history;
  }
  HeldKeys keys;  // keys are told apart: a held Enter does not make Space's press a repeat
  EXPECT_TRUE(keys.Down(VK_RETURN, false) && keys.Down(VK_SPACE, false) &&
              !keys.Down(VK_RETURN, true));
}

TEST(Win32Rules, TheWindowFitsTheWorkArea) {
  // 1024 x 768, 1366 x 768 and 1920 x 1080 with a taskbar below, beside or above, at 100 %,
  // 150 % and 200 %: the whole frame inside the work area, at the monitor's DPI where it fits
  // there, else at the largest step of 12 that fits.
  const RECT screens[] = {{0, 0, 1024, 728},  {0, 0, 1366, 728},  {0, 0, 1920, 1040},
                          {62, 0, 1024, 768}, {0, 40, 1366, 768}, {0, 0, 1920, 1080}};
  const auto& tavola = window::Tavola();
  for (const RECT& work : screens) {
    for (const int dpi : {96, 144, 192}) {
      const auto [at, f] = PlaceWindow(tavola, kWindowStyle, dpi, work);
      const std::string row = std::to_string(work.right) + "x" + std::to_string(work.bottom) + "@" +
                              std::to_string(dpi);
      EXPECT_TRUE(f.left >= work.left && f.top >= work.top && f.right <= work.right &&
                  f.bottom <= work.bottom)
          << row;
      const int frameWidth = f.right - f.left - TwipsToPixels(tavola.clientWidth, at);
      const int frameHeight = f.bottom - f.top - TwipsToPixels(tavola.clientHeight, at);
      const auto fits = [&](int d) {
        return TwipsToPixels(tavola.clientWidth, d) + frameWidth <= work.right - work.left &&
               TwipsToPixels(tavola.clientHeight, d) + frameHeight <= work.bottom - work.top;
      };
      EXPECT_EQ(at == dpi, fits(dpi)) << row;
      EXPECT_TRUE(at == dpi || (at % 12 == 0 && !fits(at + 12))) << row;
    }
  }
  // At 100 % on a large screen the window stands where the design puts it; 150 % on 1366 x 768
  // shrinks.
  const Placement p = PlaceWindow(tavola, kWindowStyle, 96, RECT{0, 0, 1920, 1040});
  EXPECT_EQ(p.frame.left, TwipsToPixels(tavola.left, 96));
  EXPECT_EQ(p.frame.top, TwipsToPixels(tavola.top, 96));
  EXPECT_LT(PlaceWindow(tavola, kWindowStyle, 144, RECT{0, 0, 1366, 728}).dpi, 144);
}

TEST(Win32Rules, PictureButtonFocusRectangleClearOfThePicture) {
  // cmdNext's face (inside its raised edge) at 100 % to 250 %, with focus lines of one and two
  // pixels: the picture and the caption's top inside the focus rectangle, apart from its line.
  for (const int dpi : {96, 120, 144, 168, 192, 240}) {
    for (const int line : {1, 2}) {
      const RECT face{2, 2, TwipsToPixels(1815, dpi) - 2, TwipsToPixels(1095, dpi) - 2};
      const int size = MulDiv(32, dpi, 96);
      const auto [focus, picture, captionTop] = PictureButtonParts(face, dpi, size, line);
      EXPECT_TRUE(focus.top > face.top && picture.top > focus.top + line &&
                  picture.left > focus.left + line && picture.right < focus.right - line &&
                  picture.right - picture.left == size && captionTop > picture.bottom &&
                  captionTop + MulDiv(11, dpi, 96) < focus.bottom - line)
          << dpi << " dpi, line " << line;
    }
  }
}

// A game with every handler, and boxes that must never show.
struct NoGame : EventSink, Ui {
  bool Handles(std::string_view) const override { return true; }
  void Call(std::string_view, std::int16_t*) override { ++calls; }
  int MsgBox(const std::string&, int, const std::optional<std::string>&) override {
    ++calls;
    return vbOK;
  }
  std::string InputBox(const std::string&) override {
    ++calls;
    return {};
  }
  void EndProgram() override {}
  int calls = 0;
};

TEST(Win32Form, AHandlerTheGameLacksFailsTheLoad) {
  struct Lacking : NoGame {
    bool Handles(std::string_view handler) const override { return handler != "Timer1_Timer"; }
  } game;
  std::vector<RuntimeError> errors;
  Win32Form form(GetModuleHandleW(nullptr), window::Tavola(), game, game,
                 [&errors](const RuntimeError& e) { errors.push_back(e); });
  form.Start();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].Message().find("Timer1_Timer"), std::string::npos) << errors[0].Message();
  EXPECT_EQ(game.calls, 0);
  EXPECT_EQ(form.hwnd(), nullptr);
}

}  // namespace
}  // namespace quorvella::win32
