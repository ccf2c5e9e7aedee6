// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "records/helper_store.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <sstream>

#include "platform/runtime.h"

namespace quorvella::records {
namespace {

RuntimeError HelperError(const std::string& helper, const std::string& reason) {
  return RuntimeError(err::kPathFileAccess, "Errore di accesso al percorso/file", helper, reason);
}

// "error <number>\n<description>\n<file>\n<reason>\n"
RuntimeError ErrorFromAnswer(const std::string& out, const std::string& helper) {
  std::istringstream in(out);
  std::string tag;
  int number = 0;
  in >> tag >> number;
  std::string line, description, path, reason;
  std::getline(in, line);
  std::getline(in, description);
  std::getline(in, path);
  std::getline(in, reason);
  if (tag != "error" || number <= 0) return HelperError(helper, "Risposta non valida");
  return RuntimeError(number, description, path, reason);
}

}  // namespace

HelperStore::HelperStore(std::string helperPath, std::string dir,
                         std::chrono::milliseconds deadline)
    : helper_(std::move(helperPath)), dir_(std::move(dir)), deadline_(deadline) {}

std::string HelperStore::Run(const std::vector<std::string>& args) {
  return Run(args, deadline_);
}

std::string HelperStore::Run(const std::vector<std::string>& args,
                             std::chrono::milliseconds deadline) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw HelperError(helper_, ReasonFromErrno(errno));
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(helper_.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  char* envp[] = {nullptr};  // the helper empties its environment anyway
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, helper_.c_str(), &actions, nullptr, argv.data(), envp);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (spawned != 0) {
    ::close(fds[0]);
    throw HelperError(helper_, ReasonFromErrno(spawned));
  }
  // Read what it prints while the window goes on repainting; a helper that takes far longer
  // than the lock's deadline is stopped (a write it leaves half done is finished by the next).
  std::string out;
  const auto start = std::chrono::steady_clock::now();
  bool timedOut = false;
  for (;;) {
    pollfd p{fds[0], POLLIN, 0};
    const int ready = ::poll(&p, 1, 10);
    if (ready > 0) {
      char buffer[16384];
      const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
      if (n > 0) {
        out.append(buffer, static_cast<std::size_t>(n));
        continue;
      }
      if (n == 0 || errno != EINTR) break;
    } else if (ready < 0 && errno != EINTR) {
      break;
    }
    if (std::chrono::steady_clock::now() - start > deadline) {
      timedOut = true;
      ::kill(pid, SIGKILL);
      break;
    }
    Wait();
  }
  ::close(fds[0]);
  // The helper's status is its answer's seal: without it (a wait that failed, the child already
  // reaped by someone else) nothing it printed counts.
  int status = 0;
  pid_t waited = -1;
  do {
    waited = ::waitpid(pid, &status, 0);
  } while (waited < 0 && errno == EINTR);
  if (waited != pid) throw HelperError(helper_, ReasonFromErrno(errno));
  if (timedOut) throw BusyError(dir_ + kLockFile);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return out;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 1) throw ErrorFromAnswer(out, helper_);
  throw HelperError(helper_, WIFEXITED(status) ? "Richiesta rifiutata (stato " +
                                                     std::to_string(WEXITSTATUS(status)) + ")"
                                               : "Terminato da un segnale");
}

Record ParseOpenAnswer(const std::string& out, const std::string& helper) {
  unsigned long long scoreLength = 0;
  unsigned long long nameLength = 0;
  const auto eol = out.find('\n');
  if (eol == std::string::npos ||
      std::sscanf(out.substr(0, eol).c_str(), "ok %llu %llu", &scoreLength, &nameLength) != 2 ||
      out.size() - eol - 1 != scoreLength + nameLength) {
    throw HelperError(helper, "Risposta non valida");
  }
  return Record{Utf8FromCp1252(out.substr(eol + 1, scoreLength)),
                Utf8FromCp1252(out.substr(eol + 1 + scoreLength))};
}

Record HelperStore::Open() {
  return ParseOpenAnswer(Run({"open"}), helper_);
}

Record HelperStore::OpenAfter(std::chrono::milliseconds waited) {
  if (waited <= std::chrono::milliseconds::zero()) return Open();
  const auto left = std::max(kLockDeadline - waited, std::chrono::milliseconds::zero());
  // The helper's margin past its own wait stays what it is for every request.
  return ParseOpenAnswer(
      Run({"open", std::to_string(left.count())}, deadline_ - (kLockDeadline - left)), helper_);
}

bool HelperStore::WriteIfHigher(const std::string& score, const std::string& name) {
  const std::string out = Run({"write", score, name});
  if (out == "written\n") return true;
  if (out == "kept\n") return false;
  throw HelperError(helper_, "Risposta non valida");
}

}  // namespace quorvella::records
