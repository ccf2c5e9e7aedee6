// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The scale the window is drawn at: the desktop's own while the window fits the screen's
// available area there, else the largest that fits, so that no part of the window lies off the
// screen, and where it goes so that it lies on the screen. Layout, fonts and pictures all follow
// the scale. Plain C++, the same for every binding.
#pragma once

namespace quorvella::window {

struct Size {
  int width = 0;
  int height = 0;
};

struct Point {
  int x = 0;
  int y = 0;
};

// A rectangle on the screen, in pixels.
struct Area {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct Margins {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// A scale below the desktop's is a multiple of this: the 16- and 32-pixel pictures then take
// whole device pixels, and their pixels repeat in a regular pattern.
inline constexpr double kScaleStep = 0.125;

// `content`: the window inside its frame at scale 1 (client area and menu bar), in logical
// pixels. `frame`: what the window manager draws around it, and `available`: the screen's area
// less its panels, both in device pixels. `desktopScale`: device pixels per logical pixel that
// the desktop asks for. Returns `desktopScale` when the framed window fits at it, else the
// largest multiple of kScaleStep below it at which it fits, and kScaleStep when none does.
double FittingScale(Size content, Margins frame, Size available, double desktopScale);

// The top-left corner that puts the framed window `frame` inside `available` (the screen's area
// less its panels) with the least move; a window larger than the area keeps its top-left corner
// (title bar, menu) inside it. Both in the same units.
Point KeepOnScreen(Area frame, Area available);

}  // namespace quorvella::window
