// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Windows side of the operating-system calls, for the MinGW build.
#include "platform/windows_api.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "platform/files.h"
#include "platform/os.h"

namespace quorvella {
namespace os {

// The errno value that ReasonFromErrno and the file pool understand for a Win32 error.
int ErrnoFromWin32(unsigned long error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EACCES;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return EEXIST;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_INVALID_HANDLE:
      return EBADF;
    default:
      return EIO;
  }
}

}  // namespace os

bool SyncToDisk(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  if (handle == INVALID_HANDLE_VALUE) {
    errno = EBADF;
    return false;
  }
  if (!FlushFileBuffers(handle)) {
    errno = os::ErrnoFromWin32(GetLastError());
    return false;
  }
  return true;
}

// MoveFileEx replaces the entry `to` (a symbolic link there is replaced, not followed) and with
// MOVEFILE_WRITE_THROUGH returns only once the move is on the disk.
bool ReplaceFile(const std::string& from, const std::string& to) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  errno = os::ErrnoFromWin32(GetLastError());
  return false;
}

namespace os {

bool LocalTime(std::time_t when, std::tm& out) {
  return localtime_s(&out, &when) == 0;
}

// _O_EXCL makes the C run-time create the file with CREATE_NEW, which fails for any existing
// entry, a symbolic link included. Not fopen's "x" flag: the older msvcrt.dll lacks it.
std::FILE* OpenNewFile(const std::string& path) {
  const int fd =
      _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  std::FILE* file = _fdopen(fd, "wb");
  if (!file) {
    const int saved = errno;
    _close(fd);
    errno = saved;
  }
  return file;
}

std::int64_t FileSize(std::FILE* file) {
  struct _stati64 st {};
  if (_fstati64(_fileno(file), &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

}  // namespace os
}  // namespace quorvella
