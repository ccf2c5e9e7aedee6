// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// A fresh, private directory for one test, removed again when the test ends. It lies under
// $QUORVELLA_TEST_TMP (set by the build to a folder of the build tree) or the system's
// temporary directory.
#pragma once

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace quorvella::testing {

class TempDir {
 public:
  TempDir() {
    namespace fs = std::filesystem;
    const char* base = std::getenv("QUORVELLA_TEST_TMP");
    fs::path root = base && *base ? fs::path(base) : fs::temp_directory_path();
    fs::create_directories(root);
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    for (;;) {
      std::string name = "q";
      name += std::to_string(rd());
      name += '_';
      name += std::to_string(counter++);
      path_ = root / name;
      if (fs::create_directory(path_)) break;
    }
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The directory as the game writes it: ending in the separator.
  std::string dir() const { return (path_ / "").string(); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline std::string ReadBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace quorvella::testing
