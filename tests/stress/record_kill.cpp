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

[[noreturn]] void Writer(const std::string& dir, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> pause(0, 300);
  records::LocalStore store(dir);
  store.beforeStep = [&](std::string_view) { ::usleep(static_cast<useconds_t>(pause(rng))); };
  for (int i = 0;; ++i) {
    const auto& r = kRecords[i % 2];
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
  int finished = 0;  // kills after which the next start found a journal to finish or drop
  for (int k = 1; k <= kills; ++k) {
    const pid_t pid = ::fork();
    if (pid < 0) return Fail(k, "fork");
    if (pid == 0) Writer(dir, seed + static_cast<unsigned>(k));
    ::usleep(static_cast<useconds_t>(delay(rng)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGKILL) return Fail(k, "writer ended");
    if (!ReadBytes(dir + records::kJournalFile).empty()) ++finished;

    const records::Record r = records::LocalStore(dir).Open();
    const int i = IndexOf(r);
    if (i < 0) return Fail(k, "the next start shows [" + r.score + "|" + r.name + "]");
    ++shown[i];
    if (!ReadBytes(dir + records::kJournalFile).empty()) return Fail(k, "journal not emptied");
    if (std::distance(std::filesystem::directory_iterator(dir),
                      std::filesystem::directory_iterator()) != 4) {
      return Fail(k, "files left over besides the record, the lock and the journal");
    }
  }
  std::printf(
      "record_kill: seed %u: %d kills, the next start showed a whole record every time (%d the "
      "first, %d the second); %d times it found a journal to finish or drop\n",
      seed, kills, shown[0], shown[1], finished);
  return 0;
}
