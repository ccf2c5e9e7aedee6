// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "window/sentences.h"

#include <cctype>
#include <utility>

#include "platform/runtime.h"
#include "window/description.h"

namespace quorvella::window {
namespace {

struct Named {
  std::string_view control;
  std::string_view name;
};
constexpr Named kNames[] = {
    {"Label2", "per"},
    {"Label4", "uguale"},
    {"Image1", "Cronometro"},
    {"cmdNext", "Nuovo calcolo"},
    {"cmdExit", "Esci"},
    // Lies under cmdNext, never seen, does nothing; Tab still stops on it.
    {"Command1", "Nessuna azione"},
};

constexpr Heading kHeadings[] = {
    {"Label6", "lblScore"},  {"Label1", "lblScore1"}, {"Label3", "lblScore2"},
    {"Label11", "lblconto"}, {"Label14", "lblnome1"},
};

// The answer box's tooltip as a sentence: its double blanks are for the eye.
std::string HowToAnswer() {
  std::string hint;
  for (const auto& c : Tavola().controls) {
    if (c.name != "txtAnswer") continue;
    for (const char ch : c.tooltip) {
      if (ch != ' ' || (!hint.empty() && hint.back() != ' ')) hint += ch;
    }
  }
  return hint.empty() ? hint : hint + ".";
}

}  // namespace

std::string Question(std::string_view first, std::string_view second) {
  if (first.empty() || second.empty()) return "Risultato";
  return "Quanto fa " + std::string(first) + " per " + std::string(second) + "?";
}

std::string Verdict(std::string_view verdict, std::string_view right, std::string_view wrong,
                    std::string_view total) {
  if (verdict.empty()) return {};
  const bool closed = verdict.ends_with('.') || verdict.ends_with('!') || verdict.ends_with('?');
  return std::string(verdict) + (closed ? "" : ".") + " Esatte " + std::string(right) +
         ", errate " + std::string(wrong) + ", totali " + std::string(total) + ".";
}

OnFocus SpokenOnFocus(std::string_view control, const CaptionOf& caption) {
  OnFocus spoken;
  if (control == "txtAnswer") {
    spoken.name = Question(caption("lblNum1"), caption("lblNum2"));
    spoken.description = Val(caption("lblScore2")) == 0 ? HowToAnswer() : std::string();
  }
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

namespace {

// Seconds left on a clock caption "hh:mm:ss"; nothing for any other text.
std::optional<int> SecondsOn(std::string_view clock) {
  if (clock.size() != 8 || clock[2] != ':' || clock[5] != ':') return std::nullopt;
  int fields[3] = {};
  for (int f = 0; f < 3; ++f) {
    const char tens = clock[f * 3];
    const char ones = clock[f * 3 + 1];
    if (!std::isdigit(static_cast<unsigned char>(tens)) ||
        !std::isdigit(static_cast<unsigned char>(ones))) {
      return std::nullopt;
    }
    fields[f] = (tens - '0') * 10 + (ones - '0');
  }
  return fields[0] * 3600 + fields[1] * 60 + fields[2];
}

std::string Count(int n, std::string_view one, std::string_view many) {
  return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

std::string Trimmed(std::string text) {
  const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!text.empty() && blank(text.back())) text.pop_back();
  std::size_t start = 0;
  while (start < text.size() && blank(text[start])) ++start;
  return text.substr(start);
}

// The counts of the race and, for the farewell, how it stands against the record.
std::string Result(const RaceResult& race, bool withRecord) {
  std::string result =
      "Esatte " + race.right + ", errate " + race.wrong + ", totali " + race.total + ".";
  if (!withRecord) return result;
  const std::string record = Trimmed(race.record);
  if (record.empty()) return result + (race.beaten ? " Hai battuto il record." : " Nessun record.");
  return result + (race.beaten ? " Hai battuto il record di " : " Il record resta ") + record + ".";
}

}  // namespace

std::string TimeLeft(std::string_view clock) {
  const auto seconds = SecondsOn(clock);
  if (!seconds) return {};
  if (*seconds == 0) return "Tempo scaduto";
  const int minutes = *seconds / 60;
  const int rest = *seconds % 60;
  const int first = minutes > 0 ? minutes : rest;
  std::string text = first == 1 ? "Manca " : "Mancano ";
  if (minutes > 0) text += Count(minutes, "minuto", "minuti");
  if (minutes > 0 && rest > 0) text += " e ";
  if (rest > 0) text += Count(rest, "secondo", "secondi");
  return text;
}

std::optional<std::string> TimeAnnouncement(std::string_view clock) {
  const auto seconds = SecondsOn(clock);
  if (!seconds) return std::nullopt;
  if (*seconds == 10 || *seconds == 5 || *seconds == kLastAnnouncedSecond) {
    return Count(*seconds, "secondo", "secondi");
  }
  if (*seconds % 60 == 0 && *seconds >= 60 && *seconds <= 14 * 60) return TimeLeft(clock);
  return std::nullopt;
}

std::string QuestionAndTimeLeft(const CaptionOf& caption) {
  const std::string question = Question(caption("lblNum1"), caption("lblNum2"));
  const std::string time = TimeLeft(caption(kClock));
  return time.empty() ? question : question + " " + time + ".";
}

void Announcements::ClockShows(std::string_view clock) {
  if (auto sentence = TimeAnnouncement(clock)) {
    Add(std::move(*sentence));
  } else if (const auto seconds = SecondsOn(clock); seconds && *seconds < kLastAnnouncedSecond) {
    waiting_.reset();
  }
}

std::optional<std::int64_t> Announcements::Due() const {
  if (!waiting_) return std::nullopt;
  return lastFocus_ ? *lastFocus_ + kQuietAfterFocusMs : 0;
}

std::optional<std::string> Announcements::Take(std::int64_t now) {
  const auto due = Due();
  if (!due || now < *due) return std::nullopt;
  return std::exchange(waiting_, std::nullopt);
}

std::string SpokenDate(std::string_view date) {
  static constexpr const char* kMonths[] = {"gennaio",   "febbraio", "marzo",    "aprile",
                                            "maggio",    "giugno",   "luglio",   "agosto",
                                            "settembre", "ottobre",  "novembre", "dicembre"};
  const std::string text(date);
  const auto digits = [&date](std::size_t from, std::size_t n) {
    int value = 0;
    for (std::size_t i = from; i < from + n; ++i) {
      if (!std::isdigit(static_cast<unsigned char>(date[i]))) return -1;
      value = value * 10 + (date[i] - '0');
    }
    return value;
  };
  if (date.size() != 10 || date[2] != '/' || date[5] != '/') return text;
  const int day = digits(0, 2), month = digits(3, 2), year = digits(6, 4);
  if (day < 1 || day > 31 || month < 1 || month > 12 || year < 0) return text;
  return (day == 1 ? std::string("primo") : std::to_string(day)) + " " + kMonths[month - 1] + " " +
         std::to_string(year);
}

std::optional<SpokenBoxText> EndOfRace::NextBox(std::string_view prompt) {
  if (!result_) return std::nullopt;
  switch (++boxes_) {
    case 1:
      return SpokenBoxText{"Data " + SpokenDate(result_->date),
                           std::string(prompt) + ". " + Result(*result_, true)};
    case 2:
      return SpokenBoxText{{},
                           "Ok ho registrato il tuo record, campione. " + Result(*result_, false)};
    default:
      return std::nullopt;
  }
}

}  // namespace quorvella::window
