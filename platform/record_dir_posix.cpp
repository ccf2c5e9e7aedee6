// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The record directory on POSIX: one directory descriptor, openat with O_NOFOLLOW | O_NONBLOCK,
// then fstat before anything is read or written. Every call that a signal can interrupt is
// repeated.
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/files.h"
#include "platform/record_dir.h"
#include "platform/runtime.h"

namespace quorvella {
namespace {

int Fd(std::intptr_t handle) {
  return static_cast<int>(handle);
}

// Calls `call` again for as long as a signal interrupts it.
template <typename Call>
auto Retried(Call call) {
  for (;;) {
    const auto result = call();
    if (result != -1 || errno != EINTR) return result;
  }
}

bool IsRefusal(int code) {
  return code == ENOENT || code == EACCES || code == EPERM || code == EROFS;
}

// The real user id in /proc/<pid>/status, -1 when it cannot be read.
long RealUid(long pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    long uid = -1;
    if (std::sscanf(line.c_str(), "Uid: %ld", &uid) == 1) return uid;
  }
  return -1;
}

std::string UserName(long uid) {
  passwd pw{};
  passwd* found = nullptr;
  char buffer[4096];
  if (uid < 0 || ::getpwuid_r(static_cast<uid_t>(uid), &pw, buffer, sizeof buffer, &found) != 0 ||
      !found) {
    return {};
  }
  return pw.pw_name;
}

}  // namespace

DirFile::~DirFile() {
  if (handle_ >= 0) ::close(Fd(handle_));
}

DirFile::DirFile(DirFile&& other) noexcept : handle_(other.handle_), path_(std::move(other.path_)) {
  other.handle_ = -1;
}

DirFile& DirFile::operator=(DirFile&& other) noexcept {
  if (this != &other) {
    if (handle_ >= 0) ::close(Fd(handle_));
    handle_ = other.handle_;
    path_ = std::move(other.path_);
    other.handle_ = -1;
  }
  return *this;
}

