// The record lock on Windows: LockFileEx on the lock file, released when the handle closes.
#include "platform/windows_api.h"

#include <string>

#include "platform/lock.h"
#include "platform/runtime.h"

namespace quorvella {

namespace {
std::string WindowsReason(DWORD code) {
  switch (code) {
    case ERROR_ACCESS_DENIED:
      return "Permesso negato";
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
      return "File o directory inesistente";
    default:
      return "Errore di sistema " + std::to_string(code);
  }
}
}  // namespace

FileLock::FileLock(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    throw RuntimeError(err::kPathFileAccess, "Errore di accesso al percorso/file", path,
                       WindowsReason(GetLastError()));
  }
  OVERLAPPED overlapped{};
  if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &overlapped)) {
    const DWORD code = GetLastError();
    CloseHandle(h);
    throw RuntimeError(err::kPermissionDenied, "Permesso negato", path, WindowsReason(code));
  }
  handle_ = reinterpret_cast<std::intptr_t>(h);
}

FileLock::~FileLock() {
  if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));  // closing releases the lock
}

}  // namespace quorvella
