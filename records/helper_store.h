// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The record store of an installed game on a shared machine: the game holds no privilege, and
// every request goes to the record helper, a small program installed set-group-id games that
// alone may write the record directory. The helper's answers become the same run-time errors
// that the store in process raises. POSIX only.
//
// The requests, as the helper's arguments:
//   open [WAIT]           create a.txt and n.txt when missing, finish or drop an interrupted
//                         write, and print the record: "ok <a-bytes> <n-bytes>\n" followed by
//                         the two files' bytes; a busy lock is waited for WAIT milliseconds
//                         (at most the deadline, which is the default) before the record is
//                         read without it
//   write SCORE NAME      the same first steps, then write SCORE and NAME as the record if SCORE
//                         beats the one in a.txt: prints "written\n" or "kept\n"
// A run-time error prints "error <number>\n<description>\n<file>\n<reason>\n" and exits with
// status 1; a request the helper refuses exits with status 2 and changes nothing.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "records/store.h"

namespace quorvella::records {

class HelperStore : public RecordStore {
 public:
  // `dir` is the directory the helper was built for (for messages only).
  HelperStore(std::string helperPath, std::string dir,
              std::chrono::milliseconds deadline = kLockDeadline + std::chrono::seconds(5));

  std::string Directory() const override { return dir_; }
  Record Open() override;
  Record OpenAfter(std::chrono::milliseconds waited) override;
  bool WriteIfHigher(const std::string& score, const std::string& name) override;

  // Runs the helper with `args`; returns what it printed, or raises its run-time error. A helper
  // still running after `deadline` (by default the store's) is killed.
  std::string Run(const std::vector<std::string>& args);
  std::string Run(const std::vector<std::string>& args, std::chrono::milliseconds deadline);

 private:
  std::string helper_;
  std::string dir_;
  std::chrono::milliseconds deadline_;
};

// The answer of the helper turned back into what the store returns, for the open request.
Record ParseOpenAnswer(const std::string& out, const std::string& helper);

}  // namespace quorvella::records
