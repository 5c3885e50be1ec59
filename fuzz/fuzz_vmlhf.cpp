// The header and footer VML scan over any bytes: each picture found names a slot in range and a
// relationship id.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "shapes/reader/vmlhf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<xlx::HeaderFooterPictureRef> refs;
  if (xlx::ScanHeaderFooterVml(reinterpret_cast<const char*>(data), size, &refs) != 1) return 0;
  for (const xlx::HeaderFooterPictureRef& r : refs)
    if (r.slot < 0 || r.slot >= xlx::kHeaderFooterPictureSlots || r.relId.empty() || r.widthPt < 0 || r.heightPt < 0)
      abort();
  return 0;
}
