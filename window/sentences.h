// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// What the window says to a screen reader, written once for every binding: the question as the
// answer box's name, the verdict with the counts as the new-question button's description, the
// names of the controls whose visible text says nothing to a listener, which heading introduces
// which value, how often the clock may speak, and what the boxes at the end of a race say. Each
// binding puts these where its platform's readers look; none writes a sentence or names a
// control of its own. Plain C++.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/toolkit.h"

namespace quorvella::window {

// The caption a control shows now, by the control's name.
using CaptionOf = std::function<std::string(std::string_view control)>;

// The question, e.g. "Quanto fa 7 per 8?"; before the first one, "Risultato".
std::string Question(std::string_view first, std::string_view second);

// The verdict and the counts as two sentences, e.g. "Esatto, è incredibile!!! Esatte 3, errate
// 1, totali 4." or "Sbagliato!! 42. Esatte 0, errate 1, totali 1." (a verdict that ends in no
// mark gets a full stop, or a reader runs the product into the counts); empty while no verdict
// shows.
std::string Verdict(std::string_view verdict, std::string_view right, std::string_view wrong,
                    std::string_view total);

// What a control says of itself when it takes the focus, made from the window's captions as
// they are then: the answer box's name is the question, and its description how to answer (the
// box's tooltip) until the race's first answer, empty after it, so a reader says it once rather
// than after every question; the new-question button's description is the verdict and the
// counts (none while no verdict shows). Nothing: the control keeps what it has.
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

// The time left in words, from the clock's caption ("00:13:20" gives "Mancano 13 minuti e 20
// secondi"); empty for a caption that is not a clock (the design-time "00.00.00").
std::string TimeLeft(std::string_view clock);

// What a reader is told of the time left as the clock shows `clock`, without asking: at each
// whole minute from 14 down to 1 ("Mancano 5 minuti", "Manca 1 minuto") and at 10, 5 and 2
// seconds ("10 secondi", "5 secondi", "2 secondi"); nothing at every other tick. A reader takes
// about a second and a half to say "notifica 10 secondi" at its default rate, and queues what
// comes while it speaks: one a second would run ever later, and the farewell would wait behind
// them. Three seconds or more between them leave room to spare, a slower voice included.
std::optional<std::string> TimeAnnouncement(std::string_view clock);
// The last second announced: nothing is said after it, so the farewell finds the reader silent.
inline constexpr int kLastAnnouncedSecond = 2;

// The answer box's name once it has the focus, for a reader's where-am-I: the question and the
// time left. As the focus comes it is the question alone (SpokenOnFocus).
std::string QuestionAndTimeLeft(const CaptionOf& caption);

// Announcements of the time wait while the question or the verdict the focus brought may still
// be being read (kQuietAfterFocusMs after each move of the focus), since a reader speaks an
// announcement at once and cuts off what it was saying. Only the newest one waits: an older time
// is no longer true. Times are milliseconds on any steady clock.
inline constexpr int kQuietAfterFocusMs = 3000;
class Announcements {
 public:
  void FocusMoved(std::int64_t now) { lastFocus_ = now; }
  void Add(std::string sentence) { waiting_ = std::move(sentence); }
  // The clock shows `clock`: its announcement, if it has one, waits to be made; once fewer than
  // kLastAnnouncedSecond seconds are left, one still waiting is dropped.
  void ClockShows(std::string_view clock);
  // The announcement to make now, if one waits and the quiet after the focus is over.
  std::optional<std::string> Take(std::int64_t now);
  // When the waiting announcement may be made; nothing when none waits.
  std::optional<std::int64_t> Due() const;
  // Whether what the focus brought may still be being read.
  bool Reading(std::int64_t now) const {
    return lastFocus_ && now < *lastFocus_ + kQuietAfterFocusMs;
  }

 private:
  std::optional<std::string> waiting_;
  std::optional<std::int64_t> lastFocus_;
};

// The day in words for a reader, from the short date the farewell shows ("08/12/2026" gives
// "8 dicembre 2026", "01/05/2027" "primo maggio 2027"); any other text as it is.
std::string SpokenDate(std::string_view date);

// What a reader hears of a box in place of what it shows: its title (empty: the shown one) and
// its text.
struct SpokenBoxText {
  std::string title;
  std::string text;
  bool operator==(const SpokenBoxText&) const = default;
};

// The boxes at the end of a race. The game tells the binding how the race ended (Ui::RaceEnded)
// just before the farewell; the next message box is the farewell, the one after it the record's
// confirmation. Their shown texts say the date as digits, the time of day and, for a new record,
// "C A M P I O N E" letter by letter; a reader hears the date in words and the race's result:
// "Data 8 dicembre 2026" and "Ciao a presto. Ore 17:05. Esatte 12, errate 3, totali 15. Il
// record resta 20.", then "Ok ho registrato il tuo record, campione. Esatte 13, ...".
class EndOfRace {
 public:
  void RaceEnded(const RaceResult& result) {
    result_ = result;
    boxes_ = 0;
  }
  // What a reader hears of the message box about to open, whose shown text is `prompt`; nothing
  // for every box before the race ended.
  std::optional<SpokenBoxText> NextBox(std::string_view prompt);

 private:
  std::optional<RaceResult> result_;
  int boxes_ = 0;
};

}  // namespace quorvella::window
