// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// What the window says to a screen reader: the question, the verdict with the counts, what a
// control says as it takes the focus, the spoken names, headings and clock that name real
// labels of the window, the time left and when it is announced, and the end of race's boxes.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "window/description.h"
#include "window/sentences.h"

namespace quorvella::window {
namespace {

using Captions = std::map<std::string, std::string, std::less<>>;

// The captions of a window, by name; a name not given has the empty caption.
CaptionOf CaptionsOf(const Captions& captions) {
  return [&captions](std::string_view name) {
    const auto it = captions.find(name);
    return it == captions.end() ? std::string() : it->second;
  };
}

TEST(Sentences, QuestionAndVerdict) {
  EXPECT_EQ(Question("7", "8"), "Quanto fa 7 per 8?");
  EXPECT_EQ(Question("", ""), "Risultato");  // before the first question
  EXPECT_EQ(Question("7", ""), "Risultato");
  EXPECT_EQ(Verdict("Esatto, \xc3\xa8 incredibile!!!", "3", "1", "4"),
            "Esatto, \xc3\xa8 incredibile!!! Esatte 3, errate 1, totali 4.");
  // The verdict is a sentence of its own: "42 Esatte 0" would be heard as 42 right answers.
  EXPECT_EQ(Verdict("Sbagliato!! 42", "0", "1", "1"),
            "Sbagliato!! 42. Esatte 0, errate 1, totali 1.");
  EXPECT_EQ(Verdict("Vero?", "1", "0", "1"), "Vero? Esatte 1, errate 0, totali 1.");
  EXPECT_EQ(Verdict("", "3", "1", "4"), "");  // a new question clears it
}

// Made from the captions as they are when the focus comes; other controls keep what they have.
TEST(Sentences, WhatAControlSaysAsItTakesTheFocus) {
  Captions captions = {
      {"lblNum1", "6"},  {"lblNum2", "0"},   {"lblMessage", "Sbagliato!! 0"},
      {"lblScore", "2"}, {"lblScore1", "1"}, {"lblScore2", "3"},
  };
  const CaptionOf caption = CaptionsOf(captions);
  EXPECT_EQ(SpokenOnFocus("txtAnswer", caption).name, "Quanto fa 6 per 0?");
  EXPECT_EQ(SpokenOnFocus("txtAnswer", caption).description, "");  // answered before: not again
  EXPECT_EQ(SpokenOnFocus("cmdNext", caption).description,
            "Sbagliato!! 0. Esatte 2, errate 1, totali 3.");
  EXPECT_FALSE(SpokenOnFocus("cmdNext", caption).name);
  captions["lblMessage"] = "";
  EXPECT_EQ(SpokenOnFocus("cmdNext", caption).description, "");
  // How to answer: the tooltip, read until the race's first answer.
  for (const char* total : {"0", ""}) {
    captions["lblScore2"] = total;
    EXPECT_EQ(SpokenOnFocus("txtAnswer", caption).description,
              "Inserisci il risultato e premi il tasto Invio.");
  }
  for (const char* other : {"cmdExit", "Command1", "lblScore"}) {
    const auto spoken = SpokenOnFocus(other, caption);
    EXPECT_FALSE(spoken.name || spoken.description) << other;
  }
}

TEST(Sentences, SpokenNamesHeadingsAndClockNameLabelsOfTheWindow) {
  const std::pair<const char*, const char*> names[] = {
      {"Label2", "per"},
      {"Label4", "uguale"},
      {"Image1", "Cronometro"},
      {"cmdNext", "Nuovo calcolo"},
      {"cmdExit", "Esci"},
      {"lblScore", ""},
      {"Command1", "Nessuna azione"},
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

// The time left in words for where-am-I, and the few ticks that announce it unasked.
TEST(Sentences, TimeLeftAndItsAnnouncements) {
  const struct {
    const char* clock;
    const char* left;
    const char* announced;  // nullptr: this tick says nothing
  } rows[] = {
      {"00:15:00", "Mancano 15 minuti", nullptr},  // the race's start is no news
      {"00:14:59", "Mancano 14 minuti e 59 secondi", nullptr},
      {"00:14:00", "Mancano 14 minuti", "Mancano 14 minuti"},
      {"00:05:00", "Mancano 5 minuti", "Mancano 5 minuti"},
      {"00:01:01", "Manca 1 minuto e 1 secondo", nullptr},
      {"00:01:00", "Manca 1 minuto", "Manca 1 minuto"},
      {"00:00:11", "Mancano 11 secondi", nullptr},
      {"00:00:10", "Mancano 10 secondi", "10 secondi"},
      {"00:00:09", "Mancano 9 secondi", nullptr},
      {"00:00:05", "Mancano 5 secondi", "5 secondi"},
      {"00:00:03", "Mancano 3 secondi", nullptr},
      {"00:00:02", "Mancano 2 secondi", "2 secondi"},
      {"00:00:01", "Manca 1 secondo", nullptr},
      {"00:00:00", "Tempo scaduto", nullptr},
      {"00.00.00", "", nullptr},  // the design-time caption is no clock
  };
  for (const auto& row : rows) {
    EXPECT_EQ(TimeLeft(row.clock), row.left) << row.clock;
    const auto announced = TimeAnnouncement(row.clock);
    EXPECT_EQ(announced.has_value(), row.announced != nullptr) << row.clock;
    if (announced && row.announced) {
      EXPECT_EQ(*announced, row.announced) << row.clock;
    }
  }
  int announcements = 0;
  for (int s = 15 * 60; s >= 0; --s) {
    char clock[9];
    std::snprintf(clock, sizeof clock, "00:%02d:%02d", s / 60, s % 60);
    announcements += TimeAnnouncement(clock) ? 1 : 0;
  }
  EXPECT_EQ(announcements, 14 + 3);  // a whole race
  Captions captions = {{"lblNum1", "7"}, {"lblNum2", "8"}, {"lblconto", "00:03:20"}};
  const CaptionOf caption = CaptionsOf(captions);
  EXPECT_EQ(QuestionAndTimeLeft(caption), "Quanto fa 7 per 8? Mancano 3 minuti e 20 secondi.");
  captions["lblconto"] = "00.00.00";
  EXPECT_EQ(QuestionAndTimeLeft(caption), "Quanto fa 7 per 8?");
}

// An announcement waits out the quiet after each move of the focus; only the newest waits.
TEST(Sentences, AnnouncementsWaitWhileTheFocusIsRead) {
  Announcements a;
  a.Add("Mancano 14 minuti");
  EXPECT_EQ(a.Take(100), "Mancano 14 minuti");  // no focus yet: at once
  EXPECT_FALSE(a.Take(100));                    // said once
  a.FocusMoved(1000);
  EXPECT_TRUE(a.Reading(1000 + kQuietAfterFocusMs - 1));
  EXPECT_FALSE(a.Reading(1000 + kQuietAfterFocusMs));
  a.Add("Mancano 13 minuti");
  EXPECT_EQ(a.Due(), 1000 + kQuietAfterFocusMs);
  EXPECT_FALSE(a.Take(1000 + kQuietAfterFocusMs - 1));
  a.Add("Mancano 12 minuti");  // replaces the one that waits
  a.FocusMoved(2000);          // a new question: the quiet starts again
  EXPECT_FALSE(a.Take(1000 + kQuietAfterFocusMs));
  EXPECT_EQ(a.Take(2000 + kQuietAfterFocusMs), "Mancano 12 minuti");
  EXPECT_FALSE(a.Due());
  // The last seconds: one that still waits as the last second comes is dropped, so nothing is
  // said once the farewell is due.
  a.FocusMoved(5000);
  a.ClockShows("00:00:02");
  a.ClockShows("00:00:01");
  EXPECT_FALSE(a.Take(5000 + kQuietAfterFocusMs));
  a.ClockShows("00:00:05");
  a.ClockShows("00:00:04");  // says nothing, drops nothing
  EXPECT_EQ(a.Take(5000 + kQuietAfterFocusMs), "5 secondi");
}

// After the game tells how the race ended, the farewell and the confirmation carry the result
// and the date in words; every other box, and every box before the end, nothing.
TEST(Sentences, TheEndOfRaceBoxesSayTheResult) {
  const std::string farewell = "Ciao a presto. Ore 17:05";
  const struct {
    const char* record;
    bool beaten;
    const char* date;
    const char* title;
    const char* result;
  } rows[] = {
      {"9\r\n", true, "08/12/2026", "Data 8 dicembre 2026", "Hai battuto il record di 9."},
      {"12", false, "09/12/2026", "Data 9 dicembre 2026", "Il record resta 12."},
      {"", true, "01/01/2027", "Data primo gennaio 2027", "Hai battuto il record."},
      {"  ", false, "31/10/2026", "Data 31 ottobre 2026", "Nessun record."},
      {"abc", true, "1/2/26", "Data 1/2/26", "Hai battuto il record di abc."},  // no short date
      {"0", false, "", "Data ", "Il record resta 0."},
  };
  for (const auto& row : rows) {
    EndOfRace end;
    EXPECT_FALSE(end.NextBox("INIZIAMO UNA NUOVA GARA  ?"));  // before the end
    end.RaceEnded({"12", "3", "15", row.record, row.beaten, row.date});
    EXPECT_EQ(
        end.NextBox(farewell),
        (SpokenBoxText{row.title, farewell + ". Esatte 12, errate 3, totali 15. " + row.result}))
        << row.record;
    EXPECT_EQ(end.NextBox("Ok ho registrato il tuo record, C A M P I O N E\""),
              (SpokenBoxText{"",
                             "Ok ho registrato il tuo record, campione. Esatte 12, errate 3, "
                             "totali 15."}));
    EXPECT_FALSE(end.NextBox("any"));
  }
  EXPECT_EQ(SpokenDate("29/02/2028"), "29 febbraio 2028");
  for (const char* notADate :
       {"00/12/2026", "08/13/2026", "08-12-2026", "8/12/2026x", "ab/cd/efgh"}) {
    EXPECT_EQ(SpokenDate(notADate), notADate);
  }
}

}  // namespace
}  // namespace quorvella::window
