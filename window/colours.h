// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Where the window's colours come from, for every binding: the description's own colours and the
// game's tints, or, when the system asks every program for high contrast, the system's colours.
// A binding asks its platform only whether high contrast is on and for the system's colours
// (SystemPalette); what each control is then drawn in is answered here.
#pragma once

#include <cstdint>
#include <optional>

#include "window/description.h"

namespace quorvella::window {

// The system's colours, as RGB values (r + 256 g + 65536 b), by the roles a desktop gives them.
struct SystemPalette {
  std::uint32_t windowText = 0;     // text on a window or in a text box
  std::uint32_t window = 0;         // a window's and a text box's background
  std::uint32_t buttonText = 0;     // a button's caption and focus rectangle
  std::uint32_t buttonFace = 0;     // a button's face
  std::uint32_t highlight = 0;      // selected text's background
  std::uint32_t highlightText = 0;  // selected text
  std::uint32_t grayText = 0;       // a disabled caption
};

SystemPalette BlackOnWhite();
SystemPalette WhiteOnBlack();

// The WCAG 2.1 contrast ratio of two RGB values, 1 to 21.
double ContrastRatio(std::uint32_t a, std::uint32_t b);
// The ratio every text of the window reaches in high contrast (WCAG's enhanced level).
inline constexpr double kHighContrastRatio = 7.0;

// A palette the window can be drawn in: `system` itself when its texts reach kHighContrastRatio
// against their backgrounds, else black on white (a desktop theme that is not a high-contrast
// one, say). A disabled caption that would not reach it takes the button's text colour.
SystemPalette Readable(const SystemPalette& system);

// What one control is drawn in. A colour left empty is the toolkit's own for that kind of
// control (only while high contrast is off).
struct ControlColours {
  std::optional<std::uint32_t> text;
  // The label's opaque background, the text box's or the button's face; empty for a transparent
  // label, which shows the window's background.
  std::optional<std::uint32_t> back;
  // Selected text in the text box and a button's focus rectangle (high contrast only).
  std::optional<std::uint32_t> selection;
  std::optional<std::uint32_t> selectionText;
  std::optional<std::uint32_t> focus;
};

class Colours {
 public:
  // High contrast is on exactly when the system gives its palette.
  explicit Colours(std::optional<SystemPalette> system = std::nullopt);

  bool highContrast() const { return system_.has_value(); }

  // The window's background while the game asks for `asked` (its design-time colour, a tint or
  // black): that colour, or the system's window colour in high contrast.
  std::uint32_t Window(std::uint32_t asked) const;
  // The colours of a control in its state.
  ControlColours Of(const ControlDesc& control, bool enabled = true) const;

 private:
  std::optional<SystemPalette> system_;
};

}  // namespace quorvella::window
