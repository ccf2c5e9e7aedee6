// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Sequential text files with numbered handles, as the game's run-time offers them: a pool of
// file numbers 1..255, open for input, output or appending, length, read, print, close.
// Files are opened in binary mode; text crosses the boundary as UTF-8 and lies on disk as
// Windows-1252. Every failure raises a RuntimeError that names the file and the reason.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/runtime.h"

namespace quorvella {

class FilePool {
 public:
  enum class Mode {
    kInput,      // must exist, read only
    kOutput,     // create or truncate
    kAppend,     // create when missing, keep what is there
    kOutputNew,  // create exclusively: fails if the path exists (also as a symbolic link)
  };

  static constexpr int kMaxFiles = 255;

  FilePool() = default;
  ~FilePool();
  FilePool(const FilePool&) = delete;
  FilePool& operator=(const FilePool&) = delete;

  // The lowest file number not in use; run-time error 67 when all 255 are taken.
  int FreeFile() const;

  // Opens a path as file number fn. A path that exists but is not a regular file (a directory,
  // a FIFO, a device) is refused with a run-time error before it is opened, so that opening
  // never blocks.
  void Open(const std::string& path, Mode mode, int fn);

  // Length of the open file in bytes.
  std::int64_t Lof(int fn);

  // Reads up to `count` bytes from the current position and returns them as UTF-8.
  std::string Input(std::int64_t count, int fn);

  // Writes the text as the one item of a print statement: the text in Windows-1252 followed by
  // a carriage return and a line feed.
  void Print(int fn, std::string_view text);

  // Pushes everything written so far down to the disk (flush and fsync).
  void Sync(int fn);

  // Closes the file, reporting a write that failed on close.
  void Close(int fn);

  // Closes every open file, ignoring errors (used when the program ends).
  void CloseAll() noexcept;

  bool IsOpen(int fn) const;

 private:
  struct Slot {
    std::FILE* file = nullptr;
    std::string path;
    Mode mode = Mode::kInput;
  };
  Slot& OpenSlot(int fn);

  std::array<Slot, kMaxFiles + 1> slots_{};
};

// The run-time errors of file operations, named after the file, with the system's reason.
// An open that failed with errnum (`input`: the file was opened for reading only).
RuntimeError FileOpenError(const std::string& path, int errnum, bool input);
// A write, flush, truncation or sync that failed with errnum (a full disk is error 61).
RuntimeError FileWriteError(const std::string& path, int errnum);
// A read or another operation on an open file that failed with errnum.
RuntimeError FileIoError(const std::string& path, int errnum);
// Something other than a regular file where a record file should be.
RuntimeError NotRegularFileError(const std::string& path);

// Writes everything the stream holds to the disk (fflush and fsync or its Windows kin). Returns
// false with errno set on failure.
bool SyncToDisk(std::FILE* file);

// Replaces `to` by `from` in one step, as the file system allows: a reader sees either the old
// or the new file, never a part of one. A symbolic link at `to` is replaced, not followed.
// Returns false with errno set on failure.
bool ReplaceFile(const std::string& from, const std::string& to);

}  // namespace quorvella
