// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// The record directory as the record tests see it: a planted record, and what else lies there.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "records/store.h"

namespace quorvella::testing {

inline void PlantRecord(const std::string& dir, const std::string& score, const std::string& name) {
  WriteBytes(dir + records::kScoreFile, score);
  WriteBytes(dir + records::kNameFile, name);
}

// Entries of the directory other than the store's four files and the tests' own `keep`.
inline std::vector<std::string> Leftovers(const std::string& dir,
                                          const std::vector<std::string>& keep = {}) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
    const std::string n = e.path().filename().string();
    const bool ours = n == records::kScoreFile || n == records::kNameFile ||
                      n == records::kLockFile || n == records::kJournalFile;
    if (!ours && std::find(keep.begin(), keep.end(), n) == keep.end()) names.push_back(n);
  }
  return names;
}

}  // namespace quorvella::testing
