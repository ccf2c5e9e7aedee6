// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The window's layout at its monitor's DPI: its size and place (at a smaller scale where it would
// not fit the monitor's work area), each control's rectangle and font from twips and points at
// that scale, and auto-sized labels that take the size of their caption.
#include "ui/win32/win32_form.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/win32/loaded.h"
#include "ui/win32/rules.h"

namespace quorvella::win32 {
namespace {

using window::ControlKind;

RECT PixelRect(const window::Rect& r, int dpi) {
  const int left = TwipsToPixels(r.left, dpi);
  const int top = TwipsToPixels(r.top, dpi);
  return RECT{left, top, left + TwipsToPixels(r.width, dpi), top + TwipsToPixels(r.height, dpi)};
}

// The faces the design names are on every Windows; "MS Sans Serif" is a bitmap face that only
// comes in a few sizes, so its outline successor stands in for it at any size.
std::wstring FaceOf(const std::string& family) {
  if (family == "MS Sans Serif") return L"Microsoft Sans Serif";
  return Wide(family);
}

HFONT MakeFont(const window::Font& f, int dpi) {
  if (f.family.empty()) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                               static_cast<UINT>(dpi));
    return CreateFontIndirectW(&metrics.lfMessageFont);
  }
  LOGFONTW lf{};
  lf.lfHeight = FontHeight(f.points, dpi);
  lf.lfWeight = f.weight;
  lf.lfItalic = f.italic ? TRUE : FALSE;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = CLEARTYPE_QUALITY;
  const std::wstring face = FaceOf(f.family);
  wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  return CreateFontIndirectW(&lf);
}

}  // namespace

void Win32Form::Layout(int monitorDpi, const RECT* suggested) {
  Loaded& l = *loaded_;
  // The work area of the monitor the window is on, or is going to (a change of DPI suggests
  // where); the window's size and scale follow from it.
  const HMONITOR monitor = suggested ? MonitorFromRect(suggested, MONITOR_DEFAULTTONEAREST)
                                     : MonitorFromWindow(l.window, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) {
    info.rcWork = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(l.window, GWL_STYLE));
  std::optional<POINT> at;
  if (suggested) {
    at = POINT{suggested->left, suggested->top};
  } else if (l.shown) {
    RECT now;
    GetWindowRect(l.window, &now);
    at = POINT{now.left, now.top};
  }
  const Placement place = PlaceWindow(desc_, style, monitorDpi, info.rcWork, at);
  const int dpi = place.dpi;
  l.dpi = dpi;
  SetWindowPos(l.window, nullptr, place.frame.left, place.frame.top,
               place.frame.right - place.frame.left, place.frame.bottom - place.frame.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  for (std::size_t i = 0; i < l.controls.size(); ++i) {
    Control& c = l.controls[i];
    if (!c.hwnd || !c.desc->rect) continue;
    if (c.font) DeleteObject(c.font);
    c.font = MakeFont(c.desc->font, dpi);
    SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(c.font), FALSE);
    if (c.desc->kind == ControlKind::kTextBox) {
      // A new font resets an edit control's margins to what the font suggests, which need not
      // scale with the DPI: the answer box keeps margins of its own, so "9999" always fits.
      const int margin = AnswerMargin(dpi);
      SendMessageW(c.hwnd, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                   MAKELPARAM(margin, margin));
    }
    c.rect = PixelRect(*c.desc->rect, dpi);
    if (c.desc->kind == ControlKind::kLabel && c.desc->autoSize && c.caption != c.desc->caption) {
      Relabel(i, c.caption);  // keeps the size of the current caption
      continue;
    }
    MoveWindow(c.hwnd, c.rect.left, c.rect.top, c.rect.right - c.rect.left,
               c.rect.bottom - c.rect.top, TRUE);
  }
  if (l.tooltip) SendMessageW(l.tooltip, TTM_SETMAXTIPWIDTH, 0, MulDiv(400, dpi, 96));
}

void Win32Form::Relabel(std::size_t index, const std::string& caption) {
  Loaded& l = *loaded_;
  Control& c = l.controls[index];
  const RECT before = c.rect;
  c.caption = caption;
  const std::wstring text = Wide(caption);
  if (c.desc->name == window::kClock) {
    NameClock();
  } else {
    SetWindowTextW(c.hwnd, ReaderText(*c.desc, caption).c_str());
  }
  if (c.desc->autoSize) {
    // Keeps its left and top edges and takes the size of the caption in its font, border
    // included.
    const HDC dc = GetDC(c.hwnd);
    const HGDIOBJ old = SelectObject(dc, c.font);
    RECT r{0, 0, 0, 0};
    DrawTextW(dc, text.empty() ? L" " : text.c_str(), -1, &r, DT_CALCRECT | DT_NOPREFIX);
    if (text.empty()) r.right = 0;
    SelectObject(dc, old);
    ReleaseDC(c.hwnd, dc);
    const int edge =
        c.desc->border == window::Border::kFixedSingle ? 2 * std::max(1, l.dpi / 96) : 0;
    c.rect.right = c.rect.left + r.right + edge;
    c.rect.bottom = c.rect.top + r.bottom + edge;
    MoveWindow(c.hwnd, c.rect.left, c.rect.top, c.rect.right - c.rect.left,
               c.rect.bottom - c.rect.top, FALSE);
  }
  RECT both;
  UnionRect(&both, &before, &c.rect);
  RedrawWindow(l.window, &both, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  UpdateAccessibleNames();
  if (c.desc->name == window::kClock) AnnounceTime(caption);
}

}  // namespace quorvella::win32
