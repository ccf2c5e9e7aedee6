#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/lock.h"
#include "platform/runtime.h"

namespace quorvella {

FileLock::FileLock(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0664);
  if (fd < 0) {
    const int code = errno;
    throw RuntimeError(err::kPathFileAccess, "Errore di accesso al percorso/file", path,
                       ReasonFromErrno(code));
  }
  int rc;
  do {
    rc = ::flock(fd, LOCK_EX);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const int code = errno;
    ::close(fd);
    throw RuntimeError(err::kPermissionDenied, "Permesso negato", path, ReasonFromErrno(code));
  }
  handle_ = fd;
}

FileLock::~FileLock() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));  // closing releases the lock
}

}  // namespace quorvella
