// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "ui/win32/painting.h"

#include <algorithm>

#include "ui/win32/loaded.h"
#include "ui/win32/rules.h"

namespace quorvella::win32 {

using window::ControlKind;

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
    if (!c.desc->transparent && c.desc->backColor) {
      const HBRUSH b = CreateSolidBrush(ColorOf(*c.desc->backColor));
      FillRect(dc, &r, b);
      DeleteObject(b);
    }
    if (c.desc->border == window::Border::kFixedSingle) {
      for (int i = 0; i < edges; ++i) {
        DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
        InflateRect(&r, -1, -1);
      }
    }
    const std::wstring text = Wide(c.caption);
    if (text.empty()) continue;
    const HGDIOBJ oldFont = SelectObject(dc, c.font);
    SetTextColor(dc,
                 c.desc->foreColor ? ColorOf(*c.desc->foreColor) : GetSysColor(COLOR_WINDOWTEXT));
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
  const HBRUSH face = CreateSolidBrush(c->desc->backColor ? ColorOf(*c->desc->backColor)
                                                          : GetSysColor(COLOR_BTNFACE));
  FillRect(dc, &r, face);
  DeleteObject(face);
  DrawEdge(dc, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
  const int scale = std::max(1, l.dpi / 96);
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
  SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  UINT format = DT_CENTER | DT_SINGLELINE | (picture ? DT_TOP : DT_VCENTER);
  if (item.itemState & ODS_NOACCEL) format |= DT_HIDEPREFIX;
  DrawTextW(dc, caption.c_str(), -1, &text, format);
  SelectObject(dc, oldFont);
  if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
    DrawFocusRect(dc, &parts.focus);
  }
}

}  // namespace quorvella::win32
