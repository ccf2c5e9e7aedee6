// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Reading a record file with any content through the store: at most the first 64 KiB, decoded as
// Windows-1252, and its number read by the leading-number rule, as the start-up and the end of a
// race do. The same bytes as a journal, decoded without harm whatever they hold.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/runtime.h"
#include "records/store.h"

namespace {

std::string dir;

void RemoveDir() {
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}

const std::string& Path() {
  static const std::string path = [] {
    // Memory-backed when the system has it: the target writes a file on every run.
    char shm[] = "/dev/shm/quorvella_fuzz_XXXXXX";
    char tmp[] = "/tmp/quorvella_fuzz_XXXXXX";
    if (::mkdtemp(shm)) {
      dir = shm;
    } else if (::mkdtemp(tmp)) {
      dir = tmp;
    } else {
      std::abort();
    }
    std::atexit(RemoveDir);
    return dir + "/";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace records = quorvella::records;
  std::FILE* f = std::fopen((Path() + records::kScoreFile).c_str(), "wb");
  if (!f) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
  const std::string text = records::LocalStore(Path()).Open().score;
  const std::size_t kept = std::min<std::size_t>(size, records::kMaxReadBytes);
  const std::string_view bytes(reinterpret_cast<const char*>(data), kept);
  if (text != quorvella::Utf8FromCp1252(bytes)) std::abort();
  (void)quorvella::Val(text);
  std::string score, name;
  const std::string_view journal(reinterpret_cast<const char*>(data), size);
  if (records::DecodeJournal(journal, score, name) &&
      score.size() + name.size() >= journal.size()) {
    std::abort();  // a journal carries a header besides the two contents
  }
  return 0;
}
