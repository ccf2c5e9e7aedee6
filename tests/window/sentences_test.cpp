// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// What the window says to a screen reader: the question, the verdict with the counts, what a
// control says as it takes the focus, the spoken names, and headings and clock that name real
// labels of the window.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "window/description.h"
#include "window/sentences.h"

namespace quorvella::window {
namespace {

TEST(Sentences, QuestionAndVerdict) {
  EXPECT_EQ(Question("7", "8"), "Quanto fa 7 per 8?");
  EXPECT_EQ(Question("", ""), "Risultato");  // before the first question
  EXPECT_EQ(Question("7", ""), "Risultato");
  EXPECT_EQ(Verdict("Esatto, \xc3\xa8 incredibile!!!", "3", "1", "4"),
            "Esatto, \xc3\xa8 incredibile!!! Esatte 3, errate 1, totali 4.");
  EXPECT_EQ(Verdict("Sbagliato!! 42", "0", "1", "1"),
            "Sbagliato!! 42 Esatte 0, errate 1, totali 1.");
  EXPECT_EQ(Verdict("", "3", "1", "4"), "");  // a new question clears it
}

// Made from the captions as they are when the focus comes; other controls keep what they have.
TEST(Sentences, WhatAControlSaysAsItTakesTheFocus) {
  std::map<std::string, std::string, std::less<>> captions = {
      {"lblNum1", "6"},  {"lblNum2", "0"},   {"lblMessage", "Sbagliato!! 0"},
      {"lblScore", "2"}, {"lblScore1", "1"}, {"lblScore2", "3"},
  };
  const CaptionOf caption = [&captions](std::string_view name) {
    const auto it = captions.find(name);
    return it == captions.end() ? std::string() : it->second;
  };
  EXPECT_EQ(SpokenOnFocus("txtAnswer", caption).name, "Quanto fa 6 per 0?");
  EXPECT_FALSE(SpokenOnFocus("txtAnswer", caption).description);
  EXPECT_EQ(SpokenOnFocus("cmdNext", caption).description,
            "Sbagliato!! 0 Esatte 2, errate 1, totali 3.");
  EXPECT_FALSE(SpokenOnFocus("cmdNext", caption).name);
  captions["lblMessage"] = "";
  EXPECT_EQ(SpokenOnFocus("cmdNext", caption).description, "");
  for (const char* other : {"cmdExit", "Command1", "lblScore"}) {
    const auto spoken = SpokenOnFocus(other, caption);
    EXPECT_FALSE(spoken.name || spoken.description) << other;
  }
}

TEST(Sentences, SpokenNamesHeadingsAndClockNameLabelsOfTheWindow) {
  const std::pair<const char*, const char*> names[] = {
      {"Label2", "per"},        {"Label4", "uguale"},
      {"Image1", "Cronometro"}, {"cmdNext", "Nuovo calcolo"},
      {"cmdExit", "Esci"},      {"lblScore", ""},
  };
  for (const auto& [control, spoken] : names) EXPECT_EQ(SpokenName(control), spoken) << control;

  auto kindOf = [](std::string_view name) -> std::optional<ControlKind> {
    for (const auto& c : Tavola().controls) {
      if (c.name == name) return c.kind;
    }
    return std::nullopt;
  };
  EXPECT_EQ(Headings().size(), 5u);
  for (const auto& h : Headings()) {
    EXPECT_EQ(kindOf(h.heading), ControlKind::kLabel) << h.heading;
    EXPECT_EQ(kindOf(h.value), ControlKind::kLabel) << h.value;
  }
  EXPECT_EQ(kindOf(kClock), ControlKind::kLabel);
  for (const auto& [control, spoken] : names) EXPECT_TRUE(kindOf(control)) << control;
}

}  // namespace
}  // namespace quorvella::window
