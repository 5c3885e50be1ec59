// The resolution that draws a page at the size --scale-to, --scale-to-x and --scale-to-y ask for.
#pragma once
#include <cstdint>

#include "options.h"

struct PageResolution {
  uint32_t x = 0, y = 0;  // dots per inch
};

// The resolution for a page that measures `width` x `height` pixels at the options' own
// resolution (dpi, dpiY). The filter takes whole dots per inch, so a side comes out at most the
// pixels asked for and short of them by less than the page's length in inches. The filter draws
// both axes at one resolution, so the page keeps its proportions: the resolution is the largest
// that keeps the longest side within --scale-to, the width within --scale-to-x and the height
// within --scale-to-y, of those given. Answers the options' own resolution when none is given.
PageResolution ScaledResolution(const RenderOptions& options, uint32_t width, uint32_t height);
