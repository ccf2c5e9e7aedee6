// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "window/fit.h"

#include <algorithm>
#include <cmath>

namespace quorvella::window {
namespace {

bool Fits(Size content, Margins frame, Size available, double scale) {
  const int width = static_cast<int>(std::ceil(content.width * scale)) + frame.left + frame.right;
  const int height = static_cast<int>(std::ceil(content.height * scale)) + frame.top + frame.bottom;
  return width <= available.width && height <= available.height;
}

}  // namespace

double FittingScale(Size content, Margins frame, Size available, double desktopScale) {
  if (Fits(content, frame, available, desktopScale)) return desktopScale;
  double scale = std::floor(desktopScale / kScaleStep) * kScaleStep;
  if (scale >= desktopScale) scale -= kScaleStep;
  while (scale > kScaleStep && !Fits(content, frame, available, scale)) scale -= kScaleStep;
  return scale < kScaleStep ? kScaleStep : scale;
}

Point KeepOnScreen(Area frame, Area available) {
  const auto keep = [](int at, int size, int from, int room) {
    return std::max(from, std::min(at, from + room - size));
  };
  return {keep(frame.left, frame.width, available.left, available.width),
          keep(frame.top, frame.height, available.top, available.height)};
}

}  // namespace quorvella::window
