// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The Win32 binding's arithmetic, kept apart from the window code so that tests reach it without
// a message loop: the character code a WM_CHAR carries to the key-press handler, twips to pixels
// at a window's DPI, font sizes, message box styles to MessageBoxW flags, the repeat bit of a key
// message and which key presses act, the digits the answer box keeps, where the window goes and
// at what scale, and where a picture button draws its parts.
#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/windows_api.h"
#include "window/description.h"

namespace quorvella::win32 {

// The character code the key-press handler gets for the UTF-16 unit of a WM_CHAR: the
// Windows-1252 code of the character (control keys keep their ASCII codes, 8 Backspace, 13 Enter),
// 63 ("?") for a character the code page lacks; -1 for the first half of a surrogate pair, which
// is dropped (the second half stands for the character).
int KeyAsciiOf(wchar_t unit);

// Twips to pixels at `dpi` dots per inch (1440 twips to the inch), rounded half up.
constexpr int TwipsToPixels(int twips, int dpi) {
  return (twips * dpi + 720) / 1440;
}

// A font's height in pixels for its size in points at `dpi`; negative, as LOGFONT wants the
// character height without the internal leading.
int FontHeight(double points, int dpi);

// MessageBoxW flags for a message box style: the buttons, the icon and the default button are
// the same numbers in both; a box without an owner window is task-modal and comes to the front.
unsigned MessageBoxFlags(int style, bool hasOwner);

// Whether a WM_KEYDOWN or WM_CHAR is an automatic repeat of a key held down (bit 30 of lParam:
// the key was already down).
constexpr bool IsAutoRepeat(std::intptr_t lParam) {
  return (lParam & (std::intptr_t{1} << 30)) != 0;
}

// Tells a key's press from the repeats Windows sends while the key is held down, so that a held
// key acts once, however late its messages are handled. Windows says it in bit 30 of each
// WM_KEYDOWN (the key was down before this message). A key's down or up may also reach another
// window than this one: a box may close on the down of the key that answers it, and the key's
// up or its repeats then come to the window. So the window remembers the presses it acted on
// and the keys that were down when it got the keyboard back: their repeats do not act; a press
// that Windows marks as a repeat of a key the window never saw go down (nor found down when it
// got the keyboard back) is a press.
class HeldKeys {
 public:
  // A WM_KEYDOWN or WM_SYSKEYDOWN of virtual key `key`, `wasDown` its bit 30: true when it is a
  // press, which acts; false for a repeat.
  bool Down(unsigned key, bool wasDown);
  // A WM_KEYUP or WM_SYSKEYUP of the key.
  void Up(unsigned key);
  // The window has the keyboard again (a box closed, the player came back to it): the keys
  // `isDown` says are down now went down elsewhere, and their repeats do not act.
  void Regain(const std::function<bool(unsigned key)>& isDown);

 private:
  std::bitset<256> pressed_;  // the window acted on its press and has not seen it come up
  std::bitset<256> carried_;  // down when the window got the keyboard back, not up since
};

// What the answer box keeps of a text: its digits, at most `limit` of them; `caret`, a position
// in `text`, moves to the same place among them.
struct KeptDigits {
  std::wstring text;
  std::size_t caret = 0;
};
KeptDigits DigitsOf(std::wstring_view text, std::size_t caret, std::size_t limit);

// The answer box's inner margins at a DPI: the same at every change of DPI, whatever the font.
constexpr int AnswerMargin(int dpi) {
  return (2 * dpi + 48) / 96;
}

// The window's style: a caption with the system menu and the minimize button, a fixed frame.
inline constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

// Where the window goes on a monitor of `dpi` whose work area is `work`: the DPI its client area
// is drawn at (the monitor's while the framed window fits the work area there, else the largest
// that fits; the frame and the menu bar keep the monitor's) and its frame, with its top-left
// corner at `at` (none: the described position) moved as little as needed to lie wholly inside
// the work area.
struct Placement {
  int dpi = 96;
  RECT frame{};
};
Placement PlaceWindow(const window::WindowDesc& desc, DWORD style, int dpi, const RECT& work,
                      std::optional<POINT> at = std::nullopt);

// Where a picture button draws inside its face (the rectangle within its raised edge) at a DPI:
// the focus rectangle, `focusWidth` pixels thick, with the picture (`picture` pixels square,
// centred in the upper part) and the top of the caption inside it, clear of its line.
struct ButtonParts {
  RECT focus;
  RECT picture;
  int captionTop;
};
ButtonParts PictureButtonParts(const RECT& face, int dpi, int picture, int focusWidth);

// The access key of a caption: the character after a single "&", upper-cased; 0 when none.
wchar_t AccessKeyOf(std::wstring_view caption);
// The caption as a reader says it: without the "&" that marks its access key ("&&" is one "&").
std::wstring WithoutAccessMark(std::wstring_view caption);

// UTF-8 (the game's texts) to UTF-16 (the window's) and back.
std::wstring Wide(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// The resource number of a picture id of the window description; 0 for an empty or unknown id.
int PictureResource(std::string_view picture);

}  // namespace quorvella::win32
