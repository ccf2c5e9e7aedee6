// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Start-up: name box, greeting, clock, record files created and shown.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/temp_dir.h"
#include "fake/fake_form.h"
#include "window/description.h"
#include "window/handlers.h"

namespace quorvella::testing {
namespace {

TEST(Startup, AsksNameGreetsAndShowsClockBeforeTheWindow) {
  TempDir dir;
  FakeGame g(dir.dir());
  g.Start("Anna");

  ASSERT_GE(g.ui.calls.size(), 2u);
  EXPECT_EQ(g.ui.calls[0].kind, "input");
  EXPECT_EQ(g.ui.calls[0].prompt, "Come ti chiami?");
  EXPECT_EQ(g.ui.calls[1].kind, "msg");
  EXPECT_EQ(g.ui.calls[1].prompt, " Anna vediamo se sei un vero campione  ");
  EXPECT_EQ(g.ui.calls[1].style, vbOKOnly);
  EXPECT_FALSE(g.ui.calls[1].title.has_value());  // the application title shows

  EXPECT_EQ(g.Caption("lblnome1"), "Anna");
  EXPECT_EQ(g.Caption("lblconto"), "00:15:00");
  EXPECT_TRUE(g.window.get("Timer1").enabled);
  const GameState& s = g.game.state();
  EXPECT_EQ(s.ClockHours, 0);
  EXPECT_EQ(s.ClockMinutes, 15);
  EXPECT_EQ(s.ClockSeconds, 0);
  EXPECT_EQ(s.SecondsLeft, 900);
  EXPECT_EQ(s.RightCount, 0);
  EXPECT_EQ(s.WrongCount, 0);
  EXPECT_EQ(s.WinDir, dir.dir());
}

TEST(Startup, CancelledNameGivesGreetingWithTwoLeadingBlanks) {
  TempDir dir;
  FakeGame g(dir.dir());
  g.Start("");
  EXPECT_EQ(g.ui.calls[1].prompt, "  vediamo se sei un vero campione  ");
  EXPECT_EQ(g.Caption("lblnome1"), "");
}

// A name is one line of at most 255 characters: control characters (a line break would split
// n.txt, an escape would reach a terminal) are dropped before it is shown or stored.
TEST(Startup, NameLosesControlCharactersAndStopsAt255Characters) {
  const struct {
    std::string typed, kept;
  } rows[] = {
      {"Anna\nRossi", "AnnaRossi"},
      {"\x1b[31mBruno\x07", "[31mBruno"},
      {"Nicol\xc3\xb2\xc2\x85\t", "Nicol\xc3\xb2"},
      {std::string(300, 'x'), std::string(255, 'x')},
      {[] {
         std::string s;
         for (int i = 0; i < 300; ++i) s += "\xc3\xa8";
         return s;
       }(),
       [] {
         std::string s;
         for (int i = 0; i < 255; ++i) s += "\xc3\xa8";
         return s;
       }()},
  };
  for (const auto& row : rows) {
    TempDir dir;
    FakeGame g(dir.dir());
    g.Start(row.typed);
    EXPECT_EQ(g.Caption("lblnome1"), row.kept);
    EXPECT_EQ(g.ui.calls[1].prompt, " " + row.kept + " vediamo se sei un vero campione  ");
  }
}

TEST(Startup, FirstStartCreatesBothRecordFilesEmpty) {
  TempDir dir;
  FakeGame g(dir.dir());
  g.Start("Anna");
  for (const char* f : {"a.txt", "n.txt"}) {
    SCOPED_TRACE(f);
    ASSERT_TRUE(std::filesystem::is_regular_file(dir.file(f)));
    EXPECT_EQ(std::filesystem::file_size(dir.file(f)), 0u);
  }
  EXPECT_EQ(g.Caption("lblpunti"), "");
  EXPECT_EQ(g.Caption("lblnome"), "");
  EXPECT_EQ(g.files.FreeFile(), 1);  // every record file was closed again
}

TEST(Startup, MissingRecordDirectoryIsCreated) {
  TempDir dir;
  const std::string nested = dir.dir() + "games/quorvella/";
  FakeGame g(nested);
  g.Start("Anna");
  EXPECT_TRUE(std::filesystem::is_regular_file(nested + "a.txt"));
}

struct StoredRecord {
  const char* name;
  std::string scoreBytes;
  std::string nameBytes;
  std::string shownScore;
  std::string shownName;
};

class StoredRecordShown : public ::testing::TestWithParam<StoredRecord> {};

TEST_P(StoredRecordShown, WholeContentIncludingLineEnd) {
  const auto& row = GetParam();
  TempDir dir;
  WriteBytes(dir.file("a.txt"), row.scoreBytes);
  WriteBytes(dir.file("n.txt"), row.nameBytes);
  FakeGame g(dir.dir());
  g.Start("Bruno");
  EXPECT_EQ(g.Caption("lblpunti"), row.shownScore);
  EXPECT_EQ(g.Caption("lblnome"), row.shownName);
  // Start-up never rewrites what it found.
  EXPECT_EQ(ReadBytes(dir.file("a.txt")), row.scoreBytes);
  EXPECT_EQ(ReadBytes(dir.file("n.txt")), row.nameBytes);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StoredRecordShown,
    ::testing::Values(StoredRecord{"crlf", "12\r\n", "Carla\r\n", "12\r\n", "Carla\r\n"},
                      StoredRecord{"padded", "12            ", "Carla         ", "12            ",
                                   "Carla         "},
                      StoredRecord{"bare", "7", "Dino", "7", "Dino"},
                      StoredRecord{"accented", "30\r\n", "Nicol\xf2 \x80\r\n", "30\r\n",
                                   "Nicol\xc3\xb2 \xe2\x82\xac\r\n"},
                      StoredRecord{"words", "  15 parole\r\n", "\r\n", "  15 parole\r\n", "\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Startup, RecordDirectoryThatCannotBeCreatedIsARunTimeErrorNamingIt) {
  TempDir dir;
  WriteBytes(dir.file("plain"), "not a directory");
  const std::string bad = dir.dir() + "plain/sub/";
  FakeGame g(bad);
  try {
    g.Start("Anna");
    FAIL() << "start-up went on without a record directory";
  } catch (const RuntimeError& e) {
    EXPECT_NE(e.Message().find(bad), std::string::npos) << e.Message();
    EXPECT_FALSE(e.reason().empty());
  }
}

TEST(Startup, ActivationDrawsTheFirstQuestion) {
  TempDir dir;
  FakeGame g(dir.dir(), ScriptedRandom::Factors(7, 3));
  g.Start("Anna");
  EXPECT_EQ(g.Caption("lblNum1"), "7");
  EXPECT_EQ(g.Caption("lblNum2"), "3");
  EXPECT_EQ(g.game.state().Product, 21);
  EXPECT_EQ(g.window.focus, "txtAnswer");
  EXPECT_FALSE(g.window.get("cmdNext").enabled);
  EXPECT_EQ(g.window.caption, "Giocare con la tavola pitagorica");
}

// A binding calls the game only by the window's handler table, which it checks against the game
// when it loads the window: every row must reach a handler, and the key press must reach the
// filter with its code by reference.
TEST(Handlers, EveryRowOfTheWindowsHandlerTableResolves) {
  TempDir dir;
  FakeGame g(dir.dir());
  const window::Handlers handlers(window::Tavola(), g.game);
  EXPECT_FALSE(g.game.Handles("Form_Unload"));
  EXPECT_THROW(g.game.Call("Form_Unload"), std::logic_error);
  std::int16_t key = 'a';
  handlers.Call("txtAnswer", window::Event::kKeyPress, &key);
  EXPECT_EQ(key, 0);
}

}  // namespace
}  // namespace quorvella::testing
