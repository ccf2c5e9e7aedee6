// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The Win32 binding's arithmetic, kept apart from the window code so that tests reach it without
// a message loop: the character code a WM_CHAR carries to the key-press handler, twips to pixels
// at a window's DPI, font sizes, message box styles to MessageBoxW flags, and the repeat bit of
// a key message.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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
