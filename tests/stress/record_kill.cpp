// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Crash safety of the record: a child process rewrites the record again and again, alternating
// two records of different lengths, with every step of a write slowed down a little, and is
// killed with SIGKILL at a random moment. After every kill the next start (under the lock,
// finishing or dropping what the killed writer left) must show one of the two records whole, its
// score with its own name, and leave the journal empty. Usage: record_kill [kills] [seed]
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "common/temp_dir.h"
#include "records/store.h"

namespace {

using quorvella::testing::ReadBytes;
namespace records = quorvella::records;

constexpr records::Record kRecords[2] = {{"111\r\n", "Anna\r\n"},
                                         {"2222\r\n", "Bruno Bellini\r\n"}};

int Fail(int kill, const std::string& what) {
  std::fprintf(stderr, "record_kill: after kill %d: %s\n", kill, what.c_str());
  return 1;
}

int IndexOf(const records::Record& r) {
  for (int i = 0; i < 2; ++i) {
    if (r == kRecords[i]) return i;
  }
  return -1;
}

// Writes the two records in turn, starting with `first`; before each step it tells `report`
// which step comes, so the parent knows where each kill fell.
[[noreturn]] void Writer(const std::string& dir, int first, unsigned seed, int report) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> pause(0, 300);
  records::LocalStore store(dir);
  store.beforeStep = [&](std::string_view step) {
    char index = 0;
    while (records::kWriteSteps[static_cast<std::size_t>(index)] != step) ++index;
    if (::write(report, &index, 1) != 1) ::_exit(3);
    ::usleep(static_cast<useconds_t>(pause(rng)));
  };
  for (int i = 0;; ++i) {
    const auto& r = kRecords[(first + i) % 2];
    store.Write(r.score.substr(0, r.score.size() - 2), r.name.substr(0, r.name.size() - 2));
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int kills = argc > 1 ? std::atoi(argv[1]) : 500;
  const unsigned seed =
      argc > 2 ? static_cast<unsigned>(std::atoll(argv[2])) : std::random_device{}();
  std::mt19937 rng(seed);
  quorvella::testing::TempDir tmp;
  const std::string dir = tmp.dir();
  records::LocalStore(dir).Write("111", "Anna");
  std::uniform_int_distribution<int> delay(0, 4000);

  int shown[2] = {0, 0};
  int current = 0;  // the record the files hold before the kill
  int fellIn[std::size(records::kWriteSteps) + 1] = {};  // kills by the last step begun
  int journals = 0;  // kills after which the next start found a journal to finish or drop
  for (int k = 1; k <= kills; ++k) {
    int fds[2];
    if (::pipe(fds) != 0) return Fail(k, "pipe");
    const pid_t pid = ::fork();
    if (pid < 0) return Fail(k, "fork");
    if (pid == 0) {
      ::close(fds[0]);
      Writer(dir, current ^ 1, seed + static_cast<unsigned>(k), fds[1]);
    }
    ::close(fds[1]);
    ::usleep(static_cast<useconds_t>(delay(rng)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGKILL) return Fail(k, "writer ended");
    long begun = 0;  // steps begun in all
    char steps[4096];
    for (ssize_t n; (n = ::read(fds[0], steps, sizeof steps)) > 0;) begun += n;
    ::close(fds[0]);
    const long perWrite = static_cast<long>(std::size(records::kWriteSteps));
    const long done = begun / perWrite;     // writes finished
    const long partial = begun % perWrite;  // steps begun of the write under way
    ++fellIn[partial == 0 ? 0 : partial];
    if (!ReadBytes(dir + records::kJournalFile).empty()) ++journals;

    const records::Record r = records::LocalStore(dir).Open();
    const int i = IndexOf(r);
    if (i < 0) return Fail(k, "the next start shows [" + r.score + "|" + r.name + "]");
    // Before the journal is written nothing has changed; once a.txt is touched the journal is
    // whole and the write under way is what the next start shows. In between, either.
    const int finished = done == 0 ? current : (current ^ 1) ^ static_cast<int>((done - 1) % 2);
    const int underWay = (current ^ 1) ^ static_cast<int>(done % 2);
    if ((partial == 0 && i != finished) || (partial >= 3 && i != underWay)) {
      return Fail(k, "after " + std::to_string(done) + " writes and " + std::to_string(partial) +
                         " steps the next start shows the wrong record");
    }
    ++shown[i];
    current = i;
    if (!ReadBytes(dir + records::kJournalFile).empty()) return Fail(k, "journal not emptied");
    if (std::distance(std::filesystem::directory_iterator(dir),
                      std::filesystem::directory_iterator()) != 4) {
      return Fail(k, "files left over besides the record, the lock and the journal");
    }
  }
  std::printf(
      "record_kill: seed %u: %d kills, the next start showed a whole record every time (%d the "
      "first, %d the second); %d times it found a journal to finish or drop\n",
      seed, kills, shown[0], shown[1], journals);
  std::printf("record_kill: kills by the step under way: emptying the journal or between writes %d",
              fellIn[0]);
  for (std::size_t i = 0; i + 1 < std::size(records::kWriteSteps); ++i) {
    std::printf(", %s %d", std::string(records::kWriteSteps[i]).c_str(), fellIn[i + 1]);
  }
  std::printf("\n");
  return 0;
}
