// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// What the window says to a screen reader, written once for every binding: the question as the
// answer box's name, the verdict with the counts as the new-question button's description, the
// names of the controls whose visible text says nothing to a listener, which heading introduces
// which value, and how often the clock may speak. Each binding puts these where its platform's
// readers look; none writes a sentence or names a control of its own. Plain C++.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quorvella::window {

// The caption a control shows now, by the control's name.
using CaptionOf = std::function<std::string(std::string_view control)>;

// The question, e.g. "Quanto fa 7 per 8?"; before the first one, "Risultato".
std::string Question(std::string_view first, std::string_view second);

// The verdict and the counts, e.g. "Esatto, è incredibile!!! Esatte 3, errate 1, totali 4.";
// empty while no verdict shows.
std::string Verdict(std::string_view verdict, std::string_view right, std::string_view wrong,
                    std::string_view total);

// What a control says of itself when it takes the focus, made from the window's captions as
// they are then: the answer box's name is the question, the new-question button's description
// the verdict and the counts (none while no verdict shows). Nothing: the control keeps what it
// has.
struct OnFocus {
  std::optional<std::string> name;
  std::optional<std::string> description;
};
OnFocus SpokenOnFocus(std::string_view control, const CaptionOf& caption);

// The name a reader hears for a control whose visible text (a sign, a picture, a caption with
// an access key) says nothing to a listener, e.g. "per" for the times sign; empty for the
// others, which are heard by their captions.
std::string_view SpokenName(std::string_view control);

// A heading and the value the window shows under or beside it: a reader hears them together.
struct Heading {
  std::string_view heading;
  std::string_view value;
};
std::span<const Heading> Headings();

// The clock's label: its caption changes every second while the focus stays put, so a reader
// hears it at most once per kClockQuietMs.
inline constexpr std::string_view kClock = "lblconto";
inline constexpr int kClockQuietMs = 1000;

}  // namespace quorvella::window
