// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The pool of numbered sequential files.
#include "platform/files.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/os.h"
#include "platform/runtime.h"

namespace quorvella {
namespace {

namespace fs = std::filesystem;

std::string Description(int number) {
  switch (number) {
    case err::kBadFileNumber:
      return "Numero di file non valido";
    case err::kFileNotFound:
      return "File non trovato";
    case err::kBadFileMode:
      return "Modalità file non valida";
    case err::kFileAlreadyOpen:
      return "File già aperto";
    case err::kDeviceIo:
      return "Errore di I/O della periferica";
    case err::kDiskFull:
      return "Disco pieno";
    case err::kTooManyFiles:
      return "Troppi file";
    case err::kPermissionDenied:
      return "Permesso negato";
    case err::kPathFileAccess:
      return "Errore di accesso al percorso/file";
    case err::kPathNotFound:
      return "Percorso non trovato";
    default:
      return "Errore";
  }
}

[[noreturn]] void Fail(int number, const std::string& path, int errnum = 0) {
  throw RuntimeError(number, Description(number), path, ReasonFromErrno(errnum));
}

bool ParentIsDirectory(const std::string& path) {
  const fs::path parent = fs::path(path).parent_path();
  if (parent.empty()) return true;  // the current directory
  std::error_code ec;
  return fs::is_directory(parent, ec);
}

[[noreturn]] void FailNotRegular(const std::string& path) {
  throw NotRegularFileError(path);
}

[[noreturn]] void FailWrite(const std::string& path, int errnum) {
  throw FileWriteError(path, errnum);
}

[[noreturn]] void FailOpen(const std::string& path, FilePool::Mode mode, int errnum) {
  throw FileOpenError(path, errnum, mode == FilePool::Mode::kInput);
}

}  // namespace

RuntimeError NotRegularFileError(const std::string& path) {
  return RuntimeError(err::kPathFileAccess, Description(err::kPathFileAccess), path,
                      "Non \xc3\xa8 un file normale");
}

RuntimeError FileWriteError(const std::string& path, int errnum) {
  bool full = errnum == ENOSPC || errnum == EFBIG;
#ifdef EDQUOT
  full = full || errnum == EDQUOT;
#endif
  const int number = full ? err::kDiskFull : err::kDeviceIo;
  return RuntimeError(number, Description(number), path, ReasonFromErrno(errnum));
}

RuntimeError FileIoError(const std::string& path, int errnum) {
  return RuntimeError(err::kDeviceIo, Description(err::kDeviceIo), path, ReasonFromErrno(errnum));
}

RuntimeError FileOpenError(const std::string& path, int errnum, bool input) {
  int number = err::kPathFileAccess;  // EACCES, EPERM, EROFS, EEXIST, ELOOP, ...
  switch (errnum) {
    case ENOENT:
      number = input && ParentIsDirectory(path) ? err::kFileNotFound : err::kPathNotFound;
      break;
    case ENOTDIR:
      number = err::kPathNotFound;
      break;
    case EMFILE:
    case ENFILE:
      number = err::kTooManyFiles;
      break;
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
      number = err::kDiskFull;
      break;
    default:
      break;
  }
  return RuntimeError(number, Description(number), path, ReasonFromErrno(errnum));
}

FilePool::~FilePool() {
  CloseAll();
}

int FilePool::FreeFile() const {
  for (int fn = 1; fn <= kMaxFiles; ++fn) {
    if (!slots_[fn].file) return fn;
  }
  throw RuntimeError(err::kTooManyFiles, Description(err::kTooManyFiles));
}

bool FilePool::IsOpen(int fn) const {
  return fn >= 1 && fn <= kMaxFiles && slots_[fn].file != nullptr;
}

FilePool::Slot& FilePool::OpenSlot(int fn) {
  if (!IsOpen(fn)) Fail(err::kBadFileNumber, {});
  return slots_[fn];
}

void FilePool::Open(const std::string& path, Mode mode, int fn) {
  if (fn < 1 || fn > kMaxFiles) Fail(err::kBadFileNumber, path);
  if (slots_[fn].file) Fail(err::kFileAlreadyOpen, path);

  // Refuse what is not a regular file before opening it: a directory would open for reading
  // and fail only later, a FIFO would block the open until a writer comes. Errors of the check
  // itself are left to the open, which reports them with its own errno.
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (status.type() == fs::file_type::directory) Fail(err::kPathFileAccess, path, EISDIR);
  if (fs::exists(status) && status.type() != fs::file_type::regular) FailNotRegular(path);

  errno = 0;
  std::FILE* file = nullptr;
  switch (mode) {
    case Mode::kInput:
      file = std::fopen(path.c_str(), "rb");
      break;
    case Mode::kOutput:
      file = std::fopen(path.c_str(), "wb");
      break;
    case Mode::kAppend:
      file = std::fopen(path.c_str(), "ab");
      break;
    case Mode::kOutputNew:
      file = os::OpenNewFile(path);
      break;
  }
  if (!file) FailOpen(path, mode, errno);
  slots_[fn] = Slot{file, path, mode};
}

std::int64_t FilePool::Lof(int fn) {
  Slot& slot = OpenSlot(fn);
  // What is still in the stream's buffer belongs to the file as the program sees it.
  if (slot.mode != Mode::kInput && std::fflush(slot.file) != 0) FailWrite(slot.path, errno);
  const std::int64_t size = os::FileSize(slot.file);
  if (size < 0) Fail(err::kDeviceIo, slot.path, errno);
  return size;
}

std::string FilePool::Input(std::int64_t count, int fn) {
  Slot& slot = OpenSlot(fn);
  if (slot.mode != Mode::kInput) Fail(err::kBadFileMode, slot.path);
  // Read in pieces, so that a large count costs memory only for the bytes really there.
  constexpr std::int64_t kPiece = 64 * 1024;
  std::string bytes;
  while (count > 0) {
    const auto want = static_cast<std::size_t>(std::min(count, kPiece));
    const std::size_t old_size = bytes.size();
    bytes.resize(old_size + want);
    errno = 0;
    const std::size_t got = std::fread(bytes.data() + old_size, 1, want, slot.file);
    bytes.resize(old_size + got);
    count -= static_cast<std::int64_t>(got);
    if (got < want) {
      if (std::ferror(slot.file)) {
        const int errnum = errno;
        std::clearerr(slot.file);
        Fail(err::kDeviceIo, slot.path, errnum);
      }
      break;  // end of file
    }
  }
  return Utf8FromCp1252(bytes);
}

void FilePool::Print(int fn, std::string_view text) {
  Slot& slot = OpenSlot(fn);
  if (slot.mode == Mode::kInput) Fail(err::kBadFileMode, slot.path);
  const std::string bytes = Cp1252FromUtf8(text) + "\r\n";
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), slot.file) != bytes.size()) {
    const int errnum = errno;
    std::clearerr(slot.file);
    FailWrite(slot.path, errnum);
  }
}

void FilePool::Sync(int fn) {
  Slot& slot = OpenSlot(fn);
  if (slot.mode == Mode::kInput) return;
  errno = 0;
  if (!SyncToDisk(slot.file)) FailWrite(slot.path, errno);
}

// Closing a number that is not open does nothing, as the run-time's Close statement does.
void FilePool::Close(int fn) {
  if (fn < 1 || fn > kMaxFiles) Fail(err::kBadFileNumber, {});
  Slot& slot = slots_[fn];
  if (!slot.file) return;
  std::FILE* file = slot.file;
  const std::string path = std::move(slot.path);
  slot = Slot{};  // the number is free again whatever fclose says
  errno = 0;
  if (std::fclose(file) != 0) FailWrite(path, errno);
}

void FilePool::CloseAll() noexcept {
  for (Slot& slot : slots_) {
    if (slot.file) std::fclose(slot.file);
    slot.file = nullptr;
    slot.path.clear();
  }
}

}  // namespace quorvella
