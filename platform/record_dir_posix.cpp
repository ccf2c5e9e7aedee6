// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The record directory on POSIX: one directory descriptor, openat with O_NOFOLLOW | O_NONBLOCK,
// then fstat before anything is read or written.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files.h"
#include "platform/record_dir.h"
#include "platform/runtime.h"

namespace quorvella {
namespace {

int Fd(std::intptr_t handle) {
  return static_cast<int>(handle);
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
    const ssize_t got = ::pread(Fd(handle_), buffer, want, static_cast<off_t>(bytes.size()));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw FileIoError(path_, errno);
    if (got == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return bytes;
}

void DirFile::Truncate() {
  if (::ftruncate(Fd(handle_), 0) != 0) throw FileWriteError(path_, errno);
}

void DirFile::WriteAll(std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::pwrite(Fd(handle_), bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw FileWriteError(path_, n < 0 ? errno : EIO);
    done += static_cast<std::size_t>(n);
  }
}

void DirFile::Sync() {
  if (::fsync(Fd(handle_)) != 0) throw FileWriteError(path_, errno);
}

bool DirFile::TryLock() {
  for (;;) {
    if (::flock(Fd(handle_), LOCK_EX | LOCK_NB) == 0) return true;
    if (errno == EWOULDBLOCK) return false;
    if (errno != EINTR) throw FileIoError(path_, errno);
  }
}

RecordDir::RecordDir(std::string path) : path_(std::move(path)) {
  const int fd = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw FileOpenError(path_, errno, false);
  handle_ = fd;
}

RecordDir::~RecordDir() {
  if (handle_ >= 0) ::close(Fd(handle_));
}

DirFile RecordDir::Open(std::string_view name, bool create, unsigned mode) {
  const std::string path = path_ + std::string(name);
  int flags = O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
  int fd = ::openat(Fd(handle_), std::string(name).c_str(), flags);
  bool created = false;
  if (fd < 0 && errno == ENOENT && create) {
    fd = ::openat(Fd(handle_), std::string(name).c_str(), flags | O_CREAT | O_EXCL,
                  static_cast<mode_t>(mode));
    created = fd >= 0;
    // Another game created it meanwhile: open what it made, with the same checks.
    if (fd < 0 && errno == EEXIST) fd = ::openat(Fd(handle_), std::string(name).c_str(), flags);
  }
  if (fd < 0) {
    // O_NOFOLLOW refuses a link with ELOOP; O_RDWR refuses a directory with EISDIR; O_NONBLOCK
    // makes a FIFO without a reader fail with ENXIO instead of waiting.
    const int code = errno;
    if (code == ELOOP || code == EISDIR || code == ENXIO || code == EMLINK) {
      throw NotRegularFileError(path);
    }
    throw FileOpenError(path, code, false);
  }
  DirFile file(fd, path);
  struct stat st {};
  if (::fstat(fd, &st) != 0) throw FileIoError(path, errno);
  if (!S_ISREG(st.st_mode)) throw NotRegularFileError(path);
  const int fl = ::fcntl(fd, F_GETFL);
  if (fl < 0 || ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) != 0) throw FileIoError(path, errno);
  // The exact bits, whatever the process's file creation mask says.
  if (created && ::fchmod(fd, static_cast<mode_t>(mode)) != 0) throw FileWriteError(path, errno);
  return file;
}

}  // namespace quorvella
