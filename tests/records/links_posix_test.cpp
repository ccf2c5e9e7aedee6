// Record files and symbolic links (POSIX: Windows needs rights to make links at all).
#include <gtest/gtest.h>

#include <filesystem>

#include "common/temp_dir.h"
#include "records/records.h"

namespace quorvella::testing {
namespace {

namespace fs = std::filesystem;

TEST(CreateWhenMissing, NeverCreatesWhereADanglingLinkPoints) {
  TempDir tmp;
  fs::create_symlink(tmp.file("victim.txt"), tmp.file("a.txt"));
  FilePool files;
  records::CreateWhenMissing(files, tmp.file("a.txt"), 1);
  EXPECT_FALSE(fs::exists(tmp.file("victim.txt")));
  EXPECT_TRUE(fs::is_symlink(tmp.file("a.txt")));
  records::CreateWhenMissing(files, tmp.file("n.txt"), 1);
  EXPECT_EQ(ReadBytes(tmp.file("n.txt")), "");
  EXPECT_FALSE(files.IsOpen(1));
}

}  // namespace
}  // namespace quorvella::testing
