// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The record store: a failure or a kill at every step of a write, torn journals, hostile files
// at each of the store's four names and hostile contents, the lock's deadline and the files'
// permissions. The helper and the whole game repeat a few of these rows where their path differs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <functional>

#include "common/record_files.h"
#include "platform/error_of.h"
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

// Hostile files: something other than a regular file at one of the four names is an error that
// names it, at the start and at a write, with nothing followed, created elsewhere or waited on;
// hostile contents are read capped and compared by the leading-number rule.
struct HostileRow {
  std::string name;
  std::function<void(const std::string& d)> plant;
  std::string errorFile;  // the file the error names; empty when the record reads
  bool written = false;   // WriteIfHigher("3", "Bruno") writes
  std::function<void(const Record&)> shown = {};
};

void Sparse(const std::string& path, off_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, size), 0);
  ::close(fd);
}

std::vector<HostileRow> HostileRows() {
  std::vector<HostileRow> rows;
  const std::pair<const char*, std::function<void(const std::string&)>> kinds[] = {
      {"Symlink",
       [](const std::string& p) {
         WriteBytes(p + ".target", "3\r\n");
         fs::create_symlink(p + ".target", p);
       }},
      {"DanglingSymlink", [](const std::string& p) { fs::create_symlink(p + ".victim", p); }},
      {"Fifo", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0666), 0); }},
      {"Directory", [](const std::string& p) { fs::create_directories(p + "/inside"); }},
  };
  for (const char* file :
       {records::kScoreFile, records::kNameFile, records::kLockFile, records::kJournalFile}) {
    for (const auto& [kind, plant] : kinds) {
      rows.push_back({std::string(kind) + "_" + file,
                      [=](const std::string& d) {
                        Plant(d, kOld);
                        fs::remove(d + file);
                        plant(d + file);
                      },
                      file});
    }
  }
  constexpr off_t kGiB = off_t{1} << 30;
  const std::string nuls(
      "9\0"
      "99\r\n",
      6);
  const std::string binary("\x80\x9d\xff\xe9\x01 7\x7f\r\n", 10);
  const auto record = [](std::string score) {
    return [score](const std::string& d) { PlantRecord(d, score, "Anna\r\n"); };
  };
  const std::vector<HostileRow> contents = {
      {"ScoreIsSparse1GiB", [=](auto& d) { Sparse(d + records::kScoreFile, kGiB); }, "", true,
       [](const Record& r) { EXPECT_EQ(r.score, std::string(records::kMaxReadBytes, '\0')); }},
      {"NameIsSparse1GiB",
       [=](auto& d) {
         WriteBytes(d + records::kScoreFile, "5\r\n");
         Sparse(d + records::kNameFile, kGiB);
       },
       "", false,
       [](const Record& r) {
         EXPECT_EQ(r.name.size(), static_cast<std::size_t>(records::kMaxReadBytes));
       }},
      {"ScoreIsBinary", record(binary), "", true,
       [=](const Record& r) { EXPECT_EQ(r.score, Utf8FromCp1252(binary)); }},
      {"NulBytes", record(nuls), "", false,  // 9 stops at the NUL: 3 does not beat it
       [=](const Record& r) { EXPECT_EQ(r.score, nuls); }},
      {"ExponentBeyondDouble", record("1e999\r\n"), "", false},
      {"NegativeBeyondDouble", record("-1e999\r\n"), "", true},
      {"HexBeyond64Bits", record("&HFFFFFFFFFFFFFFFF\r\n"), "", false},
      {"TenThousandDigits", record(std::string(10000, '9') + "\r\n"), "", false,
       [](const Record& r) { EXPECT_EQ(r.score, std::string(10000, '9') + "\r\n"); }},
      {"TenThousandDecimals", record("0." + std::string(10000, '9') + "\r\n"), "", true},
  };
  rows.insert(rows.end(), contents.begin(), contents.end());
  return rows;
}

void PrintTo(const HostileRow& row, std::ostream* out) {
  *out << row.name;
}

class Hostile : public ::testing::TestWithParam<HostileRow> {};

