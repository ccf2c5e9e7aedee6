// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The record on Windows: the Windows directory as GetSystemDir finds it, and the record files
// created, read and rewritten there for real, through the store and through a whole race.
// Built only for Windows; CI runs it under Wine, where C:\windows is the test prefix's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "fake/fake_form.h"
#include "platform/record_dir.h"
#include "platform/runtime.h"
#include "platform/windows_api.h"
#include "records/records.h"
#include "records/store.h"

namespace quorvella::testing {
namespace {

namespace fs = std::filesystem;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Gives the test the record files of the Windows directory to itself: waits for any other test
// program using them, sets aside what is there and puts it back afterwards.
class WindowsDir : public ::testing::Test {
 protected:
  static constexpr const char* kFiles[] = {records::kScoreFile, records::kNameFile,
                                           records::kLockFile, records::kJournalFile};

  void SetUp() override {
    const char* base = std::getenv("QUORVELLA_TEST_TMP");
    const fs::path lockDir = base && *base ? fs::path(base) : fs::temp_directory_path();
    fs::create_directories(lockDir);
    guardDir_ = std::make_unique<RecordDir>((lockDir / "").string());
    guard_ = guardDir_->Open("windows-dir.lock", Access::kReadWrite, true);
    while (!guard_.TryLock()) ::Sleep(10);
    dir_ = records::GetSystemDir();
    for (const char* name : kFiles) {
      const fs::path p = Path(name);
      if (fs::exists(p)) saved_.push_back({name, ReadBytes(p)});
      fs::remove(p);
    }
  }

  void TearDown() override {
    for (const char* name : kFiles) fs::remove(Path(name));
    for (const auto& [name, bytes] : saved_) WriteBytes(Path(name), bytes);
  }

  fs::path Path(const std::string& name) const { return fs::path(dir_ + name); }

  // What a finished write leaves behind: a journal that was not emptied.
  std::vector<std::string> Leftovers() const {
    const fs::path journal = Path(records::kJournalFile);
    if (fs::exists(journal) && fs::file_size(journal) > 0) return {records::kJournalFile};
    return {};
  }

  std::string dir_;

