// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "window/fit.h"

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

}  // namespace quorvella::window
