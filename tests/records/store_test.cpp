// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The record store on every system: a record that can be read but not written is played, and a
// record kept out by a busy lock waits in the player's own folder for the next start.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <tuple>

#ifdef _WIN32
#include "platform/windows_api.h"
#else
#include <sys/fsuid.h>
#include <unistd.h>
#endif

#include "common/record_files.h"
#include "platform/error_of.h"
#include "records/pending.h"
#include "records/store.h"

namespace quorvella::testing {
namespace {

namespace fs = std::filesystem;
using records::Record;
using namespace std::chrono_literals;

const Record kOld{"2\r\n", "Anna\r\n"};
const Record kJournal{"7\r\n", "Bruno\r\n"};

// While it lives, nobody may write the files `names` in `dir` ("" is `dir` itself): they lose
// their write permission, and root, whom permission bits do not bind, acts as nobody (who is
// given everything in `dir` first). Wine run as root writes a read-only file all the same, so on
// Windows each file is also held open by a handle that shares it for reading only: the store's
// open for writing is then denied access just as a read-only file's is.
class WriteDenied {
 public:
  WriteDenied(const fs::path& dir, const std::vector<std::string>& names)
      : dir_(dir), names_(names) {
    for (const std::string& name : names_) Permissions(name, fs::perm_options::remove);
#ifdef _WIN32
    for (const std::string& name : names_) {
      held_.push_back(CreateFileA((dir_ / name).string().c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      EXPECT_NE(held_.back(), INVALID_HANDLE_VALUE) << name;
    }
#else
    if (::geteuid() != 0) return;
    constexpr unsigned kNobody = 65534;
    for (const auto& e : fs::recursive_directory_iterator(dir_)) {
      EXPECT_EQ(::lchown(e.path().c_str(), kNobody, kNobody), 0);
    }
    EXPECT_EQ(::lchown(dir_.c_str(), kNobody, kNobody), 0);
    ::setfsgid(kNobody);
    ::setfsuid(kNobody);
    asNobody_ = true;
#endif
  }
  ~WriteDenied() {
#ifdef _WIN32
    for (HANDLE h : held_) CloseHandle(h);
#else
    if (asNobody_) {
      ::setfsuid(0);
      ::setfsgid(0);
    }
#endif
    for (const std::string& name : names_) Permissions(name, fs::perm_options::add);
  }

 private:
  void Permissions(const std::string& name, fs::perm_options how) {
    fs::permissions(dir_ / name,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write, how);
  }

  fs::path dir_;
  std::vector<std::string> names_;
#ifdef _WIN32
  std::vector<HANDLE> held_;
#else
  bool asNobody_ = false;
#endif
};

std::string Files(const std::string& d) {
  std::string all;
  for (const char* f :
       {records::kScoreFile, records::kNameFile, records::kLockFile, records::kJournalFile}) {
    all += std::string(f) + "=" + (fs::exists(d + f) ? ReadBytes(d + f) : "<none>") + ";";
  }
  return all;
}

struct ReadOnlyRow {
  const char* name;
  bool gameBefore;                    // a game already made the lock and the journal
  bool journal;                       // a writer stopped with its journal whole
  std::vector<std::string> readOnly;  // files made read-only; "" is the directory
  const char* failing;                // the file a beaten record's error names
};

class ReadOnly : public ::testing::TestWithParam<ReadOnlyRow> {};

TEST_P(ReadOnly, PlaysWhatItReadsAndRefusesOnlyABeatenRecord) {
  const ReadOnlyRow& row = GetParam();
  TempDir tmp;
  const std::string d = tmp.dir();
  PlantRecord(d, kOld.score, kOld.name);
  if (row.gameBefore) {
    WriteBytes(d + records::kLockFile, "");
    WriteBytes(d + records::kJournalFile,
               row.journal ? records::EncodeJournal(kJournal.score, kJournal.name) : "");
  }
  const std::string before = Files(d);
  Record shown;
  bool lowerWritten = true;
  std::optional<RuntimeError> beaten;
  {
    const WriteDenied denied(tmp.path(), row.readOnly);
    records::LocalStore store(d, 200ms);
    shown = store.Open();
    lowerWritten = store.WriteIfHigher("1", "Carla");
    beaten = ErrorOf([&] { store.WriteIfHigher("99", "Carla"); });
  }
  EXPECT_EQ(shown, row.journal ? kJournal : kOld);
  EXPECT_FALSE(lowerWritten);
  ASSERT_TRUE(beaten.has_value());
  EXPECT_EQ(beaten->path(), d + row.failing);
  EXPECT_EQ(beaten->reason(), "Permesso negato");
  EXPECT_EQ(Files(d), before);
}

std::vector<ReadOnlyRow> ReadOnlyRows() {
  const std::string a = records::kScoreFile, n = records::kNameFile;
  const std::string lock = records::kLockFile, journal = records::kJournalFile;
  return {
      {"RecordFiles", true, false, {a, n}, records::kScoreFile},
      {"RecordFilesAndAWholeJournal", true, true, {a, n}, records::kScoreFile},
      // The lock can still be read: a shared one is taken.
      {"AllFour", true, true, {a, n, lock, journal}, records::kLockFile},
#ifndef _WIN32
      // A directory nobody may add to, before any game made the lock and the journal.
      {"Directory", false, false, {""}, records::kLockFile},
#endif
  };
}

INSTANTIATE_TEST_SUITE_P(Rows, ReadOnly, ::testing::ValuesIn(ReadOnlyRows()),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// A record kept out by a busy lock.

class Pending : public ::testing::Test {
 protected:
  Pending() { fs::create_directories(dir); }

  records::PendingStore Store(std::chrono::milliseconds deadline = 100ms) {
    return records::PendingStore(std::make_unique<records::LocalStore>(dir, deadline), folder);
  }
  // The lock, held as another game would hold it.
  DirFile HoldLock() {
    DirFile lock = RecordDir(dir).Open(records::kLockFile, Access::kReadWrite, true, 0660);
    EXPECT_TRUE(lock.TryLock());
    return lock;
  }

  TempDir tmp;
  const std::string dir = tmp.dir() + "records/";
  const std::string folder = tmp.dir() + "state/quorvella/";
};

TEST_F(Pending, BusyAtTheEndKeepsTheRecordAndTheNextStartWritesIt) {
  PlantRecord(dir, kOld.score, kOld.name);
  std::optional<RuntimeError> busy;
  {
    const DirFile held = HoldLock();
    busy = ErrorOf([&] { Store().WriteIfHigher("9", "Nicol\xc3\xb2"); });
  }
  ASSERT_TRUE(busy.has_value());
  EXPECT_EQ(busy->number(), err::kPermissionDenied);
  EXPECT_EQ(busy->path(), dir + records::kLockFile);
  EXPECT_NE(busy->reason().find("il tuo record \xc3\xa8 conservato"), std::string::npos)
      << busy->reason();
  EXPECT_EQ(ReadBytes(dir + records::kScoreFile), kOld.score);
  EXPECT_EQ(Store().Waiting(), (Record{"9", "Nicol\xc3\xb2"}));
  // A lower one kept out later does not push it aside.
  {
    const DirFile held = HoldLock();
    EXPECT_THROW(Store().WriteIfHigher("8", "Carla"), RuntimeError);
  }
  EXPECT_EQ(Store().Waiting(), (Record{"9", "Nicol\xc3\xb2"}));

  EXPECT_EQ(Store().Open(), (Record{"9\r\n", "Nicol\xc3\xb2\r\n"}));
  EXPECT_EQ(ReadBytes(dir + records::kNameFile), "Nicol\xf2\r\n");
  EXPECT_FALSE(fs::exists(folder + records::kPendingFile));
  EXPECT_EQ(Leftovers(folder), std::vector<std::string>{});
}

// What a start does with what waits in the folder.
TEST_F(Pending, TheNextStartDropsWhatNoLongerCountsAndKeepsWhatItCannotWriteYet) {
  const std::string whole = records::EncodeJournal("9", "Bruno");
  // The waiting file's bytes, and whether the lock is still held at the start (it keeps
  // waiting then); otherwise it is dropped. Each time the start shows the stored record.
  const std::tuple<const char*, std::string, bool> rows[] = {
      {"no longer beats it", records::EncodeJournal("1", "Bruno"), false},
      {"damaged", std::string(whole).replace(whole.size() - 1, 1, "X"), false},
      {"cut short", whole.substr(0, whole.size() - 2), false},
      {"not a record", records::EncodeJournal("9x", "Bruno"), false},
      {"still busy", whole, true},
  };
  for (const auto& [why, waiting, busy] : rows) {
    SCOPED_TRACE(why);
    PlantRecord(dir, kOld.score, kOld.name);
    fs::create_directories(folder);
    WriteBytes(folder + records::kPendingFile, waiting);
    DirFile held;
    if (busy) held = HoldLock();
    auto store = Store(200ms);
    std::optional<std::chrono::steady_clock::time_point> firstWait;
    auto lastWait = std::chrono::steady_clock::now();
    store.SetWaiting([&] {
      lastWait = std::chrono::steady_clock::now();
      if (!firstWait) firstWait = lastWait;
    });
    EXPECT_EQ(store.Open(), kOld);
    EXPECT_EQ(fs::exists(folder + records::kPendingFile), busy);
    // The delivery and the read share one deadline: nothing waits after it (twice as long).
    EXPECT_EQ(firstWait.has_value(), busy);
    if (firstWait) {
      EXPECT_LT(lastWait - *firstWait, 300ms);
    }
  }
}

// The one rule of a beaten record, for the game, the store and the waiting record: both texts
// read by the leading-number rule and compared as real numbers; a tie keeps the old record.
TEST(Beats, ComparesTheNumbersTheTextsStartWith) {
  const std::tuple<const char*, const char*, bool> rows[] = {
      {"12", "12", false},        {"12", "13", true},
      {"12", "11", false},        {"", "1", true},
      {"", "0", false},           {"", "", false},
      {"12\r\n", "13", true},     {" 15 parole", "15", false},
      {" 15 parole", "16", true}, {"abc", "1", true},
      {"abc", "0", false},        {"12.5", "12", false},
      {"12.5", "13", true},       {"&H10", "16", false},
      {"&H10", "17", true},       {"1e1", "10", false},
      {"-1", "0", true},          {"3", "4 parole", true},
  };
  for (const auto& [record, score, beaten] : rows) {
    EXPECT_EQ(records::Beats(record, score), beaten) << "record " << record << ", score " << score;
  }
}

TEST(StateFolder, FromTheEnvironment) {
  using Env = std::map<std::string, std::string>;
  const struct {
    Env env;
    std::string folder;
  } rows[] = {
#ifdef _WIN32
      {{{"LOCALAPPDATA", "C:\\Users\\anna\\AppData\\Local"}},
       "C:\\Users\\anna\\AppData\\Local\\Quorvella\\"},
      {{{"HOME", "C:\\Users\\anna"}}, ""},
#else
      {{{"XDG_STATE_HOME", "/home/anna/.state/"}, {"HOME", "/home/anna"}},
       "/home/anna/.state/quorvella/"},
      {{{"XDG_STATE_HOME", "state"}, {"HOME", "/home/anna"}}, "/home/anna/.local/state/quorvella/"},
      {{{"HOME", "/home/anna"}}, "/home/anna/.local/state/quorvella/"},
      {{{"HOME", ""}}, ""},
#endif
      {{}, ""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(records::StateFolder([&](const char* name) -> const char* {
                const auto found = row.env.find(name);
                return found == row.env.end() ? nullptr : found->second.c_str();
              }),
              row.folder);
  }
}

}  // namespace
}  // namespace quorvella::testing