 private:
  std::unique_ptr<RecordDir> guardDir_;
  DirFile guard_;
  std::vector<std::pair<std::string, std::string>> saved_;
};

TEST(SystemDir, IsTheWindowsDirectoryEndingInOneBackslash) {
  const std::string dir = records::GetSystemDir();
  ASSERT_GE(dir.size(), 4u) << dir;
  EXPECT_EQ(dir.back(), '\\');
  EXPECT_NE(dir[dir.size() - 2], '\\') << dir;
  EXPECT_EQ(dir.find('/'), std::string::npos) << dir;
  EXPECT_TRUE(fs::is_directory(dir)) << dir;
  const std::string root = Env("SystemRoot");
  ASSERT_FALSE(root.empty());
  EXPECT_EQ(Lower(dir), Lower(root) + "\\");
}

TEST_F(WindowsDir, FilesLandInThePrefixWindowsDirectory) {
  // Wine shows the whole Unix file system as drive Z:, so the prefix's C:\windows can also be
  // reached by its Unix path: a file written through GetSystemDir must appear there.
  const std::string prefix = Env("WINEPREFIX");
  if (prefix.empty()) GTEST_SKIP() << "not running under Wine with a prefix of its own";
  EXPECT_EQ(Lower(dir_), "c:\\windows\\");
  records::LocalStore(dir_).Write("8", "Anna");
  const fs::path unixSide = fs::path("Z:" + prefix) / "drive_c" / "windows";
  EXPECT_EQ(ReadBytes(unixSide / "a.txt"), "8\r\n");
  EXPECT_EQ(ReadBytes(unixSide / "n.txt"), "Anna\r\n");
}

TEST_F(WindowsDir, OpenCreatesEmptyFilesAndKeepsExistingOnes) {
  const fs::path a = Path(records::kScoreFile);
  EXPECT_EQ(records::LocalStore(dir_).Open(), (records::Record{"", ""}));
  ASSERT_TRUE(fs::is_regular_file(a));
  EXPECT_EQ(fs::file_size(a), 0u);
  EXPECT_TRUE(fs::is_regular_file(Path(records::kNameFile)));
  WriteBytes(a, "42\r\n");
  EXPECT_EQ(records::LocalStore(dir_).Open().score, "42\r\n");
  EXPECT_EQ(ReadBytes(a), "42\r\n");
}

struct ReadRow {
  const char* name;
  std::string bytes;  // a.txt on disk
  std::string text;   // what Leggifiletxt returns (UTF-8)
  double value;       // the leading-number rule applied to it
};

class ReadWhole : public WindowsDir, public ::testing::WithParamInterface<ReadRow> {};

TEST_P(ReadWhole, BinaryAndWholeAsTheLeadingNumberRuleSeesIt) {
  const auto& r = GetParam();
  WriteBytes(Path(records::kScoreFile), r.bytes);
  const std::string text = records::LocalStore(dir_).Open().score;
  EXPECT_EQ(text, r.text);
  EXPECT_EQ(Val(text), r.value);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReadWhole,
    ::testing::Values(ReadRow{"empty", "", "", 0}, ReadRow{"score", "12\r\n", "12\r\n", 12},
                      // 0x1A ends a file only in text mode: everything after it is read.
                      ReadRow{"ctrlZ",
                              "1\x1a"
                              "2\r\n",
                              "1\x1a"
                              "2\r\n",
                              1},
                      ReadRow{"ctrlZFirst",
                              "\x1a"
                              "7\r\n",
                              "\x1a"
                              "7\r\n",
                              0},
                      // A lone line feed stays one byte; CR LF is not folded.
                      ReadRow{"loneLf", "3\n4\r\n", "3\n4\r\n", 34},
                      ReadRow{"crFirst", "\r\n15\r\n", "\r\n15\r\n", 0},
                      ReadRow{"blanksInside", " 1 2 \r\n", " 1 2 \r\n", 12},
                      ReadRow{"hex", "&H1A\r\n", "&H1A\r\n", 26},
                      ReadRow{"decimal", "12.5 punti\r\n", "12.5 punti\r\n", 12.5},
                      ReadRow{"windows1252", "9 Nicol\xf2 \x80\r\n",
                              "9 Nicol\xc3\xb2 \xe2\x82\xac\r\n", 9}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowsDir, ReadingStopsAtTheLimitOnly) {
  std::string big(records::kMaxReadBytes + 100, '7');
  big[1000] = '\x1a';
  WriteBytes(Path(records::kScoreFile), big);
  const std::string text = records::LocalStore(dir_).Open().score;
  EXPECT_EQ(text, big.substr(0, static_cast<std::size_t>(records::kMaxReadBytes)));
}

struct ReplaceRow {
  const char* name;
  std::optional<std::string> oldScore;  // bytes before the write; nullopt = no file
  std::optional<std::string> oldName;
  std::string score;
  std::string player;    // UTF-8
  std::string nameFile;  // the bytes n.txt must hold afterwards
};

class InPlaceWrite : public WindowsDir, public ::testing::WithParamInterface<ReplaceRow> {};

TEST_P(InPlaceWrite, NewRecordReplacesTheOldOneWhole) {
  const auto& r = GetParam();
  if (r.oldScore) WriteBytes(Path(records::kScoreFile), *r.oldScore);
  if (r.oldName) WriteBytes(Path(records::kNameFile), *r.oldName);

  records::LocalStore(dir_).Write(r.score, r.player);

  EXPECT_EQ(ReadBytes(Path(records::kScoreFile)), r.score + "\r\n");
  EXPECT_EQ(ReadBytes(Path(records::kNameFile)), r.nameFile);
  EXPECT_EQ(records::LocalStore(dir_).Open().name, Utf8FromCp1252(r.nameFile));
  EXPECT_TRUE(Leftovers().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, InPlaceWrite,
    ::testing::Values(
        ReplaceRow{"overOld", "5\r\n", "Vecchio\r\n", "17", "Niccol\xc3\xb2", "Niccol\xf2\r\n"},
        ReplaceRow{"overLonger", "123456789\r\n", "Bartolomeo Ferri\r\n", "9", "Ugo", "Ugo\r\n"},
        ReplaceRow{"noFilesYet", std::nullopt, std::nullopt, "1", "Anna", "Anna\r\n"},
        ReplaceRow{"emptyFiles", "", "", "2", "", "\r\n"},
        ReplaceRow{"windows1252", "999\r\n", "Zo\xeb\r\n", "1000",
                   "\xc3\x89lodie \xe2\x82\xac \xc5\x93", "\xc9lodie \x80 \x9c\r\n"},
        // Characters Windows-1252 cannot hold are stored as "?".
        ReplaceRow{"beyond1252", "1\r\n", "X\r\n", "3", "\xe6\x97\xa5\xce\xb1", "??\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowsDir, ARecordFileHeldByAnotherProgramStopsTheWriteBeforeItBegins) {
  // Another program holds a.txt open without sharing it for writing: the write is refused
  // before its journal is written, so the old record stays and no later start changes it.
  WriteBytes(Path(records::kScoreFile), "5\r\n");
  WriteBytes(Path(records::kNameFile), "Vecchio\r\n");
  const std::string a = dir_ + records::kScoreFile;
  HANDLE holder = CreateFileA(a.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  try {
    records::LocalStore(dir_).WriteIfHigher("6", "Anna");
    ADD_FAILURE() << "wrote a.txt while another program held it";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::kPathFileAccess);
    EXPECT_EQ(e.path(), a);
    EXPECT_FALSE(e.reason().empty());
  }
  CloseHandle(holder);
  EXPECT_EQ(records::LocalStore(dir_).Open(), (records::Record{"5\r\n", "Vecchio\r\n"}));
  EXPECT_TRUE(Leftovers().empty());
  EXPECT_TRUE(records::LocalStore(dir_).WriteIfHigher("6", "Anna"));
  EXPECT_EQ(ReadBytes(Path(records::kScoreFile)), "6\r\n");
  EXPECT_EQ(ReadBytes(Path(records::kNameFile)), "Anna\r\n");
}

struct HigherRow {
  const char* name;
  std::string stored;
  std::string score;
  bool written;
};

class IfHigher : public WindowsDir, public ::testing::WithParamInterface<HigherRow> {};

TEST_P(IfHigher, WrittenOnlyWhenTheDiskRecordIsBeaten) {
  const auto& r = GetParam();
  WriteBytes(Path(records::kScoreFile), r.stored);
  WriteBytes(Path(records::kNameFile), "Vecchio\r\n");
  EXPECT_EQ(records::LocalStore(dir_).WriteIfHigher(r.score, "Anna"), r.written);
  EXPECT_EQ(ReadBytes(Path(records::kScoreFile)), r.written ? r.score + "\r\n" : r.stored);
  EXPECT_EQ(ReadBytes(Path(records::kNameFile)), r.written ? "Anna\r\n" : "Vecchio\r\n");
  EXPECT_TRUE(fs::is_regular_file(Path(records::kLockFile)));
}

INSTANTIATE_TEST_SUITE_P(Rows, IfHigher,
                         ::testing::Values(HigherRow{"empty", "", "1", true},
                                           HigherRow{"lower", "7\r\n", "6", false},
                                           HigherRow{"tie", "7\r\n", "7", false},
                                           HigherRow{"higher", "7\r\n", "8", true},
                                           HigherRow{"ctrlZBehind", "7\x1a\r\n", "8", true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct RaceRow {
  const char* name;
  std::optional<std::string> stored;  // a.txt before the race; nullopt = no record files
  int right;
  int wrong;
  bool written;
};

class WholeRace : public WindowsDir, public ::testing::WithParamInterface<RaceRow> {};

// A whole race with the fake toolkit: the record is read from the Windows directory at start-up,
// the clock runs out after fifteen minutes and the record is written back there.
TEST_P(WholeRace, RecordReadAndWrittenInTheWindowsDirectory) {
  const auto& r = GetParam();
  if (r.stored) {
    WriteBytes(Path(records::kScoreFile), *r.stored);
    WriteBytes(Path(records::kNameFile), "Vecchio\r\n");
  }
  FakeGame g(records::GetSystemDir(), ScriptedRandom::Factors(7, 8));
  g.Start("Niccol\xc3\xb2");
  EXPECT_EQ(g.game.state().WinDir, dir_);
  EXPECT_EQ(g.Caption("lblpunti"), r.stored.value_or(""));
  EXPECT_EQ(g.Caption("lblnome"), r.stored ? "Vecchio\r\n" : "");
  ASSERT_TRUE(fs::is_regular_file(Path(records::kScoreFile)));
  ASSERT_TRUE(fs::is_regular_file(Path(records::kNameFile)));

  for (int i = 0; i < r.right; ++i) g.Type("56\r\r");
  for (int i = 0; i < r.wrong; ++i) g.Type("55\r\r");
  EXPECT_EQ(g.Caption("lblScore"), std::to_string(r.right));
  EXPECT_EQ(g.Caption("lblScore1"), std::to_string(r.wrong));
  ASSERT_FALSE(g.Tick(900));
  EXPECT_EQ(g.Caption("lblconto"), "00:00:00");
  const std::size_t boxes = g.ui.calls.size();
  ASSERT_TRUE(g.Tick(1));
  EXPECT_EQ(g.ui.ends, 1);

  if (r.written) {
    EXPECT_EQ(ReadBytes(Path(records::kScoreFile)), std::to_string(r.right) + "\r\n");
    EXPECT_EQ(ReadBytes(Path(records::kNameFile)), "Niccol\xf2\r\n");
    ASSERT_EQ(g.ui.calls.size(), boxes + 2);
    EXPECT_EQ(g.ui.calls.back().prompt, "Ok ho registrato il tuo record, C A M P I O N E\"");
  } else {
    EXPECT_EQ(ReadBytes(Path(records::kScoreFile)), r.stored.value_or(""));
    EXPECT_EQ(ReadBytes(Path(records::kNameFile)), r.stored ? "Vecchio\r\n" : "");
    EXPECT_EQ(g.ui.calls.size(), boxes + 1);  // the farewell only
  }
  EXPECT_TRUE(Leftovers().empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, WholeRace,
                         ::testing::Values(RaceRow{"firstEver", std::nullopt, 1, 0, true},
                                           RaceRow{"noAnswerFirstEver", std::nullopt, 0, 2, false},
                                           RaceRow{"beaten", "2\r\n", 3, 1, true},
                                           RaceRow{"notBeaten", "5\r\n", 3, 4, false},
                                           RaceRow{"tie", "3\r\n", 3, 0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowsDir, SecondRaceSeesTheRecordTheFirstOneSet) {
  {
    FakeGame first(records::GetSystemDir(), ScriptedRandom::Factors(3, 4));
    first.Start("Anna");
    for (int i = 0; i < 4; ++i) first.Type("12\r\r");
    ASSERT_TRUE(first.Tick(901));
  }
  FakeGame second(records::GetSystemDir(), ScriptedRandom::Factors(3, 4));
  second.Start("Bruno");
  EXPECT_EQ(second.Caption("lblpunti"), "4\r\n");
  EXPECT_EQ(second.Caption("lblnome"), "Anna\r\n");
  for (int i = 0; i < 3; ++i) second.Type("12\r\r");
  ASSERT_TRUE(second.Tick(901));
  EXPECT_EQ(ReadBytes(Path(records::kScoreFile)), "4\r\n");
  EXPECT_EQ(ReadBytes(Path(records::kNameFile)), "Anna\r\n");
}

}  // namespace
}  // namespace quorvella::testing
