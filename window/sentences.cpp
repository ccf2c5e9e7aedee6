// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "window/sentences.h"

namespace quorvella::window {
namespace {

struct Named {
  std::string_view control;
  std::string_view name;
};
constexpr Named kNames[] = {
    {"Label2", "per"},        {"Label4", "uguale"},
    {"Image1", "Cronometro"}, {"cmdNext", "Nuovo calcolo"},
    {"cmdExit", "Esci"},
};

constexpr Heading kHeadings[] = {
    {"Label6", "lblScore"},  {"Label1", "lblScore1"}, {"Label3", "lblScore2"},
    {"Label11", "lblconto"}, {"Label14", "lblnome1"},
};

}  // namespace

std::string Question(std::string_view first, std::string_view second) {
  if (first.empty() || second.empty()) return "Risultato";
  return "Quanto fa " + std::string(first) + " per " + std::string(second) + "?";
}

std::string Verdict(std::string_view verdict, std::string_view right, std::string_view wrong,
                    std::string_view total) {
  if (verdict.empty()) return {};
  return std::string(verdict) + " Esatte " + std::string(right) + ", errate " + std::string(wrong) +
         ", totali " + std::string(total) + ".";
}

OnFocus SpokenOnFocus(std::string_view control, const CaptionOf& caption) {
  OnFocus spoken;
  if (control == "txtAnswer") spoken.name = Question(caption("lblNum1"), caption("lblNum2"));
  if (control == "cmdNext") {
    spoken.description = Verdict(caption("lblMessage"), caption("lblScore"), caption("lblScore1"),
                                 caption("lblScore2"));
  }
  return spoken;
}

std::string_view SpokenName(std::string_view control) {
  for (const auto& n : kNames) {
    if (n.control == control) return n.name;
  }
  return {};
}

std::span<const Heading> Headings() {
  return kHeadings;
}

}  // namespace quorvella::window
