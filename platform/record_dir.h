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

// Who holds a lock, as far as the system tells (Linux: /proc/locks); pid 0 when it does not.
struct LockHolder {
  long pid = 0;
  long uid = -1;     // the holder's real user id, -1 when unknown
  std::string user;  // its name, empty when unknown
};

class DirFile {
 public:
  DirFile() = default;
  DirFile(std::intptr_t handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  ~DirFile();
  DirFile(DirFile&& other) noexcept;
  DirFile& operator=(DirFile&& other) noexcept;
  DirFile(const DirFile&) = delete;
  DirFile& operator=(const DirFile&) = delete;

  bool IsOpen() const { return handle_ != -1; }
  const std::string& path() const { return path_; }

  // The file's bytes from its start, at most `limit` of them.
  std::string ReadAll(std::int64_t limit);
  // Cuts the file to nothing.
  void Truncate();
  // Writes `bytes` from the start of the (truncated) file.
  void WriteAll(std::string_view bytes);
  // Pushes the file's data down to the disk.
  void Sync();
  // Takes the lock on the file (exclusive, or shared with other readers) if nobody holds it the
  // other way; false when another does. The lock goes with the handle.
  bool TryLock(bool exclusive = true);
  // Who holds a lock on this file.
  LockHolder Holder() const;
  // The owner's user id (POSIX); -1 where files have none.
  long Owner() const;
#ifndef _WIN32
  // Number of names the file has.
  long Links() const;
  // Gives the file to `uid`:`gid` with exactly the permission bits `mode`.
  void SetOwner(long uid, long gid, unsigned mode);
#endif

 private:
  std::intptr_t handle_ = -1;
  std::string path_;
};

enum class Access { kRead, kReadWrite };

class RecordDir {
 public:
  // Opens the directory; a run-time error (76, path not found) when it is missing or not one.
  explicit RecordDir(std::string path);
  ~RecordDir();
  RecordDir(const RecordDir&) = delete;
  RecordDir& operator=(const RecordDir&) = delete;

  // The path, ending in its separator.
  const std::string& path() const { return path_; }
  // The owner's user id (POSIX); -1 where directories have none.
  long Owner() const;

  // Opens `name` in the directory. With `create` (for writing only), an empty file is created
  // when nothing is there, with exactly the permission bits `mode` (POSIX), and made durable in
  // the directory. A symbolic link, FIFO, directory or device at the name is refused with a
  // run-time error. With `refused` given, a missing file and the system's refusal to open it
  // (no permission, a read-only file or file system) are no error: the file returned is closed
  // and *refused holds ENOENT, EACCES, EPERM or EROFS.
  DirFile Open(std::string_view name, Access access, bool create, unsigned mode = 0,
               int* refused = nullptr);

#ifndef _WIN32
  // Removes whatever is at `name` (a file, link, FIFO or empty directory); nothing there is fine.
  void Remove(std::string_view name);
#endif
  // Pushes the directory's entries down to the disk (where the system has such a step).
  void Sync();

 private:
  std::string path_;
  std::intptr_t handle_ = -1;
};

}  // namespace quorvella
