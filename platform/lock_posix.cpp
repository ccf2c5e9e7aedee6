#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/lock.h"
#include "platform/runtime.h"

namespace quorvella {

FileLock::FileLock(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0664);
  if (fd < 0 && (errno == EROFS || errno == EACCES)) {
    // A lock file already there serves as well opened for reading: flock does not need write
    // access, and the record's own files then report what really stops the write.
    const int first = errno;
    fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) errno = first;
  }
  if (fd < 0) {
    const int code = errno;
    if (code == ENOENT || code == ENOTDIR) {
      throw RuntimeError(err::kPathNotFound, "Percorso non trovato", path, ReasonFromErrno(code));
    }
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
