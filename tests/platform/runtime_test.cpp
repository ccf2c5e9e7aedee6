// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "platform/runtime.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "error_of.h"

namespace quorvella {
namespace {

using testing::ErrorOf;

constexpr double kInf = std::numeric_limits<double>::infinity();

struct ValRow {
  const char* text;
  double expected;
};

class ValTest : public ::testing::TestWithParam<ValRow> {};

// A row's name from its text: letters and digits as they are, the other characters spelt out.
std::string ValRowName(const ::testing::TestParamInfo<ValRow>& info) {
  static const std::map<char, std::string> spelt{{' ', "_"},   {'\t', "tab"},  {'\n', "lf"},
                                                 {'\r', "cr"}, {'-', "minus"}, {'+', "plus"},
                                                 {'.', "dot"}, {',', "comma"}, {'&', "amp"}};
  std::string name;
  for (const char c : std::string_view(info.param.text)) {
    const auto it = spelt.find(c);
    if (it != spelt.end()) {
      name += it->second;
    } else {
      name += std::isalnum(static_cast<unsigned char>(c)) ? c : 'x';
    }
  }
  return name.empty() ? "empty" : name;
}

TEST_P(ValTest, ReadsTheLeadingNumber) {
  const ValRow& row = GetParam();
  EXPECT_EQ(Val(row.text), row.expected) << '"' << row.text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ValTest,
    ::testing::Values(
        // blanks, tabs and line feeds are ignored wherever they stand; a CR stops the number
        ValRow{"  15 parole", 15}, ValRow{"1 2", 12}, ValRow{"\t\n 4 2", 42}, ValRow{"12\r\n", 12},
        ValRow{"12\r34", 12}, ValRow{"- 3", -3},
        // no number at all
        ValRow{"", 0}, ValRow{"abc", 0}, ValRow{"-", 0}, ValRow{".", 0}, ValRow{"+.e5", 0},
        // sign, fraction, exponent
        ValRow{"-3", -3}, ValRow{"+7", 7}, ValRow{"007", 7}, ValRow{"12.5", 12.5},
        ValRow{".5", 0.5}, ValRow{"1.2.3", 1.2}, ValRow{"1,5", 1}, ValRow{"1.5e2", 150},
        ValRow{"1.5E+2x", 150}, ValRow{"25e-2", 0.25}, ValRow{"1D2", 100}, ValRow{"2e", 2},
        ValRow{"2e+", 2}, ValRow{"3 e 1", 30}, ValRow{"0.000", 0},
        // beyond a double's range: infinity or zero, never an exception
        ValRow{"1e999", kInf}, ValRow{"-1e999", -kInf}, ValRow{"1e-999", 0},
        ValRow{"1e99999999999999999999999", kInf}, ValRow{"4.9e-324", 4.9e-324},
        // hexadecimal and octal: 16-bit values signed, then 32-bit values signed
        ValRow{"&H1F", 31}, ValRow{"&h1f", 31}, ValRow{"&O17", 15}, ValRow{"&17", 15},
        ValRow{"&18", 1}, ValRow{"&HFFFF", -1}, ValRow{"&H8000", -32768}, ValRow{"&H7FFF", 32767},
        ValRow{"&H10000", 65536}, ValRow{"&HFFFFFFFF", -1}, ValRow{"&H100000000", 4294967296.0},
        ValRow{"&H", 0}, ValRow{"&HZ", 0}, ValRow{"&", 0}),
    ValRowName);

TEST(Val, LongTextsAreReadInLinearTime) {
  // Ten thousand digits: a one followed by zeros overflows, zeros before a five do not.
  std::string one(10000, '0');
  one[0] = '1';
  EXPECT_EQ(Val(one), kInf);
  EXPECT_EQ(Val(std::string(9999, '0') + "5"), 5);
  std::string tiny = "0.";
  tiny.append(9999, '0');
  tiny += "1e10000";
  EXPECT_EQ(Val(tiny), 1);
  EXPECT_TRUE(std::isfinite(Val("&H" + std::string(10000, 'F'))));

  const std::string huge = "3." + std::string(2'000'000, '3') + " 4";
  const auto start = std::chrono::steady_clock::now();
  const double value = Val(huge);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_NEAR(value, 10.0 / 3.0, 1e-12);
  EXPECT_LT(elapsed, std::chrono::seconds(2));
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  const std::pair<double, double> rows[] = {
      {2.5, 2},       {3.5, 4},
      {-2.5, -2},     {0.5, 0},
      {1.5, 2},       {-1.5, -2},
      {2.4999999, 2}, {2.500001, 3},
      {-2.6, -3},     {-0.4, 0},
      {1e300, 1e300}, {4503599627370497.0, 4503599627370497.0},  // 2^52 + 1, already whole
  };
  for (const auto& [value, expected] : rows) {
    SCOPED_TRACE(value);
    EXPECT_EQ(RoundHalfEven(value), expected);
  }
  EXPECT_TRUE(std::isnan(RoundHalfEven(std::nan(""))));
}

TEST(CInt, RoundsAndChecksTheSixteenBitRange) {
  const std::pair<double, int> fits[] = {{2.5, 2},           {3.5, 4},           {32767.4, 32767},
                                         {-32768.5, -32768}, {-32767.5, -32768}, {0.0, 0}};
  for (const auto& [value, expected] : fits) {
    SCOPED_TRACE(value);
    EXPECT_EQ(CInt(value), expected);
  }
  for (const double value : {32767.5, 32768.0, -32768.6, -1e10, kInf, -kInf, std::nan("")}) {
    SCOPED_TRACE(value);
    const auto error = ErrorOf([&] { CInt(value); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), err::kOverflow);
  }
}

TEST(Format, PadsOrWritesPlainIntegers) {
  struct Row {
    double value;
    const char* format;
    const char* expected;
  };
  const Row rows[] = {
      {5, "00", "05"},    {15, "00", "15"},         {0, "00", "00"},
      {123, "00", "123"}, {-5, "00", "-05"},        {2.5, "00", "02"},
      {3.5, "#0", "4"},   {0, "#0", "0"},           {-3, "#0", "-3"},
      {-0.4, "#0", "0"},  {12345, "###0", "12345"}, {1234567, "####0", "1234567"},
      {7, "000", "007"},  {42, "bogus", "42"},      {1e20, "#0", "100000000000000000000"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.format) + " " + std::to_string(row.value));
    EXPECT_EQ(Format(row.value, row.format), row.expected);
  }
}

TEST(RGB, LimitsEachComponent) {
  struct Row {
    int r, g, b;
    std::uint32_t expected;
  };
  const Row rows[] = {
      {140, 60, 255, 140 + 256 * 60 + 65536 * 255},
      {0, 0, 0, 0},
      {255, 255, 255, 0xFFFFFF},
      {300, -5, 128, 255 + 65536 * 128},
      {-1, 256, 1000, 256 * 255 + 65536 * 255},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.r) + "," + std::to_string(row.g) + "," + std::to_string(row.b));
    EXPECT_EQ(RGB(row.r, row.g, row.b), row.expected);
  }
}

