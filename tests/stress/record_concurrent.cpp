// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Two games finishing at the same moment: two processes each play a whole race against the same
// record, wait at the last second of their clocks, and are released together. Whatever order
// their writes take, the higher score is the record afterwards and its game showed the
// confirmation. Usage: record_concurrent [rounds] [seed]
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <random>
#include <string>

#include "common/temp_dir.h"
#include "stress/record_env.h"

namespace {

using namespace quorvella::testing;

enum Exit { kConfirmed = 10, kSilent = 11, kError = 12, kNotEnded = 13 };

// `ready` and `go` are the ends the child uses; `others` the ends it must close, or the go pipe
// would never see its end.
pid_t Finisher(const std::string& dir, const std::string& name, int right, int ready, int go,
               std::initializer_list<int> others) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  for (int fd : others) ::close(fd);
  FakeGame g(dir);
  g.Start(name);
  PlayRace(g, right);
  if (g.Tick(900)) ::_exit(kNotEnded);  // the clock shows 00:00:00; the next tick ends the race
  char c = 'r';
  if (::write(ready, &c, 1) != 1) ::_exit(kError);
  (void)::read(go, &c, 1);  // returns when the parent closes its end
  const RaceOutcome out = Outcome(g, [&] { return g.Tick(1); });
  if (out.error) {
    std::fprintf(stderr, "%s\n", out.error->Message().c_str());
    ::_exit(kError);
  }
  if (!out.ended) ::_exit(kNotEnded);
  ::_exit(out.confirmed ? kConfirmed : kSilent);
}

int ExitOf(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 300;
  const unsigned seed =
      argc > 2 ? static_cast<unsigned>(std::atoll(argv[2])) : std::random_device{}();
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> scores(3, 30);
  int bothWrote = 0;
  for (int r = 1; r <= rounds; ++r) {
    TempDir tmp;
    const std::string dir = tmp.dir();
    WriteBytes(dir + "a.txt", "2\r\n");
    WriteBytes(dir + "n.txt", "Anna\r\n");
    const int s1 = scores(rng);
    int s2 = scores(rng);
    if (s2 == s1) ++s2;
    int ready[2], go[2];
    if (::pipe(ready) != 0 || ::pipe(go) != 0) return 1;
    const pid_t p1 = Finisher(dir, "Bruno", s1, ready[1], go[0], {ready[0], go[1]});
    const pid_t p2 = Finisher(dir, "Carla", s2, ready[1], go[0], {ready[0], go[1]});
    ::close(ready[1]);
    ::close(go[0]);
    char c;
    int arrived = 0;
    while (arrived < 2 && ::read(ready[0], &c, 1) == 1) ++arrived;
    ::close(go[1]);  // both go at once
    ::close(ready[0]);
    const int e1 = ExitOf(p1);
    const int e2 = ExitOf(p2);
    const bool firstWins = s1 > s2;
    const std::string wantScore = std::to_string(firstWins ? s1 : s2) + "\r\n";
    const std::string wantName = std::string(firstWins ? "Bruno" : "Carla") + "\r\n";
    const std::string a = ReadBytes(dir + "a.txt");
    const std::string n = ReadBytes(dir + "n.txt");
    const int winnerExit = firstWins ? e1 : e2;
    const int loserExit = firstWins ? e2 : e1;
    if (arrived != 2 || a != wantScore || n != wantName || winnerExit != kConfirmed ||
        (loserExit != kConfirmed && loserExit != kSilent)) {
      std::fprintf(stderr,
                   "record_concurrent: seed %u round %d: scores %d and %d, exits %d and %d, "
                   "record [%s] by [%s]\n",
                   seed, r, s1, s2, e1, e2, a.c_str(), n.c_str());
      return 1;
    }
    if (loserExit == kConfirmed) ++bothWrote;
  }
  std::printf(
      "record_concurrent: seed %u: %d rounds of two games finishing together, the higher record "
      "survived every time (%d rounds where the lower one wrote first)\n",
      seed, rounds, bothWrote);
  return 0;
}
