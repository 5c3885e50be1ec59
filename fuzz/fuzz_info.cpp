// The whole information call on a file holding the input, under default, paginated and printed
// options.
#include <unistd.h>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tests/support/hostcalls.h"

namespace {

std::string& ScratchPath() {
  static std::string path;
  return path;
}

void RemoveScratchFile() { unlink(ScratchPath().c_str()); }

// The file every input is written to, made once and removed when the run ends.
std::string ScratchFile() {
  std::string& path = ScratchPath();
  if (path.empty()) {
    char name[] = "/tmp/xlxfuzzXXXXXX";
    int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    path = name;
    std::atexit(RemoveScratchFile);
  }
  return path;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = ScratchFile();
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  for (uint32_t flags : {0u, 1u, 0x80u}) {
    xlxtest::HostCall call(path, xlxtest::HostRequest{1, flags, 0, 72});
    call.Info();
  }
  return 0;
}
