#include "records/records.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <random>
#include <system_error>
#include <vector>

#include "platform/lock.h"
#include "platform/privileges.h"
#include "platform/runtime.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace quorvella::records {
namespace {

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(' ');
  return s.substr(first, last - first + 1);
}

// A fresh name for a temporary file beside `target`. The name starts with a dot so a player
// listing the directory does not take it for a record file.
std::string TempPathFor(const std::string& dir, const std::string& file) {
  static std::mt19937 engine{std::random_device{}()};
  return dir + "." + file + ".tmp" + std::to_string(engine() % 100000000u);
}

// Writes `text` as one printed line into a new temporary file and pushes it to the disk.
std::string WriteTemp(FilePool& files, const std::string& dir, const std::string& file,
                      const std::string& text) {
  for (int attempt = 0;; ++attempt) {
    const std::string temp = TempPathFor(dir, file);
    const int fn = files.FreeFile();
    try {
      const RecordFileAccess access;
      files.Open(temp, FilePool::Mode::kOutputNew, fn);
    } catch (const RuntimeError&) {
      std::error_code ec;
      if (attempt < 8 && std::filesystem::exists(std::filesystem::symlink_status(temp, ec))) {
        continue;  // the random name was taken: draw another
      }
      throw;
    }
    try {
      files.Print(fn, text);
      files.Sync(fn);
      files.Close(fn);
    } catch (...) {
      if (files.IsOpen(fn)) {
        try {
          files.Close(fn);
        } catch (const RuntimeError&) {
          // The first error is the one to report.
        }
      }
      std::error_code ec;
      const RecordFileAccess access;
      std::filesystem::remove(temp, ec);
      throw;
    }
    return temp;
  }
}

}  // namespace

std::string GetSystemDir() {
#ifdef _WIN32
  // The Windows directory, asked with a buffer of 128 characters; a longer path is asked again
  // with the size the system reports.
  std::vector<char> buffer(128, ' ');
  UINT n = GetWindowsDirectoryA(buffer.data(), static_cast<UINT>(buffer.size()));
  if (n >= buffer.size()) {
    buffer.assign(n + 1, ' ');
    n = GetWindowsDirectoryA(buffer.data(), static_cast<UINT>(buffer.size()));
  }
  std::string path(buffer.data(), std::min<std::size_t>(n, buffer.size()));
  path = Trim(path).substr(0, n);
  if (path.empty() || path.back() != '\\') path += '\\';
  return path;
#else
  std::string path = Trim(QUORVELLA_RECORD_DIR);
  if (path.empty() || path.back() != '/') path += '/';
  return path;
#endif
}

void EnsureDirectory(const std::string& dir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path p(dir);
  if (fs::is_directory(p, ec)) return;
  fs::create_directories(p, ec);
  if (ec || !fs::is_directory(p)) {
    const int code = ec ? ec.value() : ENOTDIR;
    throw RuntimeError(err::kPathNotFound, "Percorso non trovato", dir, ReasonFromErrno(code));
  }
}

void CreateWhenMissing(FilePool& files, const std::string& path, int fileNum) {
  {
    const RecordFileAccess access;
    files.Open(path, FilePool::Mode::kAppend, fileNum);
  }
  files.Close(fileNum);
}

std::string Leggifiletxt(FilePool& files, const std::string& nomefile) {
  const int fn = files.FreeFile();
  files.Open(nomefile, FilePool::Mode::kInput, fn);
  std::string text;
  try {
    text = files.Input(std::min(files.Lof(fn), kMaxReadBytes), fn);
  } catch (...) {
    files.Close(fn);
    throw;
  }
  files.Close(fn);
  return text;
}

void WriteRecord(FilePool& files, const std::string& dir, const std::string& score,
                 const std::string& name, const WriteHooks& hooks) {
  auto step = [&](const char* what) {
    if (hooks.before) hooks.before(what);
  };
  std::vector<std::string> temps;
  auto cleanup = [&] {
    std::error_code ec;
    const RecordFileAccess access;
    for (const auto& t : temps) std::filesystem::remove(t, ec);
  };
  try {
    step("temp-a");
    temps.push_back(WriteTemp(files, dir, kScoreFile, score));
    step("temp-n");
    temps.push_back(WriteTemp(files, dir, kNameFile, name));
    const std::pair<const char*, std::size_t> order[] = {{kScoreFile, 0}, {kNameFile, 1}};
    for (const auto& [file, index] : order) {
      step(index == 0 ? "replace-a" : "replace-n");
      const std::string target = dir + file;
      int code = 0;
      {
        const RecordFileAccess access;
        if (!ReplaceFile(temps[index], target)) code = errno != 0 ? errno : EIO;
      }
      if (code != 0) {
        throw RuntimeError(err::kPathFileAccess, "Errore di accesso al percorso/file", target,
                           ReasonFromErrno(code));
      }
      temps[index].clear();
    }
  } catch (...) {
    cleanup();
    throw;
  }
}

bool WriteRecordIfHigher(FilePool& files, const std::string& dir, const std::string& score,
                         const std::string& name, const WriteHooks& hooks) {
  const FileLock lock = [&] {
    const RecordFileAccess access;
    return FileLock(dir + kLockFile);
  }();
  std::error_code ec;
  const std::string scorePath = dir + kScoreFile;
  const double current =
      std::filesystem::exists(scorePath, ec) ? Val(Leggifiletxt(files, scorePath)) : 0.0;
  if (current >= Val(score)) return false;
  WriteRecord(files, dir, score, name, hooks);
  return true;
}

}  // namespace quorvella::records
