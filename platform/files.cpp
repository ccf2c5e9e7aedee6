// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The run-time errors of file operations.
#include "platform/files.h"

#include <cerrno>

#include "platform/runtime.h"

namespace quorvella {
namespace {

std::string Description(int number) {
  switch (number) {
    case err::kFileNotFound:
      return "File non trovato";
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

}  // namespace

RuntimeError FileError(int number, const std::string& path, const std::string& reason) {
  return RuntimeError(number, Description(number), path, reason);
}

RuntimeError NotRegularFileError(const std::string& path) {
  return FileError(err::kPathFileAccess, path, "Non \xc3\xa8 un file normale");
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

RuntimeError FileOpenError(const std::string& path, int errnum) {
  int number = err::kPathFileAccess;  // EACCES, EPERM, EROFS, EEXIST, ELOOP, ...
  switch (errnum) {
    case ENOENT:
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

}  // namespace quorvella
