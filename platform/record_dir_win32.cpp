// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The record directory on Windows: each file is opened with FILE_FLAG_OPEN_REPARSE_POINT, so a
// symbolic link or junction is opened itself and refused, never followed; the handle is then
// checked to be an ordinary disk file before anything is read or written.
#include "platform/windows_api.h"

#include <cerrno>

#include "platform/files.h"
#include "platform/os.h"
#include "platform/record_dir.h"
#include "platform/runtime.h"

namespace quorvella {
namespace {

HANDLE H(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

int LastErrno() {
  return os::ErrnoFromWin32(GetLastError());
}

}  // namespace

DirFile::~DirFile() {
  if (handle_ != -1) CloseHandle(H(handle_));
}

DirFile::DirFile(DirFile&& other) noexcept : handle_(other.handle_), path_(std::move(other.path_)) {
  other.handle_ = -1;
}

DirFile& DirFile::operator=(DirFile&& other) noexcept {
  if (this != &other) {
    if (handle_ != -1) CloseHandle(H(handle_));
    handle_ = other.handle_;
    path_ = std::move(other.path_);
    other.handle_ = -1;
  }
  return *this;
}

std::string DirFile::ReadAll(std::int64_t limit) {
  LARGE_INTEGER zero{};
  if (!SetFilePointerEx(H(handle_), zero, nullptr, FILE_BEGIN))
    throw FileIoError(path_, LastErrno());
  std::string bytes;
  char buffer[16384];
  while (static_cast<std::int64_t>(bytes.size()) < limit) {
    const auto want = static_cast<DWORD>(
        std::min<std::int64_t>(sizeof buffer, limit - static_cast<std::int64_t>(bytes.size())));
    DWORD got = 0;
    if (!ReadFile(H(handle_), buffer, want, &got, nullptr)) throw FileIoError(path_, LastErrno());
    if (got == 0) break;
    bytes.append(buffer, got);
  }
  return bytes;
}

void DirFile::Truncate() {
  LARGE_INTEGER zero{};
  if (!SetFilePointerEx(H(handle_), zero, nullptr, FILE_BEGIN) || !SetEndOfFile(H(handle_))) {
    throw FileWriteError(path_, LastErrno());
  }
}

void DirFile::WriteAll(std::string_view bytes) {
  LARGE_INTEGER zero{};
  if (!SetFilePointerEx(H(handle_), zero, nullptr, FILE_BEGIN)) {
    throw FileWriteError(path_, LastErrno());
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD wrote = 0;
    if (!WriteFile(H(handle_), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &wrote,
                   nullptr) ||
        wrote == 0) {
      throw FileWriteError(path_, LastErrno());
    }
    done += wrote;
  }
}

void DirFile::Sync() {
  if (!FlushFileBuffers(H(handle_))) throw FileWriteError(path_, LastErrno());
}

bool DirFile::TryLock(bool exclusive) {
  OVERLAPPED overlapped{};
  const DWORD how = (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0) | LOCKFILE_FAIL_IMMEDIATELY;
  if (LockFileEx(H(handle_), how, 0, 1, 0, &overlapped)) return true;
  if (GetLastError() == ERROR_LOCK_VIOLATION || GetLastError() == ERROR_IO_PENDING) return false;
  throw FileIoError(path_, LastErrno());
}

// Windows does not tell who holds a lock.
LockHolder DirFile::Holder() const {
  return {};
}

long DirFile::Owner() const {
  return -1;
}

RecordDir::RecordDir(std::string path) : path_(std::move(path)) {
  const DWORD attributes = GetFileAttributesA(path_.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) throw FileOpenError(path_, LastErrno());
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) throw FileOpenError(path_, ENOTDIR);
}

RecordDir::~RecordDir() = default;

long RecordDir::Owner() const {
  return -1;
}

// FlushFileBuffers of the file already carries its directory entry with it.
void RecordDir::Sync() {}

DirFile RecordDir::Open(std::string_view name, Access access, bool create, unsigned, int* refused) {
  const std::string path = path_ + std::string(name);
  const bool write = access == Access::kReadWrite;
  // Reading, and for a writer rewriting the data in place (WriteFile, SetEndOfFile,
  // FlushFileBuffers and LockFileEx need no more than FILE_WRITE_DATA): exactly what the
  // installer gives the Users group on the files in the Windows directory. GENERIC_WRITE would
  // also ask for FILE_WRITE_ATTRIBUTES and FILE_WRITE_EA, and a player's open would be refused.
  const DWORD rights = write ? FILE_GENERIC_READ | FILE_WRITE_DATA : FILE_GENERIC_READ;
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
  HANDLE h = CreateFileA(path.c_str(), rights, share, nullptr,
                         create && write ? OPEN_ALWAYS : OPEN_EXISTING, flags, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
      throw NotRegularFileError(path);
    }
    const int code = os::ErrnoFromWin32(error);
    if (refused && (code == ENOENT || code == EACCES || code == EROFS)) {
      *refused = code;
      return {};
    }
    throw FileOpenError(path, code);
  }
  DirFile file(reinterpret_cast<std::intptr_t>(h), path);
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
    throw NotRegularFileError(path);
  }
  return file;
}

}  // namespace quorvella
