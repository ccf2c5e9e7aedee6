// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "records/store.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <thread>

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

RuntimeError BusyError(const std::string& lockPath) {
  return RuntimeError(err::kPermissionDenied, "Permesso negato", lockPath,
                      "I file del record sono occupati: un'altra partita li tiene bloccati");
}

}  // namespace

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

LocalStore::LocalStore(std::string dir, std::chrono::milliseconds lockDeadline)
    : dir_(std::move(dir)), lockDeadline_(lockDeadline) {}

// The open files of one operation, the lock held from Begin until it ends.
struct LocalStore::Session {
  explicit Session(const std::string& path) : dir(path) {}
  RecordDir dir;
  DirFile lock;
  DirFile journal;
  DirFile score;
  DirFile name;
};

std::unique_ptr<LocalStore::Session> LocalStore::Begin(bool startUp) {
  // The start-up makes a missing record directory; a write never makes one again behind the
  // player's back (a directory removed during the race is an error).
  if (startUp) EnsureDirectory(dir_);
  auto session = std::make_unique<Session>(dir_);
  Session& s = *session;
  s.lock = s.dir.Open(kLockFile, true, kPrivateMode);
  const auto start = Clock::now();
  while (!s.lock.TryLock()) {
    if (Clock::now() - start >= lockDeadline_) throw BusyError(s.lock.path());
    Wait();
  }
  s.journal = s.dir.Open(kJournalFile, true, kPrivateMode);
  s.score = s.dir.Open(kScoreFile, true, kRecordMode);
  s.name = s.dir.Open(kNameFile, true, kRecordMode);
  return session;
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
    // Not yet safe, so not yet a write: leave no journal that a later game would finish.
    try {
      s.journal.Truncate();
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
  const auto session = Begin(true);
  Session& s = *session;
  Recover(s);
  return Record{Leggifiletxt(s.score), Leggifiletxt(s.name)};
}

bool LocalStore::WriteIfHigher(const std::string& score, const std::string& name) {
  const auto session = Begin(false);
  Session& s = *session;
  Recover(s);
  if (Val(Leggifiletxt(s.score)) >= Val(score)) return false;
  Commit(s, PrintedBytes(score), PrintedBytes(name));
  return true;
}

void LocalStore::Write(const std::string& score, const std::string& name) {
  const auto session = Begin(false);
  Session& s = *session;
  Recover(s);
  Commit(s, PrintedBytes(score), PrintedBytes(name));
}

}  // namespace quorvella::records
