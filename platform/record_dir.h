// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The record directory as one open handle, and the few files in it opened through that handle
// only: never following a link, never waiting on a FIFO, and only when what is there is a
// regular file. Nothing is looked up again by path after it was checked. POSIX uses a directory
// descriptor with openat; Windows opens the reparse point itself and refuses it.
// Every failure is a RuntimeError that names the file and the reason.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvella {

class DirFile {
 public:
  DirFile() = default;
  DirFile(std::intptr_t handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  ~DirFile();
  DirFile(DirFile&& other) noexcept;
  DirFile& operator=(DirFile&& other) noexcept;
  DirFile(const DirFile&) = delete;
  DirFile& operator=(const DirFile&) = delete;

  const std::string& path() const { return path_; }

  // The file's bytes from its start, at most `limit` of them.
  std::string ReadAll(std::int64_t limit);
  // Cuts the file to nothing.
  void Truncate();
  // Writes `bytes` from the start of the (truncated) file.
  void WriteAll(std::string_view bytes);
  // Pushes the file's data down to the disk.
  void Sync();
  // Takes the exclusive lock on the file if nobody holds it; false when another holds it. The
  // lock goes with the handle.
  bool TryLock();

 private:
  std::intptr_t handle_ = -1;
  std::string path_;
};

class RecordDir {
 public:
  // Opens the directory; a run-time error (76, path not found) when it is missing or not one.
  explicit RecordDir(std::string path);
  ~RecordDir();
  RecordDir(const RecordDir&) = delete;
  RecordDir& operator=(const RecordDir&) = delete;

  // The path, ending in its separator.
  const std::string& path() const { return path_; }

  // Opens `name` in the directory for reading and writing. With `create`, an empty file is
  // created when nothing is there, with exactly the permission bits `mode` (POSIX). A symbolic
  // link, FIFO, directory or device at the name is refused with a run-time error.
  DirFile Open(std::string_view name, bool create, unsigned mode);

 private:
  std::string path_;
  std::intptr_t handle_ = -1;
};

}  // namespace quorvella
