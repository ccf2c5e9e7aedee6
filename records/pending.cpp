// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "records/pending.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "platform/record_dir.h"
#include "platform/runtime.h"

namespace quorvella::records {
namespace {

namespace fs = std::filesystem;

// The waiting record is kept in the journal's form (lengths and a checksum), so a file cut short
// or changed by hand reads as damaged. Far more than a 5-digit score and a 255-character name.
constexpr std::int64_t kMaxPendingBytes = 4096;

#ifndef _WIN32
std::string WithSlash(std::string path) {
  if (path.back() != '/') path += '/';
  return path;
}
#endif

}  // namespace

std::string StateFolder(const std::function<const char*(const char*)>& env) {
#ifdef _WIN32
  const char* local = env("LOCALAPPDATA");
  if (!local || !*local) return {};
  std::string folder = local;
  if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder + "Quorvella\\";
#else
  const char* state = env("XDG_STATE_HOME");
  if (state && state[0] == '/') return WithSlash(state) + "quorvella/";
  const char* home = env("HOME");
  if (home && home[0] == '/') return WithSlash(home) + ".local/state/quorvella/";
  return {};
#endif
}

PendingStore::PendingStore(std::unique_ptr<RecordStore> store, std::string folder)
    : store_(std::move(store)), folder_(std::move(folder)) {}

void PendingStore::SetWaiting(std::function<void()> waiting) {
  store_->SetWaiting(std::move(waiting));
}

std::optional<Record> PendingStore::Waiting() const {
  try {
    RecordDir dir(folder_);
    int refused = 0;
    DirFile file = dir.Open(kPendingFile, Access::kRead, false, 0, &refused);
    std::string score;
    std::string name;
    if (file.IsOpen() && DecodeJournal(file.ReadAll(kMaxPendingBytes), score, name) &&
        ValidRecord(score, name)) {
      return Record{score, name};
    }
  } catch (const RuntimeError&) {
    // No folder, or something there that is not a file: nothing waits.
  }
  return std::nullopt;
}

void PendingStore::Drop() const {
  std::error_code ec;
  fs::remove(fs::path(folder_ + kPendingFile), ec);
}

Record PendingStore::Open() {
  const auto start = std::chrono::steady_clock::now();
  if (const auto waiting = Waiting()) {
    try {
      // Written, or no longer a record: either way it waits no more.
      store_->WriteIfHigher(waiting->score, waiting->name);
      Drop();
    } catch (const RuntimeError&) {
      // The store cannot take it yet (still busy, or not writable): it waits for a start that
      // can, and this one goes on.
    }
  } else {
    Drop();  // damaged, or nothing there
  }
  // A lock that was busy for the whole delivery is not waited for again.
  return store_->OpenAfter(std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start));
}

bool PendingStore::WriteIfHigher(const std::string& score, const std::string& name) {
  try {
    return store_->WriteIfHigher(score, name);
  } catch (const RuntimeError& e) {
    if (!IsBusy(e)) throw;
    const std::string failed = Keep(score, name);
    throw RuntimeError(
        e.number(), e.description(), e.path(),
        e.reason() + (failed.empty()
                          ? "; il tuo record \xc3\xa8 conservato e sar\xc3\xa0 registrato al "
                            "prossimo avvio del gioco"
                          : "; il tuo record non si \xc3\xa8 potuto conservare (" + failed + ")"));
  }
}

std::string PendingStore::Keep(const std::string& score, const std::string& name) {
  if (!ValidRecord(score, name)) return "record non valido";
  if (const auto waiting = Waiting(); waiting && !Beats(waiting->score, score)) return {};
  std::error_code ec;
  const bool existed = fs::is_directory(folder_, ec);
  fs::create_directories(folder_, ec);
  if (ec) return ReasonFromErrno(ec.value()) + ": " + folder_;
  if (!existed) fs::permissions(folder_, fs::perms::owner_all, ec);  // the player's alone
  // Written whole under another name, then put in place in one step: a crash leaves the old
  // file or the new one.
  const std::string temporary = std::string(kPendingFile) + ".new";
  try {
    RecordDir dir(folder_);
    {
      DirFile file = dir.Open(temporary, Access::kReadWrite, true, 0600);
      file.Truncate();
      file.WriteAll(EncodeJournal(score, name));
      file.Sync();
    }
    fs::rename(fs::path(folder_ + temporary), fs::path(folder_ + kPendingFile), ec);
    if (ec) return ReasonFromErrno(ec.value()) + ": " + folder_ + kPendingFile;
    dir.Sync();
  } catch (const RuntimeError& e) {
    return e.reason() + ": " + e.path();
  }
  return {};
}

}  // namespace quorvella::records
