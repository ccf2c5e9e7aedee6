// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <optional>
#include <string>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif

#include "common/temp_dir.h"
#include "error_of.h"
#include "platform/runtime.h"

namespace quorvella {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using testing::ErrorNumberOf;
using testing::ErrorOf;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
using Mode = FilePool::Mode;

constexpr Mode kAllModes[] = {Mode::kInput, Mode::kOutput, Mode::kAppend, Mode::kOutputNew};

// The run-time error number of opening `path`, or 0 when it opened.
int OpenError(FilePool& pool, const std::string& path, Mode mode, int fn = 1) {
  return ErrorNumberOf([&] { pool.Open(path, mode, fn); });
}

TEST(FilePool, FreeFileIsTheLowestUnusedNumber) {
  TempDir dir;
  WriteBytes(dir.file("a.txt"), "x");
  FilePool pool;
  EXPECT_EQ(pool.FreeFile(), 1);
  for (int fn = 1; fn <= 3; ++fn) pool.Open(dir.file("a.txt"), Mode::kInput, fn);
  pool.Close(2);
  EXPECT_FALSE(pool.IsOpen(2));
  EXPECT_EQ(pool.FreeFile(), 2);
  pool.Close(2);  // closing a number not open does nothing

  for (int fn = pool.FreeFile(); fn <= FilePool::kMaxFiles; ++fn) {
    if (!pool.IsOpen(fn)) pool.Open(dir.file("a.txt"), Mode::kInput, fn);
  }
  const auto full = ErrorOf([&] { pool.FreeFile(); });
  ASSERT_TRUE(full);
  EXPECT_EQ(full->number(), err::kTooManyFiles);
  pool.CloseAll();
  EXPECT_EQ(pool.FreeFile(), 1);
}

TEST(FilePool, RefusesBadNumbersAndWrongModes) {
  TempDir dir;
  const std::string path = dir.file("a.txt");
  WriteBytes(path, "x");
  FilePool pool;
  EXPECT_EQ(OpenError(pool, path, Mode::kInput, 0), err::kBadFileNumber);
  EXPECT_EQ(OpenError(pool, path, Mode::kInput, 256), err::kBadFileNumber);
  pool.Open(path, Mode::kInput, 1);
  EXPECT_EQ(OpenError(pool, path, Mode::kInput, 1), err::kFileAlreadyOpen);
  EXPECT_EQ(ErrorNumberOf([&] { pool.Print(1, "x"); }), err::kBadFileMode);
  EXPECT_EQ(ErrorNumberOf([&] { pool.Lof(7); }), err::kBadFileNumber);
  EXPECT_EQ(ErrorNumberOf([&] { pool.Input(1, 7); }), err::kBadFileNumber);
  EXPECT_EQ(ErrorNumberOf([&] { pool.Close(0); }), err::kBadFileNumber);
  pool.Open(dir.file("b.txt"), Mode::kOutput, 2);
  EXPECT_EQ(ErrorNumberOf([&] { pool.Input(1, 2); }), err::kBadFileMode);
}

TEST(FilePool, OutputTruncatesAppendKeeps) {
  TempDir dir;
  const std::string out = dir.file("out.txt"), app = dir.file("app.txt");
  const std::string fresh = dir.file("fresh.txt");
  WriteBytes(out, "old contents");
  WriteBytes(app, "old\r\n");
  {
    FilePool pool;
    pool.Open(out, Mode::kOutput, 1);
    pool.Open(app, Mode::kAppend, 2);
    pool.Open(fresh, Mode::kAppend, 3);
    EXPECT_EQ(pool.Lof(1), 0);
    EXPECT_EQ(pool.Lof(2), 5);
    pool.Print(1, "Però 5€");
    pool.Print(2, "new");
    EXPECT_EQ(pool.Lof(1), 9);  // counts what is still in the stream's buffer
    pool.Close(3);
  }  // the destructor closes 1 and 2
  EXPECT_EQ(ReadBytes(out), "Per\xF2 5\x80\r\n");
  EXPECT_EQ(ReadBytes(app), "old\r\nnew\r\n");
  EXPECT_TRUE(fs::is_regular_file(fresh));
  EXPECT_EQ(fs::file_size(fresh), 0u);
}

TEST(FilePool, InputReadsBytesAsText) {
  TempDir dir;
  const std::string path = dir.file("in.txt");
  WriteBytes(path, "ab\xE0\0\x80\r\n"s + std::string(100000, 'z'));
  FilePool pool;
  pool.Open(path, Mode::kInput, 1);
  const std::int64_t size = pool.Lof(1);
  EXPECT_EQ(size, 100007);
  EXPECT_EQ(pool.Input(3, 1), "abà");
  EXPECT_EQ(pool.Input(size, 1), "\0€\r\n"s + std::string(100000, 'z'));  // only what is left
  EXPECT_EQ(pool.Input(10, 1), "");
}

TEST(FilePool, SyncMakesPrintedLinesVisible) {
  TempDir dir;
  const std::string path = dir.file("s.txt");
  FilePool pool;
  pool.Open(path, Mode::kOutput, 1);
  pool.Print(1, "uno");
  pool.Sync(1);
  EXPECT_EQ(ReadBytes(path), "uno\r\n");
}

TEST(FilePool, MissingFilesAndPaths) {
  TempDir dir;
  FilePool pool;
  const std::string missing = dir.file("nessuno.txt");
  const auto error = ErrorOf([&] { pool.Open(missing, Mode::kInput, 1); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->number(), err::kFileNotFound);
  EXPECT_NE(error->Message().find(missing), std::string::npos) << error->Message();
  EXPECT_EQ(error->reason(), "File o directory inesistente");

  WriteBytes(dir.file("afile"), "x");  // a file used as a directory fails for root too
  for (const std::string& path : {dir.file("no/x.txt"), dir.file("afile/x.txt")}) {
    for (const Mode mode : kAllModes) {
      SCOPED_TRACE(path + " mode " + std::to_string(static_cast<int>(mode)));
      EXPECT_EQ(OpenError(pool, path, mode), err::kPathNotFound);
    }
  }
  EXPECT_FALSE(pool.IsOpen(1));
}

TEST(FilePool, OutputNewNeverReplacesAnything) {
  TempDir dir;
  const std::string existing = dir.file("e.txt"), created = dir.file("n.txt");
  WriteBytes(existing, "keep");
  FilePool pool;
  const auto error = ErrorOf([&] { pool.Open(existing, Mode::kOutputNew, 1); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->number(), err::kPathFileAccess);
  EXPECT_EQ(error->reason(), "Il file esiste già");
  EXPECT_EQ(ReadBytes(existing), "keep");

  pool.Open(created, Mode::kOutputNew, 1);
  pool.Print(1, "nuovo");
  pool.Close(1);
  EXPECT_EQ(ReadBytes(created), "nuovo\r\n");

#ifndef _WIN32
  const std::string link = dir.file("link.txt"), target = dir.file("target.txt");
  fs::create_symlink(target, link);  // dangling
  EXPECT_EQ(OpenError(pool, link, Mode::kOutputNew), err::kPathFileAccess);
  EXPECT_FALSE(fs::exists(target));
#endif
}

TEST(FilePool, DirectoriesAreRefusedInEveryMode) {
  TempDir dir;
  FilePool pool;
  for (const Mode mode : kAllModes) {
    SCOPED_TRACE(static_cast<int>(mode));
    const auto error = ErrorOf([&] { pool.Open(dir.path().string(), mode, 1); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), err::kPathFileAccess);
    EXPECT_EQ(error->reason(), "È una directory");
  }
}

#ifndef _WIN32

TEST(FilePool, FifosAreRefusedWithoutBlocking) {
  TempDir dir;
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  FilePool pool;
  for (const Mode mode : kAllModes) {
    SCOPED_TRACE(static_cast<int>(mode));
    auto result = std::async(std::launch::async, [&] { return OpenError(pool, fifo, mode); });
    if (result.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
      // Release the blocked open by opening the other end, then report the hang.
      const int fd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
      result.wait();
      ::close(fd);
      pool.CloseAll();
      FAIL() << "opening a FIFO blocked";
    }
    EXPECT_EQ(result.get(), err::kPathFileAccess);
  }
}

TEST(FilePool, UnwritableDirectory) {
  TempDir dir;
  const fs::path locked = dir.path() / "locked";
  fs::create_directory(locked);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  auto check = [&] {
    FilePool pool;
    const auto error = ErrorOf([&] { pool.Open((locked / "x.txt").string(), Mode::kOutput, 1); });
    return error && error->number() == err::kPathFileAccess && error->reason() == "Permesso negato";
  };
  if (::geteuid() != 0) {
    EXPECT_TRUE(check());
    return;
  }
  // Root writes anywhere: ask as the unprivileged user "nobody", in a child process.
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
    ::_exit(check() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "3: could not become nobody; 1: the open was not refused";
}

// Lowers the file size limit for the process, so that writes past it fail with EFBIG.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previous_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit lower = previous_;
    lower.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lower);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previous_handler_);
  }

