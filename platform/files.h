// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The run-time's pool of file numbers, and the run-time errors of file operations. The record
// store opens and closes the record files itself (records/store.h); the game still takes a file
// number where it always did, so the pool stays, with no file of its own ever open.
#pragma once

#include <string>

#include "platform/runtime.h"

namespace quorvella {

class FilePool {
 public:
  // The lowest file number not in use: no number is ever in use, so 1.
  int FreeFile() const { return 1; }
  // Closes every open file (the end of the program calls it): there is none to close.
  void CloseAll() noexcept {}
};

// The run-time errors of file operations, named after the file, with the system's reason.
// Error `number` with its description.
RuntimeError FileError(int number, const std::string& path, const std::string& reason);
// An open that failed with errnum.
RuntimeError FileOpenError(const std::string& path, int errnum);
// A write, flush, truncation or sync that failed with errnum (a full disk is error 61).
RuntimeError FileWriteError(const std::string& path, int errnum);
// A read or another operation on an open file that failed with errnum.
RuntimeError FileIoError(const std::string& path, int errnum);
// Something other than a regular file where a record file should be.
RuntimeError NotRegularFileError(const std::string& path);

}  // namespace quorvella