TEST(RuntimeError, MessageNamesFileAndReasonOnlyWhenKnown) {
  const RuntimeError full(err::kPathFileAccess, "Errore di accesso al percorso/file",
                          "/var/games/quorvella/a.txt", ReasonFromErrno(EACCES));
  EXPECT_EQ(full.Message(),
            "Errore di run-time 75: Errore di accesso al percorso/file\n"
            "File: /var/games/quorvella/a.txt\n"
            "Motivo: Permesso negato");
  EXPECT_EQ(std::string(full.what()), full.Message());

  EXPECT_EQ(RuntimeError(err::kOverflow, "Overflow").Message(), "Errore di run-time 6: Overflow");
  EXPECT_EQ(RuntimeError(err::kDiskFull, "Disco pieno", {}, "Spazio esaurito sul disco").Message(),
            "Errore di run-time 61: Disco pieno\nMotivo: Spazio esaurito sul disco");
}

TEST(ReasonFromErrno, ItalianTexts) {
  const std::pair<int, const char*> rows[] = {
      {ENOENT, "File o directory inesistente"},
      {EPERM, "Permesso negato"},
      {ENOSPC, "Spazio esaurito sul disco"},
      {EROFS, "File system di sola lettura"},
      {EISDIR, "È una directory"},
      {ENOTDIR, "Non è una directory"},
      {EEXIST, "Il file esiste già"},
      {EFBIG, "File troppo grande"},
#ifdef EDQUOT
      {EDQUOT, "Quota disco superata"},
#endif
  };
  for (const auto& [errnum, text] : rows) {
    SCOPED_TRACE(errnum);
    EXPECT_EQ(ReasonFromErrno(errnum), text);
  }
  EXPECT_FALSE(ReasonFromErrno(EPIPE).empty());  // falls back to the system's text
}

TEST(SystemRandom, DrawsLieInTheHalfOpenInterval) {
  SystemRandom a(12345), b(12345), c(54321);
  double sum = 0;
  bool differs = false;
  constexpr int kDraws = 200000;
  for (int i = 0; i < kDraws; ++i) {
    const float r = a.Rnd();
    ASSERT_GE(r, 0.0f);
    ASSERT_LT(r, 1.0f);
    ASSERT_EQ(r, b.Rnd()) << "same seed, same sequence";
    differs = differs || r != c.Rnd();
    sum += r;
  }
  EXPECT_TRUE(differs);
  EXPECT_NEAR(sum / kDraws, 0.5, 0.01);

  SystemRandom x, y;  // seeded from the system: two generators do not repeat each other
  std::set<float> seen;
  for (int i = 0; i < 4; ++i) {
    seen.insert(x.Rnd());
    seen.insert(y.Rnd());
  }
  EXPECT_GT(seen.size(), 4u);
}

TEST(SystemClock, ShowsLocalDateAndTime) {
  SystemClock clock;
  const std::string date = clock.ShortDate();
  const std::string time = clock.TimeOfDay();
  EXPECT_TRUE(std::regex_match(date, std::regex(R"((0[1-9]|[12]\d|3[01])/(0[1-9]|1[0-2])/\d{4})")))
      << date;
  EXPECT_TRUE(std::regex_match(time, std::regex(R"(([01]\d|2[0-3]):[0-5]\d)"))) << time;

  // The same day as strftime finds in the local time zone (retry once across midnight).
  for (int attempt = 0; attempt < 2; ++attempt) {
    const std::time_t now = std::time(nullptr);
    char expected[16];
    std::strftime(expected, sizeof expected, "%d/%m/%Y", std::localtime(&now));
    if (clock.ShortDate() == expected) return;
  }
  ADD_FAILURE() << "ShortDate differs from the local date";
}

}  // namespace
}  // namespace quorvella
