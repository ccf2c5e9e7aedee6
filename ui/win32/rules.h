// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The Win32 binding's arithmetic, kept apart from the window code so that tests reach it without
// a message loop: the character code a WM_CHAR carries to the key-press handler, twips to pixels
// at a window's DPI, font sizes, message box styles to MessageBoxW flags, the repeat bit of a key
// message, the digits the answer box keeps, and where a picture
// button draws its parts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/windows_api.h"

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