 private:
  rlimit previous_{};
  void (*previous_handler_)(int) = nullptr;
};

TEST(FilePool, WriteErrorsAreReportedWhenTheyHappen) {
  TempDir dir;
  FilePool pool;
  pool.Open(dir.file("big.txt"), Mode::kOutput, 1);
  pool.Open(dir.file("late.txt"), Mode::kOutput, 2);
  std::optional<RuntimeError> on_print, on_close;
  {
    FileSizeLimit limit(16);
    on_print = ErrorOf([&] { pool.Print(1, std::string(1 << 20, 'x')); });
    pool.Print(2, std::string(100, 'y'));  // fits the stream's buffer: fails only on close
    on_close = ErrorOf([&] { pool.Close(2); });
  }
  ASSERT_TRUE(on_print);
  EXPECT_EQ(on_print->number(), err::kDiskFull);
  EXPECT_EQ(on_print->path(), dir.file("big.txt"));
  EXPECT_EQ(on_print->reason(), "File troppo grande");
  ASSERT_TRUE(on_close);
  EXPECT_EQ(on_close->number(), err::kDiskFull);
  EXPECT_FALSE(pool.IsOpen(2));  // the number is free after the failed close
}

TEST(ReplaceFile, ReplacesASymbolicLinkNotItsTarget) {
  TempDir dir;
  const std::string target = dir.file("target.txt"), link = dir.file("link.txt");
  const std::string fresh = dir.file("fresh.txt");
  WriteBytes(target, "target");
  WriteBytes(fresh, "fresh");
  fs::create_symlink(target, link);
  ASSERT_TRUE(ReplaceFile(fresh, link));
  EXPECT_FALSE(fs::is_symlink(link));
  EXPECT_EQ(ReadBytes(link), "fresh");
  EXPECT_EQ(ReadBytes(target), "target");
  EXPECT_FALSE(fs::exists(fresh));

  errno = 0;
  EXPECT_FALSE(ReplaceFile(dir.file("none.txt"), target));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(ReadBytes(target), "target");
}

#endif  // _WIN32

}  // namespace
}  // namespace quorvella
