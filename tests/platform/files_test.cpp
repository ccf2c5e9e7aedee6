// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The run-time errors of file operations: the number a system error becomes, the reason in
// Italian, and the file named in the message.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>

#include "platform/runtime.h"

namespace quorvella {
namespace {

TEST(FileErrors, NumberReasonAndFile) {
  const std::string path = "/var/games/quorvella/a.txt";
  const struct {
    const char* why;
    std::function<RuntimeError()> make;
    int number;
    std::string reason;
  } rows[] = {
      {"open, missing", [&] { return FileOpenError(path, ENOENT); }, err::kPathNotFound,
       "File o directory inesistente"},
      {"open, a file on the way", [&] { return FileOpenError(path, ENOTDIR); }, err::kPathNotFound,
       "Non \xc3\xa8 una directory"},
      {"open, no permission", [&] { return FileOpenError(path, EACCES); }, err::kPathFileAccess,
       "Permesso negato"},
      {"open, read-only", [&] { return FileOpenError(path, EROFS); }, err::kPathFileAccess,
       "File system di sola lettura"},
      {"open, too many", [&] { return FileOpenError(path, EMFILE); }, err::kTooManyFiles,
       "Troppi file aperti"},
      {"write, full disk", [&] { return FileWriteError(path, ENOSPC); }, err::kDiskFull,
       "Spazio esaurito sul disco"},
      {"write, size limit", [&] { return FileWriteError(path, EFBIG); }, err::kDiskFull,
       "File troppo grande"},
      {"write, device", [&] { return FileWriteError(path, EIO); }, err::kDeviceIo,
       "Errore di input/output"},
      {"read, device", [&] { return FileIoError(path, EIO); }, err::kDeviceIo,
       "Errore di input/output"},
      {"not a file", [&] { return NotRegularFileError(path); }, err::kPathFileAccess,
       "Non \xc3\xa8 un file normale"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.why);
    const RuntimeError e = row.make();
    EXPECT_EQ(e.number(), row.number);
    EXPECT_EQ(e.reason(), row.reason);
    EXPECT_EQ(e.path(), path);
    EXPECT_NE(e.Message().find(path), std::string::npos) << e.Message();
    EXPECT_FALSE(e.description().empty());
  }
}

}  // namespace
}  // namespace quorvella
