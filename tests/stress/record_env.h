// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Surroundings for record tests: a whole race that ends with a given score, a child process to
// run something under limits the test process must not take on, and a small tmpfs of our own.
#pragma once

#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "fake/fake_form.h"
#include "platform/runtime.h"

namespace quorvella::testing {

inline constexpr const char* kConfirmation = "Ok ho registrato il tuo record, C A M P I O N E\"";

struct RaceOutcome {
  std::optional<RuntimeError> error;  // the run-time error that stopped the end of the race
  bool confirmed = false;             // the confirmation box was shown
  bool ended = false;                 // the program ended normally
};

// Answers `right` questions correctly (the factors are always 3 and 4) and lets the clock run
// out.
inline void PlayRace(FakeGame& g, int right) {
  for (int i = 0; i < right; ++i) {
    g.Type("12");
    g.Key(13);  // judged
    g.Key(13);  // the next question
  }
}

inline RaceOutcome Outcome(FakeGame& g, const std::function<bool()>& finish) {
  RaceOutcome out;
  try {
    out.ended = finish();
  } catch (const RuntimeError& e) {
    out.error = e;
  }
  for (const auto& c : g.ui.calls) out.confirmed = out.confirmed || c.prompt == kConfirmation;
  return out;
}

// A race in `dir` by `name` with `right` correct answers; `meanwhile` runs after start-up and
// before the clock runs out.
inline RaceOutcome FinishRace(const std::string& dir, const std::string& name, int right,
                              const std::function<void()>& meanwhile = {}) {
  FakeGame g(dir);
  g.Start(name);
  PlayRace(g, right);
  if (meanwhile) meanwhile();
  return Outcome(g, [&] { return g.Tick(1000); });
}

// Runs `fn` in a forked child and returns what it returned; "child died" when it did not return.
inline std::string InChild(const std::function<std::string()>& fn) {
  int fds[2];
  if (::pipe(fds) != 0) return "pipe failed";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    std::string result;
    try {
      result = fn();
    } catch (...) {
      result = "child threw";
    }
    std::size_t done = 0;
    while (done < result.size()) {
      const ssize_t n = ::write(fds[1], result.data() + done, result.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string result;
  char buf[4096];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) result.append(buf, n);
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status)) return "child died";
  return result;
}

// The outcome as one line of text, to cross from a child process.
inline std::string Describe(const RaceOutcome& o) {
  std::string s =
      o.error ? std::to_string(o.error->number()) + "|" + o.error->path() + "|" + o.error->reason()
              : "0||";
  return s + (o.confirmed ? "|confirmed" : "|silent") + (o.ended ? "|ended" : "|running");
}

// A tmpfs mounted on a fresh directory (only root can), unmounted again at the end.
class Tmpfs {
 public:
  Tmpfs(const std::filesystem::path& where, const std::string& options) : path_(where) {
    std::filesystem::create_directories(path_);
    mounted_ = ::geteuid() == 0 &&
               ::mount("tmpfs", path_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
  }
  ~Tmpfs() {
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
  }
  Tmpfs(const Tmpfs&) = delete;
  Tmpfs& operator=(const Tmpfs&) = delete;

  bool mounted() const { return mounted_; }
  bool RemountReadOnly(const std::string& options) {
    return ::mount("tmpfs", path_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV,
                   options.c_str()) == 0;
  }
  std::string dir() const { return (path_ / "").string(); }

 private:
  std::filesystem::path path_;
  bool mounted_ = false;
};

}  // namespace quorvella::testing
