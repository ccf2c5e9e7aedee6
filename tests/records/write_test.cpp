// Writing the record when a step fails, and reading a huge record file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "common/temp_dir.h"
#include "platform/runtime.h"
#include "records/records.h"

namespace quorvella::testing {
namespace {

namespace fs = std::filesystem;

const std::string kOldScore = "2\r\n";
const std::string kOldName = "Anna\r\n";

void PlantRecord(const std::string& d) {
  WriteBytes(d + records::kScoreFile, kOldScore);
  WriteBytes(d + records::kNameFile, kOldName);
}

// Everything in the directory besides the two record files and the lock.
std::vector<std::string> Leftovers(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string n = e.path().filename().string();
    if (n != records::kScoreFile && n != records::kNameFile && n != records::kLockFile) {
      names.push_back(n);
    }
  }
  return names;
}

void ExpectOldRecord(const std::string& d) {
  EXPECT_EQ(ReadBytes(d + "a.txt"), kOldScore);
  EXPECT_EQ(ReadBytes(d + "n.txt"), kOldName);
  EXPECT_EQ(Leftovers(d), std::vector<std::string>{});
}

// A step of the write that fails: whatever was replaced already is put back.
struct StepRow {
  std::string step;
  bool nameBecomesDirectory;  // instead of a thrown error, n.txt turns into a directory
};

class InterruptedWrite : public ::testing::TestWithParam<StepRow> {};

TEST_P(InterruptedWrite, LeavesTheOldRecordWhole) {
  TempDir tmp;
  const std::string d = tmp.dir();
  PlantRecord(d);
  records::WriteHooks hooks;
  hooks.before = [&](const std::string& step) {
    if (step != GetParam().step) return;
    if (!GetParam().nameBecomesDirectory) throw RuntimeError(err::kDeviceIo, "Errore", "x", "y");
    fs::remove(d + "n.txt");
    fs::create_directories(d + "n.txt/full");
  };
  FilePool files;
  const auto error = [&]() -> std::optional<RuntimeError> {
    try {
      records::WriteRecordIfHigher(files, d, "7", "Bruno", hooks);
    } catch (const RuntimeError& e) {
      return e;
    }
    return std::nullopt;
  }();
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(ReadBytes(d + "a.txt"), kOldScore);
  if (GetParam().nameBecomesDirectory) {
    EXPECT_EQ(error->path(), d + "n.txt");
    EXPECT_FALSE(error->reason().empty());
    EXPECT_TRUE(fs::is_directory(d + "n.txt/full"));
    fs::remove_all(d + "n.txt");
    WriteBytes(d + "n.txt", kOldName);
  }
  ExpectOldRecord(d);
}

INSTANTIATE_TEST_SUITE_P(Rows, InterruptedWrite,
                         ::testing::Values(StepRow{"temp-a", false}, StepRow{"temp-n", false},
                                           StepRow{"replace-a", false}, StepRow{"replace-n", false},
                                           StepRow{"replace-n", true}),
                         [](const auto& info) {
                           std::string n =
                               info.param.step +
                               (info.param.nameBecomesDirectory ? "_NameIsDirectory" : "_Throws");
                           n.erase(std::remove(n.begin(), n.end(), '-'), n.end());
                           return n;
                         });

TEST(Leggifiletxt, ReadsAtMostTheCapOfAHugeFile) {
  TempDir tmp;
  const std::string big = std::string(records::kMaxReadBytes, '7') + "tail";
  WriteBytes(tmp.file("a.txt"), big);
  FilePool files;
  EXPECT_EQ(records::Leggifiletxt(files, tmp.file("a.txt")), big.substr(0, big.size() - 4));
  EXPECT_EQ(files.FreeFile(), 1);  // closed again
}

TEST(WriteRecordIfHigher, RemovesOnlyTheTemporariesOfADeadWriter) {
  TempDir tmp;
  const std::string d = tmp.dir();
  PlantRecord(d);
  for (const char* stale : {".a.txt.tmp1", ".n.txt.tmp22", ".a.txt.tmp333"})
    WriteBytes(d + stale, "9");
  for (const char* kept : {"notes.txt", ".a.txt", "a.txt.tmp4", ".n.txtx"})
    WriteBytes(d + kept, "k");
  FilePool files;
  ASSERT_TRUE(records::WriteRecordIfHigher(files, d, "5", "Bruno"));
  auto left = Leftovers(d);
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{".a.txt", ".n.txtx", "a.txt.tmp4", "notes.txt"}));
  EXPECT_EQ(ReadBytes(d + "a.txt"), "5\r\n");
}

}  // namespace
}  // namespace quorvella::testing
