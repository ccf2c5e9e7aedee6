// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "window/colours.h"

#include <algorithm>
#include <cmath>

#include "platform/runtime.h"

namespace quorvella::window {
namespace {

double Linear(std::uint32_t channel) {
  const double c = static_cast<double>(channel & 0xff) / 255.0;
  return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(std::uint32_t rgb) {
  return 0.2126 * Linear(rgb) + 0.7152 * Linear(rgb >> 8) + 0.0722 * Linear(rgb >> 16);
}

bool Reads(std::uint32_t text, std::uint32_t back) {
  return ContrastRatio(text, back) >= kHighContrastRatio;
}

}  // namespace

SystemPalette BlackOnWhite() {
  const std::uint32_t black = RGB(0, 0, 0);
  const std::uint32_t white = RGB(255, 255, 255);
  return {black, white, black, white, black, white, RGB(80, 80, 80)};
}

SystemPalette WhiteOnBlack() {
  const std::uint32_t black = RGB(0, 0, 0);
  const std::uint32_t white = RGB(255, 255, 255);
  return {white, black, white, black, white, black, RGB(170, 170, 170)};
}

double ContrastRatio(std::uint32_t a, std::uint32_t b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

SystemPalette Readable(const SystemPalette& system) {
  SystemPalette p = system;
  if (!Reads(p.windowText, p.window) || !Reads(p.buttonText, p.buttonFace) ||
      !Reads(p.highlightText, p.highlight)) {
    p = BlackOnWhite();
  }
  if (!Reads(p.grayText, p.buttonFace)) p.grayText = p.buttonText;
  return p;
}

Colours::Colours(std::optional<SystemPalette> system) {
  if (system) system_ = Readable(*system);
}

std::uint32_t Colours::Window(std::uint32_t asked) const {
  return system_ ? system_->window : asked;
}

ControlColours Colours::Of(const ControlDesc& c, bool enabled) const {
  if (!system_) {
    ControlColours own;
    own.text = c.foreColor;
    if (!c.transparent) own.back = c.backColor;
    return own;
  }
  const SystemPalette& s = *system_;
  ControlColours hc;
  switch (c.kind) {
    case ControlKind::kCommandButton:
      hc.text = enabled ? s.buttonText : s.grayText;
      hc.back = s.buttonFace;
      hc.focus = s.buttonText;
      break;
    case ControlKind::kTextBox:
      hc.text = s.windowText;
      hc.back = s.window;
      hc.selection = s.highlight;
      hc.selectionText = s.highlightText;
      break;
    default:
      hc.text = s.windowText;
      // An opaque label (the question row) takes the window's colour: nothing shows through.
      if (!c.transparent) hc.back = s.window;
      break;
  }
  return hc;
}

}  // namespace quorvella::window
