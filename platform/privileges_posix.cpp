// POSIX side of the games group: effective, real and saved set-group-id.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/privileges.h"

namespace quorvella {
namespace {

constexpr gid_t kNoGroup = static_cast<gid_t>(-1);

gid_t savedGroup = kNoGroup;  // the group given up at the start, to take back for record files
int depth = 0;                // RecordFileAccess scopes open right now

// Holding the group longer than meant is worse than stopping: end at once.
[[noreturn]] void Abandon(const char* what) {
  std::perror(what);
  std::abort();
}

}  // namespace

bool DropGroupPrivileges() {
  gid_t real = 0;
  gid_t effective = 0;
  gid_t saved = 0;
  if (::getresgid(&real, &effective, &saved) != 0) return false;
  if (effective == real) return true;
  // The saved set-group-id is set explicitly: it is what lets us take the group back later.
  if (::setresgid(kNoGroup, real, effective) != 0) return false;
  if (::getresgid(&real, &effective, &saved) != 0 || effective != real) return false;
  savedGroup = saved;
  return true;
}

bool HasSavedGroup() {
  return savedGroup != kNoGroup;
}

RecordFileAccess::RecordFileAccess() {
  if (depth++ > 0) return;
  outermost_ = true;
  savedMask_ = ::umask(S_IWOTH);
  // A failure here is not fatal: the file operation that follows fails with the player's own
  // rights and reports the reason.
  if (HasSavedGroup() && ::setegid(savedGroup) != 0) std::perror("quorvella: setegid");
}

RecordFileAccess::~RecordFileAccess() {
  --depth;
  if (!outermost_) return;
  if (HasSavedGroup() && ::setegid(::getgid()) != 0) Abandon("quorvella: setegid");
  ::umask(static_cast<mode_t>(savedMask_));
}

}  // namespace quorvella
