// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The few operating-system calls that differ between POSIX and Windows, so that runtime.cpp and
// the file errors need no conditional compilation. os_posix.cpp and os_win32.cpp implement them.
// Internal to the platform room: the other rooms use runtime.h and files.h.
#pragma once

#include <ctime>

namespace quorvella::os {

// The broken-down local time of `when`; false when the system cannot convert it.
bool LocalTime(std::time_t when, std::tm& out);

#ifdef _WIN32
// The errno value that ReasonFromErrno and the file errors understand for a Win32 error code.
int ErrnoFromWin32(unsigned long error);
#endif

}  // namespace quorvella::os
