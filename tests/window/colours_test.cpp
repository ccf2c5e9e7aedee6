// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The window's colours: its own with high contrast off, and in high contrast every text of the
// window at 7:1 or more against what is behind it, after a right answer (any tint) and after a
// wrong one (black), in the palettes players' systems give.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/runtime.h"
#include "window/colours.h"

namespace quorvella::window {
namespace {

// Windows' "High Contrast Black" theme.
SystemPalette WindowsHighContrastBlack() {
  return {RGB(255, 255, 255), RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 0, 0),
          RGB(26, 235, 255),  RGB(0, 0, 0), RGB(63, 242, 63)};
}

bool HasText(const ControlDesc& c) {
  return c.kind == ControlKind::kLabel || c.kind == ControlKind::kTextBox ||
         c.kind == ControlKind::kCommandButton;
}

TEST(Colours, WithHighContrastOffTheWindowKeepsItsOwn) {
  const Colours own;
  EXPECT_FALSE(own.highContrast());
  for (const std::uint32_t asked : {RGB(80, 180, 200), RGB(0, 0, 0), Tavola().backColor}) {
    EXPECT_EQ(own.Window(asked), asked);
  }
  for (const auto& c : Tavola().controls) {
    const ControlColours got = own.Of(c);
    EXPECT_EQ(got.text, c.foreColor) << c.name;
    EXPECT_EQ(got.back, c.transparent ? std::nullopt : c.backColor) << c.name;
    EXPECT_FALSE(got.focus || got.selection) << c.name;
  }
}

TEST(Colours, TheSystemsPaletteOrOneThatReads) {
  SystemPalette faint = BlackOnWhite();
  faint.windowText = RGB(150, 150, 150);  // a desktop theme that is not a high-contrast one
  SystemPalette greyDisabled = WhiteOnBlack();
  greyDisabled.grayText = RGB(60, 60, 60);
  const struct {
    const char* name;
    SystemPalette system;
    SystemPalette drawn;
  } rows[] = {
      {"windows", WindowsHighContrastBlack(), WindowsHighContrastBlack()},
      {"faint", faint, BlackOnWhite()},
      {"grey disabled", greyDisabled,
       [] {
         SystemPalette p = WhiteOnBlack();
         p.grayText = p.buttonText;
         return p;
       }()},
  };
  for (const auto& row : rows) {
    const SystemPalette got = Readable(row.system);
    EXPECT_EQ(got.windowText, row.drawn.windowText) << row.name;
    EXPECT_EQ(got.window, row.drawn.window) << row.name;
    EXPECT_EQ(got.grayText, row.drawn.grayText) << row.name;
    const Colours hc(row.system);
    EXPECT_TRUE(hc.highContrast());
    EXPECT_EQ(hc.Window(RGB(80, 180, 200)), row.drawn.window) << row.name;
  }
  EXPECT_NEAR(ContrastRatio(RGB(0, 0, 0), RGB(255, 255, 255)), 21.0, 1e-9);
  EXPECT_NEAR(ContrastRatio(RGB(0, 0, 255), RGB(0, 0, 0)), 2.44, 0.005);
}

// Every text control against what is behind it: its own background, or the window's after a
// right answer (the question's tint, any of them) and after a wrong one (black). The table goes
// to the test's output.
TEST(Colours, EveryTextReadsInHighContrast) {
  const struct {
    const char* name;
    SystemPalette system;
  } palettes[] = {
      {"black on white", BlackOnWhite()},
      {"white on black", WhiteOnBlack()},
      {"Windows HC black", WindowsHighContrastBlack()},
  };
  std::printf("%-12s %-9s %-17s %7s %7s\n", "control", "state", "palette", "right", "wrong");
  for (const auto& palette : palettes) {
    const Colours hc(palette.system);
    for (const auto& c : Tavola().controls) {
      if (!HasText(c)) continue;
      for (const bool enabled : {true, false}) {
        if (!enabled && c.kind != ControlKind::kCommandButton) continue;
        const ControlColours got = hc.Of(c, enabled);
        ASSERT_TRUE(got.text) << c.name;
        double worst[2] = {21, 21};  // after a right answer, after a wrong one
        for (int a = 1; a <= 9; ++a) {
          for (int b = 0; b <= 9; ++b) {
            const std::uint32_t behind = got.back.value_or(hc.Window(RGB(20 * a, 20 * b, 50 * a)));
            worst[0] = std::min(worst[0], ContrastRatio(*got.text, behind));
          }
        }
        const std::uint32_t behind = got.back.value_or(hc.Window(RGB(0, 0, 0)));
        worst[1] = ContrastRatio(*got.text, behind);
        if (got.focus) worst[0] = std::min(worst[0], ContrastRatio(*got.focus, *got.back));
        if (got.selection) {
          worst[0] = std::min(worst[0], ContrastRatio(*got.selectionText, *got.selection));
        }
        std::printf("%-12s %-9s %-17s %6.2f:1 %6.2f:1\n", c.name.c_str(), enabled ? "" : "disabled",
                    palette.name, worst[0], worst[1]);
        for (const double ratio : worst) {
          EXPECT_GE(ratio, kHighContrastRatio) << c.name << " in " << palette.name;
        }
      }
    }
  }
}

}  // namespace
}  // namespace quorvella::window
