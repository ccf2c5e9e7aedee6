// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The few operating-system calls that differ between POSIX and Windows, so that runtime.cpp and
// files.cpp need no conditional compilation. os_posix.cpp and os_win32.cpp implement them.
// Internal to the platform room: the other rooms use runtime.h and files.h.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

namespace quorvella::os {

// The broken-down local time of `when`; false when the system cannot convert it.
bool LocalTime(std::time_t when, std::tm& out);

// Creates `path` for binary writing only if nothing exists there, not even a dangling symbolic
// link, in one atomic step. Returns nullptr with errno set (EEXIST when the path exists).
std::FILE* OpenNewFile(const std::string& path);

// Size in bytes of the file behind an open stream, as the file system sees it (bytes still in
// the stream's buffer are not counted). -1 with errno set on failure.
std::int64_t FileSize(std::FILE* file);

#ifdef _WIN32
// The errno value that ReasonFromErrno and the file errors understand for a Win32 error code.
int ErrnoFromWin32(unsigned long error);
#endif

}  // namespace quorvella::os
