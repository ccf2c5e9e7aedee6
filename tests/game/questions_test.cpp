// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Drawing questions and judging answers.
#include <gtest/gtest.h>

#include <array>

#include "common/temp_dir.h"
#include "fake/fake_form.h"

namespace quorvella::testing {
namespace {

struct ColourRow {
  int a, b;
  int red, green, blue;
};

class QuestionColour : public ::testing::TestWithParam<ColourRow> {};

TEST_P(QuestionColour, TintFollowsTheFactorsCappedAt255) {
  const auto& r = GetParam();
  TempDir dir;
  FakeGame g(dir.dir(), ScriptedRandom::Factors(r.a, r.b));
  g.Start("Anna");
  ASSERT_TRUE(g.window.backColor.has_value());
  EXPECT_EQ(*g.window.backColor, RGB(r.red, r.green, r.blue));
  EXPECT_EQ(g.game.state().Product, r.a * r.b);
}

INSTANTIATE_TEST_SUITE_P(Rows, QuestionColour,
                         ::testing::Values(ColourRow{7, 3, 140, 60, 255},
                                           ColourRow{5, 9, 100, 180, 250},
                                           ColourRow{6, 0, 120, 0, 255}, ColourRow{1, 0, 20, 0, 50},
                                           ColourRow{9, 9, 180, 180, 255}),
                         [](const auto& info) {
                           return std::to_string(info.param.a) + "x" + std::to_string(info.param.b);
                         });

TEST(Question, ZeroFirstFactorIsDrawnAgain) {
  TempDir dir;
  // 0.05 -> 0 (redrawn), 0.01 -> 0 (redrawn), 0.42 -> 4, then b from 0.0 -> 0.
  FakeGame g(dir.dir(), {0.05f, 0.01f, 0.42f, 0.0f});
  g.Start("Anna");
  EXPECT_EQ(g.Caption("lblNum1"), "4");
  EXPECT_EQ(g.Caption("lblNum2"), "0");
  EXPECT_EQ(g.game.state().Product, 0);
}

TEST(Question, FactorRangesAndUniformityWithTheRealGenerator) {
  SystemRandom random(20261208u);
  std::array<int, 10> as{}, bs{};
  constexpr int kDraws = 90000;
  for (int i = 0; i < kDraws; ++i) {
    const float r = random.Rnd();
    ASSERT_GE(r, 0.0f);
    ASSERT_LT(r, 1.0f);
  }
  TempDir dir;
  FakeUi ui;
  FixedClock clock;
  FilePool files;
  FakeWindow window;
  records::LocalStore store(dir.dir());
  Tavola game(Services{ui, random, clock, files, store});
  window.Attach(game);
  game.Attach(window);
  ui.names.push_back("Anna");
  window.Show();
  for (int i = 0; i < kDraws; ++i) {
    game.cmdNext_Click();
    ++as.at(std::stoi(window.get("lblNum1").text));
    ++bs.at(std::stoi(window.get("lblNum2").text));
  }
  EXPECT_EQ(as[0], 0);
  for (int v = 1; v <= 9; ++v) EXPECT_NEAR(as[v], kDraws / 9, kDraws / 9 / 10) << "a=" << v;
  for (int v = 0; v <= 9; ++v) EXPECT_NEAR(bs[v], kDraws / 10, kDraws / 10 / 10) << "b=" << v;
}

TEST(Question, NextClearsAnswerAndVerdictAndGivesFocusBack) {
  TempDir dir;
  FakeGame g(dir.dir(), ScriptedRandom::Factors(2, 3));
  g.Start("Anna");
  g.Type("7\r");  // wrong
  ASSERT_TRUE(g.window.get("cmdNext").enabled);
  ASSERT_EQ(g.window.focus, "cmdNext");
  g.game.cmdNext_Click();
  EXPECT_EQ(g.window.get("txtAnswer").text, "");
  EXPECT_EQ(g.Caption("lblMessage"), "");
  EXPECT_FALSE(g.window.get("cmdNext").enabled);
  EXPECT_EQ(g.window.focus, "txtAnswer");
  EXPECT_EQ(*g.window.backColor, RGB(40, 60, 100));
}

struct JudgeRow {
  const char* name;
  int a, b;
  std::string typed;
  std::string verdict;
  std::string right, wrong, total;
  bool black;
};

class Judging : public ::testing::TestWithParam<JudgeRow> {};

TEST_P(Judging, VerdictCountersAndColour) {
  const auto& r = GetParam();
  TempDir dir;
  FakeGame g(dir.dir(), ScriptedRandom::Factors(r.a, r.b));
  g.Start("Anna");
  const std::uint32_t tint = *g.window.backColor;
  g.window.get("txtAnswer").text = r.typed;
  std::int16_t key = 13;
  g.game.txtAnswer_KeyPress(key);
  EXPECT_EQ(key, 13);
  EXPECT_EQ(g.Caption("lblMessage"), r.verdict);
  EXPECT_EQ(g.Caption("lblScore"), r.right);
  EXPECT_EQ(g.Caption("lblScore1"), r.wrong);
  EXPECT_EQ(g.Caption("lblScore2"), r.total);
  EXPECT_EQ(*g.window.backColor, r.black ? RGB(0, 0, 0) : tint);
  EXPECT_TRUE(g.window.get("cmdNext").enabled);
  EXPECT_EQ(g.window.focus, "cmdNext");
  EXPECT_EQ(g.window.get("txtAnswer").text, r.typed);  // judging does not clear the answer
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Judging,
    ::testing::Values(
        JudgeRow{"right", 7, 3, "21", "Esatto, \xc3\xa8 incredibile!!!", "1", "0", "1", false},
        JudgeRow{"wrong", 6, 7, "41", "Sbagliato!! 42", "0", "1", "1", true},
        JudgeRow{"emptyProductZero", 4, 0, "", "Esatto, \xc3\xa8 incredibile!!!", "1", "0", "1",
                 false},
        JudgeRow{"emptyProductTwelve", 3, 4, "", "Sbagliato!! 12", "0", "1", "1", true},
        JudgeRow{"leadingZeros", 1, 7, "007", "Esatto, \xc3\xa8 incredibile!!!", "1", "0", "1",
                 false},
        JudgeRow{"largest", 9, 9, "9999", "Sbagliato!! 81", "0", "1", "1", true},
        // Only digits reach the box; should anything else ever be there, it is judged, never
        // a crash: a number too large for 16 bits is simply wrong.
        JudgeRow{"hugeText", 2, 2, "9e99", "Sbagliato!! 4", "0", "1", "1", true},
        JudgeRow{"hexText", 4, 4, "&H10", "Esatto, \xc3\xa8 incredibile!!!", "1", "0", "1", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Judging, SameQuestionJudgedTwiceThroughTheHandlerCountsTwice) {
  TempDir dir;
  FakeGame g(dir.dir(), ScriptedRandom::Factors(3, 3));
  g.Start("Anna");
  g.window.get("txtAnswer").text = "9";
  for (int i = 0; i < 2; ++i) {
    std::int16_t key = 13;
    g.game.txtAnswer_KeyPress(key);
  }
  EXPECT_EQ(g.Caption("lblScore"), "2");
  EXPECT_EQ(g.Caption("lblScore2"), "2");
}

TEST(Judging, EnterAfterAVerdictDrawsInsteadOfJudgingAgain) {
  TempDir dir;
  FakeGame g(dir.dir(), {0.35f, 0.45f, 0.55f, 0.65f});
  g.Start("Anna");
  g.Type("12\r");
  ASSERT_EQ(g.Caption("lblScore2"), "1");
  g.Key(13);  // the enabled default button takes it
  EXPECT_EQ(g.Caption("lblScore2"), "1");
  EXPECT_EQ(g.Caption("lblNum1"), "5");
  EXPECT_EQ(g.Caption("lblNum2"), "6");
}

TEST(KeyFilter, OnlyDigitsBackspaceAndEnterPass) {
  TempDir dir;
  FakeGame g(dir.dir(), ScriptedRandom::Factors(2, 2));
  g.Start("Anna");
  for (int code = 1; code < 256; ++code) {
    if (code == 13) continue;  // judging: covered above
    SCOPED_TRACE(code);
    const bool passes = (code >= '0' && code <= '9') || code == 8;
    auto key = static_cast<std::int16_t>(code);
    g.game.txtAnswer_KeyPress(key);
    EXPECT_EQ(key, passes ? code : 0);
  }
  EXPECT_EQ(g.Caption("lblScore2"), "0");
}

TEST(KeyFilter, TypedLettersAndSignsNeverReachTheBox) {
  TempDir dir;
  FakeGame g(dir.dir(), ScriptedRandom::Factors(2, 2));
  g.Start("Anna");
  g.Type(
      "a -.4x5\x1b"
      "67");
  EXPECT_EQ(g.window.get("txtAnswer").text, "4567");
  g.Type("8");  // a fifth digit is refused by the box
  EXPECT_EQ(g.window.get("txtAnswer").text, "4567");
  g.Key(8);
  EXPECT_EQ(g.window.get("txtAnswer").text, "456");
}

}  // namespace
}  // namespace quorvella::testing
