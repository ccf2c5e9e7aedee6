// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The record against hostile files, failing writes and a second game finishing meanwhile.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>

#include "common/record_files.h"
#include "records/records.h"
#include "stress/record_env.h"

namespace quorvella::testing {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Leftovers(const std::string& dir) {
  return testing::Leftovers(dir, {"filler", "mnt"});  // mnt: where a tmpfs is mounted, or not
}

// Kills the test program if start-up hangs (a FIFO opened for reading waits for a writer).
struct Watchdog {
  Watchdog() { ::alarm(20); }
  ~Watchdog() { ::alarm(0); }
};

// ---------------------------------------------------------------------------------------------
// Hostile and corrupt record files: the store's table has every name and content; the whole game
// repeats the rows where its own path differs: a start that stops with the error box, and a
// caption that holds a NUL compared at the end of the race.

struct HostileRow {
  std::string name;
  std::function<void(const std::string& dir)> plant;
  int startError;         // run-time error at start-up, 0 when the game starts
  std::string errorFile;  // the file that error names
  int right;              // correct answers in the race, not a record
  std::function<void(const std::string& dir, FakeGame& g)> check = {};
};

const std::string kNuls = std::string(
    "9\0"
    "99\r\n",
    6);
const std::string kNulName = std::string("An\0na\r\n", 7);

std::vector<HostileRow> HostileRows() {
  return {
      {"ScoreIsFifo", [](auto& d) { ASSERT_EQ(::mkfifo((d + "a.txt").c_str(), 0644), 0); }, 75,
       "a.txt", 0},
      {"NulBytes", [](auto& d) { PlantRecord(d, kNuls, kNulName); }, 0, "", 3,
       [](auto&, FakeGame& g) {
         EXPECT_EQ(g.Caption("lblpunti"), kNuls);  // 9 stops at the NUL: 3 does not beat it
         EXPECT_EQ(g.Caption("lblnome"), kNulName);
       }},
  };
}

class HostileFile : public ::testing::TestWithParam<HostileRow> {};

TEST_P(HostileFile, StartsOrStopsClearlyAndKeepsTheRecord) {
  const HostileRow& row = GetParam();
  TempDir tmp;
  const std::string d = tmp.dir();
  row.plant(d);
  const auto before = [&](const char* f) {
    return fs::is_regular_file(d + f) ? ReadBytes(d + f) : std::string("<none>");
  };
  const std::string oldScore = before("a.txt");
  const std::string oldName = before("n.txt");

  FakeGame g(d);
  std::optional<RuntimeError> startError;
  const auto t0 = std::chrono::steady_clock::now();
  {
    Watchdog watchdog;
    try {
      g.Start("Bruno");
    } catch (const RuntimeError& e) {
      startError = e;
    }
  }
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
  if (row.check) row.check(d, g);

  if (row.startError != 0) {
    ASSERT_TRUE(startError.has_value());
    EXPECT_EQ(startError->number(), row.startError);
    EXPECT_EQ(startError->path(), d + row.errorFile);
    EXPECT_NE(startError->Message().find(d + row.errorFile), std::string::npos);
    EXPECT_FALSE(startError->reason().empty());
    return;
  }
  ASSERT_FALSE(startError.has_value()) << startError->Message();

  PlayRace(g, row.right);
  const RaceOutcome out = Outcome(g, [&] { return g.Tick(1000); });
  ASSERT_FALSE(out.error.has_value()) << out.error->Message();
  EXPECT_TRUE(out.ended);
  EXPECT_FALSE(out.confirmed);
  EXPECT_EQ(before("a.txt"), oldScore);
  EXPECT_EQ(before("n.txt"), oldName);
  EXPECT_TRUE(Leftovers(d).empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileFile, ::testing::ValuesIn(HostileRows()),
                         [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------------------------------------
// Writes that fail: the error names the file and the reason, the old record stays whole and the
// confirmation box is not shown.

const std::string kOldScore = "2\r\n";
const std::string kOldName = "Anna\r\n";

void ExpectOldRecord(const std::string& d) {
  EXPECT_EQ(ReadBytes(d + "a.txt"), kOldScore);
  EXPECT_EQ(ReadBytes(d + "n.txt"), kOldName);
  EXPECT_TRUE(Leftovers(d).empty());
}

void FillDisk(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  const std::string block(4096, 'x');
  while (::write(fd, block.data(), block.size()) > 0) {
  }
  while (::write(fd, "x", 1) > 0) {
  }
  EXPECT_EQ(errno, ENOSPC);
  ::close(fd);
}

// A race that beats the old record with the write hitting a file size limit of one byte.
std::string RaceUnderFileSizeLimit(const std::string& d) {
  return InChild([&] {
    return Describe(FinishRace(d, "Bruno", 5, [] {
      std::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{1, 1};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }));
  });
}

TEST(WriteFailure, FullDiskOnSmallTmpfs) {
  TempDir tmp;
  Tmpfs fs64k(tmp.path() / "mnt", "size=64k");
  const std::string d = fs64k.mounted() ? fs64k.dir() : tmp.dir();
  PlantRecord(d, kOldScore, kOldName);
  if (!fs64k.mounted()) {
    // No mount here: the same fault comes from a file size limit instead.
    EXPECT_EQ(RaceUnderFileSizeLimit(d),
              "61|" + d + records::kJournalFile + "|File troppo grande|silent|running");
    ExpectOldRecord(d);
    return;
  }
  const RaceOutcome out = FinishRace(d, "Bruno", 5, [&] { FillDisk(d + "filler"); });
  ASSERT_TRUE(out.error.has_value());
  EXPECT_EQ(out.error->number(), err::kDiskFull);
  EXPECT_EQ(out.error->path(), d + records::kJournalFile);
  EXPECT_EQ(out.error->reason(), "Spazio esaurito sul disco");
  EXPECT_FALSE(out.confirmed);
  ExpectOldRecord(d);
}

TEST(WriteFailure, FileSizeLimit) {
  TempDir tmp;
  PlantRecord(tmp.dir(), kOldScore, kOldName);
  EXPECT_EQ(RaceUnderFileSizeLimit(tmp.dir()),
            "61|" + tmp.dir() + records::kJournalFile + "|File troppo grande|silent|running");
  ExpectOldRecord(tmp.dir());
}

// Rows: whether a game has already left its lock file in the directory.
class ReadOnlyDirectory : public ::testing::TestWithParam<bool> {};

TEST_P(ReadOnlyDirectory, RefusesTheWriteAndNamesTheFile) {
  const bool lockExists = GetParam();
  TempDir tmp;
  Tmpfs ro(tmp.path() / "mnt", "size=256k");
  const std::string d = ro.mounted() ? ro.dir() : tmp.dir();
  PlantRecord(d, kOldScore, kOldName);
  if (lockExists) WriteBytes(d + records::kLockFile, "");
  const auto makeReadOnly = [&] {
    if (ro.mounted()) {
      ASSERT_TRUE(ro.RemountReadOnly("size=256k"));
    } else {
      // The files are rewritten in place: taking the directory's write permission is not enough.
      for (const auto& e : fs::directory_iterator(tmp.path())) {
        fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::remove);
      }
      fs::permissions(tmp.path(), fs::perms::owner_read | fs::perms::owner_exec);
    }
  };
  std::string got;
  std::string reason = "File system di sola lettura";
  if (ro.mounted() || ::geteuid() != 0) {
    got = Describe(FinishRace(d, "Bruno", 5, makeReadOnly));
    if (!ro.mounted()) reason = "Permesso negato";
  } else {
    // Root without mount: permissions bind only a user without privileges.
    reason = "Permesso negato";
    fs::permissions(tmp.path(), fs::perms::all);
    got = InChild([&] {
      FakeGame g(d);
      g.Start("Bruno");
      PlayRace(g, 5);
      fs::permissions(tmp.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                      fs::perms::others_read | fs::perms::others_exec);
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) return std::string("setuid failed");
      return Describe(Outcome(g, [&] { return g.Tick(1000); }));
    });
  }
  // The lock is the first file a write opens for writing, whether or not it is there yet.
  const std::string failing = records::kLockFile;
  EXPECT_EQ(got, std::to_string(err::kPathFileAccess) + "|" + d + failing + "|" + reason +
                     "|silent|running");
  fs::permissions(tmp.path(), fs::perms::owner_all);
  ExpectOldRecord(d);
}

INSTANTIATE_TEST_SUITE_P(Rows, ReadOnlyDirectory, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "LockExists" : "NoLockYet"; });

TEST(WriteFailure, DirectoryThatDisappeared) {
  TempDir tmp;
  const std::string d = tmp.file("records/");
  fs::create_directories(d);
  PlantRecord(d, kOldScore, kOldName);
  const std::string moved = tmp.file("moved/");
  const RaceOutcome out =
      FinishRace(d, "Bruno", 5, [&] { fs::rename(tmp.file("records"), tmp.file("moved")); });
  ASSERT_TRUE(out.error.has_value());
  EXPECT_EQ(out.error->number(), err::kPathNotFound);
  EXPECT_EQ(out.error->path().rfind(d, 0), 0u) << out.error->path();
  EXPECT_EQ(out.error->reason(), "File o directory inesistente");
  EXPECT_FALSE(out.confirmed);
  EXPECT_FALSE(fs::exists(tmp.file("records")));  // not made again behind the player's back
  ExpectOldRecord(moved);
}
// ---------------------------------------------------------------------------------------------
// Two games at once.

TEST(TwoGames, TheLaterLowerFinishDoesNotOverwriteAHigherRecordSetMeanwhile) {
  TempDir tmp;
  const std::string d = tmp.dir();
  PlantRecord(d, kOldScore, kOldName);
  RaceOutcome high;
  // Both races start with record 2 on the screen; the one with 6 ends first, then the one with 4.
  const RaceOutcome low = FinishRace(d, "Bruno", 4, [&] { high = FinishRace(d, "Carla", 6); });
  EXPECT_TRUE(high.confirmed);
  EXPECT_TRUE(low.ended);
  EXPECT_FALSE(low.confirmed);
  EXPECT_FALSE(low.error.has_value());
  EXPECT_EQ(ReadBytes(d + "a.txt"), "6\r\n");
  EXPECT_EQ(ReadBytes(d + "n.txt"), "Carla\r\n");
}

TEST(TwoGames, AHigherLaterFinishStillReplacesTheRecord) {
  TempDir tmp;
  const std::string d = tmp.dir();
  PlantRecord(d, kOldScore, kOldName);
  RaceOutcome first;
  const RaceOutcome second = FinishRace(d, "Bruno", 7, [&] { first = FinishRace(d, "Carla", 3); });
  EXPECT_TRUE(first.confirmed);
  EXPECT_TRUE(second.confirmed);
  EXPECT_EQ(ReadBytes(d + "a.txt"), "7\r\n");
  EXPECT_EQ(ReadBytes(d + "n.txt"), "Bruno\r\n");
}

}  // namespace
}  // namespace quorvella::testing
