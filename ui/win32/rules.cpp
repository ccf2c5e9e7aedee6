// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "ui/win32/rules.h"

#include <algorithm>
#include <cmath>
#include <cwctype>

#include "platform/text.h"
#include "platform/windows_api.h"
#include "ui/win32/resource_ids.h"
#include "window/fit.h"

namespace quorvella::win32 {

int KeyAsciiOf(wchar_t unit) {
  // A character beyond the first plane comes as two halves: the first is dropped, the second
  // stands for the whole character, which the code page cannot hold.
  if (unit >= 0xd800 && unit <= 0xdbff) return -1;
  if (unit >= 0xdc00 && unit <= 0xdfff) return '?';
  return static_cast<std::uint16_t>(KeyAsciiFromCodePoint(static_cast<char32_t>(unit)));
}

int FontHeight(double points, int dpi) {
  return -static_cast<int>(std::lround(points * dpi / 72.0));
}

unsigned MessageBoxFlags(int style, bool hasOwner) {
  // Buttons (0..5), icon (16, 32, 48, 64) and default button (0, 256, 512) are MB_ values.
  unsigned flags = static_cast<unsigned>(style) & (MB_TYPEMASK | MB_ICONMASK | MB_DEFMASK);
  if (!hasOwner) flags |= MB_TASKMODAL | MB_SETFOREGROUND;
  return flags;
}

bool HeldKeys::Down(unsigned key, bool wasDown) {
  key &= 0xff;
  if (wasDown && (pressed_[key] || carried_[key])) return false;
  pressed_.set(key);
  carried_.reset(key);
  return true;
}

void HeldKeys::Up(unsigned key) {
  pressed_.reset(key & 0xff);
  carried_.reset(key & 0xff);
}

void HeldKeys::Regain(const std::function<bool(unsigned key)>& isDown) {
  pressed_.reset();
  for (unsigned key = 1; key < carried_.size(); ++key) carried_[key] = isDown(key);
}

KeptDigits DigitsOf(std::wstring_view text, std::size_t caret, std::size_t limit) {
  KeptDigits kept;
  for (std::size_t i = 0; i < text.size() && kept.text.size() < limit; ++i) {
    if (text[i] < L'0' || text[i] > L'9') continue;
    kept.text += text[i];
    if (i < caret) kept.caret = kept.text.size();
  }
  return kept;
}

Placement PlaceWindow(const window::WindowDesc& desc, DWORD style, int dpi, const RECT& work,
                      std::optional<POINT> at) {
  RECT edges{0, 0, 0, 0};
  AdjustWindowRectExForDpi(&edges, style, TRUE, 0, static_cast<UINT>(dpi));
  const window::Margins frame{-edges.left, -edges.top, edges.right, edges.bottom};
  const window::Size client{window::TwipsToPixels(desc.clientWidth),
                            window::TwipsToPixels(desc.clientHeight)};
  const double scale = window::FittingScale(
      client, frame, {work.right - work.left, work.bottom - work.top}, dpi / 96.0);
  Placement p;
  p.dpi = static_cast<int>(std::lround(scale * 96));
  const int width = TwipsToPixels(desc.clientWidth, p.dpi) + frame.left + frame.right;
  const int height = TwipsToPixels(desc.clientHeight, p.dpi) + frame.top + frame.bottom;
  const POINT wanted =
      at.value_or(POINT{TwipsToPixels(desc.left, dpi), TwipsToPixels(desc.top, dpi)});
  const window::Point corner =
      window::KeepOnScreen({wanted.x, wanted.y, width, height},
                           {work.left, work.top, work.right - work.left, work.bottom - work.top});
  p.frame = RECT{corner.x, corner.y, corner.x + width, corner.y + height};
  return p;
}

ButtonParts PictureButtonParts(const RECT& face, int dpi, int picture, int focusWidth) {
  // The focus rectangle one step inside the face, the picture one step inside the focus
  // rectangle's line; a step is two pixels at 100 %.
  const int step = std::max(1, (2 * dpi + 48) / 96);
  ButtonParts parts{};
  parts.focus = face;
  InflateRect(&parts.focus, -step, -step);
  const int left = (face.left + face.right - picture) / 2;
  const int top = parts.focus.top + focusWidth + step;
  parts.picture = RECT{left, top, left + picture, top + picture};
  parts.captionTop = parts.picture.bottom + std::max(1, step / 2);
  return parts;
}

wchar_t AccessKeyOf(std::wstring_view caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != L'&') continue;
    if (caption[i + 1] == L'&') {
      ++i;  // "&&" is a literal ampersand
      continue;
    }
    return static_cast<wchar_t>(std::towupper(caption[i + 1]));
  }
  return 0;
}

std::wstring WithoutAccessMark(std::wstring_view caption) {
  std::wstring out;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == L'&' && i + 1 < caption.size()) ++i;
    out += caption[i];
  }
  return out;
}

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Narrow(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

int PictureResource(std::string_view picture) {
  struct Entry {
    std::string_view name;
    int id;
  };
  static constexpr Entry kPictures[] = {
      {"quorvella", IDI_QUORVELLA},         {"stopwatch", IDI_STOPWATCH},
      {"face-smile", IDI_FACE_SMILE},       {"face-laugh", IDI_FACE_LAUGH},
      {"face-straight", IDI_FACE_STRAIGHT}, {"noentry", IDI_NOENTRY},
  };
  for (const auto& e : kPictures) {
    if (e.name == picture) return e.id;
  }
  return 0;
}

}  // namespace quorvella::win32
