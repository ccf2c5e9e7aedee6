// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The record helper as any caller may run it: the requests it takes and every request it
// refuses, with nothing changed in the record directory.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "common/record_files.h"
#include "records/helper_store.h"

namespace quorvella::testing {
namespace {

namespace fs = std::filesystem;
const std::string kDir = QUORVELLA_TEST_HELPER_DIR;

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
    PlantRecord(kDir, "5\r\n", "Anna\r\n");
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
  EXPECT_EQ(records::ParseOpenAnswer(RunHelper({"open"}).out, "h"),
            (records::Record{"5\r\n", "Anna\r\n"}));
  EXPECT_EQ(RunHelper({"write", "4", "Bruno"}).out, "kept\n");
  const Outcome written = RunHelper({"write", "6", "Nicol\xc3\xb2"});
  EXPECT_EQ(written.status, 0);
  EXPECT_EQ(written.out, "written\n");
  EXPECT_EQ(ReadBytes(kDir + "n.txt"), "Nicol\xf2\r\n");
  EXPECT_EQ(records::HelperStore(QUORVELLA_TEST_HELPER, kDir).Open().name, "Nicol\xc3\xb2\r\n");
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
    EXPECT_NE(o.status, 0);
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

TEST_F(Helper, LinksAndFifosAreErrorsNamingTheFile) {
  for (const char* name : {"a.txt", "n.txt", ".quorvella.lock", ".quorvella.journal"}) {
    for (const bool fifo : {false, true}) {
      SetUp();
      const std::string path = kDir + name;
      fs::remove(path);
      if (fifo) {
        ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0);
      } else {
        fs::create_symlink(kDir + "victim", path);
      }
      const Outcome o = RunHelper({"write", "9", "Bruno"});
      EXPECT_EQ(o.status, 1) << name;
      EXPECT_NE(o.out.find(path), std::string::npos) << o.out;
      EXPECT_FALSE(fs::exists(kDir + "victim")) << name;
      if (std::string(name) != "a.txt") {
        EXPECT_EQ(ReadBytes(kDir + "a.txt"), "5\r\n");
      }
    }
  }
}

}  // namespace
}  // namespace quorvella::testing
