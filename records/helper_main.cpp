// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// quorvella-record: the record helper of a shared installation, installed set-group-id games.
// It is the only code that holds the group, and it trusts nothing from whoever runs it, who may
// be any user typing its name: it empties its environment, opens descriptors 0-2 on /dev/null
// when they are closed (so no record file can become its output), sets its own file creation
// mask, refuses file size limits too small to write a record whole, validates the one request
// it takes, and writes nothing but the record directory's own files, through the store. The
// requests and answers are described in helper_store.h.
//
// Run by a player it never creates a file: the package made them, and a missing one reads as no
// record (a write that needs it names it). A file that is not the directory owner's is refused
// as tampered with. Run by root it may create them, and `reset` (root only) makes all four again,
// empty: the answer is "reset\n".
//
// It cannot tell whether the score was earned in a race: any player may run it by hand with any
// score. What it guarantees is that the record directory always holds one whole record, written
// only through this code.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "platform/runtime.h"
#include "records/records.h"
#include "records/store.h"

namespace {

using namespace quorvella;

constexpr int kRefused = 2;
// The most a write can need: the journal with two whole records, and the two files.
constexpr rlim_t kNeededFileSize = 4 * records::kMaxReadBytes;

// Descriptors 0, 1 and 2 open, on /dev/null where they were closed.
bool StandardDescriptorsOpen() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1) continue;
    const int opened = ::open("/dev/null", O_RDWR);
    if (opened != fd) return false;
  }
  return true;
}

// Raises the file size limit to what a write needs, when the hard limit allows it.
bool FileSizeLimitSuffices() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_FSIZE, &limit) != 0) return false;
  if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < kNeededFileSize) {
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < kNeededFileSize) return false;
    limit.rlim_cur = limit.rlim_max;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return false;
  }
  return true;
}

// The wait an open request gives, in milliseconds: digits only, at most the lock's deadline.
std::optional<std::chrono::milliseconds> Wait(const char* text) {
  const std::size_t digits = std::strspn(text, "0123456789");
  if (digits == 0 || digits > 5 || text[digits] != '\0') return std::nullopt;
  const std::chrono::milliseconds wait{std::atol(text)};
  if (wait > records::kLockDeadline) return std::nullopt;
  return wait;
}

void Print(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (!StandardDescriptorsOpen()) return kRefused;
  if (::clearenv() != 0) return kRefused;
  ::umask(002);
  // A write past a size limit must fail with an error, not end the helper half way; nor must a
  // reader that went away.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
  if (!FileSizeLimitSuffices()) {
    std::fputs("quorvella-record: file size limit too small\n", stderr);
    return kRefused;
  }
  const bool open = (argc == 2 || argc == 3) && std::strcmp(argv[1], "open") == 0;
  const auto wait = argc == 3 ? Wait(argv[2]) : std::optional(records::kLockDeadline);
  const bool write = argc == 4 && std::strcmp(argv[1], "write") == 0;
  const bool reset = argc == 2 && std::strcmp(argv[1], "reset") == 0;
  const bool root = ::getuid() == 0;
  if (!open && !write && !reset) {
    std::fputs("usage: quorvella-record open [WAIT-MS] | write SCORE NAME | reset\n", stderr);
    return kRefused;
  }
  if (open && !wait) {
    std::fprintf(stderr, "quorvella-record: not a wait of 0 to %lld milliseconds\n",
                 static_cast<long long>(records::kLockDeadline.count()));
    return kRefused;
  }
  if (reset && !root) {
    std::fputs("quorvella-record: reset is for root only\n", stderr);
    return kRefused;
  }
  if (write && !records::ValidRecord(argv[2], argv[3])) {
    std::fputs(
        "quorvella-record: not a score of up to 5 digits and a name of up to 255 "
        "characters without control characters\n",
        stderr);
    return kRefused;
  }
  try {
#ifdef QUORVELLA_HELPER_DIR
    const std::string dir = QUORVELLA_HELPER_DIR;  // a test's copy of the helper
#else
    const std::string dir = records::GetSystemDir();
#endif
    records::LocalStore store(dir, open ? *wait : records::kLockDeadline,
                              records::StoreRules{.createMissing = root, .ownerOnly = true});
    if (reset) {
      // The group is the helper's own: games, which it is installed set-group-id to.
      store.Reset(static_cast<long>(::getegid()));
      Print("reset\n");
    } else if (open) {
      // The answer carries the files' own bytes, so it is built from them, not from UTF-8.
      const records::Record r = store.Open();
      const std::string score = Cp1252FromUtf8(r.score);
      const std::string name = Cp1252FromUtf8(r.name);
      Print("ok " + std::to_string(score.size()) + " " + std::to_string(name.size()) + "\n" +
            score + name);
    } else {
      Print(store.WriteIfHigher(argv[2], argv[3]) ? "written\n" : "kept\n");
    }
  } catch (const RuntimeError& e) {
    Print("error " + std::to_string(e.number()) + "\n" + e.description() + "\n" + e.path() + "\n" +
          e.reason() + "\n");
    if (reset && records::IsBusy(e)) {
      // The answer names the process that holds the lock (a player may have stopped it): what
      // the administrator does about it.
      std::fflush(stdout);
      std::fputs(
          "quorvella-record: the record is locked by the process named above; end it with "
          "kill -KILL PID (the journal makes that safe) or let it go on with kill -CONT PID, "
          "then reset again\n",
          stderr);
    }
    return 1;
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
