// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Where the record lies and how its files are read. a.txt holds the record score, n.txt the
// record holder's name; both are one line of Windows-1252 text. The store (store.h) does every
// open, read and write of them.
#pragma once

#include <string>

#include "platform/record_dir.h"

namespace quorvella::records {

// The Windows directory ending in one backslash; elsewhere the record directory chosen when the
// program was built, ending in one slash.
std::string GetSystemDir();

// Makes sure the record directory exists (the Windows directory always does; the stand-in may
// not): creates it when missing, raising a run-time error that names it when that fails.
void EnsureDirectory(const std::string& dir);

// The whole content of an open record file (at most 64 KiB of it), line end included, as UTF-8.
std::string Leggifiletxt(DirFile& nomefile);

}  // namespace quorvella::records
