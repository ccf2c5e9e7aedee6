// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Windows side of the operating-system calls, for the MinGW build.
#include "platform/windows_api.h"

#include <cerrno>
#include <ctime>

#include "platform/os.h"

namespace quorvella {
namespace os {

// The errno value that ReasonFromErrno and the file errors understand for a Win32 error.
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

bool LocalTime(std::time_t when, std::tm& out) {
  return localtime_s(&out, &when) == 0;
}

}  // namespace os
}  // namespace quorvella
