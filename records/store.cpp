// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "records/store.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <thread>

#include "platform/files.h"
#include "platform/runtime.h"
#include "records/records.h"

namespace quorvella::records {
namespace {

using Clock = std::chrono::steady_clock;

// a.txt and n.txt are for every player to read; the lock and the journal only for the game.
constexpr unsigned kRecordMode = 0664;
constexpr unsigned kPrivateMode = 0660;

// How long one wait for the lock or the helper lasts before the window gets to repaint.
constexpr std::chrono::milliseconds kWaitSlice{10};

// The journal's first line: a tag, the lengths of the two new contents and their checksum.
constexpr std::string_view kJournalTag = "QVJ1";
constexpr std::int64_t kMaxJournalBytes = 2 * kMaxReadBytes + 64;

// CRC-32 (the polynomial of zip and PNG), written out here because the helper links nothing but
// the C and C++ run-time; the journal holds a few dozen bytes, so the bitwise loop is enough.
std::uint32_t Crc32(std::string_view bytes) {
  std::uint32_t crc = 0xffffffffu;
  for (const char c : bytes) {
    crc ^= static_cast<unsigned char>(c);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// What the administrator types to make the record files again.
std::string ResetCommand() {
#ifdef QUORVELLA_RECORD_HELPER
  return QUORVELLA_RECORD_HELPER " reset";
#else
  return "quorvella-record reset";
#endif
}

RuntimeError MissingFileError(const std::string& path) {
  return FileError(err::kFileNotFound, path,
                   "Il file manca: l'amministratore lo ricrea con " + ResetCommand());
}

RuntimeError TamperedError(const std::string& path) {
  return FileError(err::kPathFileAccess, path,
                   "Il file non appartiene al proprietario della directory: \xc3\xa8 stato "
                   "manomesso");
}

bool EndsWith(const std::string& text, std::string_view tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

RuntimeError BusyError(const std::string& lockPath, const LockHolder& holder) {
  std::string who = "un'altra partita li tiene bloccati";
  if (holder.pid > 0) {
    who = "li tiene bloccati il processo " + std::to_string(holder.pid);
    if (!holder.user.empty()) {
      who += " dell'utente " + holder.user;
    } else if (holder.uid >= 0) {
      who += " dell'utente " + std::to_string(holder.uid);
    }
  }
  return FileError(err::kPermissionDenied, lockPath, "I file del record sono occupati: " + who);
}

bool IsBusy(const RuntimeError& error) {
  return error.number() == err::kPermissionDenied && EndsWith(error.path(), kLockFile);
}

bool Beats(std::string_view record, std::string_view score) {
  return !(Val(record) >= Val(score));
}

bool ValidRecord(const std::string& score, const std::string& name) {
  if (score.empty() || score.size() > kMaxScoreDigits) return false;
  for (const char c : score) {
    if (c < '0' || c > '9') return false;
  }
  return IsValidUtf8(name) && WithoutControlCharacters(name) == name &&
         Cp1252FromUtf8(name).size() <= kMaxNameBytes;
}

std::string PrintedBytes(std::string_view text) {
  return Cp1252FromUtf8(text) + "\r\n";
}

std::string EncodeJournal(std::string_view score, std::string_view name) {
  char head[64];
  std::snprintf(head, sizeof head, "%s %zu %zu %08x\n", std::string(kJournalTag).c_str(),
                score.size(), name.size(),
                static_cast<unsigned>(Crc32(std::string(score) + std::string(name))));
  return head + std::string(score) + std::string(name);
}

bool DecodeJournal(std::string_view journal, std::string& score, std::string& name) {
  const auto eol = journal.find('\n');
  if (eol == std::string_view::npos || eol > 63) return false;
  char tag[8] = {};
  unsigned long long scoreLength = 0;
  unsigned long long nameLength = 0;
  unsigned crc = 0;
  char extra = 0;
  const std::string head(journal.substr(0, eol));
  if (std::sscanf(head.c_str(), "%7s %llu %llu %8x%c", tag, &scoreLength, &nameLength, &crc,
                  &extra) != 4 ||
      kJournalTag != tag) {
    return false;
  }
  const std::string_view body = journal.substr(eol + 1);
  if (scoreLength > static_cast<unsigned long long>(kMaxReadBytes) ||
      nameLength > static_cast<unsigned long long>(kMaxReadBytes) ||
      body.size() != scoreLength + nameLength || Crc32(body) != crc) {
    return false;
  }
  score = std::string(body.substr(0, scoreLength));
  name = std::string(body.substr(scoreLength));
  return true;
}

void RecordStore::Wait() {
  if (waiting_) waiting_();
  std::this_thread::sleep_for(kWaitSlice);
}

LocalStore::LocalStore(std::string dir, std::chrono::milliseconds lockDeadline, StoreRules rules)
    : dir_(std::move(dir)), lockDeadline_(lockDeadline), rules_(rules) {}

// The open files of one operation, the lock held from Begin until it ends.
struct LocalStore::Session {
  explicit Session(const std::string& path) : dir(path) {}
  RecordDir dir;
  DirFile lock;
  DirFile journal;
  DirFile score;
  DirFile name;
  bool exclusive = false;                // the lock is held for writing
  std::optional<RuntimeError> readOnly;  // why the files cannot be written, when they cannot
  bool Writable() const { return exclusive && !readOnly; }
};

// For writing where it may; else for reading, noting why not for writing. A record file that
// cannot even be read (`needed`) stops the start; a missing one reads as empty.
DirFile LocalStore::OpenFile(Session& s, const char* name, unsigned mode, bool needed) {
  const std::string path = s.dir.path() + name;
  int refused = 0;
  DirFile file = s.dir.Open(name, Access::kReadWrite, rules_.createMissing, mode, &refused);
  if (!file.IsOpen()) {
    if (!s.readOnly) {
      s.readOnly = refused == ENOENT && !rules_.createMissing ? MissingFileError(path)
                                                              : FileOpenError(path, refused);
    }
    file = s.dir.Open(name, Access::kRead, false, 0, &refused);
    if (!file.IsOpen() && needed && refused != ENOENT) throw FileOpenError(path, refused);
  }
  if (file.IsOpen() && rules_.ownerOnly && file.Owner() != s.dir.Owner()) {
    throw TamperedError(path);
  }
  return file;
}

std::unique_ptr<LocalStore::Session> LocalStore::Begin(bool startUp,
                                                       std::chrono::milliseconds wait) {
  // The start-up makes a missing record directory; a write never makes one again behind the
  // player's back (a directory removed during the race is an error).
  if (startUp && rules_.createMissing) EnsureDirectory(dir_);
  auto session = std::make_unique<Session>(dir_);
  Session& s = *session;
  s.lock = OpenFile(s, kLockFile, kPrivateMode, false);
  if (s.lock.IsOpen()) {
    // A writer's lock is exclusive; one who can only read shares it with other readers.
    const bool exclusive = !s.readOnly;
    const auto start = Clock::now();
    bool locked = false;
    while (!(locked = s.lock.TryLock(exclusive)) && Clock::now() - start < wait) Wait();
    // Past the deadline a write gives up; the start reads the record without the lock, so that
    // a game that holds it for ever stops nobody from playing.
    if (!locked && exclusive && !startUp) throw BusyError(s.lock.path(), s.lock.Holder());
    s.exclusive = locked && exclusive;
  }
  s.journal = OpenFile(s, kJournalFile, kPrivateMode, false);
  s.score = OpenFile(s, kScoreFile, kRecordMode, true);
  s.name = OpenFile(s, kNameFile, kRecordMode, true);
  return session;
}

Record LocalStore::Read(Session& s) {
  if (s.Writable()) {
    Recover(s);
    return Record{Leggifiletxt(s.score), Leggifiletxt(s.name)};
  }
  // The files first, then the journal: a write that began meanwhile has its journal whole
  // before it touches a file.
  Record record{s.score.IsOpen() ? Leggifiletxt(s.score) : std::string(),
                s.name.IsOpen() ? Leggifiletxt(s.name) : std::string()};
  std::string score;
  std::string name;
  if (s.journal.IsOpen() && DecodeJournal(s.journal.ReadAll(kMaxJournalBytes), score, name)) {
    record = Record{Utf8FromCp1252(score), Utf8FromCp1252(name)};
  }
  return record;
}

void LocalStore::Recover(Session& s) {
  const std::string journal = s.journal.ReadAll(kMaxJournalBytes);
  if (journal.empty()) return;
  std::string score;
  std::string name;
  if (DecodeJournal(journal, score, name)) {
    // A game stopped after its journal was safe: finish its write.
    Rewrite(s, score, name);
  }
  // Finished, or torn before it was safe (the record files were not touched yet): empty it.
  s.journal.Truncate();
  s.journal.Sync();
}

void LocalStore::Rewrite(Session& s, const std::string& scoreBytes, const std::string& nameBytes) {
  const std::pair<DirFile*, const std::string*> files[] = {{&s.score, &scoreBytes},
                                                           {&s.name, &nameBytes}};
  const char* prefix = "a-";
  for (const auto& [file, bytes] : files) {
    for (const char* what : {"truncate", "write", "sync"}) {
      if (beforeStep) beforeStep(std::string(prefix) + what);
      if (what[0] == 't') file->Truncate();
      if (what[0] == 'w') file->WriteAll(*bytes);
      if (what[0] == 's') file->Sync();
    }
    prefix = "n-";
  }
}

void LocalStore::Commit(Session& s, const std::string& scoreBytes, const std::string& nameBytes) {
  // A journal the next game could not read back would leave this write half done.
  for (const std::string* bytes : {&scoreBytes, &nameBytes}) {
    if (static_cast<std::int64_t>(bytes->size()) > kMaxReadBytes) {
      throw FileError(
          err::kPathFileAccess, s.journal.path(),
          "Record troppo lungo: al pi\xc3\xb9 " + std::to_string(kMaxReadBytes) + " byte per file");
    }
  }
  auto step = [this](std::string_view name) {
    if (beforeStep) beforeStep(name);
  };
  try {
    step("journal-write");
    s.journal.Truncate();
    s.journal.WriteAll(EncodeJournal(scoreBytes, nameBytes));
    step("journal-sync");
    s.journal.Sync();
  } catch (...) {
    // Not yet safe, so not yet a write: leave no journal that a later game would finish, not
    // even after a crash.
    try {
      s.journal.Truncate();
      s.journal.Sync();
    } catch (const RuntimeError&) {
      // A torn journal is dropped by the next game anyway; the first error is the one to report.
    }
    throw;
  }
  // From here on the write is decided: should a step fail, the next game finishes it.
  Rewrite(s, scoreBytes, nameBytes);
  step("journal-empty");
  s.journal.Truncate();
  s.journal.Sync();
}

Record LocalStore::Open() {
  return OpenAfter(std::chrono::milliseconds::zero());
}

Record LocalStore::OpenAfter(std::chrono::milliseconds waited) {
  const auto session =
      Begin(true, std::max(lockDeadline_ - waited, std::chrono::milliseconds::zero()));
  return Read(*session);
}

bool LocalStore::WriteIfHigher(const std::string& score, const std::string& name) {
  const auto session = Begin(false, lockDeadline_);
  Session& s = *session;
  if (!Beats(Read(s).score, score)) return false;
  // Beaten but not writable: the files stay as they are, and the error says why.
  if (!s.Writable()) throw *s.readOnly;
  Commit(s, PrintedBytes(score), PrintedBytes(name));
  return true;
}

void LocalStore::Write(const std::string& score, const std::string& name) {
  const auto session = Begin(false, lockDeadline_);
  Session& s = *session;
  Read(s);
  if (!s.Writable()) throw *s.readOnly;
  Commit(s, PrintedBytes(score), PrintedBytes(name));
}

#ifndef _WIN32
void LocalStore::Reset(long gid) {
  RecordDir dir(dir_);
  const long owner = dir.Owner();
  // Games waiting for the lock wait on its file: it is kept if it is the owner's one name of a
  // regular file, and made again otherwise.
  DirFile lock;
  try {
    lock = dir.Open(kLockFile, Access::kReadWrite, true, kPrivateMode);
  } catch (const RuntimeError&) {
  }
  if (!lock.IsOpen() || lock.Owner() != owner || lock.Links() != 1) {
    lock = DirFile();
    dir.Remove(kLockFile);
    lock = dir.Open(kLockFile, Access::kReadWrite, true, kPrivateMode);
  }
  const auto start = Clock::now();
  while (!lock.TryLock()) {
    if (Clock::now() - start >= lockDeadline_) throw BusyError(lock.path(), lock.Holder());
    Wait();
  }
  lock.SetOwner(owner, gid, kPrivateMode);
  const std::pair<const char*, unsigned> files[] = {
      {kJournalFile, kPrivateMode}, {kScoreFile, kRecordMode}, {kNameFile, kRecordMode}};
  for (const auto& [name, mode] : files) {
    dir.Remove(name);
    dir.Open(name, Access::kReadWrite, true, mode).SetOwner(owner, gid, mode);
  }
  dir.Sync();
}
#endif

}  // namespace quorvella::records
