// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "ui/win32/painting.h"

#include <algorithm>

#include "ui/win32/loaded.h"
#include "ui/win32/rules.h"

namespace quorvella::win32 {

using window::ControlKind;

bool HighContrastOn(const HIGHCONTRASTW& setting) {
  return (setting.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

window::SystemPalette SystemColours() {
  return {GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW),
          GetSysColor(COLOR_BTNTEXT),    GetSysColor(COLOR_BTNFACE),
          GetSysColor(COLOR_HIGHLIGHT),  GetSysColor(COLOR_HIGHLIGHTTEXT),
          GetSysColor(COLOR_GRAYTEXT)};
}

void Win32Form::Recolour() {
  Loaded& l = *loaded_;
  bool on = false;
  if (options_.highContrast) {
    on = options_.highContrast();
  } else {
    HIGHCONTRASTW setting{};
    setting.cbSize = sizeof setting;
    on = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof setting, &setting, 0) &&
         HighContrastOn(setting);
  }
  l.colours = window::Colours(on ? std::optional(SystemColours()) : std::nullopt);
  l.back = ColorOf(l.colours.Window(l.asked));
  if (l.answerBrush) DeleteObject(l.answerBrush);
  l.answerBrush = nullptr;
  for (const auto& c : l.controls) {
    if (c.desc->kind != ControlKind::kTextBox) continue;
    if (const auto back = l.colours.Of(*c.desc).back)
      l.answerBrush = CreateSolidBrush(ColorOf(*back));
  }
  if (l.window) RedrawWindow(l.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

const window::Colours& Win32Form::colours() const {
  static const window::Colours own;
  return loaded_ ? loaded_->colours : own;
}

std::uint32_t Win32Form::Background() const {
  return loaded_ ? static_cast<std::uint32_t>(loaded_->back) : 0;
}

namespace {

// A border of `width` pixels in `colour` inside `r`, which it leaves inside the border.
void Frame(HDC dc, RECT& r, COLORREF colour, int width) {
  const HBRUSH brush = CreateSolidBrush(colour);
  for (int i = 0; i < width; ++i) {
    FrameRect(dc, &r, brush);
    InflateRect(&r, -1, -1);
  }
  DeleteObject(brush);
}

}  // namespace

void PaintScene(const Win32Form::Loaded& l, HDC target, const RECT& area, POINT at) {
  const int w = area.right - area.left;
  const int h = area.bottom - area.top;
  if (w <= 0 || h <= 0) return;
  // Drawn off the screen and copied in one piece, so nothing flickers.
  const HDC dc = CreateCompatibleDC(target);
  const HBITMAP bmp = CreateCompatibleBitmap(target, w, h);
  const HGDIOBJ oldBmp = SelectObject(dc, bmp);
  SetViewportOrgEx(dc, -area.left, -area.top, nullptr);
  const HBRUSH back = CreateSolidBrush(l.back);
  FillRect(dc, &area, back);
  DeleteObject(back);
  SetBkMode(dc, TRANSPARENT);
  const int edges = std::max(1, l.dpi / 96);
  for (auto it = l.controls.rbegin(); it != l.controls.rend(); ++it) {
    const Control& c = *it;
    const auto kind = c.desc->kind;
    if (kind != ControlKind::kLabel && kind != ControlKind::kImage) continue;
    RECT clip;
    if (!IntersectRect(&clip, &c.rect, &area)) continue;
    if (kind == ControlKind::kImage) {
      if (c.picture) {
        DrawIconEx(dc, c.rect.left, c.rect.top, c.picture, c.rect.right - c.rect.left,
                   c.rect.bottom - c.rect.top, 0, nullptr, DI_NORMAL);
      }
      continue;
    }
    RECT r = c.rect;
    const window::ControlColours colours = l.colours.Of(*c.desc);
    if (colours.back) {
      const HBRUSH b = CreateSolidBrush(ColorOf(*colours.back));
      FillRect(dc, &r, b);
      DeleteObject(b);
    }
    const COLORREF textColour =
        colours.text ? ColorOf(*colours.text) : GetSysColor(COLOR_WINDOWTEXT);
    if (c.desc->border == window::Border::kFixedSingle && l.colours.highContrast()) {
      // In high contrast the border is drawn in the text's colour, to show on any background.
      Frame(dc, r, textColour, edges);
    } else if (c.desc->border == window::Border::kFixedSingle) {
      for (int i = 0; i < edges; ++i) {
        DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
        InflateRect(&r, -1, -1);
      }
    }
    const std::wstring text = Wide(c.caption);
    if (text.empty()) continue;
    const HGDIOBJ oldFont = SelectObject(dc, c.font);
    SetTextColor(dc, textColour);
    UINT format = DT_NOPREFIX | DT_TOP;
    format |= c.desc->alignment == window::Alignment::kCenter ? DT_CENTER : DT_LEFT;
    if (!c.desc->autoSize) format |= DT_WORDBREAK;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
    SelectObject(dc, oldFont);
  }
  SetViewportOrgEx(dc, 0, 0, nullptr);
  BitBlt(target, at.x, at.y, w, h, dc, 0, 0, SRCCOPY);
  SelectObject(dc, oldBmp);
  DeleteObject(bmp);
  DeleteDC(dc);
}

void DrawButton(const Win32Form::Loaded& l, const DRAWITEMSTRUCT& item) {
  const Control* c = l.byHwnd(item.hwndItem);
  if (!c) return;
  const HDC dc = item.hDC;
  RECT r = item.rcItem;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  const window::ControlColours colours = l.colours.Of(*c->desc, !disabled);
  const HBRUSH face =
      CreateSolidBrush(colours.back ? ColorOf(*colours.back) : GetSysColor(COLOR_BTNFACE));
  FillRect(dc, &r, face);
  DeleteObject(face);
  const int scale = std::max(1, l.dpi / 96);
  if (l.colours.highContrast()) {
    // The edge in the caption's colour, as wide as a raised edge, to show on any background.
    Frame(dc, r, ColorOf(*l.colours.Of(*c->desc).text), 2 * scale);
  } else {
    DrawEdge(dc, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
  }
  const HICON picture = disabled && c->disabled ? c->disabled
                        : pressed && c->pressed ? c->pressed
                                                : c->picture;
  const int shift = pressed ? scale : 0;
  UINT focusWidth = 1;
  SystemParametersInfoW(SPI_GETFOCUSBORDERHEIGHT, 0, &focusWidth, 0);
  const ButtonParts parts =
      PictureButtonParts(r, l.dpi, MulDiv(32, l.dpi, 96), static_cast<int>(focusWidth));
  RECT text = r;
  if (picture) {
    // The picture centred in the upper part of the face, the caption below it, both inside the
    // focus rectangle.
    RECT p = parts.picture;
    OffsetRect(&p, shift, shift);
    DrawIconEx(dc, p.left, p.top, picture, p.right - p.left, p.bottom - p.top, 0, nullptr,
               DI_NORMAL);
    text.top = parts.captionTop;
  }
  OffsetRect(&text, shift, shift);
  const std::wstring caption = Wide(c->caption);
  const HGDIOBJ oldFont = SelectObject(dc, c->font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colours.text ? ColorOf(*colours.text)
                                : GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  UINT format = DT_CENTER | DT_SINGLELINE | (picture ? DT_TOP : DT_VCENTER);
  if (item.itemState & ODS_NOACCEL) format |= DT_HIDEPREFIX;
  DrawTextW(dc, caption.c_str(), -1, &text, format);
  SelectObject(dc, oldFont);
  if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
    DrawFocusRect(dc, &parts.focus);
  }
}

}  // namespace quorvella::win32