TEST_P(Hostile, RefusedWithTheNameOrReadCappedAndNothingElseTouched) {
  const HostileRow& row = GetParam();
  TempDir tmp;
  const std::string d = tmp.dir();
  row.plant(d);
  // The content of a small regular file, of a huge one only its size, of anything else its kind.
  const auto state = [&](const char* f) {
    const fs::path p = d + f;
    if (fs::is_symlink(p)) return "link to " + fs::read_symlink(p).string();
    if (!fs::is_regular_file(p)) return std::string(fs::exists(p) ? "<other>" : "<none>");
    const auto size = fs::file_size(p);
    return size > 1024 ? "<size " + std::to_string(size) + ">" : ReadBytes(p);
  };
  const std::string score = state(records::kScoreFile), name = state(records::kNameFile);
  records::LocalStore store(d);
  ::alarm(20);  // a FIFO that was waited on would hang here
  const auto t0 = std::chrono::steady_clock::now();
  std::optional<Record> shown;
  const auto atStart = ErrorOf([&] { shown = store.Open(); });
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
  bool written = false;
  const auto atWrite = ErrorOf([&] { written = store.WriteIfHigher("3", "Bruno"); });
  ::alarm(0);
  if (!row.errorFile.empty()) {
    for (const auto& e : {atStart, atWrite}) {
      ASSERT_TRUE(e.has_value());
      EXPECT_EQ(e->number(), err::kPathFileAccess);
      EXPECT_EQ(e->path(), d + row.errorFile);
      EXPECT_FALSE(e->reason().empty());
    }
    EXPECT_EQ(state(records::kScoreFile), score);
    EXPECT_EQ(state(records::kNameFile), name);
    EXPECT_FALSE(fs::exists(d + row.errorFile + ".victim"));
    const std::string target = d + row.errorFile + ".target";
    if (fs::exists(target)) {
      EXPECT_EQ(ReadBytes(target), "3\r\n");
    }
    return;
  }
  ASSERT_FALSE(atStart.has_value()) << atStart->Message();
  ASSERT_FALSE(atWrite.has_value()) << atWrite->Message();
  if (row.shown) row.shown(*shown);
  EXPECT_EQ(written, row.written);
  EXPECT_EQ(state(records::kScoreFile), row.written ? "3\r\n" : score);
  EXPECT_EQ(state(records::kNameFile), row.written ? "Bruno\r\n" : name);
  EXPECT_EQ(Leftovers(d), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Rows, Hostile, ::testing::ValuesIn(HostileRows()), [](const auto& info) {
  std::string n = info.param.name;
  std::erase_if(n, [](char c) { return !std::isalnum(c) && c != '_'; });
  return n;
});

// Past the deadline the start reads the record without the lock, so a game that holds it for
// ever stops nobody from playing; a write gives up with an error that names the lock and who
// holds it, while the window repaints meanwhile.
TEST(Lock, PastTheDeadlineTheStartPlaysAndAWriteNamesTheLockAndItsHolder) {
  TempDir tmp;
  const std::string d = tmp.dir();
  Plant(d, kOld);
  const std::string lock = d + records::kLockFile;
  const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  records::LocalStore store(d, std::chrono::milliseconds(200));
  int waits = 0;
  store.SetWaiting([&] { ++waits; });
  EXPECT_EQ(store.Open(), kOld);
  EXPECT_GT(waits, 5);
  const auto busy = ErrorOf([&] { store.WriteIfHigher("7", "Bruno"); });
  ASSERT_TRUE(busy.has_value());
  EXPECT_TRUE(records::IsBusy(*busy));
  EXPECT_EQ(busy->path(), lock);
  const std::string holder = "il processo " + std::to_string(::getpid()) + " dell'utente " +
                             ::getpwuid(::getuid())->pw_name;
  EXPECT_NE(busy->reason().find(holder), std::string::npos) << busy->reason();
  EXPECT_EQ(NextStart(d), kOld);
  ::close(fd);
  EXPECT_TRUE(store.WriteIfHigher("7", "Bruno"));
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
  // A name the journal could not hold whole is refused before anything is written.
  WriteBytes(d + records::kScoreFile, "7\r\n");
  EXPECT_THROW(store.Write("8", std::string(records::kMaxReadBytes, 'n')), RuntimeError);
  EXPECT_EQ(NextStart(d), (Record{"7\r\n", "Nicol\xc3\xb2\r\n"}));
}

}  // namespace
}  // namespace quorvella::testing
