// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// POSIX side of the operating-system calls (Linux, the BSDs, macOS).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "platform/files.h"
#include "platform/os.h"

namespace quorvella {

bool SyncToDisk(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
  return ::fsync(::fileno(file)) == 0;
}

// rename() replaces the directory entry `to` atomically; a symbolic link there is itself
// replaced, its target is left alone.
bool ReplaceFile(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

namespace os {

bool LocalTime(std::time_t when, std::tm& out) {
  return ::localtime_r(&when, &out) != nullptr;
}

// O_CREAT | O_EXCL fails with EEXIST for any existing entry, a dangling symbolic link included;
// O_NOFOLLOW says so once more for systems that might follow a link at the last component.
// The permission bits are those fopen() would use (0666 less the umask).
std::FILE* OpenNewFile(const std::string& path) {
  int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW;
#ifdef O_CLOEXEC
  flags |= O_CLOEXEC;
#endif
  const int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "wb");
  if (!file) {
    const int saved = errno;
    ::close(fd);
    errno = saved;
  }
  return file;
}

std::int64_t FileSize(std::FILE* file) {
  struct stat st {};
  if (::fstat(::fileno(file), &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

}  // namespace os
}  // namespace quorvella
