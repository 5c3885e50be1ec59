// The page record: what layout hands the drivers for each page of a sheet.
#pragma once
#include <cstdint>

namespace xlx {

// One page: size in pixels and the negated top-left corner of the page in sheet pixels.
struct _PAGEINFO {
  int32_t nWidth;
  int32_t nHeight;
  int32_t nXOffset;
  int32_t nYOffset;
};

}  // namespace xlx
