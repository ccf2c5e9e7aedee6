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
#include "platform/windows_api.h"
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
// Every name is drawn afresh from the system's entropy: a generator seeded once would hand a
// forked process the same names as its parent, names a killed writer may have left behind.
std::string TempPathFor(const std::string& dir, const std::string& file) {
  std::random_device entropy;
  return dir + "." + file + ".tmp" + std::to_string(entropy() % 100000000u);
}

// The player knows the record files, not our temporary ones: an error while writing a temporary
// file is reported on the record file it was going to replace.
RuntimeError AboutRecordFile(const RuntimeError& e, const std::string& target) {
  return RuntimeError(e.number(), e.description(), target, e.reason());
}

// Closes and removes a temporary file that could not be written.
void Discard(FilePool& files, int fn, const std::string& temp) {
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
}

// Whether a directory entry is one of our temporary files (".a.txt.tmp..." or ".n.txt.tmp...").
bool IsTempName(const std::string& name) {
  for (const char* file : {kScoreFile, kNameFile}) {
    const std::string prefix = std::string(".") + file + ".tmp";
    if (name.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

// Removes temporary files left by a game that died while writing. Only called under the lock,
// when no other game can be writing.
void RemoveStaleTemps(const std::string& dir) {
  std::error_code ec;
  std::filesystem::directory_iterator it(dir, ec), end;
  std::vector<std::filesystem::path> stale;
  for (; !ec && it != end; it.increment(ec)) {
    if (IsTempName(it->path().filename().string())) stale.push_back(it->path());
  }
  const RecordFileAccess access;
  for (const auto& p : stale) std::filesystem::remove(p, ec);
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
    } catch (const RuntimeError& e) {
      std::error_code ec;
      if (attempt < 8 && std::filesystem::exists(std::filesystem::symlink_status(temp, ec))) {
        continue;  // the random name was taken: draw another
      }
      throw AboutRecordFile(e, dir + file);
    }
    try {
      files.Print(fn, text);
      files.Sync(fn);
      files.Close(fn);
    } catch (const RuntimeError& e) {
      Discard(files, fn, temp);
      throw AboutRecordFile(e, dir + file);
    } catch (...) {
      Discard(files, fn, temp);
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
  namespace fs = std::filesystem;
  std::error_code ec;
  const auto isLink = [&] { return fs::is_symlink(fs::symlink_status(path, ec)); };
  // A symbolic link is left alone: opening it to create would create the file it points to,
  // wherever that is. Reading it later reports a dangling one.
  if (isLink()) return;
  if (!fs::exists(fs::symlink_status(path, ec))) {
    try {
      {
        const RecordFileAccess access;
        files.Open(path, FilePool::Mode::kOutputNew, fileNum);
      }
      files.Close(fileNum);
      return;
    } catch (const RuntimeError&) {
      if (!fs::exists(fs::symlink_status(path, ec))) throw;
      if (isLink()) return;  // planted meanwhile
    }
  }
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
  namespace fs = std::filesystem;
  auto step = [&](const char* what) {
    if (hooks.before) hooks.before(what);
  };
  const std::string scoreTarget = dir + kScoreFile;
  std::vector<std::string> temps;
  // A second name for the old a.txt, so that it can be put back should n.txt fail after a.txt
  // was replaced: the two files always belong to the same record.
  std::string backup;
  bool scoreReplaced = false;
  auto removeTemps = [&] {
    std::error_code ec;
    const RecordFileAccess access;
    for (const auto& t : temps) {
      if (!t.empty()) fs::remove(t, ec);
    }
    if (!backup.empty()) fs::remove(backup, ec);
  };
  try {
    step("temp-a");
    temps.push_back(WriteTemp(files, dir, kScoreFile, score));
    step("temp-n");
    temps.push_back(WriteTemp(files, dir, kNameFile, name));
    {
      std::error_code ec;
      if (fs::exists(fs::symlink_status(scoreTarget, ec))) {
        backup = TempPathFor(dir, kScoreFile);
        const RecordFileAccess access;
        fs::create_hard_link(scoreTarget, backup, ec);
        if (ec) backup.clear();  // no hard links here: no way back, as before
      }
    }
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
      scoreReplaced = true;
    }
  } catch (...) {
    if (scoreReplaced) {
      // a.txt holds the new score, n.txt the old name: put the old score back.
      std::error_code ec;
      const RecordFileAccess access;
      if (!backup.empty() && ReplaceFile(backup, scoreTarget)) {
        backup.clear();
      } else if (backup.empty()) {
        fs::remove(scoreTarget, ec);  // there was none before
      }
    }
    removeTemps();
    throw;
  }
  removeTemps();
}

bool WriteRecordIfHigher(FilePool& files, const std::string& dir, const std::string& score,
                         const std::string& name, const WriteHooks& hooks) {
  const FileLock lock = [&] {
    const RecordFileAccess access;
    return FileLock(dir + kLockFile);
  }();
  RemoveStaleTemps(dir);
  std::error_code ec;
  const std::string scorePath = dir + kScoreFile;
  const double current =
      std::filesystem::exists(scorePath, ec) ? Val(Leggifiletxt(files, scorePath)) : 0.0;
  if (current >= Val(score)) return false;
  WriteRecord(files, dir, score, name, hooks);
  return true;
}

}  // namespace quorvella::records
