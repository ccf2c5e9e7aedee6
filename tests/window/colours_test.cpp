// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The window's colours: its own with high contrast off, and in high contrast every text of the
// window at 7:1 or more against what is behind it, after a right answer (any tint) and after a
// wrong one (black), in the palettes players' systems give; the table goes to the output.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/runtime.h"
#include "window/colours.h"

namespace quorvella::window {
namespace {

TEST(Colours, OwnWhenOffAndEveryTextAtSevenToOneInHighContrast) {
  const SystemPalette windowsBlack = {RGB(255, 255, 255), RGB(0, 0, 0),      RGB(255, 255, 255),
                                      RGB(0, 0, 0),       RGB(26, 235, 255), RGB(0, 0, 0),
                                      RGB(63, 242, 63)};  // Windows' "High Contrast Black"
  const struct {
    const char* name;
    std::optional<SystemPalette> system;
  } palettes[] = {{"off", std::nullopt},
                  {"black on white", BlackOnWhite()},
                  {"white on black", WhiteOnBlack()},
                  {"Windows HC black", windowsBlack}};
  std::printf("%-12s %-9s %-17s %8s %8s\n", "control", "state", "palette", "right", "wrong");
  for (const auto& palette : palettes) {
    const Colours colours(palette.system);
    EXPECT_EQ(colours.highContrast(), palette.system.has_value());
    for (const auto& c : Tavola().controls) {
      if (c.kind == ControlKind::kTimer || c.kind == ControlKind::kImage) continue;
      for (const bool enabled : {true, false}) {
        if (!enabled && c.kind != ControlKind::kCommandButton) continue;
        const ControlColours got = colours.Of(c, enabled);
        if (!palette.system) {  // the description's colours, the tint shows through
          EXPECT_EQ(got.text, c.foreColor) << c.name;
          EXPECT_EQ(got.back, c.transparent ? std::nullopt : c.backColor) << c.name;
          EXPECT_FALSE(got.focus || got.selection) << c.name;
          EXPECT_EQ(colours.Window(RGB(80, 180, 200)), RGB(80, 180, 200));
          continue;
        }
        ASSERT_TRUE(got.text) << c.name;
        // What is behind the text after a right answer (the question's tint, any of them) and
        // after a wrong one (black); a focus outline and selected text count as texts.
        double worst[2] = {21, 21};
        for (int a = 1; a <= 9; ++a) {
          for (int b = 0; b <= 9; ++b) {
            const std::uint32_t behind =
                got.back.value_or(colours.Window(RGB(20 * a, 20 * b, 50 * a)));
            worst[0] = std::min(worst[0], ContrastRatio(*got.text, behind));
          }
        }
        worst[1] = ContrastRatio(*got.text, got.back.value_or(colours.Window(RGB(0, 0, 0))));
        if (got.focus) worst[0] = std::min(worst[0], ContrastRatio(*got.focus, *got.back));
        if (got.selection) {
          worst[0] = std::min(worst[0], ContrastRatio(*got.selectionText, *got.selection));
        }
        std::printf("%-12s %-9s %-17s %6.2f:1 %6.2f:1\n", c.name.c_str(), enabled ? "" : "disabled",
                    palette.name, worst[0], worst[1]);
        EXPECT_GE(std::min(worst[0], worst[1]), kHighContrastRatio)
            << c.name << " " << palette.name;
      }
    }
  }
  // As measured on the window's own colours: blue on black.
  EXPECT_NEAR(ContrastRatio(RGB(0, 0, 255), RGB(0, 0, 0)), 2.44, 0.005);
}

// A system palette whose texts would not reach 7:1 gives way to black on white; a disabled
// caption that would not reach it takes the button's text colour.
TEST(Colours, ThePaletteOrOneThatReads) {
  SystemPalette faint = WhiteOnBlack();
  faint.windowText = RGB(100, 100, 100);
  SystemPalette grey = WhiteOnBlack();
  grey.grayText = RGB(60, 60, 60);
  const struct {
    SystemPalette system;
    std::uint32_t text, window, grayText;
  } rows[] = {{faint, RGB(0, 0, 0), RGB(255, 255, 255), RGB(80, 80, 80)},
              {grey, RGB(255, 255, 255), RGB(0, 0, 0), RGB(255, 255, 255)}};
  for (const auto& row : rows) {
    const SystemPalette got = Readable(row.system);
    EXPECT_EQ(got.windowText, row.text);
    EXPECT_EQ(got.window, row.window);
    EXPECT_EQ(got.grayText, row.grayText);
  }
}

}  // namespace
}  // namespace quorvella::window
