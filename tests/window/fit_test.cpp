// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The scale the window is drawn at: the desktop's where the framed window fits the available
// area, else the largest step that fits, on the screens players have; and where it goes to lie
// on the screen.
#include <gtest/gtest.h>

#include "window/fit.h"

namespace quorvella::window {
namespace {

TEST(Fit, TheLargestScaleThatFits) {
  const Size window{792, 578};  // the client area and a menu bar, at scale 1
  const Margins frame{1, 23, 1, 1};
  const struct {
    Size available;
    double desktop;
    double drawn;
  } rows[] = {
      {{1024, 740}, 1, 1},         {{1366, 740}, 1, 1},       {{1920, 1052}, 1, 1},
      {{1024, 740}, 1.5, 1.125},   {{1366, 740}, 1.5, 1.125}, {{1920, 1052}, 1.5, 1.5},
      {{1024, 740}, 2, 1.125},     {{1366, 740}, 2, 1.125},   {{1920, 1052}, 2, 1.75},
      {{1024, 768}, 1.25, 1.25},  // fits exactly at the desktop's own, off the steps
      {{800, 580}, 1, 0.875},     // a screen smaller than the window at scale 1
      {{100, 100}, 2, kScaleStep}, {{1920, 1052}, 1.1, 1.1},
  };
  for (const auto& row : rows) {
    const double scale = FittingScale(window, frame, row.available, row.desktop);
    EXPECT_DOUBLE_EQ(scale, row.drawn)
        << row.available.width << "x" << row.available.height << " at " << row.desktop;
  }
}

TEST(Fit, KeptOnTheScreenWithTheLeastMove) {
  const Area screen{0, 30, 1366, 738};  // a panel above
  const struct {
    const char* what;
    Area frame;
    Point corner;
  } rows[] = {
      {"fits", {100, 200, 800, 500}, {100, 200}},
      {"off left", {-50, 200, 800, 500}, {0, 200}},
      {"off top", {100, 0, 800, 500}, {100, 30}},
      {"off right", {700, 200, 800, 500}, {566, 200}},
      {"off bottom", {100, 300, 800, 500}, {100, 268}},
      {"off right and bottom by one", {567, 269, 800, 500}, {566, 268}},
      {"bigger than the screen", {200, 100, 1400, 800}, {0, 30}},
  };
  for (const auto& row : rows) {
    const Point corner = KeepOnScreen(row.frame, screen);
    EXPECT_EQ(corner.x, row.corner.x) << row.what;
    EXPECT_EQ(corner.y, row.corner.y) << row.what;
  }
}

}  // namespace
}  // namespace quorvella::window