std::string DirFile::ReadAll(std::int64_t limit) {
  std::string bytes;
  char buffer[16384];
  while (static_cast<std::int64_t>(bytes.size()) < limit) {
    const auto want = static_cast<std::size_t>(
        std::min<std::int64_t>(sizeof buffer, limit - static_cast<std::int64_t>(bytes.size())));
    const ssize_t got = Retried(
        [&] { return ::pread(Fd(handle_), buffer, want, static_cast<off_t>(bytes.size())); });
    if (got < 0) throw FileIoError(path_, errno);
    if (got == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return bytes;
}

void DirFile::Truncate() {
  if (Retried([&] { return ::ftruncate(Fd(handle_), 0); }) != 0) {
    throw FileWriteError(path_, errno);
  }
}

void DirFile::WriteAll(std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = Retried([&] {
      return ::pwrite(Fd(handle_), bytes.data() + done, bytes.size() - done,
                      static_cast<off_t>(done));
    });
    if (n <= 0) throw FileWriteError(path_, n < 0 ? errno : EIO);
    done += static_cast<std::size_t>(n);
  }
}

void DirFile::Sync() {
  if (Retried([&] { return ::fsync(Fd(handle_)); }) != 0) throw FileWriteError(path_, errno);
}

bool DirFile::TryLock(bool exclusive) {
  if (Retried([&] { return ::flock(Fd(handle_), (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB); }) ==
      0) {
    return true;
  }
  if (errno == EWOULDBLOCK) return false;
  throw FileIoError(path_, errno);
}

// /proc/locks has a line per lock: "1: FLOCK  ADVISORY  WRITE 1234 08:02:131075 0 EOF"; a
// process waiting for one has "->" after the number. The file is told by its device and inode.
LockHolder DirFile::Holder() const {
  LockHolder holder;
  struct stat st {};
  if (::fstat(Fd(handle_), &st) != 0) return holder;
  char file[64];
  std::snprintf(file, sizeof file, "%02x:%02x:%lu", major(st.st_dev), minor(st.st_dev),
                static_cast<unsigned long>(st.st_ino));
  std::ifstream locks("/proc/locks");
  std::string line;
  while (std::getline(locks, line)) {
    std::istringstream fields(line);
    std::string number, kind, mode, access, id;
    long pid = 0;
    fields >> number >> kind;
    if (kind == "->") continue;
    fields >> mode >> access >> pid >> id;
    if (id == file && pid > 0) {
      holder.pid = pid;
      holder.uid = RealUid(pid);
      holder.user = UserName(holder.uid);
      break;
    }
  }
  return holder;
}

long DirFile::Owner() const {
  struct stat st {};
  if (::fstat(Fd(handle_), &st) != 0) throw FileIoError(path_, errno);
  return static_cast<long>(st.st_uid);
}

long DirFile::Links() const {
  struct stat st {};
  if (::fstat(Fd(handle_), &st) != 0) throw FileIoError(path_, errno);
  return static_cast<long>(st.st_nlink);
}

void DirFile::SetOwner(long uid, long gid, unsigned mode) {
  if (Retried([&] {
        return ::fchown(Fd(handle_), static_cast<uid_t>(uid), static_cast<gid_t>(gid));
      }) != 0 ||
      Retried([&] { return ::fchmod(Fd(handle_), static_cast<mode_t>(mode)); }) != 0) {
    throw FileWriteError(path_, errno);
  }
}

RecordDir::RecordDir(std::string path) : path_(std::move(path)) {
  const int fd = Retried([&] { return ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
  if (fd < 0) throw FileOpenError(path_, errno);
  handle_ = fd;
}

RecordDir::~RecordDir() {
  if (handle_ >= 0) ::close(Fd(handle_));
}

long RecordDir::Owner() const {
  struct stat st {};
  if (::fstat(Fd(handle_), &st) != 0) throw FileIoError(path_, errno);
  return static_cast<long>(st.st_uid);
}

// A file system that cannot sync a directory says EINVAL: there is nothing more to do there.
void RecordDir::Sync() {
  if (Retried([&] { return ::fsync(Fd(handle_)); }) != 0 && errno != EINVAL) {
    throw FileWriteError(path_, errno);
  }
}

void RecordDir::Remove(std::string_view name) {
  const std::string entry(name);
  if (::unlinkat(Fd(handle_), entry.c_str(), 0) == 0 || errno == ENOENT) return;
  if ((errno == EISDIR || errno == EPERM) &&
      ::unlinkat(Fd(handle_), entry.c_str(), AT_REMOVEDIR) == 0) {
    return;
  }
  throw FileWriteError(path_ + entry, errno);
}

DirFile RecordDir::Open(std::string_view name, Access access, bool create, unsigned mode,
                        int* refused) {
  const std::string path = path_ + std::string(name);
  const std::string entry(name);
  const int flags = (access == Access::kReadWrite ? O_RDWR : O_RDONLY) | O_NOFOLLOW | O_NONBLOCK |
                    O_CLOEXEC | O_NOCTTY;
  create = create && access == Access::kReadWrite;
  int fd = Retried([&] { return ::openat(Fd(handle_), entry.c_str(), flags); });
  bool created = false;
  if (fd < 0 && errno == ENOENT && create) {
    fd = Retried([&] {
      return ::openat(Fd(handle_), entry.c_str(), flags | O_CREAT | O_EXCL,
                      static_cast<mode_t>(mode));
    });
    created = fd >= 0;
    // Another game created it meanwhile: open what it made, with the same checks.
    if (fd < 0 && errno == EEXIST) {
      fd = Retried([&] { return ::openat(Fd(handle_), entry.c_str(), flags); });
    }
  }
  if (fd < 0) {
    // O_NOFOLLOW refuses a link with ELOOP; O_RDWR refuses a directory with EISDIR; O_NONBLOCK
    // makes a FIFO without a reader fail with ENXIO instead of waiting.
    const int code = errno;
    if (code == ELOOP || code == EISDIR || code == ENXIO || code == EMLINK) {
      throw NotRegularFileError(path);
    }
    if (refused && IsRefusal(code)) {
      *refused = code;
      return {};
    }
    throw FileOpenError(path, code);
  }
  DirFile file(fd, path);
  struct stat st {};
  if (::fstat(fd, &st) != 0) throw FileIoError(path, errno);
  if (!S_ISREG(st.st_mode)) throw NotRegularFileError(path);
  const int fl = ::fcntl(fd, F_GETFL);
  if (fl < 0 || ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) != 0) throw FileIoError(path, errno);
  if (created) {
    // The exact bits, whatever the process's file creation mask says; the new name survives a
    // crash only once the directory is on the disk too.
    if (::fchmod(fd, static_cast<mode_t>(mode)) != 0) throw FileWriteError(path, errno);
    Sync();
  }
  return file;
}

}  // namespace quorvella
