// Reading a record file with any content: at most the first 64 KiB, decoded as Windows-1252,
// and its number read by the leading-number rule, as the start-up and the end of a race do.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/runtime.h"
#include "records/records.h"

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
    return dir + "/a.txt";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(Path().c_str(), "wb");
  if (!f) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
  quorvella::FilePool files;
  const std::string text = quorvella::records::Leggifiletxt(files, Path());
  const std::size_t kept = std::min<std::size_t>(size, quorvella::records::kMaxReadBytes);
  const std::string_view bytes(reinterpret_cast<const char*>(data), kept);
  if (text != quorvella::Utf8FromCp1252(bytes)) std::abort();
  if (files.FreeFile() != 1) std::abort();  // closed again
  (void)quorvella::Val(text);
  return 0;
}
