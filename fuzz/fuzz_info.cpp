// The whole information call on a file holding the input, under default and paginated options.
#include <unistd.h>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "filter/xlxfilter.h"
#include "host/kernel/vkkrnx.h"

namespace {
double Inches(double v, int32_t, uint32_t, uint32_t, uint32_t, uint32_t) { return v; }

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
  std::u16string path16(path.begin(), path.end());
  for (uint32_t flags : {0u, 1u}) {
    _INFODISPATCH d;
    std::memset(&d, 0, sizeof d);
    _FILEINFO fi;
    std::memset(&fi, 0, sizeof fi);
    fi.uStructSize = sizeof fi;
    _LOADFILEOPTION lfo;
    std::memset(&lfo, 0, sizeof lfo);
    lfo.nPageNumber = 1;
    d.pszFileName = path16.c_str();
    d.hFile = VkOpenFile(path16.c_str(), VK_OPEN_READ, 0);
    d.pFileInfo = &fi;
    d.pLoadFileOption = &lfo;
    d.dispatchXlxFlags = flags;
    d.dispatchRasterizeDocOptions.uStructSize = 68;
    d.dispatchRasterizeDocOptions.dPageWidth = 8.5;
    d.dispatchRasterizeDocOptions.dPageHeight = 11;
    d.dispatchRasterizeDocOptions.uUnit = 1;
    d.dispatchRasterizeDocOptions.uXResolution = 72;
    d.dispatchRasterizeDocOptions.uYResolution = 72;
    d.pfnUnitConverter = Inches;
    fltInfo(&d);
    VkCloseFile(d.hFile);
  }
  return 0;
}
