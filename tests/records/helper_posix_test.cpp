// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The record helper as any caller may run it: the requests it takes and every request it
// refuses, with nothing changed in the record directory; run by a player it creates nothing and
// takes no file that is not the directory owner's; run by root it resets the record.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>

#include "common/record_files.h"
#include "records/helper_store.h"

namespace quorvella::testing {
namespace {

namespace fs = std::filesystem;
const std::string kDir = QUORVELLA_TEST_HELPER_DIR;
constexpr unsigned kNobody = 65534;

// Runs the helper as a player would: the test's own user, or nobody when the test runs as root.
void AsPlayer() {
  if (::getuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(126);
}

struct Outcome {
  int status = -1;
  std::string out;
};

// Runs the helper with `args`; `inChild` prepares the child (closes descriptors, sets limits).
Outcome RunHelper(const std::vector<std::string>& args, const std::function<void()>& inChild = {}) {
  int fds[2];
  EXPECT_EQ(::pipe(fds), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(fds[1], 1);
    ::close(fds[0]);
    ::close(fds[1]);
    if (inChild) inChild();
    std::vector<char*> argv{const_cast<char*>(QUORVELLA_TEST_HELPER)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(fds[1]);
  Outcome o;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) o.out.append(buffer, n);
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  o.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return o;
}

// The helper knows one directory, so its tests take turns (ctest runs them side by side).
class Helper : public ::testing::Test {
 protected:
  Helper() {
    fs::create_directories(fs::path(kDir).parent_path().parent_path());
    turn_ = ::open((kDir.substr(0, kDir.size() - 1) + ".turn").c_str(), O_RDWR | O_CREAT, 0600);
    ::flock(turn_, LOCK_EX);
  }
  ~Helper() override { ::close(turn_); }
  void SetUp() override {
    fs::remove_all(kDir);
    fs::create_directories(kDir);
    // The four files, as the package makes them: a player's helper creates none.
    PlantRecord(kDir, "5\r\n", "Anna\r\n");
    WriteBytes(kDir + records::kLockFile, "");
    WriteBytes(kDir + records::kJournalFile, "");
  }
  void ExpectUnchanged() {
    EXPECT_EQ(ReadBytes(kDir + "a.txt"), "5\r\n");
    EXPECT_EQ(ReadBytes(kDir + "n.txt"), "Anna\r\n");
    EXPECT_TRUE(!fs::exists(kDir + records::kJournalFile) ||
                ReadBytes(kDir + records::kJournalFile).empty());
  }

 private:
  int turn_ = -1;
};

TEST_F(Helper, OpensAndWritesAsTheStoreDoes) {
  for (const auto& open : {std::vector<std::string>{"open"}, {"open", "0"}, {"open", "10000"}}) {
    EXPECT_EQ(records::ParseOpenAnswer(RunHelper(open).out, "h"),
              (records::Record{"5\r\n", "Anna\r\n"}));
  }
  EXPECT_EQ(RunHelper({"write", "4", "Bruno"}).out, "kept\n");
  const Outcome written = RunHelper({"write", "6", "Nicol\xc3\xb2"});
  EXPECT_EQ(written.status, 0);
  EXPECT_EQ(written.out, "written\n");
  EXPECT_EQ(ReadBytes(kDir + "n.txt"), "Nicol\xf2\r\n");
  EXPECT_EQ(records::HelperStore(QUORVELLA_TEST_HELPER, kDir).Open().name, "Nicol\xc3\xb2\r\n");
  // Without the helper's exit status (reaped by the system already) its answer counts for nothing.
  const auto previous = std::signal(SIGCHLD, SIG_IGN);
  EXPECT_THROW(records::HelperStore(QUORVELLA_TEST_HELPER, kDir).Open(), RuntimeError);
  std::signal(SIGCHLD, previous);
}

TEST_F(Helper, RefusesEveryOtherRequestAndChangesNothing) {
  const struct {
    const char* why;
    std::vector<std::string> args;
    std::function<void()> inChild;
  } rows[] = {
      {"no request", {}, {}},
      {"unknown request", {"erase"}, {}},
      {"open with more", {"open", "x"}, {}},
      {"a wait past the deadline", {"open", "10001"}, {}},
      {"a signed wait", {"open", "-1"}, {}},
      {"open with a wait and more", {"open", "5", "x"}, {}},
      {"write without a name", {"write", "9"}, {}},
      {"write with more", {"write", "9", "Bruno", "x"}, {}},
      {"letters in the score", {"write", "9a", "Bruno"}, {}},
      {"a sign", {"write", "+9", "Bruno"}, {}},
      {"six digits", {"write", "123456", "Bruno"}, {}},
      {"empty score", {"write", "", "Bruno"}, {}},
      {"line break in the name", {"write", "9", "Bruno\nRossi"}, {}},
      {"escape in the name", {"write", "9", "\x1b[31mBruno"}, {}},
      {"C1 control in the name", {"write", "9", "Bru\xc2\x85no"}, {}},
      {"malformed UTF-8", {"write", "9", "Bru\xffno"}, {}},
      {"256 characters", {"write", "9", std::string(256, 'b')}, {}},
      {"reset by a player", {"reset"}, AsPlayer},
      {"tiny file size limit",
       {"write", "9", "Bruno"},
       [] {
         const rlimit tiny{4, 4};
         ::setrlimit(RLIMIT_FSIZE, &tiny);
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.why);
    const Outcome o = RunHelper(row.args, row.inChild);
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.out, "");
    ExpectUnchanged();
  }
  EXPECT_EQ(RunHelper({"write", "9", std::string(255, 'b')}).out, "written\n");
}

// Closed standard descriptors become /dev/null before anything is opened: the record files
// cannot become the helper's output.
TEST_F(Helper, ClosedStandardDescriptorsNeverReachTheRecord) {
  const Outcome o = RunHelper({"open"}, [] {
    ::close(0);
    ::close(1);
    ::close(2);
  });
  EXPECT_EQ(o.status, 0);
  ExpectUnchanged();
}

// The store's table of hostile files, where the helper's path differs: its error is an answer.
TEST_F(Helper, ALinkOrFifoIsAnErrorNamingTheFile) {
  for (const char* name : {records::kScoreFile, records::kLockFile}) {
    SetUp();
    const std::string path = kDir + name;
    fs::remove(path);
    if (name == std::string(records::kLockFile)) {
      ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0);
    } else {
      fs::create_symlink(kDir + "victim", path);
    }
    const Outcome o = RunHelper({"write", "9", "Bruno"});
    EXPECT_EQ(o.status, 1) << name;
    EXPECT_NE(o.out.find(path), std::string::npos) << o.out;
    EXPECT_FALSE(fs::exists(kDir + "victim")) << name;
  }
}

// Run by a player the helper makes no file: missing record files read as no record and a write
// that needs one names it; a file of anyone but the directory's owner is refused as tampered.
TEST_F(Helper, APlayerCreatesNothingAndTakesOnlyTheOwnersFiles) {
  fs::remove(kDir + records::kScoreFile);
  fs::remove(kDir + records::kNameFile);
  if (::getuid() == 0) {
    for (const auto& e : fs::directory_iterator(kDir)) ::lchown(e.path().c_str(), kNobody, kNobody);
    ::lchown(kDir.c_str(), kNobody, kNobody);
  }
  EXPECT_EQ(RunHelper({"open"}, AsPlayer).out, "ok 0 0\n");
  const Outcome o = RunHelper({"write", "9", "Bruno"}, AsPlayer);
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out.rfind("error 53\n", 0), 0u) << o.out;
  EXPECT_NE(o.out.find(kDir + records::kScoreFile + "\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("quorvella-record reset"), std::string::npos) << o.out;
  EXPECT_FALSE(fs::exists(kDir + records::kScoreFile));
  EXPECT_FALSE(fs::exists(kDir + records::kNameFile));
  if (::getuid() != 0) return;  // only root can give a file to another user

  PlantRecord(kDir, "5\r\n", "Anna\r\n");
  ::lchown((kDir + records::kScoreFile).c_str(), kNobody, kNobody);
  ::lchown((kDir + records::kNameFile).c_str(), kNobody - 1, kNobody);
  for (const auto& args : {std::vector<std::string>{"open"}, {"write", "9", "Bruno"}}) {
    const Outcome t = RunHelper(args, AsPlayer);
    EXPECT_EQ(t.status, 1);
    EXPECT_NE(t.out.find(kDir + records::kNameFile), std::string::npos) << t.out;
    EXPECT_NE(t.out.find("manomesso"), std::string::npos) << t.out;
  }
  ExpectUnchanged();
}

// Root's reset makes all four files again, empty, the owner's and the helper's group's, with
// their own modes, whatever was at their names (nothing a link points to is touched).
TEST_F(Helper, ResetByRootMakesTheFourFilesAgain) {
  if (::getuid() != 0) GTEST_SKIP() << "reset is for root";
  WriteBytes(kDir + "victim", "keep");
  ::chmod((kDir + "victim").c_str(), 0600);
  fs::remove(kDir + records::kNameFile);
  fs::create_symlink(kDir + "victim", kDir + records::kNameFile);
  WriteBytes(kDir + records::kJournalFile, records::EncodeJournal("7\r\n", "Carla\r\n"));
  WriteBytes(kDir + records::kLockFile, "");
  ::lchown((kDir + records::kLockFile).c_str(), kNobody, kNobody);
  const Outcome o = RunHelper({"reset"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "reset\n");
  for (const auto& [name, mode] : {std::pair{records::kScoreFile, 0664u},
                                   {records::kNameFile, 0664u},
                                   {records::kLockFile, 0660u},
                                   {records::kJournalFile, 0660u}}) {
    struct stat st {};
    ASSERT_EQ(::lstat((kDir + name).c_str(), &st), 0) << name;
    EXPECT_TRUE(S_ISREG(st.st_mode)) << name;
    EXPECT_EQ(st.st_mode & 07777, mode) << name;
    EXPECT_EQ(st.st_size, 0) << name;
    EXPECT_EQ(st.st_uid, 0u) << name;
    EXPECT_EQ(st.st_gid, ::getegid()) << name;
  }
  EXPECT_EQ(ReadBytes(kDir + "victim"), "keep");
  EXPECT_EQ(fs::status(kDir + "victim").permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(RunHelper({"open"}).out, "ok 0 0\n");
}

}  // namespace
}  // namespace quorvella::testing
