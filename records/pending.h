// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// An earned record is never lost to a busy lock. When the record files are still busy at the
// lock's deadline at the end of a race, the record the player earned waits in the player's own
// state folder, in one small file written whole or not at all, and the error box says so; the
// player's next start submits it first, through the same store and under its lock. One that no
// longer beats the stored record, or that cannot be read back whole, is dropped.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "records/store.h"

namespace quorvella::records {

// The file of the waiting record in the player's state folder.
inline constexpr const char* kPendingFile = "pending-record";

// The player's state folder for the game, ending in its separator: $XDG_STATE_HOME/quorvella/
// (an absolute XDG_STATE_HOME only), else $HOME/.local/state/quorvella/; on Windows
// %LOCALAPPDATA%\Quorvella\. Empty when the environment names none. `env` looks a variable up.
std::string StateFolder(const std::function<const char*(const char*)>& env);

// A store that keeps a record the lock kept out in `folder`, in front of another store.
class PendingStore : public RecordStore {
 public:
  PendingStore(std::unique_ptr<RecordStore> store, std::string folder);

  std::string Directory() const override { return store_->Directory(); }
  // Submits a waiting record first, then reads the record, the two within one deadline of the
  // lock. Nothing about the waiting record stops the start: a damaged one is dropped, one the
  // store cannot take yet keeps waiting.
  Record Open() override;
  // A busy lock keeps the record waiting and says so in the error's reason.
  bool WriteIfHigher(const std::string& score, const std::string& name) override;
  void SetWaiting(std::function<void()> waiting) override;

  // The waiting record, if there is one and it reads back whole.
  std::optional<Record> Waiting() const;

 private:
  // Keeps the record (unless a higher one already waits); the reason it could not, or empty.
  std::string Keep(const std::string& score, const std::string& name);
  void Drop() const;

  std::unique_ptr<RecordStore> store_;
  std::string folder_;
};

}  // namespace quorvella::records
