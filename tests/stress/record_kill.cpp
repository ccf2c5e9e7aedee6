// Crash safety of the record: a child process rewrites the record again and again, alternating
// two records of different lengths, and is killed with SIGKILL at a random moment. After every
// kill each file holds one of the two texts whole, the lock is free again, and the two files
// disagree only when the kill fell between replacing a.txt and replacing n.txt of the write
// under way. Usage: record_kill [kills] [seed]
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "common/temp_dir.h"
#include "platform/lock.h"
#include "records/records.h"

namespace {

using quorvella::FileLock;
using quorvella::FilePool;
using quorvella::testing::ReadBytes;
namespace records = quorvella::records;

struct Record {
  const char* score;
  const char* name;
};
constexpr Record kRecords[2] = {{"111", "Anna"}, {"2222", "Bruno Bellini"}};

int Fail(int kill, const std::string& what) {
  std::fprintf(stderr, "record_kill: after kill %d: %s\n", kill, what.c_str());
  return 1;
}

int IndexOf(const std::string& bytes, bool score) {
  for (int i = 0; i < 2; ++i) {
    if (bytes == std::string(score ? kRecords[i].score : kRecords[i].name) + "\r\n") return i;
  }
  return -1;
}

[[noreturn]] void Writer(const std::string& dir, int first, int report) {
  FilePool files;
  for (int i = 0;; ++i) {
    const Record& r = kRecords[(first + i) % 2];
    {
      FileLock lock(dir + records::kLockFile);
      records::WriteRecord(files, dir, r.score, r.name);
    }
    if (::write(report, "x", 1) != 1) ::_exit(3);
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
  FilePool files;
  records::WriteRecord(files, dir, kRecords[0].score, kRecords[0].name);

  // Kills are spread over about three writes, however fast the disk is.
  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < 4; ++i)
    records::WriteRecord(files, dir, kRecords[i % 2].score, kRecords[i % 2].name);
  const auto perWrite =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0)
          .count() /
      4;
  std::uniform_int_distribution<long> delay(0, 3 * perWrite + 200);

  int torn = 0;       // kills that fell between the two replacements
  int withTemps = 0;  // kills that left temporary files behind
  long writes = 0;    // writes finished before the kills
  for (int k = 1; k <= kills; ++k) {
    const int current = IndexOf(ReadBytes(dir + records::kScoreFile), true);
    int fds[2];
    if (::pipe(fds) != 0) return Fail(k, "pipe");
    const pid_t pid = ::fork();
    if (pid < 0) return Fail(k, "fork");
    if (pid == 0) {
      ::close(fds[0]);
      Writer(dir, current ^ 1, fds[1]);
    }
    ::close(fds[1]);
    ::usleep(static_cast<useconds_t>(delay(rng)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGKILL)
      return Fail(k, "writer ended by itself");
    long finished = 0;
    char buf[4096];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) finished += n;
    ::close(fds[0]);
    writes += finished;

    const std::string a = ReadBytes(dir + records::kScoreFile);
    const std::string n = ReadBytes(dir + records::kNameFile);
    const int ia = IndexOf(a, true);
    const int in = IndexOf(n, false);
    if (ia < 0) return Fail(k, "a.txt is neither record, whole: [" + a + "]");
    if (in < 0) return Fail(k, "n.txt is neither record, whole: [" + n + "]");
    if (ia != in) {
      // Only the write under way may be half done: its a.txt replaced, its n.txt not yet.
      const int underWay = ((current ^ 1) + static_cast<int>(finished)) % 2;
      if (ia != underWay) {
        return Fail(k, "a.txt and n.txt disagree after " + std::to_string(finished) +
                           " finished writes, and a.txt is not the write under way");
      }
      ++torn;
      records::WriteRecord(files, dir, kRecords[ia].score, kRecords[ia].name);  // finish it
    }
    // The dead writer's lock is free.
    const int fd = ::open((dir + records::kLockFile).c_str(), O_RDONLY);
    if (fd >= 0) {
      if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return Fail(k, "the lock outlived its holder");
      ::close(fd);
    }
    std::size_t entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
      (void)e;
      ++entries;
    }
    if (entries > 3) ++withTemps;
  }

  // The next game's write clears what the killed writers left behind.
  if (!records::WriteRecordIfHigher(files, dir, "99999", "Carla")) {
    return Fail(kills, "the final write did not happen");
  }
  std::size_t entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name != records::kScoreFile && name != records::kNameFile && name != records::kLockFile) {
      return Fail(kills, "left over after the final write: " + name);
    }
    ++entries;
  }
  std::printf(
      "record_kill: seed %u: %d kills survived, %ld writes finished, %d kills between the two "
      "replacements, %d left temporaries (cleared by the next write)\n",
      seed, kills, writes, torn, withTemps);
  return 0;
}
