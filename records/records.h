// Where the record lies and how its two files are created, read and rewritten. a.txt holds the
// record score, n.txt the record holder's name; both are one line of Windows-1252 text.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/files.h"

namespace quorvella::records {

inline constexpr const char* kScoreFile = "a.txt";
inline constexpr const char* kNameFile = "n.txt";

// Reading stops after this many bytes: far more than a label can show, and a planted huge file
// cannot make the start-up slow or eat memory.
inline constexpr std::int64_t kMaxReadBytes = 64 * 1024;

// The Windows directory ending in one backslash; elsewhere the record directory chosen when the
// program was built, ending in one slash.
std::string GetSystemDir();

// Makes sure the record directory exists (the Windows directory always does; the stand-in may
// not): creates it when missing, raising a run-time error that names it when that fails.
void EnsureDirectory(const std::string& dir);

// Creates the file empty when it is missing, leaving an existing one untouched: opened for
// appending as file number `fileNum` and closed at once.
void CreateWhenMissing(FilePool& files, const std::string& path, int fileNum);

// The whole content of the file (at most kMaxReadBytes of it), line end included.
std::string Leggifiletxt(FilePool& files, const std::string& nomefile);

// Hooks for tests: called between the steps of a write, so a test can make one fail.
struct WriteHooks {
  std::function<void(const std::string& step)> before;
};

// Writes a new record: score into a.txt and name into n.txt, each as one printed line. Both are
// first written completely to fresh temporary files in the same directory and pushed to the
// disk; only then a.txt and after it n.txt are replaced, so a failure on the way leaves the old
// record whole. Raises a run-time error naming the file and the reason on failure; the
// temporary files are removed then.
void WriteRecord(FilePool& files, const std::string& dir, const std::string& score,
                 const std::string& name, const WriteHooks& hooks = {});

// Name of the lock file in the record directory that serialises comparing and writing between
// games running at the same time.
inline constexpr const char* kLockFile = ".quorvella.lock";

// Writes the new record only if `score` also beats the record as it is on disk now: another
// game may have set a higher one since this race started. Comparison and write happen under an
// exclusive lock held by every game. Returns whether the record was written.
bool WriteRecordIfHigher(FilePool& files, const std::string& dir, const std::string& score,
                         const std::string& name, const WriteHooks& hooks = {});

}  // namespace quorvella::records
