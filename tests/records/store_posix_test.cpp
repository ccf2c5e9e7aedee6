// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The record store: a failure or a kill at every step of a write, torn journals, hostile files
// at each of the store's four names, the lock's deadline and the files' permissions.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "common/record_files.h"
#include "platform/runtime.h"
#include "records/store.h"

namespace quorvella::testing {
namespace {

namespace fs = std::filesystem;
using records::Record;

const Record kOld{"2\r\n", "Anna\r\n"};
const Record kNew{"7\r\n", "Bruno\r\n"};

void Plant(const std::string& d, const Record& r) {
  PlantRecord(d, r.score, r.name);
}

// What the next start shows; it leaves an empty journal and nothing else behind.
Record NextStart(const std::string& d) {
  const Record shown = records::LocalStore(d).Open();
  EXPECT_EQ(ReadBytes(d + records::kJournalFile), "");
  EXPECT_EQ(Leftovers(d), std::vector<std::string>{});
  return shown;
}

struct FaultRow {
  std::string step;
  bool kill;       // the process dies at the step; otherwise the step throws
  bool newRecord;  // what the next start shows
};

std::vector<FaultRow> FaultRows() {
  std::vector<FaultRow> rows;
  for (const auto step : records::kWriteSteps) {
    // A write is decided once its journal is on the disk: a throw before that drops it; a kill
    // leaves the journal as far as it was written, which the next start finishes if whole.
    rows.push_back({std::string(step), false, step != "journal-write" && step != "journal-sync"});
    rows.push_back({std::string(step), true, step != "journal-write"});
  }
  return rows;
}

class WriteFault : public ::testing::TestWithParam<FaultRow> {};

TEST_P(WriteFault, NextStartShowsOneWholeRecord) {
  const FaultRow& row = GetParam();
  TempDir tmp;
  const std::string d = tmp.dir();
  Plant(d, kOld);
  records::LocalStore store(d);
  store.beforeStep = [&](std::string_view step) {
    if (step != row.step) return;
    if (row.kill) ::raise(SIGKILL);
    throw RuntimeError(err::kDeviceIo, "Errore di I/O della periferica", d, "prova");
  };
  if (row.kill) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      store.Write("7", "Bruno");
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status));
  } else {
    EXPECT_THROW(store.Write("7", "Bruno"), RuntimeError);
  }
  EXPECT_EQ(NextStart(d), row.newRecord ? kNew : kOld);
}

INSTANTIATE_TEST_SUITE_P(Steps, WriteFault, ::testing::ValuesIn(FaultRows()), [](const auto& info) {
  std::string n = info.param.step + (info.param.kill ? "_Killed" : "_Fails");
  std::erase(n, '-');
  return n;
});

// Journals as a crash may leave them: whole ones are finished, torn ones dropped.
TEST(Journal, IntactIsFinishedTornIsDropped) {
  const std::string whole = records::EncodeJournal(kNew.score, kNew.name);
  const struct {
    std::string journal;
    Record shown;
  } rows[] = {
      {whole, kNew},
      {whole.substr(0, whole.size() - 1), kOld},
      {whole + "x", kOld},
      {std::string(whole).replace(whole.size() - 2, 1, "X"), kOld},  // checksum no longer fits
      {"QVJ1 99999999999 1 00000000\n", kOld},
      {"garbage", kOld},
  };
  for (const auto& row : rows) {
    TempDir tmp;
    Plant(tmp.dir(), kOld);
    WriteBytes(tmp.dir() + records::kJournalFile, row.journal);
    EXPECT_EQ(NextStart(tmp.dir()), row.shown) << row.journal;
  }
}

// A link, FIFO or directory at any of the store's names is an error naming it; nothing is
// followed, created elsewhere or waited on.
TEST(HostileName, RefusedWithTheNameAndNothingFollowed) {
  const char* names[] = {records::kScoreFile, records::kNameFile, records::kLockFile,
                         records::kJournalFile};
  const std::function<void(const std::string&)> plants[] = {
      [](const std::string& p) { fs::create_symlink(p + ".victim", p); },
      [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0666), 0); },
      [](const std::string& p) { fs::create_directory(p); },
  };
  ::alarm(20);  // a FIFO that was waited on would hang here
  for (const char* name : names) {
    for (const auto& plant : plants) {
      TempDir tmp;
      const std::string path = tmp.dir() + name;
      plant(path);
      try {
        records::LocalStore(tmp.dir()).Open();
        ADD_FAILURE() << name << " was accepted";
      } catch (const RuntimeError& e) {
        EXPECT_EQ(e.path(), path);
        EXPECT_FALSE(e.reason().empty());
      }
      EXPECT_FALSE(fs::exists(path + ".victim")) << name;
    }
  }
  ::alarm(0);
}

TEST(Lock, BusyPastTheDeadlineNamesTheLockWhileTheWindowRepaints) {
  TempDir tmp;
  const std::string lock = tmp.dir() + records::kLockFile;
  const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  records::LocalStore store(tmp.dir(), std::chrono::milliseconds(200));
  int waits = 0;
  store.SetWaiting([&] { ++waits; });
  try {
    store.Open();
    ADD_FAILURE() << "the lock was not waited for";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.path(), lock);
  }
  EXPECT_GT(waits, 5);
  ::close(fd);
  EXPECT_EQ(store.Open(), (Record{"", ""}));
}

// The files are created with their own permissions whatever the creation mask, and rewritten in
// place: a.txt keeps its inode (and so its owner) through a write; a huge one is read capped.
TEST(Files, CreatedWithTheirModesRewrittenInPlaceAndReadCapped) {
  TempDir tmp;
  const std::string d = tmp.dir();
  const mode_t mask = ::umask(077);
  records::LocalStore store(d);
  EXPECT_EQ(store.Open(), (Record{"", ""}));
  ::umask(mask);
  auto stat = [&](const char* f) {
    struct stat st {};
    ::stat((d + f).c_str(), &st);
    return std::pair{st.st_mode & 07777, st.st_ino};
  };
  EXPECT_EQ(stat(records::kScoreFile).first, 0664u);
  EXPECT_EQ(stat(records::kNameFile).first, 0664u);
  EXPECT_EQ(stat(records::kLockFile).first, 0660u);
  EXPECT_EQ(stat(records::kJournalFile).first, 0660u);
  const auto inode = stat(records::kScoreFile).second;
  EXPECT_TRUE(store.WriteIfHigher("7", "Nicol\xc3\xb2"));
  EXPECT_FALSE(store.WriteIfHigher("7", "Carla"));
  EXPECT_EQ(stat(records::kScoreFile).second, inode);
  EXPECT_EQ(ReadBytes(d + records::kNameFile), "Nicol\xf2\r\n");
  WriteBytes(d + records::kScoreFile, std::string(records::kMaxReadBytes, '7') + "tail");
  EXPECT_EQ(store.Open().score, std::string(records::kMaxReadBytes, '7'));
}

}  // namespace
}  // namespace quorvella::testing
