// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The record store: the only code that opens the record directory's files. a.txt and n.txt are
// rewritten in place (opened, truncated, written), never replaced by another file, so they keep
// the owner and permissions they were given. A journal makes the two writes one: the new
// contents and their checksum go to the journal and down to the disk first, then a.txt, then
// n.txt, then the journal is emptied. Whoever next takes the lock finishes a write that an
// interrupted game left in an intact journal, or drops a torn one, so the two files always hold
// one record: the old one or the new one, whole.
//
// Every write runs under an exclusive lock on the lock file, waited for at most a deadline. A
// record that can be read is always playable: where the files cannot be written (no permission,
// a read-only file system, a file missing from a directory the store may not fill) the start-up
// reads the record under a shared lock where one can be had, taking the record of an intact
// journal (the one a writer will finish) over the files', and only a beaten record that cannot
// be written is an error.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/record_dir.h"
#include "platform/runtime.h"

namespace quorvella::records {

inline constexpr const char* kScoreFile = "a.txt";
inline constexpr const char* kNameFile = "n.txt";
inline constexpr const char* kLockFile = ".quorvella.lock";
inline constexpr const char* kJournalFile = ".quorvella.journal";

// Reading stops after this many bytes: far more than a label can show, and a planted huge file
// cannot make the start-up slow or eat memory.
inline constexpr std::int64_t kMaxReadBytes = 64 * 1024;

// How long a game waits for another game's write (which takes milliseconds) before it gives up
// with an error that names the lock file (a write), or reads the record without it (the start).
inline constexpr std::chrono::milliseconds kLockDeadline{10000};

// The longest score and name a write takes: what the helper's request allows.
inline constexpr std::size_t kMaxScoreDigits = 5;
inline constexpr std::size_t kMaxNameBytes = 255;

// The record as the two files hold it: their whole texts (line end included), as UTF-8.
struct Record {
  std::string score;
  std::string name;
  bool operator==(const Record&) const = default;
};

class RecordStore {
 public:
  virtual ~RecordStore() = default;
  // The record directory, ending in its separator.
  virtual std::string Directory() const = 0;
  // Creates a.txt and n.txt empty when missing (where the store may), finishes or drops an
  // interrupted write (where it may write), and reads the record.
  virtual Record Open() = 0;
  // Open() for a start that has already waited `waited` for the record (delivering a waiting
  // one): it waits for a busy lock only what is left of the deadline, so the whole start waits
  // one deadline at most.
  virtual Record OpenAfter(std::chrono::milliseconds waited) {
    (void)waited;
    return Open();
  }
  // Writes `score` and `name` as the new record if `score` beats the record as the files hold it
  // now (another game may have set a higher one since this race began). Returns whether it did.
  virtual bool WriteIfHigher(const std::string& score, const std::string& name) = 0;
  // Called every few milliseconds while the store waits for the lock or for its helper, so the
  // window can repaint meanwhile.
  virtual void SetWaiting(std::function<void()> waiting) { waiting_ = std::move(waiting); }

 protected:
  void Wait();

 private:
  std::function<void()> waiting_;
};

// The steps of a write, in order; a test hook sees each before it runs.
inline constexpr std::string_view kWriteSteps[] = {
    "journal-write", "journal-sync", "a-truncate", "a-write",      "a-sync",
    "n-truncate",    "n-write",      "n-sync",     "journal-empty"};

// What a store may do in its directory.
struct StoreRules {
  // A missing file is created (and the directory, at the start). Otherwise a missing a.txt or
  // n.txt reads as no record, and a write that needs a missing file stops with an error that
  // names it and tells how the administrator makes it again.
  bool createMissing = true;
  // A file that belongs to anyone but the directory's owner is refused as tampered with.
  bool ownerOnly = false;
};

// The store in this process, on the directory's own files.
class LocalStore : public RecordStore {
 public:
  explicit LocalStore(std::string dir, std::chrono::milliseconds lockDeadline = kLockDeadline,
                      StoreRules rules = {});

  std::string Directory() const override { return dir_; }
  Record Open() override;
  Record OpenAfter(std::chrono::milliseconds waited) override;
  bool WriteIfHigher(const std::string& score, const std::string& name) override;
  // Writes the record whatever the files hold (under the lock, through the journal).
  void Write(const std::string& score, const std::string& name);
#ifndef _WIN32
  // Makes the four files again, empty, under the lock: each is a new file of the directory's
  // owner and group `gid`, with its own permission bits, whatever was at its name before (the
  // lock itself is kept when it is already the owner's only name of a regular file).
  void Reset(long gid);
#endif

  // For tests: called with each step of a write before it runs; may throw or end the process.
  std::function<void(std::string_view step)> beforeStep;

 private:
  struct Session;
  // Opens the files under the lock, waited for at most `wait`. Past it a write gives up; the
  // start reads without the lock.
  std::unique_ptr<Session> Begin(bool startUp, std::chrono::milliseconds wait);
  DirFile OpenFile(Session& s, const char* name, unsigned mode, bool needed);
  // The record as the files hold it once an interrupted write is finished or dropped; without
  // the right to write, the record of an intact journal, or else the files'.
  Record Read(Session& s);
  void Commit(Session& s, const std::string& scoreBytes, const std::string& nameBytes);
  void Recover(Session& s);
  // Truncates, writes and syncs a.txt, then n.txt, each step seen by beforeStep.
  void Rewrite(Session& s, const std::string& scoreBytes, const std::string& nameBytes);

  std::string dir_;
  std::chrono::milliseconds lockDeadline_;
  StoreRules rules_;
};

// Whether a race's score beats a record: both texts read as numbers by the leading-number rule
// (Val: " 15 parole" is 15, "abc" and the empty text 0, "12.5" stays 12.5) and compared as real
// numbers; a tie keeps the old record. The one rule of the game, the store and the waiting
// record.
bool Beats(std::string_view record, std::string_view score);

// Whether `score` and `name` make a record a write takes: 1 to 5 digits, and a name of valid
// UTF-8 without control characters that fits n.txt.
bool ValidRecord(const std::string& score, const std::string& name);

// Whether an error says that the record files were busy past the deadline.
bool IsBusy(const RuntimeError& error);
// That error, naming the lock file and, where the system tells, who holds it.
RuntimeError BusyError(const std::string& lockPath, const LockHolder& holder = {});

// The journal's text for the two files' new contents, and back. A journal that does not parse
// (torn by a crash, or its checksum wrong) gives false.
std::string EncodeJournal(std::string_view score, std::string_view name);
bool DecodeJournal(std::string_view journal, std::string& score, std::string& name);

// The bytes a record file holds for a text: Windows-1252 and CR LF, as a printed item.
std::string PrintedBytes(std::string_view text);

}  // namespace quorvella::records
