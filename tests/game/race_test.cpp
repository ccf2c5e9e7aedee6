// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The race clock, the end of the race with the record, and the window commands.
#include <gtest/gtest.h>

#include "common/record_files.h"
#include "fake/fake_form.h"

namespace quorvella::testing {
namespace {

struct TickRow {
  int ticks;
  std::string clock;
  std::size_t heard;      // announcements of the time left made by then
  std::string lastHeard;  // the newest of them
  std::string whereAmI;   // the answer box's name on a where-am-I then
};

class Countdown : public ::testing::TestWithParam<TickRow> {};

TEST_P(Countdown, ClockTextAfterTicks) {
  TempDir dir;
  FakeGame g(dir.dir());
  g.Start("Anna");
  ASSERT_FALSE(g.Tick(GetParam().ticks));
  EXPECT_EQ(g.Caption("lblconto"), GetParam().clock);
  const GameState& s = g.game.state();
  EXPECT_EQ((s.ClockHours * 60 + s.ClockMinutes) * 60 + s.ClockSeconds, s.SecondsLeft);
  // What a reader hears meanwhile, by the bindings' rules.
  EXPECT_EQ(g.window.announced.size(), GetParam().heard);
  EXPECT_EQ(g.window.announced.empty() ? "" : g.window.announced.back(), GetParam().lastHeard);
  EXPECT_EQ(g.window.WhereAmI(), GetParam().whereAmI);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Countdown,
    ::testing::Values(
        TickRow{0, "00:15:00", 0, "", "Quanto fa 3 per 4?"},
        TickRow{1, "00:14:59", 0, "", "Quanto fa 3 per 4?"},  // the question is being read
        TickRow{3, "00:14:57", 0, "", "Quanto fa 3 per 4? Mancano 14 minuti e 57 secondi."},
        TickRow{60, "00:14:00", 1, "Mancano 14 minuti", "Quanto fa 3 per 4? Mancano 14 minuti."},
        TickRow{61, "00:13:59", 1, "Mancano 14 minuti",
                "Quanto fa 3 per 4? Mancano 13 minuti e 59 secondi."},
        TickRow{899, "00:00:01", 17, "2 secondi", "Quanto fa 3 per 4? Manca 1 secondo."},
        TickRow{900, "00:00:00", 17, "2 secondi", "Quanto fa 3 per 4? Tempo scaduto."}),
    [](const auto& info) { return "after" + std::to_string(info.param.ticks) + "ticks"; });

// An announcement of the time left waits while what the focus brought may still be read.
TEST(Countdown, TheTimeLeftWaitsForTheVerdict) {
  TempDir dir;
  FakeGame g(dir.dir(), ScriptedRandom::Factors(2, 3));
  g.Start("Anna");
  ASSERT_FALSE(g.Tick(59));
  g.Type("6\r");  // judged: the focus goes to the new-question button with the verdict
  ASSERT_EQ(g.window.focus, "cmdNext");
  ASSERT_FALSE(g.Tick(2));
  EXPECT_TRUE(g.window.announced.empty());
  ASSERT_FALSE(g.Tick(1));
  EXPECT_EQ(g.window.announced, std::vector<std::string>{"Mancano 14 minuti"});
}

TEST(Countdown, RaceEndsOnThe901stTickAndNeverShowsANegativeField) {
  TempDir dir;
  FakeGame g(dir.dir());
  g.Start("Anna");
  for (int i = 1; i <= 900; ++i) {
    ASSERT_FALSE(g.Tick(1)) << "ended early at tick " << i;
    ASSERT_EQ(g.Caption("lblconto").find('-'), std::string::npos);
  }
  EXPECT_EQ(g.game.state().SecondsLeft, 0);
  EXPECT_TRUE(g.Tick(1));
  EXPECT_EQ(g.ui.ends, 1);
  EXPECT_FALSE(g.window.get("Timer1").enabled);  // no second farewell while its box is open
  EXPECT_EQ(g.ui.calls.back().title.value_or(""), "Data 08/12/2026");
  EXPECT_EQ(g.ui.calls.back().prompt, "Ciao a presto. Ore 17:05");
  // What a reader hears of it, from how the game said the race ended.
  EXPECT_EQ(g.ui.races, (std::vector<RaceResult>{{"0", "0", "0", "", false, "08/12/2026"}}));
  EXPECT_EQ(g.ui.calls.back().spoken,
            (window::SpokenBoxText{"Data 8 dicembre 2026",
                                   "Ciao a presto. Ore 17:05. Esatte 0, "
                                   "errate 0, totali 0. Nessun record."}));
}

TEST(Countdown, ClockWithHoursBorrowsFromTheHours) {
  TempDir dir;
  FakeGame g(dir.dir());
  g.Start("Anna");
  ASSERT_FALSE(g.Tick(900));
  // A clock armed with hours left: 01:00:00 -> 00:59:59.
  auto& s = const_cast<GameState&>(g.game.state());
  s.ClockHours = 1;
  s.ClockMinutes = 0;
  s.ClockSeconds = 0;
  s.SecondsLeft = 3600;
  g.window.get("lblconto").text = "01:00:00";
  ASSERT_FALSE(g.Tick(1));
  EXPECT_EQ(g.Caption("lblconto"), "00:59:59");
  EXPECT_EQ(g.game.state().SecondsLeft, 3599);
}

struct RecordRow {
  const char* name;
  std::string storedScore;  // bytes of a.txt before the race ("" = empty file)
  int right;
  int wrong;
  std::string player;
  bool written;
};

class RecordKeeping : public ::testing::TestWithParam<RecordRow> {};

TEST_P(RecordKeeping, BeatenOnlyByMoreCorrectAnswers) {
  const auto& r = GetParam();
  TempDir dir;
  WriteBytes(dir.file("a.txt"), r.storedScore);
  WriteBytes(dir.file("n.txt"), "Vecchio\r\n");
  FakeGame g(dir.dir(), ScriptedRandom::Factors(2, 3));
  g.Start(r.player);
  for (int i = 0; i < r.right; ++i) g.Type("6\r\r");
  for (int i = 0; i < r.wrong; ++i) g.Type("5\r\r");
  ASSERT_EQ(g.Caption("lblScore"), std::to_string(r.right));
  const std::size_t boxesBefore = g.ui.calls.size();
  ASSERT_TRUE(g.Tick(901));
  // One rule decides, and a race that does not beat the record leaves the store alone (no lock
  // is waited for, no error can come).
  ASSERT_EQ(g.ui.races.size(), 1u);
  EXPECT_EQ(g.ui.races[0].beaten, r.written);
  EXPECT_EQ(g.ui.races[0].record, r.storedScore);
  EXPECT_EQ(g.counted.writes, r.written ? 1 : 0);

  const std::string player1252 = Cp1252FromUtf8(r.player);
  if (r.written) {
    EXPECT_EQ(ReadBytes(dir.file("a.txt")), std::to_string(r.right) + "\r\n");
    EXPECT_EQ(ReadBytes(dir.file("n.txt")), player1252 + "\r\n");
    ASSERT_EQ(g.ui.calls.size(), boxesBefore + 2);
    EXPECT_EQ(g.ui.calls.back().prompt, "Ok ho registrato il tuo record, C A M P I O N E\"");
    EXPECT_FALSE(g.ui.calls.back().title.has_value());
    EXPECT_EQ(g.ui.calls.back().spoken->text, "Ok ho registrato il tuo record, campione. Esatte " +
                                                  std::to_string(r.right) + ", errate " +
                                                  std::to_string(r.wrong) + ", totali " +
                                                  std::to_string(r.right + r.wrong) + ".");
  } else {
    EXPECT_EQ(ReadBytes(dir.file("a.txt")), r.storedScore);
    EXPECT_EQ(ReadBytes(dir.file("n.txt")), "Vecchio\r\n");
    EXPECT_EQ(g.ui.calls.size(), boxesBefore + 1);  // the farewell only
  }
  EXPECT_EQ(g.ui.ends, 1);
  // Nothing but the store's own files is left in the directory.
  EXPECT_EQ(Leftovers(dir.dir()), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RecordKeeping,
    ::testing::Values(RecordRow{"emptyNoAnswer", "", 0, 0, "Anna", false},
                      RecordRow{"emptyOneRight", "", 1, 0, "Anna", true},
                      RecordRow{"tie", "12\r\n", 12, 0, "Anna", false},
                      RecordRow{"beaten", "12\r\n", 13, 0, "Anna", true},
                      RecordRow{"wordsAfter", "  15 parole", 15, 3, "Anna", false},
                      RecordRow{"wordsAfterBeaten", "  15 parole", 16, 0, "Anna", true},
                      RecordRow{"halfNotBeaten", "12.5", 12, 0, "Anna", false},
                      RecordRow{"halfBeaten", "12.5", 13, 0, "Anna", true},
                      RecordRow{"wrongDoNotCount", "3", 2, 9, "Anna", false},
                      RecordRow{"noName", "", 1, 0, "", true},
                      RecordRow{"accented", "", 2, 0, "Nicol\xc3\xb2 P\xc3\xa9rez \xe2\x82\xac",
                                true},
                      RecordRow{"lettersFirst", "abc", 1, 0, "Anna", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RecordKeeping, AccentedNameLandsAsWindows1252Bytes) {
  TempDir dir;
  FakeGame g(dir.dir(), ScriptedRandom::Factors(2, 3));
  g.Start("Nicol\xc3\xb2");
  g.Type("6\r");
  ASSERT_TRUE(g.Tick(901));
  EXPECT_EQ(ReadBytes(dir.file("n.txt")), "Nicol\xf2\r\n");
}

// A write that fails before its journal is safe leaves the old record; one that fails after it
// is finished by the next start. Neither is confirmed.
TEST(RecordKeeping, FailedWriteConfirmsNothingAndLeavesOneWholeRecord) {
  for (const auto& [failAt, shown] :
       {std::pair{"journal-sync", "3\r\n"}, std::pair{"a-write", "4\r\n"}}) {
    SCOPED_TRACE(failAt);
    TempDir dir;
    WriteBytes(dir.file("a.txt"), "3\r\n");
    WriteBytes(dir.file("n.txt"), "Vecchio\r\n");
    FakeGame g(dir.dir(), ScriptedRandom::Factors(2, 3));
    g.store.beforeStep = [&](std::string_view step) {
      if (step == failAt) throw RuntimeError(err::kDiskFull, "Disco pieno", dir.file("a.txt"), "t");
    };
    g.Start("Anna");
    for (int i = 0; i < 4; ++i) g.Type("6\r\r");
    const std::size_t boxes = g.ui.calls.size();
    EXPECT_THROW(g.Tick(901), RuntimeError);
    EXPECT_EQ(g.ui.calls.size(), boxes + 1);  // the farewell, no confirmation
    FakeGame later(dir.dir());
    later.Start("Bruno");
    EXPECT_EQ(later.Caption("lblpunti"), shown);
    EXPECT_EQ(later.Caption("lblnome"), std::string(shown) == "3\r\n" ? "Vecchio\r\n" : "Anna\r\n");
  }
}

TEST(WindowCommands, NoKeepsTheRaceAsItIs) {
  TempDir dir;
  FakeGame g(dir.dir(), ScriptedRandom::Factors(2, 3));
  g.Start("Anna");
  g.Type("6\r");
  ASSERT_FALSE(g.Tick(5));
  g.ui.answers.push_back(vbNo);
  g.game.Next_Click();
  const auto& box = g.ui.calls.back();
  EXPECT_EQ(box.prompt, "INIZIAMO UNA NUOVA GARA  ?");
  EXPECT_EQ(box.style, 292);
  EXPECT_EQ(box.title.value_or(""), "INIZIARE NUOVA GARA");
  EXPECT_EQ(g.window.loads, 1);
  EXPECT_EQ(g.Caption("lblScore"), "1");
  EXPECT_EQ(g.Caption("lblNum1"), "2");
  EXPECT_EQ(g.Caption("lblconto"), "00:14:55");
}

TEST(WindowCommands, YesReloadsTheWindowAndStartsAFreshRace) {
  TempDir dir;
  FakeGame g(dir.dir(), {0.25f, 0.35f, 0.85f, 0.15f});
  g.Start("Anna");
  g.Type("6\r");
  g.Type("\r");
  g.Type("1\r");
  ASSERT_FALSE(g.Tick(30));
  g.ui.answers.push_back(vbYes);
  g.ui.names.push_back("Bruno");
  g.game.Next_Click();
  EXPECT_EQ(g.window.loads, 2);
  EXPECT_EQ(g.Caption("lblnome1"), "Bruno");
  EXPECT_EQ(g.ui.calls.back().prompt, " Bruno vediamo se sei un vero campione  ");
  for (const char* counter : {"lblScore", "lblScore1", "lblScore2"}) {
    EXPECT_EQ(g.Caption(counter), "0") << counter;
  }
  EXPECT_EQ(g.Caption("lblconto"), "00:15:00");
  EXPECT_FALSE(g.window.get("cmdNext").enabled);
  EXPECT_EQ(g.window.focus, "txtAnswer");
  EXPECT_EQ(g.Caption("lblMessage"), "");
  EXPECT_FALSE(g.Caption("lblNum1").empty());  // a new first question
  EXPECT_EQ(g.game.state().RightCount, 0);
  EXPECT_EQ(g.game.state().WrongCount, 0);
}

TEST(WindowCommands, ExitEndsAtOnceWritingNothing) {
  TempDir dir;
  FakeGame g(dir.dir(), ScriptedRandom::Factors(2, 3));
  g.Start("Anna");
  for (int i = 0; i < 3; ++i) g.Type("6\r\r");
  const std::size_t boxes = g.ui.calls.size();
  EXPECT_THROW(g.game.cmdExit_Click(), ProgramEnded);
  EXPECT_EQ(g.ui.calls.size(), boxes);
  EXPECT_EQ(ReadBytes(dir.file("a.txt")), "");
  EXPECT_EQ(ReadBytes(dir.file("n.txt")), "");
}

TEST(WindowCommands, MinimizedCaptionAndRestore) {
  TempDir dir;
  FakeGame g(dir.dir());
  g.Start("Anna");
  EXPECT_EQ(g.window.caption, "Giocare con la tavola pitagorica");
  g.window.state = vbMinimized;
  g.game.Form_Resize();
  const std::string minimized = g.window.caption;
  EXPECT_NE(minimized, "Giocare con la tavola pitagorica");
  ASSERT_FALSE(g.Tick(10));
  EXPECT_EQ(g.window.caption, minimized);        // the tick leaves it alone
  EXPECT_EQ(g.Caption("lblconto"), "00:14:50");  // and the clock does not pause
  g.window.state = vbNormal;
  g.game.Form_Resize();
  EXPECT_EQ(g.window.caption, "Giocare con la tavola pitagorica");
}

}  // namespace
}  // namespace quorvella::testing
