#include "platform/privileges.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "platform/files.h"
#include "records/records.h"

namespace quorvella {
namespace {

namespace fs = std::filesystem;

// Ids no system account uses: the "games" group and two players of the machine.
constexpr gid_t kGames = 46460;
constexpr gid_t kPlayerGroup = 46461;
constexpr uid_t kAnna = 46462;
constexpr uid_t kBruno = 46463;

mode_t CurrentMask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

mode_t CreateAndGetMode(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
  if (fd < 0) return 0;
  struct stat st {};
  ::fstat(fd, &st);
  ::close(fd);
  return st.st_mode & 07777;
}

// Puts the player's mask back when a test ends, whatever it did.
struct MaskGuard {
  mode_t saved = CurrentMask();
  ~MaskGuard() { ::umask(saved); }
};

TEST(PrivilegesTest, ProgramNotSetGroupIdKeepsItsGroups) {
  gid_t r = 0, e = 0, s = 0;
  ASSERT_EQ(::getresgid(&r, &e, &s), 0);
  ASSERT_EQ(r, e) << "the test program itself must not run set-group-id";
  EXPECT_TRUE(DropGroupPrivileges());
  EXPECT_FALSE(HasSavedGroup());
  gid_t r2 = 0, e2 = 0, s2 = 0;
  ::getresgid(&r2, &e2, &s2);
  EXPECT_EQ(r2, r);
  EXPECT_EQ(e2, e);
  EXPECT_EQ(s2, s);
  {
    const RecordFileAccess access;
    EXPECT_EQ(::getegid(), e) << "no saved group: nothing to take back";
  }
  EXPECT_EQ(::getegid(), e);
}

// Record files must come out rw-rw-r-- whatever mask the player runs with, and the player's
// mask must be back afterwards, also after nested scopes.
TEST(PrivilegesTest, RecordFilesAreReadableByAllWritableByGroup) {
  const MaskGuard guard;
  char pattern[] = "/tmp/quorvella-mask-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const fs::path dir(pattern);
  struct Row {
    mode_t playerMask;
  };
  const Row rows[] = {{077}, {022}, {0}, {0777}};
  int n = 0;
  for (const Row& row : rows) {
    ::umask(row.playerMask);
    const std::string outer = (dir / ("outer" + std::to_string(n))).string();
    const std::string inner = (dir / ("inner" + std::to_string(n))).string();
    ++n;
    {
      const RecordFileAccess access;
      {
        const RecordFileAccess nested;
        EXPECT_EQ(CreateAndGetMode(inner), 0664u) << "mask " << std::oct << row.playerMask;
      }
      EXPECT_EQ(CreateAndGetMode(outer), 0664u) << "after the nested scope ended";
    }
    EXPECT_EQ(CurrentMask(), row.playerMask);
  }
  fs::remove_all(dir);
}

// Runs `body` in a child process that starts like a set-group-id games program started by an
// ordinary player: real group the player's, effective and saved group games, no root rights.
// Returns the child's exit status: 0 when every check passed, else the number of the one that
// failed.
int RunAsSetGroupIdPlayer(uid_t player, const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    int code = 100;
    if (::setgroups(0, nullptr) == 0 && ::setresgid(kPlayerGroup, kGames, kGames) == 0 &&
        ::setresuid(player, player, player) == 0) {
      code = body();
    }
    ::_exit(code);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 200;
}

class SharedRecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to take on other players' ids";
    // Under the system's temporary directory rather than the build tree: the players must be
    // able to reach it, and a build tree may lie below a private home directory.
    char pattern[] = "/tmp/quorvella-shared-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    ::chmod(root_.c_str(), 0755);
    // Laid out as the package lays out the record directory: root:games, rwxrwxr-x.
    records_ = root_ / "quorvella";
    fs::create_directory(records_);
    ASSERT_EQ(::chown(records_.c_str(), 0, kGames), 0);
    ASSERT_EQ(::chmod(records_.c_str(), 0775), 0);
  }
  void TearDown() override {
    if (!root_.empty()) fs::remove_all(root_);
  }
  std::string dir() const { return (records_ / "").string(); }

  fs::path root_;
  fs::path records_;
};

