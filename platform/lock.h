// An exclusive lock between processes on one file, held from construction to destruction. The
// operating system releases it when the process dies, so a crashed game never blocks the next.
#pragma once

#include <cstdint>
#include <string>

namespace quorvella {

class FileLock {
 public:
  // Creates the lock file when missing and waits until the lock is ours. Raises a run-time error
  // naming the file and the reason when the file cannot be created or locked.
  explicit FileLock(const std::string& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  std::intptr_t handle_ = -1;
};

}  // namespace quorvella
