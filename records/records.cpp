// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "records/records.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/runtime.h"
#include "records/store.h"

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

std::string Leggifiletxt(DirFile& nomefile) {
  return Utf8FromCp1252(nomefile.ReadAll(kMaxReadBytes));
}

}  // namespace quorvella::records