TEST_F(SharedRecordTest, GroupIsTheSavedOneOnlyInsideTheScope) {
  const std::string probe = (records_ / "probe").string();
  const int failed = RunAsSetGroupIdPlayer(kAnna, [&] {
    if (!DropGroupPrivileges()) return 1;
    gid_t r = 0, e = 0, s = 0;
    ::getresgid(&r, &e, &s);
    if (r != kPlayerGroup || e != kPlayerGroup || s != kGames) return 2;
    if (!HasSavedGroup()) return 3;
    // With the player's own rights the shared directory cannot be written.
    if (CreateAndGetMode(probe) != 0) return 4;
    {
      const RecordFileAccess access;
      if (::getegid() != kGames) return 5;
      if (CreateAndGetMode(probe) != 0664) return 6;
    }
    ::getresgid(&r, &e, &s);
    if (e != kPlayerGroup || s != kGames) return 7;
    return 0;
  });
  EXPECT_EQ(failed, 0);
  struct stat st {};
  ASSERT_EQ(::lstat(probe.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kAnna);
  EXPECT_EQ(st.st_gid, kGames);
}

// Two players in turn beat the record in the shared directory: each write replaces the other's
// files, which belong to the other player; the lock file is shared.
TEST_F(SharedRecordTest, EachPlayerBeatsTheOthersRecord) {
  struct Row {
    uid_t player;
    const char* score;
    const char* name;
    bool written;
  };
  const Row rows[] = {
      {kAnna, "3", "Anna", true},
      {kBruno, "5", "Bruno", true},
      {kAnna, "4", "Anna", false},  // below the stored record: left alone
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name + std::string(" ") + row.score);
    const int failed = RunAsSetGroupIdPlayer(row.player, [&] {
      if (!DropGroupPrivileges()) return 1;
      try {
        FilePool files;
        records::CreateWhenMissing(files, dir() + records::kScoreFile, 1);
        records::CreateWhenMissing(files, dir() + records::kNameFile, 1);
        const bool written = records::WriteRecordIfHigher(files, dir(), row.score, row.name);
        if (written != row.written) return 2;
      } catch (...) {
        return 3;
      }
      return ::getegid() == kPlayerGroup ? 0 : 4;
    });
    ASSERT_EQ(failed, 0);
  }
  struct Expect {
    const char* file;
    const char* content;
  };
  for (const Expect& e :
       {Expect{records::kScoreFile, "5\r\n"}, Expect{records::kNameFile, "Bruno\r\n"}}) {
    const fs::path p = records_ / e.file;
    struct stat st {};
    ASSERT_EQ(::lstat(p.c_str(), &st), 0) << e.file;
    EXPECT_TRUE(S_ISREG(st.st_mode)) << e.file;
    EXPECT_EQ(st.st_uid, kBruno) << e.file;
    EXPECT_EQ(st.st_gid, kGames) << e.file;
    EXPECT_EQ(st.st_mode & 07777, 0664u) << e.file;
    FilePool files;
    EXPECT_EQ(records::Leggifiletxt(files, p.string()), e.content);
  }
  struct stat lock {};
  ASSERT_EQ(::lstat((records_ / records::kLockFile).c_str(), &lock), 0);
  EXPECT_EQ(lock.st_gid, kGames);
  EXPECT_EQ(lock.st_mode & 07777, 0664u);
  // Nothing but the record, its lock and the files the first game created is left behind.
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(records_)) ++entries;
  EXPECT_EQ(entries, 3);
}

// A link planted in place of the record is replaced, and the file it points to stays as it was.
TEST_F(SharedRecordTest, PlantedLinkIsReplacedNotFollowed) {
  const fs::path victim = root_ / "victim";
  {
    std::FILE* f = std::fopen(victim.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("untouched", f);
    std::fclose(f);
  }
  ASSERT_EQ(::chown(victim.c_str(), 0, kGames), 0);
  ASSERT_EQ(::chmod(victim.c_str(), 0664), 0);
  fs::create_symlink(victim, records_ / records::kScoreFile);
  const int failed = RunAsSetGroupIdPlayer(kAnna, [&] {
    if (!DropGroupPrivileges()) return 1;
    try {
      FilePool files;
      records::WriteRecord(files, dir(), "7", "Anna");
    } catch (...) {
      return 2;
    }
    return 0;
  });
  ASSERT_EQ(failed, 0);
  EXPECT_FALSE(fs::is_symlink(records_ / records::kScoreFile));
  FilePool files;
  EXPECT_EQ(records::Leggifiletxt(files, victim.string()), "untouched");
  EXPECT_EQ(records::Leggifiletxt(files, (records_ / records::kScoreFile).string()), "7\r\n");
}

}  // namespace
}  // namespace quorvella
#endif  // _WIN32
